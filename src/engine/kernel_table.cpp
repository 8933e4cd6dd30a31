// The kernel table: the recursion of kernel.cpp evaluated for a whole row of wavenumbers at once.
//
// Each row (one frequency) keeps its wavenumbers in separate real and imaginary arrays, and every
// step of the recursion is one branch-free loop over them, so the compiler turns it into vector
// code. The exponential and sine/cosine are written out here as polynomials the compiler can
// vectorise too: the library calls cannot be, and they cost more than the rest of the step.
// Their arguments stay small (|Im x| <= Re x <= 40, anything further masked), so a short
// reduction keeps them within a few units in the last place. The row is compiled for AVX-512,
// AVX2 and plain x86-64 and chosen once by what the processor has. ReflectionTE in kernel.cpp is
// the scalar reference; the tests hold the table to it.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/constants.h"
#include "engine/kernel.h"

#if defined(__GNUC__)
#define TEM_INLINE inline __attribute__((always_inline))
#else
#define TEM_INLINE inline
#endif

namespace tem::engine {

namespace {

/// Beyond this 2 Re(u_j) h_j, exp(-x) < 5e-18: the layers below layer j are not seen through it.
/// The same bound as the scalar recursion, so that masking it here changes nothing.
constexpr double Opaque = 40;

/// exp(-x) for 0 <= x <= 745: x = n ln2 + r with |r| <= ln2/2, a degree-13 Taylor sum for exp(r)
/// (truncation below 4e-18), and 2^n put into the exponent bits.
TEM_INLINE double ExpMinus(double x)
{
    constexpr double Shift = 0x1.8p52; // adding it rounds to an integer held in the low bits
    constexpr double Log2e = 1.4426950408889634;
    constexpr double Ln2Hi = 6.93147180369123816490e-01; // 32 leading bits: n * Ln2Hi is exact
    constexpr double Ln2Lo = 1.90821492927058770002e-10;
    double y = -x;
    double t = y * Log2e + Shift;
    double n = t - Shift;
    std::int64_t ni = std::bit_cast<std::int64_t>(t) - std::bit_cast<std::int64_t>(Shift);
    double r = (y - n * Ln2Hi) - n * Ln2Lo;
    double p = 1.0 / 6227020800.0;
    p = p * r + 1.0 / 479001600.0;
    p = p * r + 1.0 / 39916800.0;
    p = p * r + 1.0 / 3628800.0;
    p = p * r + 1.0 / 362880.0;
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;
    // n >= -1075; below -1022 the result is far under anything the recursion keeps: flush to 0.
    std::int64_t bits = (ni + 1023) << 52;
    double scale = std::bit_cast<double>(bits);
    return ni < -1022 ? 0.0 : p * scale;
}

/// sin x and cos x for 0 <= x <= 64: x = q pi/2 + r with |r| <= pi/4 (three-part pi/2, exact for
/// these q), the minimax polynomials of the classic kernel_sin/kernel_cos, then the quadrant.
TEM_INLINE void SinCos(double x, double& s, double& c)
{
    constexpr double Shift = 0x1.8p52;
    constexpr double TwoOverPi = 6.36619772367581382433e-01;
    constexpr double PiO2_1 = 1.57079632673412561417e+00;  // 33 leading bits of pi/2
    constexpr double PiO2_2 = 6.07710050630396597660e-11;  // next 33 bits
    constexpr double PiO2_2t = 2.02226624879595063154e-21; // pi/2 - PiO2_1 - PiO2_2
    double t = x * TwoOverPi + Shift;
    double q = t - Shift;
    std::int64_t qi = std::bit_cast<std::int64_t>(t) - std::bit_cast<std::int64_t>(Shift);
    double r = ((x - q * PiO2_1) - q * PiO2_2) - q * PiO2_2t;
    double z = r * r;
    double sp = 1.58969099521155010221e-10;
    sp = sp * z - 2.50507602534068634195e-08;
    sp = sp * z + 2.75573137070700676789e-06;
    sp = sp * z - 1.98412698298579493134e-04;
    sp = sp * z + 8.33333333332248946124e-03;
    sp = sp * z - 1.66666666666666324348e-01;
    double sr = r + r * z * sp;
    double cp = -1.13596475577881948265e-11;
    cp = cp * z + 2.08757232129817482790e-09;
    cp = cp * z - 2.75573143513906633035e-07;
    cp = cp * z + 2.48015872894767294178e-05;
    cp = cp * z - 1.38888888888741095749e-03;
    cp = cp * z + 4.16666666666666019037e-02;
    double cr = (1.0 - 0.5 * z) + z * z * cp;
    const bool odd = (qi & 1) != 0;
    const bool upper = (qi & 2) != 0;        // quadrants 2 and 3: sine negative
    const bool middle = ((qi + 1) & 2) != 0; // quadrants 1 and 2: cosine negative
    double ss = odd ? cr : sr;
    double cc = odd ? sr : cr;
    s = upper ? -ss : ss;
    c = middle ? -cc : cc;
}

/// sqrt(a + i b) for a > 0, b >= 0, the root with positive real part, as in kernel.cpp.
TEM_INLINE void RootPositive(double a, double b, double& re, double& im)
{
    double modulus = std::sqrt(a * a + b * b);
    re = std::sqrt(0.5 * (modulus + a));
    im = 0.5 * b / re;
}

/// Working arrays of one row, one entry per wavenumber.
struct RowArrays {
    const double* lambda;
    const double* lambda2;
    double* u_re;
    double* u_im;
    double* delta_re;
    double* delta_im;
    int count;
};

/// One row: r_TE for every wavenumber at one frequency. `layers` counts the layers the recursion
/// visits: layer layers-1 is taken as seen by nothing below it (delta = 0 there).
TEM_INLINE void RowBody(const RowArrays& a, const double* beta, const double* thickness, int layers,
                        std::complex<double>* out)
{
    const int count = a.count;
    double* __restrict u_re = a.u_re;
    double* __restrict u_im = a.u_im;
    double* __restrict delta_re = a.delta_re;
    double* __restrict delta_im = a.delta_im;
    const double* __restrict lambda2 = a.lambda2;
    const double* __restrict lambda = a.lambda;
    {
        const double b = beta[layers - 1];
        for (int p = 0; p < count; ++p) {
            RootPositive(lambda2[p], b, u_re[p], u_im[p]);
            delta_re[p] = 0;
            delta_im[p] = 0;
        }
    }
    for (int j = layers - 2; j >= 0; --j) {
        const double b = beta[j];
        const double contrast = beta[j] - beta[j + 1];
        const double h2 = 2 * thickness[j];
        for (int p = 0; p < count; ++p) {
            const double ub_re = u_re[p], ub_im = u_im[p];
            const double dl_re = delta_re[p], dl_im = delta_im[p];
            double ur, ui;
            RootPositive(lambda2[p], b, ur, ui);
            const double x_re = h2 * ur;
            const bool opaque = x_re > Opaque;
            const double xr = opaque ? 0.0 : x_re;
            const double xi = opaque ? 0.0 : h2 * ui;
            double sn, cs;
            SinCos(xi, sn, cs);
            const double magnitude = ExpMinus(xr);
            const double e_re = magnitude * cs, e_im = -magnitude * sn;
            // d = u + u_below; n = i contrast + delta d; y_below = u_below - delta
            const double d_re = ur + ub_re, d_im = ui + ub_im;
            const double n_re = dl_re * d_re - dl_im * d_im;
            const double n_im = contrast + (dl_re * d_im + dl_im * d_re);
            const double yb_re = ub_re - dl_re, yb_im = ub_im - dl_im;
            // numerator 2 e u n
            const double e2_re = 2 * e_re, e2_im = 2 * e_im;
            const double eu_re = e2_re * ur - e2_im * ui, eu_im = e2_re * ui + e2_im * ur;
            const double num_re = eu_re * n_re - eu_im * n_im, num_im = eu_re * n_im + eu_im * n_re;
            // denominator (u + y_below) d + e n
            const double s_re = ur + yb_re, s_im = ui + yb_im;
            const double sd_re = s_re * d_re - s_im * d_im, sd_im = s_re * d_im + s_im * d_re;
            const double en_re = e_re * n_re - e_im * n_im, en_im = e_re * n_im + e_im * n_re;
            const double den_re = sd_re + en_re, den_im = sd_im + en_im;
            const double inv = 1.0 / (den_re * den_re + den_im * den_im);
            const double q_re = (num_re * den_re + num_im * den_im) * inv;
            const double q_im = (num_im * den_re - num_re * den_im) * inv;
            delta_re[p] = opaque ? 0.0 : q_re;
            delta_im[p] = opaque ? 0.0 : q_im;
            u_re[p] = ur;
            u_im[p] = ui;
        }
    }
    // lambda - Y1 = -i beta_1 / (lambda + u1) + delta1; r = (lambda - Y1) / (lambda + u1 - delta1)
    const double b0 = beta[0];
    double* __restrict values = reinterpret_cast<double*>(out);
    for (int p = 0; p < count; ++p) {
        const double c_re = lambda[p] + u_re[p], c_im = u_im[p];
        const double c_inv = 1.0 / (c_re * c_re + c_im * c_im);
        const double num_re = -b0 * c_im * c_inv + delta_re[p];
        const double num_im = -b0 * c_re * c_inv + delta_im[p];
        const double den_re = c_re - delta_re[p], den_im = c_im - delta_im[p];
        const double inv = 1.0 / (den_re * den_re + den_im * den_im);
        values[2 * p] = (num_re * den_re + num_im * den_im) * inv;
        values[2 * p + 1] = (num_im * den_re - num_re * den_im) * inv;
    }
}

using RowFunction = void (*)(const RowArrays&, const double*, const double*, int, std::complex<double>*);

void RowPlain(const RowArrays& a, const double* beta, const double* thickness, int layers,
              std::complex<double>* out)
{
    RowBody(a, beta, thickness, layers, out);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2,fma"))) void RowAvx2(const RowArrays& a, const double* beta,
                                                 const double* thickness, int layers,
                                                 std::complex<double>* out)
{
    RowBody(a, beta, thickness, layers, out);
}

#if defined(__clang__)
#define TEM_AVX512_TARGET "avx512f,avx512dq,avx512vl,avx2,fma"
#else
#define TEM_AVX512_TARGET "avx512f,avx512dq,avx512vl,avx2,fma,prefer-vector-width=512"
#endif
__attribute__((target(TEM_AVX512_TARGET))) void RowAvx512(const RowArrays& a, const double* beta,
                                                          const double* thickness, int layers,
                                                          std::complex<double>* out)
{
    RowBody(a, beta, thickness, layers, out);
}
#endif

bool Available(KernelPath path)
{
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    switch (path) {
    case KernelPath::Best:
    case KernelPath::Plain:
        return true;
    case KernelPath::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case KernelPath::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
               __builtin_cpu_supports("avx512vl");
    }
    return false;
#else
    return path == KernelPath::Best || path == KernelPath::Plain;
#endif
}

RowFunction Choose(KernelPath path)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (path == KernelPath::Best)
        path = Available(KernelPath::Avx512) ? KernelPath::Avx512
               : Available(KernelPath::Avx2) ? KernelPath::Avx2
                                             : KernelPath::Plain;
    switch (path) {
    case KernelPath::Avx512:
        return RowAvx512;
    case KernelPath::Avx2:
        return RowAvx2;
    default:
        return RowPlain;
    }
#else
    (void)path;
    return RowPlain;
#endif
}

} // namespace

bool KernelPathAvailable(KernelPath path)
{
    return Available(path);
}

KernelTable ComputeKernelTable(const LayeredEarth& earth, LatticeRange frequencies, double frequency_spacing,
                               LatticeRange wavenumbers, double wavenumber_spacing, KernelPath path)
{
    KernelTable table{frequencies, wavenumbers, frequency_spacing, wavenumber_spacing, {}};
    const int n = static_cast<int>(earth.resistivity.size());
    const int count = wavenumbers.count();
    table.values.resize(static_cast<std::size_t>(frequencies.count()) * count);
    if (count == 0 || n == 0)
        return table;
    static const RowFunction best = Choose(KernelPath::Best);
    const RowFunction row = path == KernelPath::Best ? best : Choose(path);

    std::vector<double> work(6 * static_cast<std::size_t>(count));
    double* lambda = work.data();
    double* lambda2 = lambda + count;
    for (int p = 0; p < count; ++p) {
        lambda[p] = std::exp(wavenumber_spacing * (wavenumbers.first + p));
        lambda2[p] = lambda[p] * lambda[p];
    }
    RowArrays arrays{
        lambda, lambda2, lambda2 + count, lambda2 + 2 * count, lambda2 + 3 * count, lambda2 + 4 * count,
        count};
    const double smallest = *std::min_element(lambda2, lambda2 + count);

    std::vector<double> beta(n);
    std::complex<double>* out = table.values.data();
    for (int k = frequencies.first; k <= frequencies.last; ++k, out += count) {
        const double omega = std::exp(frequency_spacing * k);
        for (int j = 0; j < n; ++j)
            beta[j] = omega * Mu0 / earth.resistivity[j];
        // The first layer that hides everything below it from every wavenumber of the row: Re(u)
        // grows with lambda (and so does its rounded value, every operation being monotonic), so
        // the smallest wavenumber decides. The scalar recursion sets delta = 0 at that layer for
        // each wavenumber, whatever lies below; the row starts there instead. The margin keeps
        // the decision on the safe side of any contraction of the arithmetic into fused steps.
        int layers = n;
        for (int j = 0; j + 1 < n; ++j) {
            double re, im;
            RootPositive(smallest, beta[j], re, im);
            if (2 * earth.thickness[j] * re > Opaque * (1 + 1e-9)) {
                layers = j + 1;
                break;
            }
        }
        row(arrays, beta.data(), earth.thickness.data(), layers, out);
    }
    return table;
}

} // namespace tem::engine
