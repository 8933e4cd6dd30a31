#pragma once
// Starts the forward engine as a child process: working folder, command line, each complete
// output line as it arrives, progress from the engine's "data set N of M" lines, the end event,
// and the two time limits (no output for too long; too long in all).

#include <functional>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

#include "core/forward/tem_forward.h"

namespace tem::runner {

/// When the runner stops the engine; seconds.
struct RunLimits {
    double silenceSeconds = EngineSilenceLimitSeconds; ///< without a new output line
    double totalSeconds = 30;                          ///< in all
};
/// The limits of a run of `dataSets` data sets: 15 s silent, 30 s + 0.1 s per data set in all.
RunLimits LimitsFor(int dataSets);

/// How a run ended.
struct RunOutcome {
    enum class End { Finished, Crashed, FailedToStart, SilentTooLong, TooLong, Cancelled };
    End end = End::Finished;
    int exitCode = 0; ///< when Finished
    QString message;  ///< for anything but Finished with exit code 0: what happened, for the operator
};

/// The longest output line shown; a longer one is shown cut, with a note.
inline constexpr qsizetype MaxLineBytes = 4096;
/// The most output shown in all; the rest is not shown, with a note (lines still count as output).
inline constexpr qsizetype MaxShownOutputBytes = qsizetype(4) << 20;

/// Reads "data set N of M" (N done of M); false for any other line.
bool ParseProgressLine(const QString& line, int& done, int& total);

/// The built-in engine "temsetrix-engine": beside the running program, else in the install tree,
/// else the build tree's. Empty when none is found.
QString DefaultEnginePath();

class EngineRunner : public QObject {
    Q_OBJECT
  public:
    explicit EngineRunner(QObject* parent = nullptr);
    /// Stops an engine that still runs.
    ~EngineRunner() override;

    /// Starts the engine in a process group of its own. Throws ActionError "No Commandline to
    /// execute" for an empty program and "DosCommand still running" while a run is active. A
    /// program that cannot be started ends the run at once (finished with FailedToStart, the
    /// message saying why: a missing engine file says so).
    void start(const EngineCommand& command, RunLimits limits);
    bool isRunning() const;
    /// Stops the engine; the run ends with Cancelled.
    void cancel();
    const RunOutcome& outcome() const { return outcome_; }

  signals:
    /// One complete output line (standard output and standard error), without its line end.
    void lineReceived(const QString& line);
    /// From the engine's progress lines: `done` of `total` data sets.
    void progressChanged(int done, int total);
    /// Once per run, after the last line.
    void finished(const tem::runner::RunOutcome& outcome);

  private:
    void readOutput();
    void emitLines(bool flushPartial);
    void emitLine(QByteArray raw, bool cut);
    void killGroup();
    void checkLimits();
    void stop(RunOutcome::End why, const QString& message);
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void onError(QProcess::ProcessError error);
    void end();

    QProcess* process_ = nullptr;
    QTimer watchdog_;
    QElapsedTimer sinceStart_, sinceLine_;
    RunLimits limits_;
    QByteArray pending_;
    bool discarding_ = false; ///< dropping the rest of a line that was shown cut
    qsizetype shownBytes_ = 0;
    bool outputCut_ = false;
    qint64 group_ = 0; ///< the engine's process group
    RunOutcome outcome_;
    bool running_ = false;
    bool stopping_ = false;
    QString program_;
};

/// Runs the engine to its end inside a local event loop (a QCoreApplication must exist) and
/// returns how it ended. onLine and onProgress may be empty.
RunOutcome RunEngineAndWait(const EngineCommand& command, RunLimits limits,
                            const std::function<void(const QString&)>& onLine,
                            const std::function<void(int, int)>& onProgress);

/// Whether the engine finished on its own with exit code 0.
bool EndedCleanly(const RunOutcome& outcome);
/// Output lines a failure report quotes.
inline constexpr std::size_t KeptFailureLines = 8;
/// The operator's message for a run that did not end cleanly: the outcome's message, the engine's
/// last output lines (each at most MaxLineBytes), and that no results were taken.
std::string FailureReport(const RunOutcome& outcome, const std::vector<std::string>& lastLines);

/// The whole TEM chain for the command line and for a window's single-model run: PrepareTEMRun,
/// the engine (store.files.AarExename, DefaultEnginePath when empty), FinishTEMRun. Returns false
/// when the engine did not end cleanly (non-zero exit, crash, stopped, not started) or a result
/// file was missing or incomplete; the reason has been shown through op (and the results are
/// empty). Throws ActionError when the files were refused.
bool RunTEMForward(Configuration& cfg, ForwardStore& store, Operator& op,
                   const std::function<void(const QString&)>& onLine = {},
                   const std::function<void(int, int)>& onProgress = {});

} // namespace tem::runner
