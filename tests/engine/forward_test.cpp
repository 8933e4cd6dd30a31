// Independent checks of the forward model against closed forms and symmetries.
//
// Reference values come from tests/engine/closed_form.h (the central-loop half-space solution);
// the ramp and filter references are that solution convolved numerically here, with
// Gauss-Legendre quadrature on a mesh graded towards both ends of the convolution interval.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "closed_form.h"
#include "engine/forward.h"
#include "engine/limits.h"
#include "engine/quadrature.h"

namespace tem::engine {
namespace {

constexpr double Radius = 20;

TemSystem CentralLoop(int sides = 256)
{
    TemSystem s;
    s.geometry.corners = test::CircleAsPolygon(Radius, sides);
    s.waveform = {{0, 0, 1, 0}}; // switched off at t = 0
    return s;
}

TemSystem SquareLoop(Point2 receiver, Component component)
{
    TemSystem s;
    s.geometry.corners = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
    s.geometry.receiver = receiver;
    s.geometry.component = component;
    s.waveform = {{-4e-6, 0, 1, 0}};
    return s;
}

/// Point gates (start = end), log-spaced.
std::vector<Gate> PointGates(double first, double last, int count)
{
    std::vector<Gate> gates;
    for (int i = 0; i < count; ++i) {
        double t = first * std::pow(last / first, i / double(count - 1));
        gates.push_back({t, t, t});
    }
    return gates;
}

LayeredEarth HalfSpace(double rho)
{
    return {{rho}, {}};
}

/// int_a^b f on a mesh graded geometrically towards both a and b.
template <class F> double Integrate(F f, double a, double b)
{
    static const QuadratureRule rule = GaussLegendre(10);
    std::vector<double> breaks{a, b};
    for (int k = 1; k <= 45; ++k) {
        breaks.push_back(a + (b - a) * std::ldexp(1.0, -k));
        breaks.push_back(b - (b - a) * std::ldexp(1.0, -k));
    }
    std::sort(breaks.begin(), breaks.end());
    double sum = 0;
    for (std::size_t i = 0; i + 1 < breaks.size(); ++i) {
        double lo = breaks[i], hi = breaks[i + 1];
        for (std::size_t q = 0; q < rule.nodes.size(); ++q)
            sum += 0.5 * (hi - lo) * rule.weights[q] * f(lo + 0.5 * (hi - lo) * (rule.nodes[q] + 1));
    }
    return sum;
}

TEST(CentralLoop, StepOffMatchesClosedFormFrom5usTo10ms)
{
    // Measured: worst 3e-5 at both resistivities; the tolerance is 0.02 %.
    for (double rho : {10.0, 100.0}) {
        TemSystem s = CentralLoop();
        s.gates = PointGates(5e-6, 1e-2, 34);
        ForwardResult r = Forward(s, HalfSpace(rho));
        for (std::size_t g = 0; g < s.gates.size(); ++g) {
            double t = s.gates[g].centre;
            EXPECT_NEAR(r.gate_values[g] / test::CentralLoopDbdt(Radius, rho, t), 1, 2e-4)
                << rho << " ohm-m, " << t;
        }
    }
}

TEST(CentralLoop, GateMeanIsTheChangeOfBOverTheGate)
{
    TemSystem s = CentralLoop();
    s.gates = {{1e-5, 8e-6, 1.2e-5}, {1e-4, 5e-5, 1.5e-4}, {2e-3, 1e-3, 3e-3}};
    ForwardResult r = Forward(s, HalfSpace(30));
    for (std::size_t g = 0; g < s.gates.size(); ++g) {
        const Gate& gate = s.gates[g];
        double expected =
            (test::CentralLoopB(Radius, 30, gate.start) - test::CentralLoopB(Radius, 30, gate.end)) /
            (gate.end - gate.start);
        EXPECT_NEAR(r.gate_values[g] / expected, 1, 2e-4) << gate.centre;
    }
}

TEST(CentralLoop, LinearRampMatchesConvolvedClosedForm)
{
    // A 4 us linear turn-off ending at t = 0: -dB/dt(t) = (1/L) int_{-L}^{0} r(t - tau) dtau.
    const double ramp = 4e-6;
    for (double rho : {10.0, 100.0}) {
        TemSystem s = CentralLoop();
        s.waveform = {{-ramp, 0, 1, 0}};
        s.gates = PointGates(1e-6, 1e-2, 25);
        ForwardResult r = Forward(s, HalfSpace(rho));
        for (std::size_t g = 0; g < s.gates.size(); ++g) {
            double t = s.gates[g].centre;
            double expected =
                Integrate([&](double tau) { return test::CentralLoopDbdt(Radius, rho, t - tau); }, -ramp, 0) /
                ramp;
            EXPECT_NEAR(r.gate_values[g] / expected, 1, 2e-4) << rho << " ohm-m, " << t;
        }
    }
}

TEST(CentralLoop, GatesInsideAndAcrossTheRampSeeTheWholeField)
{
    // During the ramp the receiver sees the change of the whole field, (B0 - B(t + L)) / L with B0
    // the static field; a gate across the ramp's end averages both parts.
    const double ramp = 4e-6, rho = 10;
    auto reported = [&](double t) {
        double before = t > 0 ? test::CentralLoopB(Radius, rho, t) : Mu0 / (2 * Radius);
        return (before - test::CentralLoopB(Radius, rho, t + ramp)) / ramp;
    };
    TemSystem s = CentralLoop();
    s.waveform = {{-ramp, 0, 1, 0}};
    s.gates = {{-3e-6, -3e-6, -3e-6}, {-1e-6, -1e-6, -1e-6}, {0, -2e-6, 2e-6}, {-6e-6, -6e-6, -6e-6}};
    ForwardResult r = Forward(s, HalfSpace(rho));
    EXPECT_NEAR(r.gate_values[0] / reported(-3e-6), 1, 1e-3);
    EXPECT_NEAR(r.gate_values[1] / reported(-1e-6), 1, 1e-3);
    double across = (Integrate(reported, -2e-6, 0) + Integrate(reported, 0, 2e-6)) / 4e-6;
    EXPECT_NEAR(r.gate_values[2] / across, 1, 1e-3);
    EXPECT_EQ(r.gate_values[3], 0); // before the ramp the current does not change
}

TEST(CentralLoop, ButterworthFiltersMatchConvolutionWithTheirImpulseResponses)
{
    // Impulse responses: order 1  wc e^{-wc t};  order 2  sqrt(2) wc e^{-wc t/sqrt2} sin(wc t/sqrt2).
    // The unfiltered response to the 4 us ramp ending at 0 comes from the closed-form B (B0 its
    // static value): (B0 - B(t + L)) / L during the ramp, (B(t) - B(t + L)) / L after it.
    const double fc = 1e5, wc = 2 * Pi * fc, rho = 20, ramp = 4e-6;
    auto unfiltered = [&](double t) {
        if (t + ramp <= 0)
            return 0.0; // before the ramp (reached through rounding at the interval end)
        double before = t > 0 ? test::CentralLoopB(Radius, rho, t) : Mu0 / (2 * Radius);
        return (before - test::CentralLoopB(Radius, rho, t + ramp)) / ramp;
    };
    struct Case {
        int order;
        double (*impulse)(double, double);
    };
    const Case cases[] = {
        {1, [](double t, double w) { return w * std::exp(-w * t); }},
        {2,
         [](double t, double w) {
             return std::sqrt(2.0) * w * std::exp(-w * t / std::sqrt(2.0)) * std::sin(w * t / std::sqrt(2.0));
         }},
    };
    for (const Case& c : cases) {
        TemSystem s = CentralLoop();
        s.waveform = {{-ramp, 0, 1, 0}};
        s.filters = {{c.order, fc}};
        s.gates = PointGates(5e-6, 1e-3, 12);
        ForwardResult r = Forward(s, HalfSpace(rho));
        for (std::size_t g = 0; g < s.gates.size(); ++g) {
            double t = s.gates[g].centre;
            auto integrand = [&](double tau) { return c.impulse(tau, wc) * unfiltered(t - tau); };
            double expected = Integrate(integrand, 0, t) + Integrate(integrand, t, t + ramp);
            EXPECT_NEAR(r.gate_values[g] / expected, 1, 1e-3) << "order " << c.order << ", " << t;
        }
    }
}

TEST(CentralLoop, FilterFarAboveTheGatesChangesNothing)
{
    TemSystem s = CentralLoop(64);
    s.waveform = {{-4e-6, 0, 1, 0}};
    s.gates = PointGates(2e-5, 1e-3, 6);
    std::vector<double> plain = Forward(s, HalfSpace(30)).gate_values;
    s.filters = {{4, 1e9}};
    std::vector<double> filtered = Forward(s, HalfSpace(30)).gate_values;
    // What remains is the filter's group delay (about 0.4 ns) on a decay falling as t^-2.5: 5e-5 at 20 us.
    for (std::size_t g = 0; g < plain.size(); ++g)
        EXPECT_NEAR(filtered[g] / plain[g], 1, 1e-4) << g;
}

TEST(LayeredEarth, ThinAndThickTopLayersTendToHalfSpaces)
{
    TemSystem s = CentralLoop(64);
    s.gates = PointGates(1e-5, 1e-3, 9);
    ForwardResult below = Forward(s, HalfSpace(100));
    ForwardResult top = Forward(s, HalfSpace(10));
    ForwardResult thin = Forward(s, LayeredEarth{{10, 100}, {0.001}});  // 0.1 mS over 100 ohm-m
    ForwardResult thick = Forward(s, LayeredEarth{{10, 1000}, {2000}}); // diffusion depth < 200 m by 1 ms
    ForwardResult same = Forward(s, LayeredEarth{{10, 10, 10}, {3, 7}});
    for (std::size_t g = 0; g < s.gates.size(); ++g) {
        EXPECT_NEAR(thin.gate_values[g] / below.gate_values[g], 1, 2e-3) << g;
        EXPECT_NEAR(thick.gate_values[g] / top.gate_values[g], 1, 1e-4) << g;
        EXPECT_NEAR(same.gate_values[g] / top.gate_values[g], 1, 1e-9) << g;
    }
}

TEST(OffsetReceivers, SquareLoopSymmetriesHold)
{
    // Nine systems over one earth share one table of reflection coefficients, as a run does.
    const LayeredEarth earth{{50, 5, 200}, {15, 25}};
    TemSystem clockwise = SquareLoop({8, 3}, Component::Z);
    std::reverse(clockwise.geometry.corners.begin(), clockwise.geometry.corners.end());
    TemSystem shifted = SquareLoop({1008, -497}, Component::Z);
    for (Point2& p : shifted.geometry.corners)
        p = {p.x + 1000, p.y - 500};
    std::vector<TemSystem> systems{
        SquareLoop({8, 3}, Component::Z),
        SquareLoop({-8, 3}, Component::Z),
        SquareLoop({-3, 8}, Component::Z),
        clockwise,
        shifted,
        SquareLoop({8, 3}, Component::X),
        SquareLoop({-8, 3}, Component::X),
        SquareLoop({-3, 8}, Component::Y), // (8, 3) turned by 90 degrees
    };
    std::vector<PreparedSystem> prepared;
    for (TemSystem& s : systems) {
        s.gates = PointGates(1e-5, 2e-3, 6);
        prepared.push_back(PrepareSystem(s));
    }
    std::vector<const PreparedSystem*> all;
    for (const PreparedSystem& p : prepared)
        all.push_back(&p);
    const KernelTable table = ComputeKernelTable(all, earth);
    std::vector<std::vector<double>> v;
    for (const PreparedSystem& p : prepared)
        v.push_back(Forward(p, earth, &table).gate_values);
    EXPECT_EQ(v[0], Forward(systems[0], earth).gate_values); // the shared table changes nothing
    enum { Vertical, Mirrored, Rotated, Reversed, Moved, X, XMirrored, YRotated };
    for (std::size_t g = 0; g < v[0].size(); ++g) {
        EXPECT_NEAR(v[Mirrored][g] / v[Vertical][g], 1, 1e-9);
        EXPECT_NEAR(v[Rotated][g] / v[Vertical][g], 1, 1e-6);
        EXPECT_NEAR(v[Reversed][g] / v[Vertical][g], 1, 1e-9);
        EXPECT_NEAR(v[Moved][g] / v[Vertical][g], 1, 1e-6);
        EXPECT_NEAR(v[XMirrored][g] / v[X][g], -1, 1e-9);
        EXPECT_NEAR(v[YRotated][g] / v[X][g], 1, 1e-6);
        EXPECT_GT(v[Vertical][g], 0);
        EXPECT_GT(v[X][g], 0); // -dB_x/dt: the currents below spread outward and down
    }
}

TEST(OffsetReceivers, VerticalOutsideTheLoopIsNegativeEarlyThenChangesSign)
{
    TemSystem s = SquareLoop({60, 0}, Component::Z);
    s.waveform = {{0, 0, 1, 0}};
    s.gates = PointGates(1e-6, 1e-3, 31);
    std::vector<double> v = Forward(s, HalfSpace(10)).gate_values;
    EXPECT_LT(v.front(), 0);
    EXPECT_GT(v.back(), 0);
    int changes = 0;
    for (std::size_t g = 1; g < v.size(); ++g)
        changes += (v[g] > 0) != (v[g - 1] > 0);
    EXPECT_EQ(changes, 1);
}

TEST(Decays, AreSmoothFromGateToGate)
{
    // Fourth differences of ln(value) over ln(time) are small for a smooth decay (the layering itself
    // gives up to about 3e-4 here); noise alternating by 0.1 % from gate to gate would make them 0.016.
    TemSystem s = SquareLoop({0, 0}, Component::Z);
    s.filters = {{2, 3e5}, {1, 4.5e5}};
    s.gates = PointGates(1e-5, 1e-2, 61);
    std::vector<double> v = Forward(s, LayeredEarth{{100, 20, 300, 50, 1000}, {10, 20, 30, 40}}).gate_values;
    for (std::size_t g = 4; g < v.size(); ++g) {
        ASSERT_GT(v[g], 0);
        double d4 = std::log(v[g]) - 4 * std::log(v[g - 1]) + 6 * std::log(v[g - 2]) -
                    4 * std::log(v[g - 3]) + std::log(v[g - 4]);
        EXPECT_LT(std::abs(d4), 4e-3) << s.gates[g].centre;
    }
}

TEST(Waveform, CurrentThatNeverChangesGivesZeroAndBeforeTheChangeToo)
{
    TemSystem s = CentralLoop(16);
    s.waveform = {};
    s.gates = {{1e-5, 1e-5, 1e-5}};
    EXPECT_EQ(Forward(s, HalfSpace(10)).gate_values, std::vector<double>{0.0});
    s.waveform = {{1e-3, 1e-3, 1, 0}};
    EXPECT_EQ(Forward(s, HalfSpace(10)).gate_values, std::vector<double>{0.0});
}

TEST(Entry, RefusesWhatCannotBeComputedWhoeverCalls)
{
    TemSystem good = SquareLoop({0, 0}, Component::Z);
    good.gates = PointGates(1e-5, 1e-3, 5);
    const PreparedSystem prepared = PrepareSystem(good);
    struct EarthCase {
        LayeredEarth earth;
        const char* words;
    };
    const EarthCase earths[] = {
        {{{}, {}}, "no layers"},
        {{{10, 100}, {}}, "it needs 1 thicknesses"},
        {{{10}, {5}}, "it needs 0 thicknesses"},
        {{{1e-160}, {}}, "resistivity of layer 1 is 1e-160"},
        {{{10, NAN}, {5}}, "resistivity of layer 2 is nan"},
        {{{10, 100}, {0}}, "thickness of layer 1 is 0"},
        {{{10, 100}, {INFINITY}}, "thickness of layer 1 is inf"},
    };
    for (const EarthCase& c : earths) {
        for (int entry = 0; entry < 2; ++entry) {
            try {
                if (entry == 0)
                    Forward(prepared, c.earth);
                else
                    ComputeKernelTable({&prepared}, c.earth);
                ADD_FAILURE() << c.words;
            } catch (const std::invalid_argument& e) {
                EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
            }
        }
    }
    struct SystemCase {
        void (*spoil)(TemSystem&);
        const char* words;
    };
    const SystemCase systems[] = {
        {[](TemSystem& s) { s.geometry.corners.resize(2); }, "the loop has 2 corners"},
        {[](TemSystem& s) { s.geometry.corners[1].x = NAN; }, "a loop corner (nan"},
        {[](TemSystem& s) {
             s.geometry.receiver = {20, 0};
         },
         "within 1 cm of the loop wire"},
        {[](TemSystem& s) { s.geometry.loop_height = -1; }, "at or above the ground surface"},
        {[](TemSystem& s) {
             s.filters = {{2, 0}};
         },
         "filter 1 has a cut-off of 0 Hz"},
        {[](TemSystem& s) {
             s.filters = {{2, 1e-200}};
         },
         "cut-off of 1e-200 Hz"},
        {[](TemSystem& s) {
             s.filters = {{0, 1e5}};
         },
         "filter 1 has order 0"},
        {[](TemSystem& s) {
             s.waveform = {{0, -1, 1, 0}};
         },
         "sub-wave 1 ends before it starts"},
        {[](TemSystem& s) { s.gates[2].end = NAN; }, "gate 3 has a time beyond"},
    };
    for (const SystemCase& c : systems) {
        TemSystem s = good;
        c.spoil(s);
        try {
            PrepareSystem(s);
            ADD_FAILURE() << c.words;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
        }
    }
    // A prepared system filled in by hand is checked too.
    PreparedSystem by_hand = prepared;
    by_hand.filters = {{2, 0}};
    EXPECT_THROW(Forward(by_hand, HalfSpace(100)), std::invalid_argument);
}

TEST(Entry, ValuesAtTheLimitsGiveFiniteResults)
{
    TemSystem s = SquareLoop({5, 3}, Component::X);
    s.gates = PointGates(1e-7, MaxTime, 12);
    for (std::vector<ButterworthFilter> filters :
         {std::vector<ButterworthFilter>{{MaxFilterOrder, MinCutoff}},
          std::vector<ButterworthFilter>{{1, MaxCutoff}}}) {
        s.filters = filters;
        const PreparedSystem prepared = PrepareSystem(s);
        for (const LayeredEarth& earth :
             {HalfSpace(MinResistivity), HalfSpace(MaxResistivity),
              LayeredEarth{{MinResistivity, MaxResistivity}, {1e-9}},
              LayeredEarth{{MaxResistivity, MinResistivity}, {MaxThickness}},
              LayeredEarth{{MaxResistivity, MinResistivity, MaxResistivity}, {1e-3, 1}}}) {
            ForwardResult r = Forward(prepared, earth);
            for (double v : r.gate_values)
                EXPECT_TRUE(std::isfinite(v)) << earth.resistivity[0] << " " << filters[0].cutoff_hz;
        }
    }
}

} // namespace
} // namespace tem::engine
