#include "core/editor/acq_channel_rules.h"

#include <algorithm>
#include <limits>

#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/derived.h"
#include "core/operator.h"

namespace tem {

namespace {

bool validTx(int t)
{
    return t >= 1 && t <= MaxTx;
}

std::string joinNumbers(const std::vector<double>& v)
{
    std::string s;
    for (double x : v) {
        if (!s.empty())
            s += ' ';
        s += FormatGeneral(x);
    }
    return s;
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

KeyValueRows AcqChnKeyValues(const Configuration& cfg, int channel)
{
    const TAcqChn& a = cfg.AcqChn[channel];
    // A channel read from a damaged file may name no transmitter; its transmitter keys stay blank.
    const TTransmitter* tx = validTx(a.TxNumber) ? &cfg.Tx[a.TxNumber] : nullptr;
    auto txText = [&](auto f) { return tx ? f(*tx) : std::string(); };

    std::string sign;
    if (tx)
        for (int s : tx->SignPattern)
            if (s == 1 || s == -1)
                sign += (sign.empty() ? "" : " ") + std::to_string(s);

    return {
        {"RowID", a.RowID},
        {"Description", a.Description},
        {"RxCoilNumber", std::to_string(a.RxCoilNumber)},
        {"ReceiverPolarizationXYZ", a.ReceiverPolarizationXYZ},
        {"TransmitterMoment", a.TransmitterMoment},
        {"TxNumber", std::to_string(a.TxNumber)},
        {"TimebaseNumber", txText([](const TTransmitter& t) { return std::to_string(t.TimeBaseNumber); })},
        {"AtoDConvGain", FormatGeneral(a.AtoDConvGain)},
        {"GateTimeShift", FormatGeneral(a.GateTimeShift)},
        {"GateFactor", FormatGeneral(a.GateFactor)},
        {"SystemResponseConvolution", std::to_string(a.SystemResponseConvolution)},
        {"RemoveInitialGates", std::to_string(a.RemoveInitialGates)},
        {"RemoveGatesFrom", std::to_string(a.RemoveGatesFrom)},
        {"PrimaryFieldDampingFactor", FormatGeneral(a.PrimaryFieldDampingFactor)},
        {"UniformDataSTD", FormatGeneral(a.UniformDataSTD)},
        {"MeaTimeDelay", FormatGeneral(a.MeaTimeDelay)},
        {"SignPattern", sign},
        {"NoGates", txText([](const TTransmitter& t) { return std::to_string(t.NoGates); })},
        {"FullWaveformRepFreq",
         txText([](const TTransmitter& t) { return FormatGeneral(t.FullWaveformRepetitionFrequency); })},
        {"FrontGatetime", FormatGeneral(a.FrontGatetime)},
        {"TiBLowPassFilter", txText([](const TTransmitter& t) {
             return FormatGeneral(t.LPFilterOrderandCutoff[0]) + " " +
                    FormatGeneral(t.LPFilterOrderandCutoff[1]);
         })},
        {"TxApproximateCurrent", FormatGeneral(a.TxApproximateCurrent)},
        {"GateConstants", joinNumbers(a.GateConstants)},
        {"GateFactors", joinNumbers(a.GateFactors)},
        {"GateSTDs", joinNumbers(a.GateSTDs)},
    };
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
    a.RowID = value("RowID");
    a.Description = value("Description");
    storeIndex(a.RxCoilNumber, "RxCoilNumber", intOr(value("RxCoilNumber"), 1), 1, MaxRx, op);
    a.ReceiverPolarizationXYZ = Trim(value("ReceiverPolarizationXYZ"));
    a.TransmitterMoment = Trim(value("TransmitterMoment"));
    storeIndex(a.TxNumber, "TxNumber", intOr(value("TxNumber"), 1), 1, MaxTx, op);
    // The transmitter keys go to the transmitter just named.
    const bool haveTx = validTx(a.TxNumber);
    TTransmitter* tx = haveTx ? &cfg.Tx[a.TxNumber] : nullptr;
    if (tx)
        storeIndex(tx->TimeBaseNumber, "TimebaseNumber", intOr(value("TimebaseNumber"), 1), 1, MaxTimeBases,
                   op);
    a.AtoDConvGain = floatOr(value("AtoDConvGain"), 1);
    a.GateTimeShift = floatOr(value("GateTimeShift"), 0);
    a.GateFactor = floatOr(value("GateFactor"), 1);
    a.SystemResponseConvolution = intOr(value("SystemResponseConvolution"), 0);
    a.RemoveInitialGates = intOr(value("RemoveInitialGates"), 0);
    a.RemoveGatesFrom = intOr(value("RemoveGatesFrom"), 0);
    a.PrimaryFieldDampingFactor = floatOr(value("PrimaryFieldDampingFactor"), 1);
    a.UniformDataSTD = floatOr(value("UniformDataSTD"), 0.03);
    a.MeaTimeDelay = floatOr(value("MeaTimeDelay"), 0);
    const std::vector<int> sign = ParseSignPattern(value("SignPattern"), op);
    if (tx) {
        tx->SignPattern = sign;
        storeIndex(tx->NoGates, "NoGates", intOr(value("NoGates"), 1), 0, MaxGates, op);
        tx->FullWaveformRepetitionFrequency = floatOr(value("FullWaveformRepFreq"), 30);
    }
    a.FrontGatetime = floatOr(value("FrontGatetime"), -1);
    if (tx) {
        const std::vector<std::string> lp = SplitListValue(value("TiBLowPassFilter"));
        tx->LPFilterOrderandCutoff[0] = lp.size() > 0 ? floatOr(lp[0], 1) : 1;
        tx->LPFilterOrderandCutoff[1] = lp.size() > 1 ? floatOr(lp[1], 30000) : 30000;
    }
    a.TxApproximateCurrent = floatOr(value("TxApproximateCurrent"), 1);
    cfg.LinkTxApproximateCurrenttoTxAmps = linkCurrents;
    if (linkCurrents) {
        for (int t = 1; t <= std::min(cfg.NumTx, MaxTx); ++t)
            for (int r = 1; r <= std::min(cfg.NumRx, MaxRx); ++r) {
                const int l = cfg.AcqChnMapTxRx[t][r];
                if (l >= 1 && l <= MaxAcqChn && cfg.AcqChn[l].TxApproximateCurrent > 0)
                    cfg.Tx[t].Amps = cfg.AcqChn[l].TxApproximateCurrent;
            }
    }
    a.GateConstants = numberList(value("GateConstants"), 0);
    a.GateFactors = numberList(value("GateFactors"), 1);
    a.GateSTDs = numberList(value("GateSTDs"), 0);
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
