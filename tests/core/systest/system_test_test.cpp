#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/files/keyword_file.h"
#include "core/operator.h"
#include "core/systest/system_test_analysis.h"
#include "core/systest/system_test_file.h"
#include "support/temp_folder.h"
#include "test_file_bytes.h"

namespace tem {
namespace {

namespace fs = std::filesystem;

std::string fixture(const std::string& name)
{
    return TEMSETRIX_TEST_DATA_DIR "/systest/" + name;
}

// The formulas of tests/data/systest/make_fixtures.py.
double value(int station, int rx, int gate, int record)
{
    return rx == RxZ ? station * 1000 + 10 * gate + record : -(station * 100 + gate + record);
}
const double Current[] = {0, 38.0, 25.0, 24.0, 25.0, 20.0, 30.0, 31.0, 29.0};

const std::string Voltage = "Tx voltage on this test file is not the anticipated 8.0 volts +/- 0.5V";
const std::string NoRamps1P = "No 1P ramps found with >1000 stacks; That is Stn 2,3,4,5";
const std::string NoRamps2P = "No 2P ramps found with >1000 stacks; That is Stn 1";
const std::string NoAmps1P = "No 1P Amps found with >1000 stacks; That is Stn 2,3,4,5";
const std::string NoAmps2P = "No 2P Amps found with >1000 stacks; That is Stn 1";
const std::string NoStn8 = "No Stn8 records were found with >1000 stacks. Noise records have thus been "
                           "normalized to 1 Amp and will appear "
                           "to be very high compared to data collected at tens of amps.";
const std::string Unreadable =
    "Stacks  is < 1000 on the first record. In Varlo a long stack at the start of the "
    "file is essential to realistic ramp measurement";

TEST(SystemTestFile, EachFormOfTheExport)
{
    const struct {
        const char* file;
        int kind;
        bool loaded;
        int chan;
        std::vector<int> numStn;
        std::vector<std::string> messages;
    } cases[] = {
        {"tab.TXT", 0, true, 20, {2, 2, 2, 2, 2, 2, 2, 2}, {}},
        {"tab.TXT", 1, true, 20, {2, 2, 2, 2, 2, 2, 2, 2}, {Voltage}}, // two constants rows, one message
        {"tab.TXT", 2, true, 20, {2, 2, 2, 2, 2, 2, 2, 2}, {}},
        {"crlf.TXT", 0, true, 20, {2, 2, 2, 2, 2, 2, 2, 2}, {}},
        // The constants pass splits the first data row at tabs only: the comma row is one field,
        // so the voltage and stack count read as missing.
        {"comma.TXT", 0, true, 8, {1, 1, 0, 1, 0, 0, 0, 1}, {Voltage, Unreadable}},
        {"units_abort.TXT",
         0,
         false,
         0,
         {0, 0, 0, 0, 0, 0, 0, 0},
         {"Aborting file conversion. ChnUnits column is neither uV nor uV/A"}},
        {"no_station8.TXT", 0, true, 20, {0, 1, 0, 0, 0, 1, 1, 0}, {NoRamps2P, NoAmps2P, NoStn8}},
        {"nch.TXT", 0, true, 150, {0, 1, 0, 0, 0, 0, 0, 2}, {}}, // messages checked below
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " kind " + std::to_string(c.kind));
        SystemTestData d;
        d.Chan = 99; // nothing of an earlier load survives
        RecordingOperator op;
        EXPECT_EQ(LoadSystemTest(d, fixture(c.file), c.kind, op), c.loaded);
        EXPECT_EQ(d.Chan, c.chan);
        for (int n = 1; n <= 8; ++n)
            EXPECT_EQ(d.NumStn[n], c.numStn[std::size_t(n - 1)]) << "station " << n;
        if (std::string(c.file) == "nch.TXT") {
            // Only the line announcing 150 values is short.
            ASSERT_EQ(op.messages.size(), 3u);
            EXPECT_EQ(op.messages[0].rfind("Not enough values exist in this record (line 4): "
                                           "8\t2000\t25\t0.0048\t2\t",
                                           0),
                      0u)
                << op.messages[0];
            EXPECT_EQ(op.messages[0].substr(op.messages[0].size() - 3), "..."); // a long record is cut
            EXPECT_EQ(op.messages[1], NoRamps2P);
            EXPECT_EQ(op.messages[2], NoAmps2P);
        } else {
            EXPECT_EQ(op.messages, c.messages);
        }
    }
}

TEST(SystemTestFile, TabFileAveragesRatiosAndNoise)
{
    SystemTestData d;
    RecordingOperator op;
    ASSERT_TRUE(LoadSystemTest(d, fixture("tab.TXT"), 0, op));
    EXPECT_EQ(d.ChnUnits, "uV/A");
    EXPECT_TRUE(d.XExists);
    EXPECT_FALSE(d.YExists);
    EXPECT_EQ(d.DudGPSCount, 1); // the station-9 line
    EXPECT_NEAR(d.MeasuredRamp2P, 0.0095, 1e-12);
    EXPECT_NEAR(d.MeasuredRamp1P, 0.0049, 1e-12); // stations 2 and 4, Z and X lines
    EXPECT_NEAR(d.MeasuredRamp2P2S, 0.022, 1e-12);
    EXPECT_NEAR(d.MeasuredAmps2P, 38.25, 1e-12);
    EXPECT_NEAR(d.MeasuredAmps1P, (25.25 + 24.25 + 25.25) / 3, 1e-12); // station 3 adds its current
    EXPECT_NEAR(d.MeasuredAmps2P2S, 20.25, 1e-12);
    EXPECT_NEAR(d.MeasuredAmpsSel, 30.25, 1e-12);

    double sumSquares[2] = {0, 0};
    for (int r : {RxZ, RxX})
        for (int k = 1; k <= MaxChan; ++k) {
            for (int n : {1, 2, 3, 4, 5, 7, 8}) {
                const double avg = k <= 20 ? (value(n, r, k, 1) + value(n, r, k, 2)) / 2 : 0;
                EXPECT_NEAR(d.stn[n][r][k], avg, 1e-9) << n << " " << r << " " << k;
            }
            // Noise sums are in µV (value x current), normalised by the selected current, then
            // averaged over the noise lines.
            const double noise = k <= 20 ? (value(6, r, k, 1) * 30.0 + value(6, r, k, 2) * 30.5) / 30.25 : 0;
            EXPECT_NEAR(d.stn[6][r][k], noise / 2, 1e-9) << r << " " << k;
            if (k >= 17 && k <= 20) // the gates after 0.1 ms
                sumSquares[r] += noise * noise;
            if (k <= 20) {
                EXPECT_NEAR(d.shorted[r][k], d.stn[3][r][k] - d.stn[2][r][k], 1e-9);
                EXPECT_NEAR(d.RxTurnsRatio[r][k], d.stn[4][r][k] / d.stn[2][r][k], 1e-12);
                EXPECT_NEAR(d.TxTurnsRatio[r][k], d.stn[1][r][k] / d.stn[2][r][k], 1e-12);
            } else {
                // Beyond the file's channels station 2 is zero: the ratios are undefined.
                EXPECT_TRUE(std::isnan(d.RxTurnsRatio[r][k]));
                EXPECT_TRUE(std::isnan(d.TxTurnsRatio[r][k]));
                EXPECT_EQ(d.shorted[r][k], 0);
            }
        }
    for (int r : {RxZ, RxX})
        EXPECT_NEAR(d.NoiseStd[r], std::sqrt(sumSquares[r] / 3) / 1e6, 1e-15);

    // The same file with CR LF line ends gives the same tables.
    SystemTestData crlf;
    ASSERT_TRUE(LoadSystemTest(crlf, fixture("crlf.TXT"), 0, op));
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(crlf.stn[n], d.stn[n]);
    EXPECT_EQ(crlf.NoiseStd, d.NoiseStd);
}

TEST(SystemTestFile, CommaFileEmptyFieldsAndUndefinedValues)
{
    SystemTestData d;
    RecordingOperator op;
    ASSERT_TRUE(LoadSystemTest(d, fixture("comma.TXT"), 0, op));
    EXPECT_EQ(d.stn[2][RxZ][3], value(2, RxZ, 3, 1));
    EXPECT_EQ(d.stn[2][RxX][5], 1.0); // the empty field between two commas
    EXPECT_EQ(d.stn[2][RxX][6], value(2, RxX, 6, 1));
    EXPECT_EQ(d.stn[3][RxZ][1], -1); // no station-3 lines
    EXPECT_EQ(d.shorted[RxZ][1], -1 - value(2, RxZ, 1, 1));
    // Station 4 has no X lines: its X table stays zero.
    EXPECT_EQ(d.stn[4][RxX][1], 0);
    EXPECT_EQ(d.RxTurnsRatio[RxX][1], 0);
    // All eight gates end before 0.1 ms: there is no noise deviation to give.
    EXPECT_TRUE(std::isnan(d.NoiseStd[RxZ]));
    EXPECT_TRUE(std::isnan(d.NoiseStd[RxX]));
    EXPECT_NEAR(d.MeasuredAmpsSel, 29, 1e-12);
}

TEST(SystemTestFile, MicrovoltsAndNoiseWithoutStation8)
{
    SystemTestData d;
    RecordingOperator op;
    ASSERT_TRUE(LoadSystemTest(d, fixture("no_station8.TXT"), 0, op));
    EXPECT_EQ(d.ChnUnits, "uV");
    EXPECT_NEAR(d.stn[2][RxZ][7], value(2, RxZ, 7, 1), 1e-9); // divided by the line's current
    // Without station 8 the noise stays at 1 A: value x current, not divided by the current of
    // station 7.
    EXPECT_NEAR(d.stn[6][RxX][7], value(6, RxX, 7, 1) * 30, 1e-9);
    EXPECT_NEAR(d.MeasuredAmpsSel, 31, 1e-12);
    for (int k = 1; k <= MaxChan; ++k)
        EXPECT_EQ(d.stn[8][RxZ][k], -1);

    const std::string text = Stn8SiteResponseText(d);
    const auto lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 74u);
    EXPECT_EQ(lines[0], "AcqChn1,AcqChn2,AcqChn3,Units=uV/A");
    EXPECT_EQ(lines[73], "          -1,          -1,0.00");
    // The program's "%12.5g": small and large values in its exponent form.
    d.stn[8][RxZ][1] = 1.23456e-5;
    d.stn[8][RxX][1] = 123456789;
    EXPECT_EQ(SplitLines(Stn8SiteResponseText(d))[1], " 1.2346E-005,  1.2346E008,0.00");
}

TEST(SystemTestFile, ChannelCountColumnReadsByPosition)
{
    SystemTestData d;
    RecordingOperator op;
    ASSERT_TRUE(LoadSystemTest(d, fixture("nch.TXT"), 0, op));
    // The header names five channels; NCH 1 reads 132 values, of which gates up to 73 are summed.
    EXPECT_EQ(d.stn[2][RxZ][73], 73);
    EXPECT_EQ(d.stn[8][RxZ][40], 40);
}

/// A tab-separated file: the header names below, then the lines given.
std::string tabFile(const std::string& header, const std::vector<std::string>& lines)
{
    std::string text = header + "\n";
    for (const auto& l : lines)
        text += l + "\n";
    return text;
}

const std::string Header =
    "Stn\tStacks\tCur\tRMP\tRxArea\tTx_Area\tTx_nTurns\tRX_Delay\tComponent\tTx_Voltage\tCH1\tCH2\tCH3";
std::string line(const std::string& stn, const std::string& stacks, const std::string& comp,
                 const std::string& values, const std::string& cur = "25")
{
    return stn + "\t" + stacks + "\t" + cur + "\t0.005\t0.5\t100\t1\t0.009\t" + comp + "\t8.0\t" + values;
}

bool contains(const std::vector<std::string>& v, const std::string& s)
{
    for (const auto& m : v)
        if (m == s)
            return true;
    return false;
}

TEST(SystemTestFile, StationsStacksAndComponents)
{
    SystemTestData d;
    RecordingOperator op;
    const std::string text = tabFile(Header, {
                                                 line("2.7", "1000", "Z", "1\t2\t3"), // station 2
                                                 line("2", "999", "Z", "10\t20\t30"), // summed, not averaged
                                                 line("9", "2000", "Z", "5\t5\t5"),   // checks only
                                                 line("0", "2000", "Z", "5\t5\t5"),
                                                 line("4", "2000", "z", "5\t5\t5"),  // lower case: nothing
                                                 line("5", "2000", "X", "7\t7\t7"),  // X without Z lines
                                                 line("3", "2000", "Z", "4\t\t\t6"), // three tabs
                                             });
    ASSERT_TRUE(ReadSystemTestText(d, text, 0, op));
    EXPECT_EQ(d.NumStn[2], 2);
    EXPECT_EQ(d.stn[2][RxZ][1], 11);
    EXPECT_EQ(d.NumStn[4], 0);
    EXPECT_EQ(d.stn[4][RxZ][1], 0);
    EXPECT_EQ(d.NumStn[5], 0);
    EXPECT_EQ(d.stn[5][RxX][1], 7);
    // "4<tab><tab><tab>6": the first empty field reads 0, the second stays empty and reads 1.0.
    EXPECT_EQ(d.stn[3][RxZ][1], 4);
    EXPECT_EQ(d.stn[3][RxZ][2], 0);
    EXPECT_EQ(d.stn[3][RxZ][3], 1);
    // Only the 1000-stack line of station 2 and the line of station 4 count (ramps 0.005 each).
    EXPECT_NEAR(d.MeasuredRamp1P, 0.005, 1e-12);
    EXPECT_EQ(op.messages, (std::vector<std::string>{NoRamps2P, NoAmps2P}));

    // The first record's stack check: 1000 passes, 999 does not.
    for (const char* stacks : {"1000", "999"}) {
        RecordingOperator o;
        ReadSystemTestText(d, tabFile(Header, {line("2", stacks, "Z", "1\t2\t3")}), 0, o);
        EXPECT_EQ(contains(o.messages,
                           std::string("Stacks ") + stacks +
                               " is < 1000 on the first record. In Varlo a long stack at the start of the "
                               "file is essential to realistic ramp measurement"),
                  std::string(stacks) == "999");
    }
}

TEST(SystemTestFile, ConstantsRowsAndMessages)
{
    const std::string base = "Stn\tStacks\tCur\tRMP\tRx_Area\tRX_Delay\tComponent\tTx_Voltage\tCH1\tCH2";
    const struct {
        std::string header;    // appended to base
        std::string constants; // appended to each line
        int kind;
        int voltageMessages;
        std::vector<std::string> others;
    } cases[] = {
        // Tx_Area and Tx_nTurns missing: one message each per constants row.
        {"",
         "",
         0,
         0,
         {"BAD: Tx_Area column not found",
          "BAD: Tx_nTurns column does not exist. Tx Turns has been made  default of 1"}},
        // Two rows checked, each finding shown once.
        {"\tTx_Area\tTx_nTurns\t#Channels", "\t1\t1\t2", 1, 1, {}},
        {"\tTx_Area\tTx_nTurns\tHashChannels", "\t1\t1\t3", 1, 1, {}},
        {"\tTx_Area\tTx_nTurns\t#Channels", "\t1\t1\t2000000000", 1, 1, {}}, // as many as the file has
        {"\tTx_Area\tTx_nTurns\t#Channels", "\t1\t1\t0", 1, 0, {}},          // none checked
        {"\tTx_Area\tTx_nTurns\t#Channels", "\t1\t1\t-3", 1, 0, {}},
        {"\tTx_Area\tTx_nTurns", "\t1\t1", 2, 0, {}}, // kind 2 has no band
        {"\tTx_Area\tTx_nTurns\tChnUnits",
         "\t1\t1\tUV/A",
         0,
         0,
         {"Aborting file conversion. ChnUnits column is neither uV nor uV/A"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header + " / " + c.constants);
        const std::string text =
            tabFile(base + c.header, {"2\t2000\t25\t0.005\t0.5\t0.009\tZ\t8.0\t1\t2" + c.constants,
                                      "2\t2000\t25\t0.005\t0.5\t0.009\tX\t8.0\t1\t2" + c.constants});
        SystemTestData d;
        RecordingOperator op;
        ReadSystemTestText(d, text, c.kind, op);
        int voltage = 0;
        std::vector<std::string> others;
        for (const auto& m : op.messages) {
            if (m == Voltage)
                ++voltage;
            else if (m != NoRamps2P && m != NoAmps2P)
                others.push_back(m);
        }
        EXPECT_EQ(voltage, c.voltageMessages);
        EXPECT_EQ(others, c.others);
    }
}

TEST(SystemTestFile, DamagedFilesStopTheLoadNamingColumnAndLine)
{
    const std::string good = "2\t2000\t25\t0.005\t0.5\t0.009\tZ\t1\t2";
    const struct {
        std::string header;
        std::vector<std::string> lines;
        std::string message;
    } cases[] = {
        {"Stn\tStacks\tCur\tRMP\tArea\tRX_Delay\tComponent\tCH1\tCH2",
         {good},
         "Line 1 of the system test file: the header has no receiver-area column (RXAREA or Rx_Area)"},
        {"Stn\tStacks\tCur\tRMP\tRxArea\tDelay\tComponent\tCH1\tCH2",
         {good},
         "Line 1 of the system test file: the header has no receiver-delay column (RX_Delay, Rx_Delay_ms or "
         "RxDelay_ms)"},
        {"Stn\tStacks\tCur\tRMP\tRxArea\tRX_Delay\tComponent\tCHA\tCH2",
         {good},
         "Line 1 of the system test file: the header has no first-channel column (CH1 or CHN1)"},
        {"Stn\tStacks\tCur\tRAMP\tRxArea\tRX_Delay\tComponent\tCH1\tCH2",
         {good, good},
         "Line 2 of the system test file: the header has no ramp column (RMP, TURNOFF or RAMP_MS)"},
        {"Stn\tStacks\tCur\tRMP\tRxArea\tRX_Delay\tComponent\tCH1\tCH151",
         {good},
         "Line 1 of the system test file: the header announces 151 channels; at most 150 can be read"},
        {"Stn\tStacks\tCur\tRMP\tRxArea\tRX_Delay\tComponent\tCH1\tCH2",
         {good, "two\t2000\t25\t0.005\t0.5\t0.009\tZ\t1\t2"},
         "Line 3 of the system test file: the station \"two\" in column STN is not a number"},
        {"Stn\tStacks\tCur\tRMP\tRxArea\tRX_Delay\tComponent\tCH1\tCH2",
         {good, "2\t2000\t25\tfast\t0.5\t0.009\tZ\t1\t2"},
         "Line 3 of the system test file: the ramp \"fast\" in column RMP is not a number"},
        {"Stn\tStacks\tCur\tRMP\tRxArea\tRX_Delay\tComponent\tCH1\tCH2",
         {"2\t2000\t-\t0.005\t0.5\t0.009\tZ\t1\t2"},
         "Line 2 of the system test file: the current \"-\" in column CUR is not a number"},
        {"Stn\tStacks\tNCH\tRMP\tRxArea\tRX_Delay\tComponent\tCH1\tCH2",
         {"2\t2000\t1.5\t0.005\t0.5\t0.009\tZ\t1\t2"},
         "Line 2 of the system test file: the channel count \"1.5\" in column NCH is not an integer"},
        {"Stn\tStacks\tAmps\tRMP\tRxArea\tRX_Delay\tComponent\tCH1\tCH2",
         {good, "6\t2000\t25\t0.005\t0.5\t0.009\tZ\t1\t2"},
         "Line 3 of the system test file: a station 6 (noise) line needs a current column (CUR, CURRENT, "
         "TX_AMPS or "
         "CURR)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        SystemTestData d;
        RecordingOperator op;
        EXPECT_FALSE(ReadSystemTestText(d, tabFile(c.header, c.lines), 0, op));
        ASSERT_FALSE(op.messages.empty());
        EXPECT_EQ(op.messages.back(), c.message + ". The file has not been loaded.");
        EXPECT_EQ(d.NumStn[2], 0);
        EXPECT_EQ(d.stn[2][RxZ][1], 0);
        EXPECT_EQ(d.Chan, 0);
    }
}

TEST(SystemTestFile, UnreadableFile)
{
    SystemTestData d;
    RecordingOperator op;
    const std::string name = "/nonexistent/folder/test.TXT";
    EXPECT_FALSE(LoadSystemTest(d, name, 0, op));
    EXPECT_EQ(op.messages, std::vector<std::string>{
                               name + " could not be accessed - perhaps it is open in another program"});
}

TEST(SystemTestAnalysis, GateTimesAndShortedReference)
{
    const auto& t = SysTestGateTimes();
    EXPECT_NEAR(t[1], 0.0036, 1e-12);
    EXPECT_NEAR(t[16], 0.0996, 1e-12);
    EXPECT_NEAR(t[17], 0.1092, 1e-12);
    EXPECT_NEAR(t[73], 2.4068, 1e-12);

    ShortedLoopModel m = ShortedLoopModel::Defaults();
    EXPECT_NEAR(m.Tau[1][RxX], 2.25e-4, 1e-18);
    // Kind 0, Z: gain 20, 0.0005 V/A, tau 0.309 ms, delay 9 µs, ramp 4.8 µs.
    auto z = CalcShorted(m, 0, RxZ);
    ASSERT_EQ(z.size(), 73u);
    EXPECT_NEAR(z[0].value, 20 * 0.0005 * 1e6, 1e-6); // 3.6 µs: before the ramp ends and the delay
    const double d = 2.4068e-3 - 9e-6 - 4.8e-6;
    EXPECT_NEAR(z[72].value, 20 * 0.0005 * std::exp(-d / 3.09e-4) * 1e6, 1e-9);
    EXPECT_EQ(z[72].plotted, z[72].value);
    // The X reference is negative and floored at 1e-6 when drawn.
    auto x = CalcShorted(m, 2, RxX);
    EXPECT_LT(x[72].value, 0);
    EXPECT_EQ(x[72].plotted, std::max(-x[72].value, 1e-6));

    // A changed delay shifts only that kind and receiver.
    m.RxDelay[0][RxZ] = 8.5e-6;
    EXPECT_NE(CalcShorted(m, 0, RxZ)[72].value, z[72].value);
    EXPECT_EQ(CalcShorted(m, 0, RxX)[72].value, CalcShorted(ShortedLoopModel::Defaults(), 0, RxX)[72].value);
}

TEST(SystemTestAnalysis, ExportWritesStation8Averages)
{
    SystemTestData d;
    RecordingOperator op;
    ASSERT_TRUE(LoadSystemTest(d, fixture("tab.TXT"), 0, op));
    const testsupport::TempFolder folder("stn8-");
    const fs::path root = folder.path();
    const std::string out = (root / Stn8SiteResponseName).string();
    WriteStn8SiteResponse(d, out);
    const auto lines = SplitLines(testfiles::ReadBytes(out));
    ASSERT_EQ(lines.size(), 74u);
    EXPECT_EQ(lines[1], "      8011.5,      -802.5,0.00");
    EXPECT_EQ(lines[21], "           0,           0,0.00");

    EXPECT_EQ(SysTestPlotMagnitude(-1), 1);
    EXPECT_EQ(SysTestPlotMagnitude(2e-7), 1e-6);
    EXPECT_TRUE(std::isnan(SysTestPlotMagnitude(std::nan(""))));
}

} // namespace
} // namespace tem
