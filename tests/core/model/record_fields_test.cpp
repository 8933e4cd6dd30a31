// The record tables: the faults a table line can carry (a key used twice, a default of the wrong
// kind) and the plain keys of both formats carrying every field there and back.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "core/files/keyword_file.h"
#include "core/files/record_io.h"
#include "core/model/record_fields.h"
#include "core/operator.h"
#include "support/member_count.h"

namespace tem {
namespace {

template <class R> void ExpectSoundTable(std::span<const RecordField<R>> table, const char* record)
{
    SCOPED_TRACE(record);
    std::set<std::string_view> names, tdcKeys, gexKeys;
    for (const RecordField<R>& field : table) {
        SCOPED_TRACE(std::string(field.name));
        EXPECT_TRUE(names.insert(field.name).second) << "name twice";
        if (!field.tdcKey.empty()) {
            EXPECT_TRUE(tdcKeys.insert(field.tdcKey).second) << "TDC key twice";
        }
        if (!field.gexKey.empty()) {
            EXPECT_TRUE(gexKeys.insert(field.gexKey).second) << "GEX key twice";
        }
        // A plain key needs a member, and a default of the member's kind (or a derived one).
        const bool plain = !field.tdcKey.empty() || !field.gexKey.empty();
        if (plain) {
            EXPECT_TRUE(std::visit([](auto m) { return IsFieldPointer<decltype(m)>; }, field.member));
        }
        std::visit(
            [&](auto member) {
                using M = decltype(member);
                for (const FieldValue* def : {&field.def, &field.gexDef}) {
                    if (std::holds_alternative<std::monostate>(*def))
                        continue;
                    if constexpr (std::is_same_v<M, std::string R::*>) {
                        EXPECT_TRUE(std::holds_alternative<std::string_view>(*def));
                    } else if constexpr (std::is_same_v<M, bool R::*>) {
                        EXPECT_TRUE(std::holds_alternative<bool>(*def));
                    } else if constexpr (std::is_same_v<M, int R::*>) {
                        EXPECT_TRUE(std::holds_alternative<int>(*def));
                    } else if constexpr (std::is_same_v<M, double R::*>) {
                        EXPECT_TRUE(std::holds_alternative<double>(*def));
                    }
                }
                if constexpr (IsFieldPointer<M>) {
                    if (plain) {
                        EXPECT_TRUE(!std::holds_alternative<std::monostate>(field.def) ||
                                    field.derivedDefault);
                    }
                }
            },
            field.member);
    }
}

/// Every plain field of format f set away from its default, written, read back into a default
/// record: the same values come back.
template <class R>
void ExpectPlainRoundTrip(std::span<const RecordField<R>> table, const R& start, TINIFileFormat f,
                          const char* record)
{
    SCOPED_TRACE(std::string(record) + (f == TINIFileFormat::GEX ? " GEX" : " TDC"));
    R changed = start;
    int k = 0;
    for (const RecordField<R>& field : table) {
        if (field.Key(f).empty())
            continue;
        ++k;
        std::visit(
            [&](auto member) {
                using M = decltype(member);
                if constexpr (std::is_same_v<M, double R::*>)
                    changed.*member = 1.25 + 0.5 * k;
                else if constexpr (std::is_same_v<M, int R::*>)
                    changed.*member =
                        field.Ranged() ? (changed.*member == field.hi ? field.lo : field.hi) : 40 + k;
                else if constexpr (std::is_same_v<M, bool R::*>)
                    changed.*member = !(changed.*member);
                else if constexpr (std::is_same_v<M, std::string R::*>)
                    changed.*member = "Text_" + std::to_string(k);
            },
            field.member);
    }
    KeywordFile file;
    WriteRecordFields<R>(file, "S", changed, table, f, [](auto) {});
    R back = start;
    RecordingOperator op;
    ReadRecordFields<R>(file, "S", back, table, f, op);
    EXPECT_TRUE(op.messages.empty());
    // Only plain fields were changed, so the whole record must come back.
    EXPECT_TRUE(back == changed);
}

TEST(RecordFields, TablesAreSoundAndCarryEveryPlainField)
{
    ExpectSoundTable(GeneralFields(), "general");
    ExpectSoundTable(TransmitterFields(), "TTransmitter");
    ExpectSoundTable(ReceiverFields(), "TReceiver");
    ExpectSoundTable(AcqChnFields(), "TAcqChn");
    ExpectSoundTable(TimeBaseFields(), "TTimeBase");
    ExpectSoundTable(SystemResponseFields(), "TSystemResponse");
    ExpectSoundTable(TxWaveformFields(), "TTxWaveform");
    ExpectSoundTable(VehicleFields(), "TVehicle");

    for (const TINIFileFormat f : {TINIFileFormat::TDC, TINIFileFormat::GEX}) {
        ExpectPlainRoundTrip(GeneralFields(), DefaultConfiguration(), f, "general");
        ExpectPlainRoundTrip(TransmitterFields(), DefaultTransmitter(), f, "TTransmitter");
        ExpectPlainRoundTrip(ReceiverFields(), DefaultReceiver(), f, "TReceiver");
        ExpectPlainRoundTrip(AcqChnFields(), DefaultAcqChn(1), f, "TAcqChn");
        ExpectPlainRoundTrip(TimeBaseFields(), DefaultTimeBase(), f, "TTimeBase");
        ExpectPlainRoundTrip(SystemResponseFields(), DefaultSystemResponse(), f, "TSystemResponse");
        ExpectPlainRoundTrip(TxWaveformFields(), DefaultTxWaveform(), f, "TTxWaveform");
        ExpectPlainRoundTrip(VehicleFields(), DefaultVehicle(), f, "TVehicle");
    }
}

/// Every member of a record an editor shows has its table line (members without a pointer in the
/// table: the lists and arrays of a line, an enumeration with a rule), and every line is shown (a
/// plain row with a member, or by an editor rule) or marked hidden, with a row number used once.
template <class R>
void ExpectEveryMemberShownOrHidden(std::span<const RecordField<R>> table, std::size_t membersWithoutPointer,
                                    const char* record)
{
    SCOPED_TRACE(record);
    std::size_t pointers = 0;
    std::set<int> rows;
    for (const RecordField<R>& field : table) {
        SCOPED_TRACE(std::string(field.name));
        pointers += field.HasMember() ? 1 : 0;
        EXPECT_TRUE(field.view.hidden || field.view.rule || field.HasMember()) << "neither shown nor hidden";
        EXPECT_FALSE(field.view.hidden && (field.view.rule || field.view.row > 0)) << "hidden, yet shown";
        if (field.view.row > 0) {
            EXPECT_TRUE(rows.insert(field.view.row).second) << "row number twice";
        }
    }
    EXPECT_EQ(testsupport::MemberCount<R>(), pointers + membersWithoutPointer)
        << "a member without its table line";
}

TEST(RecordFields, EditorsShowOrHideEveryMember)
{
    ExpectEveryMemberShownOrHidden(AcqChnFields(), 3, "TAcqChn");     // the three per-gate lists
    ExpectEveryMemberShownOrHidden(ReceiverFields(), 4, "TReceiver"); // RxType; NodeX, NodeY, NodeZ

    // The editors' rows in their order.
    std::vector<std::string_view> names;
    for (const RecordField<TReceiver>* field : EditorRows(ReceiverFields()))
        names.push_back(field->name);
    const std::vector<std::string_view> receiver = {"CentroidX",
                                                    "CentroidY",
                                                    "CentroidZ",
                                                    "Name",
                                                    "Orientation",
                                                    "Turns",
                                                    "AreaSingleTurn",
                                                    "PreAmpGain",
                                                    "AreaNumTurnsxPreAmpxSingleTurn",
                                                    "DampingOhms",
                                                    "FilterHz",
                                                    "FilterOrder",
                                                    "PreBinAppliedRxDelay",
                                                    "AtoDConvGain",
                                                    "AxisTilt",
                                                    "AxisRotation",
                                                    "RxType",
                                                    "Shape",
                                                    "EquivRadius",
                                                    "XSideLength",
                                                    "YSideLength",
                                                    "Loopsides"};
    EXPECT_EQ(names, receiver);
}

TEST(RecordFields, DefaultsComeFromTheTables)
{
    // A reader stores a table line's default for a missing key; the record defaults are those values.
    const TTransmitter tx = DefaultTransmitter();
    EXPECT_EQ(tx.Amps, 36);
    EXPECT_EQ(tx.VoltsMin, 3.3);
    EXPECT_EQ(tx.LoopType, 72);
    EXPECT_EQ(tx.EquivalentSquareLoopSide, 1);
    const TReceiver rx = DefaultReceiver();
    EXPECT_DOUBLE_EQ(rx.EquivRadius, std::sqrt(1 / 3.141592653589793));
    EXPECT_EQ(DefaultVehicle().GNSSExists, true);
    EXPECT_EQ(DefaultVehicle().SonarExists, false);
    EXPECT_EQ(DefaultSystemResponse().SimulRxDelay_uS, 9);
    EXPECT_EQ(DefaultAcqChn(2).RowID, "Y");

    // What GEX reads for a missing key where it differs.
    EXPECT_EQ(DefaultAs<double>(FindField(TransmitterFields(), "AmpsMin")->Default(TINIFileFormat::GEX)), 1);
    EXPECT_EQ(DefaultAs<double>(FindField(TransmitterFields(), "AmpsMin")->Default(TINIFileFormat::TDC)), 0);
}

} // namespace
} // namespace tem
