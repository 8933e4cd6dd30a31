#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>

#include "array_test_support.h"
#include "core/arrays/array_geometry.h"
#include "core/arrays/depth_of_investigation.h"
#include "core/operator.h"

namespace tem {
namespace {

using testing::MakeArray;
using testing::WennerPairs;

double Sum(const std::vector<double>& v)
{
    return std::accumulate(v.begin(), v.end(), 0.0);
}

ArrayDescription Described(const TArrayConfiguration& a)
{
    ArrayDescription d;
    d.AConfig = a;
    d.AConfigExt.AConfigType = "Wenner";
    RecordingOperator op;
    RecalculateArray(d, op);
    return d;
}

TEST(NDICCurves, HalfSpaceAndOneLayer)
{
    const TArrayConfiguration a = MakeArray({{{10, 1}}, WennerPairs(10), {{10, 1}, {10, -1}}});
    NDICOptions o;
    const auto half = NDICCurves(a, o);
    ASSERT_EQ(half.size(), 3u);
    ASSERT_EQ(half[0].X.size(), 999u);
    EXPECT_NEAR(half[0].X.front(), std::pow(10.0, -1.995), 1e-12);
    // The pole-pole characteristic integrates to 1; the part below 1000 m is r / 2000 m.
    EXPECT_NEAR(Sum(half[0].Y), 1 - 10.0 / 2000, 2e-3);
    EXPECT_NEAR(Sum(half[1].Y), 1, 2e-3);
    // Shares that cancel: a zero characteristic rather than a division by zero.
    EXPECT_EQ(Sum(half[2].Y), 0);

    // One layer over a half-space of the same resistivity is the half-space curve, normalised.
    o.OneLayer = true;
    o.SurfaceRes = o.HalfSpaceRes = 30;
    const auto same = NDICCurves(a, o);
    EXPECT_NEAR(Sum(same[0].Y), 1, 1e-12);
    for (std::size_t s : {100u, 500u, 800u})
        EXPECT_NEAR(same[0].Y[s], half[0].Y[s] / Sum(half[0].Y), 1e-12);
    // A conductive layer under a resistive one: still normalised, and more terms change it.
    o.SurfaceRes = 100;
    o.HalfSpaceRes = 1;
    const auto six = NDICCurves(a, o);
    o.ReflectedTerms = 20;
    const auto twenty = NDICCurves(a, o);
    EXPECT_NEAR(Sum(six[1].Y), 1, 1e-12);
    EXPECT_NE(six[1].Y[300], twenty[1].Y[300]);
    o.DIC = true;
    const auto dic = NDICCurves(a, o);
    for (double v : dic[2].Y)
        EXPECT_TRUE(std::isfinite(v));
}

TEST(Detectability, SeriesTitlesAndPoints)
{
    ArrayDescription d = Described(MakeArray({WennerPairs(10), WennerPairs(40)}));
    DetectabilityOptions o;
    o.TrackBar = 1;
    RecordingOperator op;
    DetectabilityChart c = DetectabilityCurves(d, o, op);
    ASSERT_EQ(c.Title.size(), 4u);
    EXPECT_EQ(c.Title[1], "for an Array type of WENNER  with Half Space Resistivity = 100 Ohmm");
    EXPECT_EQ(c.Title[2], "Transmitter Current = 1Amps  System Noise = 0.001Volts");
    EXPECT_EQ(c.Title[3], "Change in resistivity between the layer detected and the half space = 1%");
    ASSERT_EQ(c.Series.size(), 6u);
    EXPECT_EQ(c.Series[0].Title, "DIC for Config. 1");
    EXPECT_FALSE(c.Series[0].Active);
    EXPECT_TRUE(c.Series[2].RightAxis);
    EXPECT_EQ(c.Series[2].Title, "DIC summed over the whole array");
    EXPECT_EQ(c.Series[3].Title, "Detectability for Config number1");
    EXPECT_EQ(c.Series[5].Title, "Detectability for the Entire Array");
    // The summed DIC is the sum of the configurations'.
    EXPECT_DOUBLE_EQ(c.Series[2].Y[400], c.Series[0].Y[400] + c.Series[1].Y[400]);
    // Shallow layers are detectable, with a positive thickness; deep ones are not.
    const ChartSeries& whole = c.Series[5];
    ASSERT_FALSE(whole.X.empty());
    EXPECT_LT(whole.X.front(), 0.1);
    for (double t : whole.Y)
        EXPECT_GT(t, 0);
    EXPECT_LT(whole.X.back(), 1000);

    // A noise level that no layer reaches gives no points; nonsense options no series at all.
    o.NoiseV = 1e6;
    c = DetectabilityCurves(d, o, op);
    EXPECT_TRUE(c.Series[5].X.empty());
    o.NoiseV = 0;
    c = DetectabilityCurves(d, o, op);
    EXPECT_TRUE(c.Series.empty());
    EXPECT_NE(op.messages.back().find("must all be above 0"), std::string::npos);
}

TEST(SignalVsEffDepth, OnePointPerConfiguration)
{
    ArrayDescription d = Described(MakeArray({WennerPairs(10), {{5, 1}, {5, -1}}}));
    DetectabilityOptions o;
    const SignalVsEffDepthChart c = SignalVsEffDepth(d, o, 1);
    EXPECT_EQ(c.Series.Title, "Geo-electric Array 1");
    EXPECT_EQ(c.Title[0], "Signal To Noise Ratio versus Effective Depth");
    ASSERT_EQ(c.Series.X.size(), 1u); // the second has no geometric factor
    EXPECT_FLOAT_EQ(float(c.Series.X[0]), d.AConfig.EffDepth[1]);
    EXPECT_DOUBLE_EQ(c.Series.Y[0], 100 / (d.AConfig.GeomFact[1] * 0.001));
}

TEST(SignalContribution, SectionGrid)
{
    ArrayDescription d = Described(MakeArray({{{100, 1}, {300, -1}}}));
    d.AConfigExt.MonopoleTx[1][1] = 0, d.AConfigExt.MonopoleRx[1][1] = 100;
    d.AConfigExt.MonopoleTx[1][2] = -200, d.AConfigExt.MonopoleRx[1][2] = 100;
    RecordingOperator op;
    SignalContributionOptions o;
    SignalContributionSection s = UpdateSCE(d, o, op);
    EXPECT_DOUBLE_EQ(s.CellW, 10);
    EXPECT_EQ(s.numZCells, 50);
    EXPECT_DOUBLE_EQ(s.MinX, -200 - 0.15 * 300);
    EXPECT_DOUBLE_EQ(s.MaxX, 100 + 0.15 * 345);
    EXPECT_EQ(s.numXCells, int(std::ceil((s.MaxX - s.MinX) / 10)));
    EXPECT_EQ(s.Values.size(), std::size_t(s.numXCells) * 50u);
    EXPECT_FLOAT_EQ(float(s.MaxZ), 2 * d.AConfig.EffDepth[1]);
    for (double v : s.Values)
        ASSERT_TRUE(std::isfinite(v));
    EXPECT_TRUE(op.messages.empty());

    d.AConfig.SubDepth = 5;
    o.Submerged = true;
    o.Y = 3;
    s = UpdateSCE(d, o, op);
    EXPECT_FLOAT_EQ(float(s.ElectrodeDepth), d.AConfig.EffDepth[1] + 5);
    for (double v : s.Values)
        ASSERT_TRUE(std::isfinite(v));

    // A tiny separation would ask for millions of columns; the section stays bounded.
    d.AConfig.CP[1][1] = 1e-6;
    s = UpdateSCE(d, o, op);
    EXPECT_LE(s.numXCells, MaxSectionColumns + 1);
    EXPECT_NE(op.messages.back().find("columns"), std::string::npos);
    d.AConfigExt.MonopoleTx[1][1] = -1.7e308;
    d.AConfigExt.MonopoleRx[1][1] = 1.7e308;
    s = UpdateSCE(d, o, op);
    EXPECT_EQ(s.numXCells, 0);
    EXPECT_TRUE(s.Values.empty());
}

} // namespace
} // namespace tem
