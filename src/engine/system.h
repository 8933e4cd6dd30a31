#pragma once
// The measuring system around the loop: the transmitter current waveform, the receiver's
// Butterworth filters and the time gates. Turns the step-off response of the earth into gate
// values:
//   the current is piecewise linear (it holds its first amplitude before the first point and its
//   last after the last); a ramp of slope s from t0 to t1 adds s (b(t - t1) - b(t - t0)) to dB/dt,
//   a jump J at T adds J r(t - T), with b the step-off response (b = its zero-frequency value
//   before the switch-off) and r = -db/dt;
//   the value reported is -dB/dt along the receiver axis (positive over a half-space at the centre
//   of the loop after turn-off) averaged over each gate from its start to its end.

#include <complex>
#include <vector>

#include "engine/source.h"
#include "engine/transform.h"

namespace tem::engine {

/// One linear piece of the waveform: relative current a0 at time t0 to a1 at t1 (s).
struct SubWave {
    double t0 = 0, t1 = 0, a0 = 0, a1 = 0;
    bool operator==(const SubWave&) const = default;
};

/// An n-th order Butterworth low-pass filter on the received signal.
struct ButterworthFilter {
    int order = 1;
    double cutoff_hz = 0;
    bool operator==(const ButterworthFilter&) const = default;
};

/// A time gate, s, in the waveform's time origin.
struct Gate {
    double centre = 0, start = 0, end = 0;
    bool operator==(const Gate&) const = default;
};

/// Everything the engine needs to know about one TEM system (one channel).
struct TemSystem {
    LoopAndReceiver geometry;
    std::vector<SubWave> waveform;
    std::vector<ButterworthFilter> filters;
    std::vector<Gate> gates;
};

/// Product of the filters' transfer functions at angular frequency omega (rad/s).
std::complex<double> FilterTransfer(const std::vector<ButterworthFilter>& filters, double omega);

/// A change of the current: a ramp from `start` to `end` with `rate` (1/s), or, when `end` ==
/// `start`, a jump of `rate` (relative current).
struct CurrentChange {
    double start = 0, end = 0, rate = 0;
    bool jump() const { return end == start; }
};

/// The changes of a waveform, in time order; flat pieces are left out.
std::vector<CurrentChange> CurrentChanges(const std::vector<SubWave>& waveform);

/// A time at which the response is sampled and its weight in the gate's mean.
struct GateSample {
    double time = 0, weight = 0;
};

/// Gauss-Legendre samples of each gate's mean, with the gate cut at the waveform's corners and
/// graded towards the corner before each piece, where the response changes fastest. Parts of a
/// gate before the first change of the current are left out (the response is zero there).
std::vector<std::vector<GateSample>> SampleGates(const std::vector<Gate>& gates,
                                                 const std::vector<CurrentChange>& changes, int points);

/// The earth's response to switching one ampere off, at any positive time, from its values on
/// the lattice times (sixth-order Lagrange interpolation in log time, which also gives r).
class StepOffResponse {
  public:
    StepOffResponse(TimeNodes nodes, double spacing, double static_value);
    double StepOff(double time) const; ///< b(t), T/A; the static value for t <= 0
    double Impulse(double time) const; ///< r(t) = -db/dt, T/(A s); 0 for t <= 0

  private:
    TimeNodes nodes_;
    double spacing_;
    double static_value_;
};

/// -dB/dt (V/(A m^2)) at time t for the current changes.
double ReportedResponse(const StepOffResponse& response, const std::vector<CurrentChange>& changes,
                        double time);

} // namespace tem::engine
