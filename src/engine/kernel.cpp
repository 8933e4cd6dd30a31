#include "engine/kernel.h"

#include <cmath>

#include "engine/constants.h"

namespace tem::engine {

namespace {

using Complex = std::complex<double>;

/// sqrt(a + i b) for a > 0, b >= 0: the root with positive real part.
inline Complex RootPositive(double a, double b)
{
    double modulus = std::sqrt(a * a + b * b);
    double re = std::sqrt(0.5 * (modulus + a));
    return {re, 0.5 * b / re};
}

/// The recursion works on differences (u_j - Y_j) rather than on the admittances themselves, so
/// the reflection coefficient keeps its relative accuracy where it is small (lambda >> |k|) and no
/// exponential can overflow: with e = exp(-2 u_j h_j), |e| < 1,
///   delta_j = u_j - Y_j = 2 e u_j (u_j - Y_{j+1}) / ((u_j + Y_{j+1}) + e (u_j - Y_{j+1})),
///   u_j - Y_{j+1} = i omega mu0 (sigma_j - sigma_{j+1}) / (u_j + u_{j+1}) + delta_{j+1}.
struct Stack {
    const double* beta;      // omega mu0 sigma_j, layer j from the top
    const double* thickness; // m
    int layers;
};

inline Complex Reflection(const Stack& s, double lambda)
{
    const double lambda2 = lambda * lambda;
    int j = s.layers - 1;
    Complex u_below = RootPositive(lambda2, s.beta[j]);
    Complex delta(0, 0);
    Complex u = u_below;
    for (--j; j >= 0; --j) {
        u = RootPositive(lambda2, s.beta[j]);
        double x_re = 2 * u.real() * s.thickness[j];
        if (x_re > 40) {
            delta = 0; // e < 5e-18: the layers below are not seen through this one
        } else {
            double x_im = 2 * u.imag() * s.thickness[j];
            double magnitude = std::exp(-x_re);
            Complex e(magnitude * std::cos(x_im), -magnitude * std::sin(x_im));
            // diff = n / d with d = u_j + u_{j+1}; one division for the whole step.
            Complex d = u + u_below;
            Complex n = Complex(0, s.beta[j] - s.beta[j + 1]) + delta * d;
            Complex y_below = u_below - delta;
            delta = 2.0 * e * u * n / ((u + y_below) * d + e * n);
        }
        u_below = u;
    }
    // lambda - Y1 = (lambda - u1) + delta1, lambda - u1 = -i omega mu0 sigma_1 / (lambda + u1)
    Complex numerator = Complex(0, -s.beta[0]) / (lambda + u) + delta;
    Complex denominator = lambda + u - delta;
    return numerator / denominator;
}

} // namespace

std::complex<double> ReflectionTE(const LayeredEarth& earth, double lambda, double omega)
{
    const int n = static_cast<int>(earth.resistivity.size());
    std::vector<double> beta(n);
    for (int j = 0; j < n; ++j)
        beta[j] = omega * Mu0 / earth.resistivity[j];
    return Reflection({beta.data(), earth.thickness.data(), n}, lambda);
}

} // namespace tem::engine
