#include "cli/commands.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include <CLI/CLI.hpp>

#include "cli/array_commands.h"
#include "cli/command_context.h"
#include "cli/diff_command.h"
#include "cli/file_formats.h"
#include "cli/forward_command.h"
#include "cli/model_json.h"
#include "cli/qt_commands.h"
#include "cli/systest_command.h"
#include "core/action_error.h"
#include "core/files/chn_file.h"
#include "core/files/config_save.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"

namespace tem::cli {

namespace fs = std::filesystem;

namespace {

std::string absolutePath(const std::string& name)
{
    std::error_code ec;
    const fs::path p = fs::absolute(name, ec);
    return ec ? name : p.string();
}

/// Stops the command with exit status 1 unless the file exists and can be opened.
void requireReadableFile(const std::string& name)
{
    std::error_code ec;
    if (!fs::exists(name, ec))
        throw InOutError("File not found: " + name);
    if (!fs::is_regular_file(name, ec) || !std::ifstream(name, std::ios::binary))
        throw InOutError("Cannot open file " + name);
}

std::string upperExtension(const ConfigFormat& f)
{
    return UpperCase(f.extension.substr(1));
}

/// The JSON text of a result: 8-bit texts converted, anything still not UTF-8 replaced.
std::string jsonText(Json j)
{
    TextsToUtf8(j);
    return j.dump(2, ' ', false, Json::error_handler_t::replace);
}

/// Reads a configuration file with the reader its extension selects.
Configuration readConfiguration(CommandContext& ctx, const std::string& fileName)
{
    const ConfigFormat& format = FormatOf(fileName);
    requireReadableFile(fileName);
    if (!format.read)
        throw UsageError("Reading " + upperExtension(format) + " files is not available yet: " + fileName);
    Configuration cfg;
    cfg.TDCorGEX = format.format;
    cfg.LoadFilename = absolutePath(fileName);
    LoadConfiguration(cfg, ctx.folders(), ctx.op);
    return cfg;
}

int showCommand(CommandContext& ctx, const std::string& fileName)
{
    const Configuration cfg = readConfiguration(ctx, fileName);
    Json j = ModelToJson(cfg);
    j["messages"] = ctx.op.messages();
    ctx.out << jsonText(std::move(j)) << '\n';
    return 0;
}

int convertCommand(CommandContext& ctx, const std::string& in, const std::string& out)
{
    if (out == "-")
        throw UsageError("convert: OUT must name a file; its extension (.tdc or .gex) chooses the format");
    const ConfigFormat& target = FormatOf(out);
    if (!target.write)
        throw UsageError("Writing " + upperExtension(target) + " files is not available yet: " + out);
    Configuration cfg = readConfiguration(ctx, in);
    cfg.TDCorGEX = target.format;
    cfg.SaveFilename = absolutePath(out);
    // As the main window's Save: GEX holds only the conventional moment combinations, a master
    // file is never overwritten, and an existing file only after the question (default Yes).
    const SaveResult result = SaveConfiguration(cfg, ctx.folders(), ctx.op, SaveRequest{true, {}, true});
    if (!result.written())
        throw ActionError(result.reason.empty() ? "Not written: " + cfg.SaveFilename : result.reason);
    return 0;
}

/// Looks at the stamp only: a check never changes the file it checks.
int checkCommand(CommandContext& ctx, const std::string& fileName)
{
    const ConfigFormat& format = FormatOf(fileName);
    requireReadableFile(fileName);
    const StampStatus s = CheckStamp(fileName, SectionGen(format.format));
    if (!s.isMaster) {
        ctx.out << "not a master\n";
        return 0;
    }
    if (s.corrupt) {
        ctx.out << "master: stamp fails\n";
        return 3;
    }
    ctx.out << "master: stamp intact\n";
    return 0;
}

int crcCommand(CommandContext& ctx, const std::string& fileName)
{
    requireReadableFile(fileName);
    ctx.out << FormatHex(CalcCRC32(fileName)) << '\n';
    return 0;
}

int chnCommand(CommandContext& ctx, const std::string& fileName)
{
    requireReadableFile(fileName);
    Configuration cfg = DefaultConfiguration();
    ReadMonexChnTimegateFile(cfg, fileName, 1, ctx.op);
    const Json base = TimeBaseToJson(cfg.TimeBase[1]);
    Json j;
    for (const char* key : {"GateSetName", "NumGatesInSet", "drivenGateStart", "GateCentre", "drivenGateEnd",
                            "GateWidth", "TimeGateFileName"})
        j[key] = base[key];
    j["messages"] = ctx.op.messages();
    ctx.out << jsonText(std::move(j)) << '\n';
    return 0;
}

/// The arguments of the configuration commands; Run keeps them beside the parser.
struct FileArguments {
    std::string file, in, out;
};

void addConfigurationCommands(CLI::App& app, CommandContext& ctx, FileArguments& args, const QtCommands& qt)
{
    auto* show =
        app.add_subcommand("show", "Read a configuration (.tdc or .gex) and print the model as JSON");
    show->add_option("FILE", args.file, "configuration file")->required();
    ctx.addCommand(show, [&ctx, &args] { return showCommand(ctx, args.file); });

    auto* convert =
        app.add_subcommand("convert", "Read IN and write OUT, each in the format of its extension");
    convert->add_option("IN", args.in, "configuration file to read")->required();
    convert->add_option("OUT", args.out, "configuration file to write")->required();
    ctx.addCommand(convert, [&ctx, &args] { return convertCommand(ctx, args.in, args.out); });

    auto* check =
        app.add_subcommand("check", "Check the master stamp of a configuration file (exit 3 when it fails)");
    check->add_option("FILE", args.file, "configuration file")->required();
    ctx.addCommand(check, [&ctx, &args] { return checkCommand(ctx, args.file); });

    auto* crc = app.add_subcommand("crc", "Print the CRC-32 of a file in upper-case hexadecimal");
    crc->add_option("FILE", args.file, "any file")->required();
    ctx.addCommand(crc, [&ctx, &args] { return crcCommand(ctx, args.file); });

    auto* chn =
        app.add_subcommand("chn", "Read a Monex CHN gate file into a default time base and print it as JSON");
    chn->add_option("FILE", args.file, "CHN file")->required();
    ctx.addCommand(chn, [&ctx, &args] { return chnCommand(ctx, args.file); });

    auto* report = app.add_subcommand("report", "Write the system report of a configuration as a PDF");
    report->add_option("CONFIG", args.in, "configuration file (.tdc or .gex)")->required();
    report->add_option("OUT", args.out, "PDF file to write; - for standard output")->required();
    ctx.addCommand(report, [&ctx, &args, &qt] { return qt.report(ctx, args.in, args.out); });
}

} // namespace

Configuration ReadConfigurationFile(CommandContext& ctx, const std::string& fileName)
{
    return readConfiguration(ctx, fileName);
}

int Run(int argc, char** argv)
{
    return Run(argc, argv, std::cout, std::cerr, LoadedQtCommands(argc, argv));
}

int Run(int argc, char** argv, std::ostream& out, std::ostream& err, const QtCommands& qt)
{
    CommandContext ctx(out, err);
    CLI::App app{"TEM Setrix command line: read, convert and check survey-system configurations.",
                 "temsetrix-cli"};
    app.require_subcommand(1);
    app.set_version_flag("-v,--version", "temsetrix-cli (TEM Setrix) " TEMSETRIX_VERSION,
                         "show the version and exit");
    app.fallthrough(); // global options may also follow the command
    app.add_option("--data-dir", ctx.dataDir,
                   "shared data folder; the configuration folder is DIR/TEMSetrix/ "
                   "(default: $XDG_DATA_HOME, else ~/.local/share, + /Pelk/Moravel/)")
        ->type_name("DIR");
    bool yes = false, no = false;
    auto* yesFlag = app.add_flag("--yes", yes, "answer Yes to every question");
    auto* noFlag = app.add_flag("--no", no, "answer No to every question");
    yesFlag->excludes(noFlag);

    FileArguments args;
    addConfigurationCommands(app, ctx, args, qt);
    // Further command groups register here.
    AddArrayCommands(app, ctx);
    AddSystestCommand(app, ctx);
    AddDiffCommand(app, ctx);
    AddForwardCommand(app, ctx, qt);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err) == 0 ? 0 : 2;
    }
    ctx.op.setAnswers(yes ? Answers::Yes : no ? Answers::No : Answers::DefaultButton);
    if (!ctx.dataDir.empty())
        ctx.dataDir = absolutePath(ctx.dataDir);

    // The last registered command that was given on the command line runs.
    const CommandContext::Command* chosen = nullptr;
    for (const auto& c : ctx.commands)
        if (c.app->parsed())
            chosen = &c;
    if (!chosen) {
        err << "No command given; see --help\n";
        return 2;
    }
    try {
        return chosen->run();
    } catch (const UsageError& e) {
        err << e.what() << '\n';
        return 2;
    } catch (const std::bad_alloc&) {
        err << "Not enough memory to finish the command.\n";
        return 1;
    } catch (const std::exception& e) {
        // ActionError and anything else that ends the action: its text, once.
        err << e.what() << '\n';
        return 1;
    }
}

} // namespace tem::cli
