#pragma once
// The system test command of temsetrix-cli ("systest FILE").

namespace CLI {
class App;
}

namespace tem::cli {

struct CommandContext;

/// Adds "systest": reads a system test file, runs the analysis and prints the results as JSON.
void AddSystestCommand(CLI::App& app, CommandContext& context);

} // namespace tem::cli
