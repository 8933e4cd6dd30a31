#include "cli/model_json.h"

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/model/configuration.h"
#include "core/model/record_fields.h"

namespace tem::cli {

namespace {

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

/// A record's fields as JSON under their model names, in the order the record declares them: the
/// table's fields with a member, and those with a rule of their own added by the caller.
template <class R> class RecordJson {
  public:
    RecordJson(const R& record, std::span<const RecordField<R>> table) : record_(record)
    {
        for (const RecordField<R>& field : table)
            std::visit(
                [&](auto member) {
                    if constexpr (IsFieldPointer<decltype(member)>)
                        add(field.name, &(record.*member), record.*member);
                },
                field.member);
    }
    /// The field at address (a member of the record) under name.
    template <class M> void add(std::string_view name, const M* address, Json value)
    {
        const auto offset = reinterpret_cast<const char*>(address) - reinterpret_cast<const char*>(&record_);
        items_.push_back({offset, std::string(name), std::move(value)});
    }
    Json json()
    {
        std::stable_sort(items_.begin(), items_.end(),
                         [](const Item& a, const Item& b) { return a.offset < b.offset; });
        Json j = Json::object();
        for (Item& item : items_)
            j[item.name] = std::move(item.value);
        return j;
    }

  private:
    struct Item {
        std::ptrdiff_t offset;
        std::string name;
        Json value;
    };
    const R& record_;
    std::vector<Item> items_;
};

Json transmitterJson(const TTransmitter& t)
{
    RecordJson j(t, TransmitterFields());
    j.add("MomentID", &t.MomentID, std::string(Name(t.MomentID)));
    j.add("SignPattern", &t.SignPattern, t.SignPattern);
    // Vertices 0..LoopSides-1 and the closing vertex at LoopSides.
    j.add("NodeX", &t.NodeX, range(t.NodeX, 0, t.LoopSides));
    j.add("NodeY", &t.NodeY, range(t.NodeY, 0, t.LoopSides));
    j.add("NodeZ", &t.NodeZ, range(t.NodeZ, 0, t.LoopSides));
    j.add("LPFilterOrderandCutoff", &t.LPFilterOrderandCutoff, range(t.LPFilterOrderandCutoff, 0, 1));
    return j.json();
}

Json receiverJson(const TReceiver& r)
{
    RecordJson j(r, ReceiverFields());
    j.add("RxType", &r.RxType, std::string(Name(r.RxType)));
    // Receiver vertices are 1-based: 1..Loopsides.
    j.add("NodeX", &r.NodeX, range(r.NodeX, 1, r.Loopsides));
    j.add("NodeY", &r.NodeY, range(r.NodeY, 1, r.Loopsides));
    j.add("NodeZ", &r.NodeZ, range(r.NodeZ, 1, r.Loopsides));
    return j.json();
}

Json channelJson(const TAcqChn& c)
{
    RecordJson j(c, AcqChnFields());
    j.add("GateConstants", &c.GateConstants, c.GateConstants);
    j.add("GateFactors", &c.GateFactors, c.GateFactors);
    j.add("GateSTDs", &c.GateSTDs, c.GateSTDs);
    return j.json();
}

Json systemResponseJson(const TSystemResponse& s, int gates)
{
    RecordJson j(s, SystemResponseFields());
    j.add("LayerThicknesses", &s.LayerThicknesses, range(s.LayerThicknesses, 1, s.FwdModelLayers));
    j.add("LayerResistivities", &s.LayerResistivities, range(s.LayerResistivities, 1, s.FwdModelLayers));
    j.add("drivenLayerBottomDepths", &s.drivenLayerBottomDepths,
          range(s.drivenLayerBottomDepths, 1, s.FwdModelLayers));
    j.add("FieldAmplitudes", &s.FieldAmplitudes, range(s.FieldAmplitudes, 1, gates));
    j.add("FwdModelAmplitudes", &s.FwdModelAmplitudes, range(s.FwdModelAmplitudes, 1, gates));
    j.add("EqnModelAmplitudes", &s.EqnModelAmplitudes, range(s.EqnModelAmplitudes, 1, gates));
    j.add("SysRespAmplitudes", &s.SysRespAmplitudes, range(s.SysRespAmplitudes, 1, gates));
    j.add("NoiseStdVperAm2", &s.NoiseStdVperAm2, range(s.NoiseStdVperAm2, 1, gates));
    return j.json();
}

Json waveformJson(const TTxWaveform& w)
{
    RecordJson j(w, TxWaveformFields());
    j.add("WaveformPointTimes", &w.WaveformPointTimes,
          range(w.WaveformPointTimes, 1, w.WaveformPointsDigitized));
    j.add("WaveformPointAmplitudes", &w.WaveformPointAmplitudes,
          range(w.WaveformPointAmplitudes, 1, w.WaveformPointsDigitized));
    return j.json();
}

Json vehicleJson(const TVehicle& v)
{
    RecordJson j(v, VehicleFields());
    for (const SensorEntry& s : VehicleSensors) {
        const std::string p(s.prefix);
        j.add(p + "X", &(v.*s.x), v.*s.x);
        j.add(p + "Y", &(v.*s.y), v.*s.y);
        j.add(p + "Z", &(v.*s.z), v.*s.z);
        j.add(s.FlagKey(), &(v.*s.exists), v.*s.exists);
    }
    j.add("Propulsion", &v.Propulsion, std::string(Name(v.Propulsion)));
    return j.json();
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
    RecordJson j(b, TimeBaseFields());
    j.add("drivenGateStart", &b.drivenGateStart, range(b.drivenGateStart, 1, b.NumGatesInSet));
    j.add("GateCentre", &b.GateCentre, range(b.GateCentre, 1, b.NumGatesInSet));
    j.add("drivenGateEnd", &b.drivenGateEnd, range(b.drivenGateEnd, 1, b.NumGatesInSet));
    j.add("GateWidth", &b.GateWidth, range(b.GateWidth, 1, b.NumGatesInSet));
    return j.json();
}

Json ModelToJson(const Configuration& cfg)
{
    RecordJson general(cfg, GeneralFields());
    Json map = Json::array(); // [tx - 1][rx - 1]
    for (int t = 1; t <= MaxTx; ++t)
        map.push_back(range(cfg.AcqChnMapTxRx[t], 1, MaxRx));
    general.add("AcqChnMapTxRx", &cfg.AcqChnMapTxRx, map);
    general.add("TDCorGEX", &cfg.TDCorGEX, std::string(Name(cfg.TDCorGEX)));
    general.add("MasterTamperCheckCRC", &cfg.MasterTamperCheckCRC, cfg.MasterTamperCheckCRC);
    // The records follow the general values.
    Json j = general.json();

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

} // namespace tem::cli
