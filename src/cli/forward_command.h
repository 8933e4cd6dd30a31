#pragma once
// The TEM forward command of temsetrix-cli ("forward"): a model set over a configuration through
// the engine, results as CSV, and the forward window's exports.

namespace CLI {
class App;
}

namespace tem::cli {

struct CommandContext;

/// Adds "forward" to the command line; its action registers with context.addCommand.
void AddForwardCommand(CLI::App& app, CommandContext& context);

} // namespace tem::cli
