#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "core/files/keyword_file.h"
#include "core/model/app_settings.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "support/temp_folder.h"

namespace tem {
namespace {

namespace fs = std::filesystem;

class AppSettings : public ::testing::Test {
  protected:
    void SetUp() override { folders = DataFolders::Under(root + "/shared"); }
    void writeSettings(const std::string& text)
    {
        fs::create_directories(folders.temConfig);
        std::ofstream(ConfigApplicIniFileName(folders), std::ios::binary) << text;
    }
    std::string touch(const std::string& name)
    {
        const std::string path = root + "/" + name;
        std::ofstream(path) << "[All]\n";
        return path;
    }

    testsupport::TempFolder folder{"temsetrix-settings-"};
    std::string root = folder.path();
    DataFolders folders;
};

TEST_F(AppSettings, FirstRunCreatesTheFolderAndFallsBackToTheDemonstration)
{
    Configuration cfg;
    RecordingOperator op;
    LoadConfigApplicIniFile(cfg, folders, op);
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(op.messages[0], "New directory " + folders.temConfig + " added OK");
    EXPECT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(cfg.LoadFilename, folders.temConfig + "DemoConfig.TDC");
    EXPECT_EQ(cfg.SaveFilename, folders.temConfig + "DemoConfig.TDC");
    EXPECT_EQ(cfg.TDCorGEX, TINIFileFormat::TDC);
    EXPECT_FALSE(fs::exists(ConfigApplicIniFileName(folders)));
    EXPECT_EQ(ConfigApplicIniFileName(folders), folders.temConfig + "temsetrix.INI");
    if (fs::exists(ShippedDemoConfiguration())) {
        EXPECT_TRUE(fs::exists(folders.temConfig + "DemoConfig.TDC"));
    }
    // The shipped gate sets land where the time base window looks for them.
    EXPECT_TRUE(fs::is_regular_file(folders.temConfig + "Channel_Files/DualMoment_HM_32.chn"));
}

TEST_F(AppSettings, FirstStartNeverReplacesTheOperatorsGateSets)
{
    fs::create_directories(folders.temConfig + "Channel_Files");
    std::ofstream(folders.temConfig + "Channel_Files/DualMoment_HM_32.chn", std::ios::binary) << "mine\r\n";
    Configuration cfg;
    RecordingOperator op;
    LoadConfigApplicIniFile(cfg, folders, op);
    std::ifstream in(folders.temConfig + "Channel_Files/DualMoment_HM_32.chn", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "mine\r\n");
    EXPECT_TRUE(fs::is_regular_file(folders.temConfig + "Channel_Files/DualMoment_LM_28.chn"));
}

TEST(ShippedData, FoundBesideAnInstalledProgramElseInTheCheckout)
{
    const testsupport::TempFolder folder("temsetrix-install-");
    const fs::path prefix = folder.path();
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share/temsetrix");
    const std::string program = (prefix / "bin/temsetrix").string();
    const std::string checkout = ShippedDataFolderFor("");
    EXPECT_EQ(ShippedDataFolderFor(program), checkout); // nothing installed yet
    std::ofstream(prefix / "share/temsetrix/DemoConfig.TDC") << "[All]\n";
    EXPECT_EQ(ShippedDataFolderFor(program), (prefix / "share/temsetrix/").string());
    EXPECT_TRUE(fs::is_regular_file(checkout + "DemoConfig.TDC"));
}

TEST_F(AppSettings, ReadsTheStartUpSection)
{
    const std::string load = touch("survey.gex");
    const std::string demo = folders.temConfig + "DemoConfig.TDC";
    struct Case {
        const char* name;
        std::string text;
        std::string load, save;
        TINIFileFormat format;
        std::size_t messages;
    };
    const Case cases[] = {
        {"all keys, any case",
         "[startup]\r\nloadfilename=" + load + "\r\nSaveFilename=/x/out.gex\r\nTDCorGEX=gex\r\n", load,
         "/x/out.gex", TINIFileFormat::GEX, 0},
        {"deleted load file", "[StartUp]\nLoadFilename=" + root + "/gone.TDC\nSaveFilename=" + load + "\n",
         demo, load, TINIFileFormat::TDC, 0},
        {"GEX with deleted file still falls back to the TDC demonstration",
         "[StartUp]\nLoadFilename=/gone.gex\nTDCorGEX=GEX\n", demo, demo, TINIFileFormat::GEX, 0},
        {"unknown format takes GEX and says so", "[StartUp]\nLoadFilename=" + load + "\nTDCorGEX=XYZ\n", load,
         demo, TINIFileFormat::GEX, 1},
        {"other section ignored", "[Other]\nLoadFilename=" + load + "\n", demo, demo, TINIFileFormat::TDC, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        writeSettings(k.text);
        Configuration cfg;
        RecordingOperator op;
        LoadConfigApplicIniFile(cfg, folders, op);
        EXPECT_EQ(cfg.LoadFilename, k.load);
        EXPECT_EQ(cfg.SaveFilename, k.save);
        EXPECT_EQ(cfg.TDCorGEX, k.format);
        EXPECT_EQ(op.messages.size(), k.messages);
    }
}

TEST_F(AppSettings, SaveReplacesMissingFilesByTheDemonstrationOfTheFormat)
{
    const std::string existing = touch("kept.TDC");
    struct Case {
        const char* name;
        TINIFileFormat format;
        std::string load, save;
        std::string expectLoad, expectSave, expectFormat;
    };
    const std::string tdcDemo = "DemoConfig.TDC", gexDemo = "DemoConfig.GEX";
    const Case cases[] = {
        {"TDC, both exist", TINIFileFormat::TDC, existing, existing, existing, existing, "TDC"},
        {"TDC, missing", TINIFileFormat::TDC, "/gone.TDC", "", tdcDemo, tdcDemo, "TDC"},
        {"GEX, missing save file", TINIFileFormat::GEX, existing, "/gone.gex", existing, gexDemo, "GEX"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Configuration cfg;
        cfg.TDCorGEX = k.format;
        cfg.LoadFilename = k.load;
        cfg.SaveFilename = k.save;
        RecordingOperator op;
        SaveConfigApplicIniFile(cfg, folders, op);
        const KeywordFile ini = KeywordFile::Load(ConfigApplicIniFileName(folders));
        auto expected = [&](const std::string& v) { return v == existing ? v : folders.temConfig + v; };
        EXPECT_EQ(ini.ReadString("StartUp", "LoadFilename", ""), expected(k.expectLoad));
        EXPECT_EQ(ini.ReadString("StartUp", "SaveFilename", ""), expected(k.expectSave));
        EXPECT_EQ(ini.ReadString("StartUp", "TDCorGEX", ""), k.expectFormat);
        EXPECT_EQ(cfg.LoadFilename, k.load); // the model is not changed by saving
    }
}

TEST_F(AppSettings, SaveThenLoadGivesTheSameNamesAndKeepsOtherLines)
{
    const std::string file = touch("field.gex");
    writeSettings("; operator's note\r\n[StartUp]\r\nLoadFilename=old\r\n[Mine]\r\nKey=1\r\n");
    Configuration cfg;
    cfg.TDCorGEX = TINIFileFormat::GEX;
    cfg.LoadFilename = cfg.SaveFilename = file;
    RecordingOperator op;
    SaveConfigApplicIniFile(cfg, folders, op);
    Configuration back;
    LoadConfigApplicIniFile(back, folders, op);
    EXPECT_EQ(back.LoadFilename, file);
    EXPECT_EQ(back.SaveFilename, file);
    EXPECT_EQ(back.TDCorGEX, TINIFileFormat::GEX);
    const KeywordFile ini = KeywordFile::Load(ConfigApplicIniFileName(folders));
    EXPECT_EQ(ini.Lines().front(), "; operator's note");
    EXPECT_EQ(ini.ReadString("Mine", "Key", ""), "1");
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(AppSettings, UnwritableSettingsAreReportedNotThrown)
{
    // A folder where the settings file should be: it can be neither read nor written.
    fs::create_directories(ConfigApplicIniFileName(folders));
    Configuration cfg;
    cfg.LoadFilename = cfg.SaveFilename = touch("a.TDC");
    RecordingOperator op;
    EXPECT_NO_THROW(SaveConfigApplicIniFile(cfg, folders, op));
    EXPECT_EQ(op.messages.size(), 1u);
    RecordingOperator op2;
    EXPECT_NO_THROW(LoadConfigApplicIniFile(cfg, folders, op2));
    EXPECT_EQ(cfg.LoadFilename, folders.temConfig + "DemoConfig.TDC");
}

} // namespace
} // namespace tem
