#include "cli/forward_command.h"

#include <memory>

#include <CLI/CLI.hpp>

#include "cli/command_context.h"
#include "cli/qt_commands.h"

namespace tem::cli {

void AddForwardCommand(CLI::App& app, CommandContext& context, const QtCommands& qt)
{
    CommandContext* ctx = &context;
    auto args = std::make_shared<ForwardArgs>();
    auto* forward = app.add_subcommand(
        "forward", "TEM forward run of a model set over a configuration (.tdc or .gex); decays as CSV");
    forward->add_option("CONFIG", args->config, "configuration file")->required();
    forward->add_option("--thickness", args->thickness,
                        "layer thicknesses in m, one entry per layer but the last: LOW, LOW:HIGH or "
                        "LOW:HIGH:STEPS (steps per decade); empty for a half-space");
    forward
        ->add_option("--resistivity", args->resistivity,
                     "layer resistivities in ohm-m, one entry per layer: LOW, LOW:HIGH or LOW:HIGH:STEPS")
        ->required();
    forward->add_option("--channel", args->channel, "acquisition channel of the voltage table")
        ->capture_default_str();
    forward
        ->add_option("--work-dir", args->workDir,
                     "folder of the engine's files (default: data folder + AarhusInv_Temp/)")
        ->type_name("DIR");
    forward->add_flag("--keep-run-dir", args->keepRunDir,
                      "keep the run's own folder (its input and result files) inside the work folder");
    forward
        ->add_option("--engine", args->engine, "engine executable (default: the built-in temsetrix-engine)")
        ->type_name("PATH");
    forward->add_option("--dbf-depth", args->dbfDepth, "write the channel/depth table of the models")
        ->type_name("FILE.DBF");
    forward->add_option("--dbf-volt", args->dbfVolt, "write the voltage table of --channel")
        ->type_name("FILE.DBF");
    forward->add_option("--save-txt", args->saveTxt, "write FwdModels.Mod into DIR")->type_name("DIR");
    forward->add_flag("--add-noise", args->addNoise, "add Gaussian noise to the voltage table");
    forward->add_option("--noise", args->noise, "noise level at 1 ms, V/(A m^2)")->capture_default_str();
    forward->add_option("--slope", args->slope, "log-log slope of the noise")->capture_default_str();
    forward->add_option("--seed", args->seed, "seed of the noise generator (default: the clock)");
    context.addCommand(forward, [ctx, args, &qt] { return qt.forward(*ctx, *args); });
}

} // namespace tem::cli
