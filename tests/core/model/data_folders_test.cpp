#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "core/model/data_folders.h"
#include "core/operator.h"
#include "support/temp_folder.h"

namespace tem {
namespace {

namespace fs = std::filesystem;

using testsupport::TempFolder;

/// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(DataFolders, UserFoldersFollowTheDataHome)
{
    struct Case {
        const char* xdg;
        const char* home;
        const char* appData;
    };
    const Case cases[] = {
        {"/data/home", "/home/op", "/data/home/Pelk/Moravel/"},
        {"/data/home/", "/home/op", "/data/home/Pelk/Moravel/"},
        {nullptr, "/home/op", "/home/op/.local/share/Pelk/Moravel/"},
        {"", "/home/op", "/home/op/.local/share/Pelk/Moravel/"},
        {"relative/path", "/home/op", "/home/op/.local/share/Pelk/Moravel/"},
    };
    for (const Case& k : cases) {
        ScopedEnv xdg("XDG_DATA_HOME", k.xdg);
        ScopedEnv home("HOME", k.home);
        const DataFolders f = DataFolders::ForUser();
        EXPECT_EQ(f.appData, k.appData) << (k.xdg ? k.xdg : "(unset)");
        EXPECT_EQ(f.temConfig, std::string(k.appData) + "TEMSetrix/");
    }
    EXPECT_EQ(DataFolders::Under("/tmp/x").temConfig, "/tmp/x/TEMSetrix/");
    EXPECT_EQ(DataFolders::Under("/tmp/x/").appData, "/tmp/x/");
}

TEST(DataFolders, CreatedOnFirstUseWithOneMessage)
{
    TempFolder tmp;
    const DataFolders f = DataFolders::Under(tmp.path() + "/a/b");
    RecordingOperator op;
    EXPECT_EQ(GetPathToTEMConfigData(f, op), f.temConfig);
    EXPECT_TRUE(fs::is_directory(f.temConfig));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0], "New directory " + f.temConfig + " added OK");
    // Both folders exist now: no further messages.
    EXPECT_EQ(GetPathToTEMConfigData(f, op), f.temConfig);
    EXPECT_EQ(GetPathToAppData(f, op), f.appData);
    EXPECT_EQ(op.messages.size(), 1u);
}

TEST(DataFolders, FailureReportsTheErrorNumber)
{
    TempFolder tmp;
    // A plain file where a parent folder should be: creation fails for anyone, root included.
    std::ofstream(tmp.path() + "/blocker") << "x";
    const DataFolders f = DataFolders::Under(tmp.path() + "/blocker/shared");
    RecordingOperator op;
    EXPECT_EQ(GetPathToAppData(f, op), f.appData);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0],
              "New directory " + f.appData + " add failed with error : " + std::to_string(ENOTDIR));
}

TEST(DataFolders, DemoConfigurationIsCopiedOnceAndNeverOverwritten)
{
    TempFolder tmp;
    const DataFolders f = DataFolders::Under(tmp.path());
    RecordingOperator op;
    GetPathToTEMConfigData(f, op);
    const std::string source = tmp.path() + "/shipped.TDC";
    std::ofstream(source) << "[All]\r\nDescription=demo\r\n";

    EXPECT_TRUE(InstallDemoConfiguration(f, op, source));
    EXPECT_EQ(readAll(f.temConfig + "DemoConfig.TDC"), readAll(source));

    std::ofstream(f.temConfig + "DemoConfig.TDC") << "edited by the operator";
    EXPECT_FALSE(InstallDemoConfiguration(f, op, source));
    EXPECT_EQ(readAll(f.temConfig + "DemoConfig.TDC"), "edited by the operator");

    const DataFolders other = DataFolders::Under(tmp.path() + "/other");
    GetPathToTEMConfigData(other, op);
    EXPECT_FALSE(InstallDemoConfiguration(other, op, tmp.path() + "/missing.TDC"));
    EXPECT_FALSE(fs::exists(other.temConfig + "DemoConfig.TDC"));
    EXPECT_EQ(op.messages.size(), 2u); // only the two folder messages
}

} // namespace
} // namespace tem
