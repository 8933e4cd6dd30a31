#pragma once
// The commands of temsetrix-cli that need Qt: the report (Qt Gui draws it) and forward (the engine
// runs under the QtCore runner). The program itself links no Qt, so that every other command
// starts in a few milliseconds: it hands these two to its Qt part, a module loaded only for them
// (LoadedQtCommands). The module, and the tests, run them in the same process (cli/qt/).

#include <functional>
#include <string>

namespace tem::cli {

struct CommandContext;
struct ForwardArgs;

/// What "report" and "forward" do once the command line has been parsed; each returns the exit
/// status or throws as any command does.
struct QtCommands {
    std::function<int(CommandContext&, const std::string& config, const std::string& pdf)> report;
    std::function<int(CommandContext&, const ForwardArgs&)> forward;
};

/// The module's file name, and its one entry, `extern "C" int (int argc, char** argv)`: the whole
/// command line run there, the exit status returned.
inline constexpr char QtModuleFile[] = "temsetrix-cli-qt.so";
inline constexpr char QtModuleEntry[] = "temsetrix_cli_qt_run";

/// The program's: both load the Qt part (temsetrix-cli-qt.so, installed in the program's library
/// folder, else found beside the program as in the build tree) and run the whole command line
/// `argv` there, which parses it again and writes to the same standard output and error. An
/// ActionError when the module cannot be found or loaded.
QtCommands LoadedQtCommands(int argc, char** argv);

} // namespace tem::cli
