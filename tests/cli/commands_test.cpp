#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_test_support.h"

namespace tem::cli {
namespace {

using test::CliFixture;

TEST(CliUsage, BadUsageAndUnknownExtensionsExitTwo)
{
    CliFixture f;
    const std::string txt = f.write("survey.txt", "x");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string errContains;
    };
    const Case cases[] = {
        {"no command", {}, ""},
        {"unknown command", {"frobnicate"}, ""},
        {"missing file argument", {"show"}, ""},
        {"yes and no together", {"--yes", "--no", "crc", txt}, ""},
        {"unknown extension",
         {"show", txt},
         "File extension must be either TDC or GEX but it was neither. ABORTING"},
        {"unknown output extension",
         {"convert", txt, f.path("out.doc")},
         "File extension must be either TDC or GEX"},
        {"check of an unknown extension", {"check", txt}, "File extension must be either TDC or GEX"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const auto r = f.run(k.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(k.errContains), std::string::npos) << r.err;
    }
}

TEST(CliUsage, HelpExitsZeroAndNamesEveryCommand)
{
    CliFixture f;
    const auto r = f.run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* command : {"show", "convert", "check", "crc", "chn", "--data-dir", "--yes", "--no"})
        EXPECT_NE(r.out.find(command), std::string::npos) << command;
}

TEST(CliUsage, MissingFilesEndTheActionWithExitOne)
{
    CliFixture f;
    for (const char* command : {"show", "check", "crc", "chn"}) {
        const std::string name =
            f.path(std::string("missing.") + (std::string(command) == "chn" ? "chn" : "tdc"));
        const auto r = f.run({command, name});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.err, "File not found: " + name + "\n") << command;
        EXPECT_TRUE(r.out.empty()) << command;
    }
    EXPECT_FALSE(std::filesystem::exists(f.dataDir())); // nothing written for a failed command
}

} // namespace
} // namespace tem::cli
