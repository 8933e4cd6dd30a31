#pragma once
// temsetrix-cli: headless commands over the core.

#include <iosfwd>

namespace tem::cli {

/// Parses the command line and runs one command. Returns the exit status:
/// 0 done, 1 an action ended with an error, 2 bad usage or an unknown extension,
/// 3 a master file whose stamp fails (check).
int Run(int argc, char** argv);
/// The same, writing results to `out` and messages to `err` (tests run commands in-process).
int Run(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace tem::cli
