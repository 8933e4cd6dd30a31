// The engine runner with a scripted stand-in engine, and the whole chain with the built-in engine.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include <QCoreApplication>
#include <QDir>

#include "core/action_error.h"
#include "core/forward/aarhus_files.h"
#include "core/forward/forward_test_support.h"
#include "core/forward/tem_forward.h"
#include "runner/EngineRunner.h"

namespace tem::forwardtest {
namespace {

using runner::EngineRunner;
using runner::RunLimits;
using runner::RunOutcome;

const std::string FakeEngine = std::string(TEMSETRIX_TEST_DATA_DIR) + "/runner/fake_engine.sh";

class RunnerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "runner_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    /// Runs the stand-in engine in `mode`; collects its lines and progress.
    RunOutcome Run(const std::string& mode, RunLimits limits = {})
    {
        WriteBytes(dir / "mode.con", mode + "\n");
        EngineCommand c;
        c.program = FakeEngine;
        c.arguments = {dir / "fwd.mod", dir / "mode.con"};
        c.workingFolder = fs::path(FakeEngine).parent_path().string();
        return runner::RunEngineAndWait(
            c, limits, [this](const QString& l) { lines.push_back(l.toStdString()); },
            [this](int d, int t) { progress.emplace_back(d, t); });
    }

    TempFolder dir;
    std::vector<std::string> lines;
    std::vector<std::pair<int, int>> progress;
};

TEST_F(RunnerTest, CompleteLinesAsTheyArriveAndTheEnd)
{
    const RunOutcome o = Run("lines");
    EXPECT_EQ(o.end, RunOutcome::End::Finished);
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"first line", "second half", "no line end"}));
}

TEST_F(RunnerTest, ProgressLinesAndWorkingFolder)
{
    Run("progress");
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 4}, {4, 4}}));
    EXPECT_EQ(lines.size(), 3u);
    lines.clear();
    Run("pwd");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(fs::canonical(lines[0]), fs::canonical(fs::path(FakeEngine).parent_path()));

    int done = 0, total = 0;
    struct Case {
        const char* line;
        bool ok;
        int done, total;
    } cases[] = {{"data set 3 of 10", true, 3, 10},
                 {"  data set 12 of 12 (1.5 s)", true, 12, 12},
                 {"data set 5 of 0", false, 0, 0},
                 {"data set x of 4", false, 0, 0},
                 {"Data Set 1 of 2", false, 0, 0}};
    for (const Case& c : cases) {
        done = total = 0;
        EXPECT_EQ(runner::ParseProgressLine(QString::fromLatin1(c.line), done, total), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(done, c.done) << c.line;
            EXPECT_EQ(total, c.total) << c.line;
        }
    }
}

TEST_F(RunnerTest, TimeLimitsStopTheEngine)
{
    RunLimits silence{0.5, 20};
    QElapsedTimer timer;
    timer.start();
    RunOutcome o = Run("silent", silence);
    EXPECT_EQ(o.end, RunOutcome::End::SilentTooLong);
    EXPECT_LT(timer.elapsed(), 5000);

    RunLimits total{0.5, 1.0};
    timer.restart();
    o = Run("chatty", total);
    EXPECT_EQ(o.end, RunOutcome::End::TooLong);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_GT(lines.size(), 3u); // the output kept it from the silence limit

    EXPECT_DOUBLE_EQ(runner::LimitsFor(1000).totalSeconds, 130);
    EXPECT_DOUBLE_EQ(runner::LimitsFor(0).totalSeconds, 30);
    EXPECT_DOUBLE_EQ(runner::LimitsFor(1000).silenceSeconds, 15);
}

TEST_F(RunnerTest, FailuresAreReported)
{
    RunOutcome o = Run("fail");
    EXPECT_EQ(o.end, RunOutcome::End::Finished);
    EXPECT_EQ(o.exitCode, 3);
    EXPECT_FALSE(o.message.isEmpty());

    EngineCommand missing;
    missing.program = dir / "no-such-engine";
    o = runner::RunEngineAndWait(missing, {}, {}, {});
    EXPECT_EQ(o.end, RunOutcome::End::FailedToStart);
    EXPECT_TRUE(o.message.contains(QStringLiteral("no-such-engine")));

    EngineRunner r;
    try {
        r.start(EngineCommand{}, {});
        ADD_FAILURE();
    } catch (const ActionError& e) {
        EXPECT_STREQ(e.what(), "No Commandline to execute");
    }
    WriteBytes(dir / "mode.con", "silent\n");
    EngineCommand silent;
    silent.program = FakeEngine;
    silent.arguments = {dir / "fwd.mod", dir / "mode.con"};
    r.start(silent, {});
    EXPECT_TRUE(r.isRunning());
    try {
        r.start(silent, {});
        ADD_FAILURE();
    } catch (const ActionError& e) {
        EXPECT_STREQ(e.what(), "DosCommand still running");
    }
    r.cancel();
    QCoreApplication::processEvents();
    EXPECT_FALSE(r.isRunning());
    EXPECT_EQ(r.outcome().end, RunOutcome::End::Cancelled);
}

// ---- The whole chain --------------------------------------------------------------------------

ModelSet HalfSpaceAndTwoLayers()
{
    ModelGrid grid;
    grid.layerCount = 2;
    grid.rows = {{"20", "", "", "100", "", ""}, {"", "", "", "100", "10", "1"}};
    ModelSet set;
    RecordingOperator op;
    EXPECT_TRUE(ArrayModels(set, grid, op));
    return set; // 20 m of 100 ohm-m over 100 (a half-space), then over 10 ohm-m
}

TEST_F(RunnerTest, BuiltInEngineGivesFallingDecaysAndTheHalfSpaceResistivity)
{
    Configuration cfg = SmallConfiguration(12);
    for (int g = 1; g <= 12; ++g) { // 20 us to 2 ms, log-spaced
        TTimeBase& tb = cfg.TimeBase[1];
        tb.GateCentre[g] = 20e-6 * std::pow(10.0, (g - 1) * 2.0 / 11);
        tb.drivenGateStart[g] = tb.GateCentre[g] * 0.9;
        tb.drivenGateEnd[g] = tb.GateCentre[g] * 1.1;
    }
    ForwardStore store;
    store.models = HalfSpaceAndTwoLayers();
    store.workFolder = dir.path();
    store.files.CONFilename = dir / "none.con";
    WriteBytes(dir / "FWD00099.fwr", "an old run's result");
    RecordingOperator op;
    ASSERT_TRUE(runner::RunTEMForward(cfg, store, op)) << (op.messages.empty() ? "" : op.messages.back());
    EXPECT_FALSE(fs::exists(dir / "FWD00099.fwr"));
    const ForwardResults& r = store.results;
    const int gates = r.FwdModelOutputGates[1];
    EXPECT_EQ(gates, 12 - cfg.SysResp[1].drivenGatesInRamp);
    for (int m = 0; m < 2; ++m)
        for (int k = 1; k <= gates; ++k) {
            EXPECT_GT(r.dBdtTEM(m, k, 1), 0) << m << " " << k;
            if (k > 1)
                EXPECT_LT(r.dBdtTEM(m, k, 1), r.dBdtTEM(m, k - 1, 1)) << m << " " << k;
        }
    EXPECT_NEAR(r.AppRTEM(0, gates, 1) / 100, 1, 0.1); // late time: the half-space's resistivity
    EXPECT_LT(r.AppRTEM(1, gates, 1), 50);             // the conductor below shows late
}

TEST_F(RunnerTest, EngineWithoutResultsLeavesTheRunEmpty)
{
    Configuration cfg = SmallConfiguration(3);
    ForwardStore store;
    store.models = HalfSpaceAndTwoLayers();
    store.workFolder = dir.path();
    store.files.AarExename = FakeEngine;
    store.files.CONFilename = dir / "mode.con";
    WriteBytes(dir / "mode.con", "fail\n");
    RecordingOperator op;
    EXPECT_FALSE(runner::RunTEMForward(cfg, store, op));
    ASSERT_EQ(op.messages.size(), 2u) << ::testing::PrintToString(op.messages);
    EXPECT_EQ(op.messages[0], "The engine ended with exit code 3.");
    EXPECT_NE(op.messages[1].find("FWD00001.fwr"), std::string::npos);
    EXPECT_EQ(store.results.dBdtTEM.models(), 0);
}

} // namespace
} // namespace tem::forwardtest
