#include "core/rules/timebase_rules.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

#include "core/action_error.h"
#include "core/files/chn_file.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/derived.h"

namespace tem {

namespace {

// Rows of the frequency table: the 50 Hz and 60 Hz columns and the integer parts that select a row.
struct FrequencyRow {
    double at50, at60;
    const char *label50, *label60;
    int int50, int60;
};
constexpr std::array<FrequencyRow, 4> FrequencyTable = {{
    {200, 240, "200", "240", 200, 240},
    {100, 120, "100", "120", 100, 120},
    {25, 30, "25", "30", 25, 30},
    {12.5, 15, "12.5", "15", 12, 15},
}};

int gateLimit(int n)
{
    return std::clamp(n, 0, MaxGates);
}

} // namespace

std::string FrequencyItemLabel(int baseFrequency, int item)
{
    if (item < 0 || item >= static_cast<int>(FrequencyTable.size()))
        return "Other";
    const FrequencyRow& row = FrequencyTable[static_cast<std::size_t>(item)];
    return baseFrequency == 50 ? row.label50 : row.label60;
}

double StandardFrequency(int baseFrequency, int item)
{
    const FrequencyRow& row = FrequencyTable.at(static_cast<std::size_t>(item));
    return baseFrequency == 50 ? row.at50 : row.at60;
}

int FrequencyItemOf(double frequency)
{
    const double whole = std::trunc(frequency);
    for (std::size_t i = 0; i < FrequencyTable.size(); ++i)
        if (whole == FrequencyTable[i].int50 || whole == FrequencyTable[i].int60)
            return static_cast<int>(i);
    return OtherFrequencyItem;
}

double MoveFrequencyToBase(double frequency, int newBaseFrequency)
{
    const int item = FrequencyItemOf(frequency);
    return item == OtherFrequencyItem ? frequency : StandardFrequency(newBaseFrequency, item);
}

void ApplyBaseFrequency(Configuration& cfg, int baseFrequency)
{
    for (int t = 1; t <= std::min(cfg.NumTx, 2); ++t) {
        TTransmitter& tx = cfg.Tx[t];
        cfg.TimeBase[tx.TimeBaseNumber].PowerlineBaseFrequency = baseFrequency;
        tx.FullWaveformRepetitionFrequency =
            MoveFrequencyToBase(tx.FullWaveformRepetitionFrequency, baseFrequency);
    }
}

int SampleRateItemOf(int rate)
{
    for (std::size_t i = 0; i < StandardSamplingRates.size(); ++i)
        if (rate == StandardSamplingRates[i])
            return static_cast<int>(i);
    return OtherSampleRateItem;
}

int SampleRateFromKilohertz(std::string_view text)
{
    const std::optional<double> kHz = ParseFloat(text);
    if (!kHz)
        throw ConversionError("'" + Trim(text) +
                              "' is not a valid floating point value for the sample rate (kHz).");
    const double rate = std::floor(*kHz * 1000.0);
    if (!(rate >= std::numeric_limits<int>::min() && rate <= std::numeric_limits<int>::max()))
        throw ConversionError("The sample rate " + Trim(text) + " kHz is out of range.");
    return static_cast<int>(rate);
}

std::string SampleRateEditText(int rate)
{
    if (rate == -1)
        return "99999";
    return FormatFixed(rate / 1000.0, 10, 4);
}

void DeriveTransmitterTiming(Configuration& cfg, int tx)
{
    TTransmitter& t = cfg.Tx[tx];
    t.drivenWaveformPeriod = 1.0 / t.FullWaveformRepetitionFrequency;
    t.drivenWaveformOffOnDuration = t.drivenWaveformPeriod / 4.0;
    t.drivenSamplingTime = cfg.TimeBase[t.TimeBaseNumber].FullWaveformStacks * t.drivenWaveformPeriod;
}

int GatesClosingInOffTime(const Configuration& cfg, int tx)
{
    const TTransmitter& t = cfg.Tx[tx];
    const TTimeBase& tb = cfg.TimeBase[t.TimeBaseNumber];
    const double offTime = 0.25 / t.FullWaveformRepetitionFrequency;
    int n = 0;
    for (int j = 1; j <= gateLimit(tb.NumGatesInSet); ++j)
        if (tb.drivenGateEnd[j] + tb.PreBinAppliedSamplingDelay < offTime)
            ++n;
    return n;
}

std::string GatesPastOffTimeWarning(const Configuration& cfg, int timeBase)
{
    if (timeBase < 1 || timeBase > MaxTimeBases)
        return {};
    const TTimeBase& tb = cfg.TimeBase[timeBase];
    const int last = gateLimit(tb.NumGatesInSet);
    if (last < 1)
        return {};
    const double lastEnd = tb.drivenGateEnd[last] + tb.PreBinAppliedSamplingDelay;
    std::string out;
    for (int tx = 1; tx <= std::min(cfg.NumTx, MaxTx); ++tx) {
        const TTransmitter& t = cfg.Tx[tx];
        if (t.TimeBaseNumber != timeBase || !(t.FullWaveformRepetitionFrequency > 0))
            continue;
        const double offTime = 0.25 / t.FullWaveformRepetitionFrequency;
        if (!(lastEnd > offTime))
            continue;
        out += (out.empty() ? "" : "\n") + std::string("Warning: the last gate (") + std::to_string(last) +
               ") of time base " + std::to_string(timeBase) + " ends at " + FormatGeneral(lastEnd * 1e3) +
               " ms, after the " + FormatGeneral(offTime * 1e3) + " ms off time of transmitter " +
               std::to_string(tx) + " at " + FormatGeneral(t.FullWaveformRepetitionFrequency) +
               " Hz. Gates past the off time measure while the transmitter is on.";
    }
    return out;
}

void CountGatesInRampAllChannels(Configuration& cfg)
{
    // The derived quantities' count: one rule for a gate in the ramp everywhere.
    for (int c = 1; c <= std::min(cfg.NumAcqChn, MaxAcqChn); ++c)
        cfg.SysResp[c].drivenGatesInRamp = GatesInRamp(cfg, c);
}

double GateTolerance(int timeBase, double centre)
{
    constexpr double floor = 2e-7;
    return timeBase == 1 ? std::max(0.01 * std::abs(centre), floor) : floor;
}

bool GateConsistent(const Gate& g, double tolerance)
{
    return std::abs(g.centre - (g.start + g.width / 2)) <= tolerance &&
           std::abs(g.end - (g.start + g.width)) <= tolerance;
}

bool StoreGates(TTimeBase& tb, int timeBase, const std::vector<Gate>& gates)
{
    if (gates.size() > static_cast<std::size_t>(MaxGates))
        throw ListIndexError("A time base holds at most " + std::to_string(MaxGates) + " gates.");
    bool allConsistent = true;
    for (std::size_t i = 0; i < gates.size(); ++i) {
        const int j = static_cast<int>(i) + 1;
        const Gate& g = gates[i];
        tb.GateCentre[j] = g.centre;
        tb.GateWidth[j] = g.width;
        tb.drivenGateStart[j] = g.start;
        tb.drivenGateEnd[j] = g.end;
        if (!GateConsistent(g, GateTolerance(timeBase, g.centre)))
            allConsistent = false;
    }
    return allConsistent;
}

ChannelDelays ChannelDelaysOf(const Configuration& cfg, int channel)
{
    const TAcqChn& chn = cfg.AcqChn[channel];
    const int tx = chn.TxNumber;
    ChannelDelays d;
    d.rxDelay = cfg.Rx[chn.RxCoilNumber].PreBinAppliedRxDelay;
    d.gateTimeShift = chn.GateTimeShift;
    d.meaTimeDelay = chn.MeaTimeDelay;
    // The window pairs transmitter t with time base t, as its two columns do.
    const TTimeBase& tb = cfg.TimeBase[tx];
    d.gate1AsApplied = tb.GateCentre[1] + d.rxDelay + chn.MeaTimeDelay + tb.PreBinAppliedSamplingDelay;
    d.gate1Modelling = tb.GateCentre[1] + chn.GateTimeShift + chn.MeaTimeDelay;
    d.timeBase = cfg.Tx[tx].TimeBaseNumber;
    d.tx = tx;
    d.rx = chn.RxCoilNumber;
    d.gatesInRamp = cfg.SysResp[channel].drivenGatesInRamp;
    return d;
}

void StoreChannelDelays(Configuration& cfg, int channel, double rxDelay, double gateTimeShift,
                        double meaTimeDelay)
{
    TAcqChn& chn = cfg.AcqChn[channel];
    cfg.Rx[chn.RxCoilNumber].PreBinAppliedRxDelay = rxDelay;
    chn.GateTimeShift = gateTimeShift;
    chn.MeaTimeDelay = meaTimeDelay;
}

TimelineSeries Timeline(const Configuration& cfg, int channel)
{
    TimelineSeries s;
    const TAcqChn& chn = cfg.AcqChn[channel];
    const int tx = chn.TxNumber;
    const TTransmitter& t = cfg.Tx[tx];
    const TTimeBase& tb = cfg.TimeBase[t.TimeBaseNumber];
    const double rxDelay = cfg.Rx[chn.RxCoilNumber].PreBinAppliedRxDelay;
    const int gates = gateLimit(t.NoGates);
    for (int j = 1; j <= gates; ++j) {
        s.outputX.push_back(tb.GateCentre[j] - chn.GateTimeShift + chn.MeaTimeDelay);
        s.outputY.push_back(0.6);
        s.instrumentX.push_back(tb.GateCentre[j] + tb.PreBinAppliedSamplingDelay + rxDelay +
                                chn.MeaTimeDelay);
        s.instrumentY.push_back(0.2);
    }
    const TTxWaveform& w = cfg.TxWaveform[tx];
    for (int i = 1; i <= std::clamp(w.WaveformPointsDigitized, 0, MaxWaveformPoints); ++i) {
        if (w.WaveformPointTimes[i] >= 0) {
            s.rampX.push_back(w.WaveformPointTimes[i]);
            s.rampY.push_back(std::abs(w.WaveformPointAmplitudes[i]));
        }
    }
    s.linearEnd = tb.GateCentre[10];
    s.logEnd = tb.GateCentre[gates];
    return s;
}

const std::vector<std::string>& KnownGateSetNames(bool auxiliary)
{
    static const std::vector<std::string> names = {"not_named",
                                                   "TerraTEM24_HiRes",
                                                   "TerraTEM24_Intermediate",
                                                   "TerraTEM24_Long",
                                                   "TerraTEM_HiRes_Smooth",
                                                   "TerraTEM_Inter_Smooth",
                                                   "TerraTEM_Long_Smooth",
                                                   "TerraTEM_Early",
                                                   "TerraTEM_Intermediate",
                                                   "TerraTEM_Late",
                                                   "SiroTEM_Early",
                                                   "SiroTEM_Composite",
                                                   "SiroTEM_HiRes",
                                                   "SiroTEM_Standard",
                                                   "TerraTEM16HiResResampleAarhus",
                                                   "TerraTEM16HiResSmoothResampleAarhus",
                                                   "TerraTEM24HiResResampleAarhus",
                                                   "TerraTEM24InterResampleAarhus",
                                                   "TerraTEM24Long_ResampleAarhus"};
    static const std::vector<std::string> auxNames = [] {
        std::vector<std::string> v = names;
        v[14] = "TerraTEM16ResampleAarhus";
        return v;
    }();
    return auxiliary ? auxNames : names;
}

std::vector<std::string> GateSetChoices(bool auxiliary, const std::string& configFolder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> out = KnownGateSetNames(auxiliary);
    std::vector<std::string> known;
    for (const std::string& n : out)
        known.push_back(UpperCase(n));
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(configFolder + "Channel_Files/", ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path& p = it->path();
        if (UpperCase(p.extension().string()) != ".CHN" || !it->is_regular_file(ec))
            continue;
        const std::string stem = p.stem().string();
        if (std::find(known.begin(), known.end(), UpperCase(stem)) == known.end())
            found.push_back(stem);
    }
    std::sort(found.begin(), found.end());
    out.insert(out.end(), found.begin(), found.end());
    return out;
}

std::string KnownGateSetFile(const std::string& configFolder, const std::string& name)
{
    namespace fs = std::filesystem;
    const std::string folder = configFolder + "Channel_Files/";
    const std::string exact = folder + name + ".chn";
    std::error_code ec;
    if (fs::exists(exact, ec))
        return exact;
    const std::string wanted = UpperCase(name + ".chn");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (UpperCase(it->path().filename().string()) == wanted)
            return it->path().string();
    return exact;
}

void LoadKnownGateSet(Configuration& cfg, const std::string& configFolder, const std::string& name,
                      int timeBase, Operator& op)
{
    const std::string file = KnownGateSetFile(configFolder, name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw InOutError("The stored gate set file " + file + " does not exist. No gates were loaded.");
    ReadMonexChnTimegateFile(cfg, file, timeBase, op);
}

} // namespace tem
