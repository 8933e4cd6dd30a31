#pragma once
// Rules of the time base window that need no window: the frequency and sample-rate tables, derived
// timing, gates in the off time and in the ramp, gate consistency, the channel delays and the
// time-line series, and the known gate sets kept in the configuration folder.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tem {

struct Configuration;
struct TTimeBase;
class Operator;

// ---- Waveform frequency ------------------------------------------------------------------------
/// Item 4 of a frequency group: any frequency that is not one of the four standard ones.
inline constexpr int OtherFrequencyItem = 4;
/// Caption of item 0..4 of a frequency group for a power-line base frequency (50 gives the 50 Hz
/// column, anything else the 60 Hz column): "200", "100", "25", "12.5", "Other" or "240" ... "15".
std::string FrequencyItemLabel(int baseFrequency, int item);
/// Frequency (Hz) of standard item 0..3 for a base frequency.
double StandardFrequency(int baseFrequency, int item);
/// The item that shows a stored frequency, by its integer part: 200/240 -> 0, 100/120 -> 1,
/// 25/30 -> 2, 12/15 -> 3, anything else -> 4 ("Other").
int FrequencyItemOf(double frequency);
/// A standard frequency moved to the same row for another base frequency; others unchanged.
double MoveFrequencyToBase(double frequency, int newBaseFrequency);
/// Base frequency change: every shown transmitter's time base gets the new base frequency and
/// its standard frequency moves to the same row.
void ApplyBaseFrequency(Configuration& cfg, int baseFrequency);

// ---- Sampling rate -----------------------------------------------------------------------------
inline constexpr std::array<int, 3> StandardSamplingRates = {156250, 312500, 625000}; ///< Hz
inline constexpr int OtherSampleRateItem = 3;
/// Item 0..2 for a standard rate, 3 ("Other") for any other.
int SampleRateItemOf(int rate);
/// The "Other" rate typed in kilohertz, as samples per second rounded down. Throws
/// ConversionError naming the text when it is not a number or gives no usable rate.
int SampleRateFromKilohertz(std::string_view text);
/// Text of the "Other" rate edit: kilohertz in "%10.4f", or "99999" for a stored rate of -1.
std::string SampleRateEditText(int rate);

// ---- Derived timing ----------------------------------------------------------------------------
/// Period, off/on duration (a quarter period) and sampling time (stacks x period) of Tx[tx].
void DeriveTransmitterTiming(Configuration& cfg, int tx);
/// Gates of the transmitter's time base that close inside the off time:
/// drivenGateEnd + PreBinAppliedSamplingDelay < 0.25 / frequency.
int GatesClosingInOffTime(const Configuration& cfg, int tx);
/// A warning for every transmitter on TimeBase[timeBase] whose off time (a quarter period) ends
/// before the last gate of the set closes (drivenGateEnd + PreBinAppliedSamplingDelay): such
/// gates measure while the transmitter is on again. Empty when every gate fits.
std::string GatesPastOffTimeWarning(const Configuration& cfg, int timeBase);
/// Gates in the current ramp of every channel, into SysResp[c].drivenGatesInRamp: the gates
/// 1..NoGates with 1.1 x ramp > MeaTimeDelay + (drivenGateStart - GateTimeShift).
void CountGatesInRampAllChannels(Configuration& cfg);

// ---- Gate tables -------------------------------------------------------------------------------
struct Gate {
    double centre = 0, width = 0, start = 0, end = 0; ///< s
};
/// Consistency tolerance (s): time base 1 allows 1 % of the centre but at least 0.2 us; any other
/// time base 0.2 us.
double GateTolerance(int timeBase, double centre);
/// The centre lies within the tolerance of start + width / 2 and the end within it of start + width.
bool GateConsistent(const Gate& g, double tolerance);
/// Stores gates 1..gates.size() into the time base; returns false when any is inconsistent.
/// Throws ListIndexError for more gates than a time base holds.
bool StoreGates(TTimeBase& tb, int timeBase, const std::vector<Gate>& gates);
inline constexpr std::string_view GateConsistencyMessage =
    "Some Gate Centre and End Times did not match values anticipated from Gate Start and Width Times.";

// ---- Channel delays ----------------------------------------------------------------------------
/// One column of the channel delays grid (rows 1 to 9).
struct ChannelDelays {
    double rxDelay = 0;       ///< PreBinAppliedRxDelay of the channel's receiver, s
    double gateTimeShift = 0; ///< s
    double meaTimeDelay = 0;  ///< s
    double gate1AsApplied = 0;
    double gate1Modelling = 0;
    int timeBase = 0, tx = 0, rx = 0, gatesInRamp = 0;
};
ChannelDelays ChannelDelaysOf(const Configuration& cfg, int channel);
/// Rows 1 to 3 of a column into the model.
void StoreChannelDelays(Configuration& cfg, int channel, double rxDelay, double gateTimeShift,
                        double meaTimeDelay);
inline constexpr std::array<std::string_view, 10> ChannelDelayRowNames = {"ChnDelays",
                                                                          "PreBinAppliedRxDelay-Hidden",
                                                                          "GateTimeShift-Modelled",
                                                                          "MeaTimeDelay-AarhusInst",
                                                                          "Gate1Adjusted-AsApplied",
                                                                          "Gate1Adjusted-Modelling",
                                                                          "Timebase#",
                                                                          "Tx#",
                                                                          "Rx#",
                                                                          "GatesInRamp"};

// ---- Time line ---------------------------------------------------------------------------------
struct TimelineSeries {
    std::vector<double> outputX, outputY;         ///< shifted output gate centres, y 0.6
    std::vector<double> instrumentX, instrumentY; ///< gates from the ramp start trigger, y 0.2
    std::vector<double> rampX, rampY;             ///< waveform points from time 0, |amplitude|
    double linearEnd = 0;                         ///< GateCentre[10] of the time base
    double logEnd = 0;                            ///< GateCentre[NoGates] of the time base
};
inline constexpr double TimelineLogStart = 1e-6; ///< s
TimelineSeries Timeline(const Configuration& cfg, int channel);

// ---- Known gate sets ---------------------------------------------------------------------------
/// The names offered by the default (auxiliary = false) or auxiliary name list; item 0 is
/// "not_named".
const std::vector<std::string>& KnownGateSetNames(bool auxiliary);
/// The names a name list offers: the known names (KnownGateSetNames, in their order, so that
/// GateSetKnownIndex keeps its meaning), then the name of every other ".chn" file (any letter case)
/// in configFolder + "Channel_Files/", sorted.
std::vector<std::string> GateSetChoices(bool auxiliary, const std::string& configFolder);
/// configFolder + "Channel_Files/" + name + ".chn". When that exact file is missing, a file in
/// the folder whose name differs only in letter case is used (the sets are often copied from
/// systems that ignore case).
std::string KnownGateSetFile(const std::string& configFolder, const std::string& name);
/// Reads the stored gate set into TimeBase[timeBase]. Throws InOutError naming the file when it
/// does not exist; nothing is changed then.
void LoadKnownGateSet(Configuration& cfg, const std::string& configFolder, const std::string& name,
                      int timeBase, Operator& op);

} // namespace tem
