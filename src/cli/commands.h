#pragma once
// temsetrix-cli: headless commands over the core.

#include <iosfwd>

namespace tem::cli {

struct QtCommands;

/// Parses the command line and runs one command. Returns the exit status:
/// 0 done, 1 an action ended with an error, 2 bad usage or an unknown extension,
/// 3 a master file whose stamp fails (check). The program's: report and forward run in the Qt
/// part, loaded for them only (LoadedQtCommands).
int Run(int argc, char** argv);
/// The same, writing results to `out` and messages to `err`, with `qt` doing report and forward
/// (tests run every command in-process through RunWithQt, cli/qt/in_process.h).
int Run(int argc, char** argv, std::ostream& out, std::ostream& err, const QtCommands& qt);

} // namespace tem::cli
