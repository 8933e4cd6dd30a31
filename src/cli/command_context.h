#pragma once
// What every command of temsetrix-cli shares: the output streams, the operator, the data folders
// chosen by --data-dir, and the table of commands that Run dispatches to after parsing.

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli_operator.h"
#include "core/model/data_folders.h"

namespace CLI {
class App;
}

namespace tem {
struct Configuration;
}

namespace tem::cli {

struct CommandContext;

/// Reads a configuration file with the reader its extension selects (as show does). Throws
/// UsageError for an extension of no readable format, ActionError when the file cannot be read.
Configuration ReadConfigurationFile(CommandContext& ctx, const std::string& fileName);

/// Bad usage found while running a command (an unknown extension, a format that cannot be read):
/// exit status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct CommandContext {
    CommandContext(std::ostream& out, std::ostream& err) : out(out), err(err), op(err) {}

    std::ostream& out; ///< results: JSON, the CRC, the check's verdict
    std::ostream& err; ///< messages, one per line
    CliOperator op;
    std::string dataDir; ///< --data-dir; empty: the user's folders

    DataFolders folders() const
    {
        return dataDir.empty() ? DataFolders::ForUser() : DataFolders::Under(dataDir);
    }

    /// Registers what a (leaf) subcommand does. Run calls it after the whole command line has been
    /// parsed, inside the error boundary: an ActionError gives exit 1, a UsageError exit 2; the
    /// return value is the exit status otherwise.
    void addCommand(CLI::App* command, std::function<int()> run)
    {
        commands.push_back({command, std::move(run)});
    }

    struct Command {
        CLI::App* app;
        std::function<int()> run;
    };
    std::vector<Command> commands;
};

} // namespace tem::cli
