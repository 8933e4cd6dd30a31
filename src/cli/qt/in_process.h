#pragma once
// The Qt part of temsetrix-cli: report and forward run in this process. The module the program
// loads for them (qt_module.cpp) and the tests use it.

#include <iosfwd>

#include "cli/qt_commands.h"

namespace tem::cli {

/// Report and forward in this process; Qt's own warnings (fonts, platform plugins) are silenced,
/// the commands report what went wrong themselves.
QtCommands InProcessQtCommands();

/// Run (cli/commands.h) with InProcessQtCommands: the whole command line in one process.
int RunWithQt(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace tem::cli
