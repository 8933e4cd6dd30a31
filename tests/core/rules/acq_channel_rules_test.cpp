// Acquisition channel window rules: the key texts and how they are read back, SignPattern, lists,
// the current link, the matrix, the count change and the moment alias groups.

#include <gtest/gtest.h>

#include <map>

#include "core/model/configuration.h"
#include "core/model/derived.h"
#include "core/model/record_fields.h"
#include "core/operator.h"
#include "core/rules/acq_channel_rules.h"
#include "support/dual_moment.h"

namespace tem {
namespace {

using testmodels::DualMoment;

// The editor of a channel as a map the commit reads from.
struct Editor {
    std::map<std::string, std::string, std::less<>> rows;
    KeyLookup lookup() const
    {
        return [this](std::string_view k) {
            auto it = rows.find(k);
            return it == rows.end() ? std::string() : it->second;
        };
    }
};

Editor editorOf(const Configuration& cfg, int c)
{
    Editor e;
    for (const auto& [k, v] : AcqChnKeyValues(cfg, c))
        e.rows[k] = v;
    return e;
}

TEST(AcqChnKeys, ShownInOrderAndCommittedUnchanged)
{
    Configuration cfg = DualMoment();
    cfg.Tx[1].SignPattern = {1, -1, 0, 2};
    cfg.Tx[1].LPFilterOrderandCutoff[1] = 30000;
    cfg.AcqChn[1].GateConstants = {1.5e-9, 2e-9};
    const KeyValueRows rows = AcqChnKeyValues(cfg, 1);
    ASSERT_EQ(rows.size(), EditorRows(AcqChnFields()).size());
    EXPECT_EQ(rows.front().first, "RowID");
    EXPECT_EQ(rows[6].first, "TimebaseNumber");
    EXPECT_EQ(rows.back().first, "GateSTDs");
    Editor e = editorOf(cfg, 1);
    EXPECT_EQ(e.rows["SignPattern"], "1 -1"); // only the 1 and -1 entries
    EXPECT_EQ(e.rows["TiBLowPassFilter"], "1 30000");
    EXPECT_EQ(e.rows["GateConstants"], "1.5E-9 2E-9");

    Configuration committed = cfg;
    RecordingOperator op;
    CommitAcqChnKeyValues(committed, 1, e.lookup(), false, op);
    EXPECT_TRUE(op.messages.empty());
    committed.Tx[1].SignPattern = cfg.Tx[1].SignPattern; // the only field the shown text reduces
    TxRxAliasAcqChnMapping(cfg, op);
    EXPECT_EQ(committed, cfg);
}

TEST(AcqChnKeys, SignPatternRule)
{
    struct Case {
        const char* text;
        std::vector<int> stored;
        std::size_t messages;
    } cases[] = {
        {"1 -1 1 -1", {1, -1, 1, -1}, 0},
        {"1 0 -1", {1, 0}, 1},
        {"", {}, 0},
        {"1,\t-1", {1, -1}, 0},
        {"2 x", {2, 0}, 2},
        {"1 -1 1 -1 1 -1 1 -1 1 -1 1 -1", {1, -1, 1, -1, 1, -1, 1, -1, 1, -1}, 0},
    };
    for (const Case& c : cases) {
        RecordingOperator op;
        EXPECT_EQ(ParseSignPattern(c.text, op), c.stored) << c.text;
        EXPECT_EQ(op.messages.size(), c.messages) << c.text;
        for (const std::string& m : op.messages)
            EXPECT_EQ(m, SignPatternMessage);
    }
}

TEST(AcqChnKeys, FallbacksListsAndTransmitterKeys)
{
    Configuration cfg = DualMoment();
    Editor e = editorOf(cfg, 1);
    e.rows["TxNumber"] = "2"; // the transmitter keys then go to transmitter 2
    e.rows["NoGates"] = "17";
    e.rows["TiBLowPassFilter"] = "2";
    e.rows["GateConstants"] = "1.5e-9 2e-9";
    e.rows["GateFactors"] = "x,2";
    e.rows["UniformDataSTD"] = "abc";
    e.rows["RxCoilNumber"] = "";
    e.rows["TransmitterMoment"] = " HM ";
    RecordingOperator op;
    CommitAcqChnKeyValues(cfg, 1, e.lookup(), false, op);
    EXPECT_EQ(cfg.AcqChn[1].TxNumber, 2);
    EXPECT_EQ(cfg.Tx[2].NoGates, 17);
    EXPECT_EQ(cfg.Tx[1].NoGates, DefaultTransmitter().NoGates);
    EXPECT_DOUBLE_EQ(cfg.Tx[2].LPFilterOrderandCutoff[0], 2);
    EXPECT_DOUBLE_EQ(cfg.Tx[2].LPFilterOrderandCutoff[1], 30000);
    EXPECT_EQ(cfg.AcqChn[1].GateConstants, (std::vector<double>{1.5e-9, 2e-9}));
    EXPECT_EQ(cfg.AcqChn[1].GateFactors, (std::vector<double>{1, 2}));
    EXPECT_DOUBLE_EQ(cfg.AcqChn[1].UniformDataSTD, 0.03);
    EXPECT_EQ(cfg.AcqChn[1].RxCoilNumber, 1);
    EXPECT_EQ(cfg.AcqChn[1].TransmitterMoment, "HM");
    EXPECT_EQ(cfg.AcqChnMapTxRx[2][1], 2); // channels 1 and 2 both pair Tx2/Rx1: the later wins
}

TEST(AcqChnKeys, NumbersThatWouldLeaveTheModelAreRefused)
{
    Configuration cfg = DualMoment();
    Editor e = editorOf(cfg, 1);
    e.rows["TxNumber"] = "12";
    e.rows["RxCoilNumber"] = "-3";
    e.rows["TimebaseNumber"] = "10";
    RecordingOperator op;
    CommitAcqChnKeyValues(cfg, 1, e.lookup(), false, op);
    EXPECT_EQ(cfg.AcqChn[1].TxNumber, 1);
    EXPECT_EQ(cfg.AcqChn[1].RxCoilNumber, 1);
    EXPECT_EQ(cfg.Tx[1].TimeBaseNumber, 1);
    EXPECT_EQ(op.messages.size(), 3u);
}

TEST(AcqChnKeys, CurrentLinkCopiesPositiveCurrents)
{
    Configuration cfg = DualMoment();
    RecordingOperator op;
    TxRxAliasAcqChnMapping(cfg, op);
    cfg.Tx[1].Amps = 5;
    cfg.Tx[2].Amps = 6;
    cfg.AcqChn[2].TxApproximateCurrent = 8;
    Editor e = editorOf(cfg, 1);
    e.rows["TxApproximateCurrent"] = "0";
    CommitAcqChnKeyValues(cfg, 1, e.lookup(), true, op);
    EXPECT_TRUE(cfg.LinkTxApproximateCurrenttoTxAmps);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].Amps, 5); // a current of 0 leaves the transmitter alone
    EXPECT_DOUBLE_EQ(cfg.Tx[2].Amps, 8);
    CommitAcqChnKeyValues(cfg, 1, e.lookup(), false, op);
    EXPECT_FALSE(cfg.LinkTxApproximateCurrenttoTxAmps);
}

TEST(AcqChnLabel, FrontGate)
{
    Configuration cfg = DualMoment();
    EXPECT_EQ(FrontGateLabel(cfg, 1), "No Front Gate is applied for this channel");
    cfg.AcqChn[1].FrontGateExists = true;
    cfg.AcqChn[1].FrontGatetime = 5e-6;
    cfg.AcqChn[1].GateTimeShift = 1e-6;
    cfg.FrontGateDelay = 2e-6;
    EXPECT_EQ(FrontGateLabel(cfg, 1), "Final Front Gate Time = AcqChn.FrontGateTime +  AcqChn.GateTimeShift "
                                      "+ FrontGateDelay =    0.0000080");
}

TEST(AcqChnMatrix, ValidationStoresPairsAndReports)
{
    Configuration cfg = DualMoment();
    RecordingOperator op;
    // Channel 2 moved to Tx1/Rx1's neighbour, and channel 3 named with only two channels.
    ValidateChannelMatrix(cfg, {{"2", "0", "0"}, {"1", "3", "x"}}, op);
    EXPECT_EQ(cfg.AcqChn[2].TxNumber, 1);
    EXPECT_EQ(cfg.AcqChn[2].TransmitterMoment, "LM");
    EXPECT_EQ(cfg.AcqChn[1].TxNumber, 2);
    EXPECT_EQ(cfg.AcqChn[1].TransmitterMoment, "HM");
    EXPECT_EQ(cfg.AcqChn[3].RxCoilNumber, 2);
    ASSERT_EQ(op.messages.size(), 2u);
    EXPECT_EQ(op.messages[0], "AcqChn for Tx2 and Rx2 exceeds the number of channels specified");
    EXPECT_EQ(op.messages[1],
              "There are more Aquisition channels displayed in the matrix than the total number "
              "specified - perhaps one identifier is not unique");
    RecordingOperator quiet;
    ValidateChannelMatrix(cfg, {{"99"}}, quiet); // beyond the model: reported, nothing stored
    EXPECT_EQ(quiet.messages.size(), 1u);
    EXPECT_EQ(ChannelMatrix(DualMoment(), 2, 3),
              (std::vector<std::vector<std::string>>{{"1", "0", "0"}, {"2", "0", "0"}}));
}

TEST(AcqChnCount, NewChannelsCopyTheDisplayedOneAndBadCountsAreRefused)
{
    Configuration cfg = DualMoment();
    cfg.AcqChn[1].Description = "early";
    Editor e = editorOf(cfg, 1);
    RecordingOperator op;
    int displayed = 1;
    for (const char* bad : {"0", "-2", "many", "19"}) {
        EXPECT_FALSE(ChangeAcqChnCount(cfg, bad, displayed, e.lookup(), false, op)) << bad;
        EXPECT_EQ(cfg.NumAcqChn, 2);
    }
    ASSERT_TRUE(ChangeAcqChnCount(cfg, "4", displayed, e.lookup(), false, op));
    EXPECT_EQ(cfg.NumAcqChn, 4);
    EXPECT_EQ(cfg.AcqChn[3].Description, "early");
    EXPECT_EQ(cfg.AcqChn[4].TxNumber, 1);
    EXPECT_EQ(cfg.AcqChn[2].Description, DefaultAcqChn(2).Description);
    displayed = 4;
    ASSERT_TRUE(ChangeAcqChnCount(cfg, "3", displayed, e.lookup(), false, op));
    EXPECT_EQ(displayed, 1);
}

TEST(AcqChnAliases, LowAndHighMomentRules)
{
    Configuration cfg = DualMoment();
    RecordingOperator op;
    // Low moment "Auxiliary" while the high moment is "Auxiliary": the high moment moves to "Default".
    AliasSelection sel{0, 1, 2};
    sel.lm = 2;
    ApplyLowMomentChoice(cfg, sel, op);
    EXPECT_EQ(sel, (AliasSelection{0, 2, 1}));
    EXPECT_EQ(cfg.Tx[2].MomentID, TMomentID::LM);
    EXPECT_EQ(cfg.Tx[1].MomentID, TMomentID::HM);
    EXPECT_EQ(cfg.TxLM, 2);
    EXPECT_EQ(cfg.TxHM, 1);
    // High moment "Default" with low "None": low becomes "Auxiliary".
    sel = {1, 0, 1};
    ApplyHighMomentChoice(cfg, sel, op);
    EXPECT_EQ(sel, (AliasSelection{0, 2, 1}));

    // One channel: choosing a low moment makes two channels, LM and HM.
    Configuration one = DualMoment();
    one.NumAcqChn = 1;
    sel = {1, 1, 0};
    ApplyLowMomentChoice(one, sel, op);
    EXPECT_EQ(one.NumAcqChn, 2);
    EXPECT_EQ(one.AcqChn[1].TransmitterMoment, "LM");
    EXPECT_EQ(one.AcqChn[2].TransmitterMoment, "HM");
    EXPECT_TRUE(op.questions.empty());
}

TEST(AcqChnAliases, NoneAndSingleReduceTheTransmitters)
{
    Configuration cfg = DualMoment();
    RecordingOperator op;
    op.answers = {false};
    AliasSelection sel{0, 0, 2};
    ApplyLowMomentChoice(cfg, sel, op);
    EXPECT_EQ(sel, (AliasSelection{1, 0, 0}));
    ASSERT_EQ(op.questions.size(), 1u);
    EXPECT_EQ(op.questions[0], "Do you want to reduce transmitter count to 1?");
    EXPECT_EQ(cfg.NumTx, 2);
    EXPECT_EQ(cfg.AcqChn[2].TransmitterMoment, "HM");
    EXPECT_EQ(cfg.Tx[1].MomentID, TMomentID::SingleM);

    op.answers = {true};
    sel = {0, 1, 0};
    ApplyHighMomentChoice(cfg, sel, op);
    EXPECT_EQ(cfg.NumTx, 1);
    EXPECT_EQ(cfg.AcqChn[1].TransmitterMoment, "SingleM");
    EXPECT_EQ(cfg.AcqChn[2].TransmitterMoment, "SingleM");

    Configuration dual = DualMoment();
    sel = {2, 1, 2};
    ApplySingleChoice(dual, sel, op);
    EXPECT_EQ(sel, (AliasSelection{2, 0, 0}));
    EXPECT_EQ(dual.NumTx, 1);
    EXPECT_EQ(dual.Tx[2].MomentID, TMomentID::SingleM);
    EXPECT_EQ(dual.AcqChn[1].TransmitterMoment, "SingleM");
}

} // namespace
} // namespace tem
