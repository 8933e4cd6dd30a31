#pragma once
// The forward engine's files: the model file listing every (channel, model) data set, one TEM
// system file per acquisition channel, and the result file of each data set.
// Every input file is built whole in memory and written in one step, after every check, so a
// refused run leaves no half-written file.

#include <string>
#include <string_view>
#include <vector>

#include "core/forward/forward_results.h"
#include "core/forward/model_set.h"
#include "core/model/configuration.h"

namespace tem {

class Operator;

/// Smallest layer value the model file's "%10.2f" does not write as 0.
inline constexpr double MinModelFileValue = 0.005;

/// workFolder + "fwd.mod".
std::string ModelFileName(const std::string& workFolder);
/// workFolder + "FWD" + channel in two digits + ".tem" (FWD01.tem).
std::string TEMFileName(const std::string& workFolder, int channel);
/// workFolder + "FWD" + data set in five digits + ".fwr" (FWD00001.fwr).
std::string FwdResultFileName(const std::string& workFolder, int dataSet);
/// Data set of model m (from 0) on channel c (from 1): (c-1) * numModels + m + 1.
inline int DataSetNumber(int channel, int model, int numModels)
{
    return (channel - 1) * numModels + model + 1;
}

/// Throws ActionError naming the model, layer and value when a thickness or resistivity lies
/// below MinModelFileValue (or is not a finite number), or when the set is empty.
void CheckModelSetForFiles(const ModelSet& set);
/// Throws ActionError naming the channel when a channel's transmitter or receiver index lies
/// outside the counts, its transmitter has no time base, or a count in it is beyond capacity.
void CheckChannelsForFiles(const Configuration& cfg);

/// The model file's text (CR LF lines) for every channel and model, channel-major.
std::string ModelFileText(const ModelSet& set, int numAcqChn);
/// Checks the set and writes the model file. Throws ActionError or InOutError.
void MakeAarhusInvModfile(const ModelSet& set, int numAcqChn, const std::string& fileName);

/// The TEM system file text of channel c; recounts the channel's drivenGatesInRamp. Shows the
/// loop-type and front-gate messages through op.
std::string TEMFileText(Configuration& cfg, int channel, Operator& op);
/// Checks every channel, then writes FWD01.tem .. for channels 1 .. NumAcqChn into workFolder and
/// leaves the last name in files.AarTEMFilename. Throws ActionError or InOutError; ActionError
/// naming the channel when a channel has no gate to model (nothing is written then).
void MakeAarhusTEMfile(Configuration& cfg, const std::string& workFolder, Operator& op, RunnerFiles& files);

/// Removes every earlier result file ("FWD*.fwr", any case) from workFolder, so a run never reads
/// an old run's result. Returns how many were removed; throws InOutError when one cannot be.
int RemoveFwdResultFiles(const std::string& workFolder);

/// Gates a channel's TEM system file holds: its transmitter's NoGates less drivenGatesInRamp (as
/// counted when the file was written); 0 when none.
int ModelledGates(const Configuration& cfg, int channel);

/// The gates of one result file.
struct FwdResultGates {
    std::vector<double> times, values;  ///< s, V/(A m^2)
    bool unsupportedSourceType = false; ///< the source type is neither 72 nor 73
};
/// Reads one result file's bytes: the header of its TEM system file, then exactly expectedGates
/// gate lines of two finite numbers each, the last line ended. Throws InOutError naming the file
/// and line for an empty, cut or malformed file, a value that is not a finite number and a gate
/// count other than expectedGates.
FwdResultGates ReadFwdResultText(std::string_view bytes, const std::string& fileName, int expectedGates,
                                 bool frontGate);

/// Reads the result files of every channel and model into dBdtTEM, FwdModTimes and
/// FwdModelOutputGates (names matched without regard to case). A missing file shows "AarhusInv64
/// could not handle the inputs provided and crashed - see the log file. Aborting operations now"
/// with the file's name; a file that cannot be taken whole (ReadFwdResultText) shows why. Either
/// leaves the results empty and returns false.
bool ReadAarhusFwdFiles(const Configuration& cfg, const ModelSet& set, const std::string& workFolder,
                        ForwardResults& results, Operator& op);

} // namespace tem
