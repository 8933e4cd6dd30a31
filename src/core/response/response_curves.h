#pragma once
// The curves of the system response window as data: each point is a gate time, the amplitude it
// stands for and that amplitude as text, its label. A commit stores the amplitudes, so a value
// the operator did not edit keeps every digit the label does not show. The chart draws amplitudes through an
// arcsinh transform that shows decays of either sign over many decades, with fixed axis labels.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tem {

struct Configuration;
struct TSystemResponse;

enum class ResponseCurve {
    SystemResponse,
    FieldData,
    ForwardModel,
    FieldMinusModel,
    SimulationEquation,
    Noise
};

struct CurvePoint {
    double timeUs = 0;    ///< gate centre, µs
    double amplitude = 0; ///< V/(A·m²)
    std::string label;    ///< the amplitude as text (the noise curve: µV/(A·m²))
};
using CurvePoints = std::vector<CurvePoint>;

inline constexpr double DefaultCrossoverStretcher = 100;

/// The text of a point: "%9g" for loaded and stored curves, "%e" for the forward model and the
/// difference, "%12.6e" for the equation, "%8.3f" of 10^6 x amplitude for the noise.
std::string CurveLabel(ResponseCurve curve, double amplitude);
/// The amplitude a label stands for (the noise label is in µV/(A·m²)); nothing when it is not a
/// number.
std::optional<double> CurveLabelAmplitude(ResponseCurve curve, const std::string& label);

/// Where an amplitude is drawn: arcsinh(stretcher x 10^6 x amplitude).
double ArcSinhDisplay(double amplitude, double stretcher);
/// The left axis labels, in order: for each fixed value v (-1e8 ... 1e8) whose position
/// arcsinh(stretcher x v) lies strictly between lo and hi, that position and "%8.4g" of v;
/// -0.1 and 0.1 only when stretcher > 10. Below 0.1 the decades +-0.01, +-0.001, ... follow as long
/// as they lie at least half a unit from zero, so the axis is labelled over its whole range.
std::vector<std::pair<double, std::string>> ArcSinhAxisLabels(double stretcher, double lo, double hi);

/// Gates of the channel's transmitter (0 .. MaxGates).
int ChannelGates(const Configuration& cfg, int channel);

/// A curve built from one of the channel's stored arrays, gates 1 .. its gate count (the field
/// minus model curve from FieldAmplitudes - FwdModelAmplitudes).
CurvePoints StoredCurve(const Configuration& cfg, int channel, ResponseCurve curve);
/// A curve of the given amplitudes at the channel's gates 1 .. amplitudes.size().
CurvePoints MakeCurve(const Configuration& cfg, int channel, ResponseCurve curve,
                      const std::vector<double>& amplitudes);

/// The amplitude of point g-1 of a curve for gate g = 1 .. gates: the point's number, never its
/// rounded label; 1e-12 where the curve has no such point. Throws ConversionError when a point's
/// amplitude is not a finite number.
std::vector<double> CommittedAmplitudes(const CurvePoints& points, ResponseCurve curve, int gates);

} // namespace tem
