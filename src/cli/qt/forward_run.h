#pragma once
// The run of "forward": the model grid from the options, the engine as a child process under the
// QtCore runner, the decays as CSV on standard output, then the exports asked for.

namespace tem::cli {

struct CommandContext;
struct ForwardArgs;

/// Runs "forward" with its parsed options; the exit status, or throws as any command does.
int RunForward(CommandContext& ctx, const ForwardArgs& args);

} // namespace tem::cli
