#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include <nlohmann/json.hpp>

#include "cli_test_support.h"

namespace tem::cli {
namespace {

using test::CliFixture;

std::string fixture(const std::string& name)
{
    return TEMSETRIX_TEST_DATA_DIR "/systest/" + name;
}

TEST(CliSystest, PrintsTheAnalysisAndWritesTheExport)
{
    CliFixture f;
    const std::string csv = f.path("Stn8SiteResponse.CSV");
    const auto r = f.run({"systest", fixture("comma.TXT"), "--kind", "1", "--stn8-csv", csv});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_TRUE(j["loaded"].get<bool>());
    EXPECT_EQ(j["Chan"], 8);
    EXPECT_EQ(j["NumStn"], nlohmann::json::parse("[1,1,0,1,0,0,0,1]"));
    EXPECT_EQ(j["gatetimes"].size(), 73u);
    EXPECT_EQ(j["stations"].size(), 8u);
    EXPECT_EQ(j["stations"][7]["Z"][0], 8011.0);
    EXPECT_EQ(j["stations"][2]["X"][0], -1.0); // no station-3 Z lines
    EXPECT_EQ(j["shorted"]["Z"][0], -1.0 - 2011.0);
    EXPECT_TRUE(j["NoiseStd"][0].is_null());           // no gate after 0.1 ms
    EXPECT_TRUE(j["RxTurnsRatio"]["Z"][72].is_null()); // station 2 is zero beyond the channels
    EXPECT_NEAR(j["TxTurnsRatio"]["Z"][0].get<double>(), 1011.0 / 2011.0, 1e-12);
    // Kind 1 expects 7 V; the comma row gives no voltage, which reads as 1 V.
    ASSERT_EQ(j["messages"].size(), 2u);
    EXPECT_EQ(j["messages"][0], "Tx voltage on this test file is not the anticipated 8.0 volts +/- 0.5V");
    EXPECT_NE(r.err.find("Tx voltage on this test file"), std::string::npos); // messages also on stderr
    EXPECT_EQ(f.read(csv).substr(0, 36), "AcqChn1,AcqChn2,AcqChn3,Units=uV/A\r\n");
}

TEST(CliSystest, LoadEndedEarlyAndBadUsage)
{
    CliFixture f;
    const std::string csv = f.path("out.CSV");
    const auto r = f.run({"systest", fixture("units_abort.TXT"), "--stn8-csv", csv});
    EXPECT_EQ(r.status, 1);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_FALSE(j["loaded"].get<bool>());
    EXPECT_EQ(j["messages"], nlohmann::json::parse(
                                 R"(["Aborting file conversion. ChnUnits column is neither uV nor uV/A"])"));
    EXPECT_FALSE(std::filesystem::exists(csv));

    EXPECT_EQ(f.run({"systest", fixture("tab.TXT"), "--kind", "3"}).status, 2);
    EXPECT_EQ(f.run({"systest"}).status, 2);
    EXPECT_EQ(f.run({"systest", f.path("missing.TXT")}).status, 1);
}

} // namespace
} // namespace tem::cli
