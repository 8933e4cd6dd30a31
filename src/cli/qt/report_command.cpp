#include "cli/qt/report_command.h"

#include <QFileInfo>

#include <filesystem>
#include <ostream>

#include "cli/command_context.h"
#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/model/configuration.h"
#include "report/SystemReport.h"

namespace tem::cli {

int RunReport(CommandContext& ctx, const std::string& configFile, const std::string& pdfFile)
{
    const Configuration cfg = ReadConfigurationFile(ctx, configFile);
    if (pdfFile != "-")
        RequireDistinctFiles(pdfFile, configFile);
    report::EnsureGuiApplication();
    report::ReportSource source;
    source.fileName = QFileInfo(QString::fromStdString(configFile)).absoluteFilePath();
    source.fileCrc = report::FileCrcText(source.fileName);
    if (pdfFile == "-") {
        int pages = 0;
        const QByteArray bytes = report::RenderSystemReport(cfg, source, pages);
        ctx.out.write(bytes.constData(), std::streamsize(bytes.size()));
        ctx.out.flush();
        if (!ctx.out)
            throw InOutError("Could not write the report to standard output");
        ctx.err << "Wrote " << pages << (pages == 1 ? " page" : " pages") << " to standard output\n";
        return 0;
    }
    const int pages = report::WriteSystemReport(cfg, source, QString::fromStdString(pdfFile));
    ctx.err << "Wrote " << pages << (pages == 1 ? " page to " : " pages to ")
            << std::filesystem::absolute(pdfFile).string() << '\n';
    return 0;
}

} // namespace tem::cli
