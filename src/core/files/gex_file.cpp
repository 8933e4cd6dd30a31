#include "core/files/gex_file.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/action_error.h"
#include "core/files/config_formats.h"
#include "core/files/config_shared.h"
#include "core/files/keyword_file.h"
#include "core/files/known_sections.h"
#include "core/files/loop_shapes.h"
#include "core/files/protection.h"
#include "core/files/record_io.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/model/derived.h"
#include "core/operator.h"

// GEX keeps the system in one [General] section whose exchange keywords come in single-moment,
// low-moment ("LM") and high-moment ("HM") families, plus one [Channel] section per channel. What
// the exchange format cannot carry lives in our own [Transmitter], [RxCoil], [Vehicle] and
// [SysResp] sections. Files arrive from other programs too, so every numbered key is looked for in
// its one-, two- and three-digit forms.

namespace tem {

namespace {

namespace fs = std::filesystem;

constexpr TINIFileFormat Fmt = TINIFileFormat::GEX;

std::string Gen()
{
    return std::string(SectionGen(Fmt));
}
std::string TxSec(int t)
{
    return std::string(SectionTx(Fmt)) + std::to_string(t);
}
std::string RxSec(int r)
{
    return std::string(SectionRx(Fmt)) + std::to_string(r);
}
std::string SysRespSec(int c)
{
    return "SysResp" + FormatNumbered(c, 2);
}
const std::string VehicleSec = "Vehicle";

std::string Key(std::string_view base, long long n, int digits)
{
    return std::string(base) + FormatNumbered(n, digits);
}

bool NamedGex(const std::string& path)
{
    const ConfigFormat* f = ConfigFormatOfFile(path);
    return f && f->format == TINIFileFormat::GEX;
}

int ClampToInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

/// Truncates towards zero; values beyond the integer range or not finite give the nearest bound or 0.
int TruncToInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(v), double(INT_MIN), double(INT_MAX)));
}

int ReadInt(const KeywordFile& f, std::string_view sec, std::string_view key, int def)
{
    return ClampToInt(f.ReadInteger(sec, key, def));
}

/// The first of base + n in the given numbered forms that exists in the section.
std::optional<std::string> FindNumbered(const KeywordFile& f, std::string_view sec, std::string_view base,
                                        long long n, std::initializer_list<int> forms = {1, 2, 3})
{
    for (int d : forms) {
        std::string k = Key(base, n, d);
        if (f.ValueExists(sec, k))
            return k;
    }
    return std::nullopt;
}

/// A count taken from the keys or sections found stops at the model's limit; says so when more were there.
void ReportBeyondLimit(Operator& op, const std::string& what, int limit)
{
    op.inform("More than " + std::to_string(limit) + " " + what + " were found; only the first " +
              std::to_string(limit) + " are read.");
}

/// A three-number position of [General] with the filler; numbers that are missing give 0.
void ReadPosition(const KeywordFile& f, const std::string& key, std::string_view def, double& x, double& y,
                  double& z)
{
    const auto tok = SplitVector(f.ReadString(Gen(), key, def), true);
    x = TokenFloat(tok, 0, 0);
    y = TokenFloat(tok, 1, 0);
    z = TokenFloat(tok, 2, 0);
}

// =====================================================================================================
// Reading
// =====================================================================================================

class GexReader {
  public:
    GexReader(Configuration& cfg, const KeywordFile& f, Operator& op) : cfg_(cfg), f_(f), op_(op) {}

    void Run()
    {
        ReadGeneral();
        ReadReceivers();
        ReadTransmitters();
        ReadChannels();
        TxRxAliasAcqChnMapping(cfg_, op_);
        cfg_.LinkTxApproximateCurrenttoTxAmps = f_.ReadBool(Gen(), "LinkTxApproximateCurrenttoTxAmps", false);
        if (cfg_.LinkTxApproximateCurrenttoTxAmps)
            LinkChannelCurrentsToTransmitters(cfg_);
        ReadRepetitionFrequencies();
        ReadTimeBases();
        ReadVehicle();
        ReadSystemResponses();
        ReadWaveforms();
    }

  private:
    Configuration& cfg_;
    const KeywordFile& f_;
    Operator& op_;
    std::vector<double> chnRepFreq_;        // "RepFreq" of each channel, index c - 1
    mutable bool gatesBeyondLimit_ = false; // FindGateKeys saw a gate number the model cannot hold

    // ---- General section and counts ----
    void ReadGeneral()
    {
        const std::string G = Gen();
        ReadRecordFields<Configuration>(f_, G, cfg_, GeneralFields(), Fmt, op_);
        cfg_.MasterTamperCheckCRC = static_cast<std::uint32_t>(f_.ReadInteger(G, "MasterTamperCheckCRC", 0));
        cfg_.DataType = Trim(f_.ReadString(G, "DataType", ""));
        cfg_.FrontGateDelay = f_.ReadFloat(G, "FrontGateDelay", 0);
        cfg_.CalculateRawDataSTD =
            f_.ValueExists(G, "CalculateRawDataSTD") ? ReadInt(f_, G, "CalculateRawDataSTD", 0) : -1;
        cfg_.GateNoForPowerLineMonitor = f_.ValueExists(G, "GateNoForPowerLineMonitor")
                                             ? ReadInt(f_, G, "GateNoForPowerLineMonitor", 15)
                                             : -1;

        // Channels: the key, else the consecutive [Channel] sections.
        if (f_.ValueExists(G, "NumAcqChn")) {
            cfg_.NumAcqChn = ClampReported(ReadInt(f_, G, "NumAcqChn", 1), 1, MaxAcqChn, G, "NumAcqChn", op_);
        } else {
            int n = 0;
            while (n < MaxAcqChn && ChannelSectionExists(n + 1))
                ++n;
            if (n == MaxAcqChn && ChannelSectionExists(n + 1))
                ReportBeyondLimit(op_, "[Channel] sections", MaxAcqChn);
            cfg_.NumAcqChn = std::max(n, 1);
        }

        // Transmitters: the key, else one per turns key of the three families.
        int numTx = 0;
        if (f_.ValueExists(G, "NumTx")) {
            numTx = ReadInt(f_, G, "NumTx", 1);
            if (numTx < 1)
                numTx = ClampReported(numTx, 1, MaxTx, G, "NumTx", op_);
        } else {
            for (const char* k : {"NumberOfTurns", "NumberOfTurnsLM", "NumberOfTurnsHM"})
                numTx += f_.ValueExists(G, k) ? 1 : 0;
            numTx = std::max(numTx, 1);
        }
        if (numTx > 2) {
            op_.inform("Only 1 or 2 transmitter moments are possible in GEX format - reduced to 2");
            numTx = 2;
        }
        cfg_.NumTx = numTx;

        // Time bases: the key, else one per gate family present in [General].
        int numTb = 0;
        if (f_.ValueExists(G, "NumTimebases")) {
            numTb = ReadInt(f_, G, "NumTimebases", 1);
            if (numTb < 1)
                numTb = ClampReported(numTb, 1, MaxTimeBases, G, "NumTimebases", op_);
        } else {
            for (const char* k : {"GateTime", "GateTimeLM", "GateTimeHM"})
                numTb += FindNumbered(f_, G, k, 1) ? 1 : 0;
            numTb = std::max(numTb, 1);
        }
        if (numTb > 2) {
            op_.inform("Only 1 or 2 timebases are possible in GEX format - reduced to 2");
            numTb = 2;
        }
        cfg_.NumTimebases = numTb;

        // Receivers: the key, else the consecutive receiver positions.
        if (f_.ValueExists(G, "NumRx")) {
            cfg_.NumRx = ClampReported(ReadInt(f_, G, "NumRx", 1), 1, MaxRx, G, "NumRx", op_);
        } else {
            int n = 0;
            while (n < MaxRx && FindNumbered(f_, G, "RxCoilPosition", n + 1, {2, 1, 3}))
                ++n;
            if (n == MaxRx && FindNumbered(f_, G, "RxCoilPosition", n + 1, {2, 1, 3}))
                ReportBeyondLimit(op_, "receiver positions (RxCoilPosition keys in [" + G + "])", MaxRx);
            cfg_.NumRx = std::max(n, 1);
        }

        for (int c = 1; c <= cfg_.NumAcqChn; ++c) {
            cfg_.SysResp[c] = DefaultSystemResponse();
            cfg_.SysResp[c].SimulRxDelay_uS = 0;
            cfg_.SysResp[c].SysRespExists = f_.ReadBool(G, Key("SysRespExists", c, 2), false);
        }
    }

    bool ChannelSectionExists(int c) const
    {
        return f_.SectionExists(ChannelSection(c, 2)) || f_.SectionExists(ChannelSection(c, 1));
    }
    static std::string ChannelSection(int c, int digits) { return Key(SectionChn(Fmt), c, digits); }
    /// "Channel" + c in the two-digit form when that section exists, else the plain number.
    std::string ChannelSectionToRead(int c) const
    {
        const std::string two = ChannelSection(c, 2);
        return f_.SectionExists(two) ? two : ChannelSection(c, 1);
    }

    // ---- Receivers ----
    void ReadReceivers()
    {
        const std::string G = Gen();
        for (int r = 1; r <= cfg_.NumRx; ++r) {
            const std::string R = RxSec(r);
            TReceiver& rx = cfg_.Rx[r];
            rx = DefaultReceiver();
            {
                const auto key = FindNumbered(f_, G, "RxCoilPosition", r, {1, 2, 3});
                const auto tok = SplitVector(key ? f_.ReadString(G, *key, "") : "1.83 0.00 -1.20", true);
                rx.CentroidX = TokenFloat(tok, 0, 0);
                rx.CentroidY = TokenFloat(tok, 1, 0);
                rx.CentroidZ = TokenFloat(tok, 2, 0);
            }
            ReadRecordFields<TReceiver>(f_, R, rx, ReceiverFields(), Fmt, op_);
            {
                const auto key = FindNumbered(f_, G, "RxCoilLPFilter", r, {1, 2, 3});
                const auto tok = SplitVector(key ? f_.ReadString(G, *key, "") : "1.00 60000", true);
                rx.FilterOrder = TokenFloat(tok, 0, 1);
                rx.FilterHz = TokenFloat(tok, 1, 60000);
            }
            rx.RxType = RxTypeFromText(f_.ReadString(R, "RxType", ""));
            if (SameText(rx.Shape, "Polygon")) {
                rx.Loopsides =
                    ClampReported(ReadInt(f_, R, "Loopsides", 4), 0, MaxLoopSides, R, "Loopsides", op_);
                for (int k = 1; k <= rx.Loopsides; ++k) {
                    rx.NodeX[k] = ReadReceiverNode(R, "NodeX", k, UnitCircleX(k));
                    rx.NodeY[k] = ReadReceiverNode(R, "NodeY", k, UnitCircleY(k));
                    rx.NodeZ[k] = ReadReceiverNode(R, "NodeZ", k, 0);
                }
            }
        }
    }

    /// A receiver polygon vertex: the numbered key, else the unnumbered key, else the circle value.
    double ReadReceiverNode(const std::string& R, std::string_view base, int k, double def) const
    {
        if (auto key = FindNumbered(f_, R, base, k, {2, 1, 3}))
            return f_.ReadFloat(R, *key, def);
        return f_.ReadFloat(R, base, def);
    }

    // ---- Transmitters ----
    void ReadTransmitters()
    {
        const std::string G = Gen();
        cfg_.TxSingle = cfg_.TxLM = cfg_.TxHM = cfg_.TxOther = 0;
        for (int t = 1; t <= cfg_.NumTx; ++t) {
            const std::string T = TxSec(t);
            TTransmitter& tx = cfg_.Tx[t];
            // Fields that only a channel carries start from the defaults, not from an earlier file.
            tx = DefaultTransmitter();
            tx.NoGates = 1;

            // Moment, given or inferred from the turns keys of [General].
            const std::string momentText = f_.ReadString(T, "MomentID", "Bogus");
            const auto given = MomentIDFromText(momentText);
            if (given &&
                (*given == TMomentID::SingleM || *given == TMomentID::LM || *given == TMomentID::HM)) {
                tx.MomentID = *given;
            } else if (given && *given == TMomentID::Other) {
                tx.MomentID = TMomentID::Other;
                op_.inform("MomentID=Other declared but GEX cannot document such a case");
            } else if (f_.ValueExists(G, "NumberOfTurns")) {
                tx.MomentID = TMomentID::SingleM;
            } else if (f_.ValueExists(G, "NumberOfTurnsLM")) {
                tx.MomentID = t == 1 ? TMomentID::LM : TMomentID::HM;
            } else if (f_.ValueExists(G, "NumberOfTurnsHM")) {
                tx.MomentID = TMomentID::HM;
            } else {
                tx.MomentID = TMomentID::SingleM;
            }
            RecordTransmitterRole(cfg_, t);

            // Centroid.
            std::optional<std::string> posKey;
            for (const auto& k : {Key("TxCoilPosition", t, 1), Key("TxCoilPosition", t, 2),
                                  std::string("TxCoilPosition1"), std::string("TxCoilPosition01")})
                if (!posKey && f_.ValueExists(G, k))
                    posKey = k;
            if (posKey) {
                const auto tok = SplitVector(f_.ReadString(G, *posKey, "0.00 0.00 0.00"), true);
                tx.CentroidX = TokenFloat(tok, 0, 0);
                tx.CentroidY = TokenFloat(tok, 1, 0);
                tx.CentroidZ = TokenFloat(tok, 2, -1.8);
            } else {
                tx.CentroidX = f_.ReadFloat(T, "CentroidX", 0);
                tx.CentroidY = f_.ReadFloat(T, "CentroidY", 0);
                tx.CentroidZ = f_.ReadFloat(T, "CentroidZ", 0);
            }

            // Number of vertices: the key, else the vertex keys found.
            if (f_.ValueExists(T, "LoopSides")) {
                tx.LoopSides =
                    ClampReported(ReadInt(f_, T, "LoopSides", 4), 0, MaxLoopSides, T, "LoopSides", op_);
            } else {
                int n = 0;
                for (int k = 1; k <= MaxLoopSides; ++k)
                    if (FindNumbered(f_, T, "TxLoopPoint", k) ||
                        (t == 1 && FindNumbered(f_, G, "TxLoopPoint", k)))
                        ++n;
                tx.LoopSides = (n == 0 && t > 1) ? cfg_.Tx[1].LoopSides : n;
                if (FindNumbered(f_, T, "TxLoopPoint", MaxLoopSides + 1) ||
                    (t == 1 && FindNumbered(f_, G, "TxLoopPoint", MaxLoopSides + 1)))
                    ReportBeyondLimit(op_, "loop vertices (TxLoopPoint keys)", MaxLoopSides);
            }

            // Vertices, from the transmitter section when there, else from [General].
            for (int n = 1; n <= tx.LoopSides; ++n) {
                std::string value = "0 0";
                if (auto k = FindNumbered(f_, T, "TxLoopPoint", n, {1, 2, 3}))
                    value = f_.ReadString(T, *k, "0 0");
                else if (auto kg = FindNumbered(f_, G, "TxLoopPoint", n, {1, 2, 3}))
                    value = f_.ReadString(G, *kg, "0 0");
                ReadLoopVertex(value, tx, n - 1);
            }
            CloseLoop(tx);

            // Primary field deviation and loop type.
            // Our writer keeps the deviation in the transmitter section; other files have it in [General].
            tx.PrimaryFieldSTD = f_.ValueExists(T, "PrimaryFieldSTD") ? f_.ReadFloat(T, "PrimaryFieldSTD", 0)
                                                                      : f_.ReadFloat(G, "PrimaryFieldSTD", 0);
            tx.LoopType = ReadInt(f_, G, "LoopType", 72);
            if (tx.LoopType == 7) {
                const std::string sidesSec = t == 1 ? G : T;
                const std::string sides = f_.ReadString(sidesSec, "TxLoopSides", "99.0 99.0");
                if (t == 1)
                    op_.inform(
                        "Tx LoopType 7 detected - rectangular loop. This will be stored, in duplication, in "
                        "type 72 - segmented loop vertices format");
                if (t == 1 && sides == "99.0 99.0")
                    op_.inform(
                        "Loop type 7 is specified but TxLoopSides keyword was not detected in the general "
                        "section of the GEX file. Loopsides of 99m have been assumed - please edit "
                        "manually.");
                BuildType7Rectangle(sides, tx);
            } else if (const std::string_view message = LoopTypeMessage(tx.LoopType, Fmt);
                       t == 1 && !message.empty()) {
                op_.inform(std::string(message));
            }

            // Turns, by moment.
            switch (tx.MomentID) {
            case TMomentID::SingleM:
                tx.Turns = ReadInt(f_, G, "NumberOfTurns", 1);
                break;
            case TMomentID::LM:
                tx.Turns = ReadInt(f_, G, "NumberOfTurnsLM", 1);
                break;
            case TMomentID::HM:
                tx.Turns = ReadInt(f_, G, "NumberOfTurnsHM", 1);
                break;
            default:
                tx.Turns = ReadInt(f_, T, "NumberOfTurns", 1);
                break;
            }

            // The loop's area, then the plain keys of the transmitter section (the square side
            // falls back on the area).
            tx.Area = f_.ValueExists(T, "TxLoopArea") ? f_.ReadFloat(T, "TxLoopArea", 1)
                                                      : f_.ReadFloat(G, "TxLoopArea", 1);
            ReadRecordFields<TTransmitter>(f_, T, tx, TransmitterFields(), Fmt, op_);
            tx.AxisOrient = Trim(f_.ReadString(T, "AxisOrientation", "") + "Z").substr(0, 1);
        }
    }

    // ---- Channels, with the transmitter fields GEX keeps per channel ----
    void ReadChannels()
    {
        chnRepFreq_.assign(static_cast<std::size_t>(cfg_.NumAcqChn), 120);
        for (int c = 1; c <= cfg_.NumAcqChn; ++c) {
            const std::string C = ChannelSectionToRead(c);
            TAcqChn& a = cfg_.AcqChn[c];
            const TAcqChn def = DefaultAcqChn(c);
            a.RowID = f_.ReadString(C, "RowID", def.RowID);
            ReadRecordFields<TAcqChn>(f_, C, a, AcqChnFields(), Fmt, op_);

            // 1. Transmitter: the number, else the transmitter of the channel's moment.
            a.TxNumber = ReadInt(f_, C, "TxNumber", -1);
            if (a.TxNumber == -1) {
                const std::string& m = a.TransmitterMoment;
                if (SameText(m, "SingleM"))
                    a.TxNumber = cfg_.TxSingle;
                else if (SameText(m, "LM"))
                    a.TxNumber = cfg_.TxLM;
                else if (SameText(m, "HM"))
                    a.TxNumber = cfg_.TxHM;
                else {
                    op_.inform(
                        "For Channel " + std::to_string(c) +
                        " TransmitterMoment was not recognised (SingleM, LM or HM) - applying SingleM");
                    a.TxNumber = cfg_.TxSingle;
                }
                if (a.TxNumber == 0) {
                    op_.inform("For Channel " + std::to_string(c) + " no transmitter has the moment " + m +
                               " - applying transmitter 1");
                    a.TxNumber = 1;
                }
            }
            a.TxNumber = ClampReported(a.TxNumber, 1, MaxTx, C, "TxNumber", op_);
            TTransmitter& tx = cfg_.Tx[a.TxNumber];

            // 2. Time base of the channel's transmitter.
            int tb = ReadInt(f_, C, "TimeBaseNumber", -1);
            if (tb < 1)
                tb = (c == 2 && tx.MomentID == TMomentID::HM && cfg_.NumTimebases > 1) ? 2 : 1;
            if (tb > MaxTimeBases)
                tb = ClampReported(tb, 1, MaxTimeBases, C, "TimeBaseNumber", op_);
            tx.TimeBaseNumber = tb;

            // 3. Processing values.
            a.AtoDConvGain = f_.ReadFloat(C, "AtoDConvGain", 100);
            a.RemoveGatesFrom = ReadInt(f_, C, "RemoveGatesFrom", 0);

            // 4-6. Sign pattern, gates and repetition frequency of the transmitter.
            tx.SignPattern = ReadSignPattern(f_.ReadString(C, "SignPattern", "1 -1"));
            tx.NoGates = ClampReported(ReadInt(f_, C, "NoGates", 1), 0, MaxGates, C, "NoGates", op_);
            chnRepFreq_[static_cast<std::size_t>(c - 1)] = f_.ReadFloat(C, "RepFreq", 120);
            tx.FullWaveformRepetitionFrequency = chnRepFreq_[static_cast<std::size_t>(c - 1)];

            // 7. Front gate ("FrontGateTime" in other programs' files: keys match without regard to case).
            a.FrontGatetime = f_.ReadFloat(C, "FrontGatetime", -1);
            a.FrontGateExists = a.FrontGatetime >= 0;

            // 8. Low-pass filter of the transmitter's time base.
            ReadLowPassFilter(f_.ReadString(C, "TiBLowPassFilter", "1 60000"), "[" + C + "]", tx);

            // 9. The per-gate lists.
            ReadGateLists(f_, C, a, op_);
        }
    }

    // ---- Repetition frequencies ----
    void ReadRepetitionFrequencies()
    {
        for (int t = 1; t <= cfg_.NumTx; ++t) {
            TTransmitter& tx = cfg_.Tx[t];
            int last = 0;
            for (int c = 1; c <= cfg_.NumAcqChn; ++c)
                if (SameText(cfg_.AcqChn[c].TransmitterMoment, Name(tx.MomentID)))
                    last = c;
            if (last > 0)
                tx.FullWaveformRepetitionFrequency = chnRepFreq_[static_cast<std::size_t>(last - 1)];
            else
                tx.FullWaveformRepetitionFrequency =
                    f_.ReadFloat(TxSec(t), "FullWaveformRepetitionFrequency", t == 1 ? 999 : 120);
        }
    }

    // ---- Time bases ----

    /// Where each gate of time base k is: its transmitter section first, then the [General] family
    /// of its moment, then the single-moment family of [General]; each number in the "%2.2u",
    /// "%3.3u" or "%1u" form, in that order of preference. Built from one pass over the key names.
    using GateKeys = std::vector<std::optional<std::pair<std::string, std::string>>>;
    GateKeys FindGateKeys(int k) const
    {
        const std::string T = TxSec(k);
        const std::string G = Gen();
        std::vector<std::pair<std::string, std::string>> families = {{T, "GateTime"}};
        if (k == cfg_.TxLM)
            families.emplace_back(G, "GateTimeLM");
        if (k == cfg_.TxHM)
            families.emplace_back(G, "GateTimeHM");
        families.emplace_back(G, "GateTime");

        GateKeys keys(MaxGates + 1);
        for (const auto& [sec, base] : families) {
            // Best form found so far for each gate of this family: 0, 1, 2 for "%2.2u", "%3.3u", "%1u".
            std::vector<int> rank(MaxGates + 1, 3);
            GateKeys found(MaxGates + 1);
            for (const std::string& key : f_.Keys(sec)) {
                if (key.size() <= base.size() || key.size() > base.size() + 3 ||
                    !SameText(std::string_view(key).substr(0, base.size()), base))
                    continue;
                const std::string digits = key.substr(base.size());
                if (!std::all_of(digits.begin(), digits.end(),
                                 [](char ch) { return ch >= '0' && ch <= '9'; }))
                    continue;
                const int g = std::stoi(digits);
                if (g > MaxGates)
                    gatesBeyondLimit_ = true;
                if (g < 1 || g > MaxGates)
                    continue;
                const int forms[3] = {2, 3, 1};
                for (int r = 0; r < 3; ++r)
                    if (digits == FormatNumbered(g, forms[r]) && r < rank[g]) {
                        rank[g] = r;
                        found[g] = std::make_pair(sec, key);
                    }
            }
            for (int g = 1; g <= MaxGates; ++g)
                if (!keys[g] && found[g])
                    keys[g] = found[g];
        }
        return keys;
    }

    void ReadTimeBases()
    {
        const std::string G = Gen();
        for (int k = 1; k <= cfg_.NumTimebases; ++k) {
            const std::string T = TxSec(k);
            TTimeBase& tb = cfg_.TimeBase[k];
            tb = DefaultTimeBase();
            ReadRecordFields<TTimeBase>(f_, T, tb, TimeBaseFields(), Fmt, op_);
            tb.PowerlineBaseFrequency = TruncToInt(f_.ReadFloat(G, "FreqForPowerLineMonitor", 50));

            // Number of gates: the key of the time base, else of its [General] family, else counted.
            gatesBeyondLimit_ = false;
            const GateKeys gateKeys = FindGateKeys(k);
            if (gatesBeyondLimit_)
                ReportBeyondLimit(op_, "gates (GateTime keys) for time base " + std::to_string(k), MaxGates);
            int n;
            const char* familyCount = k == 1 ? "NumGatesInSetLM" : "NumGatesInSetHM";
            if (f_.ValueExists(T, "NumGatesInSet")) {
                n = ClampReported(ReadInt(f_, T, "NumGatesInSet", 99), 0, MaxGates, T, "NumGatesInSet", op_);
            } else if (f_.ValueExists(G, familyCount)) {
                n = ClampReported(ReadInt(f_, G, familyCount, 99), 0, MaxGates, G, familyCount, op_);
            } else {
                // Counted up to the model's limit, so files of more than 99 gates lose none.
                n = static_cast<int>(std::count_if(gateKeys.begin(), gateKeys.end(),
                                                   [](const auto& key) { return key.has_value(); }));
            }
            tb.NumGatesInSet = n;

            bool missing = false;
            for (int g = 1; g <= tb.NumGatesInSet; ++g) {
                std::string value = "0 0 0";
                if (const auto& key = gateKeys[static_cast<std::size_t>(g)])
                    value = f_.ReadString(key->first, key->second, "0 0 0");
                else
                    missing = true;
                ReadGate(value, tb, g);
            }
            if (missing)
                op_.inform(
                    "TimeGate entries were not found in [Tx#] section nor [General] section for TxNumber " +
                    std::to_string(k) + " - replaced with zeros");
        }
    }

    // ---- Vehicle ----
    void ReadVehicle()
    {
        const std::string V = VehicleSec;
        TVehicle& v = cfg_.Vehicle;
        const TVehicle def = DefaultVehicle();
        v = def;
        for (const SensorEntry& s : VehicleSensors) {
            if (!s.inGexVehicleSection)
                continue;
            const std::string p(s.prefix);
            v.*s.x = f_.ReadFloat(V, p + "X", 0);
            v.*s.y = f_.ReadFloat(V, p + "Y", 0);
            v.*s.z = f_.ReadFloat(V, p + "Z", 0);
            v.*s.exists = f_.ReadBool(V, s.FlagKey(), s.presentByDefault);
        }
        v.Propulsion =
            PropulsionFromText(f_.ReadString(V, "Propulsion", "")).value_or(TPropulsion::propAirborne);
        ReadRecordFields<TVehicle>(f_, V, v, VehicleFields(), Fmt, op_);

        // Positions of [General] override: the first antenna always, the others when present. A
        // sensor that our own [Vehicle] section marks absent stays absent.
        const std::string G = Gen();
        ReadPosition(f_, "GPSPosition1", "0.0 0.0 0.0", v.GNSSX, v.GNSSY, v.GNSSZ);
        for (const SensorEntry& s : VehicleSensors) {
            if (s.gexKey == "GPSPosition1" || !f_.ValueExists(G, s.gexKey))
                continue;
            if (f_.ValueExists(V, s.FlagKey()) && !f_.ReadBool(V, s.FlagKey(), true))
                continue;
            ReadPosition(f_, std::string(s.gexKey), "", v.*s.x, v.*s.y, v.*s.z);
            v.*s.exists = true;
        }
    }

    // ---- System responses ----
    void ReadSystemResponses()
    {
        for (int c = 1; c <= cfg_.NumAcqChn; ++c) {
            TSystemResponse& s = cfg_.SysResp[c];
            if (!s.SysRespExists)
                continue;
            const std::string S = SysRespSec(c);
            ReadRecordFields<TSystemResponse>(f_, S, s, SystemResponseFields(), Fmt, op_);
            ReadResponseArrays(&f_, S, s, ResponseGateCount(cfg_, c));
        }
    }

    // ---- Waveforms ----
    void ReadWaveforms()
    {
        const std::string G = Gen();
        for (int t = 1; t <= cfg_.NumTx; ++t) {
            const std::string T = TxSec(t);
            TTxWaveform& w = cfg_.TxWaveform[t];
            w = DefaultTxWaveform();

            // The point family and the [General] keys that our writer uses for the same moment.
            std::string countFamily, readFamily, suffix;
            if (t == cfg_.TxSingle) {
                countFamily = readFamily = "WaveformPoint";
            } else if (t == cfg_.TxLM) {
                countFamily = readFamily = "WaveformLMPoint";
                suffix = "LM";
            } else if (t == cfg_.TxHM) {
                countFamily = readFamily = "WaveformHMPoint";
                suffix = "HM";
            } else {
                countFamily = "WaveformLMPoint";
                readFamily = "WaveformPoint";
            }

            w.WaveformFilename = f_.ReadString(
                T, "WaveformFilename", f_.ReadString(G, "WaveformFilename" + suffix, "No_Filename_selected"));

            int n;
            if (f_.ValueExists(T, "WaveformPointsDigitized")) {
                n = ClampReported(ReadInt(f_, T, "WaveformPointsDigitized", 7), 0, MaxWaveformPoints, T,
                                  "WaveformPointsDigitized", op_);
            } else if (f_.ValueExists(G, "WaveformPointsDigitized" + suffix)) {
                n = ClampReported(ReadInt(f_, G, "WaveformPointsDigitized" + suffix, 7), 0, MaxWaveformPoints,
                                  G, "WaveformPointsDigitized" + suffix, op_);
            } else {
                n = 0;
                while (n < MaxWaveformPoints && FindNumbered(f_, G, countFamily, n + 1, {1, 2, 3}))
                    ++n;
                if (n == MaxWaveformPoints && FindNumbered(f_, G, countFamily, n + 1, {1, 2, 3}))
                    ReportBeyondLimit(op_, "waveform points (" + countFamily + " keys in [" + G + "])",
                                      MaxWaveformPoints);
            }
            w.WaveformPointsDigitized = n;

            for (int p = 1; p <= w.WaveformPointsDigitized; ++p) {
                std::string value;
                if (auto key = FindNumbered(f_, G, readFamily, p, {1, 2, 3}))
                    value = f_.ReadString(G, *key, "");
                ReadWaveformPoint(value, w, p);
            }

            if (f_.ValueExists(T, "drivenRamp"))
                w.drivenRamp = f_.ReadFloat(T, "drivenRamp", 4.5e-06);
            else if (f_.ValueExists(G, "drivenRamp" + suffix))
                w.drivenRamp = f_.ReadFloat(G, "drivenRamp" + suffix, 4.5e-06);
            else if (w.WaveformPointsDigitized > 0)
                w.drivenRamp = w.WaveformPointTimes[w.WaveformPointsDigitized];
        }
    }
};

// =====================================================================================================
// Writing
// =====================================================================================================

std::string Fixed3(double x, double y, double z, int width, int decimals)
{
    return FormatFixed(x, width, decimals) + " " + FormatFixed(y, width, decimals) + " " +
           FormatFixed(z, width, decimals);
}

/// The [General] family a moment's keys use in GEX: "", "LM", "HM", or none (own section).
std::optional<std::string> GeneralFamily(TMomentID m)
{
    switch (m) {
    case TMomentID::SingleM:
        return std::string();
    case TMomentID::LM:
        return std::string("LM");
    case TMomentID::HM:
        return std::string("HM");
    default:
        return std::nullopt;
    }
}

/// What GEX cannot hold: more than two moments or time bases, or two of them writing the same
/// [General] keys (they would overwrite each other). Returns the reason, or nothing.
std::optional<std::string> WhyGexCannotHold(const Configuration& cfg)
{
    if (cfg.NumTx > 2)
        return "Only 1 or 2 transmitter moments are possible in GEX format - this configuration has " +
               std::to_string(cfg.NumTx) + ". Not saved.";
    if (cfg.NumTimebases > 2)
        return "Only 1 or 2 timebases are possible in GEX format - this configuration has " +
               std::to_string(cfg.NumTimebases) + ". Not saved.";
    if (cfg.NumTx == 2) {
        const TMomentID m1 = cfg.Tx[1].MomentID, m2 = cfg.Tx[2].MomentID;
        // Turns and gates of single, LM and HM moments go to [General]; waveforms of every moment
        // other than LM and HM share the single-moment keys.
        auto waveFamily = [](TMomentID m) { return m == TMomentID::LM ? 1 : m == TMomentID::HM ? 2 : 0; };
        const bool sameGeneral =
            GeneralFamily(m1) && GeneralFamily(m2) && *GeneralFamily(m1) == *GeneralFamily(m2);
        if (sameGeneral || waveFamily(m1) == waveFamily(m2))
            return "Transmitters 1 and 2 (moments " + std::string(Name(m1)) + " and " +
                   std::string(Name(m2)) +
                   ") would share the same GEX [General] keys - GEX can hold one transmitter per moment "
                   "(SingleM, or LM and HM). Not saved.";
    }
    return std::nullopt;
}

class GexWriter {
  public:
    GexWriter(const Configuration& cfg, KeywordFile& f, Operator& op) : cfg_(cfg), f_(f), op_(op) {}

    void Run()
    {
        WriteGeneral();
        WriteReceivers();
        WriteTransmitters();
        WriteTimeBases();
        WriteVehicle();
        WriteSystemResponses();
        WriteWaveforms();
        WriteChannels();
    }

  private:
    const Configuration& cfg_;
    KeywordFile& f_;
    Operator& op_;

    // Each writer switches over every rule of its record; a rule whose field is a plain key in GEX,
    // or that only TDC writes, writes nothing here.

    void WriteGeneral()
    {
        const std::string G = Gen();
        WriteRecordFields<Configuration>(f_, G, cfg_, GeneralFields(), Fmt, [&](GeneralRule rule) {
            switch (rule) {
            case GeneralRule::MasterTamperCheckCRC:
                f_.WriteInteger(G, "MasterTamperCheckCRC", cfg_.MasterTamperCheckCRC);
                break;
            case GeneralRule::DataType:
                if (!Trim(cfg_.DataType).empty())
                    f_.WriteString(G, "DataType", cfg_.DataType);
                else
                    f_.DeleteKey(G, "DataType");
                break;
            case GeneralRule::FrontGateDelay:
                if (cfg_.FrontGateDelay != 0 || f_.ValueExists(G, "FrontGateDelay"))
                    f_.WriteFloat(G, "FrontGateDelay", cfg_.FrontGateDelay);
                break;
            case GeneralRule::CalculateRawDataSTD:
                // A value the model no longer gives must not survive from an earlier save.
                if (cfg_.CalculateRawDataSTD != -1)
                    f_.WriteInteger(G, "CalculateRawDataSTD", cfg_.CalculateRawDataSTD);
                else
                    f_.DeleteKey(G, "CalculateRawDataSTD");
                break;
            case GeneralRule::GateNoForPowerLineMonitor:
                if (cfg_.GateNoForPowerLineMonitor != -1)
                    f_.WriteInteger(G, "GateNoForPowerLineMonitor", cfg_.GateNoForPowerLineMonitor);
                else
                    f_.DeleteKey(G, "GateNoForPowerLineMonitor");
                // GEX has the link after the power-line gate.
                f_.WriteBool(G, "LinkTxApproximateCurrenttoTxAmps", cfg_.LinkTxApproximateCurrenttoTxAmps);
                break;
            case GeneralRule::NumAcqChn:
                f_.WriteInteger(G, "NumAcqChn", cfg_.NumAcqChn);
                break;
            case GeneralRule::NumTx:
                f_.WriteInteger(G, "NumTx", cfg_.NumTx);
                break;
            case GeneralRule::NumTimebases:
                f_.WriteInteger(G, "NumTimebases", cfg_.NumTimebases);
                break;
            case GeneralRule::NumRx:
                f_.WriteInteger(G, "NumRx", cfg_.NumRx);
                break;
            }
        });
    }

    void WriteReceivers()
    {
        const std::string G = Gen();
        for (int r = 1; r <= std::min(cfg_.NumRx, MaxRx); ++r) {
            const std::string R = RxSec(r);
            const TReceiver& rx = cfg_.Rx[r];
            WriteRecordFields<TReceiver>(f_, R, rx, ReceiverFields(), Fmt, [&](ReceiverRule rule) {
                switch (rule) {
                case ReceiverRule::Position:
                    f_.WriteString(G, Key("RxCoilPosition", r, 1),
                                   Fixed3(rx.CentroidX, rx.CentroidY, rx.CentroidZ, 9, 2));
                    break;
                case ReceiverRule::LowPassFilter:
                    f_.WriteString(G, Key("RxCoilLPFilter", r, 1),
                                   FormatFixed(rx.FilterOrder, 9, 2) + " " + FormatFixed(rx.FilterHz, 9, 2));
                    break;
                case ReceiverRule::RxType:
                    f_.WriteString(R, "RxType", RxTypeNames.at(static_cast<std::size_t>(rx.RxType)));
                    break;
                case ReceiverRule::Polygon:
                    if (SameText(Trim(rx.Shape), "Polygon")) {
                        const int n = std::clamp(rx.Loopsides, 0, MaxLoopSides);
                        f_.WriteInteger(R, "Loopsides", n);
                        for (int k = 1; k <= n; ++k) {
                            f_.WriteFloat(R, Key("NodeX", k, 2), rx.NodeX[k]);
                            f_.WriteFloat(R, Key("NodeY", k, 2), rx.NodeY[k]);
                            f_.WriteFloat(R, Key("NodeZ", k, 2), rx.NodeZ[k]);
                        }
                    }
                    break;
                }
            });
        }
    }

    void WriteTransmitters()
    {
        const std::string G = Gen();
        for (int t = 1; t <= std::min(cfg_.NumTx, MaxTx); ++t) {
            const std::string T = TxSec(t);
            const std::string& V = t == 1 ? G : T; // where the loop's own keys go
            const TTransmitter& tx = cfg_.Tx[t];
            const int sides = std::clamp(tx.LoopSides, 0, MaxLoopSides);
            WriteRecordFields<TTransmitter>(f_, T, tx, TransmitterFields(), Fmt, [&](TransmitterRule rule) {
                switch (rule) {
                case TransmitterRule::MomentID:
                    f_.WriteString(T, "MomentID", Name(tx.MomentID));
                    break;
                case TransmitterRule::LoopSides:
                    f_.WriteInteger(T, "LoopSides", sides);
                    break;
                case TransmitterRule::PrimaryFieldSTD:
                    if (tx.PrimaryFieldSTD != 0 || f_.ValueExists(T, "PrimaryFieldSTD"))
                        f_.WriteFloat(T, "PrimaryFieldSTD", tx.PrimaryFieldSTD);
                    break;
                case TransmitterRule::LoopType:
                    f_.WriteInteger(G, "LoopType", tx.LoopType);
                    f_.WriteString(G, Key("TxCoilPosition", t, 1),
                                   Fixed3(tx.CentroidX, tx.CentroidY, tx.CentroidZ, 8, 3));
                    break;
                case TransmitterRule::Type7Rectangle:
                    if (tx.LoopType == 7)
                        f_.WriteString(V, "TxLoopSides",
                                       FormatFixed(tx.Type7RectSideX, 8, 3) + " " +
                                           FormatFixed(tx.Type7RectSideY, 8, 3));
                    break;
                case TransmitterRule::Vertices:
                    for (int n = 1; n <= sides; ++n)
                        f_.WriteString(V, Key("TxLoopPoint", n, 1), LoopVertexText(tx, n - 1));
                    break;
                case TransmitterRule::Turns:
                    if (const auto family = GeneralFamily(tx.MomentID))
                        f_.WriteInteger(G, "NumberOfTurns" + *family, tx.Turns);
                    else
                        f_.WriteInteger(T, "NumberOfTurns", tx.Turns);
                    break;
                case TransmitterRule::Area:
                    f_.WriteFloat(G, "TxLoopArea", tx.Area);
                    f_.WriteFloat(T, "TxLoopArea", tx.Area);
                    break;
                case TransmitterRule::AxisOrientation:
                    f_.WriteString(T, "AxisOrientation", tx.AxisOrient.substr(0, 1));
                    break;
                case TransmitterRule::LowPassFilter:
                case TransmitterRule::SignPattern:
                    break; // GEX keeps them per channel
                }
            });
        }
    }

    void WriteTimeBases()
    {
        const std::string G = Gen();
        for (int k = 1; k <= std::min(cfg_.NumTimebases, MaxTimeBases); ++k) {
            const std::string T = TxSec(k);
            const TTimeBase& tb = cfg_.TimeBase[k];
            WriteRecordFields<TTimeBase>(f_, T, tb, TimeBaseFields(), Fmt, [&](TimeBaseRule rule) {
                switch (rule) {
                case TimeBaseRule::PowerlineFrequency:
                    f_.WriteInteger(G, "FreqForPowerLineMonitor", tb.PowerlineBaseFrequency);
                    break;
                case TimeBaseRule::GateCount:
                    f_.WriteInteger(T, "NumGatesInSet", std::clamp(tb.NumGatesInSet, 0, MaxGates));
                    break;
                case TimeBaseRule::Gates:
                    WriteGates(k, tb);
                    break;
                }
            });
        }
    }

    void WriteGates(int k, const TTimeBase& tb)
    {
        const std::string G = Gen();
        const std::string T = TxSec(k);
        const int gates = std::clamp(tb.NumGatesInSet, 0, MaxGates);
        {
            for (int g = 1; g <= 9; ++g)
                for (const char* fam : {"GateTime", "GateTimeLM", "GateTimeHM"})
                    if (f_.ValueExists(G, Key(fam, g, 1)))
                        f_.DeleteKey(G, Key(fam, g, 1));
            f_.WriteString(G, "Gate_Times", "Centre Start End Width (second)");

            std::string sec = G, family;
            switch (cfg_.Tx[k].MomentID) {
            case TMomentID::SingleM:
                family = "GateTime";
                break;
            case TMomentID::LM:
                family = "GateTimeLM";
                break;
            case TMomentID::HM:
                family = "GateTimeHM";
                break;
            default:
                sec = T;
                family = "GateTime";
                break;
            }
            for (int g = 1; g <= gates; ++g)
                f_.WriteString(sec, Key(family, g, g < 100 ? 2 : 3), GateText(tb, g));
            if (sec == T)
                op_.inform(
                    "Cannot write gatetimes to GEX [General] section because a Tx Alias was not supported "
                    "in GEX format. Writtern to Tx[#] section instead.");
        }
    }

    void WriteVehicle()
    {
        const std::string G = Gen();
        const TVehicle& v = cfg_.Vehicle;
        WriteRecordFields<TVehicle>(f_, VehicleSec, v, VehicleFields(), Fmt, [&](VehicleRule rule) {
            switch (rule) {
            case VehicleRule::Propulsion:
                f_.WriteString(VehicleSec, "Propulsion", Name(v.Propulsion));
                break;
            case VehicleRule::Sensors:
                for (const SensorEntry& s : VehicleSensors) {
                    if (v.*s.exists) {
                        f_.WriteString(G, s.gexKey, Fixed3(v.*s.x, v.*s.y, v.*s.z, 10, 3));
                        f_.WriteBool(VehicleSec, s.FlagKey(), true);
                    } else if (s.presentByDefault || f_.ValueExists(G, s.gexKey) ||
                               f_.ValueExists(VehicleSec, s.FlagKey())) {
                        // An absent sensor is not written, but our own section must say so where
                        // reading would otherwise find it present: the first antenna by default, a
                        // position an earlier save left for the exchange suite, an older flag.
                        f_.WriteBool(VehicleSec, s.FlagKey(), false);
                    }
                }
                break;
            }
        });
    }

    void WriteSystemResponses()
    {
        const std::string G = Gen();
        for (int c = 1; c <= std::min(cfg_.NumAcqChn, MaxAcqChn); ++c) {
            const TSystemResponse& s = cfg_.SysResp[c];
            f_.WriteBool(G, Key("SysRespExists", c, 2), s.SysRespExists);
            if (!s.SysRespExists)
                continue;
            const std::string S = SysRespSec(c);
            WriteRecordFields<TSystemResponse>(
                f_, S, s, SystemResponseFields(), Fmt, [&](SystemResponseRule rule) {
                    switch (rule) {
                    case SystemResponseRule::Arrays:
                        WriteResponseArrays(f_, S, s, ResponseGateCount(cfg_, c));
                        break;
                    }
                });
        }
    }

    void WriteWaveforms()
    {
        const std::string G = Gen();
        for (int t = 1; t <= std::min(cfg_.NumTx, MaxTx); ++t) {
            const TTxWaveform& w = cfg_.TxWaveform[t];
            std::string suffix, pointKey = "WaveformPoint";
            if (cfg_.Tx[t].MomentID == TMomentID::LM) {
                suffix = "LM";
                pointKey = "WaveformLMPoint";
            } else if (cfg_.Tx[t].MomentID == TMomentID::HM) {
                suffix = "HM";
                pointKey = "WaveformHMPoint";
            }
            const int points = std::clamp(w.WaveformPointsDigitized, 0, MaxWaveformPoints);
            f_.WriteString(G, "WaveformFilename" + suffix, w.WaveformFilename);
            f_.WriteInteger(G, "WaveformPointsDigitized" + suffix, points);
            f_.WriteFloat(G, "drivenRamp" + suffix, w.drivenRamp);
            for (int p = 1; p <= points; ++p)
                f_.WriteString(G, Key(pointKey, p, 2),
                               FormatScientific(w.WaveformPointTimes[p]) + " " +
                                   FormatScientific(w.WaveformPointAmplitudes[p]));
        }
    }

    /// "Channel" + c; a two-digit section of an earlier file is written in place, so the reader,
    /// which prefers that form, finds the new values.
    std::string ChannelSectionToWrite(int c) const
    {
        const std::string two = Key(SectionChn(Fmt), c, 2);
        if (c < 10 && f_.SectionExists(two))
            return two;
        return Key(SectionChn(Fmt), c, 1);
    }

    void WriteChannels()
    {
        for (int c = 1; c <= std::min(cfg_.NumAcqChn, MaxAcqChn); ++c) {
            const std::string C = ChannelSectionToWrite(c);
            const TAcqChn& a = cfg_.AcqChn[c];
            const bool txOk = a.TxNumber >= 1 && a.TxNumber <= MaxTx;
            // GEX keeps the transmitter's drive per channel.
            const TTransmitter tx = txOk ? cfg_.Tx[a.TxNumber] : DefaultTransmitter();
            WriteRecordFields<TAcqChn>(f_, C, a, AcqChnFields(), Fmt, [&](AcqChnRule rule) {
                switch (rule) {
                case AcqChnRule::RowID:
                    if (f_.ValueExists(C, "RowID") || a.RowID != "None")
                        f_.WriteString(C, "RowID", a.RowID);
                    break;
                case AcqChnRule::TxNumber:
                    f_.WriteInteger(C, "TxNumber", a.TxNumber);
                    break;
                case AcqChnRule::TimebaseNumber:
                    f_.WriteInteger(C, "TimebaseNumber", tx.TimeBaseNumber);
                    break;
                case AcqChnRule::AtoDConvGain:
                    if (f_.ValueExists(C, "AtoDConvGain") || a.AtoDConvGain != -1)
                        f_.WriteFloat(C, "AtoDConvGain", a.AtoDConvGain);
                    break;
                case AcqChnRule::RemoveGatesFrom:
                    // Written also when 0 over an earlier value, so a cleared value does not come back.
                    if (a.RemoveGatesFrom != 0 || f_.ValueExists(C, "RemoveGatesFrom"))
                        f_.WriteInteger(C, "RemoveGatesFrom", a.RemoveGatesFrom);
                    break;
                case AcqChnRule::SignPattern:
                    f_.WriteString(C, "SignPattern", SignPatternText(tx));
                    break;
                case AcqChnRule::NoGates:
                    f_.WriteInteger(C, "NoGates", tx.NoGates);
                    break;
                case AcqChnRule::RepFreq:
                    f_.WriteFloat(C, "RepFreq", tx.FullWaveformRepetitionFrequency);
                    break;
                case AcqChnRule::LowPassFilter:
                    f_.WriteString(C, "TiBLowPassFilter", LowPassFilterText(tx));
                    break;
                case AcqChnRule::TxApproximateCurrent:
                    break; // a plain key in GEX
                case AcqChnRule::GateLists:
                    for (const auto& [key, exists, list] :
                         {std::tuple{"GateConstants", a.GateConstantsExist, &a.GateConstants},
                          std::tuple{"GateFactors", a.GateFactorsExist, &a.GateFactors},
                          std::tuple{"GateSTDs", a.GateSTDsExist, &a.GateSTDs}})
                        if (exists)
                            f_.WriteString(C, key, GateListText(*list));
                        else if (f_.ValueExists(C, key))
                            f_.DeleteKey(C, key); // else the old list would be read back
                    break;
                }
            });
        }
    }
};

} // namespace

void LoadGEXFromFile(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    // Read into a copy: a read that stops half-way, or a refused master, leaves the model as it was.
    Configuration next = cfg;
    // A missing file reads as the defaults under a ".gex" name; an existing one must be named so.
    if (IsRegularFile(next.LoadFilename) && !NamedGex(next.LoadFilename))
        throw ActionError("File extension must be GEX. ABORTING");
    const KeywordFile f =
        StartRead(next, TINIFileFormat::GEX, "No_File_LoadedDefaultValues.gex", folders, op);
    GexReader(next, f, op).Run();
    CheckTxMomentTxNumberMatch(next, op);
    CalculateDrivenVariables(next, op);
    cfg = std::move(next);
}

std::optional<std::string> WhyNotSavedAsGEX(const Configuration& cfg)
{
    if (!NamedGex(cfg.SaveFilename))
        return "File extension must be 'gex' when saving in GEX format but it was not. Beware that "
               "AarhusWorkBench only reads GEX files ending in lower case 'gex' and not upper case "
               "'GEX'. ABORTING";
    return WhyGexCannotHold(cfg);
}

void WriteGEX(const Configuration& cfg, KeywordFile& file, Operator& op)
{
    GexWriter(cfg, file, op).Run();
}

SaveResult SaveGEXToFile(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    cfg.TDCorGEX = TINIFileFormat::GEX;
    return SaveConfiguration(cfg, folders, op, SaveRequest{false, {}});
}

} // namespace tem
