#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_test_support.h"

namespace tem::cli {
namespace {

using nlohmann::json;
using test::CliFixture;

std::string Fixture(const std::string& name)
{
    return std::string(TEMSETRIX_TEST_DATA_DIR) + "/gex/" + name;
}

TEST(CliGex, ShowReadsGexInAnyCaseAndConvertWritesLowerCaseGex)
{
    CliFixture f;
    const std::string upper = f.path("Survey.GEX");
    std::filesystem::copy_file(Fixture("workbench_dual.gex"), upper);
    const auto shown = f.run({"show", upper});
    ASSERT_EQ(shown.status, 0) << shown.err;
    const json j = json::parse(shown.out);
    EXPECT_EQ(j["TDCorGEX"], "GEX");
    EXPECT_EQ(j["NumTx"], 2);
    EXPECT_EQ(j["Tx"][0]["MomentID"], "LM");
    EXPECT_EQ(j["Tx"][1]["MomentID"], "HM");
    EXPECT_EQ(j["TimeBase"][1]["NumGatesInSet"], 37);

    // ".GEX" is written as ".gex", the name the processing suite reads.
    const auto converted = f.run({"convert", upper, f.path("Copy.GEX")});
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_TRUE(std::filesystem::exists(f.path("Copy.gex")));
    const json back = json::parse(f.run({"show", f.path("Copy.gex")}).out);
    EXPECT_EQ(back["Tx"], j["Tx"]);
    EXPECT_EQ(back["TimeBase"], j["TimeBase"]);
    EXPECT_EQ(back["AcqChn"], j["AcqChn"]);
}

} // namespace
} // namespace tem::cli
