#include "cli/qt/forward_run.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "cli/command_context.h"
#include "cli/file_formats.h"
#include "cli/forward_command.h"
#include "core/action_error.h"
#include "core/files/config_save.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/forward/forward_exports.h"
#include "core/forward/forward_store.h"
#include "core/forward/model_set.h"
#include "core/model/data_folders.h"
#include "core/response/system_response.h"
#include "core/tables/survey_tables.h"
#include "runner/EngineRunner.h"

namespace tem::cli {

namespace fs = std::filesystem;

namespace {

/// Shortest text that reads back as v; blank for a value that could not be computed.
std::string shortest(double v)
{
    if (!std::isfinite(v))
        return {};
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

/// One grid cell triple from "LOW", "LOW:HIGH" or "LOW:HIGH:STEPS".
void parseEntry(const std::string& entry, const std::string& option, std::string& low, std::string& high,
                std::string& steps)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = entry.find(':', start);
        parts.push_back(
            Trim(entry.substr(start, colon == std::string::npos ? std::string::npos : colon - start)));
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    if (parts.size() > 3)
        throw UsageError(option + ": \"" + entry + "\" is not LOW, LOW:HIGH or LOW:HIGH:STEPS");
    for (std::size_t i = 0; i < parts.size(); ++i)
        if ((i == 0 || !parts[i].empty()) && !ParseFloat(parts[i]))
            throw UsageError(option + ": \"" + parts[i] + "\" in \"" + entry + "\" is not a number");
    low = parts[0];
    high = parts.size() > 1 ? parts[1] : "";
    steps = parts.size() > 2 ? parts[2] : "";
}

std::vector<std::string> splitList(const std::string& text)
{
    std::vector<std::string> entries;
    if (Trim(text).empty())
        return entries;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        entries.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return entries;
}

ModelGrid gridFromLists(const std::string& thickness, const std::string& resistivity)
{
    const std::vector<std::string> h = splitList(thickness);
    const std::vector<std::string> rho = splitList(resistivity);
    if (rho.empty())
        throw UsageError("--resistivity: one entry per layer is needed");
    if (h.size() + 1 != rho.size())
        throw UsageError("--thickness needs one entry fewer than --resistivity (" + std::to_string(h.size()) +
                         " thicknesses for " + std::to_string(rho.size()) + " layers)");
    ModelGrid grid;
    grid.layerCount = int(rho.size());
    grid.rows.resize(rho.size());
    for (std::size_t i = 0; i < rho.size(); ++i) {
        ModelGridRow& row = grid.rows[i];
        if (i < h.size())
            parseEntry(h[i], "--thickness", row.Thick, row.toThick, row.ThickStep);
        parseEntry(rho[i], "--resistivity", row.Res, row.toRes, row.ResStep);
    }
    return grid;
}

Configuration readConfiguration(CommandContext& ctx, const std::string& fileName)
{
    const ConfigFormat& format = FormatOf(fileName);
    std::error_code ec;
    if (!fs::is_regular_file(fileName, ec) || !std::ifstream(fileName, std::ios::binary))
        throw InOutError("File not found: " + fileName);
    if (!format.read)
        throw UsageError("Reading this format is not available yet: " + fileName);
    Configuration cfg;
    cfg.TDCorGEX = format.format;
    cfg.LoadFilename = fs::absolute(fileName, ec).string();
    LoadConfiguration(cfg, ctx.folders(), ctx.op);
    return cfg;
}

} // namespace

int RunForward(CommandContext& ctx, const ForwardArgs& a)
{
    const ModelGrid grid = gridFromLists(a.thickness, a.resistivity);
    // The tables are checked before the run: standard output holds the decays, and no output may
    // be the configuration itself.
    for (const auto& [option, name] :
         {std::pair{"--dbf-depth", &a.dbfDepth}, std::pair{"--dbf-volt", &a.dbfVolt}}) {
        if (name->empty())
            continue;
        if (*name == "-")
            throw UsageError(std::string(option) +
                             ": standard output holds the decays; name a file for the table");
        RequireDistinctFiles(DbfFileName(*name), a.config);
        RequireReplaceable(DbfFileName(*name));
    }
    Configuration cfg = readConfiguration(ctx, a.config);
    if (a.channel < 1 || a.channel > cfg.NumAcqChn)
        throw UsageError("--channel " + std::to_string(a.channel) + ": the configuration has channels 1 to " +
                         std::to_string(cfg.NumAcqChn));

    ForwardStore store;
    store.AcqSel = a.channel;
    if (!ArrayModels(store.models, grid, ctx.op))
        return 1;
    const DataFolders folders = ctx.folders();
    store.workFolder = a.workDir.empty() ? DefaultWorkFolder(folders) : a.workDir;
    store.keepRunFolder = a.keepRunDir;
    store.files.CONFilename = DefaultControlFile(folders);
    store.files.AarExename = a.engine;
    if (!a.engine.empty()) {
        std::error_code ec;
        store.files.AarExename = fs::absolute(a.engine, ec).string();
    }
    CommitNoiseEdits(cfg, store.AcqSel, a.noise, a.slope, ForwardWindowNoiseFallback, true);

    // The engine runs as a child process; its output arrives through an event loop.
    std::optional<QCoreApplication> application;
    static int argc = 1;
    static char name[] = "temsetrix-cli";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        application.emplace(argc, argv);

    int shownDone = -1;
    // A failure's message quotes the engine's last lines.
    const bool ok = runner::RunTEMForward(cfg, store, ctx.op, {}, [&ctx, &shownDone](int done, int total) {
        if (done == shownDone)
            return;
        shownDone = done;
        ctx.err << "data set " << done << " of " << total << '\n' << std::flush;
    });
    if (!ok)
        return 1;

    const ForwardResults& r = store.results;
    ctx.out << "Model,Channel,Gate,ConfigGate,Time,dBdt,AppRes,LociDepth\n";
    for (int m = 0; m < store.models.NumModels; ++m)
        for (int c = 1; c <= cfg.NumAcqChn; ++c) {
            const int ramp = cfg.SysResp[c].drivenGatesInRamp;
            for (int k = 1; k <= r.FwdModelOutputGates[c] && k <= r.dBdtTEM.gates(); ++k)
                ctx.out << m << ',' << c << ',' << k << ',' << ramp + k << ','
                        << shortest(r.FwdModTimes(m, k, c)) << ',' << shortest(r.dBdtTEM(m, k, c)) << ','
                        << shortest(r.AppRTEM(m, k, c)) << ',' << shortest(r.LociTEM(m, k, c)) << '\n';
        }

    if (!a.dbfDepth.empty())
        WriteChnDepthTable(a.dbfDepth, store.models, ctx.op);
    if (!a.dbfVolt.empty()) {
        VoltageTableInput input;
        input.addNoise = a.addNoise;
        const auto level = ParseFloat(a.noise);
        input.noiseLevel = level ? *level : ForwardWindowNoiseFallback;
        input.seed = a.seed;
        WriteVoltageTable(a.dbfVolt, cfg, store, input, ctx.op);
    }
    if (!a.saveTxt.empty()) {
        std::error_code ec;
        fs::create_directories(a.saveTxt, ec);
        SaveFwdModelsMod(store.models, (fs::path(a.saveTxt) / "FwdModels.Mod").string());
    }
    return 0;
}

} // namespace tem::cli
