#pragma once
// The plain key = value lines of a record, read and written through its table (record_fields.h).

#include <algorithm>
#include <climits>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "core/files/config_shared.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/model/record_fields.h"

namespace tem {

/// Reads every plain field the table gives a key in format f from section sec; a missing or
/// unreadable value takes the field's default. Integers with a range are kept inside it (saying
/// so); other integers beyond the 32-bit range take the default.
template <class R>
void ReadRecordFields(const KeywordFile& file, std::string_view sec, R& record,
                      std::span<const RecordField<R>> table, TINIFileFormat f, Operator& op)
{
    for (const RecordField<R>& field : table) {
        const std::string_view key = field.Key(f);
        if (key.empty())
            continue;
        const FieldValue& def = field.Default(f);
        std::visit(
            [&](auto member) {
                using M = decltype(member);
                if constexpr (std::is_same_v<M, double R::*>) {
                    const double d =
                        field.derivedDefault ? field.derivedDefault(record) : DefaultAs<double>(def);
                    record.*member = file.ReadFloat(sec, key, d);
                } else if constexpr (std::is_same_v<M, int R::*>) {
                    const int d = DefaultAs<int>(def);
                    const long long v = file.ReadInteger(sec, key, d);
                    if (field.Ranged())
                        record.*member = ClampReported(v, field.lo, field.hi, sec, key, op);
                    else
                        record.*member = v < INT_MIN || v > INT_MAX ? d : static_cast<int>(v);
                } else if constexpr (std::is_same_v<M, bool R::*>) {
                    record.*member = file.ReadBool(sec, key, DefaultAs<bool>(def));
                } else if constexpr (std::is_same_v<M, std::string R::*>) {
                    const std::string v = file.ReadString(sec, key, DefaultAs<std::string>(def));
                    record.*member = field.trimmed ? Trim(v) : v;
                }
            },
            field.member);
    }
}

/// Writes the record in table order: each plain field of format f as its key, and at a field
/// without a key in f but with a rule, special(rule) is called, which writes what the rule writes
/// in that format (the caller switches over every rule of the record).
template <class R, class Special>
void WriteRecordFields(KeywordFile& file, std::string_view sec, const R& record,
                       std::span<const RecordField<R>> table, TINIFileFormat f, Special&& special)
{
    for (const RecordField<R>& field : table) {
        const std::string_view key = field.Key(f);
        if (key.empty()) {
            if (field.rule)
                special(*field.rule);
            continue;
        }
        std::visit(
            [&](auto member) {
                using M = decltype(member);
                if constexpr (std::is_same_v<M, double R::*>)
                    file.WriteFloat(sec, key, record.*member);
                else if constexpr (std::is_same_v<M, int R::*>)
                    file.WriteInteger(sec, key,
                                      field.Ranged() ? std::clamp(record.*member, field.lo, field.hi)
                                                     : record.*member);
                else if constexpr (std::is_same_v<M, bool R::*>)
                    file.WriteBool(sec, key, record.*member);
                else if constexpr (std::is_same_v<M, std::string R::*>)
                    file.WriteString(sec, key, field.trimmed ? Trim(record.*member) : record.*member);
            },
            field.member);
    }
}

} // namespace tem
