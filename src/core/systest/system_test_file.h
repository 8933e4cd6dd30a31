#pragma once
// The system test text file of the towed system: a fixed series of test soundings, each recorded
// under a reserved station number (1 to 8), exported by the acquisition unit with one line per
// receiver component per record. The reader sums the decays per station and receiver, averages the
// transmitter current and ramp per transmitter configuration, and leaves the sums for the analysis
// (system_test_analysis.h). It reads nothing from and writes nothing to the configuration model.

#include <string>
#include <string_view>

#include "core/bounded_array.h"

namespace tem {

class Operator;

inline constexpr int SysTestStations = 8;
/// Gates summed per line; later channel values are read and dropped.
inline constexpr int MaxChan = 73;
/// Channel values one line can hold.
inline constexpr int MaxChannelValues = 150;

/// Receiver index of the station tables: 0 is Z (in loop), 1 is X (front loop).
inline constexpr int RxZ = 0;
inline constexpr int RxX = 1;

/// One value per receiver and gate: [receiver 0..1][gate 1..73].
using StationTable = ZeroBased<OneBased<double, MaxChan>, 2>;

/// Everything one load of a system test file produces; a new load starts from a default value.
/// A value the analysis cannot define (a division by zero) is NaN: a gap in the charts, null in
/// JSON.
struct SystemTestData {
    /// stn[n]: station n's sums of channel values in µV/A (station 6: µV) while reading, its
    /// averages after the analysis (-1 for a station without Z lines).
    OneBased<StationTable, SysTestStations> stn{};
    /// Z lines added to each station; X lines add to the tables without counting.
    OneBased<int, SysTestStations> NumStn{};
    int Chan = 0;          ///< channel values per line (0 until known)
    std::string ChnUnits;  ///< "uV" or "uV/A", from the first record
    std::string Component; ///< the component of the last line read
    bool XExists = false, YExists = false;
    int DudGPSCount = 0; ///< lines marked as having no valid position
    double MeasuredRamp1P = 0, MeasuredRamp2P = 0, MeasuredRamp2P2S = 0; ///< averages, ms
    double MeasuredAmps1P = 0, MeasuredAmps2P = 0, MeasuredAmps2P2S = 0; ///< averages, A
    double MeasuredAmpsSel = 0; ///< average current of the selected configuration (stations 7, 8), A
    /// Records each measured average was taken over; 0: nothing was measured and the average above
    /// is no value.
    int RampCount1P = 0, RampCount2P = 0, RampCount2P2S = 0, AmpsCount1P = 0, AmpsCount2P = 0;

    // Results of the analysis.
    ZeroBased<double, 2> NoiseStd{}; ///< noise deviation per receiver, V/A
    StationTable shorted{};          ///< station 3 minus station 2
    StationTable RxTurnsRatio{};     ///< station 4 / station 2
    StationTable TxTurnsRatio{};     ///< station 1 / station 2
    bool analysed = false;           ///< the tables hold the results of the analysis
};

/// Equipment kinds of the voltage check and the reference model: 0 "Tavrel", 1 "Kembra", 2 "Other".
inline constexpr int SysTestKinds = 3;

/// Reads a system test file into d (reset first). Every message goes to op, each distinct one once. Returns
/// false when the load ended early: the file cannot be read, its "ChnUnits" are neither "uV" nor "uV/A", or a
/// field the reader needs is absent or unreadable (that message names the column and the line).
/// A load that ended early leaves d at its default (zeroed) value.
bool ReadSystemTestFile(SystemTestData& d, const std::string& fileName, int kind, Operator& op);

/// The same from text already in memory (lines end in CR LF, LF or CR).
bool ReadSystemTestText(SystemTestData& d, std::string_view text, int kind, Operator& op);

} // namespace tem
