#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "core/action_error.h"
#include "core/files/chn_file.h"
#include "core/model/configuration.h"
#include "core/operator.h"
#include "support/temp_folder.h"

namespace tem {
namespace {

namespace fs = std::filesystem;

const std::string WrongFormat =
    "Wrong Format. Line one name. Line 2 NUMTIMES=##. Line 3 DELAY   WIDTH. Remaining lines millseconds";
const std::string FewerRows = "There were less than NUMTIMES rows in the file - please check";

class ChnFile : public ::testing::Test {
  protected:
    void SetUp() override { resetTimeBase(); }
    void resetTimeBase()
    {
        TTimeBase& tb = cfg.TimeBase[2];
        tb.GateSetName = "Previous";
        tb.NumGatesInSet = 99;
        tb.TimeGateFileName = "old.chn";
        for (int g = 0; g <= MaxGates; ++g)
            tb.GateCentre[g] = tb.GateWidth[g] = -1;
    }
    /// Writes the text to a file and reads it into time base 2.
    void read(const std::string& text)
    {
        path = (root / "gates.chn").string();
        std::ofstream(path, std::ios::binary) << text;
        ReadMonexChnTimegateFile(cfg, path, 2, op);
    }
    const TTimeBase& tb() const { return cfg.TimeBase[2]; }

    testsupport::TempFolder folder{"chn-"};
    fs::path root = folder.path();
    std::string path;
    Configuration cfg;
    RecordingOperator op;
};

TEST_F(ChnFile, ReadsGatesInSeconds)
{
    const std::string fixture = TEMSETRIX_TEST_DATA_DIR "/chn/ThreeGates.chn";
    ReadMonexChnTimegateFile(cfg, fixture, 2, op);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(tb().GateSetName, "Three early gates");
    EXPECT_EQ(tb().NumGatesInSet, 3);
    EXPECT_EQ(tb().TimeGateFileName, fixture);
    const double centre[] = {10e-6, 20e-6, 35e-6}, width[] = {4e-6, 6e-6, 10e-6};
    const double start[] = {8e-6, 17e-6, 30e-6}, end[] = {12e-6, 23e-6, 40e-6};
    for (int g = 1; g <= 3; ++g) {
        EXPECT_NEAR(tb().GateCentre[g], centre[g - 1], 1e-15) << g;
        EXPECT_NEAR(tb().GateWidth[g], width[g - 1], 1e-15) << g;
        EXPECT_NEAR(tb().drivenGateStart[g], start[g - 1], 1e-15) << g;
        EXPECT_NEAR(tb().drivenGateEnd[g], end[g - 1], 1e-15) << g;
    }
    EXPECT_EQ(tb().GateCentre[4], -1);
}

TEST_F(ChnFile, CountsAndCaptions)
{
    const struct {
        const char* text;
        int count; // NumGatesInSet afterwards
        int gatesRead;
        std::vector<std::string> messages;
    } cases[] = {
        {"set\nnumtimes=2\ndelay width\n1 1\n2 1\n", 2, 2, {}},
        {"set\nNUMTIMES=5\nDELAY WIDTH\n1 1\n2 1\n3 1\n", 5, 3, {FewerRows}},
        {"set\nNUMTIMES=2\nDELAY WIDTH\n1 1\n2 1\n3 1\n4 1\n5 1\n", 2, 2, {}},
        {"set\nNUMTIMES=x\nDELAY WIDTH\n1 1\n2 1\n3 1\n", 0, 3, {}},
        {"set\nGATES 3\nDELAY WIDTH\n1 1\n2 1\n", 99, 2, {FewerRows}},
        {"set\nNUMTIMES=2\nCENTRE WIDTH\n1 1\n2 1\n", 2, 2, {WrongFormat}},
        {"set\nNUMTIMES=3\n", 3, 0, {WrongFormat, FewerRows}},
        {"", 99, 0, {WrongFormat, FewerRows}},
    };
    for (const auto& c : cases) {
        resetTimeBase();
        op.messages.clear();
        read(c.text);
        EXPECT_EQ(tb().NumGatesInSet, c.count) << c.text;
        EXPECT_EQ(op.messages, c.messages) << c.text;
        for (int g = 1; g <= c.gatesRead; ++g)
            EXPECT_NEAR(tb().GateCentre[g], g / 1000.0, 1e-15) << c.text;
        EXPECT_EQ(tb().GateCentre[c.gatesRead + 1], -1) << c.text;
        EXPECT_EQ(tb().TimeGateFileName, path);
    }
}

TEST_F(ChnFile, NameLineAndUnreadableNumbers)
{
    read("\nNUMTIMES=2\nDELAY WIDTH\nabc 4\n0.02 --\n");
    EXPECT_EQ(tb().GateSetName, "Previous");       // an empty name line keeps the name
    EXPECT_NEAR(tb().GateCentre[1], 0.001, 1e-15); // not a number: the gate number
    EXPECT_NEAR(tb().GateWidth[1], 0.004, 1e-15);
    EXPECT_NEAR(tb().GateCentre[2], 0.00002, 1e-15);
    EXPECT_NEAR(tb().GateWidth[2], 0.002, 1e-15);
}

TEST_F(ChnFile, RowWithOneColumnStopsTheRead)
{
    EXPECT_THROW(read("set\nNUMTIMES=3\nDELAY WIDTH\n1 1\n2\n3 1\n"), ListIndexError);
    EXPECT_EQ(op.messages, (std::vector<std::string>{"One record had less than two columns"}));
    // A read that stops leaves the time base as it was, also the gates before the bad row.
    EXPECT_EQ(tb().GateCentre[1], -1);
    EXPECT_EQ(tb().GateCentre[3], -1);
    EXPECT_EQ(tb().TimeGateFileName, "old.chn");
}

TEST_F(ChnFile, NeverMoreThan255Gates)
{
    std::string rows;
    for (int g = 1; g <= 300; ++g)
        rows += std::to_string(g) + " 1\r\n";
    read("set\r\nNUMTIMES=300\r\nDELAY WIDTH\r\n" + rows);
    EXPECT_EQ(tb().NumGatesInSet, 255);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.messages[0].find("255"), std::string::npos);
    EXPECT_NEAR(tb().GateCentre[255], 0.255, 1e-15);

    op.messages.clear();
    cfg.TimeBase[2].NumGatesInSet = 0;
    read("set\r\nno count\r\nDELAY WIDTH\r\n" + rows);
    EXPECT_EQ(tb().NumGatesInSet, 0); // left as it was
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.messages[0].find("255"), std::string::npos);

    op.messages.clear();
    read("set\r\nNUMTIMES=-4\r\nDELAY WIDTH\r\n" + rows);
    EXPECT_EQ(tb().NumGatesInSet, 0);
    EXPECT_EQ(op.messages.size(), 2u); // the count, then the limit
}

TEST_F(ChnFile, FileThatCannotBeOpened)
{
    const std::string missing = (root / "missing.chn").string();
    try {
        ReadMonexChnTimegateFile(cfg, missing, 2, op);
        FAIL() << "expected InOutError";
    } catch (const InOutError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
    }
    EXPECT_THROW(ReadMonexChnTimegateFile(cfg, root.string(), 2, op), InOutError);
    EXPECT_THROW(ReadMonexChnTimegateFile(cfg, missing, 10, op), ListIndexError);
    EXPECT_EQ(tb().GateSetName, "Previous");
}

} // namespace
} // namespace tem
