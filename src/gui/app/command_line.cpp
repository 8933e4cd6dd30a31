#include "app/command_line.h"

#include <QFileInfo>

namespace tem::gui {

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!optionsEnded && (a == "-h" || a == "--help"))
            return CommandLine{CommandLine::Action::Help, {}, {}};
        if (!optionsEnded && (a == "-v" || a == "--version")) {
            line.action = CommandLine::Action::Version;
            line.error.clear();
            continue;
        }
        if (line.action != CommandLine::Action::Run)
            continue; // an error or --version stands; a later --help may still replace it
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a.size() > 1 && a.startsWith('-')) {
            line.action = CommandLine::Action::Error;
            line.error = QString("unknown option '%1'").arg(a);
        } else if (!line.file.isEmpty()) {
            line.action = CommandLine::Action::Error;
            line.error = QString("only one FILE can be opened, but '%1' follows '%2'")
                             .arg(a, QFileInfo(line.file).fileName());
        } else if (a.isEmpty()) {
            line.action = CommandLine::Action::Error;
            line.error = "the FILE named is empty";
        } else {
            line.file = QFileInfo(a).absoluteFilePath();
        }
    }
    if (line.action != CommandLine::Action::Run)
        line.file.clear();
    return line;
}

QString HelpText()
{
    return "Usage: temsetrix [OPTION]... [FILE]\n"
           "Edit, check and model the configuration of a towed transient-electromagnetic (TEM)\n"
           "survey system: transmitter loops, receiver coils, acquisition channels, time gates,\n"
           "waveforms, system responses and the vehicle.\n"
           "\n"
           "FILE is a configuration in TDC (.tdc) or GEX (.gex) format, in any letter case; the\n"
           "main window opens it. Without FILE it opens the configuration it had open last.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "  -v, --version  show the version and exit\n"
           "  --             end of options: a FILE that follows may begin with '-'\n"
           "\n"
           "The Qt toolkit's own options (for example -platform, -style, -reverse) are also\n"
           "accepted.\n";
}

QString VersionText()
{
    return "temsetrix (TEM Setrix) " TEMSETRIX_VERSION "\n";
}

} // namespace tem::gui
