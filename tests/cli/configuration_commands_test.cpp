#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cli_test_support.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"

namespace tem::cli {
namespace {

using nlohmann::json;
using test::CliFixture;
namespace fs = std::filesystem;

const std::string Demo = TEMSETRIX_SOURCE_DIR "/data/DemoConfig.TDC";

/// The model of a show, without what names the file it came from.
json modelOf(json j)
{
    for (const char* key : {"LoadFilename", "SaveFilename", "messages"})
        j.erase(key);
    return j;
}

TEST(CliShow, PrintsTheDemonstrationModel)
{
    CliFixture f;
    const std::string copy = f.path("Demo.tdc");
    fs::copy_file(Demo, copy);
    const auto r = f.run({"show", copy});
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["TDCorGEX"], "TDC");
    EXPECT_EQ(j["NumTx"], 2);
    EXPECT_EQ(j["Tx"].size(), 2u);
    EXPECT_EQ(j["Tx"][0]["MomentID"], "LM");
    EXPECT_EQ(j["Tx"][1]["MomentID"], "HM");
    EXPECT_EQ(j["AcqChn"].size(), j["NumAcqChn"].get<std::size_t>());
    EXPECT_EQ(j["SysResp"].size(), j["NumAcqChn"].get<std::size_t>());
    EXPECT_GT(j["Tx"][0]["Area"].get<double>(), 10.0);
    ASSERT_TRUE(j["messages"].is_array());
    // Every message is also on standard error, one per line.
    std::string lines;
    for (const auto& m : j["messages"])
        lines += m.get<std::string>() + "\n";
    EXPECT_EQ(r.err, lines);
    // The working copy went to the configuration folder of --data-dir.
    EXPECT_TRUE(fs::exists(f.dataDir() + "/TEMSetrix/Temp.TDC"));
}

TEST(CliShow, YesAndNoAnswerTheReadersQuestion)
{
    CliFixture f;
    const std::string file = f.write("Edited.TDC", "[All]\r\nDescription=north block //checked\r\n");
    const std::string question = "In-line comments detected - splitting them off to the following lines.";
    struct Case {
        const char* answer;
        std::string description;
    };
    const Case cases[] = {{"--yes", "north block"}, {"--no", "north block //checked"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.answer);
        const auto r = f.run({k.answer, "show", file});
        ASSERT_EQ(r.status, 0) << r.err;
        const json j = json::parse(r.out);
        EXPECT_EQ(j["Description"], k.description);
        EXPECT_NE(j["messages"].dump().find(question), std::string::npos);
        EXPECT_NE(r.err.find(question), std::string::npos);
    }
}

TEST(CliShow, EightBitTextIsShownNotRefused)
{
    CliFixture f;
    const auto r = f.run({"show", f.write("Latin.TDC", "[All]\r\nDescription=Loop 18 m\xb2\r\n")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json::parse(r.out)["Description"], "Loop 18 m\u00b2");
}

TEST(CliConvert, WritesACopyThatReadsBackToTheSameModel)
{
    CliFixture f;
    const std::string in = f.path("Demo.TDC");
    fs::copy_file(Demo, in);
    const std::string out = f.path("Copy.TDC");
    auto r = f.run({"convert", in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    const auto a = f.run({"show", in});
    const auto b = f.run({"show", out});
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(modelOf(json::parse(a.out)), modelOf(json::parse(b.out)));

    // Over an existing file: asked first (default Yes), and the old file is backed up.
    const std::string before = f.read(out);
    r = f.run({"convert", in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("This TDC file already exists - Overwrite?"), std::string::npos);
    EXPECT_EQ(f.read(f.path("Copy.TDCBAK")), before);
}

TEST(CliConvert, DeclinedOrRefusedWritesLeaveTheTargetAlone)
{
    CliFixture f;
    const std::string in = f.path("Demo.TDC");
    fs::copy_file(Demo, in);
    const std::string other = f.write("Other.TDC", "[All]\r\nDescription=keep me\r\n");
    auto r = f.run({"--no", "convert", in, other});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Not written: " + other), std::string::npos) << r.err;
    EXPECT_EQ(f.read(other), "[All]\r\nDescription=keep me\r\n");

    const std::string master =
        f.write("Master.TDC", "[All]\r\nIsMasterConfig=True\r\nMasterTamperCheckCRC=0\r\n");
    r = f.run({"--yes", "convert", in, master});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("This is a Master TEM Configuration - it cannot be altered"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(f.path("Master.TDCBAK")));

    // The GEX writer names its file ".gex": that is the file protected, whatever case OUT was given in.
    const std::string gexMaster = "[General]\r\nIsMasterConfig=1\r\nMasterTamperCheckCRC=0\r\n";
    f.write("Up.gex", gexMaster);
    r = f.run({"--yes", "convert", in, f.path("Up.GEX")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(f.read("Up.gex"), gexMaster);

    // A master model: the writer asks before writing; No leaves nothing written.
    std::string masterText = f.read(in);
    masterText.replace(masterText.find("IsMasterConfig=0"), 16, "IsMasterConfig=1");
    const std::size_t stamp = masterText.find("MasterTamperCheckCRC=0") + 21;
    masterText.replace(stamp, 1, FormatHex(CalcCRC32(std::string_view(masterText))));
    const std::string masterIn = f.write("MasterIn.TDC", masterText);
    ASSERT_EQ(f.run({"check", masterIn}).out, "master: stamp intact\n");
    r = f.run({"--no", "convert", masterIn, f.path("FromMaster.TDC")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Not written"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(f.path("FromMaster.TDC")));
    r = f.run({"--yes", "convert", masterIn, f.path("FromMaster.TDC")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(f.run({"check", f.path("FromMaster.TDC")}).out, "master: stamp intact\n");

    // GEX holds only the conventional moments: a single-moment transmitter beside a high moment is refused.
    std::string text = f.read(in);
    text.replace(text.find("MomentID=LM"), 11, "MomentID=SingleM");
    const std::string unconventional = f.write("Odd.TDC", text);
    r = f.run({"convert", unconventional, f.path("Odd.gex")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ABORTING: GEX NOT Saved"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(f.path("Odd.gex")));

    r = f.run({"convert", f.path("missing.TDC"), f.path("x.TDC")});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(f.path("x.TDC")));
}

/// The demonstration file made a master with an intact stamp, then one value changed by hand.
std::string tamperedMaster(const CliFixture& f)
{
    std::string text = f.read(Demo);
    text.replace(text.find("IsMasterConfig=0"), 16, "IsMasterConfig=1");
    const std::size_t stamp = text.find("MasterTamperCheckCRC=0") + 21;
    text.replace(stamp, 1, FormatHex(CalcCRC32(std::string_view(text))));
    text.replace(text.find("Volts=12"), 8, "Volts=13");
    return f.write("Tampered.TDC", text);
}

TEST(CliCheck, LeavesATamperedMasterByteForByte)
{
    CliFixture f;
    const std::string file = tamperedMaster(f);
    const std::string before = f.read(file);
    const auto r = f.run({"check", file});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "master: stamp fails\n");
    EXPECT_EQ(f.read(file), before);
}

TEST(CliConvert, ATamperedMasterIsAFailedReadThatWritesNothing)
{
    CliFixture f;
    // An earlier good read leaves a working copy; the refused read must not fall back to it.
    fs::copy_file(Demo, f.path("Good.TDC"));
    ASSERT_EQ(f.run({"show", f.path("Good.TDC")}).status, 0);
    const std::string file = tamperedMaster(f);
    const auto r = f.run({"convert", file, f.path("New.TDC")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("CONFIGURATION FILE CORRUPTED!"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("You attempted to read a TAMPERED CORRUPT Master File"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(f.path("New.TDC")));
}

TEST(CliConvert, ParallelConvertsOnOneDataFolderEachWriteTheirOwnInput)
{
    CliFixture f;
    constexpr int N = 8;
    for (int k = 0; k < N; ++k) {
        std::string text = f.read(Demo);
        const std::size_t at = text.find("Description=");
        text.insert(at + 12, "input " + std::to_string(k) + " ");
        f.write("In" + std::to_string(k) + ".TDC", text);
    }
    const std::string cli = TEMSETRIX_BINARY_DIR "/src/cli/temsetrix-cli";
    ASSERT_TRUE(fs::exists(cli));
    std::vector<pid_t> children;
    for (int k = 0; k < N; ++k) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const std::string in = f.path("In" + std::to_string(k) + ".TDC");
            const std::string out = f.path("Out" + std::to_string(k) + ".TDC");
            const std::string data = f.dataDir();
            ::freopen("/dev/null", "w", stderr);
            ::execl(cli.c_str(), cli.c_str(), "--data-dir", data.c_str(), "convert", in.c_str(), out.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int k = 0; k < N; ++k)
        EXPECT_NE(
            f.read("Out" + std::to_string(k) + ".TDC").find("Description=input " + std::to_string(k) + " "),
            std::string::npos)
            << k;
}

TEST(CliConvert, AReadOnlyTargetIsRefusedAndALinkIsWrittenThrough)
{
    CliFixture f;
    const std::string locked = f.write("Locked.TDC", "[All]\r\nDescription=keep\r\n");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto r = f.run({"--yes", "convert", Demo, locked});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the file is read-only"), std::string::npos) << r.err;
    EXPECT_EQ(f.read(locked), "[All]\r\nDescription=keep\r\n");

    const std::string real = f.write("Real.TDC", "[All]\r\nDescription=old\r\n");
    fs::create_symlink(real, f.path("Link.TDC"));
    r = f.run({"--yes", "convert", Demo, f.path("Link.TDC")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(f.path("Link.TDC")));
    EXPECT_NE(f.read(real).find("[Tx1]"), std::string::npos);
}

TEST(CliShow, AUtf16FileIsNamedAsSuch)
{
    CliFixture f;
    const std::string file = f.write("Wide.TDC", std::string("\xFF\xFE[\0A\0l\0l\0]\0", 12));
    const auto r = f.run({"show", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is UTF-16 text and cannot be read"), std::string::npos) << r.err;
}

} // namespace
} // namespace tem::cli
