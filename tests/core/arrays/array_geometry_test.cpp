#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "array_test_support.h"
#include "core/arrays/array_geometry.h"
#include "core/operator.h"

namespace tem {
namespace {

using testing::MakeArray;
using testing::WennerPairs;

constexpr double Pi = std::numbers::pi;

TEST(ArrayGeometry, GeometricFactors)
{
    TArrayConfiguration a = MakeArray({{{1, 1}, {2, -1}}, WennerPairs(10), {{1e-8, 1}, {4, 1}}});
    RecordingOperator op;
    CalcGeomFact(a, op);
    EXPECT_DOUBLE_EQ(a.GeomFact[1], 4 * Pi);
    EXPECT_DOUBLE_EQ(a.GeomFact[2], 2 * Pi * 10);
    EXPECT_DOUBLE_EQ(a.GeomFact[3], 8 * Pi);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0], "Cannot calculate geometric factor for separations<0.0000001");

    // Submerged: at depth 0 it equals the ordinary one; far deeper than every separation it
    // approaches twice the ordinary one.
    a.SubDepth = 0;
    CalcSubmergedGeomFact(a, op);
    EXPECT_DOUBLE_EQ(a.SubmergedGeomFact[2], a.GeomFact[2]);
    a.SubDepth = 1e7;
    CalcSubmergedGeomFact(a, op);
    EXPECT_NEAR(a.SubmergedGeomFact[2] / a.GeomFact[2], 2, 1e-5);
    EXPECT_EQ(Sgn(0), 1);
    EXPECT_EQ(Sgn(-0.1), -1);
}

TEST(ArrayGeometry, EffectiveDepthsOnTheGrid)
{
    const auto& g = NDICDepthGrid();
    ASSERT_EQ(g.D.size(), 5001u);
    TArrayConfiguration a = MakeArray({{{10, 1}}, WennerPairs(10), {{10, 1}, {10, -1}}, {{1e6, 1}}});
    NDICEffDepth(a);
    // Pole-pole at 10 m: the median is sqrt(3)/2 * 10 m, grid index 2938.
    EXPECT_FLOAT_EQ(a.EffDepth[1], float(g.D[2938]));
    EXPECT_NEAR(a.EffDepth[1], 8.6696, 1e-4);
    EXPECT_FLOAT_EQ(a.EffDepth[2], float(g.D[2715]));
    EXPECT_NEAR(a.EffDepth[2], 5.188, 1e-3);
    // Shares that cancel and a separation far beyond the grid both end at D[4999].
    EXPECT_FLOAT_EQ(a.EffDepth[3], float(g.D[4999]));
    EXPECT_FLOAT_EQ(a.EffDepth[4], float(g.D[4999]));
    EXPECT_NEAR(a.EffDepth[4], 997.7, 0.05);
}

TEST(ArrayGeometry, MidpointsWeightedByShareOverSeparation)
{
    TArrayConfiguration a = MakeArray({{{2, 1}, {6, -1}}, {{0, 1}, {0, -1}}});
    TArrayConfigExt ext;
    ext.MonopoleTx[1][1] = 0, ext.MonopoleRx[1][1] = 2; // centre 1, weight 1/2
    ext.MonopoleTx[1][2] = 0, ext.MonopoleRx[1][2] = 6; // centre 3, weight 1/6
    ext.MonopoleRy[1][2] = 4;
    ext.MonopoleTx[2][1] = 1, ext.MonopoleRx[2][1] = 3;
    ext.MonopoleTx[2][2] = 5, ext.MonopoleRx[2][2] = 7;
    CalcMidpoints(a, ext);
    EXPECT_DOUBLE_EQ(a.MidpointX[1], (0.5 * 1 + 3.0 / 6) / (0.5 + 1.0 / 6));
    EXPECT_DOUBLE_EQ(ext.MidpointY[1], (2.0 / 6) / (0.5 + 1.0 / 6));
    // Zero separations give no usable weight: the plain mean instead of a division by zero.
    EXPECT_DOUBLE_EQ(a.MidpointX[2], 4);
}

} // namespace
} // namespace tem
