#pragma once
// What the TDC and GEX readers and writers share beyond the record tables: the loop-type
// messages, the current link, the reported clamp of a count or index, names read in any case,
// and the values of more than one number that both formats hold alike.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/keyword_file.h"
#include "core/model/configuration.h"

namespace tem {

struct DataFolders;
class Operator;

/// The message of a loop type the program reads but does not fully support; empty for the others.
/// The two formats word the segmented loop (73) differently: GEX files may carry a response that
/// can be read.
std::string_view LoopTypeMessage(int loopType, TINIFileFormat format);

/// The current link: each channel's positive approximate current goes to its transmitter (later
/// receiver pairs override earlier ones).
void LinkChannelCurrentsToTransmitters(Configuration& cfg);

/// Keeps a count or an index read from a file inside lo..hi, saying so when it had to. When
/// countedSections is given, the value was not in the file but counted from those sections.
int ClampReported(long long value, int lo, int hi, std::string_view section, std::string_view key,
                  Operator& op, std::string_view countedSections = {});

/// The start of every read, on the reader's copy of the model: a missing file reads as all
/// defaults under the name missingName; an existing one passes the master check and is read whole
/// into the returned keyword file; the temporary file name is set; a file with no section of the
/// format is said to show the defaults.
KeywordFile StartRead(Configuration& next, TINIFileFormat format, std::string_view missingName,
                      const DataFolders& folders, Operator& op);

/// Names read from a file, in any case; nothing when the text names no value.
std::optional<TMomentID> MomentIDFromText(std::string_view text);
std::optional<TPropulsion> PropulsionFromText(std::string_view text);
/// "dBdt", "B", "Curr" or the enumeration's own names; anything else is dB/dt.
TRxType RxTypeFromText(std::string_view text);

// ---- Values of more than one number, as both formats write them --------------------------------
/// A "TxLoopPoint" value into vertex i: x and y, and z when given (else the loop's centroid depth).
void ReadLoopVertex(std::string_view value, TTransmitter& tx, int i);
/// The closing vertex (index LoopSides) repeats the first.
void CloseLoop(TTransmitter& tx);
std::string LoopVertexText(const TTransmitter& tx, int i);
/// "TiBLowPassFilter": filter order and cut-off; fewer than two values is a list-index error
/// naming where.
void ReadLowPassFilter(std::string_view value, std::string_view where, TTransmitter& tx);
std::string LowPassFilterText(const TTransmitter& tx);
/// "SignPattern": one sign per half-cycle; a token that is not an integer gives -2 at even
/// positions and 0 at odd ones. Written with the signs that are +1 or -1 only.
std::vector<int> ReadSignPattern(std::string_view value);
std::string SignPatternText(const TTransmitter& tx);
/// A gate line "centre start end [width]" into gate g (missing numbers: g microseconds).
void ReadGate(std::string_view value, TTimeBase& tb, int g);
std::string GateText(const TTimeBase& tb, int g);
/// A waveform point "time amplitude"; a missing point is time 0, amplitude 1, a lone time has
/// amplitude 0.
void ReadWaveformPoint(std::string_view value, TTxWaveform& w, int p);
/// The three per-gate lists of a channel (GateConstants, GateFactors, GateSTDs): whether each key
/// is there, and its numbers (at most MaxGates, saying so when a list is longer).
void ReadGateLists(const KeywordFile& file, std::string_view sec, TAcqChn& a, Operator& op);
std::string GateListText(const std::vector<double>& values);

/// The gates of channel c's per-gate response values: those of its transmitter.
int ResponseGateCount(const Configuration& cfg, int c);
/// A response section's layers ("LayerThicknessesNN", "LayerResistivitiesNN") and per-gate
/// amplitudes, read (missing values take the defaults; no file: all defaults) and written alike by
/// both formats.
void ReadResponseArrays(const KeywordFile* file, std::string_view sec, TSystemResponse& s, int gates);
void WriteResponseArrays(KeywordFile& file, std::string_view sec, const TSystemResponse& s, int gates);

} // namespace tem
