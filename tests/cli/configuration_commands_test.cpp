#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cli_test_support.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"

namespace tem::cli {
namespace {

using test::CliFixture;
using nlohmann::json;
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

    const std::string master = f.write("Master.TDC", "[All]\r\nIsMasterConfig=True\r\nMasterTamperCheckCRC=0\r\n");
    r = f.run({"--yes", "convert", in, master});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("This is a Master TEM Configuration - it cannot be altered"), std::string::npos) << r.err;
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

}  // namespace
}  // namespace tem::cli
