#include "core/model/configuration.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace tem {

namespace {

template <class E, std::size_t N>
std::optional<E> findExact(const std::array<std::string_view, N>& names, std::string_view name)
{
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == name)
            return static_cast<E>(i);
    return std::nullopt;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::array<std::uint32_t, 256> makeCrcTable()
{
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}

} // namespace

const std::array<std::uint32_t, 256> ChecksumTable = makeCrcTable();

std::string_view Name(TMomentID v)
{
    return MomentIDNames.at(static_cast<std::size_t>(v));
}
std::string_view Name(TRxType v)
{
    return RxTypeEnumNames.at(static_cast<std::size_t>(v));
}
std::string_view Name(TPropulsion v)
{
    return PropulsionNames.at(static_cast<std::size_t>(v));
}
std::string_view Name(TINIFileFormat v)
{
    return INIFileFormatNames.at(static_cast<std::size_t>(v));
}

std::optional<TMomentID> MomentIDFromName(std::string_view n)
{
    return findExact<TMomentID>(MomentIDNames, n);
}
std::optional<TRxType> RxTypeFromName(std::string_view n)
{
    return findExact<TRxType>(RxTypeEnumNames, n);
}
std::optional<TPropulsion> PropulsionFromName(std::string_view n)
{
    return findExact<TPropulsion>(PropulsionNames, n);
}
std::optional<TINIFileFormat> INIFileFormatFromName(std::string_view n)
{
    for (std::size_t i = 0; i < INIFileFormatNames.size(); ++i)
        if (equalNoCase(INIFileFormatNames[i], n))
            return static_cast<TINIFileFormat>(i);
    return std::nullopt;
}

std::string TxAbrev(int i)
{
    return "Tx" + std::to_string(i);
}

std::string_view SectionGen(TINIFileFormat f)
{
    return f == TINIFileFormat::GEX ? "General" : "All";
}
std::string_view SectionTx(TINIFileFormat f)
{
    return f == TINIFileFormat::GEX ? "Transmitter" : "Tx";
}
std::string_view SectionRx(TINIFileFormat f)
{
    return f == TINIFileFormat::GEX ? "RxCoil" : "Rx";
}
std::string_view SectionChn(TINIFileFormat f)
{
    return f == TINIFileFormat::GEX ? "Channel" : "Chn";
}

TTransmitter DefaultTransmitter()
{
    TTransmitter t;
    t.FullWaveformRepetitionFrequency = 120;
    t.NoGates = 30;
    t.SignPattern = {1, -1};
    t.TimeBaseNumber = 1;
    t.MomentID = TMomentID::SingleM;
    t.Name = "2Turns36Amps";
    t.LoopSides = 4;
    t.LoopType = 72;
    t.Turns = 1;
    t.Damping = 330;
    t.LPFilterOrderandCutoff[0] = 1;
    t.LPFilterOrderandCutoff[1] = 60000;
    t.FlyingLeadLength = 1;
    t.Area = 1;
    t.EquivalentSquareLoopSide = 1;
    t.Volts = 8;
    t.VoltsMin = 3.3;
    t.VoltsMax = 18;
    t.Amps = 36;
    t.AmpsMin = 0;
    t.AmpsMax = 45;
    t.ConstantVoltsOrAmps = false;
    t.Power = 375;
    t.Resistance = 0.2;
    t.MomentNIA = 1000;
    t.RelayA = true;
    t.RelayB = false;
    t.AxisOrient = "Z";
    return t;
}

TReceiver DefaultReceiver()
{
    TReceiver r;
    r.Name = "The_receiver";
    r.Orientation = "Z";
    r.AreaSingleTurn = 1;
    r.Turns = 1;
    r.PreAmpGain = 1;
    r.AreaNumTurnsxPreAmpxSingleTurn = 1;
    r.FilterHz = 60000;
    r.FilterOrder = 1;
    r.DampingOhms = 330;
    r.AtoDConvGain = 100;
    r.RxType = TRxType::rxtypedBdt;
    r.Shape = "Circle";
    r.EquivRadius = std::sqrt(r.AreaSingleTurn / std::numbers::pi);
    r.XSideLength = std::sqrt(r.AreaSingleTurn);
    r.YSideLength = std::sqrt(r.AreaSingleTurn);
    r.Loopsides = 4;
    for (int k = 1; k <= r.Loopsides; ++k) {
        // Exact unit-circle points, free of rounding noise in sin and cos.
        const int q = k % 4;
        r.NodeX[k] = q == 1 ? 1 : q == 3 ? -1 : 0;
        r.NodeY[k] = q == 0 ? 1 : q == 2 ? -1 : 0;
        r.NodeZ[k] = 0;
    }
    return r;
}

TAcqChn DefaultAcqChn(int c)
{
    TAcqChn a;
    a.RowID = std::string(1, ZXY[static_cast<std::size_t>(((c % 9) + 9) % 9)]);
    a.Description = "Dummy Channel Description";
    a.RxCoilNumber = 1;
    a.ReceiverPolarizationXYZ = "Z";
    a.TransmitterMoment = "SingleM";
    a.TxNumber = 1;
    a.AtoDConvGain = 100;
    a.GateTimeShift = 0;
    a.GateFactor = 1;
    a.PrimaryFieldDampingFactor = 1;
    a.UniformDataSTD = 0.03;
    a.FrontGateExists = false;
    a.FrontGatetime = -1;
    a.TxApproximateCurrent = 1;
    return a;
}

TTimeBase DefaultTimeBase()
{
    TTimeBase b;
    b.TimeGateFileName = "No_Filename_selected";
    b.GateSetKnownIndex = 0;
    b.AnalDigConvSamplingRate = 999999;
    b.PreBinAppliedSamplingDelay = 0;
    b.PowerlineBaseFrequency = 50;
    b.NumGatesInSet = 99;
    b.FullWaveformStacks = 32;
    b.GateSetName = "WackyDummyGatesWontWork";
    for (int g = 1; g <= 255; ++g) {
        b.drivenGateStart[g] = g * 1e-6;
        b.GateCentre[g] = g * 1e-6;
        b.drivenGateEnd[g] = g * 1e-6;
        b.GateWidth[g] = 0;
    }
    return b;
}

TSystemResponse DefaultSystemResponse()
{
    TSystemResponse s;
    s.LateTimeConst = 0.01;
    s.LateInitMagn = 0.002;
    s.RxTimeConst = 5e-05;
    s.RxInitMagn = 1;
    s.OscillInitMagn = 1;
    s.OscillFreq = 6000;
    s.OscillDamp = 0.1;
    s.LowPassFreq = 60000;
    s.LowPassOrder = 1;
    s.FieldDataFilename = "NoFieldData.CSV";
    s.SysRespFilename = "NoSysResp.CSV";
    s.NoiseAt1mSinVperAm2 = 2e-10;
    s.NoiseLogLogSlopeinVperS = -0.5;
    s.SimulRxDelay_uS = 9;
    s.FwdModelLayers = 3;
    for (int L = 1; L <= MaxFwdModelLayers; ++L) {
        s.LayerThicknesses[L] = 0.5;
        s.LayerResistivities[L] = 10.0 * L;
    }
    for (int g = 1; g <= MaxGates; ++g) {
        s.FieldAmplitudes[g] = 0.5;
        s.FwdModelAmplitudes[g] = 0.5;
        s.EqnModelAmplitudes[g] = 0.5;
        s.SysRespAmplitudes[g] = 0;
        s.NoiseStdVperAm2[g] = 2e-08;
    }
    return s;
}

TTxWaveform DefaultTxWaveform()
{
    TTxWaveform w;
    w.WaveformFilename = "No_Filename_selected";
    w.WaveformPointsDigitized = 7;
    w.drivenRamp = 4.5e-06;
    for (int p = 1; p <= MaxWaveformPoints; ++p) {
        w.WaveformPointTimes[p] = p * 1e-6;
        w.WaveformPointAmplitudes[p] = p < w.WaveformPointsDigitized ? 1 : 0;
    }
    return w;
}

TVehicle DefaultVehicle()
{
    TVehicle v;
    v.GNSSExists = true;
    v.Propulsion = TPropulsion::propTractor;
    v.TractorFixedX = 7.5;
    v.TractorSteerX = 11.5;
    v.TractorTowBallX = 6.5;
    v.TrailerX = 0.5;
    v.WheelBase = 4;
    v.WheelTrack = 1.5;
    v.SlingLength = 30;
    v.SlingTilt = 0;
    v.PhotoFilename = "NoPhotoAvailable.jpg";
    return v;
}

Configuration DefaultConfiguration()
{
    Configuration cfg;
    cfg.NumTx = cfg.NumRx = cfg.NumAcqChn = cfg.NumTimebases = 1;
    for (int i = 1; i <= MaxTx; ++i) {
        cfg.Tx[i] = DefaultTransmitter();
        cfg.Rx[i] = DefaultReceiver();
        cfg.TimeBase[i] = DefaultTimeBase();
        cfg.TxWaveform[i] = DefaultTxWaveform();
    }
    for (int c = 1; c <= MaxAcqChn; ++c) {
        cfg.AcqChn[c] = DefaultAcqChn(c);
        cfg.SysResp[c] = DefaultSystemResponse();
    }
    cfg.Vehicle = DefaultVehicle();
    return cfg;
}

} // namespace tem
