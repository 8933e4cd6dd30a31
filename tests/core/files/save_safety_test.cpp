// A save either completes or leaves every earlier file and backup byte for byte; reads work on
// their own copy and change the model only when they succeed.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <set>
#include <thread>
#include <vector>

#include "core/action_error.h"
#include "core/files/chn_file.h"
#include "core/files/config_save.h"
#include "core/files/gex_file.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"
#include "tdc_test_support.h"

namespace tem::tdctest {
namespace {

using testing::HasSubstr;

/// Every file of the folder (not below it) with its bytes.
std::map<std::string, std::string> FolderBytes(const std::string& folder)
{
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file())
            out[e.path().filename().string()] = ReadBytes(e.path());
    return out;
}

std::atomic<WriteStep> failingStep{WriteStep::TemporaryFile};

int FailAtChosenStep(WriteStep step, const std::string&)
{
    return step == failingStep.load() ? ENOSPC : 0;
}

class SaveSafety : public TdcTest {
  protected:
    ~SaveSafety() override { SetWriteFaultForTesting(nullptr); }
    std::string Folder() const { return fs::path(Path("x")).parent_path().string(); }
};

TEST_F(SaveSafety, AFailureAtAnyStepLeavesTheFileAndItsBackupsAsTheyWere)
{
    Configuration cfg = DemoConfiguration();
    const std::string file = Path("Setup.TDC");
    ASSERT_TRUE(Save(cfg, file).written());
    cfg.Description = "second";
    ASSERT_TRUE(Save(cfg, file).written()); // makes Setup.TDCBAK
    const auto before = FolderBytes(Folder());
    ASSERT_EQ(before.size(), 2u);

    cfg.Description = "third";
    for (WriteStep step : {WriteStep::TemporaryFile, WriteStep::Rename, WriteStep::Backup}) {
        SCOPED_TRACE(int(step));
        failingStep = step;
        SetWriteFaultForTesting(&FailAtChosenStep);
        const SaveResult r = Save(cfg, file);
        SetWriteFaultForTesting(nullptr);
        EXPECT_EQ(r.outcome, SaveOutcome::Failed);
        EXPECT_THAT(r.reason, HasSubstr("No space left on device"));
        EXPECT_EQ(FolderBytes(Folder()), before) << "no file changed, none added or left behind";
    }
    EXPECT_TRUE(Save(cfg, file).written());
}

std::atomic<int> backupNameSeen{0};

/// At the moment the backup's bytes are written, its final name must not exist yet: a kill there
/// must not leave an empty or cut backup under that name.
int RecordBackupName(WriteStep step, const std::string& target)
{
    if (step == WriteStep::Backup)
        backupNameSeen = fs::exists(target) ? 1 : 2;
    return 0;
}

TEST_F(SaveSafety, TheBackupGetsItsNameOnlyWhenComplete)
{
    Configuration cfg = DemoConfiguration();
    const std::string file = Path("Setup.TDC");
    ASSERT_TRUE(Save(cfg, file).written());
    const std::string first = ReadBytes(file);
    cfg.Description = "second";
    backupNameSeen = 0;
    SetWriteFaultForTesting(&RecordBackupName);
    const SaveResult r = Save(cfg, file);
    SetWriteFaultForTesting(nullptr);
    ASSERT_TRUE(r.written()) << r.reason;
    EXPECT_EQ(backupNameSeen.load(), 2) << "the backup was written under its final name";
    EXPECT_EQ(ReadBytes(Path("Setup.TDCBAK")), first);
    EXPECT_EQ(FolderBytes(Folder()).size(), 2u) << "no temporary file is left";

    // A full disk says so.
    failingStep = WriteStep::Backup;
    SetWriteFaultForTesting(&FailAtChosenStep);
    const SaveResult full = Save(cfg, file);
    SetWriteFaultForTesting(nullptr);
    EXPECT_THAT(full.reason, HasSubstr("the disk is full"));
}

TEST_F(SaveSafety, OneWriteGivesTheTidiedStampedFile)
{
    // The stamp is part of the one write: a master is never left unstamped.
    Configuration cfg = DemoConfiguration();
    cfg.Master = true;
    op.answers = {true};
    const std::string file = Write("Master.TDC", "[All]\r\nDescription=old //note\r\n[Tx1]\r\nVolts=1\r\n");
    failingStep = WriteStep::Rename;
    SetWriteFaultForTesting(&FailAtChosenStep);
    EXPECT_EQ(Save(cfg, file).outcome, SaveOutcome::Failed);
    SetWriteFaultForTesting(nullptr);
    EXPECT_EQ(ReadBytes(file), "[All]\r\nDescription=old //note\r\n[Tx1]\r\nVolts=1\r\n");

    op.answers = {true};
    ASSERT_TRUE(Save(cfg, file).written());
    const StampStatus s = CheckStamp(file, "All");
    EXPECT_TRUE(s.isMaster);
    EXPECT_FALSE(s.corrupt);
    EXPECT_EQ(TidyAndStamp(ReadBytes(file), "All"), ReadBytes(file)) << "already tidy and stamped";
}

TEST_F(SaveSafety, OutcomesOfTheWholeSave)
{
    Configuration cfg = DemoConfiguration();
    const std::string file = Path("Setup.TDC");
    cfg.SaveFilename = file;
    EXPECT_EQ(SaveConfiguration(cfg, folders, op, {}).outcome, SaveOutcome::Written);
    EXPECT_TRUE(op.questions.empty()) << "a new file needs no question";

    op.answers = {false};
    EXPECT_EQ(SaveConfiguration(cfg, folders, op, {}).outcome, SaveOutcome::Declined);
    EXPECT_THAT(op.questions, testing::ElementsAre("This TDC file already exists - Overwrite?"));

    Configuration master = DemoConfiguration();
    master.Master = true;
    op.answers = {true};
    ASSERT_TRUE(Save(master, Path("Master.TDC")).written());
    const std::string stamped = ReadBytes(Path("Master.TDC"));
    cfg.SaveFilename = Path("Master.TDC");
    op.questions.clear();
    const SaveResult refused = SaveConfiguration(cfg, folders, op, {});
    EXPECT_EQ(refused.outcome, SaveOutcome::RefusedMaster);
    EXPECT_EQ(refused.reason, MasterTargetRefusal);
    EXPECT_TRUE(op.questions.empty()) << "refused before any question";
    EXPECT_EQ(ReadBytes(Path("Master.TDC")), stamped);
    EXPECT_FALSE(fs::exists(Path("Master.TDCBAK")));
}

// Each check of a save runs once, before the writer: the GEX moment check only when the request
// asks for it (Save, convert), the ".gex" name, the master question of the format.
TEST_F(SaveSafety, EachCheckOnceBeforeTheWriter)
{
    const std::string convention =
        "GEX file has a convention that TxDef = LM (Low Moment) and TxAux = HM (High Moment). You have "
        "reversed them. The reverse order can be specified like this using [Channel#] section keyword "
        "TRANSMITTER MOMENT";
    const std::string unconventional =
        "GEX supports only TxDef = SingleM Moment, or TxDef = LM and TxAux = HM. Other combinations are not "
        "conventional. ABORTING: GEX NOT Saved";
    const SaveRequest save{true, {}, true};

    Configuration cfg = DemoConfiguration();
    cfg.TDCorGEX = TINIFileFormat::GEX;
    cfg.Master = true;
    cfg.SaveFilename = Path("Setup.GEX");
    op.answers = {true};
    EXPECT_TRUE(SaveConfiguration(cfg, folders, op, save).written());
    EXPECT_EQ(cfg.SaveFilename, Path("Setup.gex"));
    EXPECT_TRUE(fs::exists(Path("Setup.gex")));
    EXPECT_THAT(op.messages, testing::ElementsAre("Writing to a Master configuration file. Are you sure?"));

    cfg.Master = false;
    std::swap(cfg.Tx[1].MomentID, cfg.Tx[2].MomentID);
    cfg.SaveFilename = Path("Reversed.gex");
    op.messages.clear();
    EXPECT_TRUE(SaveConfiguration(cfg, folders, op, save).written());
    EXPECT_EQ(std::count(op.messages.begin(), op.messages.end(), convention), 1);

    cfg.Tx[1].MomentID = TMomentID::SingleM;
    cfg.SaveFilename = Path("Single.gex");
    op.messages.clear();
    const SaveResult refused = SaveConfiguration(cfg, folders, op, save);
    EXPECT_EQ(refused.outcome, SaveOutcome::Failed);
    EXPECT_EQ(refused.reason, "") << "the operator has been told";
    EXPECT_THAT(op.messages, testing::ElementsAre(unconventional));
    EXPECT_FALSE(fs::exists(Path("Single.gex")));
    // Copy As does not check the moments: GEX holds the pair, each in its own keys.
    EXPECT_TRUE(SaveConfiguration(cfg, folders, op, {false, {}}).written());
}

// The load reads with the reader of the model's format, and changes the model only when it
// succeeds.
TEST_F(SaveSafety, TheLoadReadsInTheModelsFormat)
{
    Configuration cfg = DemoConfiguration();
    for (const TINIFileFormat format : {TINIFileFormat::TDC, TINIFileFormat::GEX}) {
        SCOPED_TRACE(std::string(Name(format)));
        const std::string file = Path(format == TINIFileFormat::GEX ? "Demo.gex" : "Demo.TDC");
        cfg.TDCorGEX = format;
        cfg.SaveFilename = file;
        ASSERT_TRUE(SaveConfiguration(cfg, folders, op, {}).written());
        Configuration back;
        back.TDCorGEX = format;
        back.LoadFilename = file;
        LoadConfiguration(back, folders, op);
        EXPECT_EQ(back.TDCorGEX, format);
        EXPECT_EQ(back.Description, cfg.Description);
        EXPECT_EQ(back.Tx[2].NoGates, cfg.Tx[2].NoGates);
    }
    // A TDC file is no GEX file: the read stops and the model stays.
    Configuration other;
    other.TDCorGEX = TINIFileFormat::GEX;
    other.LoadFilename = Path("Demo.TDC");
    other.Description = "unchanged";
    EXPECT_THROW(LoadConfiguration(other, folders, op), ActionError);
    EXPECT_EQ(other.Description, "unchanged");
}

TEST_F(SaveSafety, CleanSaveBacksUpThenWritesOnlyWhatTheWriterWrites)
{
    const std::string old = "[All]\r\nForeignKey=kept unless clean\r\n";
    const std::string file = Write("Setup.TDC", old);
    Configuration cfg = DemoConfiguration();
    cfg.SaveFilename = file;
    const std::string question =
        "\"Clean Save\" will wipe any un-identified information in your file - Continue?";

    // A writer that declines (the master question answered No) leaves the old file in place.
    cfg.Master = true;
    op.answers = {true, true, false}; // overwrite, clean save, master question
    EXPECT_EQ(SaveConfiguration(cfg, folders, op, {true, question}).outcome, SaveOutcome::Declined);
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_FALSE(fs::exists(Path("Setup.TDCBAK")));

    cfg.Master = false;
    op.answers = {true, true};
    EXPECT_TRUE(SaveConfiguration(cfg, folders, op, {true, question}).written());
    EXPECT_EQ(ReadBytes(Path("Setup.TDCBAK")), old);
    EXPECT_EQ(ReadBytes(file).find("ForeignKey"), std::string::npos);

    // Answering No to the clean question still saves, keeping the foreign key.
    WriteBytes(file, old);
    op.answers = {true, false};
    EXPECT_TRUE(SaveConfiguration(cfg, folders, op, {true, question}).written());
    EXPECT_NE(ReadBytes(file).find("ForeignKey=kept unless clean"), std::string::npos);
}

TEST_F(SaveSafety, AReadOnlyTargetIsRefusedAndALinkIsWrittenThrough)
{
    Configuration cfg = DemoConfiguration();
    const std::string locked = Write("Locked.TDC", "[All]\r\nDescription=locked\r\n");
    ::chmod(locked.c_str(), 0444);
    const SaveResult r = Save(cfg, locked);
    EXPECT_EQ(r.outcome, SaveOutcome::Failed);
    EXPECT_EQ(r.reason, "Cannot write file \"" + locked + "\": the file is read-only");
    EXPECT_EQ(ReadBytes(locked), "[All]\r\nDescription=locked\r\n");
    EXPECT_FALSE(fs::exists(Path("Locked.TDCBAK")));

    fs::create_directory(Path("real"));
    const std::string real = Write("real/Target.TDC", "[All]\r\nDescription=before\r\n");
    fs::create_symlink("real/Target.TDC", Path("Link.TDC"));
    ASSERT_TRUE(Save(cfg, Path("Link.TDC")).written());
    EXPECT_TRUE(fs::is_symlink(Path("Link.TDC")));
    EXPECT_NE(ReadBytes(real).find("Description=" + cfg.Description), std::string::npos);
    EXPECT_EQ(ReadBytes(Path("real/Target.TDCBAK")), "[All]\r\nDescription=before\r\n");
}

TEST_F(SaveSafety, ConcurrentSavesOntoOneFileLoseNoVersion)
{
    const std::string file = Path("Shared.TDC");
    Configuration first = DemoConfiguration();
    first.Description = "v-initial";
    ASSERT_TRUE(Save(first, file).written());

    constexpr int Threads = 8, Rounds = 3;
    std::vector<std::thread> savers;
    std::atomic<int> written{0};
    for (int t = 0; t < Threads; ++t)
        savers.emplace_back([&, t] {
            for (int k = 0; k < Rounds; ++k) {
                Configuration cfg = DemoConfiguration();
                cfg.Description = "v-" + std::to_string(t) + "-" + std::to_string(k);
                cfg.SaveFilename = file;
                RecordingOperator quiet;
                written += SaveTDCToFile(cfg, folders, quiet).written() ? 1 : 0;
            }
        });
    for (auto& s : savers)
        s.join();
    EXPECT_EQ(written.load(), Threads * Rounds);

    // Every version but the last is in exactly one backup, the last is the file.
    std::multiset<std::string> versions;
    for (const auto& [name, bytes] : FolderBytes(Folder()))
        versions.insert(KeywordFile::FromText(bytes).ReadString("All", "Description", "?"));
    EXPECT_EQ(versions.size(), std::size_t(Threads * Rounds + 1));
    EXPECT_EQ(versions.count("v-initial"), 1u);
    for (int t = 0; t < Threads; ++t)
        for (int k = 0; k < Rounds; ++k)
            EXPECT_EQ(versions.count("v-" + std::to_string(t) + "-" + std::to_string(k)), 1u);
}

TEST_F(SaveSafety, ReadsAtTheSameTimeEachReadTheirOwnFile)
{
    constexpr int Threads = 6;
    for (int t = 0; t < Threads; ++t) {
        Configuration cfg = DemoConfiguration();
        cfg.Description = "file " + std::to_string(t);
        ASSERT_TRUE(Save(cfg, Path("In" + std::to_string(t) + ".TDC")).written());
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < Threads; ++t)
        readers.emplace_back([&, t] {
            for (int k = 0; k < 5; ++k) {
                Configuration cfg;
                cfg.LoadFilename = Path("In" + std::to_string(t) + ".TDC");
                RecordingOperator quiet;
                LoadTDCFromFile(cfg, folders, quiet);
                wrong += cfg.Description != "file " + std::to_string(t);
            }
        });
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(SaveSafety, AByteOrderMarkAndCommentsSurviveASaveInBothFormats)
{
    for (const char* name : {"Bom.TDC", "Bom.gex"}) {
        SCOPED_TRACE(name);
        const bool gex = std::string(name).ends_with(".gex");
        const std::string file = Write(name, std::string("\xEF\xBB\xBF[") + (gex ? "General" : "All") +
                                                 "]\r\nDescription=x //why\r\n");
        Configuration cfg = DemoConfiguration();
        cfg.SaveFilename = file;
        cfg.TDCorGEX = gex ? TINIFileFormat::GEX : TINIFileFormat::TDC;
        ASSERT_TRUE(SaveConfiguration(cfg, folders, op, {}).written());
        const std::string saved = ReadBytes(file);
        EXPECT_EQ(saved.rfind("\xEF\xBB\xBF[", 0), 0u);
        EXPECT_NE(saved.find("//why"), std::string::npos);
    }
}

TEST_F(SaveSafety, AFailedChnReadLeavesTheTimeBaseAsItWas)
{
    Configuration cfg = DemoConfiguration();
    const TTimeBase before = cfg.TimeBase[1];
    const std::string chn =
        Write("Bad.chn", "Gates\r\nNUMTIMES=3\r\nDELAY WIDTH\r\n0.010 0.004\r\n0.020\r\n");
    EXPECT_THROW(ReadMonexChnTimegateFile(cfg, chn, 1, op), ListIndexError);
    EXPECT_TRUE(cfg.TimeBase[1] == before);

    const std::string utf16 = Write("Wide.chn", std::string("\xFF\xFEG\0a\0", 6));
    EXPECT_THROW(ReadMonexChnTimegateFile(cfg, utf16, 1, op), InOutError);
    EXPECT_TRUE(cfg.TimeBase[1] == before);
}

TEST_F(SaveSafety, AHugeListValueIsReadOnlyAsFarAsTheModelHolds)
{
    std::string list = "GateConstants=";
    for (int k = 0; k < 300000; ++k)
        list += "1.5 ";
    const std::string file = Write("Huge.TDC", "[All]\r\nNumAcqChn=1\r\n[Chn1]\r\n" + list + "\r\n");
    const Configuration cfg = Load(file);
    EXPECT_EQ(cfg.AcqChn[1].GateConstants.size(), std::size_t(MaxGates));
    EXPECT_THAT(op.messages, testing::Contains(GateListTooLong("Chn1", "GateConstants", MaxGates)));
}

} // namespace
} // namespace tem::tdctest
