#pragma once
// The layered-earth kernel: the TE-mode reflection coefficient of a horizontally layered earth for
// one horizontal wavenumber and one angular frequency (quasi-static, non-magnetic, time
// dependence exp(+i omega t)). Pure physics: no checks, no input or output.

#include <complex>
#include <vector>

#include "engine/transform.h"

namespace tem::engine {

/// Resistivities (ohm-m) of layers 1..N from the top, the last a half-space, and the thicknesses
/// (m) of layers 1..N-1.
struct LayeredEarth {
    std::vector<double> resistivity;
    std::vector<double> thickness;
    bool operator==(const LayeredEarth&) const = default;
};

/// r_TE(lambda, omega) as seen from the air: (lambda - Y1) / (lambda + Y1), Y1 the admittance of
/// the layer stack in units of 1/(i omega mu0). lambda in 1/m, omega in rad/s.
std::complex<double> ReflectionTE(const LayeredEarth& earth, double lambda, double omega);

/// r_TE on a lattice: omega_k = exp(frequency_spacing * k), lambda_p = exp(wavenumber_spacing * p).
struct KernelTable {
    LatticeRange frequencies;
    LatticeRange wavenumbers;
    double frequency_spacing = 0;
    double wavenumber_spacing = 0;
    std::vector<std::complex<double>> values; ///< row k, column p

    const std::complex<double>* row(int k) const
    {
        return values.data() + static_cast<std::size_t>(k - frequencies.first) * wavenumbers.count();
    }
    bool covers(LatticeRange k, LatticeRange p) const
    {
        return frequencies.contains(k.first) && frequencies.contains(k.last) &&
               wavenumbers.contains(p.first) && wavenumbers.contains(p.last);
    }
};

/// The code the table is computed with: the widest the processor runs (Best), or one named path
/// (for the tests that hold each path to ReflectionTE).
enum class KernelPath { Best, Plain, Avx2, Avx512 };
bool KernelPathAvailable(KernelPath path);

/// The table, each row computed across its wavenumbers in vector code (kernel_table.cpp). Equal to
/// ReflectionTE at every entry to within rounding.
KernelTable ComputeKernelTable(const LayeredEarth& earth, LatticeRange frequencies, double frequency_spacing,
                               LatticeRange wavenumbers, double wavenumber_spacing,
                               KernelPath path = KernelPath::Best);

} // namespace tem::engine
