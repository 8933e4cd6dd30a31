#include "cli/qt/in_process.h"

#include <QtGlobal>

#include "cli/commands.h"
#include "cli/qt/forward_run.h"
#include "cli/qt/report_command.h"

namespace tem::cli {

namespace {

void silenceQt()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

} // namespace

QtCommands InProcessQtCommands()
{
    QtCommands qt;
    qt.report = [](CommandContext& ctx, const std::string& config, const std::string& pdf) {
        silenceQt();
        return RunReport(ctx, config, pdf);
    };
    qt.forward = [](CommandContext& ctx, const ForwardArgs& args) {
        silenceQt();
        return RunForward(ctx, args);
    };
    return qt;
}

int RunWithQt(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    return Run(argc, argv, out, err, InProcessQtCommands());
}

} // namespace tem::cli
