#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "core/arrays/array_file.h"
#include "core/arrays/array_generators.h"
#include "core/operator.h"

namespace tem {
namespace {

bool Contains(const std::vector<std::string>& messages, const std::string& part)
{
    for (const auto& m : messages)
        if (m.find(part) != std::string::npos)
            return true;
    return false;
}

/// Sum of the absolute shares of the pairs whose current point lies on the near current electrode
/// (x in [-length, 0]) and whose potential point is at x.
double NearElectrodeShare(const ArrayDescription& d, int i, double potentialX, double length)
{
    double s = 0;
    for (int j = 1; j <= d.AConfig.numCurPot[i]; ++j)
        if (d.AConfigExt.MonopoleRx[i][j] == potentialX && d.AConfigExt.MonopoleTx[i][j] <= 0 &&
            d.AConfigExt.MonopoleTx[i][j] >= -length)
            s += std::fabs(d.AConfig.CPProp[i][j]);
    return s;
}

TEST(ExponentialBipole, PointElectrodesAndPortioning)
{
    RecordingOperator op;
    ArrayDescription d;
    ExponentialBipoleEntry e;
    e.ElectrodeLength = "0";
    ASSERT_TRUE(GenerateExponentialBipole(d, 5, e, op));
    EXPECT_EQ(d.AConfig.MaxCP, 4);
    EXPECT_EQ(d.AConfig.numCurPot[5], 4);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][1], 0.5);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][4], 17);
    EXPECT_DOUBLE_EQ(d.AConfigExt.Elecx[1][2], -16);
    EXPECT_TRUE(Contains(op.messages, "The portioning algorithm is not perfect"));
    EXPECT_EQ(d.AConfigExt.AConfigType, "ExponentialBipole");

    // The defaults: CurrSep 16, exponents -1 step 1, length 0.5, c 0.3. Pair 1 (0.5 m) is cut in
    // two: 0.3 * 1.69 * 0.5 = 0.2535, then 0.507 * 0.7535; scaled to the electrode length.
    e = ExponentialBipoleEntry{};
    d = ArrayDescription{};
    ASSERT_TRUE(GenerateExponentialBipole(d, 3, e, op));
    const double p1 = 0.2535, p2 = 0.3 * 1.69 * (0.5 + p1), scale = 0.5 / (p1 + p2);
    EXPECT_EQ(d.AConfig.numCurPot[1], 5);
    EXPECT_NEAR(d.AConfig.CPProp[1][1], p1 * scale / 0.5, 1e-12);
    EXPECT_NEAR(d.AConfig.CP[1][2], 0.5 + p1 * scale, 1e-12);
    EXPECT_NEAR(d.AConfig.CPProp[1][2], p2 * scale / 0.5, 1e-12);
    EXPECT_NEAR(d.AConfigExt.MonopoleTx[1][2], -p1 * scale, 1e-12);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][3], 1); // the initial pair 2 moved behind the portions
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][5], 17);
    // Every physical electrode still carries a share of 1.
    for (int i = 1; i <= 3; ++i)
        EXPECT_NEAR(NearElectrodeShare(d, i, d.AConfigExt.Elecx[i][3], 0.5), 1, 1e-12) << i;
    EXPECT_EQ(d.AConfig.MaxCP, 5);
    EXPECT_DOUBLE_EQ(d.AConfigExt.PortionSizer, 0.3);
    EXPECT_DOUBLE_EQ(d.FirstPotentDist, -1);
}

TEST(ExponentialBipole, CurvatureAndGrid)
{
    RecordingOperator op;
    ArrayDescription d;
    ExponentialBipoleEntry e;
    e.ElectrodeLength = "0";
    e.Curved = true;
    e.Radius = "10";
    e.PotDist = {"4", "", "8"}; // an empty cell takes the refreshed value 2^0
    ASSERT_TRUE(GenerateExponentialBipole(d, 2, e, op));
    const double chord4 = 20 * std::sin(4.0 / 20);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][1], chord4);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][2], 20 * std::sin(1.0 / 20));
    EXPECT_DOUBLE_EQ(d.AConfigExt.Elecx[1][2], -20 * std::sin(16.0 / 20));
    // E3 lies on the circle through E1 tangent to the line: its distance from E1 is the chord.
    EXPECT_NEAR(std::hypot(d.AConfigExt.Elecx[1][3], d.AConfigExt.Elecy[1][3]), chord4, 1e-12);
    EXPECT_GT(d.AConfigExt.Elecy[1][3], 0);

    ASSERT_TRUE(RefreshExponentialTable(e, 3, op));
    EXPECT_EQ(e.PotDist, (std::vector<std::string>{"0.5", "1", "2"}));
}

TEST(ExponentialBipole, PortioningBeyondTheLimitsIsRefused)
{
    struct Case {
        const char* length;
        const char* c;
        const char* expect;
    };
    const Case cases[] = {{"10", "0.1", "at most 30 are possible"},
                          {"0.5", "0", "more than 100 portions"},
                          {"0.5", "-1", "more than 100 portions"}};
    for (const Case& k : cases) {
        RecordingOperator op;
        ArrayDescription d;
        const ArrayDescription before = d;
        ExponentialBipoleEntry e;
        e.ElectrodeLength = k.length;
        e.GrowthConstant = k.c;
        EXPECT_FALSE(GenerateExponentialBipole(d, 4, e, op)) << k.c;
        EXPECT_TRUE(Contains(op.messages, k.expect)) << k.c;
        EXPECT_FALSE(Contains(op.messages, "The portioning algorithm is not perfect"));
        EXPECT_EQ(d.AConfig.numBipoles, before.AConfig.numBipoles);
        EXPECT_EQ(d.AConfig.CP, before.AConfig.CP);
    }
}

TEST(ArrayGenerators, BadEntriesLeaveTheDescriptionUnchanged)
{
    RecordingOperator op;
    ArrayDescription d;
    WennerEntry w;
    ActivateWennerTable(w, 3);
    ASSERT_TRUE(GenerateWenner(d, 3, w, op));
    const ArrayDescription before = d;

    w.Rows[1][0] = "2,5";
    EXPECT_FALSE(GenerateWenner(d, 3, w, op));
    EXPECT_EQ(op.messages.back(), "\"2,5\" in row 2, column A is not a number; nothing was generated.");
    w.Rows[1] = {"2", "x"};
    EXPECT_FALSE(GenerateWenner(d, 3, w, op));
    EXPECT_FALSE(GenerateWenner(d, 0, w, op));
    EXPECT_FALSE(GenerateWenner(d, 26, w, op));
    EXPECT_TRUE(Contains(op.messages, "between 1 and 25"));
    SchlumbergerEntry s;
    EXPECT_FALSE(GenerateSchlumberger(d, 2, s, op)); // an empty grid
    GeneralXYEntry xy;
    xy.Rows = {{"0", "0", "1", "0", "2", "0", "3", "nan"}};
    EXPECT_FALSE(GenerateGeneralXY(d, 1, xy, op));
    EXPECT_EQ(d.AConfig.numBipoles, 3);
    EXPECT_EQ(d.AConfig.CP, before.AConfig.CP);
    EXPECT_EQ(d.AConfigExt.AConfigType, "Wenner");
}

TEST(ArrayGenerators, FamiliesPlaceElectrodesAndSeparations)
{
    RecordingOperator op;
    ArrayDescription d;

    WennerEntry w;
    w.Rows = {{"2", "1"}, {"2", "2"}, {"2", "3"}};
    ASSERT_TRUE(GenerateWenner(d, 3, w, op));
    const double wennerElec[3][4] = {{-1, 1, -3, 3}, {-1, 3, -3, 1}, {-3, -1, 1, 3}};
    const double wennerCP[3][4] = {{2, 4, 4, 2}, {2, 2, 6, 2}, {4, 6, 2, 4}};
    for (int i = 1; i <= 3; ++i)
        for (int k = 1; k <= 4; ++k) {
            EXPECT_DOUBLE_EQ(d.AConfigExt.Elecx[i][k], wennerElec[i - 1][k - 1]) << i << "," << k;
            EXPECT_DOUBLE_EQ(d.AConfig.CP[i][k], wennerCP[i - 1][k - 1]) << i << "," << k;
            // The separations are the distances of the monopole points.
            EXPECT_DOUBLE_EQ(std::fabs(d.AConfigExt.MonopoleRx[i][k] - d.AConfigExt.MonopoleTx[i][k]),
                             d.AConfig.CP[i][k]);
        }
    // Another type code keeps that row's separations and electrodes.
    w.Rows = {{"5", "7"}};
    ASSERT_TRUE(GenerateWenner(d, 1, w, op));
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][2], 4);
    EXPECT_DOUBLE_EQ(d.AConfigExt.Elecx[1][4], 3);
    WennerEntry blank;
    blank.ASpacing = "0.00001";
    EXPECT_FALSE(RefreshWennerTable(blank, 3, op));
    EXPECT_EQ(op.messages.back(), "Type a value for A Spacing first");
    blank.ASpacing = "2";
    ASSERT_TRUE(RefreshWennerTable(blank, 3, op));
    EXPECT_EQ(blank.Rows[2][0], "6");

    SchlumbergerEntry s;
    s.Rows = {{"", "0.1"}};
    EXPECT_FALSE(FillDownSchlumberger(s, 7, op));
    EXPECT_EQ(op.messages.back(), "Type a value L and l for configuration 1 first");
    s.Rows = {{"1", "0.1"}};
    ASSERT_TRUE(FillDownSchlumberger(s, 7, op));
    EXPECT_EQ(s.Rows[6][0], "10");
    EXPECT_EQ(s.Rows[6][1], "1");
    ASSERT_TRUE(GenerateSchlumberger(d, 7, s, op));
    EXPECT_DOUBLE_EQ(d.AConfig.CP[7][1], 9.5);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[7][2], 10.5);
    EXPECT_DOUBLE_EQ(d.AConfigExt.Elecx[7][3], -0.5);
    EXPECT_DOUBLE_EQ(d.AConfig.GeomFact[7], 2 * std::numbers::pi / (2 / 9.5 - 2 / 10.5));

    LinearBipoleBipoleEntry l;
    RefreshLinearTable(l, 2);
    ASSERT_TRUE(GenerateLinearBipoleBipole(d, 2, l, op));
    const double linearCP[4] = {30, 20, 40, 30}, linearShare[4] = {-1, 1, 1, -1};
    for (int j = 1; j <= 4; ++j) {
        EXPECT_DOUBLE_EQ(d.AConfig.CP[2][j], linearCP[j - 1]);
        EXPECT_DOUBLE_EQ(d.AConfig.CPProp[2][j], linearShare[j - 1]);
    }
    EXPECT_DOUBLE_EQ(d.AConfigExt.Elecx[2][4], 30);

    d.AConfig.numBipoles = 12;
    GenerateAarhusPACES(d, op);
    EXPECT_EQ(d.AConfig.numBipoles, 8);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[3][1], 35);
    EXPECT_DOUBLE_EQ(d.AConfigExt.Elecx[3][4], 10);
    EXPECT_DOUBLE_EQ(d.AConfig.CPProp[8][1], -1);

    GeneralPhiThetaEntry p;
    p.Rows = {{"2", "2", "10", "0", "0"}, {"4", "2", "10", "90", "90"}};
    ASSERT_TRUE(GenerateGeneralPhiTheta(d, 2, p, op));
    const double inLine[4] = {10, 8, 12, 10};
    for (int j = 1; j <= 4; ++j)
        EXPECT_NEAR(d.AConfig.CP[1][j], inLine[j - 1], 1e-12);
    // Both bipoles across the line joining their midpoints: all four distances by Pythagoras.
    EXPECT_NEAR(d.AConfig.CP[2][1], std::hypot(10, 1), 1e-12);
    EXPECT_NEAR(d.AConfig.CP[2][3], std::hypot(10, 3), 1e-12);
    EXPECT_EQ(d.PhiThetaInfo[4][2], "90");
    EXPECT_EQ(d.PhiThetaInfo[6][2], "1");
    EXPECT_EQ(d.AConfigExt.AConfigType, "GeneralPhiTheta");

    GeneralXYEntry xy;
    xy.Rows = {{"0", "0", "-10", "0", "3", "4", "6", "8"}};
    ASSERT_TRUE(GenerateGeneralXY(d, 1, xy, op));
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][1], 5);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][2], 10);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][3], std::hypot(13, 4));
    EXPECT_FALSE(Contains(op.messages, "Linear electrodes are only supported")); // the command's, once

    RecordingOperator guidance;
    ShowSymmetricalExponentialGuidance(guidance);
    EXPECT_EQ(guidance.messages.size(), 2u);
}

} // namespace
} // namespace tem
