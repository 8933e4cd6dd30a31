#pragma once
// One table per record: every field of the record once, with its model name, its member, its
// default and, where the field is a plain key = value line of a file, its key in the TDC and in
// the GEX files. The defaults, the JSON of the command line and every plain key of the readers
// and writers come from these tables; the rules that are more than a key and a value (vertices,
// moments, loop type 7, the current link, section counting, lists) stay named functions of the
// readers and writers, which the tables mark at their place in the written order.
//
// Adding a plain field to a record: one line in its table (and its member in the record).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "core/model/configuration.h"

namespace tem {

/// A field that holds one value per index (vertices, gates, layers, points) or a list of values
/// of its own length (a channel's per-gate lists); the readers and writers handle both by their
/// own rules.
struct PerIndex {
    bool operator==(const PerIndex&) const = default;
};
struct List {
    bool operator==(const List&) const = default;
};

/// The member a field is, which gives its form in the files: a number (the general number form),
/// an integer, a flag ("1"/"0") or a text. std::monostate: a value with a rule of its own (an
/// enumeration, several numbers in one key) or one the files do not hold.
template <class R>
using FieldMember =
    std::variant<std::monostate, PerIndex, List, double R::*, int R::*, bool R::*, std::string R::*>;

/// Whether M is one of the member pointers of FieldMember (a field with a value of its own).
template <class M> inline constexpr bool IsFieldPointer = std::is_member_object_pointer_v<M>;

/// A default value; nothing for a field without a table default.
using FieldValue = std::variant<std::monostate, double, int, bool, std::string_view>;

template <class R> struct RecordField {
    std::string_view name; ///< the model's name, also the JSON key
    FieldMember<R> member;
    FieldValue def{};             ///< what the record's default holds
    std::string_view tdcKey = {}; ///< its key in the record's TDC section; empty: not a plain TDC key
    std::string_view gexKey = {}; ///< its key in the record's own GEX section; empty: not a plain GEX key
    FieldValue gexDef{};          ///< the GEX reader's default when it differs from def
    int lo = 0, hi = -1;          ///< an integer read from a file is kept inside lo..hi (when lo <= hi)
    /// A default a reader computes from the fields before it in the table (for a missing key).
    double (*derivedDefault)(const R&) = nullptr;
    bool trimmed = false; ///< a text read without its surrounding spaces

    std::string_view Key(TINIFileFormat f) const { return f == TINIFileFormat::GEX ? gexKey : tdcKey; }
    const FieldValue& Default(TINIFileFormat f) const
    {
        return f == TINIFileFormat::GEX && !std::holds_alternative<std::monostate>(gexDef) ? gexDef : def;
    }
    bool Ranged() const { return lo <= hi; }
};

/// One position sensor of the vehicle: its keys in our own [Vehicle] section (prefix + "X", "Y",
/// "Z", "Exists"), its position key in the GEX [General] section, and its fields.
struct SensorEntry {
    std::string_view prefix;
    std::string_view gexKey;
    double TVehicle::*x;
    double TVehicle::*y;
    double TVehicle::*z;
    bool TVehicle::*exists;
    bool presentByDefault;    ///< what a file without the flag means
    bool inGexVehicleSection; ///< GEX keeps its coordinates in [Vehicle] too (all but the sonar)
    std::string FlagKey() const { return std::string(prefix) + "Exists"; }
};

/// The vehicle's sensors, the "Sensors" entry of its table.
inline constexpr int VehicleSensorCount = 9;
extern const std::array<SensorEntry, VehicleSensorCount> VehicleSensors;

std::span<const RecordField<Configuration>> GeneralFields();
std::span<const RecordField<TTransmitter>> TransmitterFields();
std::span<const RecordField<TReceiver>> ReceiverFields();
std::span<const RecordField<TAcqChn>> AcqChnFields();
std::span<const RecordField<TTimeBase>> TimeBaseFields();
std::span<const RecordField<TSystemResponse>> SystemResponseFields();
std::span<const RecordField<TTxWaveform>> TxWaveformFields();
std::span<const RecordField<TVehicle>> VehicleFields();

/// A default as a value of type T (a number from a number, a text from a text); fallback when the
/// field has none of that kind.
template <class T> T DefaultAs(const FieldValue& value, T fallback = T())
{
    if constexpr (std::is_same_v<T, std::string>) {
        if (const auto* text = std::get_if<std::string_view>(&value))
            return std::string(*text);
    } else {
        if (const auto* d = std::get_if<double>(&value))
            return static_cast<T>(*d);
        if (const auto* i = std::get_if<int>(&value))
            return static_cast<T>(*i);
        if (const auto* b = std::get_if<bool>(&value))
            return static_cast<T>(*b);
    }
    return fallback;
}

/// Stores a default in the field (nothing for a field without a member, or a default of another
/// kind).
template <class R> void SetField(R& record, const RecordField<R>& field, const FieldValue& value)
{
    std::visit(
        [&](auto member) {
            if constexpr (IsFieldPointer<decltype(member)>) {
                auto& target = record.*member;
                target = DefaultAs(value, target);
            }
        },
        field.member);
}

/// Every field of the table at its default; a derived default follows the fields before it.
template <class R> void ApplyDefaults(R& record, std::span<const RecordField<R>> table)
{
    for (const RecordField<R>& field : table) {
        if (std::holds_alternative<std::monostate>(field.def) && field.derivedDefault)
            SetField(record, field, FieldValue(field.derivedDefault(record)));
        else
            SetField(record, field, field.def);
    }
}

/// Calls f(name, value) for each field with a member, value being the double, int, bool or
/// std::string it holds.
template <class R, class F> void ForEachValue(const R& record, std::span<const RecordField<R>> table, F&& f)
{
    for (const RecordField<R>& field : table)
        std::visit(
            [&](auto member) {
                if constexpr (IsFieldPointer<decltype(member)>)
                    f(field.name, record.*member);
            },
            field.member);
}

/// The field of that model name; nullptr when the table has none.
template <class R>
const RecordField<R>* FindField(std::span<const RecordField<R>> table, std::string_view name)
{
    for (const RecordField<R>& field : table)
        if (field.name == name)
            return &field;
    return nullptr;
}

/// The model name the table gives a member; empty when the table does not hold it.
template <class R, class M> std::string_view FieldName(std::span<const RecordField<R>> table, M R::*member)
{
    for (const RecordField<R>& field : table)
        if (const auto* m = std::get_if<M R::*>(&field.member); m && *m == member)
            return field.name;
    return {};
}

} // namespace tem
