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
#include "core/files/config_formats.h"
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

namespace tem {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view NotSavedMarker = "Not_Saved.TDC";
constexpr std::string_view TimeGatesMissing =
    "TimeGate entries were not found - they are infilled with zeros";
constexpr std::string_view Type7Missing =
    "Loop type 7 is specified but TxLoopSides keyword was not detected in the general section of the GEX "
    "file. Loopsides of 99m have been assumed - please edit manually.";

std::string Numbered(const std::string_view prefix, long long n, int digits)
{
    return std::string(prefix) + FormatNumbered(n, digits);
}

/// Gate keys as the writer names them: two digits below 100, three from 100.
std::string GateTimeKey(int g)
{
    return Numbered("GateTime", g, g < 100 ? 2 : 3);
}

std::optional<int> ToInt(long long v)
{
    if (v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return static_cast<int>(v);
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

    int Clamp(std::string_view sec, std::string_view key, long long value, int lo, int hi,
              std::string_view counted = {})
    {
        return ClampReported(value, lo, hi, sec, key, op_, counted);
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
    ReadRecordFields<Configuration>(f_, gen, cfg_, GeneralFields(), TINIFileFormat::TDC, op_);
    cfg_.MasterTamperCheckCRC =
        static_cast<std::uint32_t>(f_.ReadInteger(gen, "MasterTamperCheckCRC", 2147483647));
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
        ReadRecordFields<TReceiver>(f_, sec, rx, ReceiverFields(), TINIFileFormat::TDC, op_);
        rx.RxType = RxTypeFromText(Trim(Str(sec, "RxType", "")));
        if (SameText(rx.Shape, "Polygon")) {
            rx.Loopsides = ClampedInt(sec, "Loopsides", 4, 0, MaxLoopSides);
            // Each vertex has numbered keys; the unnumbered ones of older files stand for every vertex.
            const auto vertex = [&](std::string_view axis, int k, double def) {
                const std::string numbered = Numbered(axis, k, 2);
                return Num(sec, f_.ValueExists(sec, numbered) ? std::string_view(numbered) : axis, def);
            };
            for (int k = 1; k <= rx.Loopsides; ++k) {
                rx.NodeX[k] = vertex("NodeX", k, UnitCircleX(k));
                rx.NodeY[k] = vertex("NodeY", k, UnitCircleY(k));
                rx.NodeZ[k] = vertex("NodeZ", k, 0);
            }
        } else {
            // Not stored for other shapes: the defaults, so a read never depends on the previous model.
            rx.Loopsides = 4;
            for (int k = 1; k <= rx.Loopsides; ++k) {
                rx.NodeX[k] = UnitCircleX(k);
                rx.NodeY[k] = UnitCircleY(k);
                rx.NodeZ[k] = 0;
            }
        }
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

    tx.MomentID = MomentIDFromText(Trim(Str(sec, "MomentID", "SingleM"))).value_or(TMomentID::SingleM);
    RecordTransmitterRole(cfg_, t);
    ReadRecordFields<TTransmitter>(f_, sec, tx, TransmitterFields(), TINIFileFormat::TDC, op_);

    for (int n = 1; n <= tx.LoopSides; ++n) {
        std::string key = Numbered("TxLoopPoint", n, 1);
        if (n < 10 && !f_.ValueExists(sec, key))
            key = Numbered("TxLoopPoint", n, 2);
        ReadLoopVertex(Str(sec, key, "0 0"), tx, n - 1);
    }
    CloseLoop(tx);

    tx.PrimaryFieldSTD = Num(sec, "PrimaryFieldSTD", 0);
    if (tx.LoopType == 7)
        Type7Rectangle(tx, sec);
    else if (const std::string_view message = LoopTypeMessage(tx.LoopType, cfg_.TDCorGEX); !message.empty())
        op_.inform(std::string(message));

    tx.AxisOrient = std::string(1, (Str(sec, "AxisOrientation", "Z") + "Z")[0]);
    ReadLowPassFilter(Str(sec, "TiBLowPassFilter", "1 60000"), "[" + sec + "]", tx);
    tx.SignPattern = ReadSignPattern(Str(sec, "SignPattern", "1 -1"));
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
        ReadRecordFields<TTimeBase>(f_, sec, tb, TimeBaseFields(), TINIFileFormat::TDC, op_);
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
            ReadGate(value, tb, g);
        }
    }
}

void TdcReader::Vehicle()
{
    const std::string sec = "Vehicle";
    TVehicle& v = cfg_.Vehicle;
    for (const SensorEntry& s : VehicleSensors) {
        const std::string n(s.prefix);
        v.*s.x = Num(sec, n + "X", 0);
        v.*s.y = Num(sec, n + "Y", 0);
        v.*s.z = Num(sec, n + "Z", 0);
        v.*s.exists = Flag(sec, s.FlagKey(), s.presentByDefault);
    }
    // A name that is not a propulsion leaves the previous value.
    if (const auto p = PropulsionFromText(Trim(Str(sec, "Propulsion", "propTractor"))))
        v.Propulsion = *p;
    ReadRecordFields<TVehicle>(f_, sec, v, VehicleFields(), TINIFileFormat::TDC, op_);
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
        ReadRecordFields<TAcqChn>(f_, sec, a, AcqChnFields(), TINIFileFormat::TDC, op_);
        a.AtoDConvGain = Num(sec, "AtoDConvGain", 100);
        a.RemoveGatesFrom = Int(sec, "RemoveGatesFrom", 0);
        a.FrontGateExists = a.FrontGatetime >= 0;
        // Our own TDC files carry the current under its written name; without this fallback every
        // save and load would reset it to 1, and the current link would then set the loops to 1 A.
        a.TxApproximateCurrent = f_.ValueExists(sec, "TxApproximateCurrent")
                                     ? Num(sec, "TxApproximateCurrent", 1)
                                     : Num(sec, "drivenAarhusTxApproximateCurrent", 1);
        ReadGateLists(f_, sec, a, op_);
    }
}

void TdcReader::SystemResponses()
{
    const std::string gen(SectionGen(cfg_.TDCorGEX));
    for (int c = 1; c <= cfg_.NumAcqChn; ++c) {
        TSystemResponse& s = cfg_.SysResp[c];
        s.SysRespExists = Flag(gen, Numbered("SysRespExists", c, 2), false);
        // A channel without a response gets the defaults, as from an empty section.
        if (!s.SysRespExists) {
            ApplyDefaults<TSystemResponse>(s, SystemResponseFields());
            s.SysRespExists = false;
        }
        const std::string sec = s.SysRespExists ? Numbered("SysResp", c, 2) : std::string();
        if (!sec.empty())
            ReadRecordFields<TSystemResponse>(f_, sec, s, SystemResponseFields(), TINIFileFormat::TDC, op_);
        ReadResponseArrays(sec.empty() ? nullptr : &f_, sec, s, ResponseGateCount(cfg_, c));
    }
}

void TdcReader::Waveforms()
{
    for (int t = 1; t <= cfg_.NumTx; ++t) {
        const std::string sec = "Waveform" + TxAbrev(t);
        TTxWaveform& w = cfg_.TxWaveform[t];
        ReadRecordFields<TTxWaveform>(f_, sec, w, TxWaveformFields(), TINIFileFormat::TDC, op_);
        for (int p = 1; p <= w.WaveformPointsDigitized; ++p) {
            std::string key = Numbered("WaveformPoint", p, 1);
            if (!f_.ValueExists(sec, key))
                key = Numbered("WaveformPoint", p, 2);
            ReadWaveformPoint(Str(sec, key, ""), w, p);
        }
    }
}

void TdcReader::CurrentLink()
{
    cfg_.LinkTxApproximateCurrenttoTxAmps =
        Flag(SectionGen(cfg_.TDCorGEX), "LinkTxApproximateCurrenttoTxAmps", false);
    if (cfg_.LinkTxApproximateCurrenttoTxAmps)
        LinkChannelCurrentsToTransmitters(cfg_);
}

// ---- Writing ------------------------------------------------------------------------------------

class TdcWriter {
  public:
    TdcWriter(const Configuration& cfg, KeywordFile& file) : cfg_(cfg), f_(file), fmt_(cfg.TDCorGEX) {}

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

    const Configuration& cfg_;
    KeywordFile& f_;
    TINIFileFormat fmt_;
};

// Each writer switches over every rule of its record; a rule whose field is a plain key in TDC, or
// that only GEX writes, writes nothing here.

void TdcWriter::General()
{
    const std::string gen(SectionGen(fmt_));
    WriteRecordFields<Configuration>(
        f_, gen, cfg_, GeneralFields(), TINIFileFormat::TDC, [&](GeneralRule rule) {
            switch (rule) {
            case GeneralRule::MasterTamperCheckCRC:
                Int(gen, "MasterTamperCheckCRC", cfg_.MasterTamperCheckCRC);
                break;
            case GeneralRule::DataType:
                if (!Trim(cfg_.DataType).empty())
                    Str(gen, "DataType", cfg_.DataType);
                else
                    f_.DeleteKey(gen, "DataType");
                break;
            case GeneralRule::FrontGateDelay:
                if (cfg_.FrontGateDelay != 0 || f_.ValueExists(gen, "FrontGateDelay"))
                    Num(gen, "FrontGateDelay", cfg_.FrontGateDelay);
                break;
            case GeneralRule::CalculateRawDataSTD:
                // "Not given" removes a key left from earlier, or reading would bring the old value back.
                if (cfg_.CalculateRawDataSTD != -1)
                    Int(gen, "CalculateRawDataSTD", cfg_.CalculateRawDataSTD);
                else
                    f_.DeleteKey(gen, "CalculateRawDataSTD");
                break;
            case GeneralRule::GateNoForPowerLineMonitor:
                if (cfg_.GateNoForPowerLineMonitor != -1)
                    Int(gen, "GateNoForPowerLineMonitor", cfg_.GateNoForPowerLineMonitor);
                else
                    f_.DeleteKey(gen, "GateNoForPowerLineMonitor");
                break;
            case GeneralRule::NumAcqChn:
                Int(gen, "NumAcqChn", NumAcqChn());
                break;
            case GeneralRule::NumTx:
                Int(gen, "NumTx", NumTx());
                break;
            case GeneralRule::NumTimebases:
                Int(gen, "NumTimebases", NumTimebases());
                break;
            case GeneralRule::NumRx:
                Int(gen, "NumRx", NumRx());
                break;
            }
        });
}

void TdcWriter::Receivers()
{
    for (int r = 1; r <= NumRx(); ++r) {
        const std::string sec = Numbered(SectionRx(fmt_), r, 1);
        const TReceiver& rx = cfg_.Rx[r];
        WriteRecordFields<TReceiver>(
            f_, sec, rx, ReceiverFields(), TINIFileFormat::TDC, [&](ReceiverRule rule) {
                switch (rule) {
                case ReceiverRule::Position:
                case ReceiverRule::LowPassFilter:
                    break; // plain keys in TDC
                case ReceiverRule::RxType: {
                    const auto type = static_cast<std::size_t>(rx.RxType);
                    Str(sec, "RxType", type < RxTypeNames.size() ? RxTypeNames[type] : RxTypeNames[0]);
                    break;
                }
                case ReceiverRule::Polygon:
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
                    break;
                }
            });
    }
}

void TdcWriter::Transmitters()
{
    for (int t = 1; t <= NumTx(); ++t) {
        const std::string sec = Numbered(SectionTx(fmt_), t, 1);
        const TTransmitter& tx = cfg_.Tx[t];
        const int sides = std::clamp(tx.LoopSides, 0, MaxLoopSides);
        WriteRecordFields<TTransmitter>(
            f_, sec, tx, TransmitterFields(), TINIFileFormat::TDC, [&](TransmitterRule rule) {
                switch (rule) {
                case TransmitterRule::LoopSides:
                case TransmitterRule::LoopType:
                case TransmitterRule::Turns:
                case TransmitterRule::Area:
                    break; // plain keys in TDC
                case TransmitterRule::MomentID:
                    Str(sec, "MomentID", Name(tx.MomentID));
                    break;
                case TransmitterRule::PrimaryFieldSTD:
                    if (tx.PrimaryFieldSTD != 0 || f_.ValueExists(sec, "PrimaryFieldSTD"))
                        Num(sec, "PrimaryFieldSTD", tx.PrimaryFieldSTD);
                    break;
                case TransmitterRule::Type7Rectangle:
                    if (tx.LoopType == 7)
                        Str(sec, "Type7TxLoopSides",
                            FormatFixed(tx.Type7RectSideX, 8, 3) + " " +
                                FormatFixed(tx.Type7RectSideY, 8, 3));
                    break;
                case TransmitterRule::Vertices:
                    for (int n = 1; n <= sides; ++n)
                        Str(sec, Numbered("TxLoopPoint", n, 1), LoopVertexText(tx, n - 1));
                    break;
                case TransmitterRule::AxisOrientation:
                    Str(sec, "AxisOrientation", tx.AxisOrient.substr(0, 1));
                    break;
                case TransmitterRule::LowPassFilter:
                    Str(sec, "TiBLowPassFilter", LowPassFilterText(tx));
                    break;
                case TransmitterRule::SignPattern:
                    Str(sec, "SignPattern", SignPatternText(tx));
                    break;
                }
            });
    }
}

void TdcWriter::TimeBases()
{
    const std::string gen(SectionGen(fmt_));
    for (int k = 1; k <= NumTimebases(); ++k) {
        const std::string sec = "Timebase" + TxAbrev(k);
        const TTimeBase& tb = cfg_.TimeBase[k];
        WriteRecordFields<TTimeBase>(f_, sec, tb, TimeBaseFields(), TINIFileFormat::TDC,
                                     [&](TimeBaseRule rule) {
                                         switch (rule) {
                                         case TimeBaseRule::PowerlineFrequency:
                                         case TimeBaseRule::GateCount:
                                             break; // plain keys in TDC
                                         case TimeBaseRule::Gates: {
                                             Str(sec, "Gate_Times", "Centre Start End Width (Seconds)");
                                             const int gates = std::clamp(tb.NumGatesInSet, 0, MaxGates);
                                             // Gates of very old files stood in the general section; they
                                             // would shadow nothing but confuse.
                                             for (int g = 1; g <= std::min(gates, 9); ++g)
                                                 if (f_.ValueExists(gen, Numbered("GateTime", g, 1)))
                                                     f_.DeleteKey(gen, Numbered("GateTime", g, 1));
                                             for (int g = 1; g <= gates; ++g)
                                                 Str(sec, GateTimeKey(g), GateText(tb, g));
                                             break;
                                         }
                                         }
                                     });
    }
}

void TdcWriter::Vehicle()
{
    const std::string sec = "Vehicle";
    const TVehicle& v = cfg_.Vehicle;
    WriteRecordFields<TVehicle>(f_, sec, v, VehicleFields(), TINIFileFormat::TDC, [&](VehicleRule rule) {
        switch (rule) {
        case VehicleRule::Propulsion:
            Str(sec, "Propulsion", Name(v.Propulsion));
            break;
        case VehicleRule::Sensors:
            for (const SensorEntry& s : VehicleSensors) {
                const std::string n(s.prefix);
                if (!(v.*s.exists)) {
                    // An absent sensor is not written, but its flag must say so when reading would
                    // otherwise find it present: the first antenna by default, any sensor from an
                    // older save.
                    if (s.presentByDefault || f_.ValueExists(sec, s.FlagKey()))
                        Flag(sec, s.FlagKey(), false);
                    continue;
                }
                Num(sec, n + "X", v.*s.x);
                Num(sec, n + "Y", v.*s.y);
                Num(sec, n + "Z", v.*s.z);
                Flag(sec, s.FlagKey(), true);
            }
            break;
        }
    });
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
        WriteRecordFields<TSystemResponse>(
            f_, sec, s, SystemResponseFields(), TINIFileFormat::TDC, [&](SystemResponseRule rule) {
                switch (rule) {
                case SystemResponseRule::Arrays:
                    WriteResponseArrays(f_, sec, s, ResponseGateCount(cfg_, c));
                    break;
                }
            });
    }
}

void TdcWriter::Waveforms()
{
    for (int t = 1; t <= NumTx(); ++t) {
        const std::string sec = "Waveform" + TxAbrev(t);
        const TTxWaveform& w = cfg_.TxWaveform[t];
        WriteRecordFields<TTxWaveform>(
            f_, sec, w, TxWaveformFields(), TINIFileFormat::TDC, [&](TxWaveformRule rule) {
                switch (rule) {
                case TxWaveformRule::Points: {
                    const int points = std::clamp(w.WaveformPointsDigitized, 0, MaxWaveformPoints);
                    for (int p = 1; p <= points; ++p)
                        Str(sec, Numbered("WaveformPoint", p, 2),
                            FormatFixed(w.WaveformPointTimes[p], 12, 7) + " " +
                                FormatFixed(w.WaveformPointAmplitudes[p], 12, 7));
                    break;
                }
                }
            });
    }
}

void TdcWriter::Channels()
{
    for (int c = 1; c <= NumAcqChn(); ++c) {
        const std::string sec = Numbered(SectionChn(fmt_), c, 1);
        const TAcqChn& a = cfg_.AcqChn[c];
        WriteRecordFields<TAcqChn>(f_, sec, a, AcqChnFields(), TINIFileFormat::TDC, [&](AcqChnRule rule) {
            switch (rule) {
            case AcqChnRule::TxNumber:
                break; // a plain key in TDC
            case AcqChnRule::TimebaseNumber:
            case AcqChnRule::SignPattern:
            case AcqChnRule::NoGates:
            case AcqChnRule::RepFreq:
            case AcqChnRule::LowPassFilter:
                break; // TDC keeps them with the transmitter
            case AcqChnRule::RowID:
                if (a.RowID != "None" || f_.ValueExists(sec, "RowID"))
                    Str(sec, "RowID", a.RowID);
                break;
            case AcqChnRule::AtoDConvGain:
                if (a.AtoDConvGain != -1 || f_.ValueExists(sec, "AtoDConvGain"))
                    Num(sec, "AtoDConvGain", a.AtoDConvGain);
                break;
            case AcqChnRule::RemoveGatesFrom:
                if (a.RemoveGatesFrom != 0)
                    Int(sec, "RemoveGatesFrom", a.RemoveGatesFrom);
                else
                    f_.DeleteKey(sec, "RemoveGatesFrom");
                break;
            case AcqChnRule::TxApproximateCurrent:
                Num(sec,
                    fmt_ == TINIFileFormat::GEX ? "TxApproximateCurrent" : "drivenAarhusTxApproximateCurrent",
                    a.TxApproximateCurrent);
                break;
            case AcqChnRule::GateLists: {
                const auto list = [&](std::string_view key, bool exists, const std::vector<double>& values) {
                    if (exists)
                        Str(sec, key, GateListText(values));
                    else
                        f_.DeleteKey(sec, key); // else the old list would be read back
                };
                list("GateConstants", a.GateConstantsExist, a.GateConstants);
                list("GateFactors", a.GateFactorsExist, a.GateFactors);
                list("GateSTDs", a.GateSTDsExist, a.GateSTDs);
                break;
            }
            }
        });
    }
}

} // namespace

void LoadTDCFromFile(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    // Read into a copy: a read that stops half-way, or a refused master, leaves the model as it was.
    Configuration next = cfg;
    const KeywordFile loadFile = StartRead(next, TINIFileFormat::TDC, NotSavedMarker, folders, op);
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

void WriteTDC(const Configuration& cfg, KeywordFile& file, Operator& op)
{
    (void)op;
    TdcWriter writer(cfg, file);
    writer.General();
    writer.Receivers();
    writer.Transmitters();
    writer.TimeBases();
    writer.Vehicle();
    writer.SystemResponses();
    writer.Waveforms();
    writer.Channels();
}

SaveResult SaveTDCToFile(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    cfg.TDCorGEX = TINIFileFormat::TDC;
    return SaveConfiguration(cfg, folders, op, SaveRequest{false, {}});
}

} // namespace tem
