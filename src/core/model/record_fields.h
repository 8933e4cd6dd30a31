#pragma once
// One table per record: every field of the record once, with its model name, its member, its
// default, where the field is a plain key = value line of a file its key in the TDC and in the GEX
// files, and how the key/value editors show it. The defaults, the JSON of the command line, every
// plain key of the readers and writers and the rows of the channel and receiver editors come from
// these tables. A value that is more than a key and a value (vertices, moments, loop type 7, the
// current link, section counting, lists) has its rule: an enumerator of the record's rules at the
// field's place in the written order, which every writer handles in a switch (a rule a writer does
// not handle does not compile, see -Werror=switch).
//
// Adding a plain field to a record: its member in the record and one line in its table.

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

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

// ---- Rules ------------------------------------------------------------------------------------
// The rules of a record's fields that are more than a key and a value, one enumeration per record.
// A line with a rule and without a key in a format is written by that format's writer for the
// rule, at the line's place; every writer switches over all the rules of its record.

enum class GeneralRule : std::uint8_t {
    MasterTamperCheckCRC,
    DataType,                  ///< written only when given
    FrontGateDelay,            ///< written when not 0 or written before
    CalculateRawDataSTD,       ///< -1: not given, its key removed
    GateNoForPowerLineMonitor, ///< -1: not given; GEX puts the current link after it
    NumAcqChn,
    NumTx,
    NumTimebases,
    NumRx,
};

enum class TransmitterRule : std::uint8_t {
    MomentID,
    LoopSides,       ///< GEX: the vertex count (TDC: a plain key)
    PrimaryFieldSTD, ///< written when not 0 or written before
    LoopType,        ///< GEX: in [General], with the loop's position (TDC: a plain key)
    Type7Rectangle,  ///< the two sides of a loop of type 7
    Vertices,        ///< the loop's vertices
    Turns,           ///< GEX: in [General] by moment (TDC: a plain key)
    Area,            ///< GEX: in [General] and the transmitter section (TDC: a plain key)
    AxisOrientation, ///< one character
    LowPassFilter,   ///< order and cut-off in one value; GEX keeps it per channel
    SignPattern,     ///< GEX keeps it per channel
};

enum class ReceiverRule : std::uint8_t {
    Position,      ///< GEX: the centroid in [General] (TDC: plain keys)
    LowPassFilter, ///< GEX: order and cut-off in [General] (TDC: plain keys)
    RxType,
    Polygon, ///< the vertex count and the vertices, for a polygon only
};

enum class AcqChnRule : std::uint8_t {
    RowID,                ///< written when not "None" or written before
    TxNumber,             ///< GEX: unclamped (TDC: a plain key)
    TimebaseNumber,       ///< GEX: the channel's transmitter's time base
    AtoDConvGain,         ///< -1 is not written
    RemoveGatesFrom,      ///< 0 is not written
    SignPattern,          ///< GEX: the channel's transmitter's
    NoGates,              ///< GEX: the channel's transmitter's
    RepFreq,              ///< GEX: the channel's transmitter's repetition frequency
    LowPassFilter,        ///< GEX: the channel's transmitter's
    TxApproximateCurrent, ///< TDC: under the key of its format (GEX: a plain key)
    GateLists,            ///< the three per-gate lists, each when it exists
};

enum class TimeBaseRule : std::uint8_t {
    PowerlineFrequency, ///< GEX: in [General] (TDC: a plain key)
    GateCount,          ///< GEX: clamped (TDC: a plain key)
    Gates,
};

enum class SystemResponseRule : std::uint8_t {
    Arrays, ///< the layers and the per-gate amplitudes
};

enum class TxWaveformRule : std::uint8_t {
    Points,
};

enum class VehicleRule : std::uint8_t {
    Sensors, ///< the positions and presence of the sensors
    Propulsion,
};

// ---- Editor rows ------------------------------------------------------------------------------
// A key/value editor shows a record's table: one row per line, keyed by its name. A line with a
// member is a plain row (its number in the line's display form, its text as it is); a line with an
// editor rule is shown by that rule of the editor's; a line neither shows is marked hidden.

/// The editor rules of the channel editor: the channel's transmitter's values and the lists.
enum class AcqChnEditorRule : std::uint8_t {
    TimebaseNumber,
    SignPattern,
    NoGates,
    RepFreq,
    LowPassFilter,
    GateConstants,
    GateFactors,
    GateSTDs,
};

/// The editor rules of the receiver editor.
enum class ReceiverEditorRule : std::uint8_t {
    Orientation, ///< one of "Z", "X", "Y"
    RxType,
    Polygon, ///< the vertex count and the vertices, for a polygon only
};

/// Records no editor shows.
enum class NoEditorRule : std::uint8_t {};

template <class R> struct RecordRules;
template <> struct RecordRules<Configuration> {
    using File = GeneralRule;
    using Editor = NoEditorRule;
};
template <> struct RecordRules<TTransmitter> {
    using File = TransmitterRule;
    using Editor = NoEditorRule;
};
template <> struct RecordRules<TReceiver> {
    using File = ReceiverRule;
    using Editor = ReceiverEditorRule;
};
template <> struct RecordRules<TAcqChn> {
    using File = AcqChnRule;
    using Editor = AcqChnEditorRule;
};
template <> struct RecordRules<TTimeBase> {
    using File = TimeBaseRule;
    using Editor = NoEditorRule;
};
template <> struct RecordRules<TSystemResponse> {
    using File = SystemResponseRule;
    using Editor = NoEditorRule;
};
template <> struct RecordRules<TTxWaveform> {
    using File = TxWaveformRule;
    using Editor = NoEditorRule;
};
template <> struct RecordRules<TVehicle> {
    using File = VehicleRule;
    using Editor = NoEditorRule;
};

/// How the key/value editors show a field.
template <class R> struct EditorView {
    bool hidden = false;
    /// Its place among the editor's rows; lines without one follow the numbered ones in table order.
    int row = 0;
    const char* form = nullptr;     ///< printf form of a number; nullptr: the shortest form
    std::optional<double> fallback; ///< typed text that is not a number; nothing: the field's default
    bool trimmed = false;           ///< typed text kept without its surrounding spaces
    std::optional<typename RecordRules<R>::Editor> rule;
};

template <class R> struct RecordField {
    using Rule = typename RecordRules<R>::File;
    using EditorRule = typename RecordRules<R>::Editor;

    std::string_view name; ///< the model's name, also the JSON key and the editor's key
    FieldMember<R> member;
    FieldValue def{};             ///< what the record's default holds
    std::string_view tdcKey = {}; ///< its key in the record's TDC section; empty: not a plain TDC key
    std::string_view gexKey = {}; ///< its key in the record's own GEX section; empty: not a plain GEX key
    FieldValue gexDef{};          ///< the GEX reader's default when it differs from def
    int lo = 0, hi = -1;          ///< an integer read from a file is kept inside lo..hi (when lo <= hi)
    /// A default a reader computes from the fields before it in the table (for a missing key).
    double (*derivedDefault)(const R&) = nullptr;
    bool trimmed = false;       ///< a text read without its surrounding spaces
    std::optional<Rule> rule{}; ///< written by this rule in a format where it has no key
    EditorView<R> view{};

    std::string_view Key(TINIFileFormat f) const { return f == TINIFileFormat::GEX ? gexKey : tdcKey; }
    const FieldValue& Default(TINIFileFormat f) const
    {
        return f == TINIFileFormat::GEX && !std::holds_alternative<std::monostate>(gexDef) ? gexDef : def;
    }
    bool Ranged() const { return lo <= hi; }
    bool HasMember() const
    {
        return std::visit([](auto m) { return IsFieldPointer<decltype(m)>; }, member);
    }
    /// What typed text that is not a number gives in an editor.
    double EditorFallback() const;

    // The table's line modifiers: {name, member, ...}.With(...).
    RecordField WithRule(Rule r) const
    {
        RecordField f = *this;
        f.rule = r;
        return f;
    }
    RecordField Hidden() const
    {
        RecordField f = *this;
        f.view.hidden = true;
        return f;
    }
    /// Shown at row (counted from 1) in the form (nullptr: the shortest).
    RecordField Row(int row, const char* form = nullptr) const
    {
        RecordField f = *this;
        f.view.row = row;
        f.view.form = form;
        return f;
    }
    RecordField Fallback(double v) const
    {
        RecordField f = *this;
        f.view.fallback = v;
        return f;
    }
    RecordField TrimmedInEditor() const
    {
        RecordField f = *this;
        f.view.trimmed = true;
        return f;
    }
    RecordField ShownBy(EditorRule r) const
    {
        RecordField f = *this;
        f.view.rule = r;
        return f;
    }
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

template <class R> double RecordField<R>::EditorFallback() const
{
    return view.fallback.value_or(DefaultAs<double>(def, 0));
}

/// The lines an editor shows, in its order: the numbered rows first, then the others in table order.
template <class R> std::vector<const RecordField<R>*> EditorRows(std::span<const RecordField<R>> table)
{
    std::vector<const RecordField<R>*> rows;
    for (const RecordField<R>& field : table)
        if (!field.view.hidden)
            rows.push_back(&field);
    std::stable_sort(rows.begin(), rows.end(), [](const RecordField<R>* a, const RecordField<R>* b) {
        const auto place = [](const RecordField<R>* f) { return f->view.row > 0 ? f->view.row : INT_MAX; };
        return place(a) < place(b);
    });
    return rows;
}

} // namespace tem
