#include "core/model/configuration.h"

#include "core/model/record_fields.h"

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
    ApplyDefaults<TTransmitter>(t, TransmitterFields());
    t.MomentID = TMomentID::SingleM;
    t.SignPattern = {1, -1};
    t.LPFilterOrderandCutoff[0] = 1;
    t.LPFilterOrderandCutoff[1] = 60000;
    return t;
}

TReceiver DefaultReceiver()
{
    TReceiver r;
    ApplyDefaults<TReceiver>(r, ReceiverFields());
    r.RxType = TRxType::rxtypedBdt;
    r.Loopsides = 4;
    for (int k = 1; k <= r.Loopsides; ++k) {
        r.NodeX[k] = UnitCircleX(k);
        r.NodeY[k] = UnitCircleY(k);
        r.NodeZ[k] = 0;
    }
    return r;
}

double UnitCircleX(int k)
{
    const int q = k % 4;
    return q == 1 ? 1 : q == 3 ? -1 : 0;
}

double UnitCircleY(int k)
{
    const int q = k % 4;
    return q == 0 ? 1 : q == 2 ? -1 : 0;
}

TAcqChn DefaultAcqChn(int c)
{
    TAcqChn a;
    ApplyDefaults<TAcqChn>(a, AcqChnFields());
    a.RowID = std::string(1, ZXY[static_cast<std::size_t>(((c % 9) + 9) % 9)]);
    return a;
}

TTimeBase DefaultTimeBase()
{
    TTimeBase b;
    ApplyDefaults<TTimeBase>(b, TimeBaseFields());
    for (int g = 1; g <= MaxGates; ++g) {
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
    ApplyDefaults<TSystemResponse>(s, SystemResponseFields());
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
    ApplyDefaults<TTxWaveform>(w, TxWaveformFields());
    for (int p = 1; p <= MaxWaveformPoints; ++p) {
        w.WaveformPointTimes[p] = p * 1e-6;
        w.WaveformPointAmplitudes[p] = p < w.WaveformPointsDigitized ? 1 : 0;
    }
    return w;
}

TVehicle DefaultVehicle()
{
    TVehicle v;
    ApplyDefaults<TVehicle>(v, VehicleFields());
    for (const SensorEntry& s : VehicleSensors)
        v.*s.exists = s.presentByDefault;
    v.Propulsion = TPropulsion::propTractor;
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
