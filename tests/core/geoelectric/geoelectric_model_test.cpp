#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <numeric>
#include <string>
#include <vector>

#include "core/action_error.h"
#include "core/arrays/array_geometry.h"
#include "core/arrays/array_test_support.h"
#include "core/geoelectric/geoelectric_model.h"
#include "core/operator.h"

namespace tem {
namespace {

using testing::MakeArray;
using testing::Pairs;
using testing::SchlumbergerPairs;
using testing::WennerPairs;

constexpr double Pi = std::numbers::pi;

// ---- Independent references --------------------------------------------------------------------

/// Potential (V per A) at distance r from a point source on a two-layer earth: the image series.
double ImagePotential(double r, double h, double rho1, double rho2)
{
    const double k = (rho2 - rho1) / (rho2 + rho1);
    double sum = 1, kn = 1;
    for (int n = 1; n < 100000 && std::fabs(kn) > 1e-18; ++n) {
        kn *= k;
        sum += 2 * kn / std::sqrt(1 + (2 * n * h / r) * (2 * n * h / r));
    }
    return rho1 * sum / (2 * Pi * r);
}

/// Resistivity transform written in the tanh form, for the quadrature reference.
double TanhTransform(double lambda, const std::vector<double>& h, const std::vector<double>& rho)
{
    double T = rho.back();
    for (int i = int(h.size()) - 1; i >= 0; --i) {
        const double t = std::tanh(lambda * h[std::size_t(i)]);
        const double p = rho[std::size_t(i)];
        T = p * (T + p * t) / (p + T * t);
    }
    return T;
}

/// Potential by direct integration: rho1 / (2 pi r) plus the integral of (T - rho1) J0(lambda r),
/// 20-point Gauss-Legendre on intervals of at most half a period of J0 until the integrand has died out.
double QuadraturePotential(double r, const std::vector<double>& h, const std::vector<double>& rho)
{
    static const double x20[10] = {
        0.0765265211334973, 0.2277858511416451, 0.3737060887154195, 0.5108670019508271, 0.6360536807265150,
        0.7463319064601508, 0.8391169718222188, 0.9122344282513259, 0.9639719272779138, 0.9931285991850949};
    static const double w20[10] = {
        0.1527533871307258, 0.1491729864726037, 0.1420961093183820, 0.1316886384491766, 0.1181945319615184,
        0.1019301198172404, 0.0832767415767048, 0.0626720483341091, 0.0406014298003869, 0.0176140071391521};
    // Intervals no longer than half a period of J0 and short against the scale of the transform.
    // Past 20 / depth the deepest interfaces have died out and the thinnest layer sets the scale.
    const double depth = std::accumulate(h.begin(), h.end(), 0.0);
    const double thinnest = *std::min_element(h.begin(), h.end());
    const double lambdaMax = 40 / h[0];
    double integral = 0;
    for (double a = 0, step = 0; a < lambdaMax; a += step) {
        step = std::min(Pi / r, a < 20 / depth ? 0.25 / depth : 0.25 / thinnest);
        const double mid = a + step / 2, half = step / 2;
        double s = 0;
        for (int k = 0; k < 10; ++k)
            for (double sign : {-1.0, 1.0}) {
                const double lambda = mid + sign * half * x20[k];
                s += w20[k] * (TanhTransform(lambda, h, rho) - rho[0]) * ::j0(lambda * r);
            }
        integral += s * half;
    }
    return (rho[0] / r + integral) / (2 * Pi);
}

/// Apparent resistivity of one configuration from a potential function.
template <class Potential> double ReferenceAppRes(const Pairs& pairs, Potential potential)
{
    double v = 0, s = 0;
    for (const auto& [r, q] : pairs) {
        v += q * potential(r);
        s += q / r;
    }
    return std::fabs(2 * Pi / s * v);
}

double ModelledAppRes(const Pairs& pairs, const TModel& model, const TFilter& filter)
{
    TArrayConfiguration a = MakeArray({pairs});
    RecordingOperator op;
    CalcGeomFact(a, op);
    TResponse response;
    ForwardModel(false, model, a, response, filter);
    return response.AppReses[1];
}

std::vector<double> Spacings(int perDecade)
{
    std::vector<double> s;
    for (int i = 0; i <= 3 * perDecade; ++i)
        s.push_back(std::pow(10.0, double(i) / perDecade));
    return s;
}

// ---- Accuracy ------------------------------------------------------------------------------------

struct TwoLayerCase {
    double h, rho1, rho2;
};

TEST(GeoelectricModel, TwoLayerSoundingsAgreeWithImageSeries)
{
    const TwoLayerCase cases[] = {{10, 10, 1000}, {10, 1000, 10}, {3, 100, 1}, {30, 1, 100}, {1, 50, 5}};
    struct FilterCase {
        const TFilter& filter;
        double tolerance;
    };
    const FilterCase filters[] = {{J0Filter6(), 0.005}, {J0Filter12(), 0.001}};
    for (const auto& f : filters)
        for (const auto& c : cases) {
            const TModel model = MakeLayeredModel({c.h}, {c.rho1, c.rho2});
            auto exact = [&](double r) { return ImagePotential(r, c.h, c.rho1, c.rho2); };
            for (double s : Spacings(5)) {
                for (const Pairs& pairs :
                     {SchlumbergerPairs(s, s / 5), SchlumbergerPairs(s, s / 20), WennerPairs(s)}) {
                    const double ref = ReferenceAppRes(pairs, exact);
                    EXPECT_NEAR(ModelledAppRes(pairs, model, f.filter) / ref, 1, f.tolerance)
                        << f.filter.Decade << " per decade, h " << c.h << ", rho " << c.rho1 << "/" << c.rho2
                        << ", spacing " << s << ", first separation " << pairs[0].first;
                }
            }
        }
}

TEST(GeoelectricModel, ThreeLayerSoundingsAgreeWithQuadrature)
{
    struct ThreeLayerCase {
        std::vector<double> h, rho;
    };
    const ThreeLayerCase cases[] = {
        {{5, 20}, {100, 1, 100}}, {{2, 50}, {1, 100, 10}}, {{20, 10}, {10, 1000, 10}}};
    for (const auto& c : cases) {
        const TModel model = MakeLayeredModel(c.h, c.rho);
        std::map<double, double> potentials; // the quadrature is slow: once per distance
        auto reference = [&](double r) {
            auto [it, added] = potentials.try_emplace(r, 0.0);
            if (added)
                it->second = QuadraturePotential(r, c.h, c.rho);
            return it->second;
        };
        for (double s : Spacings(1)) {
            for (const Pairs& pairs : {SchlumbergerPairs(s, s / 5), WennerPairs(s)}) {
                const double ref = ReferenceAppRes(pairs, reference);
                EXPECT_NEAR(ModelledAppRes(pairs, model, J0Filter6()) / ref, 1, 0.005)
                    << "rho1 " << c.rho[0] << ", spacing " << s;
                EXPECT_NEAR(ModelledAppRes(pairs, model, J0Filter12()) / ref, 1, 0.001)
                    << "rho1 " << c.rho[0] << ", spacing " << s;
            }
        }
    }
}

TEST(GeoelectricModel, QuadratureReferenceMatchesImageSeries)
{
    // The quadrature itself, against the exact two-layer result.
    for (double r : {1.0, 30.0, 1000.0})
        EXPECT_NEAR(QuadraturePotential(r, {10}, {10, 1000}) / ImagePotential(r, 10, 10, 1000), 1, 1e-6) << r;
}

// ---- Filters and edge cases ----------------------------------------------------------------------

TEST(GeoelectricModel, OneLayerGivesResistivityTimesFilterSum)
{
    const struct {
        const TFilter& filter;
        int length;
        double sum;
    } cases[] = {
        {J0Filter3(), 18, 0.99989832}, {J0Filter6(), 45, 0.99999732}, {J0Filter12(), 167, 1.0000126}};
    const TArrayConfiguration a0 = MakeArray({WennerPairs(10), {{7, 1}}, SchlumbergerPairs(100, 2)});
    for (const auto& c : cases) {
        ASSERT_EQ(c.filter.Length, c.length);
        double sum = 0;
        for (int l = 1; l <= c.filter.Length; ++l)
            sum += c.filter.Filter[l];
        EXPECT_NEAR(sum, c.sum, 5e-9);
        TArrayConfiguration a = a0;
        RecordingOperator op;
        CalcGeomFact(a, op);
        TResponse r;
        ForwardModel(false, MakeLayeredModel({}, {37}), a, r, c.filter);
        for (int b = 1; b <= 3; ++b)
            EXPECT_NEAR(r.AppReses[b], 37 * c.sum, 37 * 2e-7) << c.filter.Decade << " config " << b;
        // Pole-pole at 7 m: the potential of a point source over a half-space.
        EXPECT_NEAR(r.Voltages[2], 37 * c.sum / (2 * Pi * 7), 1e-6);
    }
    const TFilter& f12 = J0Filter12();
    EXPECT_DOUBLE_EQ(f12.Filter[1], 1.0261945e-06);
    EXPECT_DOUBLE_EQ(f12.Filter[74], 0.15446719);
    EXPECT_DOUBLE_EQ(f12.Filter[86], 0.44582296);
    EXPECT_DOUBLE_EQ(f12.Filter[167], -1.0362571e-06);
    EXPECT_EQ(J0FilterForDecade(9), nullptr);
}

TEST(GeoelectricModel, VanishingSumAndThickTopLayer)
{
    // Shares that cancel: geometric factor 0 with a message, apparent resistivity 1e-6.
    TArrayConfiguration a = MakeArray({{{10, 1}, {10, -1}}, WennerPairs(1)});
    RecordingOperator op;
    CalcGeomFact(a, op);
    EXPECT_EQ(a.GeomFact[1], 0);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.messages[0].find("configuration 1"), std::string::npos);
    TResponse r;
    ForwardModel(false, MakeLayeredModel({1e9}, {25, 1}), a, r, J0Filter6());
    EXPECT_FLOAT_EQ(r.AppReses[1], 1e-6f);
    EXPECT_TRUE(std::isfinite(r.Voltages[1]));
    // A top layer so thick that every sample has u > 50 behaves as a half-space of its resistivity.
    EXPECT_NEAR(r.AppReses[2], 25 * 0.99999732, 1e-4);
    EXPECT_DOUBLE_EQ(MonopoleT(MakeLayeredModel({1e9}, {25, 1}), -std::log(1e-6)), 25);
}

TEST(GeoelectricModel, DerivativesMatchFiniteDifferences)
{
    const std::vector<double> h = {4, 15, 30}, rho = {80, 8, 300, 20};
    TArrayConfiguration a = MakeArray({SchlumbergerPairs(20, 4), WennerPairs(50), {{3, -1}, {9, 1}}});
    RecordingOperator op;
    CalcGeomFact(a, op);
    const TModel m = MakeLayeredModel(h, rho);
    TResponse r;
    ForwardModel(true, m, a, r, J0Filter12());
    for (int p = 1; p <= m.NParam; ++p) {
        TModel up = m, down = m;
        const float dp = m.Param[p] * 1e-3f;
        up.Param[p] += dp;
        down.Param[p] -= dp;
        TResponse ru, rd;
        ForwardModel(false, up, a, ru, J0Filter12());
        ForwardModel(false, down, a, rd, J0Filter12());
        for (int b = 1; b <= 3; ++b) {
            const double fd =
                (double(ru.AppReses[b]) - rd.AppReses[b]) / (double(up.Param[p]) - down.Param[p]);
            EXPECT_NEAR(r.AppResDeriv[b][p], fd, 2e-3 * std::fabs(fd) + 2e-3)
                << "param " << p << " config " << b;
        }
    }
    // The third configuration has a negative sum: its apparent resistivity is still positive and
    // rises with the resistivity of a one-layer earth.
    TResponse one;
    ForwardModel(true, MakeLayeredModel({}, {50}), a, one, J0Filter6());
    EXPECT_GT(one.AppResDeriv[3][1], 0.99f);
}

TEST(GeoelectricModel, UnusableModelsAndSeparations)
{
    for (const auto& [h, rho] :
         std::vector<std::pair<std::vector<double>, std::vector<double>>>{{{}, {0}},
                                                                          {{1}, {10, -5}},
                                                                          {{-1}, {10, 10}},
                                                                          {{1, 2}, {10, 10}},
                                                                          {{}, {NAN}},
                                                                          {{}, {1e40}},
                                                                          {{}, {}}})
        EXPECT_THROW(MakeLayeredModel(h, rho), ActionError);
    TModel bad;
    bad.NLayer = 40;
    bad.NParam = 79;
    TArrayConfiguration a = MakeArray({WennerPairs(1)});
    TResponse r;
    EXPECT_THROW(ForwardModel(false, bad, a, r, J0Filter6()), ActionError);
    // A zero or negative separation is left out instead of taking the log of it.
    a = MakeArray({{{0, 1}, {-3, 1}, {5, 1}}});
    RecordingOperator op;
    CalcGeomFact(a, op);
    EXPECT_EQ(op.messages.size(), 2u);
    EXPECT_DOUBLE_EQ(a.GeomFact[1], 2 * Pi * 5);
    ForwardModel(false, MakeLayeredModel({}, {10}), a, r, J0Filter6());
    EXPECT_NEAR(r.AppReses[1], 10, 1e-3);
}

} // namespace
} // namespace tem
