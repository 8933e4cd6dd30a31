#pragma once
// The command line of temsetrix: an optional configuration file to open, --help and --version.
// --help and --version are answered before any window system is touched, so they work without a
// display (the manual page is made from them at build time).

#include <QString>
#include <QStringList>

namespace tem::gui {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString file;  ///< the configuration file to open, absolute; empty: none given
    QString error; ///< for Action::Error: what is wrong, one line
};

/// Reads the arguments (the first is the program). --help and --version win over everything
/// else, so they can be answered before Qt has removed its own options (-platform, -style, ...).
CommandLine ParseCommandLine(const QStringList& arguments);

/// The text of --help, ending in a newline.
QString HelpText();
/// The text of --version, ending in a newline.
QString VersionText();

} // namespace tem::gui
