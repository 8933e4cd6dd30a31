#include "core/files/tdc_file.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
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

namespace tem {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view NotSavedMarker = "Not_Saved.TDC";
constexpr std::string_view TimeGatesMissing =
    "TimeGate entries were not found - they are infilled with zeros";
constexpr std::string_view MasterWriteQuestion =
    "Double Checking: Writing to a Master configuration file. Are you sure?";
constexpr std::string_view Type7Missing =
    "Loop type 7 is specified but TxLoopSides keyword was not detected in the general section of the GEX "
    "file. Loopsides of 99m have been assumed - please edit manually.";

bool FileExists(const std::string& name)
{
    std::error_code ec;
    return !name.empty() && fs::is_regular_file(name, ec);
}

std::string Numbered(const std::string_view prefix, long long n, int digits)
{
    return std::string(prefix) + FormatNumbered(n, digits);
}

/// Gate keys as the writer names them: two digits below 100, three from 100.
std::string GateTimeKey(int g)
{
    return Numbered("GateTime", g, g < 100 ? 2 : 3);
}

/// The message of a loop type the program reads but does not fully support; empty for the others.
std::string_view LoopTypeMessage(int loopType)
{
    switch (loopType) {
    case 73:
        return "Tx LoopType 73 detected - Segmented Loop with Inverse Laplace Transform and System Response. "
               "This software can read the segmented loop but will not load nor model with the SSR or SR2 "
               "format system response.";
    case 12:
        return "Tx LoopType 12 detected - circular loop - Not supported - Consider negotiating for support "
               "or "
               "manually edit to make it LoopType 72 with Loop vertices.";
    case 123:
        return "Tx LoopType 123 detected - circular loop with Inverse Laplace Transform - Not supported - "
               "Consider negotiating for support or manually edit to make it LoopType 72 with Loop vertices "
               "- "
               "SSR or SR2 system response will not be loaded nor modelled.";
    case 13:
        return "Tx LoopType 13 detected - circular loop with offset receiver - Not supported - Consider "
               "negotiating for support or manually edit to make it LoopType 72 with Loop vertices.";
    case 14:
        return "Tx LoopType 14 detected - In-loop - Consider negotiating for support but for now manually "
               "edit "
               "to make it LoopType 72 with Loop vertices.";
    case 3:
        return "Tx LoopType 3 detected - Vertical Magnetic Dipole - Not fully supported - may not be "
               "suitable "
               "for forward modelling";
    case 31:
        return "Tx LoopType 31 detected - Rotated magnetic dipole with primary field - Not fully supported - "
               "may not be suitable for forward modelling";
    default:
        return {};
    }
}

/// Vertex k of the unit circle a polygon receiver falls back to: (sin(k pi/2), cos(k pi/2), 0),
/// exact for every k.
double CircleX(int k)
{
    const int q = k % 4;
    return q == 1 ? 1 : q == 3 ? -1 : 0;
}
double CircleY(int k)
{
    const int q = k % 4;
    return q == 0 ? 1 : q == 2 ? -1 : 0;
}

std::optional<int> ToInt(long long v)
{
    if (v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return static_cast<int>(v);
}

/// Token k as a 32-bit integer, or def when missing, not an integer or out of range.
int TokenInt(const std::vector<std::string>& tokens, std::size_t k, int def)
{
    return ToInt(TokenInteger(tokens, k, def)).value_or(def);
}

// ---- Reading ------------------------------------------------------------------------------------

class TdcReader {
  public:
    TdcReader(Configuration& cfg, const KeywordFile& file, Operator& op) : cfg_(cfg), f_(file), op_(op) {}

    void General();
    void Receivers();
    void Transmitters();
    void TimeBases();
    void Vehicle();
    void Channels();
    void SystemResponses();
    void Waveforms();
    void CurrentLink();

  private:
    std::string Str(std::string_view sec, std::string_view key, std::string_view def) const
    {
        return f_.ReadString(sec, key, def);
    }
    double Num(std::string_view sec, std::string_view key, double def) const
    {
        return f_.ReadFloat(sec, key, def);
    }
    bool Flag(std::string_view sec, std::string_view key, bool def) const
    {
        return f_.ReadBool(sec, key, def);
    }
    /// A 32-bit integer; unreadable or out-of-range text gives def.
    int Int(std::string_view sec, std::string_view key, int def) const
    {
        return ToInt(f_.ReadInteger(sec, key, def)).value_or(def);
    }

    /// Keeps a count or an index inside the model's limits, saying so once when it had to.
    int Clamp(std::string_view sec, std::string_view key, long long value, int lo, int hi,
              std::string_view counted = {})
    {
        if (value >= lo && value <= hi)
            return static_cast<int>(value);
        const int used = value < lo ? lo : hi;
        const std::string what = counted.empty() ? " is " + std::to_string(value)
                                                 : " is missing and " + std::to_string(value) + " " +
                                                       std::string(counted) + " sections were counted";
        op_.inform(std::string(key) + " in section [" + std::string(sec) + "]" + what +
                   ", outside the allowed range " + std::to_string(lo) + " to " + std::to_string(hi) + "; " +
                   std::to_string(used) + " is used.");
        return used;
    }
    int ClampedInt(std::string_view sec, std::string_view key, long long def, int lo, int hi)
    {
        return Clamp(sec, key, f_.ReadInteger(sec, key, def), lo, hi);
    }

    /// Consecutive numbered sections prefix1, prefix2, ... ("%2.2u" looked for before "%1u").
    long long CountSections(std::string_view prefix) const
    {
        long long n = 0;
        while (f_.SectionExists(Numbered(prefix, n + 1, 2)) || f_.SectionExists(Numbered(prefix, n + 1, 1)))
            ++n;
        return n == 0 ? 1 : n;
    }
    /// A count of the general section: the key's value (unreadable: 1), or the counted sections.
    int Count(std::string_view gen, std::string_view key, std::string_view prefix, int hi)
    {
        if (f_.ValueExists(gen, key))
            return Clamp(gen, key, f_.ReadInteger(gen, key, 1), 1, hi);
        return Clamp(gen, key, CountSections(prefix), 1, hi, prefix);
    }

    void Transmitter(int t);
    void Type7Rectangle(TTransmitter& tx, const std::string& sec);

    Configuration& cfg_;
    const KeywordFile& f_;
    Operator& op_;
};

void TdcReader::General()
{
    const std::string gen(SectionGen(cfg_.TDCorGEX));
    cfg_.Master = Flag(gen, "IsMasterConfig", false);
    cfg_.MasterTamperCheckCRC =
        static_cast<std::uint32_t>(f_.ReadInteger(gen, "MasterTamperCheckCRC", 2147483647));
    cfg_.ParentConfigFile = Str(gen, "ParentConfigFile", "NoParentConfigFile.TDC");
    cfg_.Description = Str(gen, "Description", "Type_a_Configuration_Description_here");
    cfg_.DataType = Trim(Str(gen, "DataType", ""));
    cfg_.FrontGateDelay = Num(gen, "FrontGateDelay", 0);
    cfg_.CalculateRawDataSTD =
        f_.ValueExists(gen, "CalculateRawDataSTD") ? Int(gen, "CalculateRawDataSTD", 0) : -1;
    cfg_.GateNoForPowerLineMonitor =
        f_.ValueExists(gen, "GateNoForPowerLineMonitor") ? Int(gen, "GateNoForPowerLineMonitor", 15) : -1;
    cfg_.NumAcqChn = Count(gen, "NumAcqChn", SectionChn(cfg_.TDCorGEX), MaxAcqChn);
    cfg_.NumTx = Count(gen, "NumTx", SectionTx(cfg_.TDCorGEX), MaxTx);
    cfg_.NumTimebases = Count(gen, "NumTimebases", SectionTx(cfg_.TDCorGEX), MaxTimeBases);
    cfg_.NumRx = Count(gen, "NumRx", SectionRx(cfg_.TDCorGEX), MaxRx);
}

void TdcReader::Receivers()
{
    for (int r = 1; r <= cfg_.NumRx; ++r) {
        const std::string sec = Numbered(SectionRx(cfg_.TDCorGEX), r, 1);
        TReceiver& rx = cfg_.Rx[r];
        rx.CentroidX = Num(sec, "CentroidX", 0);
        rx.CentroidY = Num(sec, "CentroidY", 0);
        rx.CentroidZ = Num(sec, "CentroidZ", 0);
        rx.Name = Str(sec, "Name", "The_receiver");
        rx.Orientation = Str(sec, "Orientation", "Z");
        rx.AreaNumTurnsxPreAmpxSingleTurn = Num(sec, "EffectiveArea", 1);
        rx.AreaSingleTurn = Num(sec, "SingleTurnArea", 1);
        rx.Turns = Int(sec, "Turns", 1);
        rx.PreAmpGain = Num(sec, "PreAmpGain", 1);
        rx.FilterHz = Num(sec, "LowPassFilterHz", 60000);
        rx.FilterOrder = Num(sec, "LowPassFilterOrder", 1);
        rx.DampingOhms = Num(sec, "DampingOhms", 330);
        rx.AtoDConvGain = Num(sec, "AtoDConvGain", 100);
        const std::string type = Trim(Str(sec, "RxType", ""));
        rx.RxType = TRxType::rxtypedBdt;
        for (std::size_t i = 0; i < RxTypeNames.size(); ++i)
            if (SameText(type, RxTypeNames[i]) || SameText(type, RxTypeEnumNames[i]))
                rx.RxType = static_cast<TRxType>(i);
        rx.Shape = Trim(Str(sec, "Shape", "Circle"));
        rx.EquivRadius = Num(sec, "EquivRadius", std::sqrt(rx.AreaSingleTurn / std::numbers::pi));
        rx.XSideLength = Num(sec, "XSideLength", std::sqrt(rx.AreaSingleTurn));
        rx.YSideLength = Num(sec, "YSideLength", std::sqrt(rx.AreaSingleTurn));
        if (SameText(rx.Shape, "Polygon")) {
            rx.Loopsides = ClampedInt(sec, "Loopsides", 4, 0, MaxLoopSides);
            // Each vertex has numbered keys; the unnumbered ones of older files stand for every vertex.
            const auto vertex = [&](std::string_view axis, int k, double def) {
                const std::string numbered = Numbered(axis, k, 2);
                return Num(sec, f_.ValueExists(sec, numbered) ? std::string_view(numbered) : axis, def);
            };
            for (int k = 1; k <= rx.Loopsides; ++k) {
                rx.NodeX[k] = vertex("NodeX", k, CircleX(k));
                rx.NodeY[k] = vertex("NodeY", k, CircleY(k));
                rx.NodeZ[k] = vertex("NodeZ", k, 0);
            }
        } else {
            // Not stored for other shapes: the defaults, so a read never depends on the previous model.
            rx.Loopsides = 4;
            for (int k = 1; k <= rx.Loopsides; ++k) {
                rx.NodeX[k] = CircleX(k);
                rx.NodeY[k] = CircleY(k);
                rx.NodeZ[k] = 0;
            }
        }
        rx.AxisTilt = Num(sec, "AxisTilt", 0);
        rx.AxisRotation = Num(sec, "AxisRotation", 0);
        rx.PreBinAppliedRxDelay = Num(sec, "PreBinAppliedRxDelay", 0);
    }
}

void TdcReader::Transmitters()
{
    cfg_.TxOther = 0;
    for (int t = 1; t <= cfg_.NumTx; ++t)
        Transmitter(t);
}

void TdcReader::Transmitter(int t)
{
    const std::string sec = Numbered(SectionTx(cfg_.TDCorGEX), t, 1);
    TTransmitter& tx = cfg_.Tx[t];

    const std::string moment = Trim(Str(sec, "MomentID", "SingleM"));
    tx.MomentID = TMomentID::SingleM;
    for (std::size_t i = 0; i < MomentIDNames.size(); ++i)
        if (SameText(moment, MomentIDNames[i]))
            tx.MomentID = static_cast<TMomentID>(i);
    RecordTransmitterRole(cfg_, t);
    tx.Name = Str(sec, "Name", "2Turns36Amps");
    tx.CentroidX = Num(sec, "CentroidX", 0);
    tx.CentroidY = Num(sec, "CentroidY", 0);
    tx.CentroidZ = Num(sec, "CentroidZ", 0);
    tx.LoopSides = ClampedInt(sec, "LoopSides", 4, 0, MaxLoopSides);

    for (int n = 1; n <= tx.LoopSides; ++n) {
        std::string key = Numbered("TxLoopPoint", n, 1);
        if (n < 10 && !f_.ValueExists(sec, key))
            key = Numbered("TxLoopPoint", n, 2);
        const std::vector<std::string> tokens = SplitVector(Str(sec, key, "0 0"), true);
        tx.NodeX[n - 1] = TokenFloat(tokens, 0, n - 1);
        tx.NodeY[n - 1] = TokenFloat(tokens, 1, n - 1);
        tx.NodeZ[n - 1] =
            tokens.size() > 2 && !tokens[2].starts_with('/') ? TokenFloat(tokens, 2, -1) : tx.CentroidZ;
    }
    tx.NodeX[tx.LoopSides] = tx.NodeX[0];
    tx.NodeY[tx.LoopSides] = tx.NodeY[0];
    tx.NodeZ[tx.LoopSides] = tx.NodeZ[0];

    tx.PrimaryFieldSTD = Num(sec, "PrimaryFieldSTD", 0);
    tx.LoopType = Int(sec, "LoopType", 72);
    if (tx.LoopType == 7)
        Type7Rectangle(tx, sec);
    else if (const std::string_view message = LoopTypeMessage(tx.LoopType); !message.empty())
        op_.inform(std::string(message));

    tx.Turns = Int(sec, "NumberOfTurns", 1);
    tx.Damping = Num(sec, "DampingOhms", 330);
    tx.FlyingLeadLength = Num(sec, "FlyingLeadLength", 1);
    tx.Area = Num(sec, "AreaSingleTurn", 1);
    tx.EquivalentSquareLoopSide = Num(sec, "EquivalentSquareLoopside", std::sqrt(tx.Area));
    tx.Volts = Num(sec, "Volts", 8);
    tx.VoltsMin = Num(sec, "VoltsMin", 3.3);
    tx.VoltsMax = Num(sec, "VoltsMax", 18);
    tx.Amps = Num(sec, "Amps", 36);
    tx.AmpsMin = Num(sec, "AmpsMin", 0);
    tx.AmpsMax = Num(sec, "AmpsMax", 45);
    tx.ConstantVoltsOrAmps = Flag(sec, "ConstantVoltsOrAmps", false);
    tx.Power = Num(sec, "PowerWatts", 375);
    tx.Resistance = Num(sec, "ResistanceOhms", 0.2);
    tx.MomentNIA = Num(sec, "MomentNIA", 1000);
    tx.RelayA = Flag(sec, "RelayA_Connected", true);
    tx.RelayB = Flag(sec, "RelayB_Connected", false);
    tx.AxisOrient = std::string(1, (Str(sec, "AxisOrientation", "Z") + "Z")[0]);
    tx.AxisTilt = Num(sec, "AxisTilt", 0);
    tx.AxisRotation = Num(sec, "AxisRotation", 0);
    tx.FullWaveformRepetitionFrequency = Num(sec, "FullWaveformRepetitionFrequency", 120);
    tx.NoGates = ClampedInt(sec, "NoGates", 30, 0, MaxGates);
    tx.TimeBaseNumber = ClampedInt(sec, "TimebaseNumber", 1, 1, MaxTimeBases);

    const std::vector<std::string> filter = SplitVector(Str(sec, "TiBLowPassFilter", "1 60000"), false);
    if (filter.size() < 2)
        throw ListIndexError("List index out of bounds (" + std::to_string(filter.size()) +
                             "): TiBLowPassFilter in section [" + sec +
                             "] needs two values, the filter order and the cut-off frequency");
    tx.LPFilterOrderandCutoff[0] = TokenFloat(filter, 0, 1);
    tx.LPFilterOrderandCutoff[1] = TokenFloat(filter, 1, 60000);

    const std::vector<std::string> signs = SplitVector(Str(sec, "SignPattern", "1 -1"), false);
    tx.SignPattern.assign(signs.size(), 0);
    for (std::size_t k = 0; k < signs.size(); ++k)
        tx.SignPattern[k] = TokenInt(signs, k, static_cast<int>(2 * (k % 2)) - 2);
}

void TdcReader::Type7Rectangle(TTransmitter& tx, const std::string& sec)
{
    std::string s = Str(sec, "Type7TxLoopSides", "99.0 99.0");
    if (s == "99.0 99.0")
        op_.inform(std::string(Type7Missing));
    BuildType7Rectangle(s, tx);
}

void TdcReader::TimeBases()
{
    for (int k = 1; k <= cfg_.NumTimebases; ++k) {
        const std::string sec = "Timebase" + TxAbrev(k);
        TTimeBase& tb = cfg_.TimeBase[k];
        tb.TimeGateFileName = Str(sec, "TimebaseFilename", "No_Filename_selected");
        tb.GateSetKnownIndex = Int(sec, "GateSetKnownIndex", 0);
        tb.AnalDigConvSamplingRate = Int(sec, "AnalDigConvSamplingRate", 999999);
        tb.PreBinAppliedSamplingDelay = Num(sec, "PreBinAppliedSamplingDelay", 0);
        tb.PowerlineBaseFrequency = Int(sec, "PowerlineBaseFrequency", 50);
        tb.NumGatesInSet = ClampedInt(sec, "NumGatesInSet", 99, 0, MaxGates);
        tb.FullWaveformStacks = Int(sec, "FullWaveformStacks", 32);
        tb.GateSetName = Str(sec, "GateSetName", "WackyDummyGatesWontWork");
        for (int g = 1; g <= tb.NumGatesInSet; ++g) {
            std::string key;
            if (g < 100 && f_.ValueExists(sec, Numbered("GateTime", g, 2)))
                key = Numbered("GateTime", g, 2);
            else if (g < 10 && f_.ValueExists(sec, Numbered("GateTime", g, 1)))
                key = Numbered("GateTime", g, 1);
            else if (g > 99 && f_.ValueExists(sec, Numbered("GateTime", g, 3)))
                key = Numbered("GateTime", g, 3);
            std::string value = "0 0 0";
            if (!key.empty())
                value = Str(sec, key, "0 0 0");
            else if (g == tb.NumGatesInSet)
                op_.inform(std::string(TimeGatesMissing));
            const std::vector<std::string> tokens = SplitVector(value, true);
            const double fallback = g * 1e-6;
            tb.drivenGateStart[g] = TokenFloat(tokens, 1, fallback);
            tb.GateCentre[g] = TokenFloat(tokens, 0, fallback);
            tb.drivenGateEnd[g] = TokenFloat(tokens, 2, fallback);
            tb.GateWidth[g] = tb.drivenGateEnd[g] - tb.drivenGateStart[g];
        }
    }
}

void TdcReader::Vehicle()
{
    const std::string sec = "Vehicle";
    TVehicle& v = cfg_.Vehicle;
    struct Group {
        const char* name;
        double *x, *y, *z;
        bool* exists;
        bool def;
    };
    const Group groups[] = {
        {"GNSS", &v.GNSSX, &v.GNSSY, &v.GNSSZ, &v.GNSSExists, true},
        {"GNSS2", &v.GNSS2X, &v.GNSS2Y, &v.GNSS2Z, &v.GNSS2Exists, false},
        {"DifferentialGNSS", &v.DifferentialGNSSX, &v.DifferentialGNSSY, &v.DifferentialGNSSZ,
         &v.DifferentialGNSSExists, false},
        {"DifferentialGNSS2", &v.DifferentialGNSS2X, &v.DifferentialGNSS2Y, &v.DifferentialGNSS2Z,
         &v.DifferentialGNSS2Exists, false},
        {"Altimeter", &v.AltimeterX, &v.AltimeterY, &v.AltimeterZ, &v.AltimeterExists, false},
        {"Altimeter2", &v.Altimeter2X, &v.Altimeter2Y, &v.Altimeter2Z, &v.Altimeter2Exists, false},
        {"Inclinometer", &v.InclinometerX, &v.InclinometerY, &v.InclinometerZ, &v.InclinometerExists, false},
        {"Inclinometer2", &v.Inclinometer2X, &v.Inclinometer2Y, &v.Inclinometer2Z, &v.Inclinometer2Exists,
         false},
        {"Sonar", &v.SonarX, &v.SonarY, &v.SonarZ, &v.SonarExists, false},
    };
    for (const Group& g : groups) {
        const std::string n = g.name;
        *g.x = Num(sec, n + "X", 0);
        *g.y = Num(sec, n + "Y", 0);
        *g.z = Num(sec, n + "Z", 0);
        *g.exists = Flag(sec, n + "Exists", g.def);
    }
    // A name that is not a propulsion leaves the previous value.
    const std::string propulsion = Trim(Str(sec, "Propulsion", "propTractor"));
    for (std::size_t i = 0; i < PropulsionNames.size(); ++i)
        if (SameText(propulsion, PropulsionNames[i]))
            v.Propulsion = static_cast<TPropulsion>(i);
    v.GNSSAntennaFixture = Int(sec, "GNSSAntennaFixture", 0);
    v.TransmitterLoopFixture = Int(sec, "TransmitterLoopFixture", 0);
    v.ReceiverLoop1Fixture = Int(sec, "ReceiverLoop1Fixture", 0);
    v.ReceiverLoop2Fixture = Int(sec, "ReceiverLoop2Fixture", 0);
    v.ReceiverLoop3Fixture = Int(sec, "ReceiverLoop3Fixture", 0);
    v.TractorFixedX = Num(sec, "TractorFixedX", 7.5);
    v.TractorSteerX = Num(sec, "TractorSteerX", 11.5);
    v.TractorTowBallX = Num(sec, "TractorTowBallX", 6.5);
    v.TrailerX = Num(sec, "TrailerX", 0.5);
    v.WheelBase = Num(sec, "Wheelbase", 4);
    v.WheelTrack = Num(sec, "WheelTrack", 1.5);
    v.SlingLength = Num(sec, "SlingLength", 30);
    v.SlingTilt = Num(sec, "SlingTilt", 0);
    v.PhotoFilename = Str(sec, "PhotoFilename", "NoPhotoAvailable.jpg");
}

void TdcReader::Channels()
{
    for (int c = 1; c <= cfg_.NumAcqChn; ++c) {
        const std::string_view prefix = SectionChn(cfg_.TDCorGEX);
        std::string sec = Numbered(prefix, c, 2);
        if (!f_.SectionExists(sec))
            sec = Numbered(prefix, c, 1);
        TAcqChn& a = cfg_.AcqChn[c];
        a.RowID = Str(sec, "RowID", DefaultAcqChn(c).RowID);
        a.Description = Str(sec, "Description", "Dummy Channel Description");
        a.RxCoilNumber = ClampedInt(sec, "RxCoilNumber", 1, 1, MaxRx);
        a.ReceiverPolarizationXYZ = Str(sec, "ReceiverPolarizationXYZ", "Z");
        a.TransmitterMoment = Str(sec, "TransmitterMoment", "SingleM");
        a.TxNumber = ClampedInt(sec, "TxNumber", 1, 1, MaxTx);
        a.AtoDConvGain = Num(sec, "AtoDConvGain", 100);
        a.GateTimeShift = Num(sec, "GateTimeShift", 0);
        a.GateFactor = Num(sec, "GateFactor", 1);
        a.SystemResponseConvolution = Int(sec, "SystemResponseConvolution", 0);
        a.RemoveInitialGates = Int(sec, "RemoveInitialGates", 0);
        a.RemoveGatesFrom = Int(sec, "RemoveGatesFrom", 0);
        a.PrimaryFieldDampingFactor = Num(sec, "PrimaryFieldDampingFactor", 1);
        a.UniformDataSTD = Num(sec, "UniformDataSTD", 0.03);
        a.MeaTimeDelay = Num(sec, "MeaTimeDelay", 0);
        a.FrontGatetime = Num(sec, "FrontGatetime", -1);
        a.FrontGateExists = a.FrontGatetime >= 0;
        // Our own TDC files carry the current under its written name; without this fallback every
        // save and load would reset it to 1, and the current link would then set the loops to 1 A.
        a.TxApproximateCurrent = f_.ValueExists(sec, "TxApproximateCurrent")
                                     ? Num(sec, "TxApproximateCurrent", 1)
                                     : Num(sec, "drivenAarhusTxApproximateCurrent", 1);
        const auto list = [&](std::string_view key, bool& exists, std::vector<double>& values, double def) {
            const std::optional<std::string> text = f_.Find(sec, key);
            exists = text.has_value();
            if (!exists)
                return;
            std::vector<std::string> tokens = SplitVector(*text, false, MaxGates + 1);
            if (tokens.size() > MaxGates) {
                op_.inform(GateListTooLong(sec, key, MaxGates));
                tokens.resize(MaxGates);
            }
            values.assign(tokens.size(), def);
            for (std::size_t k = 0; k < tokens.size(); ++k)
                values[k] = TokenFloat(tokens, k, def);
        };
        list("GateConstants", a.GateConstantsExist, a.GateConstants, 0);
        list("GateFactors", a.GateFactorsExist, a.GateFactors, 1);
        list("GateSTDs", a.GateSTDsExist, a.GateSTDs, 0.03);
    }
}

void TdcReader::SystemResponses()
{
    const std::string gen(SectionGen(cfg_.TDCorGEX));
    for (int c = 1; c <= cfg_.NumAcqChn; ++c) {
        TSystemResponse& s = cfg_.SysResp[c];
        s.SysRespExists = Flag(gen, Numbered("SysRespExists", c, 2), false);
        // A channel without a response gets the defaults, as from an empty section.
        const std::string sec = s.SysRespExists ? Numbered("SysResp", c, 2) : std::string();
        const auto num = [&](std::string_view key, double def) {
            return sec.empty() ? def : Num(sec, key, def);
        };
        const auto integer = [&](std::string_view key, int def) {
            return sec.empty() ? def : Int(sec, key, def);
        };
        s.FieldDataExists = !sec.empty() && Flag(sec, "FieldDataExists", false);
        s.LateTimeConst = num("LateTimeConst", 0.01);
        s.LateInitMagn = num("LateInitialMagnitude", 0.002);
        s.RxTimeConst = num("RxTimeConst", 5e-05);
        s.RxInitMagn = num("RxInitialMagnitude", 1);
        s.OscillInitMagn = num("OscillationInitialMagnitude", 1);
        s.OscillFreq = num("OscillationFrequency", 6000);
        s.OscillDamp = num("OscillationDamping", 0.1);
        s.LowPassFreq = num("LowPassFilterHz", 60000);
        s.LowPassOrder = num("LowPassFilterOrder", 1);
        s.FieldDataFilename =
            sec.empty() ? "NoFieldData.CSV" : Str(sec, "FieldDataFilename", "NoFieldData.CSV");
        s.SysRespFilename = sec.empty() ? "NoSysResp.CSV" : Str(sec, "SysRespFilename", "NoSysResp.CSV");
        s.NoiseAt1mSinVperAm2 = num("NoiseAt1mSinVperAm2", 2e-10);
        s.NoiseLogLogSlopeinVperS = num("NoiseLogLogSlopeinVperS", -0.5);
        s.drivenGatesInRamp = integer("drivenGatesInRamp", 0);
        s.SimulRxDelay_uS = num("SimulRxDelay_uS", 9);
        s.FwdModelLayers = sec.empty() ? 3 : ClampedInt(sec, "FwdModelLayers", 3, 0, MaxFwdModelLayers);
        for (int L = 1; L <= s.FwdModelLayers; ++L) {
            s.LayerThicknesses[L] = num(Numbered("LayerThicknesses", L, 2), 0.5);
            s.LayerResistivities[L] = num(Numbered("LayerResistivities", L, 2), 10.0 * L);
        }
        const int gates = cfg_.Tx[cfg_.AcqChn[c].TxNumber].NoGates;
        for (int g = 1; g <= gates; ++g) {
            s.FieldAmplitudes[g] = num(Numbered("FieldAmplitudesGate", g, 1), 0.5);
            s.FwdModelAmplitudes[g] = num(Numbered("ForwardModelAmplitudes", g, 1), 0.5);
            s.EqnModelAmplitudes[g] = num(Numbered("EquationModelAmplitudes", g, 1), 0.5);
            s.NoiseStdVperAm2[g] = num(Numbered("NoiseStdVperAm2_", g, 1), 2e-08);
            s.SysRespAmplitudes[g] = num(Numbered("SysRespAmplitudes_", g, 1), 0);
        }
    }
}

void TdcReader::Waveforms()
{
    for (int t = 1; t <= cfg_.NumTx; ++t) {
        const std::string sec = "Waveform" + TxAbrev(t);
        TTxWaveform& w = cfg_.TxWaveform[t];
        w.WaveformFilename = Str(sec, "WaveformFilename", "No_Filename_selected");
        w.WaveformPointsDigitized = ClampedInt(sec, "WaveformPointsDigitized", 7, 0, MaxWaveformPoints);
        w.drivenRamp = Num(sec, "drivenRamp", 4.5e-06);
        for (int p = 1; p <= w.WaveformPointsDigitized; ++p) {
            std::string key = Numbered("WaveformPoint", p, 1);
            if (!f_.ValueExists(sec, key))
                key = Numbered("WaveformPoint", p, 2);
            // " 0 1" instead of the filler: a missing point is time 0, amplitude 1; a lone time has amplitude
            // 0.
            const std::vector<std::string> tokens = SplitVector(Str(sec, key, "") + " 0 1", false);
            w.WaveformPointTimes[p] = TokenFloat(tokens, 0, p * 1e-6);
            w.WaveformPointAmplitudes[p] = TokenFloat(tokens, 1, p < w.WaveformPointsDigitized ? 1 : 0);
        }
    }
}

/// Copies each channel's approximate current into its transmitter (later pairs override earlier ones).
void CopyCurrentsToTransmitters(Configuration& cfg)
{
    const int numTx = std::clamp(cfg.NumTx, 0, MaxTx);
    const int numRx = std::clamp(cfg.NumRx, 0, MaxRx);
    for (int t = 1; t <= numTx; ++t)
        for (int r = 1; r <= numRx; ++r) {
            const int c = cfg.AcqChnMapTxRx[t][r];
            if (c >= 1 && c <= MaxAcqChn && cfg.AcqChn[c].TxApproximateCurrent > 0)
                cfg.Tx[t].Amps = cfg.AcqChn[c].TxApproximateCurrent;
        }
}

void TdcReader::CurrentLink()
{
    cfg_.LinkTxApproximateCurrenttoTxAmps =
        Flag(SectionGen(cfg_.TDCorGEX), "LinkTxApproximateCurrenttoTxAmps", false);
    if (cfg_.LinkTxApproximateCurrenttoTxAmps)
        CopyCurrentsToTransmitters(cfg_);
}

// ---- Writing ------------------------------------------------------------------------------------

class TdcWriter {
  public:
    TdcWriter(Configuration& cfg, KeywordFile& file) : cfg_(cfg), f_(file), fmt_(cfg.TDCorGEX) {}

    void General();
    void Receivers();
    void Transmitters();
    void TimeBases();
    void Vehicle();
    void SystemResponses();
    void Waveforms();
    void Channels();

  private:
    void Str(std::string_view sec, std::string_view key, std::string_view v) { f_.WriteString(sec, key, v); }
    void Int(std::string_view sec, std::string_view key, long long v) { f_.WriteInteger(sec, key, v); }
    void Num(std::string_view sec, std::string_view key, double v) { f_.WriteFloat(sec, key, v); }
    void Flag(std::string_view sec, std::string_view key, bool v) { f_.WriteBool(sec, key, v); }

    // The counts as the model's limits allow them; a model edited past them is written clamped.
    int NumTx() const { return std::clamp(cfg_.NumTx, 1, MaxTx); }
    int NumRx() const { return std::clamp(cfg_.NumRx, 1, MaxRx); }
    int NumAcqChn() const { return std::clamp(cfg_.NumAcqChn, 1, MaxAcqChn); }
    int NumTimebases() const { return std::clamp(cfg_.NumTimebases, 1, MaxTimeBases); }

    Configuration& cfg_;
    KeywordFile& f_;
    TINIFileFormat fmt_;
};

void TdcWriter::General()
{
    const std::string gen(SectionGen(fmt_));
    Flag(gen, "IsMasterConfig", cfg_.Master);
    Int(gen, "MasterTamperCheckCRC", cfg_.MasterTamperCheckCRC);
    Str(gen, "ParentConfigFile", cfg_.ParentConfigFile);
    Str(gen, "Description", cfg_.Description);
    if (!Trim(cfg_.DataType).empty())
        Str(gen, "DataType", cfg_.DataType);
    else
        f_.DeleteKey(gen, "DataType");
    if (cfg_.FrontGateDelay != 0 || f_.ValueExists(gen, "FrontGateDelay"))
        Num(gen, "FrontGateDelay", cfg_.FrontGateDelay);
    Flag(gen, "LinkTxApproximateCurrenttoTxAmps", cfg_.LinkTxApproximateCurrenttoTxAmps);
    // "Not given" removes a key left from earlier, or reading would bring the old value back.
    if (cfg_.CalculateRawDataSTD != -1)
        Int(gen, "CalculateRawDataSTD", cfg_.CalculateRawDataSTD);
    else
        f_.DeleteKey(gen, "CalculateRawDataSTD");
    if (cfg_.GateNoForPowerLineMonitor != -1)
        Int(gen, "GateNoForPowerLineMonitor", cfg_.GateNoForPowerLineMonitor);
    else
        f_.DeleteKey(gen, "GateNoForPowerLineMonitor");
    Int(gen, "NumAcqChn", NumAcqChn());
    Int(gen, "NumTx", NumTx());
    Int(gen, "NumTimebases", NumTimebases());
    Int(gen, "NumRx", NumRx());
}

void TdcWriter::Receivers()
{
    for (int r = 1; r <= NumRx(); ++r) {
        const std::string sec = Numbered(SectionRx(fmt_), r, 1);
        const TReceiver& rx = cfg_.Rx[r];
        Num(sec, "CentroidX", rx.CentroidX);
        Num(sec, "CentroidY", rx.CentroidY);
        Num(sec, "CentroidZ", rx.CentroidZ);
        Str(sec, "Name", rx.Name);
        Str(sec, "Orientation", rx.Orientation);
        Num(sec, "EffectiveArea", rx.AreaNumTurnsxPreAmpxSingleTurn);
        Num(sec, "SingleTurnArea", rx.AreaSingleTurn);
        Int(sec, "Turns", rx.Turns);
        Num(sec, "PreAmpGain", rx.PreAmpGain);
        Num(sec, "LowPassFilterOrder", rx.FilterOrder);
        Num(sec, "LowPassFilterHz", rx.FilterHz);
        Num(sec, "DampingOhms", rx.DampingOhms);
        Num(sec, "AtoDConvGain", rx.AtoDConvGain);
        Num(sec, "PreBinAppliedRxDelay", rx.PreBinAppliedRxDelay);
        const auto type = static_cast<std::size_t>(rx.RxType);
        Str(sec, "RxType", type < RxTypeNames.size() ? RxTypeNames[type] : RxTypeNames[0]);
        Str(sec, "Shape", rx.Shape);
        Num(sec, "EquivRadius", rx.EquivRadius);
        Num(sec, "XSideLength", rx.XSideLength);
        Num(sec, "YSideLength", rx.YSideLength);
        if (SameText(Trim(rx.Shape), "Polygon")) {
            const int sides = std::clamp(rx.Loopsides, 0, MaxLoopSides);
            Int(sec, "Loopsides", sides);
            // One numbered key per vertex and axis, so every vertex of the polygon is kept.
            for (int k = 1; k <= sides; ++k) {
                Num(sec, Numbered("NodeX", k, 2), rx.NodeX[k]);
                Num(sec, Numbered("NodeY", k, 2), rx.NodeY[k]);
                Num(sec, Numbered("NodeZ", k, 2), rx.NodeZ[k]);
            }
        }
        Num(sec, "AxisTilt", rx.AxisTilt);
        Num(sec, "AxisRotation", rx.AxisRotation);
    }
}

void TdcWriter::Transmitters()
{
    for (int t = 1; t <= NumTx(); ++t) {
        const std::string sec = Numbered(SectionTx(fmt_), t, 1);
        const TTransmitter& tx = cfg_.Tx[t];
        Str(sec, "MomentID", Name(tx.MomentID));
        Str(sec, "Name", tx.Name);
        const int sides = std::clamp(tx.LoopSides, 0, MaxLoopSides);
        Int(sec, "LoopSides", sides);
        if (tx.PrimaryFieldSTD != 0 || f_.ValueExists(sec, "PrimaryFieldSTD"))
            Num(sec, "PrimaryFieldSTD", tx.PrimaryFieldSTD);
        Int(sec, "LoopType", tx.LoopType);
        if (tx.LoopType == 7)
            Str(sec, "Type7TxLoopSides",
                FormatFixed(tx.Type7RectSideX, 8, 3) + " " + FormatFixed(tx.Type7RectSideY, 8, 3));
        for (int n = 1; n <= sides; ++n)
            Str(sec, Numbered("TxLoopPoint", n, 1),
                FormatFixed(tx.NodeX[n - 1], 8, 3) + " " + FormatFixed(tx.NodeY[n - 1], 8, 3) + " " +
                    FormatFixed(tx.NodeZ[n - 1], 8, 3));
        Int(sec, "NumberOfTurns", tx.Turns);
        Num(sec, "DampingOhms", tx.Damping);
        Num(sec, "FlyingLeadLength", tx.FlyingLeadLength);
        Num(sec, "AreaSingleTurn", tx.Area);
        Num(sec, "CentroidX", tx.CentroidX);
        Num(sec, "CentroidY", tx.CentroidY);
        Num(sec, "CentroidZ", tx.CentroidZ);
        Num(sec, "EquivalentSquareLoopside", tx.EquivalentSquareLoopSide);
        Num(sec, "Volts", tx.Volts);
        Num(sec, "VoltsMin", tx.VoltsMin);
        Num(sec, "VoltsMax", tx.VoltsMax);
        Num(sec, "Amps", tx.Amps);
        Num(sec, "AmpsMin", tx.AmpsMin);
        Num(sec, "AmpsMax", tx.AmpsMax);
        Flag(sec, "ConstantVoltsOrAmps", tx.ConstantVoltsOrAmps);
        Num(sec, "PowerWatts", tx.Power);
        Num(sec, "ResistanceOhms", tx.Resistance);
        Num(sec, "MomentNIA", tx.MomentNIA);
        Flag(sec, "RelayA_Connected", tx.RelayA);
        Flag(sec, "RelayB_Connected", tx.RelayB);
        Str(sec, "AxisOrientation", tx.AxisOrient.substr(0, 1));
        Num(sec, "AxisTilt", tx.AxisTilt);
        Num(sec, "AxisRotation", tx.AxisRotation);
        Num(sec, "FullWaveformRepetitionFrequency", tx.FullWaveformRepetitionFrequency);
        Int(sec, "NoGates", tx.NoGates);
        Int(sec, "TimebaseNumber", tx.TimeBaseNumber);
        Str(sec, "TiBLowPassFilter",
            FormatGeneral(tx.LPFilterOrderandCutoff[0]) + " " + FormatGeneral(tx.LPFilterOrderandCutoff[1]));
        std::string signs;
        for (const int s : tx.SignPattern)
            if (s == 1 || s == -1)
                signs += (signs.empty() ? "" : " ") + std::to_string(s);
        Str(sec, "SignPattern", signs);
    }
}

void TdcWriter::TimeBases()
{
    const std::string gen(SectionGen(fmt_));
    for (int k = 1; k <= NumTimebases(); ++k) {
        const std::string sec = "Timebase" + TxAbrev(k);
        const TTimeBase& tb = cfg_.TimeBase[k];
        Str(sec, "TimebaseFilename", tb.TimeGateFileName);
        Int(sec, "GateSetKnownIndex", tb.GateSetKnownIndex);
        Int(sec, "AnalDigConvSamplingRate", tb.AnalDigConvSamplingRate);
        Num(sec, "PreBinAppliedSamplingDelay", tb.PreBinAppliedSamplingDelay);
        Int(sec, "PowerlineBaseFrequency", tb.PowerlineBaseFrequency);
        Int(sec, "NumGatesInSet", tb.NumGatesInSet);
        Int(sec, "FullWaveformStacks", tb.FullWaveformStacks);
        Str(sec, "GateSetName", tb.GateSetName);
        Str(sec, "Gate_Times", "Centre Start End Width (Seconds)");
        const int gates = std::clamp(tb.NumGatesInSet, 0, MaxGates);
        // Gates of very old files stood in the general section; they would shadow nothing but confuse.
        for (int g = 1; g <= std::min(gates, 9); ++g)
            if (f_.ValueExists(gen, Numbered("GateTime", g, 1)))
                f_.DeleteKey(gen, Numbered("GateTime", g, 1));
        for (int g = 1; g <= gates; ++g)
            Str(sec, GateTimeKey(g),
                FormatScientific(tb.GateCentre[g]) + " " + FormatScientific(tb.drivenGateStart[g]) + " " +
                    FormatScientific(tb.drivenGateEnd[g]) + " " + FormatScientific(tb.GateWidth[g]));
    }
}

void TdcWriter::Vehicle()
{
    const std::string sec = "Vehicle";
    const TVehicle& v = cfg_.Vehicle;
    struct Group {
        const char* name;
        double x, y, z;
        bool exists;
        bool readDefault = false; ///< presence when the file has no flag
    };
    const Group groups[] = {
        {"GNSS", v.GNSSX, v.GNSSY, v.GNSSZ, v.GNSSExists, true},
        {"GNSS2", v.GNSS2X, v.GNSS2Y, v.GNSS2Z, v.GNSS2Exists},
        {"DifferentialGNSS", v.DifferentialGNSSX, v.DifferentialGNSSY, v.DifferentialGNSSZ,
         v.DifferentialGNSSExists},
        {"DifferentialGNSS2", v.DifferentialGNSS2X, v.DifferentialGNSS2Y, v.DifferentialGNSS2Z,
         v.DifferentialGNSS2Exists},
        {"Altimeter", v.AltimeterX, v.AltimeterY, v.AltimeterZ, v.AltimeterExists},
        {"Altimeter2", v.Altimeter2X, v.Altimeter2Y, v.Altimeter2Z, v.Altimeter2Exists},
        {"Inclinometer", v.InclinometerX, v.InclinometerY, v.InclinometerZ, v.InclinometerExists},
        {"Inclinometer2", v.Inclinometer2X, v.Inclinometer2Y, v.Inclinometer2Z, v.Inclinometer2Exists},
        {"Sonar", v.SonarX, v.SonarY, v.SonarZ, v.SonarExists},
    };
    for (const Group& g : groups) {
        const std::string n = g.name;
        if (!g.exists) {
            // An absent sensor is not written, but its flag must say so when reading would
            // otherwise find it present: the first antenna by default, any sensor from an older save.
            if (g.readDefault || f_.ValueExists(sec, n + "Exists"))
                Flag(sec, n + "Exists", false);
            continue;
        }
        Num(sec, n + "X", g.x);
        Num(sec, n + "Y", g.y);
        Num(sec, n + "Z", g.z);
        Flag(sec, n + "Exists", g.exists);
    }
    Str(sec, "Propulsion", Name(v.Propulsion));
    Int(sec, "GNSSAntennaFixture", v.GNSSAntennaFixture);
    Int(sec, "TransmitterLoopFixture", v.TransmitterLoopFixture);
    Int(sec, "ReceiverLoop1Fixture", v.ReceiverLoop1Fixture);
    Int(sec, "ReceiverLoop2Fixture", v.ReceiverLoop2Fixture);
    Int(sec, "ReceiverLoop3Fixture", v.ReceiverLoop3Fixture);
    Num(sec, "TractorFixedX", v.TractorFixedX);
    Num(sec, "TractorSteerX", v.TractorSteerX);
    Num(sec, "TractorTowBallX", v.TractorTowBallX);
    Num(sec, "TrailerX", v.TrailerX);
    Num(sec, "Wheelbase", v.WheelBase);
    Num(sec, "WheelTrack", v.WheelTrack);
    Num(sec, "SlingLength", v.SlingLength);
    Num(sec, "SlingTilt", v.SlingTilt);
    Str(sec, "PhotoFilename", v.PhotoFilename);
}

void TdcWriter::SystemResponses()
{
    const std::string gen(SectionGen(fmt_));
    for (int c = 1; c <= NumAcqChn(); ++c) {
        const TSystemResponse& s = cfg_.SysResp[c];
        Flag(gen, Numbered("SysRespExists", c, 2), s.SysRespExists);
        if (!s.SysRespExists)
            continue;
        const std::string sec = Numbered("SysResp", c, 2);
        Flag(sec, "FieldDataExists", s.FieldDataExists);
        Num(sec, "LateTimeConst", s.LateTimeConst);
        Num(sec, "LateInitialMagnitude", s.LateInitMagn);
        Num(sec, "RxTimeConst", s.RxTimeConst);
        Num(sec, "RxInitialMagnitude", s.RxInitMagn);
        Num(sec, "OscillationInitialMagnitude", s.OscillInitMagn);
        Num(sec, "OscillationFrequency", s.OscillFreq);
        Num(sec, "OscillationDamping", s.OscillDamp);
        Num(sec, "LowPassFilterHz", s.LowPassFreq);
        Num(sec, "LowPassFilterOrder", s.LowPassOrder);
        Str(sec, "FieldDataFilename", s.FieldDataFilename);
        Str(sec, "SysRespFilename", s.SysRespFilename);
        Num(sec, "NoiseAt1mSinVperAm2", s.NoiseAt1mSinVperAm2);
        Num(sec, "NoiseLogLogSlopeinVperS", s.NoiseLogLogSlopeinVperS);
        Int(sec, "drivenGatesInRamp", s.drivenGatesInRamp);
        Num(sec, "SimulRxDelay_uS", s.SimulRxDelay_uS);
        const int layers = std::clamp(s.FwdModelLayers, 0, MaxFwdModelLayers);
        Int(sec, "FwdModelLayers", layers);
        for (int L = 1; L <= layers; ++L)
            Num(sec, Numbered("LayerThicknesses", L, 2), s.LayerThicknesses[L]);
        for (int L = 1; L <= layers; ++L)
            Num(sec, Numbered("LayerResistivities", L, 2), s.LayerResistivities[L]);
        const int tx = std::clamp(cfg_.AcqChn[c].TxNumber, 1, MaxTx);
        const int gates = std::clamp(cfg_.Tx[tx].NoGates, 0, MaxGates);
        const auto list = [&](std::string_view key, const GateArray& values) {
            for (int g = 1; g <= gates; ++g)
                Num(sec, Numbered(key, g, 1), values[g]);
        };
        list("FieldAmplitudesGate", s.FieldAmplitudes);
        list("ForwardModelAmplitudes", s.FwdModelAmplitudes);
        list("EquationModelAmplitudes", s.EqnModelAmplitudes);
        list("NoiseStdVperAm2_", s.NoiseStdVperAm2);
        list("SysRespAmplitudes_", s.SysRespAmplitudes);
    }
}

void TdcWriter::Waveforms()
{
    for (int t = 1; t <= NumTx(); ++t) {
        const std::string sec = "Waveform" + TxAbrev(t);
        const TTxWaveform& w = cfg_.TxWaveform[t];
        Str(sec, "WaveformFilename", w.WaveformFilename);
        const int points = std::clamp(w.WaveformPointsDigitized, 0, MaxWaveformPoints);
        Int(sec, "WaveformPointsDigitized", points);
        Num(sec, "drivenRamp", w.drivenRamp);
        for (int p = 1; p <= points; ++p)
            Str(sec, Numbered("WaveformPoint", p, 2),
                FormatFixed(w.WaveformPointTimes[p], 12, 7) + " " +
                    FormatFixed(w.WaveformPointAmplitudes[p], 12, 7));
    }
}

void TdcWriter::Channels()
{
    for (int c = 1; c <= NumAcqChn(); ++c) {
        const std::string sec = Numbered(SectionChn(fmt_), c, 1);
        const TAcqChn& a = cfg_.AcqChn[c];
        if (a.RowID != "None" || f_.ValueExists(sec, "RowID"))
            Str(sec, "RowID", a.RowID);
        Str(sec, "Description", a.Description);
        Int(sec, "RxCoilNumber", a.RxCoilNumber);
        Str(sec, "ReceiverPolarizationXYZ", a.ReceiverPolarizationXYZ);
        Str(sec, "TransmitterMoment", a.TransmitterMoment);
        Int(sec, "TxNumber", a.TxNumber);
        if (a.AtoDConvGain != -1 || f_.ValueExists(sec, "AtoDConvGain"))
            Num(sec, "AtoDConvGain", a.AtoDConvGain);
        Num(sec, "GateTimeShift", a.GateTimeShift);
        Num(sec, "GateFactor", a.GateFactor);
        Int(sec, "SystemResponseConvolution", a.SystemResponseConvolution);
        Int(sec, "RemoveInitialGates", a.RemoveInitialGates);
        if (a.RemoveGatesFrom != 0)
            Int(sec, "RemoveGatesFrom", a.RemoveGatesFrom);
        else
            f_.DeleteKey(sec, "RemoveGatesFrom");
        Num(sec, "PrimaryFieldDampingFactor", a.PrimaryFieldDampingFactor);
        Num(sec, "UniformDataSTD", a.UniformDataSTD);
        Num(sec, "MeaTimeDelay", a.MeaTimeDelay);
        Num(sec, "FrontGatetime", a.FrontGatetime);
        if (fmt_ == TINIFileFormat::GEX)
            Num(sec, "TxApproximateCurrent", a.TxApproximateCurrent);
        else
            Num(sec, "drivenAarhusTxApproximateCurrent", a.TxApproximateCurrent);
        const auto list = [&](std::string_view key, bool exists, const std::vector<double>& values) {
            if (!exists) {
                f_.DeleteKey(sec, key); // else the old list would be read back
                return;
            }
            std::string text;
            for (const double v : values)
                text += (text.empty() ? "" : " ") + FormatGeneral(v);
            Str(sec, key, text);
        };
        list("GateConstants", a.GateConstantsExist, a.GateConstants);
        list("GateFactors", a.GateFactorsExist, a.GateFactors);
        list("GateSTDs", a.GateSTDsExist, a.GateSTDs);
    }
}

} // namespace

void LoadTDCFromFile(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    // Read into a copy: a read that stops half-way, or a refused master, leaves the model as it was.
    Configuration next = cfg;
    const bool exists = FileExists(next.LoadFilename);
    if (!exists)
        next.LoadFilename = std::string(NotSavedMarker);
    next.TDCorGEX = TINIFileFormat::TDC;
    // The read's own copy of the file; a missing file reads as all defaults.
    const KeywordFile loadFile =
        KeywordFile::FromOwnedText(exists ? PreReadCheck(next, folders, op) : std::string());
    next.TempFilename = folders.temConfig + "Temp.TDC";

    if (exists && !HasConfigurationSection(loadFile, TINIFileFormat::TDC))
        op.inform(NoConfigurationSectionsMessage(next.LoadFilename));
    TdcReader reader(next, loadFile, op);
    reader.General();
    reader.Receivers();
    reader.Transmitters();
    reader.TimeBases();
    reader.Vehicle();
    reader.Channels();
    reader.SystemResponses();
    reader.Waveforms();
    TxRxAliasAcqChnMapping(next, op);
    reader.CurrentLink();

    CheckTxMomentTxNumberMatch(next, op);
    CalculateDrivenVariables(next, op);
    cfg = std::move(next);
}

SaveResult SaveTDCToFile(Configuration& cfg, const DataFolders& folders, Operator& op, SaveMode mode)
{
    (void)folders;
    const std::string ext = UpperCase(fs::path(cfg.SaveFilename).extension().string());
    cfg.TDCorGEX = ext == ".GEX" ? TINIFileFormat::GEX : TINIFileFormat::TDC;
    if (auto refused = RefuseMasterTarget(cfg.SaveFilename, cfg.TDCorGEX))
        return *refused;
    if (cfg.Master && !op.ask(std::string(MasterWriteQuestion), false))
        return SaveResult{SaveOutcome::Declined, {}, false};

    return StoreConfiguration(
        cfg.SaveFilename, cfg.TDCorGEX, mode,
        [&](KeywordFile& saveFile) {
            TxRxAliasAcqChnMapping(cfg, op);
            TdcWriter writer(cfg, saveFile);
            writer.General();
            writer.Receivers();
            writer.Transmitters();
            writer.TimeBases();
            writer.Vehicle();
            writer.SystemResponses();
            writer.Waveforms();
            if (cfg.LinkTxApproximateCurrenttoTxAmps)
                CopyCurrentsToTransmitters(cfg);
            writer.Channels();
        },
        op);
}

} // namespace tem
