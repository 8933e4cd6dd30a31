#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "core/model/configuration.h"
#include "core/model/derived.h"
#include "core/operator.h"

namespace tem {
namespace {

struct Vertex {
    double x, y, z;
};

void setLoop(TTransmitter& tx, const std::vector<Vertex>& v)
{
    tx.LoopSides = int(v.size());
    for (int i = 0; i < int(v.size()); ++i) {
        tx.NodeX[i] = v[i].x;
        tx.NodeY[i] = v[i].y;
        tx.NodeZ[i] = v[i].z;
    }
}

TEST(CalculateDrivenVariables, LoopGeometryByAxis)
{
    const std::vector<Vertex> square = {{5, 5, 1}, {-5, 5, 2}, {-5, -5, 3}, {5, -5, 2}};
    const std::vector<Vertex> shiftedClockwise = {{25, 5, 0}, {25, -5, 0}, {15, -5, 0}, {15, 5, 0}};
    const std::vector<Vertex> shiftedCounter = {{25, 5, 0}, {15, 5, 0}, {15, -5, 0}, {25, -5, 0}};
    // A loop standing in the Y-Z plane (axis X) and one in the X-Z plane (axis Y).
    const std::vector<Vertex> inYZ = {{3, 0, 0}, {3, 4, 0}, {3, 4, 2}, {3, 0, 2}};
    const std::vector<Vertex> inXZ = {{0, -1, 0}, {6, -1, 0}, {6, -1, 2}, {0, -1, 2}};
    struct Case {
        const char* name;
        std::vector<Vertex> loop;
        std::string axis;
        double area, cx, cy, cz;
    };
    const Case cases[] = {
        {"square about origin", square, "Z", 100, 0, 0, 2},
        {"shifted clockwise", shiftedClockwise, "Z", 100, 20, 0, 0},
        {"shifted counter-clockwise", shiftedCounter, "Z", 100, 20, 0, 0},
        {"lower case with spaces", inYZ, " x ", 8, 3, 2, 1},
        {"axis Y", inXZ, "Y", 12, 3, -1, 1},
        {"unknown axis", square, "U", 0, 0, 0, 0},
        {"empty axis", square, "", 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Configuration cfg = DefaultConfiguration();
        TTransmitter& tx = cfg.Tx[1];
        setLoop(tx, k.loop);
        tx.AxisOrient = k.axis;
        tx.CentroidX = tx.CentroidY = tx.CentroidZ = 77; // overwritten, never kept
        tx.Turns = 2;
        tx.Amps = 10;
        RecordingOperator op;
        CalculateDrivenVariables(cfg, op);
        EXPECT_NEAR(tx.Area, k.area, 1e-9);
        EXPECT_NEAR(tx.EquivalentSquareLoopSide, std::sqrt(k.area), 1e-9);
        EXPECT_NEAR(tx.MomentNIA, 2 * 10 * k.area, 1e-9);
        EXPECT_NEAR(tx.CentroidX, k.cx, 1e-9);
        EXPECT_NEAR(tx.CentroidY, k.cy, 1e-9);
        EXPECT_NEAR(tx.CentroidZ, k.cz, 1e-9);
        // The closing vertex is a copy of vertex 0.
        EXPECT_EQ(tx.NodeX[4], k.loop[0].x);
        EXPECT_EQ(tx.NodeY[4], k.loop[0].y);
        EXPECT_EQ(tx.NodeZ[4], k.loop[0].z);
        EXPECT_TRUE(op.messages.empty());
    }
}

TEST(CalculateDrivenVariables, PowerAndResistance)
{
    struct Case {
        double volts, amps, power, resistance;
    };
    const Case cases[] = {{12, 0, 0, 9999}, {8, 40, 320, 0.2}, {0, 5, 0, 0}};
    for (const Case& k : cases) {
        Configuration cfg = DefaultConfiguration();
        cfg.Tx[1].Volts = k.volts;
        cfg.Tx[1].Amps = k.amps;
        RecordingOperator op;
        CalculateDrivenVariables(cfg, op);
        EXPECT_DOUBLE_EQ(cfg.Tx[1].Power, k.power) << k.volts << " V " << k.amps << " A";
        EXPECT_DOUBLE_EQ(cfg.Tx[1].Resistance, k.resistance) << k.volts << " V " << k.amps << " A";
        if (k.amps == 0) {
            EXPECT_EQ(cfg.Tx[1].MomentNIA, 0);
        }
    }
}

TEST(CalculateDrivenVariables, AbsurdCountsStayInsideTheArrays)
{
    struct Case {
        const char* name;
        int numTx, loopSides, numAcqChn;
    };
    const Case cases[] = {
        {"loop sides above 99", 1, 150, 1}, {"negative loop sides", 1, -3, 1},
        {"zero loop sides", 1, 0, 1},       {"transmitter count above 9", 40, 4, 1},
        {"negative counts", -2, 4, -5},     {"channel count above 18", 1, 4, 100},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Configuration cfg = DefaultConfiguration();
        cfg.NumTx = k.numTx;
        cfg.NumAcqChn = k.numAcqChn;
        cfg.Tx[1].LoopSides = k.loopSides;
        RecordingOperator op;
        EXPECT_NO_THROW(CalculateDrivenVariables(cfg, op));
        EXPECT_NO_THROW(TxRxAliasAcqChnMapping(cfg, op));
        EXPECT_NO_THROW(CheckTxMomentTxNumberMatch(cfg, op));
        EXPECT_EQ(cfg.Tx[1].LoopSides, k.loopSides); // the count itself is left as given
    }
}

TEST(CalculateDrivenVariables, NinetyNineSidesCloseAtTheLastIndex)
{
    Configuration cfg = DefaultConfiguration();
    TTransmitter& tx = cfg.Tx[1];
    tx.LoopSides = 99;
    for (int i = 0; i < 99; ++i) {
        const double a = 2 * std::numbers::pi * i / 99;
        tx.NodeX[i] = 10 * std::cos(a);
        tx.NodeY[i] = 10 * std::sin(a);
    }
    RecordingOperator op;
    CalculateDrivenVariables(cfg, op);
    EXPECT_EQ(tx.NodeX[99], tx.NodeX[0]);
    EXPECT_NEAR(tx.Area, 0.5 * 99 * 100 * std::sin(2 * std::numbers::pi / 99), 1e-9);
    EXPECT_NEAR(tx.CentroidX, 0, 1e-9);
}

TEST(CalcGatesInRamp, CountsLeadingGatesBeforeTheRampLimit)
{
    struct Case {
        const char* name;
        std::vector<double> startsUs;
        double shiftUs, delayUs;
        int noGates, expected;
    };
    // Ramp 10 us: the limit is 11 us, and a gate must start strictly before it.
    const Case cases[] = {
        {"three of five", {2, 5, 8, 12, 15}, 0, 0, 5, 3},
        {"fourth at 10.9 us counts", {2, 5, 8, 10.9, 15}, 0, 0, 5, 4},
        {"fourth at 11 us does not", {2, 5, 8, 11, 15}, 0, 0, 5, 3},
        {"stops at the first failing gate", {2, 12, 3, 4}, 0, 0, 4, 1},
        {"shift moves gates earlier", {2, 5, 8, 12, 15}, 2, 0, 5, 4},
        {"delay moves gates later", {2, 5, 8, 12, 15}, 0, 4, 5, 2},
        {"only NoGates gates looked at", {2, 5, 8, 9, 10}, 0, 0, 2, 2},
        {"NoGates above 255 stops at 255", {}, 0, 0, 1000, 255},
        {"negative NoGates", {2, 5}, 0, 0, -4, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Configuration cfg = DefaultConfiguration();
        cfg.TxWaveform[1].drivenRamp = 10e-6;
        cfg.Tx[1].NoGates = k.noGates;
        TTimeBase& base = cfg.TimeBase[1];
        for (int g = 1; g <= MaxGates; ++g)
            base.drivenGateStart[g] = k.startsUs.empty() ? 1e-6 : 1; // beyond the list: late
        for (std::size_t i = 0; i < k.startsUs.size(); ++i)
            base.drivenGateStart[int(i) + 1] = k.startsUs[i] * 1e-6;
        cfg.AcqChn[1].GateTimeShift = k.shiftUs * 1e-6;
        cfg.AcqChn[1].MeaTimeDelay = k.delayUs * 1e-6;
        cfg.SysResp[1].drivenGatesInRamp = 42;
        RecordingOperator op;
        CalcGatesInRamp(cfg, 1, op);
        EXPECT_EQ(cfg.SysResp[1].drivenGatesInRamp, k.expected);
        EXPECT_TRUE(op.messages.empty());
    }
}

TEST(CalcGatesInRamp, ZeroGatesAndUnusableNumbers)
{
    struct Case {
        const char* name;
        int txNumber, noGates, timeBase, channel;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"no gates",
         2,
         0,
         1,
         1,
         {"NoGates is zero for transmitter 2. It needs initializing and this should have happened "
          "automatically but did not"}},
        {"transmitter 0", 0, 30, 1, 1, {}},
        {"transmitter 12", 12, 30, 1, 1, {}},
        {"time base 0", 1, 30, 0, 1, {}},
        {"time base 10", 1, 30, 10, 1, {}},
        {"channel 0", 1, 30, 1, 0, {}},
        {"channel 19", 1, 30, 1, 19, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Configuration cfg = DefaultConfiguration();
        cfg.NumTx = 2;
        cfg.AcqChn[1].TxNumber = k.txNumber;
        for (int t = 1; t <= MaxTx; ++t) {
            cfg.Tx[t].NoGates = k.noGates;
            cfg.Tx[t].TimeBaseNumber = k.timeBase;
        }
        cfg.SysResp[1].drivenGatesInRamp = 42;
        RecordingOperator op;
        EXPECT_NO_THROW(CalcGatesInRamp(cfg, k.channel, op));
        if (cfg.SysResp.contains(k.channel)) {
            EXPECT_EQ(cfg.SysResp[k.channel].drivenGatesInRamp, 0);
        }
        EXPECT_EQ(op.messages, k.messages);
    }
}

TEST(TxRxAliasAcqChnMapping, BuildsTheMapAndTheMomentRoles)
{
    Configuration cfg = DefaultConfiguration();
    cfg.NumTx = 3;
    cfg.NumRx = 2;
    cfg.NumAcqChn = 6;
    cfg.Tx[1].MomentID = TMomentID::LM;
    cfg.Tx[2].MomentID = TMomentID::HM;
    cfg.Tx[3].MomentID = TMomentID::LM; // the last LM wins
    struct Pair {
        int tx, rx;
    };
    const Pair pairs[] = {{1, 1}, {2, 1}, {1, 1}, {4, 1}, {1, 3}, {0, 1}};
    for (int c = 1; c <= 6; ++c) {
        cfg.AcqChn[c].TxNumber = pairs[c - 1].tx;
        cfg.AcqChn[c].RxCoilNumber = pairs[c - 1].rx;
    }
    cfg.AcqChnMapTxRx[3][2] = 9; // stale entry, cleared
    cfg.TxSingle = 5;
    cfg.TxOther = 7;
    RecordingOperator op;
    TxRxAliasAcqChnMapping(cfg, op);
    EXPECT_EQ(cfg.AcqChnMapTxRx[1][1], 3); // two channels share the pair: the higher one
    EXPECT_EQ(cfg.AcqChnMapTxRx[2][1], 2);
    EXPECT_EQ(cfg.AcqChnMapTxRx[3][2], 0);
    EXPECT_EQ(cfg.TxSingle, 0);
    EXPECT_EQ(cfg.TxLM, 3);
    EXPECT_EQ(cfg.TxHM, 2);
    EXPECT_EQ(cfg.TxOther, 7);
    const std::vector<std::string> expected = {
        "Acquisition Channel 4 Sources a Transmitter or Receiver that exceeds Tx or Rx count.",
        "Acquisition Channel 5 Sources a Transmitter or Receiver that exceeds Tx or Rx count.",
        "Acquisition Channel 6 Sources a Transmitter or Receiver that exceeds Tx or Rx count.",
    };
    EXPECT_EQ(op.messages, expected);
    EXPECT_EQ(cfg.AcqChn[4].TxNumber, 4); // the channel itself is unchanged
}

TEST(TxRxAliasAcqChnMapping, NumbersBeyondTheArraysAreReportedNotIndexed)
{
    Configuration cfg = DefaultConfiguration();
    cfg.NumTx = 30; // counts beyond the model: only entries 1..9 exist
    cfg.NumRx = 30;
    cfg.NumAcqChn = 2;
    cfg.AcqChn[1].TxNumber = 12;
    cfg.AcqChn[2].RxCoilNumber = 10;
    RecordingOperator op;
    EXPECT_NO_THROW(TxRxAliasAcqChnMapping(cfg, op));
    EXPECT_EQ(op.messages.size(), 2u);
}

TEST(CheckTxMomentTxNumberMatch, TheTransmitterNumberDecides)
{
    struct Case {
        const char* name;
        std::string given;
        TMomentID txMoment;
        std::string result;
        std::vector<std::string> messages;
    };
    const std::string unknown = " entered was not a recognizable identifier. Transmitter Moment will be "
                                "overwritten by Tx[TxNumber].MomentID";
    const std::string disagree =
        "TransmitterMoment and TxNumber must be in agreement - TransmitterMoment is being changed";
    const Case cases[] = {
        {"agreeing", "HM", TMomentID::HM, "HM", {}},
        {"further identifier", "TxV", TMomentID::TxV, "TxV", {}},
        {"disagreeing", "LM", TMomentID::HM, "HM", {disagree}},
        {"case matters", "lm", TMomentID::LM, "LM", {"The transmitter moment lm" + unknown}},
        {"Bogus is not accepted",
         "Bogus",
         TMomentID::SingleM,
         "SingleM",
         {"The transmitter moment Bogus" + unknown}},
        {"empty", "", TMomentID::Other, "Other", {"The transmitter moment " + unknown}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Configuration cfg = DefaultConfiguration();
        cfg.Tx[1].MomentID = k.txMoment;
        cfg.AcqChn[1].TransmitterMoment = k.given;
        RecordingOperator op;
        CheckTxMomentTxNumberMatch(cfg, op);
        EXPECT_EQ(cfg.AcqChn[1].TransmitterMoment, k.result);
        EXPECT_EQ(op.messages, k.messages);
        // Running it again changes nothing and says nothing.
        RecordingOperator again;
        CheckTxMomentTxNumberMatch(cfg, again);
        EXPECT_EQ(cfg.AcqChn[1].TransmitterMoment, k.result);
        EXPECT_TRUE(again.messages.empty());
    }
}

TEST(CheckTxMomentTxNumberMatch, ChannelWithoutTransmitterEntryIsLeftAlone)
{
    Configuration cfg = DefaultConfiguration();
    cfg.NumAcqChn = 2;
    cfg.AcqChn[1].TxNumber = 0;
    cfg.AcqChn[1].TransmitterMoment = "nonsense";
    cfg.AcqChn[2].TxNumber = 12;
    RecordingOperator op;
    EXPECT_NO_THROW(CheckTxMomentTxNumberMatch(cfg, op));
    EXPECT_EQ(cfg.AcqChn[1].TransmitterMoment, "nonsense");
    EXPECT_TRUE(op.messages.empty());
}

} // namespace
} // namespace tem

namespace tem {
namespace {

TEST(CheckGEXMomentCombination, OnlyTheConventionalPairsAreSaved)
{
    const std::string reversed =
        "GEX file has a convention that TxDef = LM (Low Moment) and TxAux = HM (High "
        "Moment). You have reversed them. The reverse order can be specified like this "
        "using [Channel#] section keyword TRANSMITTER MOMENT";
    const std::string refused =
        "GEX supports only TxDef = SingleM Moment, or TxDef = LM and TxAux = HM. Other "
        "combinations are not conventional. ABORTING: GEX NOT Saved";
    using M = TMomentID;
    struct Case {
        int numTx;
        M first, second;
        bool saved;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {1, M::SingleM, M::HM, true, {}},         {2, M::LM, M::HM, true, {}},
        {2, M::HM, M::LM, true, {reversed}},      {1, M::LM, M::HM, false, {refused}},
        {2, M::SingleM, M::HM, false, {refused}}, {2, M::Other, M::Other, false, {refused}},
        {3, M::LM, M::HM, false, {refused}},      {0, M::SingleM, M::HM, false, {refused}},
    };
    for (const Case& k : cases) {
        Configuration cfg;
        cfg.NumTx = k.numTx;
        cfg.Tx[1].MomentID = k.first;
        cfg.Tx[2].MomentID = k.second;
        RecordingOperator op;
        EXPECT_EQ(CheckGEXMomentCombination(cfg, op), k.saved) << k.numTx << " " << Name(k.first);
        EXPECT_EQ(op.messages, k.messages) << k.numTx << " " << Name(k.first);
    }
}

} // namespace
} // namespace tem
