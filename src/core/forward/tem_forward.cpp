#include "core/forward/tem_forward.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <numbers>
#include <system_error>

#include "core/action_error.h"
#include "core/files/value_forms.h"
#include "core/forward/aarhus_files.h"
#include "core/operator.h"

namespace tem {

namespace fs = std::filesystem;

namespace {

constexpr double Mu0 = 4e-7 * std::numbers::pi; ///< H/m

std::string withSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

double EngineTotalLimitSeconds(int dataSets)
{
    return 30.0 + 0.1 * (dataSets > 0 ? dataSets : 0);
}

bool IsBuiltInEngine(const std::string& program)
{
    return !program.empty() && fs::path(program).filename() == BuiltInEngineName;
}

void SetControlFile(RunnerFiles& files, const std::string& chosen, Operator& op)
{
    std::error_code ec;
    if (!chosen.empty() && fs::is_regular_file(chosen, ec))
        files.CONFilename = chosen;
    else if (!IsBuiltInEngine(files.AarExename)) // the built-in engine reads no control file
        op.inform("The CON file does not exist");
}

namespace {

/// A new folder of its own inside the work folder: runs that share the work folder never see each
/// other's files.
std::string makeRunFolder(const std::string& workFolder)
{
    std::string pattern = workFolder + "run-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw InOutError("Cannot create a run folder in the work folder " + workFolder + ": " +
                         std::strerror(errno));
    return pattern + '/';
}

/// The work folder as an absolute path ending in '/', created when missing.
std::string prepareWorkFolder(const std::string& folder)
{
    if (folder.empty())
        throw ActionError("No work folder is set for the engine's files.");
    std::error_code ec;
    std::string absolute = withSeparator(fs::absolute(folder, ec).lexically_normal().string());
    if (ec)
        throw InOutError("Cannot use the work folder " + folder + ": " + ec.message());
    // Looked at without its final '/', which would make a file of that name "not found".
    const fs::file_status st = fs::status(fs::path(absolute).parent_path(), ec);
    if (fs::exists(st) && !fs::is_directory(st))
        throw InOutError("The work folder " + absolute + " is not a folder (a file of that name exists).");
    if (!fs::exists(st)) {
        fs::create_directories(absolute, ec);
        if (ec)
            throw InOutError("Cannot create the work folder " + absolute + ": " + ec.message());
    }
    return absolute;
}

} // namespace

EngineCommand PrepareTEMRun(Configuration& cfg, ForwardStore& store, Operator& op)
{
    // Every check before anything is written.
    CheckModelSetForFiles(store.models);
    CheckChannelsForFiles(cfg);
    if (store.files.AarExename.empty())
        throw ActionError("No Commandline to execute");

    DiscardRunFolder(store);
    store.results.clear();
    store.workFolder = prepareWorkFolder(store.workFolder);
    std::error_code ec;
    fs::path program(store.files.AarExename);
    if (program.has_parent_path())
        program = fs::absolute(program, ec).lexically_normal();
    std::string control = store.files.CONFilename;
    if (!control.empty())
        control = fs::absolute(control, ec).lexically_normal().string();

    store.runFolder = makeRunFolder(store.workFolder);
    try {
        store.files.MODFilename = ModelFileName(store.runFolder);
        MakeAarhusInvModfile(store.models, cfg.NumAcqChn, store.files.MODFilename);
        MakeAarhusTEMfile(cfg, store.runFolder, op, store.files);
    } catch (...) {
        DiscardRunFolder(store);
        throw;
    }

    EngineCommand command;
    command.program = program.string();
    command.builtIn = IsBuiltInEngine(command.program);
    command.arguments = {store.files.MODFilename};
    if (!command.builtIn)
        command.arguments.push_back(control);
    command.workingFolder = program.has_parent_path() ? program.parent_path().string() : store.runFolder;
    command.commandLine = program.filename().string();
    for (const std::string& argument : command.arguments)
        command.commandLine += " \"" + argument + "\"";
    command.dataSets = cfg.NumAcqChn * store.models.NumModels;
    return command;
}

void DiscardRunFolder(ForwardStore& store)
{
    if (store.runFolder.empty())
        return;
    if (!store.keepRunFolder) {
        std::error_code ec;
        fs::remove_all(store.runFolder, ec);
    }
    store.runFolder.clear();
}

bool FinishTEMRun(const Configuration& cfg, ForwardStore& store, Operator& op)
{
    const std::string folder = store.runFolder.empty() ? store.workFolder : store.runFolder;
    bool ok = false;
    try {
        ok = ReadAarhusFwdFiles(cfg, store.models, folder, store.results, op);
    } catch (...) {
        DiscardRunFolder(store);
        throw;
    }
    DiscardRunFolder(store);
    if (!ok)
        return false;
    CalcTEMDerivedValues(cfg, store, &op);
    return true;
}

double TEMApparentResistivity(double V, double t, double a)
{
    // A negative or vanishing dB/dt or a gate before the end of the turn-off has no apparent
    // resistivity: none is better than a floor value that reads like a shallow conductor.
    if (!(V > 1e-15) || !(t > 0))
        return std::numeric_limits<double>::quiet_NaN();
    const double rho = std::pow(1.0, 2.0 / 3.0) * std::pow(Mu0, 5.0 / 3.0) * std::pow(a, 4.0 / 3.0) /
                       (std::pow(20.0, 2.0 / 3.0) * std::pow(std::numbers::pi, 1.0 / 3.0) *
                        std::pow(t, 5.0 / 3.0) * std::pow(V, 2.0 / 3.0));
    return rho > 0.1 ? rho : 0.1;
}

double TEMLociDepth(double t, double rho)
{
    if (std::isnan(rho))
        return rho;
    return t > 0 && rho > 0 ? std::sqrt(2 * t * rho / Mu0) : 0;
}

void CalcTEMDerivedValues(const Configuration& cfg, ForwardStore& store, Operator* op)
{
    ForwardResults& r = store.results;
    const int models = r.dBdtTEM.models();
    const int gates = r.dBdtTEM.gates();
    const int channels = r.dBdtTEM.channels();
    r.AppRTEM.resize(models, gates, channels);
    r.LociTEM.resize(models, gates, channels);
    r.RespVoltages.resize(models, gates);
    r.ln10responses.resize(models, gates);
    for (int c = 1; c <= channels; ++c) {
        const TAcqChn& ch = cfg.AcqChn[c];
        const TTransmitter& tx = cfg.Tx[ch.TxNumber];
        const TTimeBase& tb = cfg.TimeBase[tx.TimeBaseNumber];
        const double a = std::sqrt(std::max(tx.Area, 0.0) / std::numbers::pi);
        const int ramp = cfg.SysResp[c].drivenGatesInRamp;
        const int returned = std::min(r.FwdModelOutputGates[c], gates);
        std::string blankGates;
        for (int i = 1; i <= returned; ++i) {
            // A result with more gates than the configuration has no configured time for them.
            const int g = ramp + i;
            const double t = GateArray::contains(g) ? tb.GateCentre[g] : 0;
            bool blank = false;
            for (int j = 0; j < models; ++j) {
                const double V = r.dBdtTEM(j, i, c);
                if (c == store.AcqSel)
                    r.RespVoltages(j, i) = float(V);
                double rho = TEMApparentResistivity(V, t, a);
                double loci = TEMLociDepth(t, rho);
                // A gate time such as 1e-222 s overflows the closed form: no number, not infinity.
                // An undefined value (NaN) is blank without a message: its gate is plain to see.
                if (!std::isnan(rho) && (!std::isfinite(rho) || !std::isfinite(loci))) {
                    rho = loci = std::numeric_limits<double>::quiet_NaN();
                    blank = true;
                }
                r.AppRTEM(j, i, c) = rho;
                r.ln10responses(j, i) = float(std::log10(rho));
                r.LociTEM(j, i, c) = loci;
            }
            if (blank)
                blankGates +=
                    (blankGates.empty() ? "" : ", ") + std::to_string(g) + " (" + FormatGeneral(t) + " s)";
        }
        if (op && !blankGates.empty())
            op->inform("Channel " + std::to_string(c) +
                       ": the apparent resistivity and loci depth cannot be computed at the gate time of "
                       "gate " +
                       blankGates + "; they are left blank.");
    }
}

std::vector<std::array<std::string, 5>> TEMResponseTable(const Configuration& cfg, const ForwardStore& store)
{
    std::vector<std::array<std::string, 5>> rows;
    const int c = store.AcqSel;
    if (c < 1 || c > cfg.NumAcqChn || c > MaxAcqChn)
        return rows;
    const int tx = cfg.AcqChn[c].TxNumber;
    const int noGates = tx >= 1 && tx <= MaxTx ? cfg.Tx[tx].NoGates : 0;
    const int count = noGates - cfg.SysResp[c].drivenGatesInRamp;
    const ForwardResults& r = store.results;
    const bool have = r.dBdtTEM.models() > 0 && c <= r.dBdtTEM.channels();
    const int returned = have ? std::min(r.FwdModelOutputGates[c], r.dBdtTEM.gates()) : 0;
    // A value that could not be computed is shown blank.
    const auto shown = [](double v, int width, int digits) {
        return std::isfinite(v) ? FormatSignificant(v, width, digits) : std::string();
    };
    for (int i = 1; i <= count; ++i) {
        if (i <= returned)
            rows.push_back({std::to_string(i), shown(r.dBdtTEM(0, i, c), 6, 4),
                            shown(r.AppRTEM(0, i, c), 7, 6), shown(r.LociTEM(0, i, c), 7, 6),
                            shown(r.FwdModTimes(0, i, c), 7, 6)});
        else
            rows.push_back({std::to_string(i), FormatSignificant(0, 6, 4), FormatSignificant(0, 7, 6),
                            FormatSignificant(0, 7, 6), FormatSignificant(0, 7, 6)});
    }
    return rows;
}

TEMGraphInput TEMGraphInputOf(const Configuration& cfg, const ForwardStore& store, int channel)
{
    const ForwardResults& res = store.results;
    TEMGraphInput in;
    in.models = store.models.Models;
    if (channel < 1 || channel > res.dBdtTEM.channels() || channel > MaxAcqChn)
        return in;
    in.gates = std::min(res.FwdModelOutputGates[channel], res.dBdtTEM.gates());
    const int drawn = std::min({int(in.models.size()), numGraphs, res.dBdtTEM.models()});
    for (int m = 0; m < drawn; ++m) {
        std::vector<double> t, v, rho, loci;
        for (int i = 1; i <= in.gates; ++i) {
            t.push_back(res.FwdModTimes(m, i, channel));
            v.push_back(res.dBdtTEM(m, i, channel));
            rho.push_back(res.AppRTEM(m, i, channel));
            loci.push_back(res.LociTEM(m, i, channel));
        }
        in.times.push_back(std::move(t));
        in.dBdt.push_back(std::move(v));
        in.appRes.push_back(std::move(rho));
        in.loci.push_back(std::move(loci));
    }
    if (channel <= cfg.NumAcqChn)
        for (int i = 1; i <= in.gates && i <= MaxGates; ++i)
            in.noise.push_back(cfg.SysResp[channel].NoiseStdVperAm2[i]);
    return in;
}

} // namespace tem
