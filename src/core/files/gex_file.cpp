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
#include "core/files/keyword_file.h"
#include "core/files/known_sections.h"
#include "core/files/loop_shapes.h"
#include "core/files/protection.h"
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

std::string UpperExtension(const std::string& path)
{
    return UpperCase(fs::path(path).extension().string());
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

/// Keeps a count or an index read from a file inside the model's limits, saying so when it has to.
int ClampCount(int v, int lo, int hi, std::string_view sec, std::string_view key, Operator& op)
{
    if (v >= lo && v <= hi)
        return v;
    const int used = std::clamp(v, lo, hi);
    op.inform(std::string(key) + " in section [" + std::string(sec) + "] is " + std::to_string(v) +
              ", outside the allowed range " + std::to_string(lo) + " to " + std::to_string(hi) + "; " +
              std::to_string(used) + " is used.");
    return used;
}

/// A count taken from the keys or sections found stops at the model's limit; says so when more were there.
void ReportBeyondLimit(Operator& op, const std::string& what, int limit)
{
    op.inform("More than " + std::to_string(limit) + " " + what + " were found; only the first " +
              std::to_string(limit) + " are read.");
}

bool StartsWithSlash(const std::string& s)
{
    return !s.empty() && s.front() == '/';
}

/// The vertex of a "TxLoopPoint" value into index i (Part of the TDC rules: the third number is
/// optional and then takes the loop's centroid depth).
void ReadVertex(const std::string& value, TTransmitter& tx, int i)
{
    const auto tok = SplitVector(value, true);
    tx.NodeX[i] = TokenFloat(tok, 0, i);
    tx.NodeY[i] = TokenFloat(tok, 1, i);
    if (tok.size() > 2 && !StartsWithSlash(tok[2]))
        tx.NodeZ[i] = TokenFloat(tok, 2, -1);
    else
        tx.NodeZ[i] = tx.CentroidZ;
}

/// The loop-type messages; GEX shows them for the first transmitter only.
void LoopTypeMessage(int loopType, Operator& op)
{
    switch (loopType) {
    case 73:
        op.inform(
            "Tx LoopType 73 detected - Segmented Loop with Inverse Laplace Transform and System Response. "
            "This software can read the segmented loop but may not load nor model with the SSR or SR2 "
            "format system response.");
        break;
    case 12:
        op.inform(
            "Tx LoopType 12 detected - circular loop - Not supported - Consider negotiating for support or "
            "manually edit to make it LoopType 72 with Loop vertices.");
        break;
    case 123:
        op.inform(
            "Tx LoopType 123 detected - circular loop with Inverse Laplace Transform - Not supported - "
            "Consider negotiating for support or manually edit to make it LoopType 72 with Loop vertices - "
            "SSR or SR2 system response will not be loaded nor modelled.");
        break;
    case 13:
        op.inform("Tx LoopType 13 detected - circular loop with offset receiver - Not supported - Consider "
                  "negotiating for support or manually edit to make it LoopType 72 with Loop vertices.");
        break;
    case 14:
        op.inform(
            "Tx LoopType 14 detected - In-loop - Consider negotiating for support but for now manually edit "
            "to make it LoopType 72 with Loop vertices.");
        break;
    case 3:
        op.inform(
            "Tx LoopType 3 detected - Vertical Magnetic Dipole - Not fully supported - may not be suitable "
            "for forward modelling");
        break;
    case 31:
        op.inform(
            "Tx LoopType 31 detected - Rotated magnetic dipole with primary field - Not fully supported - "
            "may not be suitable for forward modelling");
        break;
    default:
        break;
    }
}

/// "SignPattern": one entry per token; a token that is not an integer gives -2 at even positions, 0 at odd.
std::vector<int> ReadSignPattern(const std::string& value)
{
    const auto tok = SplitVector(value, false);
    std::vector<int> out;
    out.reserve(tok.size());
    for (std::size_t k = 0; k < tok.size(); ++k)
        out.push_back(ClampToInt(TokenInteger(tok, k, 2 * static_cast<long long>(k % 2) - 2)));
    return out;
}

/// "TiBLowPassFilter": order and cut-off; a single number is a list-index error.
void ReadLowPass(const std::string& value, const std::string& where, TTransmitter& tx)
{
    const auto tok = SplitVector(value, false);
    if (tok.size() < 2)
        throw ListIndexError("List index (" + std::to_string(tok.size()) +
                             ") out of bounds: TiBLowPassFilter in [" + where +
                             "] needs the filter order and the cut-off frequency");
    tx.LPFilterOrderandCutoff[0] = TokenFloat(tok, 0, 1);
    tx.LPFilterOrderandCutoff[1] = TokenFloat(tok, 1, 60000);
}

/// A per-gate list of a channel: whether its key exists, and then its numbers.
void ReadGateList(const KeywordFile& f, const std::string& sec, std::string_view key, double def,
                  bool& exists, std::vector<double>& list, Operator& op)
{
    exists = f.ValueExists(sec, key);
    if (!exists)
        return;
    auto tok = SplitVector(f.ReadString(sec, key, ""), false, MaxGates + 1);
    if (tok.size() > MaxGates) {
        op.inform(GateListTooLong(sec, key, MaxGates));
        tok.resize(MaxGates);
    }
    list.resize(tok.size());
    for (std::size_t k = 0; k < tok.size(); ++k)
        list[k] = TokenFloat(tok, k, def);
}

std::optional<TMomentID> MomentIDNoCase(std::string_view name)
{
    for (std::size_t i = 0; i < MomentIDNames.size(); ++i)
        if (SameText(MomentIDNames[i], name))
            return static_cast<TMomentID>(i);
    return std::nullopt;
}

std::optional<TPropulsion> PropulsionNoCase(std::string_view name)
{
    for (std::size_t i = 0; i < PropulsionNames.size(); ++i)
        if (SameText(PropulsionNames[i], name))
            return static_cast<TPropulsion>(i);
    return std::nullopt;
}

TRxType RxTypeFromText(const std::string& s)
{
    for (std::size_t i = 0; i < RxTypeNames.size(); ++i)
        if (SameText(RxTypeNames[i], s) || SameText(RxTypeEnumNames[i], s))
            return static_cast<TRxType>(i);
    return TRxType::rxtypedBdt;
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

/// Copies the channels' positive currents into their transmitters (the current link).
void LinkCurrentsToAmps(Configuration& cfg)
{
    for (int t = 1; t <= std::min(cfg.NumTx, MaxTx); ++t)
        for (int r = 1; r <= std::min(cfg.NumRx, MaxRx); ++r) {
            const int c = cfg.AcqChnMapTxRx[t][r];
            if (c >= 1 && c <= MaxAcqChn && cfg.AcqChn[c].TxApproximateCurrent > 0)
                cfg.Tx[t].Amps = cfg.AcqChn[c].TxApproximateCurrent;
        }
}

// ---- Sensors of the vehicle: [General] position key, presence flag key, fields ----------------------
struct Sensor {
    const char* gexKey;
    const char* flagKey;
    double TVehicle::*x;
    double TVehicle::*y;
    double TVehicle::*z;
    bool TVehicle::*exists;
};

const Sensor Sensors[] = {
    {"GPSPosition1", "GNSSExists", &TVehicle::GNSSX, &TVehicle::GNSSY, &TVehicle::GNSSZ,
     &TVehicle::GNSSExists},
    {"GPSPosition2", "GNSS2Exists", &TVehicle::GNSS2X, &TVehicle::GNSS2Y, &TVehicle::GNSS2Z,
     &TVehicle::GNSS2Exists},
    {"GPSDifferentialPosition1", "DifferentialGNSSExists", &TVehicle::DifferentialGNSSX,
     &TVehicle::DifferentialGNSSY, &TVehicle::DifferentialGNSSZ, &TVehicle::DifferentialGNSSExists},
    {"GPSDifferentialPosition2", "DifferentialGNSS2Exists", &TVehicle::DifferentialGNSS2X,
     &TVehicle::DifferentialGNSS2Y, &TVehicle::DifferentialGNSS2Z, &TVehicle::DifferentialGNSS2Exists},
    {"AltimeterPosition1", "AltimeterExists", &TVehicle::AltimeterX, &TVehicle::AltimeterY,
     &TVehicle::AltimeterZ, &TVehicle::AltimeterExists},
    {"AltimeterPosition2", "Altimeter2Exists", &TVehicle::Altimeter2X, &TVehicle::Altimeter2Y,
     &TVehicle::Altimeter2Z, &TVehicle::Altimeter2Exists},
    {"InclinometerPosition1", "InclinometerExists", &TVehicle::InclinometerX, &TVehicle::InclinometerY,
     &TVehicle::InclinometerZ, &TVehicle::InclinometerExists},
    {"InclinometerPosition2", "Inclinometer2Exists", &TVehicle::Inclinometer2X, &TVehicle::Inclinometer2Y,
     &TVehicle::Inclinometer2Z, &TVehicle::Inclinometer2Exists},
    {"SonarPosition1", "SonarExists", &TVehicle::SonarX, &TVehicle::SonarY, &TVehicle::SonarZ,
     &TVehicle::SonarExists},
};

// The sensors whose coordinates and flags the [Vehicle] section holds as in TDC (all but the sonar).
struct VehicleGroup {
    const char* prefix;
    double TVehicle::*x;
    double TVehicle::*y;
    double TVehicle::*z;
    bool TVehicle::*exists;
    bool def;
};

const VehicleGroup VehicleGroups[] = {
    {"GNSS", &TVehicle::GNSSX, &TVehicle::GNSSY, &TVehicle::GNSSZ, &TVehicle::GNSSExists, true},
    {"GNSS2", &TVehicle::GNSS2X, &TVehicle::GNSS2Y, &TVehicle::GNSS2Z, &TVehicle::GNSS2Exists, false},
    {"DifferentialGNSS", &TVehicle::DifferentialGNSSX, &TVehicle::DifferentialGNSSY,
     &TVehicle::DifferentialGNSSZ, &TVehicle::DifferentialGNSSExists, false},
    {"DifferentialGNSS2", &TVehicle::DifferentialGNSS2X, &TVehicle::DifferentialGNSS2Y,
     &TVehicle::DifferentialGNSS2Z, &TVehicle::DifferentialGNSS2Exists, false},
    {"Altimeter", &TVehicle::AltimeterX, &TVehicle::AltimeterY, &TVehicle::AltimeterZ,
     &TVehicle::AltimeterExists, false},
    {"Altimeter2", &TVehicle::Altimeter2X, &TVehicle::Altimeter2Y, &TVehicle::Altimeter2Z,
     &TVehicle::Altimeter2Exists, false},
    {"Inclinometer", &TVehicle::InclinometerX, &TVehicle::InclinometerY, &TVehicle::InclinometerZ,
     &TVehicle::InclinometerExists, false},
    {"Inclinometer2", &TVehicle::Inclinometer2X, &TVehicle::Inclinometer2Y, &TVehicle::Inclinometer2Z,
     &TVehicle::Inclinometer2Exists, false},
};

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
            LinkCurrentsToAmps(cfg_);
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
        cfg_.Master = f_.ReadBool(G, "IsMasterConfig", false);
        cfg_.MasterTamperCheckCRC = static_cast<std::uint32_t>(f_.ReadInteger(G, "MasterTamperCheckCRC", 0));
        cfg_.ParentConfigFile = f_.ReadString(G, "ParentConfigFile", "NoParentConfigFile.gex");
        cfg_.Description = f_.ReadString(G, "Description", "Type_a_Configuration_Description_here");
        cfg_.DataType = Trim(f_.ReadString(G, "DataType", ""));
        cfg_.FrontGateDelay = f_.ReadFloat(G, "FrontGateDelay", 0);
        cfg_.CalculateRawDataSTD =
            f_.ValueExists(G, "CalculateRawDataSTD") ? ReadInt(f_, G, "CalculateRawDataSTD", 0) : -1;
        cfg_.GateNoForPowerLineMonitor = f_.ValueExists(G, "GateNoForPowerLineMonitor")
                                             ? ReadInt(f_, G, "GateNoForPowerLineMonitor", 15)
                                             : -1;

        // Channels: the key, else the consecutive [Channel] sections.
        if (f_.ValueExists(G, "NumAcqChn")) {
            cfg_.NumAcqChn = ClampCount(ReadInt(f_, G, "NumAcqChn", 1), 1, MaxAcqChn, G, "NumAcqChn", op_);
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
                numTx = ClampCount(numTx, 1, MaxTx, G, "NumTx", op_);
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
                numTb = ClampCount(numTb, 1, MaxTimeBases, G, "NumTimebases", op_);
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
            cfg_.NumRx = ClampCount(ReadInt(f_, G, "NumRx", 1), 1, MaxRx, G, "NumRx", op_);
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
            rx.Name = f_.ReadString(R, "Name", "The_receiver");
            rx.AreaNumTurnsxPreAmpxSingleTurn = f_.ReadFloat(R, "EffectiveArea", 1);
            rx.AreaSingleTurn = f_.ReadFloat(R, "SingleTurnArea", 1);
            {
                const auto key = FindNumbered(f_, G, "RxCoilLPFilter", r, {1, 2, 3});
                const auto tok = SplitVector(key ? f_.ReadString(G, *key, "") : "1.00 60000", true);
                rx.FilterOrder = TokenFloat(tok, 0, 1);
                rx.FilterHz = TokenFloat(tok, 1, 60000);
            }
            rx.DampingOhms = f_.ReadFloat(R, "DampingOhms", 330);
            rx.Orientation = f_.ReadString(R, "ReceiverPolarizationXYZ", "Z");
            rx.Turns = ReadInt(f_, R, "Turns", 1);
            rx.PreAmpGain = f_.ReadFloat(R, "PreAmpGain", 1);
            rx.AtoDConvGain = f_.ReadFloat(R, "AtoDConvGain", 100);
            rx.RxType = RxTypeFromText(f_.ReadString(R, "RxType", ""));
            rx.Shape = Trim(f_.ReadString(R, "Shape", "Circle"));
            rx.EquivRadius = f_.ReadFloat(R, "EquivRadius",
                                          std::sqrt(std::max(rx.AreaSingleTurn, 0.0) / std::numbers::pi));
            rx.XSideLength = f_.ReadFloat(R, "XSideLength", std::sqrt(std::max(rx.AreaSingleTurn, 0.0)));
            rx.YSideLength = f_.ReadFloat(R, "YSideLength", std::sqrt(std::max(rx.AreaSingleTurn, 0.0)));
            if (rx.Shape == "Polygon") {
                rx.Loopsides =
                    ClampCount(ReadInt(f_, R, "Loopsides", 4), 0, MaxLoopSides, R, "Loopsides", op_);
                for (int k = 1; k <= rx.Loopsides; ++k) {
                    const int q = k % 4;
                    const double cx = q == 1 ? 1 : q == 3 ? -1 : 0;
                    const double cy = q == 0 ? 1 : q == 2 ? -1 : 0;
                    rx.NodeX[k] = ReadReceiverNode(R, "NodeX", k, cx);
                    rx.NodeY[k] = ReadReceiverNode(R, "NodeY", k, cy);
                    rx.NodeZ[k] = ReadReceiverNode(R, "NodeZ", k, 0);
                }
            }
            rx.AxisTilt = f_.ReadFloat(R, "AxisTilt", 0);
            rx.AxisRotation = f_.ReadFloat(R, "AxisRotation", 0);
            rx.PreBinAppliedRxDelay = f_.ReadFloat(R, "PreBinAppliedRxDelay", 0);
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

            // 1. Moment, given or inferred from the turns keys of [General].
            const std::string momentText = f_.ReadString(T, "MomentID", "Bogus");
            const auto given = MomentIDNoCase(momentText);
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

            // 2. Name.
            tx.Name = f_.ReadString(T, "Name", "Name_not_provided");

            // 3. Centroid.
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

            // 4. Number of vertices: the key, else the vertex keys found.
            if (f_.ValueExists(T, "LoopSides")) {
                tx.LoopSides =
                    ClampCount(ReadInt(f_, T, "LoopSides", 4), 0, MaxLoopSides, T, "LoopSides", op_);
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

            // 5. Vertices, from the transmitter section when there, else from [General].
            for (int n = 1; n <= tx.LoopSides; ++n) {
                std::string value = "0 0";
                if (auto k = FindNumbered(f_, T, "TxLoopPoint", n, {1, 2, 3}))
                    value = f_.ReadString(T, *k, "0 0");
                else if (auto kg = FindNumbered(f_, G, "TxLoopPoint", n, {1, 2, 3}))
                    value = f_.ReadString(G, *kg, "0 0");
                ReadVertex(value, tx, n - 1);
            }
            tx.NodeX[tx.LoopSides] = tx.NodeX[0];
            tx.NodeY[tx.LoopSides] = tx.NodeY[0];
            tx.NodeZ[tx.LoopSides] = tx.NodeZ[0];

            // 6, 7. Primary field deviation and loop type.
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
            } else if (t == 1) {
                LoopTypeMessage(tx.LoopType, op_);
            }

            // 8. Turns, by moment.
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

            // 9. The rest of the drive.
            tx.Damping = f_.ReadFloat(T, "DampingOhms", 330);
            tx.FlyingLeadLength = f_.ReadFloat(T, "FlyingLeadLength", 1);
            tx.Area = f_.ValueExists(T, "TxLoopArea") ? f_.ReadFloat(T, "TxLoopArea", 1)
                                                      : f_.ReadFloat(G, "TxLoopArea", 1);
            tx.EquivalentSquareLoopSide =
                f_.ReadFloat(T, "EquivalentSquareLoopside", std::sqrt(std::max(tx.Area, 0.0)));
            tx.Volts = f_.ReadFloat(T, "Volts", 8);
            tx.VoltsMin = f_.ReadFloat(T, "VoltsMin", 3.3);
            tx.VoltsMax = f_.ReadFloat(T, "VoltsMax", 18);
            tx.Amps = f_.ReadFloat(T, "Amps", 36);
            tx.AmpsMin = f_.ReadFloat(T, "AmpsMin", 1);
            tx.AmpsMax = f_.ReadFloat(T, "AmpsMax", 45);
            tx.ConstantVoltsOrAmps = f_.ReadBool(T, "ConstantVoltsOrAmps", false);
            tx.Power = f_.ReadFloat(T, "PowerWatts", 375);
            tx.Resistance = f_.ReadFloat(T, "ResistanceOhms", 0.2);
            tx.MomentNIA = f_.ReadFloat(T, "MomentNIA", 1000);
            tx.RelayA = f_.ReadBool(T, "RelayA_Connected", true);
            tx.RelayB = f_.ReadBool(T, "RelayB_Connected", false);
            tx.AxisOrient = Trim(f_.ReadString(T, "AxisOrientation", "") + "Z").substr(0, 1);
            tx.AxisTilt = f_.ReadFloat(T, "AxisTilt", 0);
            tx.AxisRotation = f_.ReadFloat(T, "AxisRotation", 0);
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
            a.Description = f_.ReadString(C, "Description", def.Description);
            a.RxCoilNumber = ClampCount(ReadInt(f_, C, "RxCoilNumber", 1), 1, MaxRx, C, "RxCoilNumber", op_);
            a.ReceiverPolarizationXYZ = f_.ReadString(C, "ReceiverPolarizationXYZ", "Z");
            a.TransmitterMoment = f_.ReadString(C, "TransmitterMoment", "SingleM");

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
            a.TxNumber = ClampCount(a.TxNumber, 1, MaxTx, C, "TxNumber", op_);
            TTransmitter& tx = cfg_.Tx[a.TxNumber];

            // 2. Time base of the channel's transmitter.
            int tb = ReadInt(f_, C, "TimeBaseNumber", -1);
            if (tb < 1)
                tb = (c == 2 && tx.MomentID == TMomentID::HM && cfg_.NumTimebases > 1) ? 2 : 1;
            if (tb > MaxTimeBases)
                tb = ClampCount(tb, 1, MaxTimeBases, C, "TimeBaseNumber", op_);
            tx.TimeBaseNumber = tb;

            // 3. Processing values.
            a.AtoDConvGain = f_.ReadFloat(C, "AtoDConvGain", 100);
            a.GateTimeShift = f_.ReadFloat(C, "GateTimeShift", 0);
            a.GateFactor = f_.ReadFloat(C, "GateFactor", 1);
            a.SystemResponseConvolution = ReadInt(f_, C, "SystemResponseConvolution", 0);
            a.RemoveInitialGates = ReadInt(f_, C, "RemoveInitialGates", 0);
            a.RemoveGatesFrom = ReadInt(f_, C, "RemoveGatesFrom", 0);
            a.PrimaryFieldDampingFactor = f_.ReadFloat(C, "PrimaryFieldDampingFactor", 1);
            a.UniformDataSTD = f_.ReadFloat(C, "UniformDataSTD", 0.03);
            a.MeaTimeDelay = f_.ReadFloat(C, "MeaTimeDelay", 0);

            // 4-6. Sign pattern, gates and repetition frequency of the transmitter.
            tx.SignPattern = ReadSignPattern(f_.ReadString(C, "SignPattern", "1 -1"));
            tx.NoGates = ClampCount(ReadInt(f_, C, "NoGates", 1), 0, MaxGates, C, "NoGates", op_);
            chnRepFreq_[static_cast<std::size_t>(c - 1)] = f_.ReadFloat(C, "RepFreq", 120);
            tx.FullWaveformRepetitionFrequency = chnRepFreq_[static_cast<std::size_t>(c - 1)];

            // 7. Front gate ("FrontGateTime" in other programs' files: keys match without regard to case).
            a.FrontGatetime = f_.ReadFloat(C, "FrontGatetime", -1);
            a.FrontGateExists = a.FrontGatetime >= 0;

            // 8. Low-pass filter of the transmitter's time base.
            ReadLowPass(f_.ReadString(C, "TiBLowPassFilter", "1 60000"), C, tx);

            // 9. Current and the per-gate lists.
            a.TxApproximateCurrent = f_.ReadFloat(C, "TxApproximateCurrent", 1);
            ReadGateList(f_, C, "GateConstants", 0, a.GateConstantsExist, a.GateConstants, op_);
            ReadGateList(f_, C, "GateFactors", 1, a.GateFactorsExist, a.GateFactors, op_);
            ReadGateList(f_, C, "GateSTDs", 0.03, a.GateSTDsExist, a.GateSTDs, op_);
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
            tb.TimeGateFileName = f_.ReadString(T, "TimebaseFilename", "No_Filename_selected");
            tb.GateSetKnownIndex = ReadInt(f_, T, "GateSetKnownIndex", 0);
            tb.AnalDigConvSamplingRate = ReadInt(f_, T, "AnalDigConvSamplingRate", -1);
            tb.PreBinAppliedSamplingDelay = f_.ReadFloat(T, "PreBinAppliedSamplingDelay", 0);
            tb.PowerlineBaseFrequency = TruncToInt(f_.ReadFloat(G, "FreqForPowerLineMonitor", 50));
            tb.FullWaveformStacks = ReadInt(f_, T, "FullWaveformStacks", 32);
            tb.GateSetName = f_.ReadString(T, "GateSetName", "Not_Specified");

            // Number of gates: the key of the time base, else of its [General] family, else counted.
            gatesBeyondLimit_ = false;
            const GateKeys gateKeys = FindGateKeys(k);
            if (gatesBeyondLimit_)
                ReportBeyondLimit(op_, "gates (GateTime keys) for time base " + std::to_string(k), MaxGates);
            int n;
            const char* familyCount = k == 1 ? "NumGatesInSetLM" : "NumGatesInSetHM";
            if (f_.ValueExists(T, "NumGatesInSet")) {
                n = ClampCount(ReadInt(f_, T, "NumGatesInSet", 99), 0, MaxGates, T, "NumGatesInSet", op_);
            } else if (f_.ValueExists(G, familyCount)) {
                n = ClampCount(ReadInt(f_, G, familyCount, 99), 0, MaxGates, G, familyCount, op_);
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
                const double dflt = g * 1e-6;
                const auto tok = SplitVector(value, true);
                tb.GateCentre[g] = TokenFloat(tok, 0, dflt);
                tb.drivenGateStart[g] = TokenFloat(tok, 1, dflt);
                tb.drivenGateEnd[g] = TokenFloat(tok, 2, dflt);
                tb.GateWidth[g] = tb.drivenGateEnd[g] - tb.drivenGateStart[g];
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
        for (const auto& grp : VehicleGroups) {
            const std::string p = grp.prefix;
            v.*grp.x = f_.ReadFloat(V, p + "X", 0);
            v.*grp.y = f_.ReadFloat(V, p + "Y", 0);
            v.*grp.z = f_.ReadFloat(V, p + "Z", 0);
            v.*grp.exists = f_.ReadBool(V, p + "Exists", grp.def);
        }
        v.Propulsion =
            PropulsionNoCase(f_.ReadString(V, "Propulsion", "")).value_or(TPropulsion::propAirborne);
        v.GNSSAntennaFixture = ReadInt(f_, V, "GNSSAntennaFixture", 0);
        v.TransmitterLoopFixture = ReadInt(f_, V, "TransmitterLoopFixture", 0);
        v.ReceiverLoop1Fixture = ReadInt(f_, V, "ReceiverLoop1Fixture", 0);
        v.ReceiverLoop2Fixture = ReadInt(f_, V, "ReceiverLoop2Fixture", 0);
        v.ReceiverLoop3Fixture = ReadInt(f_, V, "ReceiverLoop3Fixture", 0);
        v.TractorFixedX = f_.ReadFloat(V, "TractorFixedX", def.TractorFixedX);
        v.TractorSteerX = f_.ReadFloat(V, "TractorSteerX", def.TractorSteerX);
        v.TractorTowBallX = f_.ReadFloat(V, "TractorTowBallX", def.TractorTowBallX);
        v.TrailerX = f_.ReadFloat(V, "TrailerX", def.TrailerX);
        v.WheelBase = f_.ReadFloat(V, "Wheelbase", def.WheelBase);
        v.WheelTrack = f_.ReadFloat(V, "WheelTrack", def.WheelTrack);
        v.SlingLength = f_.ReadFloat(V, "SlingLength", def.SlingLength);
        v.SlingTilt = f_.ReadFloat(V, "SlingTilt", def.SlingTilt);
        v.PhotoFilename = f_.ReadString(V, "PhotoFilename", def.PhotoFilename);

        // Positions of [General] override: the first antenna always, the others when present. A
        // sensor that our own [Vehicle] section marks absent stays absent.
        const std::string G = Gen();
        ReadPosition(f_, "GPSPosition1", "0.0 0.0 0.0", v.GNSSX, v.GNSSY, v.GNSSZ);
        for (const auto& s : Sensors) {
            if (std::string_view(s.gexKey) == "GPSPosition1" || !f_.ValueExists(G, s.gexKey))
                continue;
            if (f_.ValueExists(V, s.flagKey) && !f_.ReadBool(V, s.flagKey, true))
                continue;
            ReadPosition(f_, s.gexKey, "", v.*s.x, v.*s.y, v.*s.z);
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
            s.FieldDataExists = f_.ReadBool(S, "FieldDataExists", false);
            s.LateTimeConst = f_.ReadFloat(S, "LateTimeConst", 0.01);
            s.LateInitMagn = f_.ReadFloat(S, "LateInitialMagnitude", 0.002);
            s.RxTimeConst = f_.ReadFloat(S, "RxTimeConst", 5e-05);
            s.RxInitMagn = f_.ReadFloat(S, "RxInitialMagnitude", 1);
            s.OscillInitMagn = f_.ReadFloat(S, "OscillationInitialMagnitude", 1);
            s.OscillFreq = f_.ReadFloat(S, "OscillationFrequency", 6000);
            s.OscillDamp = f_.ReadFloat(S, "OscillationDamping", 0.1);
            s.LowPassFreq = f_.ReadFloat(S, "LowPassFilterHz", 60000);
            s.LowPassOrder = f_.ReadFloat(S, "LowPassFilterOrder", 1);
            s.FieldDataFilename = f_.ReadString(S, "FieldDataFilename", "NoFieldData.CSV");
            s.SysRespFilename = f_.ReadString(S, "SysRespFilename", "NoSysResp.CSV");
            s.NoiseAt1mSinVperAm2 = f_.ReadFloat(S, "NoiseAt1mSinVperAm2", 2e-10);
            s.NoiseLogLogSlopeinVperS = f_.ReadFloat(S, "NoiseLogLogSlopeinVperS", -0.5);
            s.drivenGatesInRamp = ReadInt(f_, S, "drivenGatesInRamp", 0);
            s.SimulRxDelay_uS = f_.ReadFloat(S, "SimulRxDelay_uS", 0);
            s.FwdModelLayers = ClampCount(ReadInt(f_, S, "FwdModelLayers", 3), 0, MaxFwdModelLayers, S,
                                          "FwdModelLayers", op_);
            for (int L = 1; L <= s.FwdModelLayers; ++L) {
                s.LayerThicknesses[L] = f_.ReadFloat(S, Key("LayerThicknesses", L, 2), 0.5);
                s.LayerResistivities[L] = f_.ReadFloat(S, Key("LayerResistivities", L, 2), 10.0 * L);
            }
            const int tn = cfg_.AcqChn[c].TxNumber;
            const int gates = (tn >= 1 && tn <= MaxTx) ? std::clamp(cfg_.Tx[tn].NoGates, 0, MaxGates) : 0;
            for (int g = 1; g <= gates; ++g) {
                s.FieldAmplitudes[g] = f_.ReadFloat(S, Key("FieldAmplitudesGate", g, 1), 0.5);
                s.FwdModelAmplitudes[g] = f_.ReadFloat(S, Key("ForwardModelAmplitudes", g, 1), 0.5);
                s.EqnModelAmplitudes[g] = f_.ReadFloat(S, Key("EquationModelAmplitudes", g, 1), 0.5);
                s.NoiseStdVperAm2[g] = f_.ReadFloat(S, Key("NoiseStdVperAm2_", g, 1), 2e-08);
                s.SysRespAmplitudes[g] = f_.ReadFloat(S, Key("SysRespAmplitudes_", g, 1), 0);
            }
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
                n = ClampCount(ReadInt(f_, T, "WaveformPointsDigitized", 7), 0, MaxWaveformPoints, T,
                               "WaveformPointsDigitized", op_);
            } else if (f_.ValueExists(G, "WaveformPointsDigitized" + suffix)) {
                n = ClampCount(ReadInt(f_, G, "WaveformPointsDigitized" + suffix, 7), 0, MaxWaveformPoints, G,
                               "WaveformPointsDigitized" + suffix, op_);
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
                const auto tok = SplitVector(value + " 0 1", false);
                w.WaveformPointTimes[p] = TokenFloat(tok, 0, p * 1e-6);
                w.WaveformPointAmplitudes[p] = TokenFloat(tok, 1, p < w.WaveformPointsDigitized ? 1 : 0);
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
    GexWriter(Configuration& cfg, KeywordFile& f, Operator& op) : cfg_(cfg), f_(f), op_(op) {}

    void Run()
    {
        WriteGeneral();
        WriteReceivers();
        WriteTransmitters();
        WriteTimeBases();
        WriteVehicle();
        WriteSystemResponses();
        WriteWaveforms();
        if (cfg_.LinkTxApproximateCurrenttoTxAmps)
            LinkCurrentsToAmps(cfg_);
        WriteChannels();
    }

  private:
    Configuration& cfg_;
    KeywordFile& f_;
    Operator& op_;

    void WriteGeneral()
    {
        const std::string G = Gen();
        f_.WriteBool(G, "IsMasterConfig", cfg_.Master);
        f_.WriteInteger(G, "MasterTamperCheckCRC", cfg_.MasterTamperCheckCRC);
        f_.WriteString(G, "ParentConfigFile", cfg_.ParentConfigFile);
        f_.WriteString(G, "Description", cfg_.Description);
        if (!Trim(cfg_.DataType).empty())
            f_.WriteString(G, "DataType", cfg_.DataType);
        else
            f_.DeleteKey(G, "DataType");
        if (cfg_.FrontGateDelay != 0 || f_.ValueExists(G, "FrontGateDelay"))
            f_.WriteFloat(G, "FrontGateDelay", cfg_.FrontGateDelay);
        // A value the model no longer gives must not survive from an earlier save.
        if (cfg_.CalculateRawDataSTD != -1)
            f_.WriteInteger(G, "CalculateRawDataSTD", cfg_.CalculateRawDataSTD);
        else
            f_.DeleteKey(G, "CalculateRawDataSTD");
        if (cfg_.GateNoForPowerLineMonitor != -1)
            f_.WriteInteger(G, "GateNoForPowerLineMonitor", cfg_.GateNoForPowerLineMonitor);
        else
            f_.DeleteKey(G, "GateNoForPowerLineMonitor");
        f_.WriteBool(G, "LinkTxApproximateCurrenttoTxAmps", cfg_.LinkTxApproximateCurrenttoTxAmps);
        f_.WriteInteger(G, "NumAcqChn", cfg_.NumAcqChn);
        f_.WriteInteger(G, "NumTx", cfg_.NumTx);
        f_.WriteInteger(G, "NumTimebases", cfg_.NumTimebases);
        f_.WriteInteger(G, "NumRx", cfg_.NumRx);
    }

    void WriteReceivers()
    {
        const std::string G = Gen();
        for (int r = 1; r <= std::min(cfg_.NumRx, MaxRx); ++r) {
            const std::string R = RxSec(r);
            const TReceiver& rx = cfg_.Rx[r];
            f_.WriteString(G, Key("RxCoilPosition", r, 1),
                           Fixed3(rx.CentroidX, rx.CentroidY, rx.CentroidZ, 9, 2));
            f_.WriteString(R, "Name", rx.Name);
            f_.WriteFloat(R, "EffectiveArea", rx.AreaNumTurnsxPreAmpxSingleTurn);
            f_.WriteFloat(R, "SingleTurnArea", rx.AreaSingleTurn);
            f_.WriteString(G, Key("RxCoilLPFilter", r, 1),
                           FormatFixed(rx.FilterOrder, 9, 2) + " " + FormatFixed(rx.FilterHz, 9, 2));
            f_.WriteFloat(R, "DampingOhms", rx.DampingOhms);
            f_.WriteString(R, "ReceiverPolarizationXYZ", rx.Orientation);
            f_.WriteInteger(R, "Turns", rx.Turns);
            f_.WriteFloat(R, "PreAmpGain", rx.PreAmpGain);
            f_.WriteFloat(R, "AtoDConvGain", rx.AtoDConvGain);
            f_.WriteString(R, "RxType", RxTypeNames.at(static_cast<std::size_t>(rx.RxType)));
            f_.WriteString(R, "Shape", Trim(rx.Shape));
            f_.WriteFloat(R, "EquivRadius", rx.EquivRadius);
            f_.WriteFloat(R, "XSideLength", rx.XSideLength);
            f_.WriteFloat(R, "YSideLength", rx.YSideLength);
            if (Trim(rx.Shape) == "Polygon") {
                const int n = std::clamp(rx.Loopsides, 0, MaxLoopSides);
                f_.WriteInteger(R, "Loopsides", n);
                for (int k = 1; k <= n; ++k) {
                    f_.WriteFloat(R, Key("NodeX", k, 2), rx.NodeX[k]);
                    f_.WriteFloat(R, Key("NodeY", k, 2), rx.NodeY[k]);
                    f_.WriteFloat(R, Key("NodeZ", k, 2), rx.NodeZ[k]);
                }
            }
            f_.WriteFloat(R, "AxisTilt", rx.AxisTilt);
            f_.WriteFloat(R, "AxisRotation", rx.AxisRotation);
            f_.WriteFloat(R, "PreBinAppliedRxDelay", rx.PreBinAppliedRxDelay);
        }
    }

    void WriteTransmitters()
    {
        const std::string G = Gen();
        for (int t = 1; t <= std::min(cfg_.NumTx, MaxTx); ++t) {
            const std::string T = TxSec(t);
            const std::string& V = t == 1 ? G : T; // where the loop's own keys go
            const TTransmitter& tx = cfg_.Tx[t];
            f_.WriteString(T, "MomentID", Name(tx.MomentID));
            f_.WriteString(T, "Name", tx.Name);
            const int sides = std::clamp(tx.LoopSides, 0, MaxLoopSides);
            f_.WriteInteger(T, "LoopSides", sides);
            if (tx.PrimaryFieldSTD != 0 || f_.ValueExists(T, "PrimaryFieldSTD"))
                f_.WriteFloat(T, "PrimaryFieldSTD", tx.PrimaryFieldSTD);
            f_.WriteInteger(G, "LoopType", tx.LoopType);
            f_.WriteString(G, Key("TxCoilPosition", t, 1),
                           Fixed3(tx.CentroidX, tx.CentroidY, tx.CentroidZ, 8, 3));
            if (tx.LoopType == 7)
                f_.WriteString(V, "TxLoopSides",
                               FormatFixed(tx.Type7RectSideX, 8, 3) + " " +
                                   FormatFixed(tx.Type7RectSideY, 8, 3));
            for (int n = 1; n <= sides; ++n)
                f_.WriteString(V, Key("TxLoopPoint", n, 1),
                               Fixed3(tx.NodeX[n - 1], tx.NodeY[n - 1], tx.NodeZ[n - 1], 8, 3));
            switch (tx.MomentID) {
            case TMomentID::SingleM:
                f_.WriteInteger(G, "NumberOfTurns", tx.Turns);
                break;
            case TMomentID::LM:
                f_.WriteInteger(G, "NumberOfTurnsLM", tx.Turns);
                break;
            case TMomentID::HM:
                f_.WriteInteger(G, "NumberOfTurnsHM", tx.Turns);
                break;
            default:
                f_.WriteInteger(T, "NumberOfTurns", tx.Turns);
                break;
            }
            f_.WriteFloat(T, "DampingOhms", tx.Damping);
            f_.WriteFloat(T, "FlyingLeadLength", tx.FlyingLeadLength);
            f_.WriteFloat(G, "TxLoopArea", tx.Area);
            f_.WriteFloat(T, "TxLoopArea", tx.Area);
            f_.WriteFloat(T, "EquivalentSquareLoopside", tx.EquivalentSquareLoopSide);
            f_.WriteFloat(T, "Volts", tx.Volts);
            f_.WriteFloat(T, "VoltsMin", tx.VoltsMin);
            f_.WriteFloat(T, "VoltsMax", tx.VoltsMax);
            f_.WriteFloat(T, "Amps", tx.Amps);
            f_.WriteFloat(T, "AmpsMin", tx.AmpsMin);
            f_.WriteFloat(T, "AmpsMax", tx.AmpsMax);
            f_.WriteBool(T, "ConstantVoltsOrAmps", tx.ConstantVoltsOrAmps);
            f_.WriteFloat(T, "PowerWatts", tx.Power);
            f_.WriteFloat(T, "ResistanceOhms", tx.Resistance);
            f_.WriteFloat(T, "MomentNIA", tx.MomentNIA);
            f_.WriteBool(T, "RelayA_Connected", tx.RelayA);
            f_.WriteBool(T, "RelayB_Connected", tx.RelayB);
            f_.WriteString(T, "AxisOrientation", tx.AxisOrient.substr(0, 1));
            f_.WriteFloat(T, "AxisTilt", tx.AxisTilt);
            f_.WriteFloat(T, "AxisRotation", tx.AxisRotation);
        }
    }

    void WriteTimeBases()
    {
        const std::string G = Gen();
        for (int k = 1; k <= std::min(cfg_.NumTimebases, MaxTimeBases); ++k) {
            const std::string T = TxSec(k);
            const TTimeBase& tb = cfg_.TimeBase[k];
            f_.WriteFloat(T, "PreBinAppliedSamplingDelay", tb.PreBinAppliedSamplingDelay);
            f_.WriteString(T, "TimebaseFilename", tb.TimeGateFileName);
            f_.WriteInteger(T, "GateSetKnownIndex", tb.GateSetKnownIndex);
            f_.WriteInteger(T, "AnalDigConvSamplingRate", tb.AnalDigConvSamplingRate);
            f_.WriteInteger(G, "FreqForPowerLineMonitor", tb.PowerlineBaseFrequency);
            const int gates = std::clamp(tb.NumGatesInSet, 0, MaxGates);
            f_.WriteInteger(T, "NumGatesInSet", gates);
            f_.WriteInteger(T, "FullWaveformStacks", tb.FullWaveformStacks);
            f_.WriteString(T, "GateSetName", tb.GateSetName);

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
                f_.WriteString(
                    sec, Key(family, g, g < 100 ? 2 : 3),
                    FormatScientific(tb.GateCentre[g]) + " " + FormatScientific(tb.drivenGateStart[g]) + " " +
                        FormatScientific(tb.drivenGateEnd[g]) + " " + FormatScientific(tb.GateWidth[g]));
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
        for (const auto& s : Sensors) {
            if (v.*s.exists) {
                f_.WriteString(G, s.gexKey, Fixed3(v.*s.x, v.*s.y, v.*s.z, 10, 3));
                f_.WriteBool(VehicleSec, s.flagKey, true);
            } else if (f_.ValueExists(G, s.gexKey)) {
                // The position of an earlier save stays for the exchange suite, but our own section
                // records that the sensor is gone, so it does not come back on reading.
                f_.WriteBool(VehicleSec, s.flagKey, false);
            }
        }
        f_.WriteString(VehicleSec, "Propulsion", Name(v.Propulsion));
        f_.WriteInteger(VehicleSec, "GNSSAntennaFixture", v.GNSSAntennaFixture);
        f_.WriteInteger(VehicleSec, "TransmitterLoopFixture", v.TransmitterLoopFixture);
        f_.WriteInteger(VehicleSec, "ReceiverLoop1Fixture", v.ReceiverLoop1Fixture);
        f_.WriteInteger(VehicleSec, "ReceiverLoop2Fixture", v.ReceiverLoop2Fixture);
        f_.WriteInteger(VehicleSec, "ReceiverLoop3Fixture", v.ReceiverLoop3Fixture);
        f_.WriteFloat(VehicleSec, "TractorFixedX", v.TractorFixedX);
        f_.WriteFloat(VehicleSec, "TractorSteerX", v.TractorSteerX);
        f_.WriteFloat(VehicleSec, "TractorTowBallX", v.TractorTowBallX);
        f_.WriteFloat(VehicleSec, "TrailerX", v.TrailerX);
        f_.WriteFloat(VehicleSec, "Wheelbase", v.WheelBase);
        f_.WriteFloat(VehicleSec, "WheelTrack", v.WheelTrack);
        f_.WriteFloat(VehicleSec, "SlingLength", v.SlingLength);
        f_.WriteFloat(VehicleSec, "SlingTilt", v.SlingTilt);
        f_.WriteString(VehicleSec, "PhotoFilename", v.PhotoFilename);
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
            f_.WriteBool(S, "FieldDataExists", s.FieldDataExists);
            f_.WriteFloat(S, "LateTimeConst", s.LateTimeConst);
            f_.WriteFloat(S, "LateInitialMagnitude", s.LateInitMagn);
            f_.WriteFloat(S, "RxTimeConst", s.RxTimeConst);
            f_.WriteFloat(S, "RxInitialMagnitude", s.RxInitMagn);
            f_.WriteFloat(S, "OscillationInitialMagnitude", s.OscillInitMagn);
            f_.WriteFloat(S, "OscillationFrequency", s.OscillFreq);
            f_.WriteFloat(S, "OscillationDamping", s.OscillDamp);
            f_.WriteFloat(S, "LowPassFilterHz", s.LowPassFreq);
            f_.WriteFloat(S, "LowPassFilterOrder", s.LowPassOrder);
            f_.WriteString(S, "FieldDataFilename", s.FieldDataFilename);
            f_.WriteString(S, "SysRespFilename", s.SysRespFilename);
            f_.WriteFloat(S, "NoiseAt1mSinVperAm2", s.NoiseAt1mSinVperAm2);
            f_.WriteFloat(S, "NoiseLogLogSlopeinVperS", s.NoiseLogLogSlopeinVperS);
            f_.WriteInteger(S, "drivenGatesInRamp", s.drivenGatesInRamp);
            f_.WriteFloat(S, "SimulRxDelay_uS", s.SimulRxDelay_uS);
            const int layers = std::clamp(s.FwdModelLayers, 0, MaxFwdModelLayers);
            f_.WriteInteger(S, "FwdModelLayers", layers);
            for (int L = 1; L <= layers; ++L)
                f_.WriteFloat(S, Key("LayerThicknesses", L, 2), s.LayerThicknesses[L]);
            for (int L = 1; L <= layers; ++L)
                f_.WriteFloat(S, Key("LayerResistivities", L, 2), s.LayerResistivities[L]);
            const int tn = cfg_.AcqChn[c].TxNumber;
            const int gates = (tn >= 1 && tn <= MaxTx) ? std::clamp(cfg_.Tx[tn].NoGates, 0, MaxGates) : 0;
            const std::pair<const char*, const GateArray TSystemResponse::*> lists[] = {
                {"FieldAmplitudesGate", &TSystemResponse::FieldAmplitudes},
                {"ForwardModelAmplitudes", &TSystemResponse::FwdModelAmplitudes},
                {"EquationModelAmplitudes", &TSystemResponse::EqnModelAmplitudes},
                {"NoiseStdVperAm2_", &TSystemResponse::NoiseStdVperAm2},
                {"SysRespAmplitudes_", &TSystemResponse::SysRespAmplitudes},
            };
            for (const auto& [base, member] : lists)
                for (int g = 1; g <= gates; ++g)
                    f_.WriteFloat(S, Key(base, g, 1), (s.*member)[g]);
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
            const TTransmitter tx = txOk ? cfg_.Tx[a.TxNumber] : DefaultTransmitter();
            if (f_.ValueExists(C, "RowID") || a.RowID != "None")
                f_.WriteString(C, "RowID", a.RowID);
            f_.WriteString(C, "Description", a.Description);
            f_.WriteInteger(C, "RxCoilNumber", a.RxCoilNumber);
            f_.WriteString(C, "ReceiverPolarizationXYZ", a.ReceiverPolarizationXYZ);
            f_.WriteString(C, "TransmitterMoment", a.TransmitterMoment);
            f_.WriteInteger(C, "TxNumber", a.TxNumber);
            f_.WriteInteger(C, "TimebaseNumber", tx.TimeBaseNumber);
            if (f_.ValueExists(C, "AtoDConvGain") || a.AtoDConvGain != -1)
                f_.WriteFloat(C, "AtoDConvGain", a.AtoDConvGain);
            f_.WriteFloat(C, "GateTimeShift", a.GateTimeShift);
            f_.WriteFloat(C, "GateFactor", a.GateFactor);
            f_.WriteInteger(C, "SystemResponseConvolution", a.SystemResponseConvolution);
            f_.WriteInteger(C, "RemoveInitialGates", a.RemoveInitialGates);
            // Written also when 0 over an earlier value, so a cleared value does not come back.
            if (a.RemoveGatesFrom != 0 || f_.ValueExists(C, "RemoveGatesFrom"))
                f_.WriteInteger(C, "RemoveGatesFrom", a.RemoveGatesFrom);
            f_.WriteFloat(C, "PrimaryFieldDampingFactor", a.PrimaryFieldDampingFactor);
            f_.WriteFloat(C, "UniformDataSTD", a.UniformDataSTD);
            f_.WriteFloat(C, "MeaTimeDelay", a.MeaTimeDelay);

            std::string signs;
            for (int s : tx.SignPattern)
                if (s == 1 || s == -1)
                    signs += (signs.empty() ? "" : " ") + std::to_string(s);
            f_.WriteString(C, "SignPattern", signs);
            f_.WriteInteger(C, "NoGates", tx.NoGates);
            f_.WriteFloat(C, "RepFreq", tx.FullWaveformRepetitionFrequency);
            f_.WriteFloat(C, "FrontGatetime", a.FrontGatetime);
            f_.WriteString(C, "TiBLowPassFilter",
                           FormatGeneral(tx.LPFilterOrderandCutoff[0]) + " " +
                               FormatGeneral(tx.LPFilterOrderandCutoff[1]));
            f_.WriteFloat(C, "TxApproximateCurrent", a.TxApproximateCurrent);
            WriteList(C, "GateConstants", a.GateConstantsExist, a.GateConstants);
            WriteList(C, "GateFactors", a.GateFactorsExist, a.GateFactors);
            WriteList(C, "GateSTDs", a.GateSTDsExist, a.GateSTDs);
        }
    }

    void WriteList(const std::string& C, std::string_view key, bool exists, const std::vector<double>& list)
    {
        if (!exists)
            return;
        std::string v;
        for (std::size_t i = 0; i < list.size(); ++i)
            v += (i ? " " : "") + FormatGeneral(list[i]);
        f_.WriteString(C, key, v);
    }
};

} // namespace

void LoadGEXFromFile(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    // Read into a copy: a read that stops half-way, or a refused master, leaves the model as it was.
    Configuration next = cfg;
    const bool exists = IsRegularFile(next.LoadFilename);
    if (!exists)
        next.LoadFilename = "No_File_LoadedDefaultValues.gex";
    if (UpperExtension(next.LoadFilename) != ".GEX")
        throw ActionError("File extension must be GEX. ABORTING");
    next.TDCorGEX = TINIFileFormat::GEX;
    // The read's own copy of the file; a missing file reads as all defaults.
    const KeywordFile f =
        KeywordFile::FromOwnedText(exists ? PreReadCheck(next, folders, op) : std::string());
    next.TempFilename = folders.temConfig + "Temp.GEX";
    if (exists && !HasConfigurationSection(f, TINIFileFormat::GEX))
        op.inform(NoConfigurationSectionsMessage(next.LoadFilename));
    GexReader(next, f, op).Run();
    CheckTxMomentTxNumberMatch(next, op);
    CalculateDrivenVariables(next, op);
    cfg = std::move(next);
}

SaveResult SaveGEXToFile(Configuration& cfg, const DataFolders& folders, Operator& op, SaveMode mode)
{
    (void)folders;
    if (UpperExtension(cfg.SaveFilename) != ".GEX")
        return SaveResult{
            SaveOutcome::Failed,
            "File extension must be 'gex' when saving in GEX format but it was not. Beware that "
            "AarhusWorkBench only reads GEX files ending in lower case 'gex' and not upper case "
            "'GEX'. ABORTING",
            false};
    cfg.SaveFilename = fs::path(cfg.SaveFilename).replace_extension(".gex").string();
    cfg.TDCorGEX = TINIFileFormat::GEX;
    if (auto why = WhyGexCannotHold(cfg))
        return SaveResult{SaveOutcome::Failed, *why, false};
    if (auto refused = RefuseMasterTarget(cfg.SaveFilename, TINIFileFormat::GEX))
        return *refused;
    if (cfg.Master && !op.ask("Writing to a Master configuration file. Are you sure?", false))
        return SaveResult{SaveOutcome::Declined, {}, false};

    return StoreConfiguration(
        cfg.SaveFilename, TINIFileFormat::GEX, mode,
        [&](KeywordFile& f) {
            TxRxAliasAcqChnMapping(cfg, op);
            GexWriter(cfg, f, op).Run();
        },
        op);
}

} // namespace tem
