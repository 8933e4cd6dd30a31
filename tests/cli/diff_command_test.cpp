// temsetrix-cli diff: field paths with the model's own indices, entries only one side has, the
// file's own book-keeping left out, and the exit status of diff(1).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/diff_command.h"
#include "cli_test_support.h"

namespace tem::cli {
namespace {

using test::CliFixture;
namespace fs = std::filesystem;

const std::string Demo = TEMSETRIX_SOURCE_DIR "/data/DemoConfig.TDC";

TEST(DiffModels, NamesEachDifferenceByItsModelIndices)
{
    const Json a = Json::parse(R"({"NumTx": 1, "LoadFilename": "/a.tdc", "TDCorGEX": "TDC",
        "Tx": [{"LoopSides": 4, "NodeX": [1, 2, 3], "Name": "LM"}],
        "TimeBase": [{"GateCentre": [1e-5, 2e-5]}], "Vehicle": {"GNSSX": 0.5}})");
    const Json b = Json::parse(R"({"NumTx": 2, "LoadFilename": "/b.gex", "TDCorGEX": "GEX",
        "Tx": [{"LoopSides": 6, "NodeX": [1, 2.5, 3], "Name": "LM"}, {"LoopSides": 4}],
        "TimeBase": [{"GateCentre": [1e-5, 2e-5, 4e-5]}], "Vehicle": {"GNSSX": 0.5}})");
    const Json expected = Json::parse(R"([
        {"field": "NumTx", "a": 1, "b": 2},
        {"field": "Tx[1].LoopSides", "a": 4, "b": 6},
        {"field": "Tx[1].NodeX[1]", "a": 2, "b": 2.5},
        {"field": "Tx[2]", "a": null, "b": {"LoopSides": 4}},
        {"field": "TimeBase[1].GateCentre[3]", "a": null, "b": 4e-5}])");
    EXPECT_EQ(DiffModels(a, b), expected);
    EXPECT_EQ(DiffModels(a, a), Json::array());
    EXPECT_EQ(DiffText(Json::array()), "[]\n");
    EXPECT_EQ(DiffText(Json::parse(R"([{"field": "Tx[1].LoopSides", "a": 4, "b": 6}])")),
              "[\n  {\"field\": \"Tx[1].LoopSides\", \"a\": 4, \"b\": 6}\n]\n");
}

TEST(CliDiff, ComparesTdcAndGexFieldByField)
{
    CliFixture f;
    const std::string tdc = f.path("Demo.tdc");
    fs::copy_file(Demo, tdc);
    auto r = f.run({"diff", tdc, tdc});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "[]\n");

    std::string text = f.read(tdc);
    text.replace(text.find("NumberOfTurns=1"), 15, "NumberOfTurns=2");
    const std::string edited = f.write("Edited.TDC", text);
    r = f.run({"diff", tdc, edited});
    EXPECT_EQ(r.status, 1) << r.err;
    const Json differences = Json::parse(r.out);
    EXPECT_NE(std::find(differences.begin(), differences.end(),
                        Json::parse(R"({"field": "Tx[1].Turns", "a": 1, "b": 2})")),
              differences.end())
        << r.out;

    // A GEX written from the TDC: every difference is a field, never the file's name or format.
    r = f.run({"--yes", "convert", tdc, f.path("Demo.gex")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = f.run({"diff", tdc, f.path("Demo.gex")});
    ASSERT_TRUE(r.status == 0 || r.status == 1) << r.err;
    for (const Json& d : Json::parse(r.out)) {
        const std::string field = d.at("field");
        EXPECT_TRUE(field != "LoadFilename" && field != "SaveFilename" && field != "TDCorGEX") << field;
        EXPECT_TRUE(d.contains("a") && d.contains("b"));
    }
}

TEST(CliDiff, UnreadableFilesAndBadUsageExitTwo)
{
    CliFixture f;
    const std::string tdc = f.path("Demo.tdc");
    fs::copy_file(Demo, tdc);
    for (const auto& args :
         {std::vector<std::string>{"diff", tdc}, std::vector<std::string>{"diff", tdc, f.path("missing.tdc")},
          std::vector<std::string>{"diff", f.write("notes.txt", "x"), tdc}}) {
        const auto r = f.run(args);
        EXPECT_EQ(r.status, 2) << args.back();
        if (args.size() == 3) {
            EXPECT_TRUE(r.out.empty()) << r.out;
        }
    }
    EXPECT_NE(f.run({"diff", tdc, f.path("missing.tdc")}).err.find("missing.tdc"), std::string::npos);
}

} // namespace
} // namespace tem::cli
