#pragma once
// What the crew reads from a loaded system test: station averages, the response of a shorted
// transmitter loop turn beside a reference model, receiver-turns and transmitter-turns ratios, the
// noise level, and the station-8 site response exported for the system-response editor.

#include <string>
#include <vector>

#include "core/systest/system_test_file.h"

namespace tem {

class Operator;

/// Gate centres of the system test, ms: runs of 16 gates of 6.4, 12.8, 25.6, 51.2 and 102.4 µs,
/// gate 1 centred at 0.0036 ms. They do not depend on the configuration's time bases.
const OneBased<double, MaxChan>& SysTestGateTimes();

/// Turns the sums of a load into results: station-6 noise normalised by the selected
/// configuration's current and its deviation, station averages (-1 for a station without Z lines),
/// the shorted-loop difference and the turns ratios. A division by zero leaves NaN.
void AnalyseSystemTest(SystemTestData& d, Operator& op);

/// ReadSystemTestFile followed, when the file was read, by AnalyseSystemTest; each distinct message
/// once. Returns false when the load ended early.
bool LoadSystemTest(SystemTestData& d, const std::string& fileName, int kind, Operator& op);

/// How a value is drawn on a logarithmic axis: its magnitude, at least 1e-6; NaN (undefined) and
/// infinite values give NaN, a gap.
double SysTestPlotMagnitude(double v);

// ---- Reference response of a shorted loop turn ----------------------------------------------------

/// A value per equipment kind (0..2) and receiver (0 Z, 1 X).
using KindReceiverTable = ZeroBased<ZeroBased<double, 2>, SysTestKinds>;

/// The small model of the shorted-loop response the window edits (each showing starts from the
/// defaults).
struct ShortedLoopModel {
    KindReceiverTable PreAmpGain{};
    KindReceiverTable Inductance{}; ///< H
    KindReceiverTable Resistance{}; ///< ohm
    KindReceiverTable Tau{};        ///< s, Inductance / Resistance
    KindReceiverTable InitMagn{};   ///< V/A
    KindReceiverTable RxDelay{};    ///< s

    static ShortedLoopModel Defaults();
};

/// What each kind of equipment should show; for comparison only.
struct AnticipatedValues {
    double AntAmp2P = 0, AntAmp1P = 0;                    ///< A
    double AntRamp2P = 0, AntRamp1P = 0, AntRamp2P2S = 0; ///< s
    ZeroBased<double, 2> AntNoise{};                      ///< V/A per receiver
};
const AnticipatedValues& Anticipated(int kind);

struct ReferencePoint {
    double timeMs = 0;  ///< gate centre, ms
    double plotted = 0; ///< the value drawn: |value| (Z), max(|value|, 1e-6) (X)
    double value = 0;   ///< µV/A, signed: the point's label
};

/// The reference curve of one kind and receiver at every gate (CalcShorted).
std::vector<ReferencePoint> CalcShorted(const ShortedLoopModel& m, int kind, int receiver);

// ---- Station-8 site response --------------------------------------------------------------------

inline constexpr const char* Stn8SiteResponseName = "Stn8SiteResponse.CSV";

/// The export's text: a header that the system-response editor's field-data reader accepts, then
/// one line per gate with the station-8 Z and X averages (µV/A) and a zero third channel.
std::string Stn8SiteResponseText(const SystemTestData& d);
/// Writes the export anew (a failed write leaves an existing file as it was). Throws InOutError.
void WriteStn8SiteResponse(const SystemTestData& d, const std::string& fileName);

} // namespace tem
