#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/action_error.h"
#include "core/arrays/array_file.h"
#include "core/arrays/array_generators.h"
#include "core/files/keyword_file.h"
#include "core/operator.h"
#include "support/temp_folder.h"

namespace tem {
namespace {

ArrayDescription Read(const std::string& text, RecordingOperator& op)
{
    ArrayDescription d;
    ReadConfigIni(d, KeywordFile::FromText(text), op);
    return d;
}

using testsupport::TempFolder;

TEST(ArrayFile, MissingFileGivesTheDefaultArray)
{
    TempFolder t;
    RecordingOperator op;
    ArrayDescription d;
    ReadConfigIni(d, t.file("none.DCC"), op);
    ASSERT_GE(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0], "Default device configuration being loaded as the specified configuration "
                              "parameter file was not found!");
    const TArrayConfiguration& a = d.AConfig;
    EXPECT_EQ(a.numBipoles, 8);
    EXPECT_EQ(a.MaxCP, 4);
    // Configuration 3 of the default table: 1, 2^1 + 16, 2^2 + 16, 2^1 with shares +1 +1 -1 -1.
    EXPECT_EQ(a.numCurPot[3], 4);
    EXPECT_DOUBLE_EQ(a.CP[3][1], 1);
    EXPECT_DOUBLE_EQ(a.CP[3][2], 18);
    EXPECT_DOUBLE_EQ(a.CP[3][3], 20);
    EXPECT_DOUBLE_EQ(a.CP[3][4], 2);
    EXPECT_DOUBLE_EQ(a.CPProp[3][2], 1);
    EXPECT_DOUBLE_EQ(a.CPProp[3][3], -1);
    EXPECT_DOUBLE_EQ(d.AConfigExt.MonopoleRx[3][4], 4); // the pair number
    EXPECT_DOUBLE_EQ(d.AConfigExt.Elecx[3][2], 2);      // the electrode number
    EXPECT_DOUBLE_EQ(d.AConfigExt.PortionSizer, 0.45);
    EXPECT_EQ(d.AConfigExt.AConfigType, "GeneralXY");
    EXPECT_GT(a.GeomFact[1], 0);
    EXPECT_GT(a.EffDepth[8], 0);
}

TEST(ArrayFile, CountsPairsAndTypeSections)
{
    RecordingOperator op;
    ArrayDescription d = Read("[Array]\nRxBipoles=3\nMaxMonopoles=4\nAConfigType=Wenner\n"
                              "[numMonopoles]\nnumMonopoles2=6\n"
                              "[MonopoleSeparations]\ncp2_5 = 7.5\nCP1_1=abc\n"
                              "[GeneralPhiTheta]\nTxWidth1=99\n[Schlumberger]\nL1=5\n",
                              op);
    EXPECT_EQ(d.AConfig.numBipoles, 3);
    EXPECT_EQ(d.AConfig.MaxCP, 6);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[2][5], 7.5);
    EXPECT_DOUBLE_EQ(d.AConfig.CP[1][1], 1); // not a number: the default
    EXPECT_DOUBLE_EQ(d.AConfig.CP[2][6], 2); // 2^(i-1) for pairs beyond 4
    // Sections of other types are not read.
    EXPECT_EQ(d.PhiThetaInfo[1][1], "");
    EXPECT_EQ(d.SchlumbL[1], 0);

    d = Read("[Array]\nRxBipoles=2\nAConfigType=GeneralPhiTheta\n[GeneralPhiTheta]\nTxWidth1=99\n", op);
    EXPECT_EQ(d.PhiThetaInfo[1][1], "99");
    EXPECT_EQ(d.PhiThetaInfo[2][1], "0.5"); // 2^(i-2)
    EXPECT_EQ(d.PhiThetaInfo[3][2], "9.5"); // 1.5 * 2^(i-2) + 8
    EXPECT_EQ(d.PhiThetaInfo[5][2], "180");
    d = Read(
        "[Array]\nRxBipoles=7\nAConfigType=ExponentialBipole\n[ExponentialBiole]\nCurrElecSeparation=24\n"
        "[Schlumberger]\nL1=5\n",
        op);
    EXPECT_DOUBLE_EQ(d.CurrElecSeparation, 24);
    EXPECT_DOUBLE_EQ(d.RadiusOfCurvature, 100);
    d = Read("[Array]\nRxBipoles=7\nAConfigType=Schlumberger\n[Schlumberger]\nL1=5\n", op);
    EXPECT_DOUBLE_EQ(d.SchlumbL[1], 5);
    EXPECT_NEAR(d.SchlumbL[7], 10, 1e-12);
    EXPECT_NEAR(d.Schlumblittlel[7], 1, 1e-12);
    EXPECT_DOUBLE_EQ(d.SamplePerDecade, 6);
}

TEST(ArrayFile, AbsurdCountsAreBroughtIntoRangeWithAMessage)
{
    struct Case {
        const char* text;
        int bipoles, pairs1;
    };
    const Case cases[] = {
        {"[Array]\nRxBipoles=1000\n", 25, 4},
        {"[Array]\nRxBipoles=-3\n", 1, 4},
        {"[Array]\nRxBipoles=0\n", 1, 4},
        {"[Array]\nRxBipoles=2\n[numMonopoles]\nnumMonopoles1=99999999999\n", 2, 30},
        {"[Array]\nRxBipoles=2\n[numMonopoles]\nnumMonopoles1=0\n", 2, 1},
    };
    for (const Case& c : cases) {
        RecordingOperator op;
        const ArrayDescription d = Read(c.text, op);
        EXPECT_EQ(d.AConfig.numBipoles, c.bipoles) << c.text;
        EXPECT_EQ(d.AConfig.numCurPot[1], c.pairs1) << c.text;
        ASSERT_FALSE(op.messages.empty()) << c.text;
        EXPECT_NE(op.messages[0].find("are possible"), std::string::npos) << op.messages[0];
    }
    RecordingOperator op;
    const ArrayDescription d = Read("[Array]\nMaxMonopoles=5000\nRxBipoles=1\n", op);
    EXPECT_EQ(d.AConfig.MaxCP, 30);
}

TEST(ArrayFile, WrittenInTableOrderAndReadBackUnchanged)
{
    RecordingOperator op;
    ArrayDescription d;
    SchlumbergerEntry e;
    e.Rows = {{"3", "1"}};
    ASSERT_TRUE(FillDownSchlumberger(e, 2, op));
    ASSERT_TRUE(GenerateSchlumberger(d, 2, e, op));
    d.OffsetBehind = 2.5;
    d.AConfig.SubDepth = 1;
    const KeywordFile f = ArrayConfigFile(d);
    EXPECT_EQ(f.Sections(), (std::vector<std::string>{
                                "Array", "Offset", "Submerged", "numMonopoles", "GeomFact", "EffDepth",
                                "MonopoleSeparations", "SignedMonopoleFractions", "MidpointX", "MidpointY",
                                "MonoPoleCoordsTx", "MonoPoleCoordsTy", "MonoPoleCoordsRx",
                                "MonoPoleCoordsRy", "ArrayCoordsx", "ArrayCoordsy", "Schlumberger"}));
    EXPECT_EQ(f.Keys("Array"), (std::vector<std::string>{"RxBipoles", "MaxMonopoles", "TxElectrodeLength",
                                                         "PortionSizer", "AConfigType"}));
    EXPECT_EQ(f.Keys("Submerged"), (std::vector<std::string>{"SubDepth", "GeomFact1", "GeomFact2"}));
    EXPECT_EQ(f.Keys("MonopoleSeparations"), (std::vector<std::string>{"CP1_1", "CP1_2", "CP1_3", "CP1_4",
                                                                       "CP2_1", "CP2_2", "CP2_3", "CP2_4"}));
    EXPECT_EQ(f.Keys("ArrayCoordsy").size(), 8u);
    EXPECT_EQ(f.Keys("Schlumberger"),
              (std::vector<std::string>{"SamplePerDecade", "L1", "little1", "L2", "little2"}));
    EXPECT_EQ(f.ReadString("MonopoleSeparations", "CP1_1", ""), "2.5");
    EXPECT_EQ(f.ReadString("Array", "AConfigType", ""), "Schlumberger");

    TempFolder t;
    const std::string name = t.file("Sounding.DCC");
    WriteConfigIni(d, name);
    ArrayDescription back;
    ReadConfigIni(back, name, op);
    EXPECT_EQ(back.AConfig.numBipoles, 2);
    // Numbers are written to 15 significant digits.
    auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-14 * std::fabs(b); };
    for (int i = 1; i <= 2; ++i) {
        EXPECT_TRUE(near(back.AConfig.GeomFact[i], d.AConfig.GeomFact[i]));
        EXPECT_EQ(back.AConfig.EffDepth[i], d.AConfig.EffDepth[i]);
        EXPECT_TRUE(near(back.AConfig.MidpointX[i], d.AConfig.MidpointX[i]));
        EXPECT_TRUE(near(back.SchlumbL[i], d.SchlumbL[i]));
        for (int j = 1; j <= 4; ++j) {
            EXPECT_TRUE(near(back.AConfig.CP[i][j], d.AConfig.CP[i][j]));
            EXPECT_EQ(back.AConfig.CPProp[i][j], d.AConfig.CPProp[i][j]);
            EXPECT_TRUE(near(back.AConfigExt.MonopoleRx[i][j], d.AConfigExt.MonopoleRx[i][j]));
        }
        for (int k = 1; k <= 4; ++k)
            EXPECT_TRUE(near(back.AConfigExt.Elecx[i][k], d.AConfigExt.Elecx[i][k]));
    }
    EXPECT_EQ(back.OffsetBehind, 2.5);

    // A value that is not finite is never written; the old file stays.
    d.AConfig.CP[1][2] = INFINITY;
    EXPECT_THROW(WriteConfigIni(d, name), ActionError);
    ReadConfigIni(back, name, op);
    EXPECT_DOUBLE_EQ(back.AConfig.CP[1][2], 3.5);
}

// The header follows configuration 1's pair count even when a later configuration has more pairs.
TEST(ArrayFile, DocumentHeaderFollowsConfigurationOne)
{
    TArrayConfiguration a;
    a.numBipoles = 2;
    a.numCurPot[1] = 2;
    a.numCurPot[2] = 3;
    a.CP[1][1] = 1, a.CPProp[1][1] = 1, a.CP[1][2] = 2, a.CPProp[1][2] = -1;
    a.CP[2][1] = 10, a.CPProp[2][1] = 1, a.CP[2][2] = 20, a.CPProp[2][2] = -0.5, a.CP[2][3] = 2.5e6,
    a.CPProp[2][3] = -0.5;
    a.GeomFact[1] = 4 * std::numbers::pi;
    a.EffDepth[1] = 0.8f;
    a.GeomFact[2] = 123456.7;
    a.EffDepth[2] = 8.6696f;
    EXPECT_EQ(ArrayConfigDocument(a),
              "numBipoles: 02\r\n"
              "   numCP GeomFact EffDepth     CP 1 CPProp 1     CP 2 CPProp 2\r\n"
              "   2    12.57      0.8        1        1        2       -1\r\n"
              "   3 1.235E005     8.67       10        1       20     -0.5  2.5E006     -0.5\r\n");
}

} // namespace
} // namespace tem
