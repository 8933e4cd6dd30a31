#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "support/temp_folder.h"
#include "test_file_bytes.h"

namespace tem {
namespace {

namespace fs = std::filesystem;

using tem::testfiles::ReadBytes;
using tem::testfiles::WriteBytes;

class TempFolder {
    testsupport::TempFolder folder_{"kwfile-"};

  public:
    fs::path path = folder_.path();
};

TEST(KeywordFile, LookupRules)
{
    const auto f = KeywordFile::FromText("top=ignored\n"
                                         "[ All ]\n"
                                         "LOOPSIDES = 4\n"
                                         "loopsides=9\n"
                                         "Name=\"quoted text\"\n"
                                         "Single='x'\n"
                                         "Half=\"open\n"
                                         "Empty=\n"
                                         "Path=a=b\n"
                                         "no equals here\n"
                                         "[all]\n"
                                         "Late=1\n"
                                         "[Tx1]\n"
                                         "Volts=12\n");
    EXPECT_EQ(f.ReadInteger("all", "LoopSides", 0), 4); // case-insensitive, first occurrence
    EXPECT_EQ(f.ReadString("ALL", "name", "d"), "quoted text");
    EXPECT_EQ(f.ReadString("All", "Single", "d"), "x");
    EXPECT_EQ(f.ReadString("All", "Half", "d"), "\"open");
    EXPECT_EQ(f.ReadString("All", "Empty", "d"), "");
    EXPECT_EQ(f.ReadInteger("All", "Empty", 7), 7);
    EXPECT_EQ(f.ReadString("All", "Path", "d"), "a=b");
    EXPECT_EQ(f.ReadString("All", "Late", "d"), "d"); // lies in the repeated section
    EXPECT_EQ(f.ReadString("All", "top", "d"), "d");
    EXPECT_EQ(f.ReadString("Missing", "Volts", "d"), "d");
    EXPECT_DOUBLE_EQ(f.ReadFloat("tx1", "VOLTS", 0), 12);
    EXPECT_EQ(f.Sections(), (std::vector<std::string>{"All", "Tx1"}));
    EXPECT_EQ(f.Keys("all"),
              (std::vector<std::string>{"LOOPSIDES", "Name", "Single", "Half", "Empty", "Path"}));
    EXPECT_TRUE(f.ValueExists("ALL", "empty"));
    EXPECT_FALSE(f.ValueExists("All", "Late"));
}

TEST(KeywordFile, FindInTextAgreesWithTheIndex)
{
    const std::string text = "\xEF\xBB\xBFtop=before any section\r\n"
                             "[ All ]\r\n"
                             "LOOPSIDES = 4\r\n"
                             "loopsides=9\r\n"
                             "Name=\"quoted\"\r"
                             "[Tx1]\n"
                             "Volts=12\n"
                             "[all]\n"
                             "Late=1\n"
                             "Last=no line end";
    const auto f = KeywordFile::FromText(text);
    const std::pair<const char*, const char*> cases[] = {
        {"all", "LoopSides"}, {"ALL", "name"}, {"All", "Late"}, {"All", "top"},  {"", "top"},
        {"tx1", " volts "},   {"Tx1", "Late"}, {"All", "Last"}, {"Rx1", "Name"}, {"all", "Volts"}};
    for (const auto& [section, key] : cases)
        EXPECT_EQ(FindInText(text, section, key), f.Find(section, key)) << section << " " << key;
    EXPECT_EQ(FindInText(text, "all", "loopsides"), "4");
    EXPECT_EQ(FindInText("[S]\nK=1", "S", "K"), "1");
    EXPECT_EQ(FindInText("", "S", "K"), std::nullopt);
}

TEST(KeywordFile, FlagsIntegersAndNumbers)
{
    const auto f = KeywordFile::FromText("[G]\nA=True\nB=2\nC=0\nD=0x1F\nE=1F\nF=1.5e-3\nG=1,5\n");
    EXPECT_TRUE(f.ReadBool("G", "A", true));
    EXPECT_FALSE(f.ReadBool("G", "A", false));
    EXPECT_TRUE(f.ReadBool("G", "B", false));
    EXPECT_FALSE(f.ReadBool("G", "C", true));
    EXPECT_EQ(f.ReadInteger("G", "D", -1), 31);
    EXPECT_EQ(f.ReadInteger("G", "E", -1), -1);
    EXPECT_DOUBLE_EQ(f.ReadFloat("G", "F", 0), 1.5e-3);
    EXPECT_EQ(f.ReadFloat("G", "G", -1), -1);
}

TEST(KeywordFile, LineEndsAndByteOrderMark)
{
    for (const char* text :
         {"[S]\nK=1\nL=2", "[S]\r\nK=1\r\nL=2\r\n", "[S]\rK=1\rL=2\r", "\xEF\xBB\xBF[S]\r\nK=1\nL=2"}) {
        const auto f = KeywordFile::FromText(text);
        EXPECT_EQ(f.ReadInteger("S", "K", 0), 1) << text;
        EXPECT_EQ(f.ReadInteger("S", "L", 0), 2) << text;
        EXPECT_EQ(f.Lines().size(), 3u) << text;
    }
    EXPECT_EQ(KeywordFile::FromText("a\n\nb\n").Lines(), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(KeywordFile::FromText("[S]\nK=1\n").Text(), "[S]\r\nK=1\r\n");
    // the mark stays where it was
    EXPECT_EQ(KeywordFile::FromText("\xEF\xBB\xBF[S]\nK=1").Text(), "\xEF\xBB\xBF[S]\r\nK=1\r\n");
}

TEST(KeywordFile, UpdateInPlaceKeepsEveryOtherLine)
{
    const std::string before = "; header comment \xE9\xFC\n"
                               "[All]\n"
                               "  Description = old text   \n"
                               "Volts=12 \n"
                               "        //nominal\n"
                               "\n"
                               "/__________\n"
                               "[Tx1]\n"
                               "Amps=36\n";
    auto f = KeywordFile::FromText(before);
    f.WriteString("ALL", "DESCRIPTION", "new text");
    f.WriteFloat("tx1", "Amps", 0.00001);
    EXPECT_EQ(f.Text(), "; header comment \xE9\xFC\r\n"
                        "[All]\r\n"
                        "DESCRIPTION=new text\r\n"
                        "Volts=12 \r\n"
                        "        //nominal\r\n"
                        "\r\n"
                        "/__________\r\n"
                        "[Tx1]\r\n"
                        "Amps=0.00001\r\n");
}

TEST(KeywordFile, AppendKeysSectionsAndDelete)
{
    auto f = KeywordFile::FromText("[All]\n"
                                   "Volts=12 \n"
                                   "        //nominal\n"
                                   "\n"
                                   "/__________\n"
                                   "[Empty]\n"
                                   "[Tx1]\n"
                                   "Amps=36\n"
                                   "Name=x\n");
    f.WriteInteger("all", "Turns", 2);    // after the last key and the comment split off below it
    f.WriteInteger("All", "Sides", 4);    // after the key just added
    f.WriteBool("Empty", "Flag", true);   // right below the header
    f.WriteString("Rx1", "Name", "coil"); // a new section at the end
    f.WriteString("Rx1", "Shape", "Circle");
    f.DeleteKey("TX1", "amps");
    f.DeleteKey("Tx1", "missing");
    f.DeleteKey("Nowhere", "Name");
    EXPECT_EQ(f.Text(), "[All]\r\n"
                        "Volts=12 \r\n"
                        "        //nominal\r\n"
                        "Turns=2\r\n"
                        "Sides=4\r\n"
                        "\r\n"
                        "/__________\r\n"
                        "[Empty]\r\n"
                        "Flag=1\r\n"
                        "[Tx1]\r\n"
                        "Name=x\r\n"
                        "[Rx1]\r\n"
                        "Name=coil\r\n"
                        "Shape=Circle\r\n");
    EXPECT_FALSE(f.ValueExists("Tx1", "Amps"));
    EXPECT_EQ(f.Keys("Tx1"), (std::vector<std::string>{"Name"}));
    EXPECT_EQ(f.Sections(), (std::vector<std::string>{"All", "Empty", "Tx1", "Rx1"}));
    EXPECT_EQ(f.Lines().size(), 14u);

    // writing a deleted key again appends it at the section end
    f.WriteInteger("Tx1", "Amps", 40);
    EXPECT_EQ(f.ReadInteger("Tx1", "Amps", 0), 40);
    EXPECT_EQ(f.Lines()[11], "Amps=40");
}

TEST(KeywordFile, DeletingTheFirstOccurrenceUncoversTheNext)
{
    auto f = KeywordFile::FromText("[S]\nK=1\nK=2\n[T]\nK=3\n");
    f.DeleteKey("S", "K");
    EXPECT_EQ(f.ReadInteger("S", "K", 0), 2);
    f.DeleteKey("S", "K");
    EXPECT_FALSE(f.ValueExists("S", "K"));
    EXPECT_EQ(f.ReadInteger("T", "K", 0), 3);
}

TEST(KeywordFile, WrittenValuesStayOnTheirLine)
{
    KeywordFile f;
    f.WriteString("S", "Description", "two\r\nlines\n[Injected]\nK=1");
    EXPECT_EQ(f.Lines().size(), 2u);
    EXPECT_FALSE(f.SectionExists("Injected"));
    const auto g = KeywordFile::FromText(f.Text());
    EXPECT_EQ(g.Sections(), (std::vector<std::string>{"S"}));
}

TEST(KeywordFile, LongValuesAndManyKeys)
{
    std::string longValue;
    for (int g = 0; g < 2000; ++g)
        longValue += "1.234567E-005 ";
    KeywordFile f;
    for (int s = 1; s <= 100; ++s)
        for (int k = 1; k <= 50; ++k)
            f.WriteInteger("Sec" + std::to_string(s), "Key" + std::to_string(k), s * 1000 + k);
    f.WriteString("Sec50", "Gates", longValue);
    const auto g = KeywordFile::FromText(f.Text());
    EXPECT_EQ(g.ReadInteger("sec77", "KEY33", 0), 77033);
    EXPECT_EQ(g.ReadString("Sec50", "Gates", ""), std::string(longValue.substr(0, longValue.size() - 1)));
    EXPECT_EQ(g.Keys("Sec50").back(), "Gates");
}

TEST(KeywordFile, SaveAndLoad)
{
    TempFolder tmp;
    const fs::path file = tmp.path / "Setup.TDC";
    EXPECT_TRUE(KeywordFile::Load(file.string()).Lines().empty()); // a missing file is empty

    auto f = KeywordFile::FromText("[All]\nA=1\n");
    f.WriteString("All", "B", "\xB5s");
    f.Save(file.string());
    EXPECT_EQ(ReadBytes(file), "[All]\r\nA=1\r\nB=\xB5s\r\n");
    EXPECT_EQ(KeywordFile::Load(file.string()).ReadString("all", "b", ""), "\xB5s");
    // nothing but the target is left in the folder
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1);

    // the copy keeps its own lines
    KeywordFile copy = f;
    copy.WriteString("All", "A", "2");
    EXPECT_EQ(f.ReadString("All", "A", ""), "1");
}

TEST(KeywordFile, FailedSaveLeavesTheOldFile)
{
    // The failure is injected at each step, so the test holds for every user, root included.
    for (const WriteStep step : {WriteStep::TemporaryFile, WriteStep::Rename}) {
        TempFolder tmp;
        const fs::path file = tmp.path / "Setup.TDC";
        WriteBytes(file, "[All]\r\nA=1\r\n");
        auto f = KeywordFile::Load(file.string());
        f.WriteString("All", "A", "2");
        SetWriteFaultForTesting(
            step == WriteStep::Rename
                ? +[](WriteStep s, const std::string&) { return s == WriteStep::Rename ? EIO : 0; }
                : +[](WriteStep s, const std::string&) {
                      return s == WriteStep::TemporaryFile ? ENOSPC : 0;
                  });
        try {
            f.Save(file.string());
            ADD_FAILURE() << "expected InOutError";
        } catch (const InOutError& e) {
            EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos);
            EXPECT_NE(std::string(e.what()).find(step == WriteStep::Rename ? "Input/output error"
                                                                           : "No space left on device"),
                      std::string::npos)
                << e.what();
        }
        SetWriteFaultForTesting(nullptr);
        EXPECT_EQ(ReadBytes(file), "[All]\r\nA=1\r\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1)
            << "no temporary file left";
    }

    // A file marked read-only is refused, also for the superuser.
    TempFolder tmp;
    const fs::path file = tmp.path / "Locked.TDC";
    WriteBytes(file, "[All]\r\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_THROW(KeywordFile::FromText("[All]\r\nA=1\r\n").Save(file.string()), InOutError);
    EXPECT_EQ(ReadBytes(file), "[All]\r\n");
}

TEST(KeywordFile, SaveErrorsNameTheFile)
{
    TempFolder tmp;
    const fs::path missingFolder = tmp.path / "no" / "such" / "x.TDC";
    try {
        KeywordFile().Save(missingFolder.string());
        FAIL() << "expected InOutError";
    } catch (const InOutError& e) {
        EXPECT_NE(std::string(e.what()).find(missingFolder.string()), std::string::npos);
    }
    // a folder in the way: the rename fails and the folder stays
    const fs::path folder = tmp.path / "dir.TDC";
    fs::create_directory(folder);
    EXPECT_THROW(KeywordFile().Save(folder.string()), InOutError);
    EXPECT_THROW(KeywordFile::Load(folder.string()), InOutError);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1);
}

} // namespace
} // namespace tem
