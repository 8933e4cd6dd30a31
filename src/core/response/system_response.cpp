#include "core/response/system_response.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/action_error.h"
#include "core/files/value_forms.h"

namespace tem {

namespace {

/// The channel's transmitter, checked.
const TTransmitter& channelTransmitter(const Configuration& cfg, int c)
{
    if (c < 1 || c > MaxAcqChn)
        throw ActionError("There is no acquisition channel " + std::to_string(c) + ".");
    const int t = cfg.AcqChn[c].TxNumber;
    if (t < 1 || t > MaxTx)
        throw ActionError("Channel " + std::to_string(c) + ": its transmitter " + std::to_string(t) +
                          " does not exist.");
    const TTransmitter& tx = cfg.Tx[t];
    if (tx.TimeBaseNumber < 1 || tx.TimeBaseNumber > MaxTimeBases)
        throw ActionError("Channel " + std::to_string(c) + ": its transmitter " + std::to_string(t) +
                          " has no time base.");
    return tx;
}

int gatesOf(const TTransmitter& tx)
{
    return std::clamp(tx.NoGates, 0, MaxGates);
}

} // namespace

void SetDefaultEquation(TSystemResponse& r)
{
    r.LateTimeConst = 0.0003;
    r.LateInitMagn = 0.0000003;
    r.RxTimeConst = 0.0000003;
    r.RxInitMagn = 0.002;
    r.OscillInitMagn = 0.0000001;
    r.OscillFreq = 12000;
    r.OscillDamp = 8000;
    r.LowPassFreq = 60000;
    r.LowPassOrder = 1;
    r.SimulRxDelay_uS = 8.5;
}

double EquationAmplitude(const TSystemResponse& r, double gateCentre, double ramp)
{
    const double tau = gateCentre - r.SimulRxDelay_uS * 1e-6 - ramp;
    if (tau < 9e-7)
        return r.RxInitMagn;
    const double w2 = std::pow(2 * std::numbers::pi * r.OscillFreq, 2) - r.OscillDamp * r.OscillDamp;
    // Past critical damping the roots are real: exp(-a t) cos(w t) becomes exp(-a t) cosh(b t) with
    // b = sqrt(a^2 - (2 pi f)^2) < a, written as two decaying exponentials so that neither
    // factor overflows at late times.
    double oscillation;
    if (w2 >= 0) {
        oscillation = std::exp(-r.OscillDamp * tau) * std::cos(std::sqrt(w2) * tau);
    } else {
        const double b = std::sqrt(-w2);
        oscillation = 0.5 * (std::exp((b - r.OscillDamp) * tau) + std::exp(-(b + r.OscillDamp) * tau));
    }
    const double late = r.LateTimeConst != 0 ? r.LateInitMagn * std::exp(-tau / r.LateTimeConst) : 0.0;
    const double rx = r.RxTimeConst != 0 ? r.RxInitMagn * std::exp(-tau / r.RxTimeConst) : 0.0;
    return late + rx + r.OscillInitMagn * oscillation +
           r.RxInitMagn * std::exp(-2 * std::numbers::pi * r.LowPassFreq * tau);
}

void CalcEquationModel(Configuration& cfg, int c)
{
    const TTransmitter& tx = channelTransmitter(cfg, c);
    const TTimeBase& tb = cfg.TimeBase[tx.TimeBaseNumber];
    const double ramp = cfg.TxWaveform[cfg.AcqChn[c].TxNumber].drivenRamp;
    TSystemResponse& r = cfg.SysResp[c];
    for (int g = 1; g <= gatesOf(tx); ++g)
        r.EqnModelAmplitudes[g] = EquationAmplitude(r, tb.GateCentre[g], ramp);
}

void SeedSystemResponse(TSystemResponse& r, int seedType, int points)
{
    points = std::clamp(points, 0, MaxGates);
    for (int g = 1; g <= points; ++g)
        r.SysRespAmplitudes[g] =
            seedType == 0 ? r.FieldAmplitudes[g] - r.FwdModelAmplitudes[g] : r.EqnModelAmplitudes[g];
    r.Seed0FwdOr1Eqn = seedType;
    r.SysRespExists = true;
}

double NoiseStd(double N, double s, double gateCentre, bool floored)
{
    double tms = 1000 * gateCentre;
    double level = 1000 * N;
    if (floored) {
        tms = std::max(tms, 1e-15);
        level = std::max(level, 1e-15);
    } else if (!(tms > 0) || !(level > 0)) {
        return 0;
    }
    return std::pow(10.0, s * std::log10(tms) + std::log10(level)) / 1000;
}

void CalcNoiseModel(Configuration& cfg, int c, bool floored)
{
    const TTransmitter& tx = channelTransmitter(cfg, c);
    const TTimeBase& tb = cfg.TimeBase[tx.TimeBaseNumber];
    TSystemResponse& r = cfg.SysResp[c];
    for (int g = 1; g <= gatesOf(tx); ++g)
        r.NoiseStdVperAm2[g] =
            NoiseStd(r.NoiseAt1mSinVperAm2, r.NoiseLogLogSlopeinVperS, tb.GateCentre[g], floored);
}

void CommitNoiseEdits(Configuration& cfg, int c, const std::string& levelText, const std::string& slopeText,
                      double levelFallback, bool floored)
{
    const auto nan = std::numeric_limits<double>::quiet_NaN();
    CommitNoiseValues(cfg, c, ParseFloat(levelText).value_or(nan), ParseFloat(slopeText).value_or(nan),
                      levelFallback, floored);
}

void CommitNoiseValues(Configuration& cfg, int c, double level, double slope, double levelFallback,
                       bool floored)
{
    channelTransmitter(cfg, c);
    TSystemResponse& r = cfg.SysResp[c];
    r.NoiseAt1mSinVperAm2 = std::isfinite(level) ? level : levelFallback;
    r.NoiseLogLogSlopeinVperS = std::isfinite(slope) ? slope : -0.5;
    CalcNoiseModel(cfg, c, floored);
}

void FwdModelAmplitudesFromRun(Configuration& cfg, int c, const ForwardResults& results)
{
    const TTransmitter& tx = channelTransmitter(cfg, c);
    TSystemResponse& r = cfg.SysResp[c];
    if (results.dBdtTEM.models() < 1 || c > results.dBdtTEM.channels())
        return;
    const int ramp = r.drivenGatesInRamp;
    const int count = std::min({gatesOf(tx) - ramp, results.FwdModelOutputGates[c], results.dBdtTEM.gates()});
    for (int k = 1; k <= count; ++k)
        r.FwdModelAmplitudes[ramp + k] = results.dBdtTEM(0, k, c);
}

} // namespace tem
