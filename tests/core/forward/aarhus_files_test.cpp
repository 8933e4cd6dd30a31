// The engine's input files line by line, the checks that refuse a run before anything is
// written, and the reading of result files.
#include <gtest/gtest.h>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/forward/aarhus_files.h"
#include "core/forward/tem_forward.h"
#include "forward_test_support.h"

namespace tem::forwardtest {
namespace {

ModelSet Models(int nLayer, std::vector<std::vector<float>> params)
{
    ModelSet set;
    set.NLayer = nLayer;
    set.NParam = 2 * nLayer - 1;
    for (const auto& p : params) {
        TModel m;
        m.NLayer = nLayer;
        m.NParam = set.NParam;
        for (std::size_t i = 0; i < p.size(); ++i)
            m.Param[int(i) + 1] = p[i];
        set.Models.push_back(m);
    }
    set.NumModels = int(set.Models.size());
    return set;
}

TEST(ModelFile, TwoChannelsThreeModelsChannelMajor)
{
    const ModelSet set = Models(2, {{10, 100, 1000}, {20, 100, 1000}, {30.126f, 5, 7}});
    const std::vector<std::string> lines = SplitLines(ModelFileText(set, 2));
    ASSERT_EQ(lines[0], "Temporary Model File for Input to AarhusInv64");
    EXPECT_EQ(lines[1], "6 0 !NDatafiles, N vertical+lateral constrain columns");
    const char* sets[] = {"1 1 FWD01.tem", "2 1 FWD01.tem", "3 1 FWD01.tem",
                          "4 1 FWD02.tem", "5 1 FWD02.tem", "6 1 FWD02.tem"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(lines[std::size_t(2 + i)], sets[i]);
    EXPECT_EQ(lines[8], "-1       !Niteration, (-1=forward, 0=forward + model analysis, >0=inversion)");
    // Six blocks of 1 + 2 + 1 + 1 lines; the third model's block is the third and the sixth.
    ASSERT_EQ(lines.size(), 9u + 6u * 5u);
    EXPECT_EQ(lines[9], " 2 !# of layers, model 1");
    EXPECT_EQ(lines[10], "    100.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints");
    EXPECT_EQ(lines[11], "   1000.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints");
    EXPECT_EQ(lines[12], "     10.00 -1   !Thickness, prior STD, vert. constraints, horiz. constraints");
    EXPECT_EQ(lines[13], "     10.00 -1   !Depth, prior STD, vert. constraints, horiz. constraints");
    EXPECT_EQ(lines[22], "     30.13 -1   !Thickness, prior STD, vert. constraints, horiz. constraints");
    EXPECT_EQ(lines[9 + 5 * 5 + 3], lines[22]);
    EXPECT_EQ(ModelFileText(set, 2).substr(0, 47), "Temporary Model File for Input to AarhusInv64\r\n");
}

TEST(ModelFile, HalfSpaceBlockIsCountAndResistivityOnly)
{
    const std::vector<std::string> lines = SplitLines(ModelFileText(Models(1, {{100}}), 1));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], "1 1 FWD01.tem");
    EXPECT_EQ(lines[4], " 1 !# of layers, model 1");
    EXPECT_EQ(lines[5], "    100.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints");
}

TEST(ModelFile, DepthsAreRunningSums)
{
    const std::vector<std::string> lines =
        SplitLines(ModelFileText(Models(3, {{10.5f, 20.25f, 1, 2, 3}}), 1));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[7], "      3.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints");
    EXPECT_EQ(lines[9], "     20.25 -1   !Thickness, prior STD, vert. constraints, horiz. constraints");
    EXPECT_EQ(lines[10], "     10.50 -1   !Depth, prior STD, vert. constraints, horiz. constraints");
    EXPECT_EQ(lines[11], "     30.75 -1   !Depth, prior STD, vert. constraints, horiz. constraints");
}

TEST(ModelFile, RefusesLayerValuesTheFormWritesAsZero)
{
    TempFolder dir;
    struct Case {
        std::vector<float> params;
        std::string named;
    } cases[] = {
        {{0.004f, 100, 10}, "layer 1 thickness 0.004"},
        {{5, 100, 0.001f}, "layer 2 resistivity 0.001"},
        {{5, 0, 10}, "layer 1 resistivity 0"},
        {{0.005f, 100, 10}, "layer 1 thickness 0.005"}, // single precision: 0.00499999988
    };
    for (const Case& c : cases) {
        const ModelSet set = Models(2, {{10, 10, 10}, c.params});
        try {
            MakeAarhusInvModfile(set, 1, dir / "fwd.mod");
            ADD_FAILURE() << c.named;
        } catch (const ActionError& e) {
            EXPECT_NE(std::string(e.what()).find("Model 1, " + c.named), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(dir / "fwd.mod"));
    }
    EXPECT_NO_THROW(MakeAarhusInvModfile(Models(2, {{0.0051f, 0.0051f, 0.0051f}}), 1, dir / "fwd.mod"));
    EXPECT_NE(ReadBytes(dir / "fwd.mod").find("      0.01 -1"), std::string::npos);
}

TEST(TemFile, EveryLineOfASmallChannel)
{
    Configuration cfg = SmallConfiguration(3);
    cfg.Rx[1].FilterOrder = 1;
    cfg.Rx[1].FilterHz = 450000;
    cfg.Tx[1].LPFilterOrderandCutoff[0] = 2;
    cfg.Tx[1].LPFilterOrderandCutoff[1] = 300000;
    RecordingOperator op;
    const std::vector<std::string> lines = SplitLines(TEMFileText(cfg, 1, op));
    const std::vector<std::string> expected = {
        "Forward_Model ! INPUT TEM file - Only system parameters are used in forward modelling, Data "
        "contained is "
        "irrelevant and will be ignored",
        "72 3  !Segmented loop TxPolarizationHorizontalLoop",
        "       0        0     -0.5        0        0     -0.5 !Tx X Y Z Rx X Y Z",
        "4     100.00 !NWire, Loop area",
        "  -5.000   -5.000 !knot (x,y)",
        "   5.000   -5.000 !knot (x,y)",
        "   5.000    5.000 !knot (x,y)",
        "  -5.000    5.000 !knot (x,y)",
        " 3   3   3                  !Inp/out: Inp, Out, Inv (0->H,1->dH/dt,2->B,3->dB/dt,4->rhoa",
        " 3   1                      !WaveFormType: 0->step,1->imp.,3->user def. d/dt, NWaveForms",
        "2     -0.001    -1E-005          1          1    -1E-005          0          1          0 "
        "!NSubWaves, "
        "T0_1,T1_1,A0_1,A1_1, .. ,T0_n,T1_n,A0_n,A1_n",
        "1 0          1            !NFilters (0->no filters at all, else 1,2...) UseFrontG(0->no gate, "
        "1->gate),  "
        "FrontGScale scale factor",
        "2          1     450000          2     300000 !LP: NCutOff (0->no filter), FOrder(1,NCutOff), "
        "FCutOff(1,NCutOff) (Hz) Filters before Front Gate",
        " 0     !HP: NCutOff (0->no filter), FOrder(1,NCutOff), FCutOff(1,NCutOff) (Hz)",
        "2.00000000000000E-005 999.99E-06  3.33E-7 1 1 1.50000000000000E-005 2.50000000000000E-005",
        "3.00000000000000E-005 999.99E-06  3.33E-7 1 1 2.50000000000000E-005 3.50000000000000E-005",
        "4.00000000000000E-005 999.99E-06  3.33E-7 1 1 3.50000000000000E-005 4.50000000000000E-005",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(cfg.SysResp[1].drivenGatesInRamp, 0);
}

TEST(TemFile, GateSelectionAgainstRampAndFrontGate)
{
    struct Case {
        const char* what;
        double ramp, shift, frontGate;
        int inRamp;
    } cases[] = {
        {"start exactly 1.1 ramp is dropped", 15e-6 / 1.1, 0, -1, 1},
        {"start just after 1.1 ramp is written", 15e-6 / 1.1 - 1e-12, 0, -1, 0},
        {"every gate in the ramp", 1e-3, 0, -1, 3},
        {"a shift moves the gates", 25e-6 / 1.1, 10e-6, -1, 1},
        {"front gate at 25 us drops two", 1e-6, 0, 25e-6, 2},
    };
    for (const Case& c : cases) {
        Configuration cfg = SmallConfiguration(3);
        cfg.TxWaveform[1].drivenRamp = c.ramp;
        cfg.AcqChn[1].MeaTimeDelay = c.shift;
        cfg.AcqChn[1].FrontGateExists = c.frontGate > 0;
        cfg.AcqChn[1].FrontGatetime = c.frontGate;
        RecordingOperator op;
        const std::vector<std::string> lines = SplitLines(TEMFileText(cfg, 1, op));
        EXPECT_EQ(cfg.SysResp[1].drivenGatesInRamp, c.inRamp) << c.what;
        const std::size_t headerLines = c.frontGate > 0 ? 17u : 14u;
        EXPECT_EQ(lines.size(), headerLines + std::size_t(3 - c.inRamp)) << c.what;
        if (c.frontGate > 0) {
            EXPECT_EQ(lines[14], "  2.5E-005 !First FrontGate in s");
            EXPECT_EQ(lines[15], " 1 1 3.30E+0005 !Filters after the front Gate");
            EXPECT_EQ(op.messages.size(), 1u);
        }
    }
}

TEST(TemFile, OddShapesStillGiveACompleteFile)
{
    Configuration cfg = SmallConfiguration(2);
    cfg.Tx[1].LoopType = 12;
    cfg.TxWaveform[1].WaveformPointsDigitized = 1;
    cfg.Rx[1].Orientation = "";
    RecordingOperator op;
    const std::vector<std::string> lines = SplitLines(TEMFileText(cfg, 1, op));
    EXPECT_EQ(op.messages, std::vector<std::string>{"Only type 72 and 73 supported so far"});
    EXPECT_EQ(lines[1], "12 0  !Segmented loop TxPolarizationHorizontalLoop");
    EXPECT_EQ(lines[5], "0 !NSubWaves, T0_1,T1_1,A0_1,A1_1, .. ,T0_n,T1_n,A0_n,A1_n");
    EXPECT_EQ(lines[7].substr(0, 5), "0 !LP");
    EXPECT_EQ(lines.size(), 9u + 2u);
}

TEST(TemFile, RefusedChannelWritesNoFile)
{
    struct Case {
        const char* what;
        void (*spoil)(Configuration&);
        const char* named;
    } cases[] = {
        {"transmitter without time base", [](Configuration& c) { c.Tx[1].TimeBaseNumber = 0; },
         "Channel 1: its transmitter 1 has no time base"},
        {"transmitter index beyond NumTx", [](Configuration& c) { c.AcqChn[2].TxNumber = 3; },
         "Channel 2: its transmitter 3 is not one"},
        {"receiver index beyond NumRx", [](Configuration& c) { c.AcqChn[2].RxCoilNumber = 0; },
         "Channel 2: its receiver 0 is not one"},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        Configuration cfg = SmallConfiguration(3);
        cfg.NumAcqChn = 2;
        cfg.AcqChn[2] = cfg.AcqChn[1];
        c.spoil(cfg);
        RecordingOperator op;
        RunnerFiles files;
        try {
            MakeAarhusTEMfile(cfg, dir.path(), op, files);
            ADD_FAILURE() << c.what;
        } catch (const ActionError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.named, 0), 0u) << c.what << ": " << e.what();
        }
        EXPECT_TRUE(fs::is_empty(dir.path())) << c.what;
    }
}

// ---- Results ----------------------------------------------------------------------------------

/// A result file as the engine writes it: the TEM file's header lines, then one line per gate.
std::string ResultText(const std::string& temText, const std::vector<std::pair<double, double>>& gates,
                       bool blankLines = false)
{
    std::string out;
    for (const std::string& line : SplitLines(temText)) {
        if (line.find("999.99E-06") != std::string::npos)
            break;
        out += line + "\r\n";
    }
    for (const auto& [t, v] : gates) {
        out += FormatScientific(t, 21, 14) + " " + FormatScientific(v, 21, 14) + "\r\n";
        if (blankLines)
            out += "\r\n   \r\n";
    }
    return out;
}

TEST(ResultFiles, ReadByDataSetInAnyCaseSkippingBlankLines)
{
    TempFolder dir;
    Configuration cfg = SmallConfiguration(3);
    cfg.NumAcqChn = 2;
    cfg.AcqChn[2] = cfg.AcqChn[1];
    cfg.AcqChn[2].FrontGateExists = true; // three more header lines to skip
    cfg.AcqChn[2].FrontGatetime = 1e-6;
    RecordingOperator op;
    const ModelSet set = Models(1, {{10}, {20}, {30}});
    for (int c = 1; c <= 2; ++c) {
        const std::string tem = TEMFileText(cfg, c, op);
        for (int m = 0; m < 3; ++m) {
            const int n = DataSetNumber(c, m, 3);
            std::string name = "FWD" + FormatNumbered(n, 5) + (n % 2 ? ".fwr" : ".FWR");
            if (n == 4)
                name = "fwd00004.Fwr";
            WriteBytes(dir / name,
                       ResultText(tem, {{20e-6, 1e-3 * n + c}, {30e-6, 2e-3 * n}, {40e-6, 1e-6}}, c == 2));
        }
    }
    ForwardResults r;
    ASSERT_TRUE(ReadAarhusFwdFiles(cfg, set, dir.path(), r, op));
    EXPECT_EQ(r.FwdModelOutputGates[1], 3);
    EXPECT_EQ(r.FwdModelOutputGates[2], 3);
    EXPECT_DOUBLE_EQ(r.FwdModTimes(0, 1, 1), 20e-6);
    EXPECT_DOUBLE_EQ(r.dBdtTEM(2, 1, 1), 1e-3 * 3 + 1);
    EXPECT_DOUBLE_EQ(r.dBdtTEM(0, 1, 2), 1e-3 * 4 + 2); // FWD00004 is channel 2, model 0
    EXPECT_DOUBLE_EQ(r.dBdtTEM(2, 2, 2), 2e-3 * 6);
    EXPECT_THROW(r.dBdtTEM(3, 1, 1), ListIndexError);
}

TEST(ResultFiles, MissingFileNamesItAndLeavesNoResults)
{
    TempFolder dir;
    Configuration cfg = SmallConfiguration(3);
    RecordingOperator op;
    const ModelSet set = Models(1, {{10}, {20}});
    WriteBytes(dir / "FWD00001.fwr",
               ResultText(TEMFileText(cfg, 1, op), {{20e-6, 1e-3}, {30e-6, 1e-4}, {40e-6, 1e-5}}));
    ForwardResults r;
    EXPECT_FALSE(ReadAarhusFwdFiles(cfg, set, dir.path(), r, op));
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(
        op.messages.back().rfind("AarhusInv64 could not handle the inputs provided and crashed - see the log "
                                 "file. Aborting operations now",
                                 0),
        0u);
    EXPECT_NE(op.messages.back().find("FWD00002.fwr"), std::string::npos);
    EXPECT_EQ(r.dBdtTEM.models(), 0);
}

// A result file is taken whole or not at all: the message names the file and the line.
TEST(ResultFiles, DamagedFilesFailTheRunNamingFileAndLine)
{
    TempFolder dir;
    Configuration cfg = SmallConfiguration(3);
    RecordingOperator op;
    const ModelSet set = Models(1, {{10}});
    const std::string header = ResultText(TEMFileText(cfg, 1, op), {});
    const int firstGateLine = int(SplitLines(header).size()) + 1;
    const std::string good =
        ResultText(TEMFileText(cfg, 1, op), {{20e-6, 2.714e-6}, {30e-6, 1e-6}, {40e-6, 5e-7}});
    const std::string file = dir / "FWD00001.fwr";
    const std::string at = "The result file " + file + ", line ";
    struct Case {
        std::string text, message;
    } cases[] = {
        {good.substr(0, good.size() - 40), at + std::to_string(firstGateLine + 2) +
                                               ": the line ends without a line end: the file is incomplete"},
        {good.substr(0, good.rfind("4.0")),
         "The result file " + file +
             ": it holds 2 of the 3 gates of its TEM system file: the file "
             "is incomplete"},
        {header + "2E-5 nan\r\n3E-5 1\r\n4E-5 1\r\n",
         at + std::to_string(firstGateLine) + ": the dB/dt value \"nan\" is not a finite number"},
        {header + "2E-5 1\r\n3E-5 1E+400\r\n4E-5 1\r\n",
         at + std::to_string(firstGateLine + 1) + ": the dB/dt value \"1E+400\" is not a finite number"},
        {header + "2E-5 1\r\n\r\n3E-5 1\r\nx\xE9y 1\r\n",
         at + std::to_string(firstGateLine + 3) + ": the gate time \"x\\xE9y\" is not a finite number"},
        {header + "2E-5\r\n", at + std::to_string(firstGateLine) + ": the gate line holds no dB/dt value"},
        {good + "5E-5 1\r\n", at + std::to_string(firstGateLine + 3) +
                                  ": more gates than the 3 of the TEM system file; the file does not belong "
                                  "to this run"},
        {"", "The result file " + file + ": the file is empty"},
        {"title\r\nseventy-two 3\r\n", at + "2: the source type is not a whole number: \"seventy-two\""},
        {"title\r\n72 3\r\n", at + "3: the file ends where the position line was expected"},
    };
    for (const Case& c : cases) {
        WriteBytes(file, c.text);
        ForwardResults r;
        op.messages.clear();
        EXPECT_FALSE(ReadAarhusFwdFiles(cfg, set, dir.path(), r, op)) << c.message;
        ASSERT_EQ(op.messages.size(), 1u) << c.message;
        EXPECT_EQ(op.messages[0], c.message + ". No results were taken from this run.");
        EXPECT_EQ(r.dBdtTEM.models(), 0);
    }
    WriteBytes(file, good);
    ForwardResults r;
    ASSERT_TRUE(ReadAarhusFwdFiles(cfg, set, dir.path(), r, op));
    EXPECT_DOUBLE_EQ(r.dBdtTEM(0, 1, 1), 2.714e-6);
}

// A channel with nothing to model is refused before anything is written or run.
TEST(TemFile, ChannelWithoutAGateToModelIsRefused)
{
    TempFolder dir;
    Configuration cfg = SmallConfiguration(3);
    cfg.TxWaveform[1].drivenRamp = 1e-3; // every gate starts within the ramp
    RecordingOperator op;
    RunnerFiles files;
    try {
        MakeAarhusTEMfile(cfg, dir.path(), op, files);
        ADD_FAILURE();
    } catch (const ActionError& e) {
        EXPECT_STREQ(e.what(),
                     "Channel 1 has no gate to model: all 3 gates start within the transmitter ramp or "
                     "before the front gate. Cannot continue.");
    }
    EXPECT_FALSE(fs::exists(dir / "FWD01.tem"));
}

TEST(ResultFiles, EarlierResultsAreRemovedInAnyCase)
{
    TempFolder dir;
    for (const char* name : {"FWD00001.fwr", "fwd00002.FWR", "FWD01.tem", "notes.txt"})
        WriteBytes(dir / name, "x");
    EXPECT_EQ(RemoveFwdResultFiles(dir.path()), 2);
    EXPECT_TRUE(fs::exists(dir / "FWD01.tem"));
    EXPECT_TRUE(fs::exists(dir / "notes.txt"));
    EXPECT_FALSE(fs::exists(dir / "fwd00002.FWR"));
}

// ---- Derived values ---------------------------------------------------------------------------

TEST(DerivedValues, ApparentResistivityAndLociDepth)
{
    const double mu0 = 4e-7 * 3.14159265358979323846;
    // The closed form at a = 10 m, t = 1 ms, V = 1e-9.
    const double a = 10, t = 1e-3, V = 1e-9;
    const double rho = std::pow(mu0, 5.0 / 3) * std::pow(a, 4.0 / 3) /
                       (std::pow(20.0, 2.0 / 3) * std::cbrt(3.14159265358979323846) * std::pow(t, 5.0 / 3) *
                        std::pow(V, 2.0 / 3));
    EXPECT_NEAR(TEMApparentResistivity(V, t, a) / rho, 1, 1e-12);
    // A negative or vanishing value, or a time not after the turn-off, has none.
    for (auto [v, time] : {std::pair{0.0, t}, {1e-15, t}, {-1e-3, t}, {V, 0.0}, {V, -1e-6}}) {
        EXPECT_TRUE(std::isnan(TEMApparentResistivity(v, time, a))) << v << " " << time;
        EXPECT_TRUE(std::isnan(TEMLociDepth(time, TEMApparentResistivity(v, time, a))));
    }
    EXPECT_EQ(TEMApparentResistivity(1e3, t, a), 0.1); // never below 0.1
    EXPECT_NEAR(TEMLociDepth(t, 0.1), std::sqrt(2 * t * 0.1 / mu0), 1e-12);
}

// A gate time so small that the closed form overflows gives no number, shown blank with a message.
TEST(DerivedValues, ValuesThatAreNotFiniteAreBlankWithAMessage)
{
    Configuration cfg = SmallConfiguration(2);
    cfg.TimeBase[1].GateCentre[1] = 1e-222;
    ForwardStore store;
    store.AcqSel = 1;
    store.models.NumModels = 1;
    ForwardResults& r = store.results;
    r.dBdtTEM.resize(1, 2, 1);
    r.FwdModTimes.resize(1, 2, 1);
    r.FwdModelOutputGates[1] = 2;
    r.dBdtTEM(0, 1, 1) = 1e-6;
    r.dBdtTEM(0, 2, 1) = 1e-9;
    RecordingOperator op;
    CalcTEMDerivedValues(cfg, store, &op);
    EXPECT_TRUE(std::isnan(r.AppRTEM(0, 1, 1)));
    EXPECT_TRUE(std::isnan(r.LociTEM(0, 1, 1)));
    EXPECT_TRUE(std::isfinite(r.AppRTEM(0, 2, 1)));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0], "Channel 1: the apparent resistivity and loci depth cannot be computed at the "
                              "gate time of gate 1 (1E-222 s); they are left blank.");
    const auto rows = TEMResponseTable(cfg, store);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][2], "");
    EXPECT_EQ(rows[0][3], "");
    EXPECT_NE(rows[1][2], "");
}

TEST(DerivedValues, UseTheUnshiftedConfiguredGateAfterTheRampGates)
{
    Configuration cfg = SmallConfiguration(3);
    cfg.SysResp[1].drivenGatesInRamp = 1;
    cfg.AcqChn[1].MeaTimeDelay = 5e-6; // the shift moves the written gates, not this time
    ForwardStore store;
    store.AcqSel = 1;
    store.models.NumModels = 1;
    ForwardResults& r = store.results;
    r.dBdtTEM.resize(1, 2, 1);
    r.FwdModTimes.resize(1, 2, 1);
    r.FwdModelOutputGates[1] = 2;
    r.dBdtTEM(0, 1, 1) = 1e-6;
    r.dBdtTEM(0, 2, 1) = 0;
    r.FwdModTimes(0, 1, 1) = 12345e-9;
    CalcTEMDerivedValues(cfg, store);
    const double a = std::sqrt(100 / 3.14159265358979323846);
    EXPECT_DOUBLE_EQ(r.AppRTEM(0, 1, 1), TEMApparentResistivity(1e-6, 30e-6, a));
    // A zero dB/dt has no apparent resistivity: blank, with no message.
    EXPECT_TRUE(std::isnan(r.AppRTEM(0, 2, 1)));
    EXPECT_TRUE(std::isnan(r.LociTEM(0, 2, 1)));
    EXPECT_FLOAT_EQ(r.RespVoltages(0, 1), 1e-6f);

    const auto rows = TEMResponseTable(cfg, store);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][1], "1E-006");
    EXPECT_EQ(rows[0][4], "1.2345E-005");
    EXPECT_EQ(rows[1][2], "");
    EXPECT_EQ(rows[1][3], "");
}

// The graph takes the selected channel's returned gates of the first models that have results,
// value by value from the result cubes, and the channel's noise of those gates.
TEST(TEMGraphInputOf, ReturnedGatesOfTheDrawnModelsAndTheChannelNoise)
{
    Configuration cfg = SmallConfiguration(3);
    cfg.NumAcqChn = 2;
    for (int i = 1; i <= 3; ++i)
        cfg.SysResp[2].NoiseStdVperAm2[i] = 1e-9 * i;
    ForwardStore store;
    store.models = Models(1, std::vector<std::vector<float>>(10, {100}));
    ForwardResults& r = store.results;
    for (auto* cube : {&r.dBdtTEM, &r.FwdModTimes, &r.AppRTEM, &r.LociTEM})
        cube->resize(9, 3, 3);
    for (int m = 0; m < 9; ++m)
        for (int i = 1; i <= 3; ++i)
            for (int c = 1; c <= 3; ++c) {
                const double v = 100 * m + 10 * i + c;
                r.dBdtTEM(m, i, c) = v;
                r.FwdModTimes(m, i, c) = v + 0.1;
                r.AppRTEM(m, i, c) = v + 0.2;
                r.LociTEM(m, i, c) = v + 0.3;
            }
    r.FwdModelOutputGates[2] = 2;
    r.FwdModelOutputGates[3] = 5; // never more gates than the results hold

    const TEMGraphInput in = TEMGraphInputOf(cfg, store, 2);
    EXPECT_EQ(in.models.size(), 10u);
    EXPECT_EQ(in.gates, 2);
    ASSERT_EQ(in.dBdt.size(), std::size_t(numGraphs));
    EXPECT_EQ(in.dBdt[7], (std::vector<double>{712, 722}));
    EXPECT_EQ(in.times[1], (std::vector<double>{112.1, 122.1}));
    EXPECT_EQ(in.appRes[0], (std::vector<double>{12.2, 22.2}));
    EXPECT_EQ(in.loci[3], (std::vector<double>{312.3, 322.3}));
    EXPECT_EQ(in.noise, (std::vector<double>{1e-9, 2e-9}));

    // A channel the results hold but the configuration does not: values, no noise.
    const TEMGraphInput beyond = TEMGraphInputOf(cfg, store, 3);
    EXPECT_EQ(beyond.gates, 3);
    EXPECT_EQ(beyond.dBdt[0], (std::vector<double>{13, 23, 33}));
    EXPECT_TRUE(beyond.noise.empty());

    // Channels without results draw the models only.
    for (int channel : {0, 4}) {
        const TEMGraphInput none = TEMGraphInputOf(cfg, store, channel);
        EXPECT_EQ(none.models.size(), 10u) << channel;
        EXPECT_EQ(none.gates, 0) << channel;
        EXPECT_TRUE(none.dBdt.empty() && none.times.empty() && none.noise.empty()) << channel;
    }
}

} // namespace
} // namespace tem::forwardtest
