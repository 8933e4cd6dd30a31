// Time base window rules: frequency table, derived timing, gates in the off time and ramp, gate
// consistency for both time bases, channel delays, time line and the stored gate sets.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/action_error.h"
#include "core/files/chn_file.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/model/derived.h"
#include "core/operator.h"
#include "core/rules/timebase_rules.h"
#include "support/dual_moment.h"

namespace tem {
namespace {

/// The dual-moment system with default time bases on a 50 Hz power line.
Configuration twoTransmitters()
{
    Configuration cfg = testmodels::DualMoment();
    for (int t = 1; t <= 2; ++t) {
        cfg.TimeBase[t] = DefaultTimeBase();
        cfg.TimeBase[t].PowerlineBaseFrequency = 50;
    }
    return cfg;
}

TEST(TimeBaseFrequency, ItemsLabelsAndRelabelling)
{
    struct Case {
        double stored;
        int item;
    } cases[] = {{240, 0},  {200, 0}, {120.7, 1}, {25, 2}, {30, 2},
                 {12.5, 3}, {15, 3},  {1055, 4},  {0, 4},  {-12, 4}};
    for (const Case& c : cases)
        EXPECT_EQ(FrequencyItemOf(c.stored), c.item) << c.stored;
    EXPECT_EQ(FrequencyItemLabel(50, 3), "12.5");
    EXPECT_EQ(FrequencyItemLabel(60, 0), "240");
    EXPECT_EQ(FrequencyItemLabel(60, 4), "Other");
    // A 240 Hz frequency on a 50 Hz base shows item 0, whose stored value is then 200 Hz.
    EXPECT_DOUBLE_EQ(StandardFrequency(50, FrequencyItemOf(240)), 200);

    Configuration cfg = twoTransmitters();
    cfg.Tx[1].FullWaveformRepetitionFrequency = 12.5;
    cfg.Tx[2].FullWaveformRepetitionFrequency = 100;
    ApplyBaseFrequency(cfg, 60);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].FullWaveformRepetitionFrequency, 15);
    EXPECT_DOUBLE_EQ(cfg.Tx[2].FullWaveformRepetitionFrequency, 120);
    EXPECT_EQ(cfg.TimeBase[1].PowerlineBaseFrequency, 60);
    EXPECT_EQ(cfg.TimeBase[2].PowerlineBaseFrequency, 60);
    cfg.Tx[1].FullWaveformRepetitionFrequency = 1055;
    ApplyBaseFrequency(cfg, 50);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].FullWaveformRepetitionFrequency, 1055);
    EXPECT_DOUBLE_EQ(cfg.Tx[2].FullWaveformRepetitionFrequency, 100);
}

TEST(TimeBaseSampleRate, ItemsOtherTextAndConversionErrors)
{
    EXPECT_EQ(SampleRateItemOf(312500), 1);
    EXPECT_EQ(SampleRateItemOf(-1), 3);
    EXPECT_EQ(SampleRateEditText(-1), "99999");
    EXPECT_EQ(SampleRateEditText(500000), "  500.0000");
    EXPECT_EQ(SampleRateFromKilohertz(" 500.0009 "), 500000);
    EXPECT_THROW(SampleRateFromKilohertz("fast"), ConversionError);
    EXPECT_THROW(SampleRateFromKilohertz("1e30"), ConversionError);
}

TEST(TimeBaseTiming, OffTimeGatesAndDerivedTiming)
{
    Configuration cfg = twoTransmitters();
    cfg.Tx[1].FullWaveformRepetitionFrequency = 25; // off time 10 ms
    TTimeBase& tb = cfg.TimeBase[1];
    tb.NumGatesInSet = 2;
    tb.drivenGateEnd[1] = 9.9e-3;
    tb.drivenGateEnd[2] = 10.1e-3;
    tb.FullWaveformStacks = 32;
    EXPECT_EQ(GatesClosingInOffTime(cfg, 1), 1);
    tb.PreBinAppliedSamplingDelay = 0.2e-3; // the delay pushes the first gate past the off time too
    EXPECT_EQ(GatesClosingInOffTime(cfg, 1), 0);
    DeriveTransmitterTiming(cfg, 1);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].drivenWaveformPeriod, 0.04);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].drivenWaveformOffOnDuration, 0.01);
    EXPECT_DOUBLE_EQ(cfg.Tx[1].drivenSamplingTime, 1.28);
}

// A 4 ms gate set in a 250 Hz time base (1 ms off time) is warned about; a set that fits is not.
TEST(TimeBaseTiming, WarnsWhenTheLastGateEndsAfterTheOffTime)
{
    Configuration cfg = twoTransmitters();
    cfg.Tx[1].FullWaveformRepetitionFrequency = 250;
    cfg.Tx[2].FullWaveformRepetitionFrequency = 25;
    cfg.Tx[2].TimeBaseNumber = 1; // both transmitters use time base 1
    TTimeBase& tb = cfg.TimeBase[1];
    tb.NumGatesInSet = 2;
    tb.drivenGateEnd[1] = 0.5e-3;
    tb.drivenGateEnd[2] = 4e-3;
    EXPECT_EQ(
        GatesPastOffTimeWarning(cfg, 1),
        "Warning: the last gate (2) of time base 1 ends at 4 ms, after the 1 ms off time of transmitter "
        "1 at 250 Hz. Gates past the off time measure while the transmitter is on.");
    tb.drivenGateEnd[2] = 0.9e-3;
    EXPECT_EQ(GatesPastOffTimeWarning(cfg, 1), "");
    tb.PreBinAppliedSamplingDelay = 0.2e-3; // the sampling delay counts
    EXPECT_NE(GatesPastOffTimeWarning(cfg, 1), "");
    tb.NumGatesInSet = 0;
    EXPECT_EQ(GatesPastOffTimeWarning(cfg, 1), "");
    EXPECT_EQ(GatesPastOffTimeWarning(cfg, 0), "");
}

TEST(TimeBaseRamp, CountsTheLeadingGatesAsTheDerivedQuantitiesDo)
{
    // One count, one rule: the window's count is the derived quantities' count, leading gates
    // only, and a gate starting exactly at 110 % of the ramp is not in it.
    Configuration cfg = twoTransmitters();
    cfg.NumAcqChn = 1;
    cfg.TxWaveform[1].drivenRamp = 100e-6;                   // allowance 110 us
    const double starts[] = {50e-6, 109e-6, 111e-6, 105e-6}; // the count stops at the third gate
    cfg.Tx[1].NoGates = 4;
    for (int j = 1; j <= 4; ++j)
        cfg.TimeBase[1].drivenGateStart[j] = starts[j - 1];
    RecordingOperator op;
    auto both = [&] {
        CountGatesInRampAllChannels(cfg);
        const int window = cfg.SysResp[1].drivenGatesInRamp;
        CalcGatesInRamp(cfg, 1, op);
        EXPECT_EQ(window, cfg.SysResp[1].drivenGatesInRamp);
        return window;
    };
    EXPECT_EQ(both(), 2);
    cfg.AcqChn[1].GateTimeShift = 2e-6; // shifted starts move earlier: 111 us becomes 109 us
    EXPECT_EQ(both(), 4);
    cfg.AcqChn[1].MeaTimeDelay = 10e-6;
    EXPECT_EQ(both(), 1);

    cfg.AcqChn[1].GateTimeShift = cfg.AcqChn[1].MeaTimeDelay = 0;
    cfg.TxWaveform[1].drivenRamp = 10e-6;
    cfg.TimeBase[1].drivenGateStart[1] = 5e-6;
    cfg.TimeBase[1].drivenGateStart[2] = 11e-6; // exactly 1.1 x the ramp
    EXPECT_EQ(both(), 1);
}

TEST(TimeBaseGates, ConsistencyToleranceDiffersBetweenTimeBases)
{
    const Gate good{1e-3, 0.2e-3, 0.9e-3, 1.1e-3};
    const Gate offCentre{1.005e-3, 0.2e-3, 0.9e-3, 1.1e-3};
    const Gate badEnd{1e-3, 0.2e-3, 0.9e-3, 1.2e-3};
    EXPECT_DOUBLE_EQ(GateTolerance(1, 1.005e-3), 10.05e-6);
    EXPECT_DOUBLE_EQ(GateTolerance(1, 1e-6), 2e-7);
    EXPECT_DOUBLE_EQ(GateTolerance(2, 1e-3), 2e-7);
    EXPECT_TRUE(GateConsistent(good, GateTolerance(2, good.centre)));
    EXPECT_TRUE(GateConsistent(offCentre, GateTolerance(1, offCentre.centre)));
    EXPECT_FALSE(GateConsistent(offCentre, GateTolerance(2, offCentre.centre)));
    EXPECT_FALSE(GateConsistent(badEnd, GateTolerance(1, badEnd.centre)));

    TTimeBase tb;
    EXPECT_TRUE(StoreGates(tb, 1, {good, offCentre}));
    EXPECT_FALSE(StoreGates(tb, 2, {good, offCentre}));
    EXPECT_DOUBLE_EQ(tb.GateCentre[2], 1.005e-3); // stored as entered even when inconsistent
    EXPECT_THROW(StoreGates(tb, 1, std::vector<Gate>(256, good)), ListIndexError);
}

TEST(TimeBaseChannelDelays, ConfirmationRowsFollowTheShifts)
{
    Configuration cfg = twoTransmitters();
    cfg.TimeBase[2].GateCentre[1] = 10e-6;
    cfg.TimeBase[2].PreBinAppliedSamplingDelay = 1e-6;
    cfg.Rx[1].PreBinAppliedRxDelay = 2e-6;
    cfg.AcqChn[2].GateTimeShift = 3e-6;
    cfg.AcqChn[2].MeaTimeDelay = 4e-6;
    cfg.SysResp[2].drivenGatesInRamp = 5;
    const ChannelDelays d = ChannelDelaysOf(cfg, 2);
    EXPECT_DOUBLE_EQ(d.gate1AsApplied, 17e-6);
    EXPECT_DOUBLE_EQ(d.gate1Modelling, 17e-6);
    EXPECT_EQ(d.timeBase, 2);
    EXPECT_EQ(d.tx, 2);
    EXPECT_EQ(d.rx, 1);
    EXPECT_EQ(d.gatesInRamp, 5);
    StoreChannelDelays(cfg, 2, 7e-6, 8e-6, 9e-6);
    EXPECT_DOUBLE_EQ(cfg.Rx[1].PreBinAppliedRxDelay, 7e-6);
    EXPECT_DOUBLE_EQ(cfg.AcqChn[2].GateTimeShift, 8e-6);
    EXPECT_DOUBLE_EQ(cfg.AcqChn[2].MeaTimeDelay, 9e-6);
}

TEST(TimeBaseTimeline, SeriesAndAxisEnds)
{
    Configuration cfg = twoTransmitters();
    cfg.Tx[1].NoGates = 12;
    for (int j = 1; j <= 12; ++j)
        cfg.TimeBase[1].GateCentre[j] = j * 1e-5;
    cfg.TimeBase[1].PreBinAppliedSamplingDelay = 1e-6;
    cfg.AcqChn[1].GateTimeShift = 2e-6;
    cfg.AcqChn[1].MeaTimeDelay = 3e-6;
    cfg.Rx[1].PreBinAppliedRxDelay = 4e-6;
    TTxWaveform& w = cfg.TxWaveform[1];
    w.WaveformPointsDigitized = 3;
    w.WaveformPointTimes[1] = -1e-3;
    w.WaveformPointTimes[2] = 0;
    w.WaveformPointTimes[3] = 5e-6;
    w.WaveformPointAmplitudes[2] = -1;
    w.WaveformPointAmplitudes[3] = 0.5;
    const TimelineSeries s = Timeline(cfg, 1);
    ASSERT_EQ(s.outputX.size(), 12u);
    EXPECT_DOUBLE_EQ(s.outputX[0], 1e-5 - 2e-6 + 3e-6);
    EXPECT_DOUBLE_EQ(s.instrumentX[0], 1e-5 + 1e-6 + 4e-6 + 3e-6);
    EXPECT_DOUBLE_EQ(s.outputY[0], 0.6);
    EXPECT_DOUBLE_EQ(s.instrumentY[0], 0.2);
    EXPECT_EQ(s.rampX, (std::vector<double>{0, 5e-6}));
    EXPECT_EQ(s.rampY, (std::vector<double>{1, 0.5}));
    EXPECT_DOUBLE_EQ(s.linearEnd, 1e-4);
    EXPECT_DOUBLE_EQ(s.logEnd, 1.2e-4);
}

class KnownGateSets : public ::testing::Test {
  protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("temsetrix_gatesets_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder / "Channel_Files");
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string configFolder() const { return folder.string() + "/"; }

    std::filesystem::path folder;
};

TEST_F(KnownGateSets, NamesAndFileLookup)
{
    EXPECT_EQ(KnownGateSetNames(false).size(), 19u);
    EXPECT_EQ(KnownGateSetNames(false)[10], "SiroTEM_Early");
    EXPECT_EQ(KnownGateSetNames(false)[14], "TerraTEM16HiResResampleAarhus");
    EXPECT_EQ(KnownGateSetNames(true)[14], "TerraTEM16ResampleAarhus");
    EXPECT_EQ(KnownGateSetFile(configFolder(), "SiroTEM_Early"),
              configFolder() + "Channel_Files/SiroTEM_Early.chn");
    std::ofstream(folder / "Channel_Files" / "SIROTEM_EARLY.CHN") << "x\n";
    EXPECT_EQ(KnownGateSetFile(configFolder(), "SiroTEM_Early"),
              configFolder() + "Channel_Files/SIROTEM_EARLY.CHN");
}

// The list holds the known names in their places, then every other stored set of the folder.
TEST_F(KnownGateSets, ChoicesAddEveryStoredSet)
{
    EXPECT_EQ(GateSetChoices(false, configFolder()), KnownGateSetNames(false));
    EXPECT_EQ(InstallShippedGateSets(configFolder()), 2);
    std::ofstream(folder / "Channel_Files" / "SIROTEM_EARLY.CHN") << "x\n"; // a known name
    std::ofstream(folder / "Channel_Files" / "notes.txt") << "x\n";
    std::filesystem::create_directories(folder / "Channel_Files" / "folder.chn");
    const auto names = GateSetChoices(true, configFolder());
    ASSERT_EQ(names.size(), KnownGateSetNames(true).size() + 2);
    EXPECT_EQ(names[14], "TerraTEM16ResampleAarhus");
    EXPECT_EQ(names[names.size() - 2], "DualMoment_HM_32");
    EXPECT_EQ(names.back(), "DualMoment_LM_28");
}

TEST_F(KnownGateSets, LoadsTheStoredSetOrNamesTheMissingFile)
{
    Configuration cfg = twoTransmitters();
    RecordingOperator op;
    std::ofstream(folder / "Channel_Files" / "SiroTEM_Early.chn")
        << "SiroTEM_Early\r\nNUMTIMES=3\r\nDELAY   WIDTH\r\n0.010 0.004\r\n0.020 0.006\r\n0.035 0.010\r\n";
    LoadKnownGateSet(cfg, configFolder(), "SiroTEM_Early", 1, op);
    EXPECT_EQ(cfg.TimeBase[1].NumGatesInSet, 3);
    EXPECT_NEAR(cfg.TimeBase[1].GateCentre[3], 35e-6, 1e-15);
    EXPECT_EQ(cfg.TimeBase[1].TimeGateFileName, configFolder() + "Channel_Files/SiroTEM_Early.chn");

    const Configuration before = cfg;
    try {
        LoadKnownGateSet(cfg, configFolder(), "TerraTEM_Late", 2, op);
        FAIL() << "a missing gate set file must stop the load";
    } catch (const InOutError& e) {
        EXPECT_NE(std::string(e.what()).find("Channel_Files/TerraTEM_Late.chn"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(cfg, before);
}

TEST_F(KnownGateSets, ShippedSetsAreInstalledWithoutReplacingTheOperatorsOwn)
{
    std::ofstream(folder / "Channel_Files" / "DualMoment_LM_28.chn") << "mine\n";
    const int copied = InstallShippedGateSets(configFolder());
    EXPECT_GE(copied, 1);
    std::ifstream mine(folder / "Channel_Files" / "DualMoment_LM_28.chn");
    std::string first;
    std::getline(mine, first);
    EXPECT_EQ(first, "mine");
    EXPECT_EQ(InstallShippedGateSets(configFolder()), 0);

    // The shipped demonstration set reads as the gates of the demonstration configuration.
    Configuration cfg = twoTransmitters();
    RecordingOperator op;
    ReadMonexChnTimegateFile(cfg, configFolder() + "Channel_Files/DualMoment_HM_32.chn", 2, op);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(cfg.TimeBase[2].GateSetName, "DualMoment_HM_32");
    EXPECT_EQ(cfg.TimeBase[2].NumGatesInSet, 32);
    EXPECT_NEAR(cfg.TimeBase[2].GateCentre[32], 4e-3, 1e-12);
    EXPECT_NEAR(cfg.TimeBase[2].GateWidth[1], 1.935741e-6, 1e-15);
}

} // namespace
} // namespace tem
