#include "engine/system.h"

#include <algorithm>
#include <cmath>

#include "engine/constants.h"
#include "engine/quadrature.h"

namespace tem::engine {

std::complex<double> FilterTransfer(const std::vector<ButterworthFilter>& filters, double omega)
{
    std::complex<double> total(1, 0);
    for (const ButterworthFilter& f : filters) {
        std::complex<double> s(0, omega / (2 * Pi * f.cutoff_hz));
        std::complex<double> denominator(1, 0);
        for (int k = 1; k <= f.order; ++k) {
            double angle = Pi * (2 * k + f.order - 1) / (2.0 * f.order);
            denominator *= s - std::polar(1.0, angle);
        }
        total /= denominator;
    }
    return total;
}

std::vector<CurrentChange> CurrentChanges(const std::vector<SubWave>& waveform)
{
    std::vector<CurrentChange> changes;
    for (std::size_t i = 0; i < waveform.size(); ++i) {
        const SubWave& w = waveform[i];
        if (i > 0 && w.a0 != waveform[i - 1].a1)
            changes.push_back({w.t0, w.t0, w.a0 - waveform[i - 1].a1});
        if (w.t1 > w.t0) {
            double rate = (w.a1 - w.a0) / (w.t1 - w.t0);
            if (rate != 0)
                changes.push_back({w.t0, w.t1, rate});
        } else if (w.a1 != w.a0) {
            changes.push_back({w.t0, w.t0, w.a1 - w.a0});
        }
    }
    return changes;
}

std::vector<std::vector<GateSample>> SampleGates(const std::vector<Gate>& gates,
                                                 const std::vector<CurrentChange>& changes, int points)
{
    std::vector<double> corners;
    for (const CurrentChange& c : changes) {
        corners.push_back(c.start);
        corners.push_back(c.end);
    }
    std::sort(corners.begin(), corners.end());
    corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    const QuadratureRule rule = GaussLegendre(points);

    std::vector<std::vector<GateSample>> all;
    all.reserve(gates.size());
    for (const Gate& gate : gates) {
        std::vector<GateSample> samples;
        const double width = gate.end - gate.start;
        if (!(width > 0)) {
            samples.push_back({gate.start, 1.0});
            all.push_back(std::move(samples));
            continue;
        }
        std::vector<double> breaks{gate.start};
        for (double c : corners)
            if (c > gate.start && c < gate.end)
                breaks.push_back(c);
        breaks.push_back(gate.end);
        for (std::size_t b = 0; b + 1 < breaks.size(); ++b) {
            const double p0 = breaks[b], p1 = breaks[b + 1];
            auto after = std::upper_bound(corners.begin(), corners.end(), p0);
            if (after == corners.begin())
                continue; // before the current first changes: no response
            const double corner = *(after - 1);
            // Pieces [lo, hi] with hi - corner at most twice lo - corner.
            double hi = p1;
            for (int level = 0; level < 30 && hi > p0; ++level) {
                double lo = level == 29 ? p0 : std::max(p0, corner + 0.5 * (hi - corner));
                for (std::size_t q = 0; q < rule.nodes.size(); ++q)
                    samples.push_back({lo + 0.5 * (hi - lo) * (rule.nodes[q] + 1),
                                       0.5 * (hi - lo) * rule.weights[q] / width});
                hi = lo;
            }
        }
        all.push_back(std::move(samples));
    }
    return all;
}

StepOffResponse::StepOffResponse(TimeNodes nodes, double spacing, double static_value)
    : nodes_(std::move(nodes)), spacing_(spacing), static_value_(static_value)
{
}

namespace {

/// Sixth-order Lagrange interpolation on the lattice: value and derivative with respect to s.
struct Interpolated {
    double value = 0, slope = 0;
};

Interpolated Lagrange6(const std::vector<double>& values, const LatticeRange& m, double s)
{
    int first = std::clamp(static_cast<int>(std::floor(s)) - 2, m.first, m.last - 5);
    double x[6];
    for (int k = 0; k < 6; ++k)
        x[k] = s - (first + k);
    Interpolated result;
    for (int j = 0; j < 6; ++j) {
        double basis = 1, derivative = 0;
        for (int k = 0; k < 6; ++k) {
            if (k == j)
                continue;
            double factor = 1.0 / (j - k);
            derivative = derivative * x[k] * factor + basis * factor;
            basis *= x[k] * factor;
        }
        result.value += basis * values[first + j - m.first];
        result.slope += derivative * values[first + j - m.first];
    }
    return result;
}

} // namespace

double StepOffResponse::StepOff(double time) const
{
    if (time <= 0)
        return static_value_;
    const LatticeRange& m = nodes_.times;
    if (m.count() < 6)
        return 0;
    const double t_first = std::exp(spacing_ * m.first);
    if (time < t_first)
        return nodes_.step_off.front() + Impulse(t_first) * (t_first - time);
    return Lagrange6(nodes_.step_off, m, std::log(time) / spacing_).value;
}

double StepOffResponse::Impulse(double time) const
{
    if (time <= 0)
        return 0;
    const LatticeRange& m = nodes_.times;
    if (m.count() < 6)
        return 0;
    time = std::max(time, std::exp(spacing_ * m.first));
    // r = -db/dt = -(db/ds) / (t spacing), s = ln t / spacing
    return -Lagrange6(nodes_.step_off, m, std::log(time) / spacing_).slope / (time * spacing_);
}

double ReportedResponse(const StepOffResponse& response, const std::vector<CurrentChange>& changes,
                        double time)
{
    double dbdt = 0;
    for (const CurrentChange& c : changes) {
        if (time <= c.start)
            continue;
        if (c.jump())
            dbdt += c.rate * response.Impulse(time - c.start);
        else
            dbdt += c.rate * (response.StepOff(time - c.end) - response.StepOff(time - c.start));
    }
    return -dbdt;
}

} // namespace tem::engine
