#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/forward/forward_graphs.h"

namespace tem {
namespace {

std::vector<TModel> Models(const std::vector<std::pair<std::vector<double>, std::vector<double>>>& list)
{
    std::vector<TModel> out;
    for (const auto& [h, rho] : list)
        out.push_back(MakeLayeredModel(h, rho));
    return out;
}

/// n gates of one model: times 1e-5 .. , dB/dt falling as t^-2.5, apparent resistivity 100.
void AddDecay(TEMGraphInput& in, int n, double scale)
{
    std::vector<double> t, v, rho, loci;
    for (int i = 1; i <= n; ++i) {
        t.push_back(1e-5 * i);
        v.push_back(scale * std::pow(1e-5 * i, -2.5) * 1e-15);
        rho.push_back(100 * scale);
        loci.push_back(10.0 * i);
    }
    in.times.push_back(t);
    in.dBdt.push_back(v);
    in.appRes.push_back(rho);
    in.loci.push_back(loci);
    in.gates = n;
}

TEST(ForwardGraphs, StaircaseTopBottomAndLabels)
{
    // Three layers: 0.2 m and 3 m over a half-space; the second model's first thickness is 5 m.
    const auto models = Models({{{0.2, 3}, {10, 31.6227766, 1000}}, {{5, 30}, {20, 40, 50}}});
    const auto st = ModelStaircases(models, 1.0, 10.0, false);
    ASSERT_EQ(st.size(), 2u);
    ASSERT_EQ(st[0].size(), 6u);
    // Every staircase starts at half the smallest first thickness (0.1 m) and ends at twice the
    // deepest layer bottom (35 m > 10 m: 70 m).
    EXPECT_DOUBLE_EQ(st[0][0].x, 0.5 * double(0.2f));
    EXPECT_DOUBLE_EQ(st[1][0].x, 0.5 * double(0.2f));
    EXPECT_DOUBLE_EQ(st[0][5].x, 70);
    EXPECT_DOUBLE_EQ(st[1][5].x, 70);
    EXPECT_NEAR(st[0][1].x, 0.2, 1e-6);
    EXPECT_NEAR(st[0][3].x, 3.2, 1e-6);
    EXPECT_DOUBLE_EQ(st[0][2].y, double(float(31.6227766)));
    // First model: "%5.3g"; the others: the shortest text of the stored single-precision value.
    EXPECT_EQ(st[0][0].label, "R   10");
    EXPECT_EQ(st[0][1].label, "T  0.2");
    EXPECT_EQ(st[0][2].label, "R 31.6");
    EXPECT_EQ(st[0][5].label, "T*****");
    EXPECT_EQ(st[1][1].label, "T5");
    EXPECT_EQ(st[1][2].label, "R40");

    // All first thicknesses of 1 m or more: the top is 0.5 m.
    const auto thick = Models({{{1, 3}, {10, 20, 30}}, {{2, 3}, {10, 20, 30}}});
    EXPECT_DOUBLE_EQ(ModelStaircases(thick, 1.0, 10.0, false)[1][0].x, 0.5);
    // A half-space alone: its resistivity is not taken for a thickness.
    const auto half = ModelStaircases(Models({{{}, {0.05}}}), 1.0, 10.0, false);
    ASSERT_EQ(half[0].size(), 2u);
    EXPECT_DOUBLE_EQ(half[0][0].x, 0.5);
    EXPECT_DOUBLE_EQ(half[0][1].x, 20);
}

TEST(ForwardGraphs, GeoGraphUsesLog10AndEffectiveDepths)
{
    const auto models = Models({{{2}, {10, 100}}, {{4}, {10, 100}}});
    const std::vector<double> eff = {0.5, 2, 8};
    const std::vector<std::vector<double>> ln10 = {{1.0, 1.5, 2.0}, {1.0, 1.2, std::log10(1234.5)}};
    const auto g = BuildGeoGraph(models, ln10, eff);
    ASSERT_EQ(g.models.size(), 2u);
    // Top from the first effective depth (0.5 < 2), bottom twice max(8, 4) m.
    EXPECT_NEAR(g.models[0][0].x, std::log10(0.25), 1e-12);
    EXPECT_NEAR(g.models[0][3].x, std::log10(16.0), 1e-12);
    EXPECT_NEAR(g.models[0][2].y, 2.0, 1e-12);
    ASSERT_EQ(g.responses[1].size(), 3u);
    EXPECT_NEAR(g.responses[1][2].x, std::log10(8.0), 1e-12);
    EXPECT_EQ(g.responses[0][1].label, " 31.6");
    EXPECT_EQ(g.responses[1][2].label, "1.2E003");
}

TEST(ForwardGraphs, TEMSeriesDetectabilityAndNoise)
{
    struct Case {
        const char* name;
        int models;
        double secondScale;
        double noise1;
        bool detect;
        bool noise;
        std::string sum;
    };
    const Case cases[] = {
        {"equal models", 2, 1.0, 1e-12, true, true, "   0.00"},
        {"one model", 1, 1.0, 1e-12, false, true, "   0.00"},
        {"no noise level", 2, 0.5, 0.0, false, false, "   0.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEMGraphInput in;
        for (int m = 0; m < c.models; ++m) {
            in.models.push_back(MakeLayeredModel({10}, {100, 100}));
            AddDecay(in, 5, m == 0 ? 1.0 : c.secondScale);
        }
        in.noise = {c.noise1, 1e-12, 1e-12, 1e-12, 1e-12, 1e-12};
        const auto g = BuildTEMGraph(in);
        EXPECT_EQ(int(g.models.size()), c.models);
        EXPECT_EQ(g.detectActive, c.detect);
        EXPECT_EQ(g.noiseActive, c.noise);
        EXPECT_EQ(SumDetectText(g.SumDetect), c.sum);
        if (c.detect) {
            ASSERT_EQ(g.detect.size(), 5u);
            for (const auto& p : g.detect)
                EXPECT_EQ(p.y, 0.0);
        }
        if (c.noise) {
            ASSERT_EQ(g.noise.size(), 5u);
            EXPECT_DOUBLE_EQ(g.noise[2].x, 3e-5);
            EXPECT_EQ(g.noise[0].label, "1E-012");
        }
    }
}

TEST(ForwardGraphs, TEMPointsSignsAndSums)
{
    TEMGraphInput in;
    for (int m = 0; m < 12; ++m) {
        in.models.push_back(MakeLayeredModel({10}, {100, 10.0 + m}));
        AddDecay(in, 3, 1.0 + m);
    }
    in.dBdt[0][2] = -2.5e-9; // a sign change late in the decay
    in.noise = {1e-9, 2e-9, 1e-9};
    const auto g = BuildTEMGraph(in);
    // Twelve models draw eight.
    EXPECT_EQ(g.models.size(), 8u);
    EXPECT_EQ(g.dBdt.size(), 8u);
    EXPECT_DOUBLE_EQ(g.dBdt[0][2].y, 2.5e-9);
    EXPECT_EQ(g.dBdt[0][2].label, "-2.5E-009");
    // The negative value is marked as such, the positive ones are not.
    ASSERT_EQ(g.dBdtNegative[0].size(), 1u);
    EXPECT_DOUBLE_EQ(g.dBdtNegative[0][0].x, in.times[0][2]);
    EXPECT_DOUBLE_EQ(g.dBdtNegative[0][0].y, 2.5e-9);
    EXPECT_TRUE(g.dBdtNegative[1].empty());
    EXPECT_DOUBLE_EQ(g.appRes[3][1].x, 0.4 * 20);
    EXPECT_DOUBLE_EQ(g.appRes[3][1].y, 400);
    // Detectability: first model minus second, signed, per gate's own noise.
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        const double d = (in.dBdt[0][std::size_t(i)] - in.dBdt[1][std::size_t(i)]) / in.noise[std::size_t(i)];
        EXPECT_DOUBLE_EQ(g.detect[std::size_t(i)].y, d);
        sum += d;
    }
    EXPECT_DOUBLE_EQ(g.SumDetect, sum);
    EXPECT_EQ(SumDetectText(-1234.567), "-1234.57");
}

// A gate without an apparent resistivity (negative dB/dt, a gate in the ramp) draws no point
// rather than a floor value that looks like a shallow layer.
TEST(ForwardGraphs, UndefinedApparentResistivityDrawsNoPoint)
{
    TEMGraphInput in;
    in.models.push_back(MakeLayeredModel({10}, {100, 10}));
    AddDecay(in, 4, 1.0);
    in.appRes[0][0] = std::nan("");
    in.loci[0][0] = std::nan("");
    in.appRes[0][2] = std::nan("");
    const auto g = BuildTEMGraph(in);
    ASSERT_EQ(g.appRes[0].size(), 2u);
    EXPECT_DOUBLE_EQ(g.appRes[0][0].x, 0.4 * 20);
    EXPECT_DOUBLE_EQ(g.appRes[0][1].x, 0.4 * 40);
    EXPECT_EQ(g.dBdt[0].size(), 4u);
}

TEST(ForwardGraphs, GateWithoutNoiseIsLeftOutOfDetectability)
{
    TEMGraphInput in;
    for (int m = 0; m < 2; ++m) {
        in.models.push_back(MakeLayeredModel({10}, {100, 100}));
        AddDecay(in, 4, 1.0 + m);
    }
    in.noise = {1e-9, 0.0}; // gate 2 has no level, gates 3 and 4 none at all
    const auto g = BuildTEMGraph(in);
    ASSERT_TRUE(g.detectActive);
    ASSERT_EQ(g.detect.size(), 1u);
    EXPECT_TRUE(std::isfinite(g.SumDetect));
    EXPECT_EQ(g.noise.size(), 2u);
}

} // namespace
} // namespace tem
