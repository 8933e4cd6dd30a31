#pragma once
// The geo-electric array commands of temsetrix-cli ("array ...", "dc-forward").

namespace CLI {
class App;
}

namespace tem::cli {

struct CommandContext;

/// Adds the array command group to the command line; each leaf command registers its action
/// with context.addCommand.
void AddArrayCommands(CLI::App& app, CommandContext& context);

} // namespace tem::cli
