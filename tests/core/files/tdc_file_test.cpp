#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "tdc_test_support.h"

namespace tem::tdctest {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr const char* GatesMissing = "TimeGate entries were not found - they are infilled with zeros";

/// Rounds to the fifteen significant digits a plain number keeps in the file.
double Digits15(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", v);
    return std::stod(text);
}

/// The demonstration model widened to every kind of value the format carries: a loop of type 7
/// with an "Other" moment, a polygon receiver, a time base of 120 gates, per-gate lists, a system
/// response, optional general keys and vehicle sensors.
Configuration RichModel()
{
    Configuration cfg = DemoConfiguration();
    cfg.FrontGateDelay = 1e-6;
    cfg.CalculateRawDataSTD = 1;
    cfg.GateNoForPowerLineMonitor = 20;
    cfg.NumTx = cfg.NumTimebases = cfg.NumAcqChn = 3;

    TTransmitter& tx = cfg.Tx[3];
    tx = cfg.Tx[2];
    tx.MomentID = TMomentID::Other;
    tx.Name = "Rectangle 6 x 8";
    tx.LoopType = 7;
    tx.Type7RectSideX = 6;
    tx.Type7RectSideY = 8;
    const double xs[4] = {3, -3, -3, 3}, ys[4] = {4, 4, -4, -4};
    for (int i = 0; i < 4; ++i) {
        tx.NodeX[i] = xs[i];
        tx.NodeY[i] = ys[i];
        tx.NodeZ[i] = 0;
    }
    tx.PrimaryFieldSTD = 0.002;
    tx.SignPattern = {1, -1, 1, -1};
    tx.NoGates = 120;
    tx.TimeBaseNumber = 3;
    tx.AxisTilt = 2.5;
    tx.RelayB = true;
    cfg.TxWaveform[3] = cfg.TxWaveform[2];
    cfg.TxWaveform[3].WaveformFilename = "rectangle.wfm";

    TTimeBase& tb = cfg.TimeBase[3];
    tb = cfg.TimeBase[2];
    tb.GateSetName = "Long_120";
    LogSpacedGates(tb, 120, 4e-6, 9e-3);

    TReceiver& rx = cfg.Rx[2];
    rx.Shape = "Polygon";
    rx.Loopsides = 5;
    for (int k = 1; k <= 5; ++k) {
        rx.NodeX[k] = 0.25 * k;
        rx.NodeY[k] = -0.5 * k;
        rx.NodeZ[k] = 0.125;
    }
    rx.RxType = TRxType::rxtypeB;

    TAcqChn& a = cfg.AcqChn[3];
    a = DefaultAcqChn(3);
    a.Description = "Other moment on the offset coil";
    a.TxNumber = 3;
    a.RxCoilNumber = 2;
    a.TransmitterMoment = "Other";
    a.GateTimeShift = -5e-7;
    a.RemoveGatesFrom = 100;
    a.FrontGatetime = 0;
    a.FrontGateExists = true;
    a.TxApproximateCurrent = 30;
    a.GateConstantsExist = a.GateFactorsExist = a.GateSTDsExist = true;
    for (int g = 0; g < 120; ++g) {
        a.GateConstants.push_back(Digits15(1e-9 * g));
        a.GateFactors.push_back(Digits15(1 + 0.001 * g));
        a.GateSTDs.push_back(Digits15(0.03 + 0.0001 * g));
    }

    TSystemResponse& s = cfg.SysResp[3];
    s = DefaultSystemResponse();
    s.SysRespExists = true;
    s.FieldDataExists = true;
    s.LateTimeConst = 0.02;
    s.FieldDataFilename = "field.CSV";
    s.FwdModelLayers = 4;
    for (int L = 1; L <= 4; ++L) {
        s.LayerThicknesses[L] = 2.5 * L;
        s.LayerResistivities[L] = Digits15(30.0 / L);
    }
    for (int g = 1; g <= 120; ++g) {
        s.FieldAmplitudes[g] = Digits15(1e-3 / g);
        s.FwdModelAmplitudes[g] = Digits15(2e-3 / g);
        s.EqnModelAmplitudes[g] = Digits15(3e-3 / g);
        s.NoiseStdVperAm2[g] = Digits15(1e-9 * g);
        s.SysRespAmplitudes[g] = -0.5 * g;
    }

    cfg.Vehicle.SonarExists = true;
    cfg.Vehicle.SonarZ = 0.75;
    cfg.Vehicle.Propulsion = TPropulsion::propBoat;
    cfg.Vehicle.ReceiverLoop2Fixture = 3;

    RecordingOperator quiet;
    TxRxAliasAcqChnMapping(cfg, quiet);
    CalculateDrivenVariables(cfg, quiet);
    cfg.TxOther = 3;
    return cfg;
}

TEST_F(TdcTest, WriteThenReadGivesTheSameModel)
{
    Configuration model = RichModel();
    Save(model, Path("Rich.TDC"));
    ASSERT_THAT(op.messages, IsEmpty());
    const Configuration read = Load(Path("Rich.TDC"));
    EXPECT_THAT(op.messages, IsEmpty());
    ExpectSameCarried(model, read);
    EXPECT_EQ(read.LoadFilename, Path("Rich.TDC"));
    EXPECT_EQ(read.TempFilename, folders.temConfig + "Temp.TDC");

    // The forms the writer uses, as an operator sees them in the file.
    const KeywordFile f = KeywordFile::Load(Path("Rich.TDC"));
    EXPECT_EQ(f.ReadString("Tx1", "TxLoopPoint1", ""), "2.100    2.150   -0.500");
    EXPECT_EQ(f.ReadString("Tx3", "Type7TxLoopSides", ""), "6.000    8.000");
    EXPECT_EQ(f.ReadString("Tx3", "SignPattern", ""), "1 -1 1 -1");
    EXPECT_EQ(f.ReadString("Tx1", "TiBLowPassFilter", ""), "1 300000");
    EXPECT_TRUE(f.ValueExists("TimebaseTx3", "GateTime99"));
    EXPECT_TRUE(f.ValueExists("TimebaseTx3", "GateTime100"));
    EXPECT_FALSE(f.ValueExists("TimebaseTx3", "GateTime099"));
    EXPECT_EQ(f.ReadString("TimebaseTx1", "Gate_Times", ""), "Centre Start End Width (Seconds)");
    EXPECT_EQ(f.ReadString("WaveformTx1", "WaveformPoint05", ""), "0.0000025    0.0000000");
    EXPECT_EQ(f.ReadString("All", "SysRespExists03", ""), "1");
    EXPECT_EQ(f.ReadString("All", "SysRespExists01", ""), "0");
    EXPECT_TRUE(f.ValueExists("SysResp03", "SysRespAmplitudes_120"));
    EXPECT_EQ(f.ReadString("Chn1", "drivenAarhusTxApproximateCurrent", ""), "3");
    EXPECT_FALSE(f.ValueExists("Chn1", "TxApproximateCurrent"));
    EXPECT_FALSE(f.ValueExists("Chn1", "RemoveGatesFrom"));
    EXPECT_EQ(f.ReadString("Rx2", "NodeY05", ""), "-2.5");
    EXPECT_FALSE(f.ValueExists("Vehicle", "GNSS2Exists"));
    EXPECT_EQ(f.ReadString("Vehicle", "Propulsion", ""), "propBoat");
}

TEST_F(TdcTest, SavingAnUnchangedModelOverItsFileChangesNothing)
{
    Configuration model = RichModel();
    Save(model, Path("Setup.TDC"));
    const std::string first = ReadBytes(Path("Setup.TDC"));
    Configuration read = Load(Path("Setup.TDC"));
    Save(read, Path("Setup.TDC"));
    EXPECT_EQ(ReadBytes(Path("Setup.TDC")), first);
    ExpectSameCarried(model, Load(Path("Setup.TDC")));
    EXPECT_THAT(op.messages, IsEmpty());
}

TEST_F(TdcTest, HandEditedFileKeepsItsCommentsAndForeignKeysWhenSaved)
{
    const std::string file = CopyFixture("hand_edited.TDC", "Hand.TDC");
    Configuration first = Load(file);
    EXPECT_THAT(op.messages, ElementsAre(testing::StartsWith("In-line comments detected")));
    Save(first, file);
    const std::string saved = ReadBytes(file);
    op.messages.clear();
    Configuration second = Load(file);
    // The comments are on lines of their own now, so nothing is asked.
    EXPECT_THAT(op.messages, IsEmpty());
    EXPECT_EQ(second.Description, "Field copy");
    EXPECT_EQ(second.Tx[1].Volts, 12);
    EXPECT_NE(saved.find("/ Field copy of the reference setup"), std::string::npos);
    EXPECT_NE(saved.find("//nominal"), std::string::npos); // the comment of a rewritten key
    EXPECT_NE(saved.find("// from the reference setup"), std::string::npos);
    EXPECT_EQ(KeywordFile::Load(file).ReadString("Tx1", "OperatorNote", ""), "checked cable 2024-05-02");

    // Defaults computed on the first read (square roots) are stored at 15 digits; from then on a
    // save of the unchanged model changes nothing.
    Save(second, file);
    EXPECT_EQ(ReadBytes(file), saved);
    ExpectSameCarried(second, Load(file));
}

TEST_F(TdcTest, HandEditedFileReadsWithCommentsMissingKeysAndCountedSections)
{
    const Configuration cfg = Load(CopyFixture("hand_edited.TDC", "Hand.TDC"));
    EXPECT_EQ(cfg.NumTx, 2);        // no count keys: counted from [Tx1], [TX2]
    EXPECT_EQ(cfg.NumTimebases, 2); // time bases count the transmitter sections too
    EXPECT_EQ(cfg.NumRx, 1);
    EXPECT_EQ(cfg.NumAcqChn, 2);
    EXPECT_EQ(cfg.Description, "Field copy"); // the in-line comment was split off
    EXPECT_EQ(cfg.Tx[1].MomentID, TMomentID::LM);
    EXPECT_EQ(cfg.Tx[1].Volts, 12);
    EXPECT_EQ(cfg.Tx[1].Amps, 36); // missing: default
    EXPECT_EQ(cfg.Tx[2].MomentID, TMomentID::HM);
    EXPECT_EQ(cfg.TxLM, 1);
    EXPECT_EQ(cfg.TxHM, 2);
    EXPECT_EQ(cfg.AcqChn[2].TxNumber, 2);
    EXPECT_EQ(cfg.AcqChnMapTxRx[2][1], 2);
    EXPECT_EQ(cfg.TimeBase[1].NumGatesInSet, 3);
    EXPECT_DOUBLE_EQ(cfg.TimeBase[1].GateCentre[2], 15e-6);
    EXPECT_DOUBLE_EQ(cfg.TimeBase[1].GateWidth[3], 10e-6);
}

TEST_F(TdcTest, NoFileAndNoWorkingCopyGiveTheDefaults)
{
    const Configuration cfg = Load(Path("Missing.TDC"));
    EXPECT_EQ(cfg.LoadFilename, "Not_Saved.TDC");
    EXPECT_THAT(op.messages, ElementsAre(GatesMissing));
    EXPECT_EQ(cfg.NumTx, 1);
    EXPECT_EQ(cfg.NumRx, 1);
    EXPECT_EQ(cfg.NumAcqChn, 1);
    EXPECT_EQ(cfg.NumTimebases, 1);
    EXPECT_EQ(cfg.MasterTamperCheckCRC, 2147483647u);
    EXPECT_EQ(cfg.ParentConfigFile, "NoParentConfigFile.TDC");
    EXPECT_EQ(cfg.Description, "Type_a_Configuration_Description_here");
    EXPECT_EQ(cfg.CalculateRawDataSTD, -1);
    EXPECT_EQ(cfg.GateNoForPowerLineMonitor, -1);

    // One transmitter of type 72 with four vertices at the origin; derived values follow them.
    TTransmitter tx = DefaultTransmitter();
    tx.Area = tx.EquivalentSquareLoopSide = tx.MomentNIA = 0;
    tx.Power = 8 * 36;
    tx.Resistance = 8.0 / 36;
    EXPECT_TRUE(cfg.Tx[1] == tx);
    EXPECT_TRUE(cfg.Rx[1] == DefaultReceiver());
    EXPECT_TRUE(cfg.AcqChn[1] == DefaultAcqChn(1));
    EXPECT_TRUE(cfg.Vehicle == DefaultVehicle());
    const TTimeBase& tb = cfg.TimeBase[1];
    EXPECT_EQ(tb.NumGatesInSet, 99);
    EXPECT_EQ(tb.GateSetName, "WackyDummyGatesWontWork");
    EXPECT_EQ(tb.drivenGateEnd[99], 0);
    const TTxWaveform& w = cfg.TxWaveform[1];
    EXPECT_EQ(w.WaveformPointsDigitized, 7);
    EXPECT_EQ(w.WaveformPointTimes[7], 0); // a missing point is time 0, amplitude 1
    EXPECT_EQ(w.WaveformPointAmplitudes[7], 1);
    const TSystemResponse& s = cfg.SysResp[1];
    EXPECT_FALSE(s.SysRespExists);
    EXPECT_EQ(s.LateInitMagn, 0.002);
    EXPECT_EQ(s.LayerResistivities[3], 30);
    EXPECT_EQ(s.NoiseStdVperAm2[30], 2e-08);
}

TEST_F(TdcTest, MissingFileReadsTheDefaultsNotTheWorkingCopyOfAnEarlierRead)
{
    Configuration model = DemoConfiguration();
    Save(model, Path("Earlier.TDC"));
    Load(Path("Earlier.TDC"));
    op.messages.clear();
    const Configuration cfg = Load(Path("Gone.TDC"));
    EXPECT_EQ(cfg.LoadFilename, "Not_Saved.TDC");
    EXPECT_EQ(cfg.Description, "Type_a_Configuration_Description_here");
    EXPECT_EQ(cfg.NumTx, 1);
    EXPECT_THAT(op.messages, ElementsAre(GatesMissing));
}

// ---- Reading single keys --------------------------------------------------------------------------

/// Sections that keep a small file free of messages: no gates to read.
constexpr const char* Quiet = "[TimebaseTx1]\nNumGatesInSet=0\n[TimebaseTx2]\nNumGatesInSet=0\n";

struct ReadCase {
    const char* name;
    std::string text;
    std::function<void(const Configuration&)> check;
    std::vector<std::string> messages = {};
};

TEST_F(TdcTest, ReadsKeyVariantsAndEdgeValues)
{
    const std::vector<ReadCase> cases = {
        {"key case and spaces around the equals sign", "[ALL]\nDESCRIPTION  =  Survey A\n",
         [](const Configuration& c) { EXPECT_EQ(c.Description, "Survey A"); }},
        {"counted sections, two-digit names first",
         "[Tx01]\n[Tx02]\n[Tx3]\n[Rx1]\n[Chn1]\n[Chn02]\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.NumTx, 3);
             EXPECT_EQ(c.NumTimebases, 3);
             EXPECT_EQ(c.NumRx, 1);
             EXPECT_EQ(c.NumAcqChn, 2);
         },
         {GatesMissing}},
        {"unreadable counts are 1", "[All]\nNumTx=two\nNumRx=\nNumAcqChn=x\n[Tx2]\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.NumTx, 1);
             EXPECT_EQ(c.NumRx, 1);
             EXPECT_EQ(c.NumAcqChn, 1);
         }},
        {"vertices: two numbers, words, tabs, two-digit key",
         "[Tx1]\nCentroidZ=-0.4\nTxLoopPoint1=12.5 -3\nTxLoopPoint2=12.5 -3 word\nTxLoopPoint3=a b c\n"
         "TxLoopPoint04=1\t2,3\n",
         [](const Configuration& c) {
             const TTransmitter& t = c.Tx[1];
             EXPECT_EQ(t.NodeX[0], 12.5);
             EXPECT_EQ(t.NodeY[0], -3);
             EXPECT_EQ(t.NodeZ[0], -0.4);
             EXPECT_EQ(t.NodeZ[1], -1); // a third token that is not a number
             EXPECT_EQ(t.NodeX[2], 2);
             EXPECT_EQ(t.NodeY[2], 2);
             EXPECT_EQ(t.NodeZ[2], -1);
             EXPECT_EQ(t.NodeX[3], 1);
             EXPECT_EQ(t.NodeY[3], 2);
             EXPECT_EQ(t.NodeZ[3], 3);
             EXPECT_EQ(t.NodeX[4], 12.5); // closing vertex
         }},
        {"loop type 7 from its two sides",
         "[Tx1]\nLoopSides=9\nCentroidZ=-1\nLoopType=7\nType7TxLoopSides=20 30\n",
         [](const Configuration& c) {
             const TTransmitter& t = c.Tx[1];
             EXPECT_EQ(t.LoopSides, 4);
             EXPECT_EQ(t.Type7RectSideX, 20);
             EXPECT_EQ(t.Type7RectSideY, 30);
             EXPECT_THAT(std::vector<double>({t.NodeX[0], t.NodeY[0], t.NodeX[1], t.NodeY[1], t.NodeX[2],
                                              t.NodeY[2], t.NodeX[3], t.NodeY[3], t.NodeX[4], t.NodeY[4]}),
                         ElementsAre(10, 15, -10, 15, -10, -15, 10, -15, 10, 15));
             EXPECT_EQ(t.NodeZ[3], -1);
             EXPECT_EQ(t.Area, 600);
         }},
        {"loop type 7 without its sides",
         "[Tx1]\nLoopType=7\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.Tx[1].NodeX[0], 49.5);
             EXPECT_EQ(c.Tx[1].NodeY[2], -49.5);
         },
         {"Loop type 7 is specified but TxLoopSides keyword was not detected in the general section of the "
          "GEX "
          "file. Loopsides of 99m have been assumed - please edit manually."}},
        {"sign pattern with a word", "[Tx1]\nSignPattern=1 x -1 2\n",
         [](const Configuration& c) { EXPECT_THAT(c.Tx[1].SignPattern, ElementsAre(1, 0, -1, 2)); }},
        {"sign pattern words at even and odd places", "[Tx1]\nSignPattern=a b\n",
         [](const Configuration& c) { EXPECT_THAT(c.Tx[1].SignPattern, ElementsAre(-2, 0)); }},
        {"filter pair with a comma and a word", "[Tx1]\nTiBLowPassFilter=2,abc\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.Tx[1].LPFilterOrderandCutoff[0], 2);
             EXPECT_EQ(c.Tx[1].LPFilterOrderandCutoff[1], 60000);
         }},
        {"axis orientation takes the first character",
         "[Tx1]\nAxisOrientation=x-axis\n[Tx2]\nAxisOrientation=\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.Tx[1].AxisOrient, "x");
             EXPECT_EQ(c.Tx[2].AxisOrient, "Z");
         }},
        {"moment names without regard to case", "[Tx1]\nMomentID=lm\n[Chn1]\nTransmitterMoment=LM\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.Tx[1].MomentID, TMomentID::LM);
             EXPECT_EQ(c.TxLM, 1);
         }},
        {"flags: a word is the default, 2 is true", "[Tx1]\nRelayA_Connected=False\nRelayB_Connected=2\n",
         [](const Configuration& c) {
             EXPECT_TRUE(c.Tx[1].RelayA);
             EXPECT_TRUE(c.Tx[1].RelayB);
         }},
        {"integers: hexadecimal and not a number", "[Tx1]\nNumberOfTurns=0x1F\n[Rx1]\nTurns=1F\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.Tx[1].Turns, 31);
             EXPECT_EQ(c.Rx[1].Turns, 1);
         }},
        {"receiver types",
         "[All]\nNumRx=4\n[Rx1]\nRxType=B\n[Rx2]\nRxType=rxtypeB\n[Rx3]\nRxType=curr\n[Rx4]\nRxType=Volts\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.Rx[1].RxType, TRxType::rxtypeB);
             EXPECT_EQ(c.Rx[2].RxType, TRxType::rxtypeB);
             EXPECT_EQ(c.Rx[3].RxType, TRxType::rxtypeCurr);
             EXPECT_EQ(c.Rx[4].RxType, TRxType::rxtypedBdt);
         }},
        {"receiver polygon: numbered keys first, unnumbered for every vertex",
         "[Rx1]\nShape= Polygon \nLoopsides=3\nNodeX=2\nNodeY02=5\nSingleTurnArea=4\n",
         [](const Configuration& c) {
             const TReceiver& r = c.Rx[1];
             EXPECT_EQ(r.Shape, "Polygon");
             EXPECT_EQ(r.Loopsides, 3);
             EXPECT_THAT(std::vector<double>(
                             {r.NodeX[1], r.NodeY[1], r.NodeX[2], r.NodeY[2], r.NodeX[3], r.NodeY[3]}),
                         ElementsAre(2, 0, 2, 5, 2, 0));
             EXPECT_EQ(r.XSideLength, 2); // the square root of the area just read
         }},
        {"general values: unreadable and missing",
         "[All]\nCalculateRawDataSTD=abc\nGateNoForPowerLineMonitor=\nDataType=  tTEM  \n",
         [](const Configuration& c) {
             EXPECT_EQ(c.CalculateRawDataSTD, 0);
             EXPECT_EQ(c.GateNoForPowerLineMonitor, 15);
             EXPECT_EQ(c.DataType, "tTEM");
             EXPECT_FALSE(c.Master);
         }},
        {"front gate and per-gate lists",
         "[All]\nNumAcqChn=2\n[Chn1]\nFrontGatetime=0\nGateFactors=\nGateConstants=1 x 3\nGateSTDs=0.1;y\n",
         [](const Configuration& c) {
             const TAcqChn& a = c.AcqChn[1];
             EXPECT_TRUE(a.FrontGateExists);
             EXPECT_TRUE(a.GateFactorsExist);
             EXPECT_THAT(a.GateFactors, IsEmpty());
             EXPECT_THAT(a.GateConstants, ElementsAre(1, 0, 3));
             EXPECT_THAT(a.GateSTDs, ElementsAre(0.03)); // "0.1;y" is one token that is not a number
             EXPECT_FALSE(c.AcqChn[2].FrontGateExists);
             EXPECT_FALSE(c.AcqChn[2].GateSTDsExist);
         }},
        {"a two-digit channel section wins",
         "[All]\nNumAcqChn=3\n[Chn3]\nDescription=three\n[Chn03]\nDescription=zero three\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.AcqChn[3].Description, "zero three");
             EXPECT_EQ(c.AcqChn[2].RowID, "Y");
         }},
        {"gate keys: one, two and three numbers, one digit",
         "[TimebaseTx1]\nNumGatesInSet=3\nGateTime1=2E-6 1E-6 3E-6\nGateTime02=5E-6 4E-6 6E-6 "
         "9\nGateTime3=8E-6\n",
         [](const Configuration& c) {
             const TTimeBase& b = c.TimeBase[1];
             EXPECT_THAT(std::vector<double>({b.GateCentre[1], b.drivenGateStart[1], b.drivenGateEnd[1]}),
                         ElementsAre(2e-6, 1e-6, 3e-6));
             EXPECT_DOUBLE_EQ(b.GateWidth[2], 2e-6);
             EXPECT_EQ(b.GateCentre[3], 8e-6);
             EXPECT_EQ(b.drivenGateStart[3], 3e-6); // not a number: g x 1E-6
             EXPECT_EQ(b.GateWidth[3], 0);
         }},
        {"the last gate missing",
         "[TimebaseTx1]\nNumGatesInSet=2\nGateTime01=2E-6 1E-6 3E-6\n",
         [](const Configuration& c) { EXPECT_EQ(c.TimeBase[1].GateCentre[2], 0); },
         {GatesMissing}},
        {"waveform points: a lone time, one-digit key first, a missing point",
         "[WaveformTx1]\nWaveformPointsDigitized=3\nWaveformPoint1=0.001\nWaveformPoint01=9 9\n"
         "WaveformPoint02=0.002 0.5\n",
         [](const Configuration& c) {
             const TTxWaveform& w = c.TxWaveform[1];
             EXPECT_THAT(std::vector<double>({w.WaveformPointTimes[1], w.WaveformPointAmplitudes[1],
                                              w.WaveformPointTimes[2], w.WaveformPointAmplitudes[2],
                                              w.WaveformPointTimes[3], w.WaveformPointAmplitudes[3]}),
                         ElementsAre(0.001, 0, 0.002, 0.5, 0, 1));
         }},
        {"vehicle: propulsion without regard to case, groups read when absent",
         "[Vehicle]\nPropulsion=PROPBOAT\nGNSS2X=4\nWheelbase=3.5\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.Vehicle.Propulsion, TPropulsion::propBoat);
             EXPECT_EQ(c.Vehicle.GNSS2X, 4);
             EXPECT_FALSE(c.Vehicle.GNSS2Exists);
             EXPECT_TRUE(c.Vehicle.GNSSExists);
             EXPECT_EQ(c.Vehicle.WheelBase, 3.5);
         }},
        {"current link from the written name and the read name",
         "[All]\nLinkTxApproximateCurrenttoTxAmps=1\nNumTx=2\nNumAcqChn=2\n[Chn1]"
         "\ndrivenAarhusTxApproximateCurrent=25\n"
         "[Chn2]\nTxNumber=2\nTxApproximateCurrent=0\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.Tx[1].Amps, 25);
             EXPECT_EQ(c.Tx[2].Amps, 36); // a current of 0 is not copied
             EXPECT_EQ(c.Tx[1].Power, 8 * 25);
         }},
        {"system response of a channel",
         "[All]\nSysRespExists01=1\n[Tx1]\nNoGates=2\n[SysResp01]\nFwdModelLayers=2\n"
         "LayerThicknesses02=7\nLayerResistivities01=99\nNoiseStdVperAm2_2=1E-7\nFieldAmplitudesGate1=0.25\n",
         [](const Configuration& c) {
             const TSystemResponse& s = c.SysResp[1];
             EXPECT_TRUE(s.SysRespExists);
             EXPECT_EQ(s.FwdModelLayers, 2);
             EXPECT_EQ(s.LayerThicknesses[1], 0.5);
             EXPECT_EQ(s.LayerThicknesses[2], 7);
             EXPECT_EQ(s.LayerResistivities[1], 99);
             EXPECT_EQ(s.LayerResistivities[2], 20);
             EXPECT_EQ(s.FieldAmplitudes[1], 0.25);
             EXPECT_EQ(s.NoiseStdVperAm2[2], 1e-7);
             EXPECT_EQ(s.FieldAmplitudes[3], 0); // beyond the transmitter's gates: not read
         }},
    };
    for (const ReadCase& row : cases) {
        SCOPED_TRACE(row.name);
        op.messages.clear();
        const Configuration cfg = Load(Write("Case.TDC", row.text + Quiet));
        row.check(cfg);
        EXPECT_THAT(op.messages, ElementsAreArray(row.messages));
    }
}

TEST_F(TdcTest, LoopTypesTheProgramDoesNotFullySupportAreReported)
{
    const std::vector<std::pair<int, std::string>> cases = {
        {72, ""},
        {5, ""},
        {73,
         "Tx LoopType 73 detected - Segmented Loop with Inverse Laplace Transform and System Response. "
         "This software can read the segmented loop but will not load nor model with the SSR or SR2 format "
         "system response."},
        {12, "Tx LoopType 12 detected - circular loop - Not supported - Consider negotiating for support or "
             "manually edit to make it LoopType 72 with Loop vertices."},
        {123,
         "Tx LoopType 123 detected - circular loop with Inverse Laplace Transform - Not supported - "
         "Consider negotiating for support or manually edit to make it LoopType 72 with Loop vertices - SSR "
         "or SR2 system response will not be loaded nor modelled."},
        {13, "Tx LoopType 13 detected - circular loop with offset receiver - Not supported - Consider "
             "negotiating "
             "for support or manually edit to make it LoopType 72 with Loop vertices."},
        {14,
         "Tx LoopType 14 detected - In-loop - Consider negotiating for support but for now manually edit to "
         "make it LoopType 72 with Loop vertices."},
        {3,
         "Tx LoopType 3 detected - Vertical Magnetic Dipole - Not fully supported - may not be suitable for "
         "forward modelling"},
        {31,
         "Tx LoopType 31 detected - Rotated magnetic dipole with primary field - Not fully supported - may "
         "not be suitable for forward modelling"},
    };
    for (const auto& [code, message] : cases) {
        SCOPED_TRACE(code);
        op.messages.clear();
        // Two transmitters of the type: one message each; the code is kept.
        const Configuration cfg =
            Load(Write("Loop.TDC", std::string(Quiet) + "[Tx1]\nLoopType=" + std::to_string(code) +
                                       "\n[Tx2]\nLoopType=" + std::to_string(code) + "\n"));
        EXPECT_EQ(cfg.Tx[1].LoopType, code);
        if (message.empty())
            EXPECT_THAT(op.messages, IsEmpty());
        else
            EXPECT_THAT(op.messages, ElementsAre(message, message));
    }
}

// ---- Bad input ------------------------------------------------------------------------------------

TEST_F(TdcTest, CountsAndIndicesOutsideTheLimitsAreClampedWithOneMessage)
{
    const std::vector<ReadCase> cases = {
        {"too many transmitters",
         "[All]\nNumTx=12\nNumTimebases=1\n",
         [](const Configuration& c) { EXPECT_EQ(c.NumTx, 9); },
         {"NumTx in section [All] is 12, outside the allowed range 1 to 9; 9 is used."}},
        {"negative receivers",
         "[All]\nNumRx=-3\n",
         [](const Configuration& c) { EXPECT_EQ(c.NumRx, 1); },
         {"NumRx in section [All] is -3, outside the allowed range 1 to 9; 1 is used."}},
        {"absurd channel count",
         "[All]\nNumAcqChn=4000000000\n",
         [](const Configuration& c) { EXPECT_EQ(c.NumAcqChn, 18); },
         {"NumAcqChn in section [All] is 4000000000, outside the allowed range 1 to 18; 18 is used."}},
        {"no time bases",
         "[All]\nNumTimebases=0\n",
         [](const Configuration& c) { EXPECT_EQ(c.NumTimebases, 1); },
         {"NumTimebases in section [All] is 0, outside the allowed range 1 to 9; 1 is used."}},
        {"counted sections beyond the limit",
         "[Rx1]\n[Rx2]\n[Rx3]\n[Rx4]\n[Rx5]\n[Rx6]\n[Rx7]\n[Rx8]\n[Rx9]\n[Rx10]\n",
         [](const Configuration& c) { EXPECT_EQ(c.NumRx, 9); },
         {"NumRx in section [All] is missing and 10 Rx sections were counted, outside the allowed range 1 to "
          "9; "
          "9 is used."}},
        {"loop vertices",
         "[Tx1]\nLoopSides=150\n",
         [](const Configuration& c) { EXPECT_EQ(c.Tx[1].LoopSides, 99); },
         {"LoopSides in section [Tx1] is 150, outside the allowed range 0 to 99; 99 is used."}},
        {"negative loop vertices",
         "[Tx1]\nLoopSides=-2\n",
         [](const Configuration& c) { EXPECT_EQ(c.Tx[1].LoopSides, 0); },
         {"LoopSides in section [Tx1] is -2, outside the allowed range 0 to 99; 0 is used."}},
        {"transmitter gates",
         "[Tx1]\nNoGates=300\n",
         [](const Configuration& c) { EXPECT_EQ(c.Tx[1].NoGates, 255); },
         {"NoGates in section [Tx1] is 300, outside the allowed range 0 to 255; 255 is used."}},
        {"time base number below 1",
         "[Tx1]\nTimebaseNumber=0\n",
         [](const Configuration& c) { EXPECT_EQ(c.Tx[1].TimeBaseNumber, 1); },
         {"TimebaseNumber in section [Tx1] is 0, outside the allowed range 1 to 9; 1 is used."}},
        {"time base number beyond the limit",
         "[Tx1]\nTimebaseNumber=12\n",
         [](const Configuration& c) { EXPECT_EQ(c.Tx[1].TimeBaseNumber, 9); },
         {"TimebaseNumber in section [Tx1] is 12, outside the allowed range 1 to 9; 9 is used."}},
        {"gates in a set",
         "[TimebaseTx1]\nNumGatesInSet=1000\n",
         [](const Configuration& c) { EXPECT_EQ(c.TimeBase[1].NumGatesInSet, 255); },
         {"NumGatesInSet in section [TimebaseTx1] is 1000, outside the allowed range 0 to 255; 255 is used.",
          GatesMissing}},
        {"waveform points",
         "[WaveformTx1]\nWaveformPointsDigitized=256\n",
         [](const Configuration& c) { EXPECT_EQ(c.TxWaveform[1].WaveformPointsDigitized, 255); },
         {"WaveformPointsDigitized in section [WaveformTx1] is 256, outside the allowed range 0 to 255; 255 "
          "is "
          "used."}},
        {"forward-model layers",
         "[All]\nSysRespExists01=1\n[SysResp01]\nFwdModelLayers=17\n",
         [](const Configuration& c) { EXPECT_EQ(c.SysResp[1].FwdModelLayers, 16); },
         {"FwdModelLayers in section [SysResp01] is 17, outside the allowed range 0 to 16; 16 is used."}},
        {"receiver polygon vertices",
         "[Rx1]\nShape=Polygon\nLoopsides=120\n",
         [](const Configuration& c) { EXPECT_EQ(c.Rx[1].Loopsides, 99); },
         {"Loopsides in section [Rx1] is 120, outside the allowed range 0 to 99; 99 is used."}},
        {"channel numbers below 1 and beyond the limit",
         "[Chn1]\nTxNumber=-7\nRxCoilNumber=10\n",
         [](const Configuration& c) {
             EXPECT_EQ(c.AcqChn[1].TxNumber, 1);
             EXPECT_EQ(c.AcqChn[1].RxCoilNumber, 9);
         },
         {"RxCoilNumber in section [Chn1] is 10, outside the allowed range 1 to 9; 9 is used.",
          "TxNumber in section [Chn1] is -7, outside the allowed range 1 to 9; 1 is used.",
          "Acquisition Channel 1 Sources a Transmitter or Receiver that exceeds Tx or Rx count."}},
    };
    for (const ReadCase& row : cases) {
        SCOPED_TRACE(row.name);
        op.messages.clear();
        const Configuration cfg = Load(Write("Bad.TDC", row.text + Quiet));
        row.check(cfg);
        EXPECT_THAT(op.messages, ElementsAreArray(row.messages));
    }
}

TEST_F(TdcTest, AVertexCommentKeptInTheValueStillGivesTheCentroidHeight)
{
    op.answers = {false}; // declines splitting the comment off
    const Configuration cfg = Load(
        Write("Comment.TDC", std::string("[Tx1]\nCentroidZ=-0.4\nTxLoopPoint1=12.5 -3 /note\n") + Quiet));
    EXPECT_EQ(cfg.Tx[1].NodeX[0], 12.5);
    EXPECT_EQ(cfg.Tx[1].NodeY[0], -3);
    EXPECT_EQ(cfg.Tx[1].NodeZ[0], -0.4);
    EXPECT_EQ(op.questions.size(), 1u);
}

TEST_F(TdcTest, AFilterValueWithOneNumberEndsTheReadWithAListIndexError)
{
    Configuration cfg;
    cfg.LoadFilename = Write("Filter.TDC", "[All]\nDescription=kept\nNumTx=2\n[Tx1]\nName=first\n"
                                           "[Tx2]\nName=second\nTiBLowPassFilter=5\n");
    EXPECT_THROW(
        {
            try {
                LoadTDCFromFile(cfg, folders, op);
            } catch (const ListIndexError& e) {
                EXPECT_THAT(e.what(), testing::HasSubstr("(1)"));
                EXPECT_THAT(e.what(), testing::HasSubstr("[Tx2]"));
                throw;
            }
        },
        ListIndexError);
    // A read that stops changes nothing: the model is as it was before.
    Configuration before;
    before.LoadFilename = cfg.LoadFilename;
    EXPECT_TRUE(cfg == before);
}

TEST_F(TdcTest, JunkNeverBreaksTheModelBounds)
{
    static constexpr char WithNul[] = "[All]\nNum\0Tx=4\nDescription=a\0b\n";
    std::mt19937 random(20240502);
    std::string binary(4096, '\0');
    for (char& c : binary)
        c = static_cast<char>(random() & 0xFF);
    Configuration demo = DemoConfiguration();
    Save(demo, Path("Demo.TDC"));
    const std::string demoText = ReadBytes(Path("Demo.TDC"));

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"binary bytes", binary},
        {"binary after a valid header", "[All]\nNumTx=3\n[Tx1]\n" + binary},
        {"truncated in the middle of a line", demoText.substr(0, demoText.size() / 2 + 7)},
        {"a very long line",
         "[Tx1]\nSignPattern=" + std::string(200'000, '1') + "\nName=" + std::string(70'000, 'x') + "\n"},
        {"many tokens", "[Tx1]\nSignPattern=" +
                            [] {
                                std::string s;
                                for (int i = 0; i < 30000; ++i)
                                    s += i % 2 ? "-1 " : "1,";
                                return s;
                            }()},
        {"an unclosed header and lone equals signs", "[All\n=\n==\n[Tx1]\n=5\nNumTx\n"},
        {"NUL bytes in keys and values", std::string(WithNul, sizeof WithNul - 1)},
        {"huge and tiny numbers", "[All]\nNumTx=99999999999999999999999\n[Tx1]\nVolts=1E400\nAmps=-1E-400\n"
                                  "NoGates=-99999999999\nLoopSides=0x7FFFFFFFFFFFFFFF\n"},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        Configuration cfg;
        cfg.LoadFilename = Write("Junk.TDC", text);
        try {
            LoadTDCFromFile(cfg, folders, op);
        } catch (const ActionError&) {
            // A stop with an error report is a sound outcome too; the bounds below still hold.
        }
        EXPECT_TRUE(cfg.NumTx >= 1 && cfg.NumTx <= MaxTx);
        EXPECT_TRUE(cfg.NumRx >= 1 && cfg.NumRx <= MaxRx);
        EXPECT_TRUE(cfg.NumAcqChn >= 1 && cfg.NumAcqChn <= MaxAcqChn);
        EXPECT_TRUE(cfg.NumTimebases >= 1 && cfg.NumTimebases <= MaxTimeBases);
        for (int t = 1; t <= cfg.NumTx; ++t) {
            EXPECT_TRUE(cfg.Tx[t].LoopSides >= 0 && cfg.Tx[t].LoopSides <= MaxLoopSides);
            EXPECT_TRUE(cfg.Tx[t].NoGates >= 0 && cfg.Tx[t].NoGates <= MaxGates);
        }
        // The operator's file is only read: a save of what was read goes elsewhere and works.
        EXPECT_NO_THROW(Save(cfg, Path("Resaved.TDC")));
    }
}

// ---- Writing --------------------------------------------------------------------------------------

TEST_F(TdcTest, WriterRulesForOptionalKeys)
{
    const std::string file = Write("Old.TDC", "[All]\nDataType=old\nFrontGateDelay=5\nGateTime1=1 2 3\n"
                                              "GateTime7=1 2 3\nCalculateRawDataSTD=4\n"
                                              "[Chn1]\nRowID=Q\nRemoveGatesFrom=9\nGateSTDs=0.1 0.2\n"
                                              "AtoDConvGain=7\n"
                                              "[Vehicle]\nGNSS2X=4\nGNSS2Exists=1\n");
    Configuration cfg = DemoConfiguration();
    cfg.NumAcqChn = 1;
    cfg.DataType = "  ";
    cfg.FrontGateDelay = 0;
    cfg.AcqChn[1].RowID = "None";
    cfg.AcqChn[1].AtoDConvGain = -1;
    cfg.Vehicle.GNSSExists = false;
    Save(cfg, file);
    const KeywordFile f = KeywordFile::Load(file);
    EXPECT_FALSE(f.ValueExists("All", "DataType"));            // blank: removed
    EXPECT_EQ(f.ReadString("All", "FrontGateDelay", ""), "0"); // written because it existed
    EXPECT_FALSE(f.ValueExists("All", "GateTime1"));           // one-digit gates of old files go
    EXPECT_FALSE(f.ValueExists("All", "GateTime7"));
    EXPECT_EQ(f.ReadString("Chn1", "RowID", ""), "None"); // written because it existed
    EXPECT_EQ(f.ReadString("Chn1", "AtoDConvGain", ""), "-1");
    EXPECT_FALSE(f.ValueExists("Vehicle", "GNSSX"));

    // Values the model no longer has must not come back from the old file.
    const Configuration read = Load(file);
    EXPECT_EQ(read.CalculateRawDataSTD, -1);
    EXPECT_EQ(read.AcqChn[1].RemoveGatesFrom, 0);
    EXPECT_FALSE(read.AcqChn[1].GateSTDsExist);
    EXPECT_FALSE(read.Vehicle.GNSS2Exists);
    EXPECT_FALSE(read.Vehicle.GNSSExists);
    EXPECT_EQ(read.Vehicle.GNSS2X, 4); // the coordinates stay in the file, unused

    // A new file gets none of the optional keys.
    Configuration fresh = DemoConfiguration();
    Save(fresh, Path("New.TDC"));
    const KeywordFile n = KeywordFile::Load(Path("New.TDC"));
    for (const char* key : {"FrontGateDelay", "CalculateRawDataSTD", "GateNoForPowerLineMonitor"})
        EXPECT_FALSE(n.ValueExists("All", key)) << key;
    EXPECT_FALSE(n.ValueExists("Tx1", "PrimaryFieldSTD"));
    EXPECT_FALSE(n.ValueExists("Tx1", "Type7TxLoopSides"));
    EXPECT_FALSE(n.ValueExists("Vehicle", "GNSS2Exists"));
    EXPECT_EQ(n.ReadString("All", "MasterTamperCheckCRC", ""), "0");
}

TEST_F(TdcTest, CurrentLinkCopiesChannelCurrentsWhenSaving)
{
    Configuration cfg = DemoConfiguration();
    cfg.LinkTxApproximateCurrenttoTxAmps = true;
    cfg.AcqChn[2].TxApproximateCurrent = 28;
    Save(cfg, Path("Link.TDC"));
    EXPECT_EQ(cfg.Tx[2].Amps, 28); // copied in the model after the transmitters were written
    EXPECT_EQ(KeywordFile::Load(Path("Link.TDC")).ReadString("Tx2", "Amps", ""), "30");
    const Configuration read = Load(Path("Link.TDC"));
    EXPECT_EQ(read.Tx[2].Amps, 28);
    EXPECT_EQ(read.AcqChn[2].TxApproximateCurrent, 28);
}

TEST_F(TdcTest, GexExtensionWritesGexSectionNamesWithTdcKeys)
{
    Configuration cfg = DemoConfiguration();
    Save(cfg, Path("Setup.gex"));
    EXPECT_EQ(cfg.TDCorGEX, TINIFileFormat::GEX);
    const KeywordFile f = KeywordFile::Load(Path("Setup.gex"));
    EXPECT_THAT(f.Sections(),
                ElementsAre("General", "RxCoil1", "RxCoil2", "Transmitter1", "Transmitter2", "TimebaseTx1",
                            "TimebaseTx2", "Vehicle", "WaveformTx1", "WaveformTx2", "Channel1", "Channel2"));
    EXPECT_EQ(f.ReadString("Transmitter1", "NumberOfTurns", ""), "1");
    EXPECT_EQ(f.ReadString("Channel1", "TxApproximateCurrent", ""), "3");
}

TEST_F(TdcTest, AWriteThatFailsIsReportedAndLeavesNoFile)
{
    Configuration cfg = DemoConfiguration();
    const SaveResult r = Save(cfg, Path("no-such-folder/Setup.TDC"));
    EXPECT_EQ(r.outcome, SaveOutcome::Failed);
    EXPECT_THAT(r.reason, testing::HasSubstr("No such file or directory"));
    EXPECT_FALSE(fs::exists(Path("no-such-folder")));
    EXPECT_EQ(cfg.SaveFilename, Path("no-such-folder/Setup.TDC"));
}

// ---- Master files ---------------------------------------------------------------------------------

TEST_F(TdcTest, MasterSavedByTheProgramPassesAndOneChangedByteFails)
{
    Configuration cfg = DemoConfiguration();
    cfg.Master = true;
    op.answers = {true};
    Save(cfg, Path("Master.TDC"));
    EXPECT_THAT(op.questions,
                ElementsAre("Double Checking: Writing to a Master configuration file. Are you sure?"));
    const std::string stamped = ReadBytes(Path("Master.TDC"));

    op.messages.clear();
    const Configuration read = Load(Path("Master.TDC"));
    EXPECT_THAT(op.messages, IsEmpty());
    EXPECT_TRUE(read.Master);
    EXPECT_FALSE(read.IsCorrupt);
    EXPECT_EQ(ReadBytes(Path("Master.TDC")), stamped);

    std::string changed = stamped;
    const std::size_t at = changed.find("Volts=12");
    ASSERT_NE(at, std::string::npos);
    changed[at + 6] = '3';
    WriteBytes(Path("Master.TDC"), changed);
    op.messages.clear();
    // A refused read is a failed read: nothing of the file, nor of the earlier read's working
    // copy, reaches the model.
    Configuration tampered = DemoConfiguration();
    tampered.Description = "unchanged";
    const Configuration before = tampered;
    tampered.LoadFilename = Path("Master.TDC");
    EXPECT_THROW(LoadTDCFromFile(tampered, folders, op), TamperedMasterError);
    ASSERT_EQ(op.messages.size(), 2u);
    EXPECT_EQ(op.messages[0], "CONFIGURATION FILE CORRUPTED! This is a master TEM configuration file and "
                              "someone has tampered with it");
    tampered.LoadFilename = before.LoadFilename;
    EXPECT_TRUE(tampered == before);
}

TEST_F(TdcTest, DecliningTheMasterQuestionWritesNothing)
{
    const std::string file = Write("Master.TDC", "[All]\nDescription=before\n");
    Configuration cfg = DemoConfiguration();
    cfg.Master = true;
    op.answers = {false};
    EXPECT_EQ(Save(cfg, file).outcome, SaveOutcome::Declined);
    EXPECT_EQ(ReadBytes(file), "[All]\nDescription=before\n");
    EXPECT_FALSE(fs::exists(Path("Master.TDCBAK")));
}

TEST_F(TdcTest, EachSaveOverAnExistingFileMakesANumberedBackup)
{
    Configuration cfg = DemoConfiguration();
    Save(cfg, Path("Setup.TDC"));
    const std::string first = ReadBytes(Path("Setup.TDC"));
    cfg.Description = "second";
    Save(cfg, Path("Setup.TDC"));
    Save(cfg, Path("Setup.TDC"));
    EXPECT_EQ(ReadBytes(Path("Setup.TDCBAK")), first);
    EXPECT_TRUE(fs::exists(Path("Setup(0).TDCBAK")));
    EXPECT_THAT(op.messages, IsEmpty());
}

} // namespace
} // namespace tem::tdctest
