#include "engine/forward.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "engine/limits.h"

namespace tem::engine {

namespace {

std::string Shown(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

[[noreturn]] void Refuse(const std::string& message)
{
    throw std::invalid_argument(message);
}

bool Within(double value, double low, double high)
{
    return value >= low && value <= high; // false for NaN
}

} // namespace

void CheckEarth(const LayeredEarth& earth)
{
    const std::size_t layers = earth.resistivity.size();
    if (layers == 0)
        Refuse("the earth has no layers");
    if (layers > static_cast<std::size_t>(MaxLayers))
        Refuse("the earth has " + std::to_string(layers) + " layers; at most " + std::to_string(MaxLayers) +
               " can be computed");
    if (earth.thickness.size() != layers - 1)
        Refuse("the earth has " + std::to_string(layers) + " resistivities and " +
               std::to_string(earth.thickness.size()) + " thicknesses; it needs " +
               std::to_string(layers - 1) + " thicknesses (the last layer is a half-space)");
    for (std::size_t j = 0; j < layers; ++j)
        if (!Within(earth.resistivity[j], MinResistivity, MaxResistivity))
            Refuse("the resistivity of layer " + std::to_string(j + 1) + " is " +
                   Shown(earth.resistivity[j]) + " ohm-m; it must be from " + Shown(MinResistivity) + " to " +
                   Shown(MaxResistivity) + " ohm-m");
    for (std::size_t j = 0; j + 1 < layers; ++j)
        if (!(earth.thickness[j] > 0) || !(earth.thickness[j] <= MaxThickness))
            Refuse("the thickness of layer " + std::to_string(j + 1) + " is " + Shown(earth.thickness[j]) +
                   " m; it must be above 0 and at most " + Shown(MaxThickness) + " m");
}

void CheckFilters(const std::vector<ButterworthFilter>& filters)
{
    if (filters.size() > static_cast<std::size_t>(MaxFilters))
        Refuse(std::to_string(filters.size()) + " filters; at most " + std::to_string(MaxFilters) +
               " can be computed");
    for (std::size_t i = 0; i < filters.size(); ++i) {
        const ButterworthFilter& f = filters[i];
        if (f.order < 1 || f.order > MaxFilterOrder)
            Refuse("filter " + std::to_string(i + 1) + " has order " + std::to_string(f.order) +
                   "; it must be from 1 to " + std::to_string(MaxFilterOrder));
        if (!Within(f.cutoff_hz, MinCutoff, MaxCutoff))
            Refuse("filter " + std::to_string(i + 1) + " has a cut-off of " + Shown(f.cutoff_hz) +
                   " Hz; it must be from " + Shown(MinCutoff) + " to " + Shown(MaxCutoff) + " Hz");
    }
}

void CheckSystem(const TemSystem& system)
{
    const LoopAndReceiver& g = system.geometry;
    if (g.corners.size() < 3 || g.corners.size() > static_cast<std::size_t>(MaxCorners))
        Refuse("the loop has " + std::to_string(g.corners.size()) + " corners; it needs 3 to " +
               std::to_string(MaxCorners));
    for (const Point2& p : g.corners)
        if (!Within(p.x, -MaxCoordinate, MaxCoordinate) || !Within(p.y, -MaxCoordinate, MaxCoordinate))
            Refuse("a loop corner (" + Shown(p.x) + ", " + Shown(p.y) + ") lies outside " +
                   Shown(MaxCoordinate) + " m");
    if (!Within(g.receiver.x, -MaxCoordinate, MaxCoordinate) ||
        !Within(g.receiver.y, -MaxCoordinate, MaxCoordinate))
        Refuse("the receiver (" + Shown(g.receiver.x) + ", " + Shown(g.receiver.y) + ") lies outside " +
               Shown(MaxCoordinate) + " m");
    if (!Within(g.loop_height, 0, MaxCoordinate) || !Within(g.receiver_height, 0, MaxCoordinate))
        Refuse("the loop and the receiver must be at or above the ground surface, below " +
               Shown(MaxCoordinate) + " m (heights " + Shown(g.loop_height) + " and " +
               Shown(g.receiver_height) + " m)");
    if (g.component != Component::X && g.component != Component::Y && g.component != Component::Z)
        Refuse("the receiver component is not X, Y or Z");
    if (!(std::abs(SignedArea(g.corners)) > 1e-6))
        Refuse("the loop encloses no area");
    if (!(DistanceToWires(g.corners, g.receiver) >= MinimumWireDistance))
        Refuse("the receiver lies (horizontally) within 1 cm of the loop wire, where the field cannot be "
               "modelled");

    if (system.waveform.size() > static_cast<std::size_t>(MaxSubWaves))
        Refuse("the waveform has " + std::to_string(system.waveform.size()) + " sub-waves; at most " +
               std::to_string(MaxSubWaves) + " can be computed");
    for (std::size_t i = 0; i < system.waveform.size(); ++i) {
        const SubWave& w = system.waveform[i];
        const std::string which = "sub-wave " + std::to_string(i + 1);
        if (!Within(w.t0, -MaxTime, MaxTime) || !Within(w.t1, -MaxTime, MaxTime) ||
            !Within(w.a0, -MaxAmplitude, MaxAmplitude) || !Within(w.a1, -MaxAmplitude, MaxAmplitude))
            Refuse(which + " has a time beyond " + Shown(MaxTime) + " s or an amplitude beyond " +
                   Shown(MaxAmplitude));
        if (w.t1 < w.t0)
            Refuse(which + " ends before it starts");
        if (i > 0 && w.t0 < system.waveform[i - 1].t1)
            Refuse(which + " starts before the one before it ends");
    }
    CheckFilters(system.filters);
    if (system.gates.size() > MaxGates)
        Refuse(std::to_string(system.gates.size()) + " gates; at most " + std::to_string(MaxGates) +
               " can be computed");
    for (std::size_t i = 0; i < system.gates.size(); ++i) {
        const Gate& gate = system.gates[i];
        if (!Within(gate.centre, -MaxTime, MaxTime) || !Within(gate.start, -MaxTime, MaxTime) ||
            !Within(gate.end, -MaxTime, MaxTime))
            Refuse("gate " + std::to_string(i + 1) + " has a time beyond " + Shown(MaxTime) + " s");
        if (gate.end < gate.start)
            Refuse("gate " + std::to_string(i + 1) + " ends before it starts");
    }
}

void CheckSettings(const ForwardSettings& settings)
{
    if (settings.time_filter != FilterTable::SineCosine101 &&
        settings.time_filter != FilterTable::SineCosine201)
        Refuse("the time filter must be a sine/cosine table");
    if (settings.gate_points < 1 || settings.gate_points > 64 || settings.source.points_per_piece < 1 ||
        settings.source.points_per_piece > 64)
        Refuse("the quadrature needs 1 to 64 points per piece");
    if (!Within(settings.source.piece_length, 0.01, 10))
        Refuse("the wire piece length must be from 0.01 to 10");
    if (!Within(settings.earliest_time, 1e-15, 1e-3))
        Refuse("the earliest time must be from 1e-15 to 1e-3 s");
}

PreparedSystem PrepareSystem(const TemSystem& system, const ForwardSettings& settings)
{
    CheckSystem(system);
    CheckSettings(settings);
    PreparedSystem prepared;
    const DigitalFilter& hankel = Filter(FilterTable::Hankel201);
    const DigitalFilter& fourier = Filter(settings.time_filter);
    prepared.time_filter = settings.time_filter;
    prepared.source = ComputeSourceWeights(system.geometry, hankel, settings.source);
    prepared.filters = system.filters;
    prepared.changes = CurrentChanges(system.waveform);
    prepared.samples = SampleGates(system.gates, prepared.changes, settings.gate_points);

    // The times after a change at which the step-off response is needed.
    double earliest = INFINITY, latest = 0;
    for (const std::vector<GateSample>& gate : prepared.samples) {
        for (const GateSample& s : gate) {
            for (const CurrentChange& c : prepared.changes) {
                if (s.time <= c.start)
                    continue;
                latest = std::max(latest, s.time - c.start);
                double nearest = c.jump() || s.time <= c.end ? s.time - c.start : s.time - c.end;
                earliest = std::min(earliest, nearest);
            }
        }
    }
    if (latest > 0) {
        earliest = std::max(earliest, settings.earliest_time);
        latest = std::max(latest, earliest);
        const double a = fourier.spacing;
        // Three spare nodes on either side keep the interpolation centred.
        prepared.times = {static_cast<int>(std::floor(std::log(earliest) / a)) - 3,
                          static_cast<int>(std::ceil(std::log(latest) / a)) + 3};
        prepared.frequencies = FrequenciesForTimes(fourier, prepared.times);
    }
    return prepared;
}

KernelTable ComputeKernelTable(const std::vector<const PreparedSystem*>& systems, const LayeredEarth& earth)
{
    CheckEarth(earth);
    LatticeRange k{0, -1}, p{0, -1};
    double spacing = 0;
    for (const PreparedSystem* s : systems) {
        if (s->frequencies.count() == 0 || s->source.wavenumbers.count() == 0)
            continue;
        double a = Filter(s->time_filter).spacing;
        if (spacing != 0 && a != spacing)
            return {}; // different lattices cannot share one table
        spacing = a;
        if (k.count() == 0) {
            k = s->frequencies;
            p = s->source.wavenumbers;
        } else {
            k = {std::min(k.first, s->frequencies.first), std::max(k.last, s->frequencies.last)};
            p = {std::min(p.first, s->source.wavenumbers.first),
                 std::max(p.last, s->source.wavenumbers.last)};
        }
    }
    if (k.count() == 0)
        return {};
    return ComputeKernelTable(earth, k, spacing, p, Filter(FilterTable::Hankel201).spacing);
}

ForwardResult Forward(const PreparedSystem& system, const LayeredEarth& earth, const KernelTable* table)
{
    CheckEarth(earth);
    CheckFilters(system.filters);
    ForwardResult result;
    result.gate_values.assign(system.samples.size(), 0.0);
    if (system.times.count() == 0)
        return result;
    const DigitalFilter& fourier = Filter(system.time_filter);
    const SourceWeights& source = system.source;

    KernelTable own;
    if (source.wavenumbers.count() > 0 && (table == nullptr || table->frequency_spacing != fourier.spacing ||
                                           !table->covers(system.frequencies, source.wavenumbers))) {
        own = ComputeKernelTable(earth, system.frequencies, fourier.spacing, source.wavenumbers,
                                 Filter(FilterTable::Hankel201).spacing);
        table = &own;
    }

    // Im of the filtered transfer function at every lattice frequency.
    std::vector<double> imag(system.frequencies.count());
    for (int k = system.frequencies.first; k <= system.frequencies.last; ++k) {
        std::complex<double> secondary(0, 0);
        if (source.wavenumbers.count() > 0) {
            const std::complex<double>* r =
                table->row(k) + (source.wavenumbers.first - table->wavenumbers.first);
            const double* d = source.weights.data();
            double re = 0, im = 0;
            for (int p = 0; p < source.wavenumbers.count(); ++p) {
                re += r[p].real() * d[p];
                im += r[p].imag() * d[p];
            }
            secondary = {re, im};
        }
        std::complex<double> total = source.static_field + secondary;
        if (!system.filters.empty())
            total *= FilterTransfer(system.filters, std::exp(fourier.spacing * k));
        imag[k - system.frequencies.first] = total.imag();
    }
    double static_value = source.static_field * FilterTransfer(system.filters, 0).real();
    StepOffResponse response(TransformToTime(fourier, system.times, system.frequencies, imag),
                             fourier.spacing, static_value);

    for (std::size_t g = 0; g < system.samples.size(); ++g) {
        double mean = 0;
        for (const GateSample& s : system.samples[g])
            mean += s.weight * ReportedResponse(response, system.changes, s.time);
        if (!std::isfinite(mean))
            throw std::range_error("the computation of gate " + std::to_string(g + 1) +
                                   " gave no finite value; nothing is reported for this earth and system");
        result.gate_values[g] = mean;
    }
    return result;
}

ForwardResult Forward(const TemSystem& system, const LayeredEarth& earth, const ForwardSettings& settings)
{
    return Forward(PrepareSystem(system, settings), earth);
}

} // namespace tem::engine
