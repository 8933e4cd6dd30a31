#include "runner/EngineRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>

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
            process_->kill();
            process_->waitForFinished(3000);
        }
    }
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
    process_->setWorkingDirectory(QString::fromStdString(command.workingFolder));
    connect(process_, &QProcess::readyReadStandardOutput, this, &EngineRunner::readOutput);
    connect(process_, &QProcess::finished, this, &EngineRunner::onFinished);
    connect(process_, &QProcess::errorOccurred, this, &EngineRunner::onError);

    limits_ = limits;
    pending_.clear();
    outcome_ = RunOutcome{};
    stopping_ = false;
    running_ = true;
    program_ = QString::fromStdString(command.program);
    QStringList arguments;
    for (const std::string& a : command.arguments)
        arguments << QString::fromStdString(a);
    sinceStart_.start();
    sinceLine_.start();
    watchdog_.start();
    process_->start(program_, arguments);
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

void EngineRunner::emitLines(bool flushPartial)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype nl = pending_.indexOf('\n', start);
        if (nl < 0)
            break;
        QByteArray raw = pending_.mid(start, nl - start);
        if (raw.endsWith('\r'))
            raw.chop(1);
        start = nl + 1;
        const QString line = QString::fromLocal8Bit(raw);
        sinceLine_.restart();
        int done = 0, total = 0;
        if (ParseProgressLine(line, done, total))
            emit progressChanged(done, total);
        emit lineReceived(line);
    }
    pending_.remove(0, start);
    if (flushPartial && !pending_.isEmpty()) {
        QByteArray raw = pending_;
        pending_.clear();
        if (raw.endsWith('\r'))
            raw.chop(1);
        emit lineReceived(QString::fromLocal8Bit(raw));
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
        process_->kill(); // onFinished (or onError) ends the run
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
    const RunOutcome outcome = RunEngineAndWait(command, LimitsFor(command.dataSets), onLine, onProgress);
    // A stopped or failing engine may still have left every result; the reading decides.
    if (!outcome.message.isEmpty())
        op.inform(outcome.message.toStdString());
    return FinishTEMRun(cfg, store, op);
}

} // namespace tem::runner
