#pragma once
// temsetrix-cli: headless commands over the core.

#include <iosfwd>

namespace tem::cli {

/// Parses the command line and runs one command. Returns the exit status:
/// 0 done, 1 an action ended with an error, 2 bad usage or an unknown extension.
int Run(int argc, char** argv);

}  // namespace tem::cli
