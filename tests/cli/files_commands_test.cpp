#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli_test_support.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"

namespace tem::cli {
namespace {

using nlohmann::json;
using test::CliFixture;

TEST(CliCrc, PrintsTheStandardCheckValue)
{
    CliFixture f;
    const auto r = f.run({"crc", f.write("nine.bin", "123456789")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "CBF43926\n");
    EXPECT_EQ(r.err, "");
}

/// A master file stamped the way the writer stamps it: the CRC is taken with the stamp at "0".
std::string stampedMaster(const std::string& section)
{
    const std::string head =
        "[" + section + "]\r\nDescription=reference\r\nIsMasterConfig=1\r\nMasterTamperCheckCRC=";
    const std::string tail = "\r\n[Tx1]\r\nVolts=12\r\n";
    return head + FormatHex(CalcCRC32(std::string_view(head + "0" + tail))) + tail;
}

TEST(CliCheck, TellsMastersFromOtherFilesAndCatchesTampering)
{
    CliFixture f;
    struct Case {
        const char* name;
        std::string file, text;
        std::string out;
        int status;
    };
    std::string tampered = stampedMaster("All");
    tampered.replace(tampered.find("Volts=12"), 8, "Volts=13");
    const Case cases[] = {
        {"plain file", "plain.TDC", "[All]\r\nIsMasterConfig=0\r\nMasterTamperCheckCRC=0\r\n",
         "not a master\n", 0},
        {"intact TDC master", "master.TDC", stampedMaster("All"), "master: stamp intact\n", 0},
        {"intact GEX master", "master.gex", stampedMaster("General"), "master: stamp intact\n", 0},
        {"GEX section name in a TDC file", "wrong.tdc", stampedMaster("General"), "not a master\n", 0},
        {"one byte changed", "tampered.TDC", tampered, "master: stamp fails\n", 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const auto r = f.run({"check", f.write(k.file, k.text)});
        EXPECT_EQ(r.out, k.out);
        EXPECT_EQ(r.status, k.status);
    }
    // An intact master keeps its bytes through the check.
    EXPECT_EQ(f.read("master.TDC"), stampedMaster("All"));
}

TEST(CliChn, PrintsTheGateSetAndItsMessages)
{
    CliFixture f;
    const std::string three =
        f.write("three.chn", "Short set\r\nnumtimes=3\r\nDELAY   WIDTH\r\n0.010 0.004\r\n"
                             "0.020\t0.006\r\n0.035,0.010\r\n");
    auto r = f.run({"chn", three});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["GateSetName"], "Short set");
    EXPECT_EQ(j["NumGatesInSet"], 3);
    EXPECT_EQ(j["TimeGateFileName"], three);
    EXPECT_EQ(j["messages"], json::array());
    const double centre[] = {10e-6, 20e-6, 35e-6}, width[] = {4e-6, 6e-6, 10e-6};
    ASSERT_EQ(j["GateCentre"].size(), 3u);
    for (int g = 0; g < 3; ++g) {
        EXPECT_NEAR(j["GateCentre"][g].get<double>(), centre[g], 1e-15);
        EXPECT_NEAR(j["GateWidth"][g].get<double>(), width[g], 1e-15);
        EXPECT_NEAR(j["drivenGateStart"][g].get<double>(), centre[g] - width[g] / 2, 1e-15);
        EXPECT_NEAR(j["drivenGateEnd"][g].get<double>(), centre[g] + width[g] / 2, 1e-15);
    }

    r = f.run({"chn", f.write("short.chn", "Set\nNUMTIMES=5\nDELAY WIDTH\n0.01 0.004\n0.02 0.006\n")});
    ASSERT_EQ(r.status, 0) << r.err;
    j = json::parse(r.out);
    EXPECT_EQ(j["NumGatesInSet"], 5);
    EXPECT_EQ(j["GateCentre"].size(), 5u);
    EXPECT_EQ(j["messages"],
              json::parse(R"(["There were less than NUMTIMES rows in the file - please check"])"));
    EXPECT_EQ(r.err, "There were less than NUMTIMES rows in the file - please check\n");
}

} // namespace
} // namespace tem::cli
