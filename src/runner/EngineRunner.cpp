#include "runner/EngineRunner.h"

#include <deque>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

#include "core/action_error.h"
#include "core/operator.h"

namespace tem::runner {

RunLimits LimitsFor(int dataSets)
{
    RunLimits limits;
    limits.totalSeconds = EngineTotalLimitSeconds(dataSets);
    return limits;
}

bool ParseProgressLine(const QString& line, int& done, int& total)
{
    static const QRegularExpression pattern(QStringLiteral("data set (\\d+) of (\\d+)"));
    const QRegularExpressionMatch m = pattern.match(line);
    if (!m.hasMatch())
        return false;
    bool okDone = false, okTotal = false;
    const int d = m.captured(1).toInt(&okDone);
    const int t = m.captured(2).toInt(&okTotal);
    if (!okDone || !okTotal || t <= 0 || d < 0)
        return false;
    done = d > t ? t : d;
    total = t;
    return true;
}

QString DefaultEnginePath()
{
    const QString name = QStringLiteral("temsetrix-engine");
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    candidates << QStringLiteral(TEMSETRIX_INSTALL_BINDIR) + QLatin1Char('/') + name
               << QStringLiteral(TEMSETRIX_BUILD_ENGINE);
    for (const QString& c : candidates) {
        const QFileInfo info(c);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

EngineRunner::EngineRunner(QObject* parent) : QObject(parent)
{
    watchdog_.setInterval(100);
    connect(&watchdog_, &QTimer::timeout, this, &EngineRunner::checkLimits);
}

EngineRunner::~EngineRunner()
{
    if (process_) {
        process_->disconnect(this);
        if (process_->state() != QProcess::NotRunning) {
            killGroup();
            process_->waitForFinished(3000);
        }
    }
    killGroup();
}

void EngineRunner::killGroup()
{
    // The engine leads a process group of its own: a wrapper script and whatever it started go
    // with it.
    if (group_ > 0)
        ::kill(pid_t(-group_), SIGKILL);
    if (process_ && process_->state() != QProcess::NotRunning)
        process_->kill();
}

void EngineRunner::start(const EngineCommand& command, RunLimits limits)
{
    if (command.program.empty())
        throw ActionError("No Commandline to execute");
    if (running_)
        throw ActionError("DosCommand still running");
    if (process_) {
        process_->disconnect(this);
        process_->deleteLater();
    }
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
    process_->setWorkingDirectory(QString::fromStdString(command.workingFolder));
    connect(process_, &QProcess::readyReadStandardOutput, this, &EngineRunner::readOutput);
    connect(process_, &QProcess::finished, this, &EngineRunner::onFinished);
    connect(process_, &QProcess::errorOccurred, this, &EngineRunner::onError);

    limits_ = limits;
    pending_.clear();
    discarding_ = false;
    shownBytes_ = 0;
    outputCut_ = false;
    group_ = 0;
    outcome_ = RunOutcome{};
    stopping_ = false;
    running_ = true;
    program_ = QString::fromStdString(command.program);
    // Said plainly, rather than as the start's own error ("chdir" of a missing folder).
    if (program_.contains(QLatin1Char('/'))) {
        const QFileInfo info(program_);
        QString problem;
        if (!info.exists())
            problem = QStringLiteral("The engine file %1 does not exist.").arg(program_);
        else if (!info.isFile())
            problem = QStringLiteral("The engine %1 is not a file.").arg(program_);
        else if (!info.isExecutable())
            problem = QStringLiteral("The engine file %1 is not executable.").arg(program_);
        if (!problem.isEmpty()) {
            outcome_.end = RunOutcome::End::FailedToStart;
            outcome_.message = problem;
            end();
            return;
        }
    }
    QStringList arguments;
    for (const std::string& a : command.arguments)
        arguments << QString::fromStdString(a);
    sinceStart_.start();
    sinceLine_.start();
    watchdog_.start();
    process_->start(program_, arguments);
    if (process_->state() != QProcess::NotRunning)
        group_ = pid_t(process_->processId());
}

bool EngineRunner::isRunning() const
{
    return running_;
}

void EngineRunner::cancel()
{
    if (running_)
        stop(RunOutcome::End::Cancelled, QStringLiteral("The engine run was cancelled."));
}

void EngineRunner::readOutput()
{
    pending_ += process_->readAllStandardOutput();
    emitLines(false);
}

void EngineRunner::emitLine(QByteArray raw, bool cut)
{
    if (raw.endsWith('\r'))
        raw.chop(1);
    const QString line = QString::fromLocal8Bit(raw);
    sinceLine_.restart();
    int done = 0, total = 0;
    if (ParseProgressLine(line, done, total))
        emit progressChanged(done, total);
    if (outputCut_)
        return;
    shownBytes_ += raw.size();
    if (shownBytes_ > MaxShownOutputBytes) {
        outputCut_ = true;
        emit lineReceived(QStringLiteral("[The engine's further output is not shown: more than %1 MB.]")
                              .arg(MaxShownOutputBytes >> 20));
        return;
    }
    emit lineReceived(cut ? line + QStringLiteral(" [line cut: longer than %1 characters]").arg(MaxLineBytes)
                          : line);
}

void EngineRunner::emitLines(bool flushPartial)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype nl = pending_.indexOf('\n', start);
        if (nl < 0)
            break;
        if (discarding_)
            discarding_ = false; // the rest of a cut line ends here
        else
            emitLine(pending_.mid(start, nl - start), false);
        start = nl + 1;
    }
    pending_.remove(0, start);
    // A line that grows past the limit is shown cut, and its rest is dropped as it arrives.
    if (pending_.size() > MaxLineBytes) {
        if (!discarding_)
            emitLine(pending_.left(MaxLineBytes), true);
        discarding_ = true;
        pending_.clear();
    }
    if (flushPartial && !pending_.isEmpty()) {
        QByteArray raw = pending_;
        pending_.clear();
        if (!discarding_)
            emitLine(raw, false);
    }
}

void EngineRunner::checkLimits()
{
    if (!running_ || stopping_)
        return;
    const double total = double(sinceStart_.elapsed()) / 1000.0;
    const double silent = double(sinceLine_.elapsed()) / 1000.0;
    if (total > limits_.totalSeconds)
        stop(
            RunOutcome::End::TooLong,
            QStringLiteral("The engine was stopped after %1 s in all.").arg(limits_.totalSeconds, 0, 'f', 1));
    else if (silent > limits_.silenceSeconds)
        stop(RunOutcome::End::SilentTooLong,
             QStringLiteral("The engine was stopped after %1 s without output.")
                 .arg(limits_.silenceSeconds, 0, 'f', 1));
}

void EngineRunner::stop(RunOutcome::End why, const QString& message)
{
    if (stopping_)
        return;
    stopping_ = true;
    outcome_.end = why;
    outcome_.message = message;
    // The end is reported before this returns, so "is it running" is false at once.
    if (process_ && process_->state() != QProcess::NotRunning) {
        killGroup(); // onFinished (or onError) ends the run
        process_->waitForFinished(3000);
    }
    end();
}

void EngineRunner::onFinished(int exitCode, QProcess::ExitStatus status)
{
    if (!running_)
        return;
    pending_ += process_->readAllStandardOutput();
    emitLines(true);
    // Whatever the engine left running in its group ends with it.
    if (group_ > 0)
        ::kill(pid_t(-group_), SIGKILL);
    group_ = 0;
    if (!stopping_) {
        if (status == QProcess::CrashExit) {
            outcome_.end = RunOutcome::End::Crashed;
            outcome_.message = QStringLiteral("The engine %1 crashed.").arg(program_);
        } else {
            outcome_.end = RunOutcome::End::Finished;
            outcome_.exitCode = exitCode;
            if (exitCode != 0)
                outcome_.message = QStringLiteral("The engine ended with exit code %1.").arg(exitCode);
        }
    }
    end();
}

void EngineRunner::onError(QProcess::ProcessError error)
{
    if (!running_ || error != QProcess::FailedToStart)
        return; // other errors are followed by finished()
    if (!stopping_) {
        outcome_.end = RunOutcome::End::FailedToStart;
        outcome_.message =
            QStringLiteral("The engine %1 could not be started: %2").arg(program_, process_->errorString());
    }
    end();
}

void EngineRunner::end()
{
    if (!running_)
        return;
    running_ = false;
    watchdog_.stop();
    emit finished(outcome_);
}

RunOutcome RunEngineAndWait(const EngineCommand& command, RunLimits limits,
                            const std::function<void(const QString&)>& onLine,
                            const std::function<void(int, int)>& onProgress)
{
    EngineRunner runner;
    QEventLoop loop;
    if (onLine)
        QObject::connect(&runner, &EngineRunner::lineReceived, &loop,
                         [&onLine](const QString& l) { onLine(l); });
    if (onProgress)
        QObject::connect(&runner, &EngineRunner::progressChanged, &loop,
                         [&onProgress](int d, int t) { onProgress(d, t); });
    QObject::connect(&runner, &EngineRunner::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    runner.start(command, limits);
    if (runner.isRunning())
        loop.exec();
    return runner.outcome();
}

bool EndedCleanly(const RunOutcome& outcome)
{
    return outcome.end == RunOutcome::End::Finished && outcome.exitCode == 0;
}

std::string FailureReport(const RunOutcome& outcome, const std::vector<std::string>& lastLines)
{
    std::string text =
        outcome.message.isEmpty() ? std::string("The engine failed.") : outcome.message.toStdString();
    // The engine's own words say what went wrong (a data set it could not compute, a file it could
    // not read); the end of its output holds them.
    std::string said;
    for (const std::string& line : lastLines)
        if (!line.empty())
            said += "\n  " + line;
    if (!said.empty())
        text += " Its last output:" + said;
    return text + "\nNo results were taken from this run.";
}

bool RunTEMForward(Configuration& cfg, ForwardStore& store, Operator& op,
                   const std::function<void(const QString&)>& onLine,
                   const std::function<void(int, int)>& onProgress)
{
    QString program = QString::fromStdString(store.files.AarExename);
    if (program.isEmpty())
        program = DefaultEnginePath();
    if (program.isEmpty())
        throw ActionError(
            "The built-in engine temsetrix-engine was not found beside the program; choose an engine.");
    store.files.AarExename = program.toStdString();
    const EngineCommand command = PrepareTEMRun(cfg, store, op);
    std::deque<std::string> last;
    const RunOutcome outcome = RunEngineAndWait(
        command, LimitsFor(command.dataSets),
        [&onLine, &last](const QString& line) {
            last.push_back(line.toStdString());
            if (last.size() > KeptFailureLines)
                last.pop_front();
            if (onLine)
                onLine(line);
        },
        onProgress);
    // An engine that failed, crashed or was stopped gives no results, even where it left files.
    if (!EndedCleanly(outcome)) {
        DiscardRunFolder(store);
        store.results.clear();
        op.inform(FailureReport(outcome, {last.begin(), last.end()}));
        return false;
    }
    return FinishTEMRun(cfg, store, op);
}

} // namespace tem::runner
