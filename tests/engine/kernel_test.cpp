// The kernel table, computed across each row in vector code, against the scalar recursion
// (ReflectionTE) entry by entry, for every code path this processor runs: equal within 2e-11
// relative wherever the value is well-conditioned.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "engine/constants.h"
#include "engine/kernel.h"
#include "engine/limits.h"

namespace tem::engine {
namespace {

struct Case {
    std::string name;
    LayeredEarth earth;
};

std::vector<Case> Earths()
{
    LayeredEarth many;
    for (int j = 0; j < MaxLayers; ++j) {
        many.resistivity.push_back(j % 3 == 0 ? 2.0 : j % 3 == 1 ? 300.0 : 40.0);
        if (j + 1 < MaxLayers)
            many.thickness.push_back(0.5 + (j % 7) * 3.0);
    }
    return {
        {"half-space", {{100}, {}}},
        {"resistive over conductive", {{1000, 1}, {50}}},
        {"conductive over resistive", {{1, 1000}, {10}}},
        {"thin conductive sheet", {{100, 0.1, 100}, {20, 0.01}}},
        {"thin resistive sheet", {{10, 1e5, 10}, {30, 0.05}}},
        {"thick conductive top hides the rest", {{0.5, 100, 1}, {2000, 10}}},
        {"three layers", {{100, 10, 300}, {15, 40}}},
        {"limits of resistivity", {{MinResistivity, MaxResistivity, MinResistivity}, {1e-3, MaxThickness}}},
        {"limits reversed", {{MaxResistivity, MinResistivity}, {MaxThickness}}},
        {"a hundred layers", many},
    };
}

/// The same recursion in extended precision (64-bit mantissa): the exact value to the digits that
/// matter here.
std::complex<long double> ExtendedReflection(const LayeredEarth& earth, double lambda, double omega)
{
    using Complex = std::complex<long double>;
    const int n = static_cast<int>(earth.resistivity.size());
    std::vector<long double> beta(n);
    for (int j = 0; j < n; ++j)
        beta[j] = static_cast<long double>(omega) * 4e-7L * 3.141592653589793238462643383279L /
                  earth.resistivity[j];
    const long double l = lambda;
    Complex u_below = std::sqrt(Complex(l * l, beta[n - 1])), u = u_below, delta = 0;
    for (int j = n - 2; j >= 0; --j) {
        u = std::sqrt(Complex(l * l, beta[j]));
        Complex e = std::exp(-2.0L * u * static_cast<long double>(earth.thickness[j]));
        Complex d = u + u_below;
        Complex numerator = Complex(0, beta[j] - beta[j + 1]) + delta * d;
        delta = 2.0L * e * u * numerator / ((u + u_below - delta) * d + e * numerator);
        u_below = u;
    }
    return (Complex(0, -beta[0]) / (l + u) + delta) / (l + u - delta);
}

TEST(KernelTable, EveryPathEqualsTheScalarRecursion)
{
    // The engine's lattices, over ranges far past any system's: omega from 1e-3 to 1e11 rad/s,
    // lambda from 1e-8 to 1e7 1/m.
    const double a_w = Filter(FilterTable::Hankel201).spacing;
    const double a_f = Filter(FilterTable::SineCosine201).spacing;
    const LatticeRange p{static_cast<int>(std::floor(std::log(1e-8) / a_w)),
                         static_cast<int>(std::ceil(std::log(1e7) / a_w))};
    const LatticeRange k{static_cast<int>(std::floor(std::log(1e-3) / a_f)),
                         static_cast<int>(std::ceil(std::log(1e11) / a_f))};
    for (KernelPath path : {KernelPath::Best, KernelPath::Plain, KernelPath::Avx2, KernelPath::Avx512}) {
        if (!KernelPathAvailable(path))
            continue;
        for (const Case& c : Earths()) {
            KernelTable table = ComputeKernelTable(c.earth, k, a_f, p, a_w, path);
            ASSERT_EQ(table.values.size(), static_cast<std::size_t>(k.count()) * p.count());
            for (int kk = k.first; kk <= k.last; ++kk) {
                const std::complex<double>* row = table.row(kk);
                const double omega = std::exp(a_f * kk);
                for (int pp = p.first; pp <= p.last; ++pp) {
                    const double lambda = std::exp(a_w * pp);
                    std::complex<double> expected = ReflectionTE(c.earth, lambda, omega);
                    std::complex<double> got = row[pp - p.first];
                    double error = std::abs(got - expected) / std::abs(expected);
                    if (error <= 2e-11)
                        continue;
                    // Allowed only where the value is ill-conditioned (a 1 mm sheet at the limits of
                    // resistivity, where the recursion's last step cancels five digits): there the
                    // scalar is itself off the exact value by 1e-12 to 1e-10, and the table must
                    // stay within the scalar's worst of it.
                    std::complex<long double> exact = ExtendedReflection(c.earth, lambda, omega);
                    long double scale = std::abs(exact);
                    long double scalar_error = std::abs(std::complex<long double>(expected) - exact) / scale;
                    long double table_error = std::abs(std::complex<long double>(got) - exact) / scale;
                    EXPECT_GT(scalar_error, 1e-12L) << c.name << ", path " << static_cast<int>(path)
                                                    << ", omega " << omega << ", lambda " << lambda;
                    ASSERT_LE(table_error, 2e-10L)
                        << c.name << ", path " << static_cast<int>(path) << ", omega " << omega << ", lambda "
                        << lambda << ": " << got << " against " << expected;
                }
            }
        }
    }
}

} // namespace
} // namespace tem::engine
