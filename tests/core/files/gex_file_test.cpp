#include <gtest/gtest.h>

#include <algorithm>

#include "core/files/gex_file.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/tdc_file.h"
#include "core/model/derived.h"
#include "core/operator.h"
#include "gex_test_support.h"

namespace tem {
namespace {

using namespace gextest;

bool Contains(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

/// Reads a GEX file into a fresh model; in-line comment splitting is accepted.
Configuration LoadGex(const std::string& path, const TempFolder& tmp, RecordingOperator& op)
{
    Configuration cfg;
    cfg.LoadFilename = path;
    op.answers = {true};
    LoadGEXFromFile(cfg, tmp.folders, op);
    return cfg;
}

Configuration LoadGexText(const std::string& text, const TempFolder& tmp, RecordingOperator& op)
{
    const std::string path = tmp.file("case.gex");
    WriteBytes(path, text);
    return LoadGex(path, tmp, op);
}

/// The model as it stands after a read: channel map, moment names and derived values in place.
void Settle(Configuration& cfg)
{
    RecordingOperator quiet;
    TxRxAliasAcqChnMapping(cfg, quiet);
    CheckTxMomentTxNumberMatch(cfg, quiet);
    CalculateDrivenVariables(cfg, quiet);
}

// ---- Files written the way other programs write them ------------------------------------------

struct FixtureCase {
    const char* file;
    int numTx;
    TMomentID moment1, moment2;
    int turns1, turns2;
    int loopSides;
    int gates1, gates2;
    double firstGate1, lastGate1, firstGate2, lastGate2; // centres, s
    int points1, points2;                                // waveform points
};

TEST(GexRead, FixturesFromOtherPrograms)
{
    const FixtureCase cases[] = {
        {"workbench_dual.gex", 2, TMomentID::LM, TMomentID::HM, 1, 4, 8, 28, 37, 2.5e-06, 5.248510e-04,
         6.0e-06, 2.816218e-03, 8, 8},
        {"hand_edited_single.gex", 1, TMomentID::SingleM, TMomentID::SingleM, 2, 0, 4, 20, 0, 1.2e-05,
         1.243001e-03, 0, 0, 4, 0},
        {"three_digit_keys.gex", 2, TMomentID::LM, TMomentID::HM, 2, 6, 4, 28, 120, 2.5e-06, 5.248510e-04,
         8.5e-06, 6.800091e-03, 8, 8},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.file);
        TempFolder tmp;
        const std::string path = tmp.file(k.file);
        fs::copy_file(Fixture(k.file), path);
        RecordingOperator op;
        const Configuration cfg = LoadGex(path, tmp, op);

        EXPECT_EQ(cfg.TDCorGEX, TINIFileFormat::GEX);
        ASSERT_EQ(cfg.NumTx, k.numTx);
        ASSERT_EQ(cfg.NumTimebases, k.numTx);
        ASSERT_EQ(cfg.NumAcqChn, k.numTx);
        EXPECT_EQ(cfg.Tx[1].MomentID, k.moment1);
        EXPECT_EQ(cfg.Tx[1].Turns, k.turns1);
        EXPECT_EQ(cfg.Tx[1].LoopSides, k.loopSides);
        EXPECT_EQ(cfg.TimeBase[1].NumGatesInSet, k.gates1);
        EXPECT_DOUBLE_EQ(cfg.TimeBase[1].GateCentre[1], k.firstGate1);
        EXPECT_DOUBLE_EQ(cfg.TimeBase[1].GateCentre[k.gates1], k.lastGate1);
        EXPECT_EQ(cfg.TxWaveform[1].WaveformPointsDigitized, k.points1);
        EXPECT_EQ(cfg.AcqChn[1].TxNumber, 1);
        EXPECT_EQ(cfg.Tx[1].NoGates, k.gates1);
        if (k.numTx == 2) {
            EXPECT_EQ(cfg.Tx[2].MomentID, k.moment2);
            EXPECT_EQ(cfg.Tx[2].Turns, k.turns2);
            EXPECT_EQ(cfg.Tx[2].LoopSides, k.loopSides) << "the second moment shares the loop of [General]";
            EXPECT_EQ(cfg.Tx[2].NodeX[2], cfg.Tx[1].NodeX[2]);
            EXPECT_EQ(cfg.Tx[2].TimeBaseNumber, 2);
            EXPECT_EQ(cfg.TimeBase[2].NumGatesInSet, k.gates2);
            EXPECT_DOUBLE_EQ(cfg.TimeBase[2].GateCentre[1], k.firstGate2);
            EXPECT_DOUBLE_EQ(cfg.TimeBase[2].GateCentre[k.gates2], k.lastGate2);
            EXPECT_EQ(cfg.TxWaveform[2].WaveformPointsDigitized, k.points2);
            EXPECT_EQ(cfg.AcqChn[2].TxNumber, 2);
            EXPECT_EQ(cfg.AcqChn[2].TransmitterMoment, "HM");
            EXPECT_EQ(cfg.TxLM, 1);
            EXPECT_EQ(cfg.TxHM, 2);
        }
        EXPECT_FALSE(Contains(op.messages, "TimeGate entries were not found"));
        EXPECT_FALSE(Contains(op.messages, "outside the allowed range"));
    }
}

TEST(GexRead, WorkbenchDualDetails)
{
    TempFolder tmp;
    RecordingOperator op;
    const Configuration cfg = LoadGex(Fixture("workbench_dual.gex"), tmp, op);
    // Tabs between the numbers, lower-case exponents.
    EXPECT_DOUBLE_EQ(cfg.TimeBase[1].drivenGateStart[1], 2.0e-06);
    EXPECT_DOUBLE_EQ(cfg.TimeBase[1].drivenGateEnd[1], 3.0e-06);
    EXPECT_DOUBLE_EQ(cfg.TimeBase[1].GateWidth[1], 3.0e-06 - 2.0e-06);
    EXPECT_DOUBLE_EQ(cfg.TxWaveform[2].WaveformPointTimes[8], 1.03e-05);
    EXPECT_DOUBLE_EQ(cfg.TxWaveform[2].drivenRamp, 1.03e-05);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].NodeX[0], -12.64);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].NodeX[8], -12.64) << "closing vertex";
    EXPECT_NEAR(cfg.Tx[1].Area, 342.8051, 1e-9);
    EXPECT_DOUBLE_EQ(cfg.Rx[1].CentroidX, -13.25);
    EXPECT_DOUBLE_EQ(cfg.Rx[1].FilterHz, 210000);
    // "FrontGateTime" as other programs spell it.
    EXPECT_FALSE(cfg.AcqChn[1].FrontGateExists);
    EXPECT_TRUE(cfg.AcqChn[2].FrontGateExists);
    EXPECT_DOUBLE_EQ(cfg.AcqChn[2].FrontGatetime, 7e-05);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].FullWaveformRepetitionFrequency, 210);
    EXPECT_DOUBLE_EQ(cfg.Tx[2].FullWaveformRepetitionFrequency, 25);
    EXPECT_DOUBLE_EQ(cfg.Tx[2].LPFilterOrderandCutoff[1], 300000);
    EXPECT_EQ(cfg.AcqChn[1].RemoveInitialGates, 6);
    EXPECT_DOUBLE_EQ(cfg.FrontGateDelay, 2.5e-06);
    // Sensors of [General]; the first antenna always, the others because they are there.
    EXPECT_DOUBLE_EQ(cfg.Vehicle.GNSSX, 11.91);
    EXPECT_TRUE(cfg.Vehicle.GNSS2Exists);
    EXPECT_TRUE(cfg.Vehicle.AltimeterExists);
    EXPECT_DOUBLE_EQ(cfg.Vehicle.AltimeterZ, -0.12);
    EXPECT_FALSE(cfg.Vehicle.Altimeter2Exists);
    EXPECT_EQ(cfg.Vehicle.Propulsion, TPropulsion::propAirborne);
    // GEX defaults that differ from TDC.
    EXPECT_EQ(cfg.ParentConfigFile, "NoParentConfigFile.gex");
    EXPECT_EQ(cfg.Tx[1].Name, "Name_not_provided");
    EXPECT_EQ(cfg.TimeBase[1].GateSetName, "Not_Specified");
    EXPECT_EQ(cfg.TimeBase[1].AnalDigConvSamplingRate, -1);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].AmpsMin, 1);
}

TEST(GexRead, HandEditedSingleMoment)
{
    TempFolder tmp;
    const std::string path = tmp.file("hand.gex");
    fs::copy_file(Fixture("hand_edited_single.gex"), path);
    RecordingOperator op;
    const Configuration cfg = LoadGex(path, tmp, op);
    EXPECT_EQ(cfg.Description, "Single moment square loop");
    EXPECT_DOUBLE_EQ(cfg.Tx[1].FullWaveformRepetitionFrequency, 25) << "value before its in-line comment";
    EXPECT_EQ(cfg.Tx[1].Turns, 2);
    EXPECT_DOUBLE_EQ(cfg.AcqChn[1].FrontGatetime, 5e-6);
    EXPECT_DOUBLE_EQ(cfg.AcqChn[1].TxApproximateCurrent, 30.5);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].NodeZ[3], -0.4);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].Area, 400);
    EXPECT_DOUBLE_EQ(cfg.TimeBase[1].drivenGateEnd[20], 1.381779E-03);
    EXPECT_DOUBLE_EQ(cfg.TxWaveform[1].WaveformPointTimes[4], 3.0e-06);
    EXPECT_DOUBLE_EQ(cfg.Rx[1].FilterHz, 300000);

    // Saved over, the file keeps its comments, on lines of their own.
    Configuration saved = cfg;
    saved.SaveFilename = path;
    SaveGEXToFile(saved, tmp.folders, op);
    const std::string text = ReadBytes(path);
    EXPECT_NE(text.find("RepFreq=25\r\n             // mains 50 Hz\r\n"), std::string::npos);
    EXPECT_EQ(LoadGex(path, tmp, op).Tx[1].FullWaveformRepetitionFrequency, 25);
}

TEST(GexRead, LoopType7FromTabSeparatedSides)
{
    TempFolder tmp;
    RecordingOperator op;
    const Configuration cfg = LoadGex(Fixture("loop_type7.gex"), tmp, op);
    ASSERT_EQ(cfg.Tx[1].LoopSides, 4);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].NodeX[0], 10);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].NodeY[0], 15);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].NodeX[2], -10);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].NodeY[2], -15);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].Area, 600);
    EXPECT_TRUE(Contains(op.messages, "Tx LoopType 7 detected - rectangular loop."));
    EXPECT_FALSE(Contains(op.messages, "Loop type 7 is specified but TxLoopSides"));
    EXPECT_EQ(cfg.TimeBase[1].NumGatesInSet, 5);

    Configuration saved = cfg;
    saved.SaveFilename = tmp.file("rect.gex");
    SaveGEXToFile(saved, tmp.folders, op);
    EXPECT_EQ(KeywordFile::Load(saved.SaveFilename).ReadString("General", "TxLoopSides", ""),
              "20.000   30.000");
    const Configuration back = LoadGex(saved.SaveFilename, tmp, op);
    EXPECT_EQ(back.Tx[1].NodeY, cfg.Tx[1].NodeY);
    EXPECT_EQ(back.Tx[1].Type7RectSideX, 20);
}

TEST(GexRead, AbsurdCountsAreClampedWithMessages)
{
    TempFolder tmp;
    RecordingOperator op;
    Configuration cfg;
    ASSERT_NO_THROW(cfg = LoadGex(Fixture("absurd_counts.gex"), tmp, op));
    EXPECT_EQ(cfg.NumTx, 2);
    EXPECT_EQ(cfg.NumTimebases, 2);
    EXPECT_EQ(cfg.NumAcqChn, MaxAcqChn);
    EXPECT_EQ(cfg.NumRx, 1);
    EXPECT_EQ(cfg.Tx[1].LoopSides, MaxLoopSides);
    EXPECT_EQ(cfg.Tx[2].LoopSides, 0);
    EXPECT_EQ(cfg.TimeBase[1].NumGatesInSet, MaxGates);
    EXPECT_EQ(cfg.TimeBase[2].NumGatesInSet, 0);
    EXPECT_EQ(cfg.TxWaveform[1].WaveformPointsDigitized, MaxWaveformPoints);
    EXPECT_EQ(cfg.AcqChn[1].TxNumber, MaxTx);
    EXPECT_EQ(cfg.AcqChn[2].TxNumber, 1);
    EXPECT_EQ(cfg.SysResp[1].FwdModelLayers, MaxFwdModelLayers);
    EXPECT_EQ(cfg.Rx[1].Loopsides, MaxLoopSides);
    EXPECT_TRUE(
        Contains(op.messages, "Only 1 or 2 transmitter moments are possible in GEX format - reduced to 2"));
    EXPECT_TRUE(Contains(op.messages, "Only 1 or 2 timebases are possible in GEX format - reduced to 2"));
    EXPECT_TRUE(
        Contains(op.messages,
                 "NumAcqChn in section [General] is 99999, outside the allowed range 1 to 18; 18 is used."));
    EXPECT_TRUE(Contains(
        op.messages,
        "LoopSides in section [Transmitter1] is 5000, outside the allowed range 0 to 99; 99 is used."));
    EXPECT_TRUE(Contains(
        op.messages, "TxNumber in section [Channel1] is 77, outside the allowed range 1 to 9; 9 is used."));
    EXPECT_TRUE(Contains(op.messages, "TimeBaseNumber in section [Channel1] is 12345"));
    EXPECT_TRUE(Contains(op.messages, "NoGates in section [Channel1] is 999999"));
    EXPECT_TRUE(Contains(op.messages, "NoGates in section [Channel2] is -9"));
}

// Small files for the reading rules that the fixtures above do not reach.
TEST(GexRead, EdgeCases)
{
    TempFolder tmp;
    {
        SCOPED_TRACE("centroid from a two-number position");
        RecordingOperator op;
        const auto cfg =
            LoadGexText("[General]\nNumberOfTurns=1\nTxCoilPosition1=1 2\n"
                        "TxLoopPoint1=5 5\nTxLoopPoint2=-5 5\nTxLoopPoint3=-5 -5\nTxLoopPoint4=5 -5\n",
                        tmp, op);
        EXPECT_DOUBLE_EQ(cfg.Tx[1].NodeZ[0], -1.8);
        EXPECT_DOUBLE_EQ(cfg.Tx[1].CentroidZ, -1.8);
        EXPECT_EQ(cfg.Tx[1].MomentID, TMomentID::SingleM);
    }
    {
        SCOPED_TRACE("lists: flags follow their own keys");
        RecordingOperator op;
        const auto cfg = LoadGexText("[General]\nNumberOfTurns=1\n[Channel1]\nGateConstants=1 2 x\n"
                                     "GateFactors=\n",
                                     tmp, op);
        EXPECT_TRUE(cfg.AcqChn[1].GateConstantsExist);
        EXPECT_EQ(cfg.AcqChn[1].GateConstants, (std::vector<double>{1, 2, 0}));
        EXPECT_TRUE(cfg.AcqChn[1].GateFactorsExist);
        EXPECT_TRUE(cfg.AcqChn[1].GateFactors.empty());
        EXPECT_FALSE(cfg.AcqChn[1].GateSTDsExist);
    }
    {
        SCOPED_TRACE("unrecognised channel moment");
        RecordingOperator op;
        const auto cfg =
            LoadGexText("[General]\nNumberOfTurns=1\n[Channel1]\nTransmitterMoment=Both\n", tmp, op);
        EXPECT_TRUE(Contains(op.messages,
                             "For Channel 1 TransmitterMoment was not recognised (SingleM, LM or HM) - "
                             "applying SingleM"));
        EXPECT_EQ(cfg.AcqChn[1].TxNumber, 1);
        EXPECT_EQ(cfg.AcqChn[1].TransmitterMoment, "SingleM");
    }
    {
        SCOPED_TRACE("gates missing");
        RecordingOperator op;
        const auto cfg =
            LoadGexText("[General]\nNumberOfTurns=1\n[Transmitter1]\nNumGatesInSet=3\n", tmp, op);
        EXPECT_TRUE(Contains(op.messages,
                             "TimeGate entries were not found in [Tx#] section nor [General] section "
                             "for TxNumber 1 - replaced with zeros"));
        EXPECT_EQ(cfg.TimeBase[1].GateCentre[3], 0);
    }
    {
        SCOPED_TRACE("only high-moment turns: both transmitters HM");
        RecordingOperator op;
        const auto cfg =
            LoadGexText("[General]\nNumTx=2\nNumberOfTurnsHM=3\nGateTimeHM01=1e-5 1e-5 1e-5\n", tmp, op);
        EXPECT_EQ(cfg.Tx[1].MomentID, TMomentID::HM);
        EXPECT_EQ(cfg.Tx[2].MomentID, TMomentID::HM);
        EXPECT_EQ(cfg.Tx[1].Turns, 3);
    }
    {
        SCOPED_TRACE("Other moment");
        RecordingOperator op;
        const auto cfg = LoadGexText("[General]\n[Transmitter1]\nMomentID=other\nNumberOfTurns=7\n", tmp, op);
        EXPECT_TRUE(Contains(op.messages, "MomentID=Other declared but GEX cannot document such a case"));
        EXPECT_EQ(cfg.Tx[1].Turns, 7);
        EXPECT_EQ(cfg.TxOther, 1);
    }
    {
        SCOPED_TRACE("low-pass filter with one number stops the read");
        RecordingOperator op;
        Configuration cfg;
        cfg.LoadFilename = tmp.file("case.gex");
        WriteBytes(cfg.LoadFilename, "[General]\nNumberOfTurns=1\n[Channel1]\nTiBLowPassFilter=2\n");
        EXPECT_THROW(LoadGEXFromFile(cfg, tmp.folders, op), ListIndexError);
    }
}

TEST(GexRead, AFieldWaveformOf68PointsKeepsItsTurnOffThroughBothFormats)
{
    TempFolder tmp;
    const std::string path = tmp.file("long_hm_waveform.gex");
    fs::copy_file(Fixture("long_hm_waveform.gex"), path);
    RecordingOperator op;
    Configuration cfg = LoadGex(path, tmp, op);
    EXPECT_FALSE(Contains(op.messages, "outside the allowed range"));
    ASSERT_EQ(cfg.TxWaveform[2].WaveformPointsDigitized, 68);
    EXPECT_DOUBLE_EQ(cfg.TxWaveform[2].WaveformPointTimes[68], 4.8e-06);
    EXPECT_DOUBLE_EQ(cfg.TxWaveform[2].drivenRamp, 4.8e-06);

    for (const char* name : {"copy.TDC", "copy.gex"}) {
        SCOPED_TRACE(name);
        cfg.SaveFilename = tmp.file(name);
        const bool gex = std::string(name).ends_with(".gex");
        ASSERT_TRUE(
            (gex ? SaveGEXToFile(cfg, tmp.folders, op) : SaveTDCToFile(cfg, tmp.folders, op)).written());
        Configuration back;
        back.LoadFilename = cfg.SaveFilename;
        if (gex)
            LoadGEXFromFile(back, tmp.folders, op);
        else
            LoadTDCFromFile(back, tmp.folders, op);
        EXPECT_EQ(back.TxWaveform[2].WaveformPointsDigitized, 68);
        EXPECT_DOUBLE_EQ(back.TxWaveform[2].WaveformPointTimes[68], 4.8e-06);
        EXPECT_DOUBLE_EQ(back.TxWaveform[2].drivenRamp, 4.8e-06);
    }
}

TEST(GexRead, WrongExtensionReadsNothing)
{
    TempFolder tmp;
    const std::string path = tmp.file("config.txt");
    WriteBytes(path, "[General]\nNumberOfTurns=3\n");
    Configuration cfg;
    cfg.LoadFilename = path;
    cfg.NumTx = 5;
    RecordingOperator op;
    try {
        LoadGEXFromFile(cfg, tmp.folders, op);
        ADD_FAILURE() << "read";
    } catch (const ActionError& e) {
        EXPECT_STREQ(e.what(), "File extension must be GEX. ABORTING");
    }
    EXPECT_EQ(cfg.NumTx, 5);
    EXPECT_FALSE(fs::exists(tmp.folders.temConfig + "Temp.GEX"));
}

// ---- Writing and reading back ------------------------------------------------------------------

void ExpectSameModel(const Configuration& a, const Configuration& b)
{
    ASSERT_EQ(a.NumTx, b.NumTx);
    ASSERT_EQ(a.NumTimebases, b.NumTimebases);
    ASSERT_EQ(a.NumAcqChn, b.NumAcqChn);
    ASSERT_EQ(a.NumRx, b.NumRx);
    EXPECT_EQ(a.Description, b.Description);
    EXPECT_EQ(a.ParentConfigFile, b.ParentConfigFile);
    EXPECT_EQ(a.DataType, b.DataType);
    EXPECT_EQ(a.FrontGateDelay, b.FrontGateDelay);
    EXPECT_EQ(a.CalculateRawDataSTD, b.CalculateRawDataSTD);
    EXPECT_EQ(a.GateNoForPowerLineMonitor, b.GateNoForPowerLineMonitor);
    EXPECT_EQ(a.TxSingle, b.TxSingle);
    EXPECT_EQ(a.TxLM, b.TxLM);
    EXPECT_EQ(a.TxHM, b.TxHM);
    EXPECT_EQ(a.AcqChnMapTxRx, b.AcqChnMapTxRx);
    for (int t = 1; t <= a.NumTx; ++t) {
        SCOPED_TRACE("transmitter " + std::to_string(t));
        EXPECT_EQ(a.Tx[t].MomentID, b.Tx[t].MomentID);
        EXPECT_EQ(a.Tx[t].Turns, b.Tx[t].Turns);
        EXPECT_EQ(a.Tx[t].LoopSides, b.Tx[t].LoopSides);
        EXPECT_EQ(a.Tx[t].NodeX, b.Tx[t].NodeX);
        EXPECT_EQ(a.Tx[t].NodeY, b.Tx[t].NodeY);
        EXPECT_EQ(a.Tx[t].NodeZ, b.Tx[t].NodeZ);
        EXPECT_EQ(a.Tx[t].NoGates, b.Tx[t].NoGates);
        EXPECT_EQ(a.Tx[t].TimeBaseNumber, b.Tx[t].TimeBaseNumber);
        EXPECT_EQ(a.Tx[t].FullWaveformRepetitionFrequency, b.Tx[t].FullWaveformRepetitionFrequency);
        EXPECT_EQ(a.Tx[t].SignPattern, b.Tx[t].SignPattern);
        EXPECT_EQ(a.Tx[t].PrimaryFieldSTD, b.Tx[t].PrimaryFieldSTD);
        EXPECT_TRUE(a.Tx[t] == b.Tx[t]) << "some other transmitter field differs";
        EXPECT_EQ(a.TxWaveform[t].WaveformPointTimes, b.TxWaveform[t].WaveformPointTimes);
        EXPECT_EQ(a.TxWaveform[t].drivenRamp, b.TxWaveform[t].drivenRamp);
        EXPECT_EQ(a.TxWaveform[t].WaveformFilename, b.TxWaveform[t].WaveformFilename);
        EXPECT_TRUE(a.TxWaveform[t] == b.TxWaveform[t]);
    }
    for (int k = 1; k <= a.NumTimebases; ++k) {
        SCOPED_TRACE("time base " + std::to_string(k));
        EXPECT_EQ(a.TimeBase[k].NumGatesInSet, b.TimeBase[k].NumGatesInSet);
        EXPECT_EQ(a.TimeBase[k].GateCentre, b.TimeBase[k].GateCentre);
        EXPECT_EQ(a.TimeBase[k].drivenGateStart, b.TimeBase[k].drivenGateStart);
        EXPECT_TRUE(a.TimeBase[k] == b.TimeBase[k]) << "some other time-base field differs";
    }
    for (int c = 1; c <= a.NumAcqChn; ++c) {
        SCOPED_TRACE("channel " + std::to_string(c));
        EXPECT_EQ(a.AcqChn[c].TxNumber, b.AcqChn[c].TxNumber);
        EXPECT_EQ(a.AcqChn[c].FrontGatetime, b.AcqChn[c].FrontGatetime);
        EXPECT_EQ(a.AcqChn[c].GateConstants, b.AcqChn[c].GateConstants);
        EXPECT_TRUE(a.AcqChn[c] == b.AcqChn[c]) << "some other channel field differs";
        EXPECT_EQ(a.SysResp[c].SysRespExists, b.SysResp[c].SysRespExists);
        if (a.SysResp[c].SysRespExists) {
            EXPECT_TRUE(a.SysResp[c] == b.SysResp[c]) << "some system-response field differs";
        }
    }
    for (int r = 1; r <= a.NumRx; ++r) {
        SCOPED_TRACE("receiver " + std::to_string(r));
        EXPECT_EQ(a.Rx[r].NodeX, b.Rx[r].NodeX);
        EXPECT_EQ(a.Rx[r].CentroidX, b.Rx[r].CentroidX);
        // A default radius computed on reading has more digits than the general number form keeps.
        EXPECT_NEAR(a.Rx[r].EquivRadius, b.Rx[r].EquivRadius, 1e-14);
        TReceiver rb = b.Rx[r];
        rb.EquivRadius = a.Rx[r].EquivRadius;
        EXPECT_TRUE(a.Rx[r] == rb) << "some receiver field differs";
    }
    EXPECT_EQ(a.Vehicle.AltimeterExists, b.Vehicle.AltimeterExists);
    EXPECT_TRUE(a.Vehicle == b.Vehicle) << "some vehicle field differs";
}

TEST(GexWrite, DualAndSingleMomentModelsReadBackTheSame)
{
    for (bool dual : {true, false}) {
        SCOPED_TRACE(dual ? "dual moment" : "single moment");
        TempFolder tmp;
        Configuration model = MakeModel(dual);
        Settle(model);
        Configuration saved = model;
        saved.SaveFilename = tmp.file("system.gex");
        RecordingOperator op;
        SaveGEXToFile(saved, tmp.folders, op);
        ASSERT_TRUE(fs::exists(saved.SaveFilename));

        RecordingOperator op2;
        const Configuration back = LoadGex(saved.SaveFilename, tmp, op2);
        EXPECT_TRUE(op2.messages.empty()) << op2.messages.front();
        ExpectSameModel(model, back);
    }
}

TEST(GexWrite, DualMomentKeysAndForms)
{
    TempFolder tmp;
    Configuration cfg = MakeModel(true);
    Settle(cfg);
    cfg.SaveFilename = tmp.file("Dual.GEX");
    RecordingOperator op;
    SaveGEXToFile(cfg, tmp.folders, op);
    EXPECT_EQ(cfg.SaveFilename, tmp.file("Dual.gex"));
    EXPECT_EQ(cfg.TDCorGEX, TINIFileFormat::GEX);
    ASSERT_TRUE(fs::exists(tmp.file("Dual.gex")));
    EXPECT_FALSE(fs::exists(tmp.file("Dual.GEX")));

    const KeywordFile f = KeywordFile::Load(cfg.SaveFilename);
    const std::string G = "General";
    EXPECT_EQ(f.ReadString(G, "NumberOfTurnsLM", ""), "1");
    EXPECT_EQ(f.ReadString(G, "NumberOfTurnsHM", ""), "4");
    EXPECT_FALSE(f.ValueExists(G, "NumberOfTurns"));
    EXPECT_EQ(f.ReadString(G, "GateTimeLM01", ""), FormatScientific(cfg.TimeBase[1].GateCentre[1]) + " " +
                                                       FormatScientific(cfg.TimeBase[1].drivenGateStart[1]) +
                                                       " " +
                                                       FormatScientific(cfg.TimeBase[1].drivenGateEnd[1]) +
                                                       " " + FormatScientific(cfg.TimeBase[1].GateWidth[1]));
    EXPECT_TRUE(f.ValueExists(G, "GateTimeHM30"));
    EXPECT_FALSE(f.ValueExists(G, "GateTimeHM31"));
    EXPECT_EQ(f.ReadString(G, "WaveformLMPoint02", ""), "-3.178600E-003 6.000000E-001");
    EXPECT_TRUE(f.ValueExists(G, "WaveformHMPoint06"));
    EXPECT_EQ(f.ReadString(G, "TxLoopPoint1", ""), "-8.000   -3.000   -0.500");
    EXPECT_EQ(f.ReadString("Transmitter2", "TxLoopPoint6", ""), "-2.000    6.250   -0.500");
    EXPECT_EQ(f.ReadString(G, "RxCoilPosition1", ""), "-13.25      0.50     -2.00");
    EXPECT_EQ(f.ReadString(G, "RxCoilLPFilter1", ""), "2.00 210000.00");
    EXPECT_EQ(f.ReadString(G, "AltimeterPosition1", ""), "12.940      1.790     -0.125");
    EXPECT_FALSE(f.ValueExists(G, "GPSPosition2"));
    EXPECT_EQ(f.ReadString(G, "Gate_Times", ""), "Centre Start End Width (second)");
    EXPECT_EQ(f.ReadString("Channel2", "RepFreq", ""), "25");
    EXPECT_EQ(f.ReadString("Channel2", "TimebaseNumber", ""), "2");
    EXPECT_EQ(f.ReadString("Channel1", "SignPattern", ""), "1 -1 -1 1");
    EXPECT_EQ(f.ReadString("Channel1", "TiBLowPassFilter", ""), "1 300000");
    EXPECT_EQ(f.ReadString("Channel1", "TxApproximateCurrent", ""), "9");
    EXPECT_FALSE(f.ValueExists("Channel1", "drivenAarhusTxApproximateCurrent"));
    EXPECT_EQ(f.ReadString(G, "MasterTamperCheckCRC", ""), "0");
}

TEST(GexWrite, RefusedModelsAndNamesWriteNothing)
{
    struct Case {
        const char* name;
        const char* file;
        void (*change)(Configuration&);
        const char* message;
    };
    const Case cases[] = {
        {"extension", "system.txt", [](Configuration&) {},
         "File extension must be 'gex' when saving in GEX format but it was not. Beware that AarhusWorkBench "
         "only "
         "reads GEX files ending in lower case 'gex' and not upper case 'GEX'. ABORTING"},
        {"three moments", "system.gex",
         [](Configuration& c) {
             c.NumTx = 3;
             c.Tx[3] = c.Tx[2];
         },
         "Only 1 or 2 transmitter moments are possible in GEX format"},
        {"three time bases", "system.gex", [](Configuration& c) { c.NumTimebases = 3; },
         "Only 1 or 2 timebases are possible in GEX format"},
        {"two LM transmitters", "system.gex", [](Configuration& c) { c.Tx[2].MomentID = TMomentID::LM; },
         "would share the same GEX [General] keys"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        TempFolder tmp;
        Configuration cfg = MakeModel(true);
        k.change(cfg);
        cfg.SaveFilename = tmp.file(k.file);
        const std::string before = "[General]\r\nKeepMe=1\r\n";
        WriteBytes(cfg.SaveFilename, before);
        RecordingOperator op;
        const SaveResult r = SaveGEXToFile(cfg, tmp.folders, op);
        EXPECT_EQ(r.outcome, SaveOutcome::Failed);
        EXPECT_NE(r.reason.find(k.message), std::string::npos) << r.reason;
        EXPECT_TRUE(op.messages.empty());
        EXPECT_EQ(ReadBytes(cfg.SaveFilename), before);
        EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator{}), 2)
            << "no backup, no other file";
    }
}

TEST(GexWrite, DeclinedMasterQuestionWritesNothing)
{
    TempFolder tmp;
    Configuration cfg = MakeModel(false);
    cfg.Master = true;
    cfg.SaveFilename = tmp.file("master.gex");
    RecordingOperator op;
    op.answers = {false};
    SaveGEXToFile(cfg, tmp.folders, op);
    EXPECT_EQ(op.questions,
              (std::vector<std::string>{"Writing to a Master configuration file. Are you sure?"}));
    EXPECT_FALSE(fs::exists(cfg.SaveFilename));
}

TEST(GexWrite, MasterIsStampedAndATamperedOneIsRefused)
{
    TempFolder tmp;
    Configuration cfg = MakeModel(true);
    Settle(cfg);
    cfg.Master = true;
    cfg.SaveFilename = tmp.file("master.gex");
    RecordingOperator op;
    op.answers = {true};
    SaveGEXToFile(cfg, tmp.folders, op);
    EXPECT_NE(KeywordFile::Load(cfg.SaveFilename).ReadString("General", "MasterTamperCheckCRC", "0"), "0");

    RecordingOperator op2;
    const Configuration intact = LoadGex(cfg.SaveFilename, tmp, op2);
    EXPECT_TRUE(op2.messages.empty());
    EXPECT_TRUE(intact.Master);
    EXPECT_EQ(intact.Tx[2].Turns, 4);

    std::string text = ReadBytes(cfg.SaveFilename);
    text.replace(text.find("NumberOfTurnsHM=4"), 17, "NumberOfTurnsHM=5");
    WriteBytes(cfg.SaveFilename, text);
    RecordingOperator op3;
    EXPECT_THROW(LoadGex(cfg.SaveFilename, tmp, op3), TamperedMasterError)
        << "neither the tampered file nor the working copy of the previous read";
    ASSERT_EQ(op3.messages.size(), 2u);
    EXPECT_EQ(op3.messages[0],
              "CONFIGURATION FILE CORRUPTED! This is a master TEM configuration file and someone "
              "has tampered with it");

    // Saving onto the master is refused by the save itself.
    text = ReadBytes(cfg.SaveFilename); // as the refused read left it
    RecordingOperator op4;
    const SaveResult r = SaveGEXToFile(cfg, tmp.folders, op4);
    EXPECT_EQ(r.outcome, SaveOutcome::RefusedMaster);
    EXPECT_TRUE(r.corruptMaster);
    EXPECT_EQ(ReadBytes(cfg.SaveFilename), text);
}

TEST(GexWrite, AliasMomentKeepsItsGatesInItsOwnSection)
{
    TempFolder tmp;
    Configuration cfg = MakeModel(false);
    cfg.Tx[1].MomentID = TMomentID::TxZ;
    cfg.AcqChn[1].TransmitterMoment = "TxZ";
    Settle(cfg);
    cfg.SaveFilename = tmp.file("alias.gex");
    RecordingOperator op;
    SaveGEXToFile(cfg, tmp.folders, op);
    EXPECT_TRUE(Contains(op.messages,
                         "Cannot write gatetimes to GEX [General] section because a Tx Alias was not "
                         "supported in GEX format. Writtern to Tx[#] section instead."));
    const KeywordFile f = KeywordFile::Load(cfg.SaveFilename);
    EXPECT_TRUE(f.ValueExists("Transmitter1", "GateTime01"));
    EXPECT_TRUE(f.ValueExists("Transmitter1", "NumberOfTurns"));
    EXPECT_FALSE(f.ValueExists("General", "GateTime01"));

    RecordingOperator op2;
    const Configuration back = LoadGex(cfg.SaveFilename, tmp, op2);
    EXPECT_EQ(back.TimeBase[1].GateCentre, cfg.TimeBase[1].GateCentre);
    EXPECT_EQ(back.Tx[1].Turns, cfg.Tx[1].Turns);
}

TEST(GexWrite, SavingOverAnotherProgramsFileKeepsWhatWeDoNotWrite)
{
    TempFolder tmp;
    const std::string path = tmp.file("three.gex");
    fs::copy_file(Fixture("three_digit_keys.gex"), path);
    RecordingOperator op;
    Configuration cfg = LoadGex(path, tmp, op);
    const Configuration first = cfg;
    cfg.SaveFilename = path;
    SaveGEXToFile(cfg, tmp.folders, op);

    const KeywordFile f = KeywordFile::Load(path);
    EXPECT_EQ(f.ReadString("Processing", "Projection", ""), "UTM32N");
    EXPECT_EQ(f.ReadString("General", "InstrumentSerial", ""), "SN-0042");
    EXPECT_EQ(f.ReadString("Channel2", "VendorGateFlags", ""), "1 1 1 0");
    EXPECT_TRUE(fs::exists(tmp.file("three.gexBAK")));

    RecordingOperator op2;
    const Configuration again = LoadGex(path, tmp, op2);
    ExpectSameModel(first, again);
}

TEST(ConfigWrite, RemovedListsAndAbsentSensorsStayGoneInBothFormats)
{
    // A save onto an existing file drops the per-gate lists the model no longer has, and a
    // sensor the model does not have is read back absent, in TDC and in GEX alike.
    for (const TINIFileFormat format : {TINIFileFormat::TDC, TINIFileFormat::GEX}) {
        const bool gex = format == TINIFileFormat::GEX;
        SCOPED_TRACE(gex ? "GEX" : "TDC");
        TempFolder tmp;
        RecordingOperator op;
        Configuration cfg = MakeModel(false);
        Settle(cfg);
        cfg.AcqChn[1].GateFactorsExist = true;
        cfg.AcqChn[1].GateFactors = {1, 1.5};
        cfg.AcqChn[1].GateSTDsExist = true;
        cfg.AcqChn[1].GateSTDs = {0.03, 0.05};
        cfg.SaveFilename = tmp.file(gex ? "lists.gex" : "lists.TDC");
        auto save = [&] { gex ? SaveGEXToFile(cfg, tmp.folders, op) : SaveTDCToFile(cfg, tmp.folders, op); };
        save();
        cfg.AcqChn[1].GateConstantsExist = cfg.AcqChn[1].GateFactorsExist = cfg.AcqChn[1].GateSTDsExist =
            false;
        cfg.AcqChn[1].GateConstants.clear();
        cfg.AcqChn[1].GateFactors.clear();
        cfg.AcqChn[1].GateSTDs.clear();
        cfg.Vehicle.GNSSExists = false;
        save();

        Configuration back;
        back.LoadFilename = cfg.SaveFilename;
        gex ? LoadGEXFromFile(back, tmp.folders, op) : LoadTDCFromFile(back, tmp.folders, op);
        EXPECT_FALSE(back.AcqChn[1].GateConstantsExist);
        EXPECT_FALSE(back.AcqChn[1].GateFactorsExist);
        EXPECT_FALSE(back.AcqChn[1].GateSTDsExist);
        EXPECT_FALSE(back.Vehicle.GNSSExists);
    }
}

TEST(GexConvert, AConfigurationWithoutAnAntennaGainsNoneThroughGex)
{
    TempFolder tmp;
    RecordingOperator op;
    Configuration model = MakeModel(true);
    Settle(model);
    model.Vehicle.GNSSExists = false;
    model.SaveFilename = tmp.file("NoAntenna.TDC");
    SaveTDCToFile(model, tmp.folders, op);
    Configuration tdc;
    tdc.LoadFilename = model.SaveFilename;
    LoadTDCFromFile(tdc, tmp.folders, op);
    ASSERT_FALSE(tdc.Vehicle.GNSSExists);
    tdc.SaveFilename = tmp.file("NoAntenna.gex");
    SaveGEXToFile(tdc, tmp.folders, op);
    Configuration back;
    back.LoadFilename = tdc.SaveFilename;
    LoadGEXFromFile(back, tmp.folders, op);
    EXPECT_FALSE(back.Vehicle.GNSSExists);
    EXPECT_TRUE(back.Vehicle == tdc.Vehicle);
}

TEST(GexWrite, AbsentSensorStaysAbsent)
{
    TempFolder tmp;
    Configuration cfg = MakeModel(false);
    Settle(cfg);
    cfg.SaveFilename = tmp.file("sensors.gex");
    RecordingOperator op;
    SaveGEXToFile(cfg, tmp.folders, op);
    cfg.Vehicle.AltimeterExists = false;
    SaveGEXToFile(cfg, tmp.folders, op);

    const Configuration back = LoadGex(cfg.SaveFilename, tmp, op);
    EXPECT_FALSE(back.Vehicle.AltimeterExists);
    EXPECT_TRUE(back.Vehicle.GNSSExists);
}

} // namespace
} // namespace tem

namespace tem {
namespace {

using namespace gextest;

TEST(GexConvert, TdcToGexToTdcKeepsEveryValueGexCarries)
{
    for (bool demo : {true, false}) {
        SCOPED_TRACE(demo ? "shipped demonstration configuration"
                          : "dual-moment model with a system response");
        TempFolder tmp;
        RecordingOperator op;
        const std::string source = tmp.file("Source.TDC");
        if (demo) {
            fs::copy_file(std::string(TEMSETRIX_SOURCE_DIR) + "/data/DemoConfig.TDC", source);
        } else {
            Configuration model = MakeModel(true);
            Settle(model);
            model.SaveFilename = source;
            SaveTDCToFile(model, tmp.folders, op);
        }
        Configuration tdc;
        tdc.LoadFilename = source;
        LoadTDCFromFile(tdc, tmp.folders, op);

        Configuration gex = tdc;
        gex.SaveFilename = tmp.file("Converted.gex");
        SaveGEXToFile(gex, tmp.folders, op);
        Configuration mid;
        mid.LoadFilename = gex.SaveFilename;
        LoadGEXFromFile(mid, tmp.folders, op);
        mid.SaveFilename = tmp.file("Back.TDC");
        SaveTDCToFile(mid, tmp.folders, op);
        Configuration back;
        back.LoadFilename = mid.SaveFilename;
        LoadTDCFromFile(back, tmp.folders, op);
        EXPECT_TRUE(op.messages.empty()) << op.messages.front();

        ExpectSameModel(tdc, back);
    }
}

} // namespace
} // namespace tem
