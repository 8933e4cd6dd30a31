#include "core/rules/acq_channel_rules.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <variant>

#include "core/files/config_shared.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/derived.h"
#include "core/model/record_fields.h"
#include "core/operator.h"

namespace tem {

namespace {

bool validTx(int t)
{
    return t >= 1 && t <= MaxTx;
}

double floatOr(std::string_view text, double fallback)
{
    return ParseFloat(text).value_or(fallback);
}

int intOr(std::string_view text, int fallback)
{
    const std::optional<long long> v = ParseInteger(Trim(text));
    if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(*v);
}

// A number that selects a record: kept as it was, with a message, when outside first..last.
void storeIndex(int& field, std::string_view key, int typed, int first, int last, Operator& op)
{
    if (typed < first || typed > last) {
        op.inform(std::string(key) + " " + std::to_string(typed) + " is outside " + std::to_string(first) +
                  " to " + std::to_string(last) + "; the previous value " + std::to_string(field) +
                  " is kept.");
        return;
    }
    field = typed;
}

std::vector<double> numberList(std::string_view text, double fallback)
{
    std::vector<double> v;
    for (const std::string& item : SplitListValue(text))
        v.push_back(floatOr(item, fallback));
    return v;
}

void setAllMomentsSingle(Configuration& cfg)
{
    for (int c = 1; c <= std::min(cfg.NumAcqChn, MaxAcqChn); ++c)
        cfg.AcqChn[c].TransmitterMoment = std::string(Name(TMomentID::SingleM));
}

// Raising a single-channel configuration to the two channels a dual-moment system needs.
void ensureTwoChannels(Configuration& cfg)
{
    if (cfg.NumAcqChn >= 2)
        return;
    cfg.NumAcqChn = 2;
    cfg.AcqChn[1].TransmitterMoment = std::string(Name(TMomentID::LM));
    cfg.AcqChn[2].TransmitterMoment = std::string(Name(TMomentID::HM));
}

// Both moment groups set to "None" by the operator.
void noMomentChosen(Configuration& cfg, AliasSelection& sel, Operator& op)
{
    if (sel.single == 0)
        sel.single = 1;
    if (op.ask("Do you want to reduce transmitter count to 1?", false))
        cfg.NumTx = 1;
    if (cfg.NumTx == 1)
        setAllMomentsSingle(cfg);
}

} // namespace

std::vector<std::string> SplitListValue(std::string_view text)
{
    std::vector<std::string> items;
    std::string cur;
    for (char ch : text) {
        if (ch == ' ' || ch == '\t' || ch == ',') {
            if (!cur.empty())
                items.push_back(cur);
            cur.clear();
        } else {
            cur += ch;
        }
    }
    if (!cur.empty())
        items.push_back(cur);
    return items;
}

namespace {

// The rows of the channel key/value editor in their order. The channel's own fields take their
// key from the record table; the transmitter's rows go to the channel's transmitter.
enum class RowKind {
    Field, ///< a scalar field of the channel; typed text that is not a number gives the fallback
    Index, ///< a channel field that names a record: kept inside the table's range
    Tx,    ///< a value of the channel's transmitter, under its own key
    List,  ///< one of the channel's per-gate lists
};
struct Row {
    RowKind kind;
    FieldMember<TAcqChn> member{};
    double fallback = 0;
    bool trimmed = false;
    std::string_view key{}; ///< the key of a transmitter row or a list row
    std::vector<double> TAcqChn::*list = nullptr;
};

template <class M> Row F(M TAcqChn::*member, double fallback = 0, bool trimmed = false)
{
    return {RowKind::Field, member, fallback, trimmed};
}
Row T(std::string_view key)
{
    return {RowKind::Tx, {}, 0, false, key};
}
Row L(std::string_view key, std::vector<double> TAcqChn::*list, double fallback)
{
    return {RowKind::List, {}, fallback, false, key, list};
}

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        F(&TAcqChn::RowID),
        F(&TAcqChn::Description),
        {RowKind::Index, &TAcqChn::RxCoilNumber},
        F(&TAcqChn::ReceiverPolarizationXYZ, 0, true),
        F(&TAcqChn::TransmitterMoment, 0, true),
        {RowKind::Index, &TAcqChn::TxNumber},
        T("TimebaseNumber"),
        F(&TAcqChn::AtoDConvGain, 1),
        F(&TAcqChn::GateTimeShift, 0),
        F(&TAcqChn::GateFactor, 1),
        F(&TAcqChn::SystemResponseConvolution, 0),
        F(&TAcqChn::RemoveInitialGates, 0),
        F(&TAcqChn::RemoveGatesFrom, 0),
        F(&TAcqChn::PrimaryFieldDampingFactor, 1),
        F(&TAcqChn::UniformDataSTD, 0.03),
        F(&TAcqChn::MeaTimeDelay, 0),
        T("SignPattern"),
        T("NoGates"),
        T("FullWaveformRepFreq"),
        F(&TAcqChn::FrontGatetime, -1),
        T("TiBLowPassFilter"),
        F(&TAcqChn::TxApproximateCurrent, 1),
        L("GateConstants", &TAcqChn::GateConstants, 0),
        L("GateFactors", &TAcqChn::GateFactors, 1),
        L("GateSTDs", &TAcqChn::GateSTDs, 0),
    };
    return rows;
}

const RecordField<TAcqChn>& FieldOf(const Row& row)
{
    for (const RecordField<TAcqChn>& field : AcqChnFields())
        if (field.member == row.member)
            return field;
    throw std::logic_error("a channel editor row names no field of the channel table");
}

std::string RowKey(const Row& row)
{
    if (row.kind == RowKind::Tx || row.kind == RowKind::List)
        return std::string(row.key);
    return std::string(FieldOf(row).name);
}

/// The text of a channel field as the editor shows it.
std::string FieldText(const TAcqChn& a, const Row& row)
{
    return std::visit(
        [&](auto member) -> std::string {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, double TAcqChn::*>)
                return FormatGeneral(a.*member);
            else if constexpr (std::is_same_v<M, int TAcqChn::*>)
                return std::to_string(a.*member);
            else if constexpr (std::is_same_v<M, std::string TAcqChn::*>)
                return a.*member;
            else
                return {};
        },
        row.member);
}

/// Stores typed text in a channel field (numbers that are not: the row's fallback).
void SetFieldText(TAcqChn& a, const Row& row, const std::string& text)
{
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, double TAcqChn::*>)
                a.*member = floatOr(text, row.fallback);
            else if constexpr (std::is_same_v<M, int TAcqChn::*>)
                a.*member = intOr(text, static_cast<int>(row.fallback));
            else if constexpr (std::is_same_v<M, std::string TAcqChn::*>)
                a.*member = row.trimmed ? Trim(text) : text;
        },
        row.member);
}

} // namespace

KeyValueRows AcqChnKeyValues(const Configuration& cfg, int channel)
{
    const TAcqChn& a = cfg.AcqChn[channel];
    // A channel read from a damaged file may name no transmitter; its transmitter keys stay blank.
    const TTransmitter* tx = validTx(a.TxNumber) ? &cfg.Tx[a.TxNumber] : nullptr;

    KeyValueRows rows;
    for (const Row& row : Rows()) {
        std::string text;
        switch (row.kind) {
        case RowKind::Field:
        case RowKind::Index:
            text = FieldText(a, row);
            break;
        case RowKind::List:
            text = GateListText(a.*row.list);
            break;
        case RowKind::Tx:
            if (!tx)
                break;
            if (row.key == "TimebaseNumber")
                text = std::to_string(tx->TimeBaseNumber);
            else if (row.key == "SignPattern")
                text = SignPatternText(*tx);
            else if (row.key == "NoGates")
                text = std::to_string(tx->NoGates);
            else if (row.key == "FullWaveformRepFreq")
                text = FormatGeneral(tx->FullWaveformRepetitionFrequency);
            else if (row.key == "TiBLowPassFilter")
                text = LowPassFilterText(*tx);
            break;
        }
        rows.emplace_back(RowKey(row), std::move(text));
    }
    return rows;
}

std::vector<int> ParseSignPattern(std::string_view text, Operator& op)
{
    std::vector<std::string> items = SplitListValue(text);
    items.resize(10, "0");
    std::vector<int> values;
    int n = 0;
    for (const std::string& item : items) {
        values.push_back(intOr(item, 0));
        if (item != "0")
            ++n;
    }
    values.resize(static_cast<std::size_t>(n));
    for (int v : values)
        if (v != 1 && v != -1)
            op.inform(std::string(SignPatternMessage));
    return values;
}

void CommitAcqChnKeyValues(Configuration& cfg, int channel, const KeyLookup& value, bool linkCurrents,
                           Operator& op)
{
    TAcqChn& a = cfg.AcqChn[channel];
    for (const Row& row : Rows()) {
        const std::string key = RowKey(row);
        // The transmitter keys go to the transmitter the channel names (just committed above them).
        TTransmitter* tx = validTx(a.TxNumber) ? &cfg.Tx[a.TxNumber] : nullptr;
        switch (row.kind) {
        case RowKind::Field:
            SetFieldText(a, row, value(key));
            break;
        case RowKind::Index: {
            const RecordField<TAcqChn>& field = FieldOf(row);
            storeIndex(a.*std::get<int TAcqChn::*>(row.member), key, intOr(value(key), 1), field.lo, field.hi,
                       op);
            break;
        }
        case RowKind::List:
            a.*row.list = numberList(value(key), row.fallback);
            break;
        case RowKind::Tx:
            if (row.key == "SignPattern") {
                // Parsed (and its message given) also without a transmitter.
                const std::vector<int> sign = ParseSignPattern(value(key), op);
                if (tx)
                    tx->SignPattern = sign;
            }
            if (!tx)
                break;
            if (row.key == "TimebaseNumber") {
                storeIndex(tx->TimeBaseNumber, key, intOr(value(key), 1), 1, MaxTimeBases, op);
            } else if (row.key == "NoGates") {
                storeIndex(tx->NoGates, key, intOr(value(key), 1), 0, MaxGates, op);
            } else if (row.key == "FullWaveformRepFreq") {
                tx->FullWaveformRepetitionFrequency = floatOr(value(key), 30);
            } else if (row.key == "TiBLowPassFilter") {
                const std::vector<std::string> lp = SplitListValue(value(key));
                tx->LPFilterOrderandCutoff[0] = lp.size() > 0 ? floatOr(lp[0], 1) : 1;
                tx->LPFilterOrderandCutoff[1] = lp.size() > 1 ? floatOr(lp[1], 30000) : 30000;
            }
            break;
        }
    }
    cfg.LinkTxApproximateCurrenttoTxAmps = linkCurrents;
    if (linkCurrents)
        LinkChannelCurrentsToTransmitters(cfg);
    CheckTxMomentTxNumberMatch(cfg, op);
    TxRxAliasAcqChnMapping(cfg, op);
}

std::string FrontGateLabel(const Configuration& cfg, int channel)
{
    const TAcqChn& a = cfg.AcqChn[channel];
    if (!a.FrontGateExists)
        return "No Front Gate is applied for this channel";
    return "Final Front Gate Time = AcqChn.FrontGateTime +  AcqChn.GateTimeShift + FrontGateDelay = " +
           FormatFixed(a.FrontGatetime + a.GateTimeShift + cfg.FrontGateDelay, 12, 7);
}

void ValidateChannelMatrix(Configuration& cfg, const std::vector<std::vector<std::string>>& cells,
                           Operator& op)
{
    int counted = 0;
    for (std::size_t ti = 0; ti < cells.size(); ++ti) {
        const int t = static_cast<int>(ti) + 1;
        for (std::size_t ri = 0; ri < cells[ti].size(); ++ri) {
            const int r = static_cast<int>(ri) + 1;
            const int a = intOr(cells[ti][ri], 0);
            if (a > cfg.NumAcqChn)
                op.inform("AcqChn for Tx" + std::to_string(t) + " and Rx" + std::to_string(r) +
                          " exceeds the number of channels specified");
            if (a == 0)
                continue;
            ++counted;
            if (a < 0 || a > MaxAcqChn) {
                // The model holds channels 1 to 18 only; such a cell cannot name one.
                if (a < 0)
                    op.inform("AcqChn for Tx" + std::to_string(t) + " and Rx" + std::to_string(r) +
                              " must be 0 or a channel number");
                continue;
            }
            TAcqChn& chn = cfg.AcqChn[a];
            chn.RxCoilNumber = r;
            chn.TxNumber = t;
            chn.TransmitterMoment = std::string(Name(cfg.Tx[t == 1 ? 1 : 2].MomentID));
        }
    }
    if (counted > cfg.NumAcqChn)
        op.inform(
            "There are more Aquisition channels displayed in the matrix than the total number specified - "
            "perhaps one identifier is not unique");
}

std::vector<std::vector<std::string>> ChannelMatrix(const Configuration& cfg, int txCount, int rxCount)
{
    std::vector<std::vector<std::string>> cells(
        static_cast<std::size_t>(std::max(txCount, 0)),
        std::vector<std::string>(static_cast<std::size_t>(std::max(rxCount, 0)), "0"));
    for (int c = 1; c <= std::min(cfg.NumAcqChn, MaxAcqChn); ++c) {
        const int t = cfg.AcqChn[c].TxNumber, r = cfg.AcqChn[c].RxCoilNumber;
        if (t >= 1 && t <= txCount && r >= 1 && r <= rxCount)
            cells[static_cast<std::size_t>(t - 1)][static_cast<std::size_t>(r - 1)] = std::to_string(c);
    }
    return cells;
}

bool ChangeAcqChnCount(Configuration& cfg, std::string_view text, int& displayed, const KeyLookup& editor,
                       bool linkCurrents, Operator& op)
{
    const int n = intOr(text, 0);
    if (n <= 0)
        return false;
    if (n > MaxAcqChn) {
        op.inform("At most " + std::to_string(MaxAcqChn) + " acquisition channels can be used.");
        return false;
    }
    const int old = cfg.NumAcqChn;
    cfg.NumAcqChn = n;
    for (int c = std::max(old, 0) + 1; c <= n; ++c)
        CommitAcqChnKeyValues(cfg, c, editor, linkCurrents, op);
    if (displayed > n)
        displayed = 1;
    TxRxAliasAcqChnMapping(cfg, op);
    return true;
}

void ApplyLowMomentChoice(Configuration& cfg, AliasSelection& sel, Operator& op)
{
    if (sel.lm != 0) {
        sel.single = 0;
        if (sel.hm == sel.lm || sel.hm == 0)
            sel.hm = sel.lm == 2 ? 1 : 2;
        ensureTwoChannels(cfg);
    } else {
        sel.hm = 0;
        noMomentChosen(cfg, sel, op);
    }
    CommitAliases(cfg, sel, op);
}

void ApplyHighMomentChoice(Configuration& cfg, AliasSelection& sel, Operator& op)
{
    if (sel.hm != 0) {
        sel.single = 0;
        if (sel.lm == sel.hm || sel.lm == 0)
            sel.lm = sel.hm == 1 ? 2 : 1;
        ensureTwoChannels(cfg);
    } else {
        sel.lm = 0;
        noMomentChosen(cfg, sel, op);
    }
    CommitAliases(cfg, sel, op);
}

void ApplySingleChoice(Configuration& cfg, AliasSelection& sel, Operator& op)
{
    if (sel.single != 0) {
        sel.lm = 0;
        sel.hm = 0;
        cfg.NumTx = 1;
        setAllMomentsSingle(cfg);
    }
    CommitAliases(cfg, sel, op);
}

void CommitAliases(Configuration& cfg, const AliasSelection& sel, Operator& op)
{
    if (validTx(sel.single))
        cfg.Tx[sel.single].MomentID = TMomentID::SingleM;
    if (validTx(sel.lm))
        cfg.Tx[sel.lm].MomentID = TMomentID::LM;
    if (validTx(sel.hm))
        cfg.Tx[sel.hm].MomentID = TMomentID::HM;
    cfg.TxSingle = sel.single;
    cfg.TxLM = sel.lm;
    cfg.TxHM = sel.hm;
    TxRxAliasAcqChnMapping(cfg, op);
}

} // namespace tem
