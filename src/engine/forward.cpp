#include "engine/forward.h"

#include <algorithm>
#include <cmath>

namespace tem::engine {

PreparedSystem PrepareSystem(const TemSystem& system, const ForwardSettings& settings)
{
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
        result.gate_values[g] = mean;
    }
    return result;
}

ForwardResult Forward(const TemSystem& system, const LayeredEarth& earth, const ForwardSettings& settings)
{
    return Forward(PrepareSystem(system, settings), earth);
}

} // namespace tem::engine
