#include "core/response/response_curves.h"

#include <algorithm>
#include <cmath>

#include "core/action_error.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"

namespace tem {

namespace {

constexpr double FixedAxesValues[] = {-1e8, -1e7, -1e6, -1e5, -1e4, -1000, -100, -10, -1,  -0.1, 0,
                                      0.1,  1,    10,   100,  1000, 1e4,   1e5,  1e6, 1e7, 1e8};

} // namespace

std::string CurveLabel(ResponseCurve curve, double amplitude)
{
    switch (curve) {
    case ResponseCurve::SystemResponse:
    case ResponseCurve::FieldData:
        return FormatSignificant(amplitude, 9, 6);
    case ResponseCurve::ForwardModel:
    case ResponseCurve::FieldMinusModel:
        return FormatScientific(amplitude, 0, 14);
    case ResponseCurve::SimulationEquation:
        return FormatScientific(amplitude, 12, 6);
    case ResponseCurve::Noise:
        return FormatFixed(amplitude * 1e6, 8, 3);
    }
    return FormatSignificant(amplitude, 9, 6);
}

std::optional<double> CurveLabelAmplitude(ResponseCurve curve, const std::string& label)
{
    const auto v = ParseFloat(label);
    if (!v || !std::isfinite(*v))
        return std::nullopt;
    return curve == ResponseCurve::Noise ? *v / 1e6 : *v;
}

double ArcSinhDisplay(double amplitude, double stretcher)
{
    return std::asinh(stretcher * 1e6 * amplitude);
}

std::vector<std::pair<double, std::string>> ArcSinhAxisLabels(double stretcher, double lo, double hi)
{
    std::vector<std::pair<double, std::string>> out;
    const auto add = [&](double v) {
        const double at = std::asinh(stretcher * v);
        if (at > lo && at < hi)
            out.emplace_back(at, FormatPrintfG(v, 8, 4));
    };
    // Below the fixed values, smaller decades as long as they stand clear of zero: the axis is
    // linear there, and a decade at less than half a unit would crowd the zero label.
    constexpr double Clear = 0.5;
    std::vector<double> small;
    if (stretcher > 0 && std::isfinite(stretcher))
        for (double v = 0.01; v >= 1e-12 && std::asinh(stretcher * v) >= Clear; v /= 10)
            small.push_back(v);
    for (double v : small) {
        add(-v);
        add(v);
    }
    for (double v : FixedAxesValues)
        if (!(std::fabs(v) == 0.1 && !(stretcher > 10)))
            add(v);
    std::sort(out.begin(), out.end());
    return out;
}

int ChannelGates(const Configuration& cfg, int channel)
{
    return std::clamp(cfg.Tx[cfg.AcqChn[channel].TxNumber].NoGates, 0, MaxGates);
}

CurvePoints MakeCurve(const Configuration& cfg, int channel, ResponseCurve curve,
                      const std::vector<double>& amplitudes)
{
    const TTimeBase& tb = cfg.TimeBase[cfg.Tx[cfg.AcqChn[channel].TxNumber].TimeBaseNumber];
    CurvePoints points;
    const int n = std::min<int>(int(amplitudes.size()), MaxGates);
    for (int g = 1; g <= n; ++g) {
        const double a = amplitudes[std::size_t(g - 1)];
        points.push_back({tb.GateCentre[g] * 1e6, a, CurveLabel(curve, a)});
    }
    return points;
}

CurvePoints StoredCurve(const Configuration& cfg, int channel, ResponseCurve curve)
{
    const TSystemResponse& s = cfg.SysResp[channel];
    std::vector<double> a;
    for (int g = 1; g <= ChannelGates(cfg, channel); ++g) {
        switch (curve) {
        case ResponseCurve::SystemResponse:
            a.push_back(s.SysRespAmplitudes[g]);
            break;
        case ResponseCurve::FieldData:
            a.push_back(s.FieldAmplitudes[g]);
            break;
        case ResponseCurve::ForwardModel:
            a.push_back(s.FwdModelAmplitudes[g]);
            break;
        case ResponseCurve::FieldMinusModel:
            a.push_back(s.FieldAmplitudes[g] - s.FwdModelAmplitudes[g]);
            break;
        case ResponseCurve::SimulationEquation:
            a.push_back(s.EqnModelAmplitudes[g]);
            break;
        case ResponseCurve::Noise:
            a.push_back(s.NoiseStdVperAm2[g]);
            break;
        }
    }
    return MakeCurve(cfg, channel, curve, a);
}

std::vector<double> CommittedAmplitudes(const CurvePoints& points, ResponseCurve, int gates)
{
    std::vector<double> out;
    for (int g = 1; g <= gates; ++g) {
        if (std::size_t(g - 1) >= points.size()) {
            out.push_back(1e-12);
            continue;
        }
        // The point's own number, not its label: a label shows only six or seven digits.
        const CurvePoint& p = points[std::size_t(g - 1)];
        if (!std::isfinite(p.amplitude))
            throw ConversionError("'" + Trim(p.label) + "' is not a valid floating point value (gate " +
                                  std::to_string(g) + ")");
        out.push_back(p.amplitude);
    }
    return out;
}

} // namespace tem
