#pragma once
// The TEM forward chain without its engine run: what happens before the engine starts (input
// files) and after it ends (results, apparent resistivity, loci depth, the response table).

#include <array>
#include <string>
#include <vector>

#include "core/forward/forward_graphs.h"
#include "core/forward/forward_store.h"
#include "core/model/configuration.h"

namespace tem {

class Operator;

/// How to start the engine for one run (the runner turns it into a child process).
struct EngineCommand {
    std::string program;                ///< the engine executable
    std::vector<std::string> arguments; ///< the model file and (external engine) the control file
    std::string workingFolder;          ///< the executable's folder
    std::string commandLine;            ///< as shown: file name, then each argument in double quotes
    int dataSets = 0;                   ///< NumAcqChn * NumModels
    bool builtIn = false;               ///< the built-in engine (no control file, no licence)
};

/// The file name of the built-in engine.
inline constexpr const char* BuiltInEngineName = "temsetrix-engine";
/// Whether `program` (a path or a bare file name) is the built-in engine.
bool IsBuiltInEngine(const std::string& program);

/// Seconds without a new output line after which the engine is stopped.
inline constexpr double EngineSilenceLimitSeconds = 15;
/// Seconds in all after which the engine is stopped: 30 s plus 0.1 s per data set.
double EngineTotalLimitSeconds(int dataSets);

/// The run's control file: CONFilename := `chosen` when that file exists; otherwise the previous
/// name stays and, unless files.AarExename is the built-in engine (which reads no control file),
/// "The CON file does not exist" is shown.
void SetControlFile(RunnerFiles& files, const std::string& chosen, Operator& op);

/// Before the engine: every check first; then the work folder made absolute (created when
/// missing), a private run folder made inside it (store.runFolder), MODFilename := run folder +
/// "fwd.mod", the model file and TEM system files written there. The engine, the control file and
/// the model file are passed as absolute paths; the built-in engine, which reads no control file,
/// is given the model file alone. store.files.AarExename names the engine. Throws
/// ActionError (nothing run) for a refused model set or channel, InOutError for a file.
EngineCommand PrepareTEMRun(Configuration& cfg, ForwardStore& store, Operator& op);

/// After the engine: ReadAarhusFwdFiles from the run folder, then CalcTEMDerivedValues; the run
/// folder is then discarded. Returns false when a result file was missing or could not be taken
/// whole (message shown, results empty).
bool FinishTEMRun(const Configuration& cfg, ForwardStore& store, Operator& op);
/// Removes the run folder (unless store.keepRunFolder) and forgets it; a run that does not read its
/// results (cancelled, failed engine) ends with it.
void DiscardRunFolder(ForwardStore& store);

/// Apparent resistivity (ohm-m) of a dB/dt value V (V/(A m^2)) at time t (s) inside a loop of
/// equal-area radius a (m), never below 0.1; NaN (undefined) when V <= 1e-15 or t <= 0.
double TEMApparentResistivity(double dBdt, double time, double radius);
/// Diffusion depth (m) sqrt(2 t rho / mu0); NaN when rho is.
double TEMLociDepth(double time, double appRes);

/// Fills AppRTEM, LociTEM, RespVoltages (channel AcqSel) and ln10responses from dBdtTEM, with the
/// configured, unshifted gate centre of gate drivenGatesInRamp + i. A value that is not a finite
/// number is stored as NaN (shown blank) and, with op, one message per channel names its gates.
void CalcTEMDerivedValues(const Configuration& cfg, ForwardStore& store, Operator* op = nullptr);

/// The forward window's TDEM response table for model 0 of channel AcqSel: one row per gate
/// 1 .. NoGates - drivenGatesInRamp: gate number, "%6.4g" dB/dt, "%7.6g" apparent resistivity,
/// "%7.6g" loci depth, "%7.6g" time from the result file; rows past the returned gates hold zeros.
std::vector<std::array<std::string, 5>> TEMResponseTable(const Configuration& cfg, const ForwardStore& store);

/// What the TEM graph draws of `channel`: the whole model set; times, dB/dt, apparent resistivity
/// and loci depth of the returned gates (FwdModelOutputGates, at most the gates of the results)
/// for each of the first numGraphs models that have results; the channel's noise of those gates.
/// A channel without results has no gates.
TEMGraphInput TEMGraphInputOf(const Configuration& cfg, const ForwardStore& store, int channel);

} // namespace tem
