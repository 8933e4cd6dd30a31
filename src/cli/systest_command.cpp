#include "cli/systest_command.h"

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/command_context.h"
#include "cli/model_json.h"
#include "core/files/keyword_file.h"
#include "core/systest/system_test_analysis.h"
#include "core/systest/system_test_file.h"

namespace tem::cli {

namespace {

struct SystestArgs {
    std::string file;
    int kind = 0;
    std::string stn8Csv;
};

/// Gates 1..73 of one receiver; NaN (undefined) becomes null.
Json gateValues(const StationTable& t, int rx)
{
    Json a = Json::array();
    for (int k = 1; k <= MaxChan; ++k)
        a.push_back(t[rx][k]);
    return a;
}

Json byReceiver(const StationTable& t)
{
    return Json{{"Z", gateValues(t, RxZ)}, {"X", gateValues(t, RxX)}};
}

Json resultJson(const SystemTestData& d, bool loaded, const std::vector<std::string>& messages)
{
    Json j;
    j["Chan"] = d.Chan;
    j["NumStn"] = Json::array();
    for (int n = 1; n <= SysTestStations; ++n)
        j["NumStn"].push_back(d.NumStn[n]);
    j["MeasuredRamp1P"] = d.MeasuredRamp1P;
    j["MeasuredRamp2P"] = d.MeasuredRamp2P;
    j["MeasuredRamp2P2S"] = d.MeasuredRamp2P2S;
    j["MeasuredAmps1P"] = d.MeasuredAmps1P;
    j["MeasuredAmps2P"] = d.MeasuredAmps2P;
    j["MeasuredAmps2P2S"] = d.MeasuredAmps2P2S;
    j["MeasuredAmpsSel"] = d.MeasuredAmpsSel;
    j["NoiseStd"] = Json::array({d.NoiseStd[RxZ], d.NoiseStd[RxX]});
    j["DudGPSCount"] = d.DudGPSCount;
    j["XExists"] = d.XExists;
    j["YExists"] = d.YExists;
    j["ChnUnits"] = d.ChnUnits;
    Json times = Json::array();
    for (int k = 1; k <= MaxChan; ++k)
        times.push_back(SysTestGateTimes()[k]);
    j["gatetimes"] = times;
    j["stations"] = Json::array();
    for (int n = 1; n <= SysTestStations; ++n)
        j["stations"].push_back(byReceiver(d.stn[n]));
    j["shorted"] = byReceiver(d.shorted);
    j["RxTurnsRatio"] = byReceiver(d.RxTurnsRatio);
    j["TxTurnsRatio"] = byReceiver(d.TxTurnsRatio);
    j["messages"] = messages;
    j["loaded"] = loaded;
    return j;
}

int systestCommand(CommandContext& ctx, const SystestArgs& args)
{
    if (args.stn8Csv == "-")
        throw UsageError("--stn8-csv: standard output holds the JSON results; name a file for the CSV");
    if (!args.stn8Csv.empty()) {
        RequireDistinctFiles(args.stn8Csv, args.file);
        RequireReplaceable(args.stn8Csv);
    }
    SystemTestData d;
    const bool loaded = LoadSystemTest(d, args.file, args.kind, ctx.op);
    // The window exports whatever station-8 table is in memory; after a load that ended early that
    // is all zeros, which would only mislead a script.
    if (!args.stn8Csv.empty()) {
        if (loaded)
            WriteStn8SiteResponse(d, args.stn8Csv);
        else
            ctx.err << "Not written: " << args.stn8Csv << " (the file was not loaded)\n";
    }
    Json j = resultJson(d, loaded, ctx.op.messages());
    TextsToUtf8(j);
    ctx.out << j.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    return loaded ? 0 : 1;
}

} // namespace

void AddSystestCommand(CLI::App& app, CommandContext& context)
{
    CommandContext* ctx = &context;
    auto args = std::make_shared<SystestArgs>();
    auto* cmd =
        app.add_subcommand("systest", "Read a system test file, analyse it and print the results as JSON");
    cmd->add_option("FILE", args->file, "system test text file")->required();
    cmd->add_option("--kind", args->kind, "equipment kind: 0 Tavrel, 1 Kembra, 2 Other (default 0)")
        ->check(CLI::Range(0, 2));
    cmd->add_option("--stn8-csv", args->stn8Csv, "also write the station-8 site response CSV here")
        ->type_name("OUT.CSV");
    context.addCommand(cmd, [ctx, args] { return systestCommand(*ctx, *args); });
}

} // namespace tem::cli
