#include "cli/report_command.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <filesystem>
#include <ostream>

#include "cli/command_context.h"
#include "core/action_error.h"
#include "report/SpecificationReport.h"

namespace tem::cli {

namespace {

/// Fonts and the PDF writer need a QGuiApplication. The command line has no screen to show
/// anything on, so the application always uses the offscreen platform; it lives until the process
/// ends, because Qt cannot start a second one in the same process after the first has gone.
void RequireGuiApplication()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (QCoreApplication::instance())
        throw ActionError("The report needs fonts, which this process cannot load");
    static int argc = 3;
    static char name[] = "temsetrix-cli", platformOption[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    new QGuiApplication(argc, argv);
}

}  // namespace

int WriteReport(CommandContext& ctx, const Configuration& cfg, const std::string& configFile,
                const std::string& pdfFile)
{
    RequireGuiApplication();
    report::ReportSource source;
    source.fileName = QFileInfo(QString::fromStdString(configFile)).absoluteFilePath();
    source.fileCrc = report::FileCrcText(source.fileName);
    const int pages = report::WriteSpecificationReport(cfg, source, QString::fromStdString(pdfFile));
    ctx.err << "Wrote " << pages << (pages == 1 ? " page to " : " pages to ")
            << std::filesystem::absolute(pdfFile).string() << '\n';
    return 0;
}

}  // namespace tem::cli
