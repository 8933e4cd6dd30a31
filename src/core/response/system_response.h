#pragma once
// The system-response model of an acquisition channel: the four-term equation, seeding the
// system response, the noise model, and the forward-model amplitudes from a single-model run.
// Amplitudes are in V/(A m^2), per gate 1 .. NoGates of the channel's transmitter.

#include <string>

#include "core/forward/forward_results.h"
#include "core/model/configuration.h"

namespace tem {

/// Sets the equation's defaults offered for a new response (LateTimeConst 0.0003, ..., receiver
/// delay 8.5 us).
void SetDefaultEquation(TSystemResponse& r);

/// Equation value at a gate centre (s) for a waveform ramp (s): RxInitMagn before 0.9 us after the
/// delay and ramp, else the four terms. A damping beyond 2 pi OscillFreq takes the over-damped
/// form: the cosine of the imaginary root becomes the hyperbolic cosine of the real one.
double EquationAmplitude(const TSystemResponse& r, double gateCentre, double ramp);
/// Fills EqnModelAmplitudes 1 .. NoGates of channel c. Throws ActionError for a channel whose
/// transmitter or time base is missing.
void CalcEquationModel(Configuration& cfg, int channel);

/// Seeds SysRespAmplitudes 1 .. points: seed type 0 field minus forward model, 1 the equation;
/// then Seed0FwdOr1Eqn and SysRespExists.
void SeedSystemResponse(TSystemResponse& r, int seedType, int points);

/// Noise standard deviation (V/(A m^2)) at a gate centre (s): N * t_ms^s. With `floored`, t_ms
/// and 1000 N are raised to 1e-15 before the logarithms; without, a level or time of zero or
/// below gives 0.
double NoiseStd(double noiseAt1ms, double slope, double gateCentre, bool floored);
/// Fills NoiseStdVperAm2 1 .. NoGates of channel c from its noise level and slope.
void CalcNoiseModel(Configuration& cfg, int channel, bool floored);
/// The noise edits committed: level and slope read from text (unreadable: levelFallback, -0.5)
/// into the channel's record, then its noise model.
/// The same from numbers already read (a level or slope that is not finite takes the fallbacks).
void CommitNoiseValues(Configuration& cfg, int channel, double level, double slope, double levelFallback,
                       bool floored);
void CommitNoiseEdits(Configuration& cfg, int channel, const std::string& levelText,
                      const std::string& slopeText, double levelFallback, bool floored);
inline constexpr double ForwardWindowNoiseFallback = 2e-8;
inline constexpr double ResponseWindowNoiseFallback = 2e-10;

/// After a single-model run: FwdModelAmplitudes[drivenGatesInRamp + k] := dB/dt of model 0,
/// returned gate k, channel c, for k = 1 .. NoGates - drivenGatesInRamp (and the gates returned);
/// entries 1 .. drivenGatesInRamp keep their values.
void FwdModelAmplitudesFromRun(Configuration& cfg, int channel, const ForwardResults& results);

} // namespace tem
