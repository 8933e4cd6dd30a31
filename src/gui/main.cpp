#include <QApplication>

#include <cstdio>

#include "app/application.h"
#include "app/command_line.h"

namespace {

QStringList Arguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    using tem::gui::CommandLine;
    // --help and --version before QApplication: they must work without a display.
    const CommandLine early = tem::gui::ParseCommandLine(Arguments(argc, argv));
    if (early.action == CommandLine::Action::Help || early.action == CommandLine::Action::Version) {
        const QString text =
            early.action == CommandLine::Action::Help ? tem::gui::HelpText() : tem::gui::VersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    QApplication app(argc, argv);
    // Qt has taken its own options out of the arguments; what is left is ours.
    const CommandLine line = tem::gui::ParseCommandLine(QApplication::arguments());
    if (line.action == CommandLine::Action::Error) {
        std::fprintf(stderr, "temsetrix: %s\nTry 'temsetrix --help' for more information.\n",
                     line.error.toLocal8Bit().constData());
        return 2;
    }
    return tem::gui::RunApplication(app, line.file);
}
