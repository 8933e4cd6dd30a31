#pragma once
// The forward model of one data set: the gate values of a TEM system over a layered earth.
//
//   Forward(system, earth, settings) is the whole computation, with no state kept. Everything
//   that depends only on the system is in a PreparedSystem, and the reflection coefficients of
//   one earth in a KernelTable; both may be shared by several data sets (and threads, read-only).

#include <vector>

#include "engine/kernel.h"
#include "engine/source.h"
#include "engine/system.h"
#include "engine/transform.h"

namespace tem::engine {

/// Numerical settings, with their defaults.
struct ForwardSettings {
    FilterTable time_filter = FilterTable::SineCosine201; ///< sine/cosine table for frequency to time
    SourceSettings source;                                ///< integration along the wires
    int gate_points = 8;                                  ///< Gauss-Legendre points per piece of a gate
    /// Earliest time (s) on the time lattice; the step-off response is extrapolated linearly below
    /// it (only for gates that touch a corner of the waveform).
    double earliest_time = 1e-9;
};

/// What a system contributes, independent of the earth.
struct PreparedSystem {
    SourceWeights source;
    std::vector<ButterworthFilter> filters;
    std::vector<CurrentChange> changes;
    std::vector<std::vector<GateSample>> samples; ///< per gate
    FilterTable time_filter = FilterTable::SineCosine101;
    LatticeRange times;       ///< time lattice (empty when the current never changes)
    LatticeRange frequencies; ///< frequency lattice those times need
};

/// The gate values, V/(A m^2): -dB/dt per ampere of transmitter current, averaged over each gate.
struct ForwardResult {
    std::vector<double> gate_values;
};

/// The checks the entry points make, for callers that want the message before computing: each
/// throws std::invalid_argument saying what is outside the limits of engine/limits.h.
void CheckEarth(const LayeredEarth& earth);
void CheckFilters(const std::vector<ButterworthFilter>& filters);
void CheckSystem(const TemSystem& system);
void CheckSettings(const ForwardSettings& settings);

/// Checks the system and the settings (std::invalid_argument).
PreparedSystem PrepareSystem(const TemSystem& system, const ForwardSettings& settings = {});

/// Checks the earth and the filters (std::invalid_argument); throws std::range_error when a gate
/// value is not finite, so no caller can write one as a result. `table`, when given, must cover
/// the system's frequencies and wavenumbers (else it is ignored).
ForwardResult Forward(const PreparedSystem& system, const LayeredEarth& earth,
                      const KernelTable* table = nullptr);

ForwardResult Forward(const TemSystem& system, const LayeredEarth& earth,
                      const ForwardSettings& settings = {});

/// A kernel table that serves every system in `systems` for one earth (checked as by Forward).
KernelTable ComputeKernelTable(const std::vector<const PreparedSystem*>& systems, const LayeredEarth& earth);

} // namespace tem::engine
