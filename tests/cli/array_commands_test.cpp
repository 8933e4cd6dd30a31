#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_test_support.h"

namespace tem::cli {
namespace {

using test::CliFixture;

const std::string HandWritten = std::string(TEMSETRIX_TEST_DATA_DIR) + "/arrays/hand_written.DCC";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

TEST(CliArray, GenerateThenShowAndForward)
{
    CliFixture f;
    const std::string file = f.path("Sounding.DCC");
    auto r = f.run({"array", "generate", "Schlumberger", "--count", "7", "--set", "SchlumbL=1", "--set",
                    "Schlumblittlel=0.1", "-o", file});
    ASSERT_EQ(r.status, 0) << r.err;
    r = f.run({"array", "show", file});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["numBipoles"], 7);
    EXPECT_EQ(j["MaxCP"], 4);
    EXPECT_EQ(j["AConfigType"], "Schlumberger");
    EXPECT_DOUBLE_EQ(j["CP"][6][0].get<double>(), 9.5);
    EXPECT_DOUBLE_EQ(j["CPProp"][6][1].get<double>(), -1);
    for (const char* key :
         {"numCurPot", "GeomFact", "SubmergedGeomFact", "EffDepth", "MidpointX", "MidpointY"})
        EXPECT_EQ(j[key].size(), 7u) << key;
    EXPECT_TRUE(j["messages"].empty());

    r = f.run({"dc-forward", file, "--resistivity", "40"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Config,Voltage,AppRes,EffDepth");
    EXPECT_EQ(lines[1].substr(0, 2), "1,");
    EXPECT_NE(lines[7].find(",39.9998"), std::string::npos) << lines[7]; // 40 * 0.99999732

    r = f.run({"dc-forward", file, "--thickness", "2", "--resistivity", "10,1000", "--filter", "12"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 8u);

    for (const char* sub : {"ndic", "detect", "sig"}) {
        r = f.run({"array", sub, file});
        ASSERT_EQ(r.status, 0) << sub << r.err;
        EXPECT_GT(Lines(r.out).size(), 7u) << sub;
    }
    EXPECT_EQ(Lines(f.run({"array", "ndic", file, "--layered", "--terms", "10"}).out)[0],
              "Depth,Config1,Config2,Config3,Config4,Config5,Config6,Config7");
    EXPECT_EQ(Lines(f.run({"array", "sig", file}).out)[0], "Config,EffDepth,SignalToNoise");
    EXPECT_EQ(Lines(f.run({"array", "detect", file}).out)[0], "Series,Axis,Depth,Value");
}

TEST(CliArray, HandWrittenFileWithCancellingSharesAndBadCells)
{
    CliFixture f;
    auto r = f.run({"array", "show", HandWritten});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_GT(j["GeomFact"][0].get<double>(), 0);
    EXPECT_EQ(j["GeomFact"][1].get<double>(), 0); // shares that cancel: no factor, not infinity
    // A zero separation is left out; a cell that is not a number reads as its default (18 m).
    EXPECT_NEAR(j["GeomFact"][2].get<double>(), 2 * 3.14159265358979 * 18, 1e-9);
    EXPECT_FALSE(j["messages"].empty());
    EXPECT_NE(r.err.find("Cannot calculate geometric factor for separations<0.0000001"), std::string::npos);

    r = f.run({"dc-forward", HandWritten, "--thickness", "3", "--resistivity", "50,5"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[2].find(",1e-06,"), std::string::npos) << lines[2];
    EXPECT_EQ(r.out.find("inf"), std::string::npos);
    EXPECT_EQ(r.out.find("nan"), std::string::npos);
}

TEST(CliArray, GridsFromCsv)
{
    CliFixture f;
    const std::string rows = f.write("xy.csv", "Config,Curr1x,Curr1y,Curr2x,Curr2y,Pot1x,Pot1y,Pot2x,Pot2y\n"
                                               "1,0,0,-10,0,3,4,6,8\n2,0,0,-20,0,5,0,10,0\n");
    auto r =
        f.run({"array", "generate", "GeneralXY", "--count", "2", "--rows", rows, "-o", f.path("xy.INI")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(f.run({"array", "show", f.path("xy.INI")}).out);
    EXPECT_DOUBLE_EQ(j["CP"][0][0].get<double>(), 5);
    EXPECT_DOUBLE_EQ(j["CP"][1][3].get<double>(), 30);

    const std::string bad = f.write("bad.csv", "1,0,0,-10,0,3,4,6,eight\n");
    r = f.run({"array", "generate", "GeneralXY", "--count", "1", "--rows", bad, "-o", f.path("bad.DCC")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"eight\" in row 1, column Pot2y is not a number"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(f.path("bad.DCC")));
}

TEST(CliArray, BadUsageAndRefusedInput)
{
    CliFixture f;
    const std::string out = f.path("a.DCC");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string errContains;
    };
    const Case cases[] = {
        {"unknown type", {"array", "generate", "Dipole", "--count", "3", "-o", out}, 2, "Unknown array type"},
        {"unknown box",
         {"array", "generate", "Wenner", "--count", "3", "--set", "Bogus=1", "-o", out},
         2,
         "NAME one of ASpacing"},
        {"wrong extension",
         {"array", "generate", "Wenner", "--count", "3", "-o", f.path("a.txt")},
         2,
         ".DCC or .INI"},
        {"absurd count",
         {"array", "generate", "Wenner", "--count", "1000", "-o", out},
         1,
         "between 1 and 25"},
        {"negative count",
         {"array", "generate", "Wenner", "--count", "-2", "-o", out},
         1,
         "between 1 and 25"},
        {"portioning beyond 30 pairs",
         {"array", "generate", "ExponentialBipole", "--count", "3", "--set", "TxElectrodeLength=10", "--set",
          "PortionSizer=0.1", "-o", out},
         1,
         "at most 30 are possible"},
        {"zero spacing",
         {"array", "generate", "Wenner", "--count", "3", "--set", "ASpacing=0", "-o", out},
         1,
         "Type a value for A Spacing first"},
        {"filter", {"dc-forward", HandWritten, "--resistivity", "10", "--filter", "5"}, 2, ""},
        {"not a number",
         {"dc-forward", HandWritten, "--resistivity", "10,abc", "--thickness", "1"},
         2,
         "\"abc\" is not a number"},
        {"negative resistivity",
         {"dc-forward", HandWritten, "--resistivity", "-10"},
         1,
         "must be a number above 0"},
        {"counts disagree", {"dc-forward", HandWritten, "--resistivity", "10,20"}, 1, "one thickness fewer"},
        {"single-precision overflow",
         {"dc-forward", std::string(TEMSETRIX_TEST_DATA_DIR) + "/arrays/tiny_separations.DCC",
          "--resistivity", "3e38"},
         1,
         "does not fit single precision (beyond about 3.4E+38) for configuration 1: the voltage"},
        {"missing file", {"array", "show", f.path("none.DCC")}, 1, "File not found"},
        {"ndic nan", {"array", "ndic", HandWritten, "--surface-res", "nan"}, 2, "--surface-res: "},
        {"ndic inf", {"array", "ndic", HandWritten, "--halfspace-res", "inf"}, 2, "--halfspace-res: "},
        {"ndic negative thickness",
         {"array", "ndic", HandWritten, "--layered", "--thickness", "-3"},
         2,
         "--thickness: -3 must be a positive number"},
        {"detect zero current",
         {"array", "detect", HandWritten, "--current", "0"},
         2,
         "--current: 0 must be"},
        {"sig negative noise", {"array", "sig", HandWritten, "--noise", "-1e-6"}, 2, "--noise: "},
        {"sig nan resistivity",
         {"array", "sig", HandWritten, "--halfspace-res", "nan"},
         2,
         "--halfspace-res: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = f.run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

} // namespace
} // namespace tem::cli
