#include "core/model/derived.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "core/model/configuration.h"
#include "core/operator.h"

namespace tem {

namespace {

// The counts come from files and windows and may be anything; every loop below runs only over
// entries the model can hold, so an absurd count never reaches an array index.
int usedTx(const Configuration& cfg)
{
    return std::clamp(cfg.NumTx, 0, MaxTx);
}
int usedRx(const Configuration& cfg)
{
    return std::clamp(cfg.NumRx, 0, MaxRx);
}
int usedAcqChn(const Configuration& cfg)
{
    return std::clamp(cfg.NumAcqChn, 0, MaxAcqChn);
}

/// The loop's reference axis: AxisOrient trimmed and in upper case.
char planeAxis(const std::string& axisOrient)
{
    std::string s;
    for (char ch : axisOrient)
        if (!std::isspace(static_cast<unsigned char>(ch)))
            s += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (s == "X" || s == "Y" || s == "Z")
        return s[0];
    return 0;
}

void deriveTransmitter(TTransmitter& tx)
{
    // Vertices 0..n-1 and the closing vertex at n; n is kept within what the arrays hold
    // (index 99 is the last, so at most 99 vertices) without changing LoopSides itself.
    const int n = std::clamp(tx.LoopSides, 0, MaxLoopSides);
    tx.NodeX[n] = tx.NodeX[0];
    tx.NodeY[n] = tx.NodeY[0];
    tx.NodeZ[n] = tx.NodeZ[0];

    const char axis = planeAxis(tx.AxisOrient);
    // (u, v) spans the plane of the loop, w is the coordinate along the reference axis.
    auto& u = axis == 'X' ? tx.NodeZ : tx.NodeX;
    auto& v = axis == 'Y' ? tx.NodeZ : tx.NodeY;
    auto& w = axis == 'X' ? tx.NodeX : axis == 'Y' ? tx.NodeY : tx.NodeZ;

    double s = 0;
    if (axis != 0) {
        for (int i = 0; i < n; ++i)
            s += u[i] * v[i + 1] - u[i + 1] * v[i];
        s *= 0.5;
    }

    tx.Area = std::fabs(s);
    tx.EquivalentSquareLoopSide = std::sqrt(tx.Area);
    tx.Power = tx.Volts * tx.Amps;
    tx.Resistance = tx.Amps == 0 ? 9999 : tx.Volts / tx.Amps;
    tx.MomentNIA = tx.Turns * tx.Amps * tx.Area;

    if (tx.Area == 0) {
        tx.CentroidX = tx.CentroidY = tx.CentroidZ = 0;
        return;
    }
    double su = 0, sv = 0, sw = 0;
    for (int i = 0; i < n; ++i) {
        const double c = u[i] * v[i + 1] - u[i + 1] * v[i];
        su += c * (u[i] + u[i + 1]);
        sv += c * (v[i] + v[i + 1]);
        sw += w[i];
    }
    const double cu = su / (6 * s), cv = sv / (6 * s), cw = sw / n; // n >= 3 when Area is not 0
    switch (axis) {
    case 'Z':
        tx.CentroidX = cu, tx.CentroidY = cv, tx.CentroidZ = cw;
        break;
    case 'X':
        tx.CentroidZ = cu, tx.CentroidY = cv, tx.CentroidX = cw;
        break;
    default: // 'Y'
        tx.CentroidX = cu, tx.CentroidZ = cv, tx.CentroidY = cw;
        break;
    }
}

} // namespace

void CalculateDrivenVariables(Configuration& cfg, Operator& op)
{
    for (int t = 1; t <= usedTx(cfg); ++t)
        deriveTransmitter(cfg.Tx[t]);
    for (int c = 1; c <= usedAcqChn(cfg); ++c)
        CalcGatesInRamp(cfg, c, op);
}

int GatesInRamp(const Configuration& cfg, int channel)
{
    if (!cfg.SysResp.contains(channel))
        return 0;
    const TAcqChn& chn = cfg.AcqChn[channel];
    const int t = chn.TxNumber;
    // A channel without a transmitter or time base the model can hold has no gates to count; the
    // mapping reports such channels.
    if (!cfg.Tx.contains(t))
        return 0;
    const TTransmitter& tx = cfg.Tx[t];
    if (!cfg.TimeBase.contains(tx.TimeBaseNumber))
        return 0;
    const TTimeBase& base = cfg.TimeBase[tx.TimeBaseNumber];
    const double limit = 1.1 * cfg.TxWaveform[t].drivenRamp;
    // 1.1 x ramp is not exact in binary: 1.1 x 10 us comes out a hair above 11 us. A gate that
    // starts at exactly 110 % of the ramp must not count, so "before" means before by more than
    // rounding (far below a nanosecond for any real ramp).
    const double rounding = 1e-12 * std::fabs(limit);
    const int gates = std::min(tx.NoGates, MaxGates);
    int n = 0;
    for (int g = 1; g <= gates; ++g) {
        const double start = base.drivenGateStart[g] - chn.GateTimeShift + chn.MeaTimeDelay;
        if (!(limit - start > rounding))
            break;
        ++n;
    }
    return n;
}

void CalcGatesInRamp(Configuration& cfg, int channel, Operator& op)
{
    if (!cfg.SysResp.contains(channel))
        return;
    const int t = cfg.AcqChn[channel].TxNumber;
    if (cfg.Tx.contains(t) && cfg.Tx[t].NoGates == 0)
        op.inform("NoGates is zero for transmitter " + std::to_string(t) +
                  ". It needs initializing and this should have happened automatically but did not");
    cfg.SysResp[channel].drivenGatesInRamp = GatesInRamp(cfg, channel);
}

void TxRxAliasAcqChnMapping(Configuration& cfg, Operator& op)
{
    for (auto& row : cfg.AcqChnMapTxRx)
        row.fill(0);
    const int numTx = usedTx(cfg), numRx = usedRx(cfg);
    for (int c = 1; c <= usedAcqChn(cfg); ++c) {
        const TAcqChn& chn = cfg.AcqChn[c];
        // Numbers below 1 name no transmitter or receiver either; they are reported the same way.
        if (chn.TxNumber < 1 || chn.TxNumber > numTx || chn.RxCoilNumber < 1 || chn.RxCoilNumber > numRx) {
            op.inform("Acquisition Channel " + std::to_string(c) +
                      " Sources a Transmitter or Receiver that exceeds Tx or Rx count.");
            continue;
        }
        cfg.AcqChnMapTxRx[chn.TxNumber][chn.RxCoilNumber] = c;
    }

    // The role numbers follow the transmitters; TxOther belongs to the readers and stays as it is.
    cfg.TxSingle = cfg.TxLM = cfg.TxHM = 0;
    const int other = cfg.TxOther;
    for (int t = 1; t <= numTx; ++t)
        RecordTransmitterRole(cfg, t);
    cfg.TxOther = other;
}

void CheckTxMomentTxNumberMatch(Configuration& cfg, Operator& op)
{
    for (int c = 1; c <= usedAcqChn(cfg); ++c) {
        TAcqChn& chn = cfg.AcqChn[c];
        // Without a transmitter entry there is no moment to agree with; the mapping reports it.
        if (!cfg.Tx.contains(chn.TxNumber))
            continue;
        const std::string expected(Name(cfg.Tx[chn.TxNumber].MomentID));
        const auto given = MomentIDFromName(chn.TransmitterMoment);
        if (!given || *given == TMomentID::Bogus) {
            op.inform("The transmitter moment " + chn.TransmitterMoment +
                      " entered was not a recognizable identifier. Transmitter Moment will be "
                      "overwritten by Tx[TxNumber].MomentID");
            chn.TransmitterMoment = expected;
        }
        if (chn.TransmitterMoment != expected) {
            op.inform(
                "TransmitterMoment and TxNumber must be in agreement - TransmitterMoment is being changed");
            chn.TransmitterMoment = expected;
        }
    }
}

} // namespace tem

namespace tem {

bool CheckGEXMomentCombination(const Configuration& cfg, Operator& op)
{
    const auto moment = [&cfg](int t) { return cfg.Tx[t].MomentID; };
    if (cfg.NumTx == 1 && moment(1) == TMomentID::SingleM)
        return true;
    if (cfg.NumTx == 2 && moment(1) == TMomentID::LM && moment(2) == TMomentID::HM)
        return true;
    if (cfg.NumTx == 2 && moment(1) == TMomentID::HM && moment(2) == TMomentID::LM) {
        op.inform(
            "GEX file has a convention that TxDef = LM (Low Moment) and TxAux = HM (High Moment). You have "
            "reversed them. The reverse order can be specified like this using [Channel#] section keyword "
            "TRANSMITTER MOMENT");
        return true;
    }
    op.inform(
        "GEX supports only TxDef = SingleM Moment, or TxDef = LM and TxAux = HM. Other combinations are not "
        "conventional. ABORTING: GEX NOT Saved");
    return false;
}

void RecordTransmitterRole(Configuration& cfg, int t)
{
    switch (cfg.Tx[t].MomentID) {
    case TMomentID::SingleM:
        cfg.TxSingle = t;
        break;
    case TMomentID::LM:
        cfg.TxLM = t;
        break;
    case TMomentID::HM:
        cfg.TxHM = t;
        break;
    case TMomentID::Other:
        cfg.TxOther = t;
        break;
    default:
        break;
    }
}

} // namespace tem
