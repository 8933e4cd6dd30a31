// temsetrix-cli forward: the model lists, the CSV of the decays, the exports and the exit status.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "cli_test_support.h"

namespace tem::cli::test {
namespace {

const std::string Demo = std::string(TEMSETRIX_SOURCE_DIR) + "/data/DemoConfig.TDC";

std::vector<std::vector<std::string>> Csv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream l(line);
        std::string cell;
        while (std::getline(l, cell, ','))
            cells.push_back(cell);
        if (!line.empty() && line.back() == ',')
            cells.emplace_back(); // a blank last value (undefined loci depth)
        rows.push_back(cells);
    }
    return rows;
}

TEST(ForwardCommand, TwoLayerRangeOnTheDemonstrationConfiguration)
{
    CliFixture f;
    const CliResult r = f.run({"forward", Demo, "--thickness", "10:100:2", "--resistivity", "100,10",
                               "--work-dir", f.path("work"), "--dbf-depth", f.path("d.DBF"), "--dbf-volt",
                               f.path("v.DBF"), "--save-txt", f.path("txt"), "--keep-run-dir"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = Csv(r.out);
    ASSERT_GT(rows.size(), 1u);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Model,Channel,Gate,ConfigGate,Time,dBdt,AppRes,LociDepth");
    // Three models (10, 31.6, 100 m) on two channels of 28 and 32 gates, less the ramp gates.
    int perModel[3] = {0, 0, 0};
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 8u);
        ++perModel[std::stoi(rows[i][0])];
        EXPECT_EQ(std::stoi(rows[i][3]) >= std::stoi(rows[i][2]), true);
    }
    EXPECT_EQ(perModel[0], perModel[2]);
    EXPECT_GT(perModel[0], 40);
    // The run's files are in its own folder inside the work folder, kept on request.
    std::vector<std::filesystem::path> runs;
    for (const auto& e : std::filesystem::directory_iterator(f.path("work")))
        runs.push_back(e.path());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].filename().string().substr(0, 4), "run-");
    EXPECT_TRUE(std::filesystem::exists(runs[0] / "fwd.mod"));
    EXPECT_TRUE(std::filesystem::exists(runs[0] / "FWD00006.fwr"));
    EXPECT_TRUE(std::filesystem::exists(f.path("d.DBF")));
    EXPECT_TRUE(std::filesystem::exists(f.path("v.DBF")));
    EXPECT_EQ(f.read("txt/FwdModels.Mod").substr(0, 13), "NLayers: 02\r\n");
    EXPECT_NE(r.err.find("data set 6 of 6"), std::string::npos) << r.err;
}

TEST(ForwardCommand, HalfSpaceApproachesItsResistivityAtLateTime)
{
    CliFixture f;
    const CliResult r = f.run({"forward", Demo, "--resistivity", "100", "--work-dir", f.path("w")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = Csv(r.out);
    double lastRho = 0;
    int lastChannel = 0;
    double previous = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const double v = std::stod(rows[i][5]);
        if (rows[i][1] == "1" && std::stod(rows[i][4]) > 20e-6) { // past the turn-off
            EXPECT_GT(v, 0) << i;
            if (previous > 0) {
                EXPECT_LT(v, previous) << i;
            }
            previous = v;
        }
        if (rows[i][1] == "1" && !rows[i][6].empty()) { // blank: undefined
            lastRho = std::stod(rows[i][6]);
            lastChannel = 1;
        }
    }
    ASSERT_EQ(lastChannel, 1);
    EXPECT_NEAR(lastRho / 100, 1, 0.1);
}

TEST(ForwardCommand, BadUsageAndFailedRuns)
{
    CliFixture f;
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"forward", Demo, "--thickness", "10,20", "--resistivity", "100,10"},
         2,
         "--thickness needs one entry fewer"},
        {{"forward", Demo, "--thickness", "ten", "--resistivity", "100,10"}, 2, "is not a number"},
        {{"forward", Demo, "--thickness", "1:2:3:4", "--resistivity", "100,10"}, 2, "is not LOW"},
        {{"forward", Demo, "--resistivity", "100", "--channel", "3"}, 2, "--channel 3"},
        {{"forward", Demo, "--thickness", "0.001", "--resistivity", "100,10"}, 1, "would be written as 0.00"},
        {{"forward", Demo, "--thickness", "1:1e9,1:1e9", "--resistivity", "1:1e10,1,1"},
         1,
         "Number of models exceeded 1000"},
        {{"forward", Demo, "--resistivity", "100", "--engine", "/bin/false"},
         1,
         "The engine ended with exit code 1."},
        {{"forward", Demo, "--resistivity", "100", "--engine", f.path("no-engine")},
         1,
         "The engine file " + f.path("no-engine") + " does not exist."},
        {{"forward", Demo, "--resistivity", "-5"}, 1, "layer 1 resistivity -5 must be a positive number"},
        {{"forward", Demo, "--resistivity", "100", "--dbf-depth", "-"},
         2,
         "standard output holds the decays"},
        {{"forward", Demo, "--resistivity", "100", "--dbf-depth", Demo}, 1, "is not a dBase table name"},
        {{"forward", f.path("none.TDC"), "--resistivity", "100"}, 1, "File not found"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("--work-dir");
        args.push_back(f.path("w"));
        const CliResult r = f.run(args);
        EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.status != 0) {
            EXPECT_TRUE(r.out.empty()) << c.message;
        }
    }
}

} // namespace
} // namespace tem::cli::test
