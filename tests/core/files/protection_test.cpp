#include <gtest/gtest.h>

#include <stdlib.h>

#include <cerrno>

#include <filesystem>
#include <fstream>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "support/temp_folder.h"
#include "test_file_bytes.h"

namespace tem {
namespace {

namespace fs = std::filesystem;

using tem::testfiles::ReadBytes;
using tem::testfiles::WriteBytes;

class Protection : public ::testing::Test {
  protected:
    void SetUp() override
    {
        folders = DataFolders::Under(root.string() + "/data");
        fs::create_directories(folders.temConfig);
        file = (root / "Setup.TDC").string();
    }

    /// Writes the text tidied and stamped, as a save stores it.
    void save(const std::string& text)
    {
        cfg.SaveFilename = file;
        PreWriteCheckandBackup(cfg, op);
        WriteBytes(file, TidyAndStamp(text, "All"));
    }
    std::string stamp()
    {
        return KeywordFile::Load(file).ReadString("All", "MasterTamperCheckCRC", "missing");
    }

    testsupport::TempFolder folder{"protection-"};
    fs::path root = folder.path();
    DataFolders folders;
    std::string file;
    Configuration cfg;
    RecordingOperator op;
};

const char* const MasterText = "[All]\r\n"
                               "IsMasterConfig=1\r\n"
                               "Description=Reference system //do not edit\r\n"
                               "MasterTamperCheckCRC=0\r\n"
                               "[Tx1]\r\n"
                               "Volts=12\r\n"
                               "\r\n"
                               "[Rx1]\r\n"
                               "Name=coil\r\n";

const std::string Separator = "/" + std::string(82, '_');

TEST_F(Protection, CrcCheckValue)
{
    EXPECT_EQ(CalcCRC32(std::string_view("123456789")), 0xCBF43926u);
    EXPECT_EQ(CalcCRC32(std::string_view("")), 0u);
    WriteBytes(root / "check.txt", "123456789");
    EXPECT_EQ(CalcCRC32((root / "check.txt").string()), 0xCBF43926u);
    EXPECT_EQ(CalcCRC32((root / "missing.txt").string()), 0u);
    EXPECT_EQ(CalcCRC32(root.string()), 0u);
}

TEST_F(Protection, SavedMasterIsTidiedStampedAndReadsBack)
{
    save(MasterText);
    EXPECT_TRUE(op.messages.empty());
    const std::string saved = ReadBytes(file);
    EXPECT_EQ(saved.find("[All]"), 0u);
    EXPECT_NE(saved.find("Description=Reference system \r\n" + std::string(29, ' ') + "//do not edit\r\n"),
              std::string::npos);
    EXPECT_NE(saved.find("\r\n" + Separator + "\r\n[Tx1]\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\n\r\n" + Separator + "\r\n[Rx1]\r\n"), std::string::npos);
    const std::string s = stamp();
    EXPECT_NE(s, "0");
    EXPECT_EQ(s.find_first_not_of("0123456789ABCDEF"), std::string::npos) << s;

    // the stamp is the CRC of the file with the stamp zeroed
    std::string zeroed = saved;
    zeroed.replace(zeroed.find("MasterTamperCheckCRC=") + 21, s.size(), "0");
    EXPECT_EQ(std::strtoul(s.c_str(), nullptr, 16), CalcCRC32(std::string_view(zeroed)));

    bool isMaster = false, corrupt = true;
    std::uint32_t crc = 0;
    CheckIsFileProtected(file, "All", isMaster, crc, corrupt);
    EXPECT_TRUE(isMaster);
    EXPECT_FALSE(corrupt);
    EXPECT_EQ(FormatHex(crc), s);
    EXPECT_EQ(ReadBytes(file), saved);

    cfg.LoadFilename = file;
    PreReadCheck(cfg, folders, op);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_FALSE(cfg.IsCorrupt);
    EXPECT_EQ(cfg.TempFilename, folders.temConfig + "Temp.TDC");
    EXPECT_EQ(ReadBytes(cfg.TempFilename), saved);
    EXPECT_EQ(ReadBytes(file), saved);

    // saving again gives the same file
    save(saved);
    EXPECT_EQ(ReadBytes(file), saved);
}

TEST_F(Protection, MasterWithChangedLineEndsStillPasses)
{
    // Line ends are not content: the stamp covers the text as the program writes it, in CR LF.
    save(MasterText);
    const std::string saved = ReadBytes(file);
    std::string lf;
    for (char c : saved)
        if (c != '\r')
            lf += c;
    WriteBytes(file, lf);
    bool isMaster = false, corrupt = true;
    std::uint32_t crc = 0;
    CheckIsFileProtected(file, "All", isMaster, crc, corrupt);
    EXPECT_TRUE(isMaster);
    EXPECT_FALSE(corrupt);
    EXPECT_EQ(ReadBytes(file), saved);
}

TEST_F(Protection, TamperedMasterIsRefused)
{
    save(MasterText);
    cfg.LoadFilename = file;
    PreReadCheck(cfg, folders, op); // leaves a good working copy
    const std::string goodCopy = ReadBytes(cfg.TempFilename);

    std::string text = ReadBytes(file);
    text[text.find("Volts=12") + 7] = '3';
    WriteBytes(file, text);
    // A refused read is a failed read: the third message is the error that stops it.
    std::string third;
    try {
        PreReadCheck(cfg, folders, op);
        ADD_FAILURE() << "a tampered master was read";
    } catch (const TamperedMasterError& e) {
        third = e.what();
    }
    EXPECT_TRUE(cfg.IsCorrupt);
    ASSERT_EQ(op.messages.size(), 2u);
    EXPECT_EQ(op.messages[0], "CONFIGURATION FILE CORRUPTED! This is a master TEM configuration file and "
                              "someone has tampered with it");
    bool isMaster = false, corrupt = false;
    std::uint32_t crc = 0;
    CheckIsFileProtected(file, "All", isMaster, crc, corrupt);
    EXPECT_EQ(op.messages[1], "CRC should have been " + FormatHex(crc));
    EXPECT_EQ(third, "You attempted to read a TAMPERED CORRUPT Master File " + file +
                         " ABORTING. If you want to use this file (and know what you are doing) then "
                         "remove Master Flag and it will no longer be a master file. Consider saving "
                         "with a new filename. Errors may follow.");
    EXPECT_EQ(stamp(), "0");
    EXPECT_TRUE(corrupt); // and it stays refused
    EXPECT_EQ(ReadBytes(cfg.TempFilename), goodCopy);
}

TEST_F(Protection, NonMasterIsStampedZeroAndNeverVerified)
{
    save("[All]\r\nIsMasterConfig=False\r\nMasterTamperCheckCRC=1234\r\n[Tx1]\r\nVolts=12\r\n");
    EXPECT_EQ(stamp(), "0");
    std::string text = ReadBytes(file);
    text[text.find("Volts=12") + 7] = '3';
    WriteBytes(file, text);
    cfg.LoadFilename = file;
    PreReadCheck(cfg, folders, op);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_FALSE(cfg.IsCorrupt);
    EXPECT_EQ(ReadBytes(cfg.TempFilename), text);

    // a file without the general section gets one holding the stamp
    save("[Tx1]\r\nVolts=12\r\n");
    EXPECT_EQ(stamp(), "0");
}

TEST_F(Protection, TidyingSplitsCommentsAndSeparatesSections)
{
    save("\xEF\xBB\xBF[All]\n"
         "Volts=12 //nominal\n"
         "[Tx1]\n"
         "/ operator note\n"
         "[Rx1]\n"
         "Path=a/b\n"
         "   [Rx2]   \n");
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF[All]\r\n"
                               "Volts=12 \r\n"
                               "         //nominal\r\n"
                               "MasterTamperCheckCRC=0\r\n" +
                                   Separator +
                                   "\r\n"
                                   "[Tx1]\r\n"
                                   "/ operator note\r\n"
                                   "[Rx1]\r\n"
                                   "Path=a/b\r\n" +
                                   Separator +
                                   "\r\n"
                                   "   [Rx2]   \r\n");
}

TEST_F(Protection, MasterFlagForms)
{
    const struct {
        const char* flag;
        bool master;
    } cases[] = {{"True", true}, {"TRUE //yes", true}, {"1", true},    {"-1", true},
                 {"0", false},   {"false", false},     {"yes", false}, {"", false}};
    for (const auto& c : cases) {
        WriteBytes(file, std::string("[All]\r\nIsMasterConfig=") + c.flag + "\r\n");
        bool isMaster = !c.master, corrupt = false;
        std::uint32_t crc = 7;
        CheckIsFileProtected(file, "All", isMaster, crc, corrupt);
        EXPECT_EQ(isMaster, c.master) << c.flag;
        if (!c.master) {
            EXPECT_EQ(crc, 7u) << "left as it was";
        }
    }
}

TEST_F(Protection, NumberedBackupsNeverOverwrite)
{
    cfg.SaveFilename = file;
    for (const char* content : {"one", "two", "three"}) {
        WriteBytes(file, content);
        PreWriteCheckandBackup(cfg, op);
    }
    EXPECT_EQ(ReadBytes(root / "Setup.TDCBAK"), "one");
    EXPECT_EQ(ReadBytes(root / "Setup(0).TDCBAK"), "two");
    EXPECT_EQ(ReadBytes(root / "Setup(1).TDCBAK"), "three");
    EXPECT_TRUE(op.messages.empty());

    for (int n = 2; n <= 99; ++n)
        WriteBytes(root / ("Setup(" + std::to_string(n) + ").TDCBAK"), "old");
    WriteBytes(file, "four");
    PreWriteCheckandBackup(cfg, op);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0], "More than 100 backup configuration files were found with incrementing numbers "
                              "(00) to (99). Delete some if you still want backup to occur");
    EXPECT_FALSE(fs::exists(root / "Setup(100).TDCBAK"));

    // nothing to back up when the file is new
    cfg.SaveFilename = (root / "New.gex").string();
    PreWriteCheckandBackup(cfg, op);
    EXPECT_FALSE(fs::exists(root / "New.gexBAK"));
    WriteBytes(cfg.SaveFilename, "g");
    PreWriteCheckandBackup(cfg, op);
    EXPECT_EQ(ReadBytes(root / "New.gexBAK"), "g");
}

TEST(CommentSplitting, Cases)
{
    const struct {
        std::vector<std::string> in, out;
    } cases[] = {
        {{"Volts=12 //nominal"}, {"Volts=12 ", "         //nominal"}},
        {{"Volts=12//nominal"}, {"Volts=12", "        //nominal"}},
        {{"Volts=12 /nominal"}, {"Volts=12 ", "         /nominal"}},
        {{"TimeGateFileName=/home/op/gates/a.chn"}, {"TimeGateFileName=/home/op/gates/a.chn"}},
        {{"PhotoFilename = /home/op/van.jpg"}, {"PhotoFilename = /home/op/van.jpg"}},
        {{"[Tx1] //first loop"}, {"[Tx1] //first loop"}},
        {{"/______", "        //a=b //c"}, {"/______", "        //a=b //c"}},
        {{"a/b=1"}, {"a/b=1"}},
        {{"A=1 //x", "B=2"}, {"A=1 ", "    //x", "B=2"}},
    };
    for (const auto& c : cases) {
        auto lines = c.in;
        int asked = 0;
        const bool split = SplitInlineComments(lines, [&] {
            ++asked;
            return true;
        });
        EXPECT_EQ(lines, c.out) << c.in[0];
        EXPECT_EQ(split, c.in != c.out) << c.in[0];
        EXPECT_LE(asked, 1);
    }
}

TEST(CommentSplitting, AskedOnceAndNoSplitsNothing)
{
    std::vector<std::string> lines = {"A=1 //x", "B=2 //y"};
    int asked = 0;
    EXPECT_TRUE(SplitInlineComments(lines, [&] { return ++asked, true; }));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(lines.size(), 4u);

    lines = {"A=1 //x", "B=2 //y"};
    EXPECT_FALSE(SplitInlineComments(lines, [] { return false; }));
    EXPECT_EQ(lines, (std::vector<std::string>{"A=1 //x", "B=2 //y"}));
}

TEST_F(Protection, ReadCheckSplitsCommentsInTheWorkingCopyOnly)
{
    const std::string text = "[All]\r\nDescription=Test rig //built 2019\r\nVolts=12 //nominal\r\n";
    WriteBytes(file, text);
    cfg.LoadFilename = file;
    op.answers = {true};
    PreReadCheck(cfg, folders, op);
    ASSERT_EQ(op.questions.size(), 1u);
    EXPECT_EQ(op.questions[0],
              "In-line comments detected - splitting them off to the following lines. In-line "
              "comments crash keyword=value readers. This will only affect the file if you "
              "save back to it. Continue?");
    const auto copy = KeywordFile::Load(cfg.TempFilename);
    EXPECT_EQ(copy.ReadString("All", "Description", ""), "Test rig");
    EXPECT_EQ(copy.ReadFloat("All", "Volts", 0), 12);
    EXPECT_EQ(ReadBytes(file), text);

    op.answers = {false};
    PreReadCheck(cfg, folders, op);
    EXPECT_EQ(ReadBytes(cfg.TempFilename), text);
}

TEST_F(Protection, CheckStampLeavesTheFileAsItWas)
{
    save(MasterText);
    std::string text = ReadBytes(file);
    const std::string intact = text;
    EXPECT_TRUE(CheckStamp(file, "All").isMaster);
    EXPECT_FALSE(CheckStamp(file, "All").corrupt);
    text[text.find("Volts=12") + 7] = '3';
    WriteBytes(file, text);
    const StampStatus s = CheckStamp(file, "All");
    EXPECT_TRUE(s.isMaster);
    EXPECT_TRUE(s.corrupt);
    EXPECT_EQ(ReadBytes(file), text);
    EXPECT_FALSE(CheckStamp((root / "missing.TDC").string(), "All").isMaster);
}

TEST_F(Protection, Utf16FileIsNamedAsSuch)
{
    WriteBytes(file, std::string("\xFF\xFE[\0A\0l\0l\0]\0", 12));
    cfg.LoadFilename = file;
    try {
        PreReadCheck(cfg, folders, op);
        ADD_FAILURE() << "a UTF-16 file was read";
    } catch (const InOutError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "The file \"" + file +
                      "\" is UTF-16 text and cannot be read. Save it as 8-bit text (ANSI "
                      "or Latin-1) and read it again.");
    }
}

TEST_F(Protection, BackupFailureNamesTheReason)
{
    WriteBytes(file, "one");
    SetWriteFaultForTesting(
        [](WriteStep step, const std::string&) { return step == WriteStep::Backup ? ENOSPC : 0; });
    try {
        PreWriteCheckandBackup(file, op);
        ADD_FAILURE() << "no error";
    } catch (const InOutError& e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
    }
    SetWriteFaultForTesting(nullptr);
    EXPECT_FALSE(fs::exists(root / "Setup.TDCBAK"));
    EXPECT_EQ(ReadBytes(file), "one");
}

} // namespace
} // namespace tem
