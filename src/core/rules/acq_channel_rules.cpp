#include "core/rules/acq_channel_rules.h"

#include <algorithm>
#include <limits>
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

// The rows of the channel key/value editor are the lines of the channel's record table that it
// shows, in table order: a line with a member is a plain row (a number that names a record is kept
// inside the table's range), a line with an editor rule is one of the channel's transmitter's
// values or one of the per-gate lists.

/// The list an editor rule shows; nullptr for a transmitter value.
std::vector<double> TAcqChn::*ListOf(AcqChnEditorRule rule)
{
    switch (rule) {
    case AcqChnEditorRule::GateConstants:
        return &TAcqChn::GateConstants;
    case AcqChnEditorRule::GateFactors:
        return &TAcqChn::GateFactors;
    case AcqChnEditorRule::GateSTDs:
        return &TAcqChn::GateSTDs;
    case AcqChnEditorRule::TimebaseNumber:
    case AcqChnEditorRule::SignPattern:
    case AcqChnEditorRule::NoGates:
    case AcqChnEditorRule::RepFreq:
    case AcqChnEditorRule::LowPassFilter:
        break;
    }
    return nullptr;
}

/// The text of a plain channel field as the editor shows it.
std::string FieldText(const TAcqChn& a, const RecordField<TAcqChn>& field)
{
    return std::visit(
        [&](auto member) -> std::string {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, double TAcqChn::*>)
                return FormatGeneral(a.*member);
            else if constexpr (std::is_same_v<M, int TAcqChn::*>)
                return std::to_string(a.*member);
            else if constexpr (std::is_same_v<M, bool TAcqChn::*>)
                return a.*member ? "1" : "0";
            else if constexpr (std::is_same_v<M, std::string TAcqChn::*>)
                return a.*member;
            else
                return {};
        },
        field.member);
}

/// Stores typed text in a plain channel field: numbers that are not give the line's fallback, a
/// number that names a record outside the table's range is refused with a message.
void SetFieldText(TAcqChn& a, const RecordField<TAcqChn>& field, const std::string& text, Operator& op)
{
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, double TAcqChn::*>) {
                a.*member = floatOr(text, field.EditorFallback());
            } else if constexpr (std::is_same_v<M, int TAcqChn::*>) {
                const int typed = intOr(text, static_cast<int>(field.EditorFallback()));
                if (field.Ranged())
                    storeIndex(a.*member, field.name, typed, field.lo, field.hi, op);
                else
                    a.*member = typed;
            } else if constexpr (std::is_same_v<M, bool TAcqChn::*>) {
                a.*member = intOr(text, field.EditorFallback() != 0 ? 1 : 0) != 0;
            } else if constexpr (std::is_same_v<M, std::string TAcqChn::*>) {
                a.*member = field.view.trimmed ? Trim(text) : text;
            }
        },
        field.member);
}

} // namespace

KeyValueRows AcqChnKeyValues(const Configuration& cfg, int channel)
{
    const TAcqChn& a = cfg.AcqChn[channel];
    // A channel read from a damaged file may name no transmitter; its transmitter keys stay blank.
    const TTransmitter* tx = validTx(a.TxNumber) ? &cfg.Tx[a.TxNumber] : nullptr;

    KeyValueRows rows;
    for (const RecordField<TAcqChn>* field : EditorRows(AcqChnFields())) {
        std::string text;
        if (!field->view.rule) {
            text = FieldText(a, *field);
        } else if (const auto list = ListOf(*field->view.rule)) {
            text = GateListText(a.*list);
        } else if (tx) {
            switch (*field->view.rule) {
            case AcqChnEditorRule::TimebaseNumber:
                text = std::to_string(tx->TimeBaseNumber);
                break;
            case AcqChnEditorRule::SignPattern:
                text = SignPatternText(*tx);
                break;
            case AcqChnEditorRule::NoGates:
                text = std::to_string(tx->NoGates);
                break;
            case AcqChnEditorRule::RepFreq:
                text = FormatGeneral(tx->FullWaveformRepetitionFrequency);
                break;
            case AcqChnEditorRule::LowPassFilter:
                text = LowPassFilterText(*tx);
                break;
            case AcqChnEditorRule::GateConstants:
            case AcqChnEditorRule::GateFactors:
            case AcqChnEditorRule::GateSTDs:
                break; // the lists, above
            }
        }
        rows.emplace_back(std::string(field->name), std::move(text));
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
    for (const RecordField<TAcqChn>* field : EditorRows(AcqChnFields())) {
        const std::string_view key = field->name;
        if (!field->view.rule) {
            SetFieldText(a, *field, value(key), op);
            continue;
        }
        if (const auto list = ListOf(*field->view.rule)) {
            a.*list = numberList(value(key), field->EditorFallback());
            continue;
        }
        // The transmitter keys go to the transmitter the channel names (just committed above them).
        TTransmitter* tx = validTx(a.TxNumber) ? &cfg.Tx[a.TxNumber] : nullptr;
        switch (*field->view.rule) {
        case AcqChnEditorRule::SignPattern: {
            // Parsed (and its message given) also without a transmitter.
            const std::vector<int> sign = ParseSignPattern(value(key), op);
            if (tx)
                tx->SignPattern = sign;
            break;
        }
        case AcqChnEditorRule::TimebaseNumber:
            if (tx)
                storeIndex(tx->TimeBaseNumber, key, intOr(value(key), 1), 1, MaxTimeBases, op);
            break;
        case AcqChnEditorRule::NoGates:
            if (tx)
                storeIndex(tx->NoGates, key, intOr(value(key), 1), 0, MaxGates, op);
            break;
        case AcqChnEditorRule::RepFreq:
            if (tx)
                tx->FullWaveformRepetitionFrequency = floatOr(value(key), 30);
            break;
        case AcqChnEditorRule::LowPassFilter:
            if (tx) {
                const std::vector<std::string> lp = SplitListValue(value(key));
                tx->LPFilterOrderandCutoff[0] = lp.size() > 0 ? floatOr(lp[0], 1) : 1;
                tx->LPFilterOrderandCutoff[1] = lp.size() > 1 ? floatOr(lp[1], 30000) : 30000;
            }
            break;
        case AcqChnEditorRule::GateConstants:
        case AcqChnEditorRule::GateFactors:
        case AcqChnEditorRule::GateSTDs:
            break; // the lists, above
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
