#include "cli/array_commands.h"

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace tem::cli {

void AddArrayCommands(CLI::App& /*app*/, CommandContext& /*context*/) {}

}  // namespace tem::cli
