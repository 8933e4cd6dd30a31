#pragma once
// The TEM forward command of temsetrix-cli ("forward"): a model set over a configuration through
// the engine, results as CSV, and the forward window's exports. Its options are parsed here; the
// run itself needs Qt (cli/qt/forward_run.h).

#include <cstdint>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace tem::cli {

struct CommandContext;
struct QtCommands;

/// The options of "forward", as given.
struct ForwardArgs {
    std::string config;
    std::string thickness, resistivity;
    int channel = 1;
    std::string workDir, engine, dbfDepth, dbfVolt, saveTxt;
    bool addNoise = false;
    bool keepRunDir = false;
    std::string noise = "2.0E-9", slope = "-0.5";
    std::optional<std::uint64_t> seed;
};

/// Adds "forward" to the command line; its action (qt.forward) registers with context.addCommand.
void AddForwardCommand(CLI::App& app, CommandContext& context, const QtCommands& qt);

} // namespace tem::cli
