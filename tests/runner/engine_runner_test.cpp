// The engine runner with a scripted stand-in engine, and the whole chain with the built-in engine.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <cerrno>
#include <csignal>

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
    RunOutcome o = Run("silent", silence);
    EXPECT_EQ(o.end, RunOutcome::End::SilentTooLong);

    RunLimits total{0.5, 1.0};
    o = Run("chatty", total);
    EXPECT_EQ(o.end, RunOutcome::End::TooLong);
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
    // The run worked in a folder of its own and removed it; nothing else in the work folder changed.
    EXPECT_TRUE(fs::exists(dir / "FWD00099.fwr"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(store.runFolder.empty());
    const ForwardResults& r = store.results;
    const int gates = r.FwdModelOutputGates[1];
    EXPECT_EQ(gates, 12 - cfg.SysResp[1].drivenGatesInRamp);
    for (int m = 0; m < 2; ++m)
        for (int k = 1; k <= gates; ++k) {
            EXPECT_GT(r.dBdtTEM(m, k, 1), 0) << m << " " << k;
            if (k > 1) {
                EXPECT_LT(r.dBdtTEM(m, k, 1), r.dBdtTEM(m, k - 1, 1)) << m << " " << k;
            }
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
    ASSERT_EQ(op.messages.size(), 1u) << ::testing::PrintToString(op.messages);
    EXPECT_EQ(op.messages[0], "The engine ended with exit code 3. Its last output:\n  cannot compute\nNo "
                              "results were taken from this run.");
    EXPECT_EQ(store.results.dBdtTEM.models(), 0);
}

// An engine that wrote every result and then failed or died gives no results: the files may be
// complete, but the engine did not say it was done.
TEST_F(RunnerTest, EngineThatFailsAfterWritingGivesNoResults)
{
    const std::string engine = runner::DefaultEnginePath().toStdString();
    ASSERT_FALSE(engine.empty());
    for (const char* mode : {"crash-after-write", "fail-after-write"}) {
        Configuration cfg = SmallConfiguration(3);
        ForwardStore store;
        store.models = HalfSpaceAndTwoLayers();
        store.workFolder = dir.path();
        store.files.AarExename = FakeEngine;
        store.files.CONFilename = dir / "mode.con";
        WriteBytes(dir / "mode.con", std::string(mode) + "\n" + engine + "\n");
        RecordingOperator op;
        EXPECT_FALSE(runner::RunTEMForward(cfg, store, op)) << mode;
        ASSERT_EQ(op.messages.size(), 1u) << ::testing::PrintToString(op.messages);
        const std::string& m = op.messages[0];
        EXPECT_NE(m.find(std::string(mode) == "crash-after-write" ? "crashed" : "exit code 4"),
                  std::string::npos)
            << m;
        EXPECT_NE(m.find("No results were taken from this run."), std::string::npos) << m;
        EXPECT_EQ(store.results.dBdtTEM.models(), 0);
    }
}

// Runs that share a work folder, their steps interleaved, each read their own results.
TEST_F(RunnerTest, RunsSharingAWorkFolderKeepTheirOwnResults)
{
    const std::string engine = runner::DefaultEnginePath().toStdString();
    ASSERT_FALSE(engine.empty());
    Configuration cfg = SmallConfiguration(3);
    struct Run {
        ForwardStore store;
        EngineCommand command;
    } runs[2];
    const char* resistivity[] = {"10", "1000"};
    RecordingOperator op;
    for (int i = 0; i < 2; ++i) {
        ModelGrid grid;
        grid.layerCount = 1;
        grid.rows = {{"", "", "", resistivity[i], "", ""}};
        ASSERT_TRUE(ArrayModels(runs[i].store.models, grid, op));
        runs[i].store.workFolder = dir.path();
        runs[i].store.files.AarExename = engine;
        runs[i].command = PrepareTEMRun(cfg, runs[i].store, op);
    }
    EXPECT_NE(runs[0].store.runFolder, runs[1].store.runFolder);
    for (int i : {1, 0}) {
        const RunOutcome o = runner::RunEngineAndWait(runs[i].command, {}, {}, {});
        ASSERT_TRUE(runner::EndedCleanly(o)) << o.message.toStdString();
    }
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(FinishTEMRun(cfg, runs[i].store, op)) << ::testing::PrintToString(op.messages);
    // The half-space's late apparent resistivity is its own.
    for (int i = 0; i < 2; ++i) {
        const ForwardResults& r = runs[i].store.results;
        const double late = r.AppRTEM(0, r.FwdModelOutputGates[1], 1);
        EXPECT_GT(late, std::stod(resistivity[i]) / 3) << i;
        EXPECT_LT(late, std::stod(resistivity[i]) * 3) << i;
    }
}

// Every path the engine gets is absolute, whatever the current folder: a relative work folder does
// not depend on the engine's own folder.
TEST_F(RunnerTest, RelativeWorkFolderBecomesAbsoluteAndAFileIsNoFolder)
{
    Configuration cfg = SmallConfiguration(3);
    ForwardStore store;
    store.models = HalfSpaceAndTwoLayers();
    const fs::path here = fs::current_path();
    fs::current_path(dir.path());
    store.workFolder = "wd";
    store.files.AarExename = FakeEngine;
    store.files.CONFilename = "mode.con";
    RecordingOperator op;
    const EngineCommand c = PrepareTEMRun(cfg, store, op);
    fs::current_path(here);
    ASSERT_EQ(c.arguments.size(), 2u);
    EXPECT_FALSE(c.builtIn);
    for (const std::string& a : c.arguments)
        EXPECT_TRUE(fs::path(a).is_absolute()) << a;
    EXPECT_EQ(fs::path(c.arguments[0]).parent_path().parent_path(), fs::path(dir / "wd"));
    EXPECT_EQ(c.arguments[1], dir / "mode.con");
    EXPECT_TRUE(fs::path(c.workingFolder).is_absolute());
    EXPECT_EQ(fs::current_path(), here);
    DiscardRunFolder(store);
    EXPECT_TRUE(fs::is_empty(dir / "wd"));

    WriteBytes(dir / "a-file", "x");
    store.workFolder = dir / "a-file";
    try {
        PrepareTEMRun(cfg, store, op);
        ADD_FAILURE();
    } catch (const InOutError& e) {
        EXPECT_STREQ(e.what(),
                     ("The work folder " + dir / "a-file/" + " is not a folder (a file of that name exists).")
                         .c_str());
    }
}

// The built-in engine reads no control file: its command line names the model file alone, while an
// external engine is given the control file whatever its name.
TEST_F(RunnerTest, OnlyTheExternalEngineIsGivenTheControlFile)
{
    Configuration cfg = SmallConfiguration(3);
    ForwardStore store;
    store.models = HalfSpaceAndTwoLayers();
    store.workFolder = dir.path();
    RecordingOperator op;
    store.files.AarExename = "/opt/temsetrix/bin/temsetrix-engine";
    EngineCommand c = PrepareTEMRun(cfg, store, op);
    EXPECT_TRUE(c.builtIn);
    EXPECT_EQ(c.arguments, std::vector<std::string>{store.files.MODFilename});
    EXPECT_EQ(c.commandLine, "temsetrix-engine \"" + store.files.MODFilename + "\"");
    DiscardRunFolder(store);

    store.files.AarExename = "/opt/AGS/AarhusInv64.exe";
    c = PrepareTEMRun(cfg, store, op);
    EXPECT_FALSE(c.builtIn);
    EXPECT_EQ(c.commandLine, "AarhusInv64.exe \"" + store.files.MODFilename + "\" \"\"");
    DiscardRunFolder(store);
}

TEST_F(RunnerTest, MissingEngineFileIsNamed)
{
    EngineCommand c;
    c.program = dir / "no-such-engine";
    c.workingFolder = dir / "no-such-folder";
    const RunOutcome o = runner::RunEngineAndWait(c, {}, {}, {});
    EXPECT_EQ(o.end, RunOutcome::End::FailedToStart);
    EXPECT_EQ(o.message.toStdString(), "The engine file " + dir / "no-such-engine" + " does not exist.");
}

// A stopped engine takes the processes it started with it.
TEST_F(RunnerTest, StoppingEndsTheEnginesWholeProcessGroup)
{
    // The silence limit leaves a loaded machine time to start the wrapper and its child.
    const RunOutcome o = Run("group", RunLimits{2.5, 20});
    EXPECT_EQ(o.end, RunOutcome::End::SilentTooLong);
    const pid_t child = pid_t(std::stol(ReadBytes(dir / "child.pid")));
    ASSERT_GT(child, 0);
    // A killed process whose parent died waits for the system to reap it: as a zombie it no longer
    // runs.
    const auto ended = [child] {
        if (::kill(child, 0) != 0 && errno == ESRCH)
            return true;
        const std::string stat = ReadBytes(fs::path("/proc") / std::to_string(child) / "stat");
        const std::size_t paren = stat.rfind(')');
        return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z';
    };
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        gone = ended();
        if (!gone)
            QThread::msleep(50);
    }
    EXPECT_TRUE(gone) << "the wrapper's child " << child << " still runs";
    if (!gone)
        ::kill(child, SIGKILL);
}

TEST_F(RunnerTest, LongLinesAndFloodsAreCut)
{
    Run("long");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(std::size_t(runner::MaxLineBytes), 'x') + " [line cut: longer than " +
                            std::to_string(runner::MaxLineBytes) + " characters]");
    EXPECT_EQ(lines[1], "after");

    lines.clear();
    const RunOutcome o = Run("flood");
    EXPECT_TRUE(runner::EndedCleanly(o));
    std::size_t kept = 0;
    for (const std::string& l : lines)
        kept += l.size();
    EXPECT_LE(kept, std::size_t(runner::MaxShownOutputBytes) + 200);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "[The engine's further output is not shown: more than 4 MB.]");
}

} // namespace
} // namespace tem::forwardtest
