#include "cli/model_json.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "core/model/configuration.h"

namespace tem::cli {

namespace {

// The key is the field's own name, so the JSON cannot drift from the model.
#define FIELD(json, record, name) json[#name] = (record).name
#define ENUM_FIELD(json, record, name) json[#name] = std::string(Name((record).name))

/// Entries first..last of a checked array, both clamped to what the array holds.
template <class Array> Json range(const Array& a, int first, int last)
{
    first = std::max(first, Array::low);
    last = std::min(last, Array::high);
    Json out = Json::array();
    for (int i = first; i <= last; ++i)
        out.push_back(a[i]);
    return out;
}

Json transmitterJson(const TTransmitter& t)
{
    Json j;
    FIELD(j, t, FullWaveformRepetitionFrequency);
    FIELD(j, t, drivenWaveformPeriod);
    FIELD(j, t, drivenWaveformOffOnDuration);
    FIELD(j, t, NoGates);
    FIELD(j, t, drivenSamplingTime);
    FIELD(j, t, SignPattern);
    FIELD(j, t, TimeBaseNumber);
    ENUM_FIELD(j, t, MomentID);
    FIELD(j, t, Name);
    FIELD(j, t, LoopSides);
    FIELD(j, t, LoopType);
    // Vertices 0..LoopSides-1 and the closing vertex at LoopSides.
    j["NodeX"] = range(t.NodeX, 0, t.LoopSides);
    j["NodeY"] = range(t.NodeY, 0, t.LoopSides);
    j["NodeZ"] = range(t.NodeZ, 0, t.LoopSides);
    FIELD(j, t, Turns);
    FIELD(j, t, Damping);
    j["LPFilterOrderandCutoff"] = range(t.LPFilterOrderandCutoff, 0, 1);
    FIELD(j, t, FlyingLeadLength);
    FIELD(j, t, Area);
    FIELD(j, t, CentroidX);
    FIELD(j, t, CentroidY);
    FIELD(j, t, CentroidZ);
    FIELD(j, t, EquivalentSquareLoopSide);
    FIELD(j, t, Volts);
    FIELD(j, t, VoltsMin);
    FIELD(j, t, VoltsMax);
    FIELD(j, t, Amps);
    FIELD(j, t, AmpsMin);
    FIELD(j, t, AmpsMax);
    FIELD(j, t, ConstantVoltsOrAmps);
    FIELD(j, t, Power);
    FIELD(j, t, Resistance);
    FIELD(j, t, MomentNIA);
    FIELD(j, t, RelayA);
    FIELD(j, t, RelayB);
    FIELD(j, t, AxisOrient);
    FIELD(j, t, AxisTilt);
    FIELD(j, t, AxisRotation);
    FIELD(j, t, Type7RectSideX);
    FIELD(j, t, Type7RectSideY);
    FIELD(j, t, PrimaryFieldSTD);
    return j;
}

Json receiverJson(const TReceiver& r)
{
    Json j;
    FIELD(j, r, CentroidX);
    FIELD(j, r, CentroidY);
    FIELD(j, r, CentroidZ);
    FIELD(j, r, Name);
    FIELD(j, r, Orientation);
    FIELD(j, r, AreaSingleTurn);
    FIELD(j, r, Turns);
    FIELD(j, r, PreAmpGain);
    FIELD(j, r, AreaNumTurnsxPreAmpxSingleTurn);
    FIELD(j, r, FilterHz);
    FIELD(j, r, FilterOrder);
    FIELD(j, r, DampingOhms);
    FIELD(j, r, AtoDConvGain);
    FIELD(j, r, AxisTilt);
    FIELD(j, r, AxisRotation);
    FIELD(j, r, PreBinAppliedRxDelay);
    ENUM_FIELD(j, r, RxType);
    FIELD(j, r, Shape);
    FIELD(j, r, EquivRadius);
    FIELD(j, r, XSideLength);
    FIELD(j, r, YSideLength);
    FIELD(j, r, Loopsides);
    // Receiver vertices are 1-based: 1..Loopsides.
    j["NodeX"] = range(r.NodeX, 1, r.Loopsides);
    j["NodeY"] = range(r.NodeY, 1, r.Loopsides);
    j["NodeZ"] = range(r.NodeZ, 1, r.Loopsides);
    return j;
}

Json channelJson(const TAcqChn& c)
{
    Json j;
    FIELD(j, c, RowID);
    FIELD(j, c, Description);
    FIELD(j, c, RxCoilNumber);
    FIELD(j, c, ReceiverPolarizationXYZ);
    FIELD(j, c, TransmitterMoment);
    FIELD(j, c, TxNumber);
    FIELD(j, c, AtoDConvGain);
    FIELD(j, c, GateTimeShift);
    FIELD(j, c, GateFactor);
    FIELD(j, c, SystemResponseConvolution);
    FIELD(j, c, RemoveInitialGates);
    FIELD(j, c, RemoveGatesFrom);
    FIELD(j, c, PrimaryFieldDampingFactor);
    FIELD(j, c, UniformDataSTD);
    FIELD(j, c, MeaTimeDelay);
    FIELD(j, c, FrontGateExists);
    FIELD(j, c, FrontGatetime);
    FIELD(j, c, TxApproximateCurrent);
    FIELD(j, c, GateConstantsExist);
    FIELD(j, c, GateFactorsExist);
    FIELD(j, c, GateSTDsExist);
    FIELD(j, c, GateConstants);
    FIELD(j, c, GateFactors);
    FIELD(j, c, GateSTDs);
    return j;
}

Json systemResponseJson(const TSystemResponse& s, int gates)
{
    Json j;
    FIELD(j, s, SysRespExists);
    FIELD(j, s, FieldDataExists);
    FIELD(j, s, Seed0FwdOr1Eqn);
    FIELD(j, s, LateTimeConst);
    FIELD(j, s, LateInitMagn);
    FIELD(j, s, RxTimeConst);
    FIELD(j, s, RxInitMagn);
    FIELD(j, s, OscillInitMagn);
    FIELD(j, s, OscillFreq);
    FIELD(j, s, OscillDamp);
    FIELD(j, s, LowPassFreq);
    FIELD(j, s, LowPassOrder);
    FIELD(j, s, FieldDataFilename);
    FIELD(j, s, SysRespFilename);
    FIELD(j, s, NoiseAt1mSinVperAm2);
    FIELD(j, s, NoiseLogLogSlopeinVperS);
    FIELD(j, s, drivenGatesInRamp);
    FIELD(j, s, SimulRxDelay_uS);
    FIELD(j, s, FwdModelLayers);
    j["LayerThicknesses"] = range(s.LayerThicknesses, 1, s.FwdModelLayers);
    j["LayerResistivities"] = range(s.LayerResistivities, 1, s.FwdModelLayers);
    j["drivenLayerBottomDepths"] = range(s.drivenLayerBottomDepths, 1, s.FwdModelLayers);
    j["FieldAmplitudes"] = range(s.FieldAmplitudes, 1, gates);
    j["FwdModelAmplitudes"] = range(s.FwdModelAmplitudes, 1, gates);
    j["EqnModelAmplitudes"] = range(s.EqnModelAmplitudes, 1, gates);
    j["SysRespAmplitudes"] = range(s.SysRespAmplitudes, 1, gates);
    j["NoiseStdVperAm2"] = range(s.NoiseStdVperAm2, 1, gates);
    return j;
}

Json waveformJson(const TTxWaveform& w)
{
    Json j;
    FIELD(j, w, WaveformFilename);
    FIELD(j, w, WaveformPointsDigitized);
    FIELD(j, w, drivenRamp);
    j["WaveformPointTimes"] = range(w.WaveformPointTimes, 1, w.WaveformPointsDigitized);
    j["WaveformPointAmplitudes"] = range(w.WaveformPointAmplitudes, 1, w.WaveformPointsDigitized);
    return j;
}

Json vehicleJson(const TVehicle& v)
{
    Json j;
    FIELD(j, v, GNSSX);
    FIELD(j, v, GNSSY);
    FIELD(j, v, GNSSZ);
    FIELD(j, v, GNSSExists);
    FIELD(j, v, GNSS2X);
    FIELD(j, v, GNSS2Y);
    FIELD(j, v, GNSS2Z);
    FIELD(j, v, GNSS2Exists);
    FIELD(j, v, DifferentialGNSSX);
    FIELD(j, v, DifferentialGNSSY);
    FIELD(j, v, DifferentialGNSSZ);
    FIELD(j, v, DifferentialGNSSExists);
    FIELD(j, v, DifferentialGNSS2X);
    FIELD(j, v, DifferentialGNSS2Y);
    FIELD(j, v, DifferentialGNSS2Z);
    FIELD(j, v, DifferentialGNSS2Exists);
    FIELD(j, v, AltimeterX);
    FIELD(j, v, AltimeterY);
    FIELD(j, v, AltimeterZ);
    FIELD(j, v, AltimeterExists);
    FIELD(j, v, Altimeter2X);
    FIELD(j, v, Altimeter2Y);
    FIELD(j, v, Altimeter2Z);
    FIELD(j, v, Altimeter2Exists);
    FIELD(j, v, InclinometerX);
    FIELD(j, v, InclinometerY);
    FIELD(j, v, InclinometerZ);
    FIELD(j, v, InclinometerExists);
    FIELD(j, v, Inclinometer2X);
    FIELD(j, v, Inclinometer2Y);
    FIELD(j, v, Inclinometer2Z);
    FIELD(j, v, Inclinometer2Exists);
    FIELD(j, v, SonarX);
    FIELD(j, v, SonarY);
    FIELD(j, v, SonarZ);
    FIELD(j, v, SonarExists);
    ENUM_FIELD(j, v, Propulsion);
    FIELD(j, v, GNSSAntennaFixture);
    FIELD(j, v, GNSSAntenna2Fixture);
    FIELD(j, v, TransmitterLoopFixture);
    FIELD(j, v, ReceiverLoop1Fixture);
    FIELD(j, v, ReceiverLoop2Fixture);
    FIELD(j, v, ReceiverLoop3Fixture);
    FIELD(j, v, TractorFixedX);
    FIELD(j, v, TractorSteerX);
    FIELD(j, v, TractorTowBallX);
    FIELD(j, v, TrailerX);
    FIELD(j, v, WheelBase);
    FIELD(j, v, WheelTrack);
    FIELD(j, v, SlingLength);
    FIELD(j, v, SlingTilt);
    FIELD(j, v, PhotoFilename);
    return j;
}

/// Entries 1..count of a record array, count clamped to the array.
template <class Array, class ToJson> Json entries(const Array& a, int count, ToJson toJson)
{
    Json out = Json::array();
    for (int i = 1; i <= std::min(count, Array::high); ++i)
        out.push_back(toJson(a[i], i));
    return out;
}

} // namespace

Json TimeBaseToJson(const TTimeBase& b)
{
    Json j;
    FIELD(j, b, TimeGateFileName);
    FIELD(j, b, GateSetKnownIndex);
    FIELD(j, b, AnalDigConvSamplingRate);
    FIELD(j, b, PreBinAppliedSamplingDelay);
    FIELD(j, b, PowerlineBaseFrequency);
    FIELD(j, b, NumGatesInSet);
    FIELD(j, b, FullWaveformStacks);
    FIELD(j, b, GateSetName);
    j["drivenGateStart"] = range(b.drivenGateStart, 1, b.NumGatesInSet);
    j["GateCentre"] = range(b.GateCentre, 1, b.NumGatesInSet);
    j["drivenGateEnd"] = range(b.drivenGateEnd, 1, b.NumGatesInSet);
    j["GateWidth"] = range(b.GateWidth, 1, b.NumGatesInSet);
    return j;
}

Json ModelToJson(const Configuration& cfg)
{
    Json j;
    FIELD(j, cfg, NumTx);
    FIELD(j, cfg, NumRx);
    FIELD(j, cfg, NumAcqChn);
    FIELD(j, cfg, NumTimebases);
    FIELD(j, cfg, TxSingle);
    FIELD(j, cfg, TxLM);
    FIELD(j, cfg, TxHM);
    FIELD(j, cfg, TxOther);
    Json map = Json::array(); // [tx - 1][rx - 1]
    for (int t = 1; t <= MaxTx; ++t)
        map.push_back(range(cfg.AcqChnMapTxRx[t], 1, MaxRx));
    j["AcqChnMapTxRx"] = map;
    FIELD(j, cfg, LoadFilename);
    FIELD(j, cfg, SaveFilename);
    FIELD(j, cfg, ParentConfigFile);
    FIELD(j, cfg, Description);
    FIELD(j, cfg, DataType);
    ENUM_FIELD(j, cfg, TDCorGEX);
    FIELD(j, cfg, Master);
    FIELD(j, cfg, MasterTamperCheckCRC);
    FIELD(j, cfg, IsCorrupt);
    FIELD(j, cfg, FrontGateDelay);
    FIELD(j, cfg, CalculateRawDataSTD);
    FIELD(j, cfg, GateNoForPowerLineMonitor);
    FIELD(j, cfg, LinkTxApproximateCurrenttoTxAmps);

    j["Tx"] = entries(cfg.Tx, cfg.NumTx, [](const TTransmitter& t, int) { return transmitterJson(t); });
    j["Rx"] = entries(cfg.Rx, cfg.NumRx, [](const TReceiver& r, int) { return receiverJson(r); });
    j["AcqChn"] = entries(cfg.AcqChn, cfg.NumAcqChn, [](const TAcqChn& c, int) { return channelJson(c); });
    j["TimeBase"] =
        entries(cfg.TimeBase, cfg.NumTimebases, [](const TTimeBase& b, int) { return TimeBaseToJson(b); });
    j["SysResp"] = entries(cfg.SysResp, cfg.NumAcqChn, [&cfg](const TSystemResponse& s, int c) {
        // Per-gate values run over the gates of the channel's transmitter.
        const int t = cfg.AcqChn[c].TxNumber;
        return systemResponseJson(s, cfg.Tx.contains(t) ? cfg.Tx[t].NoGates : 0);
    });
    j["TxWaveform"] =
        entries(cfg.TxWaveform, cfg.NumTx, [](const TTxWaveform& w, int) { return waveformJson(w); });
    j["Vehicle"] = vehicleJson(cfg.Vehicle);
    return j;
}

namespace {

bool validUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0; // continuation bytes that must follow
        if (c < 0x80)
            n = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            n = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            n = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            n = 3;
        else
            return false;
        if (s.size() - i - 1 < n)
            return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n + 1;
    }
    return true;
}

std::string latin1ToUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size() * 2);
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

void TextsToUtf8(Json& j)
{
    if (j.is_string()) {
        const std::string& s = j.get_ref<const std::string&>();
        if (!validUtf8(s))
            j = latin1ToUtf8(s);
    } else if (j.is_structured()) {
        for (auto& item : j)
            TextsToUtf8(item);
    }
}

#undef FIELD
#undef ENUM_FIELD

} // namespace tem::cli
