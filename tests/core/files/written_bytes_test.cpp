// Written files keep their bytes: reading a configuration and writing it again gives the same text
// as the files in tests/data/golden, which the writers produced and which were checked by hand.
// A change in how the readers and writers are organised must not move a key or change a number.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/files/config_formats.h"
#include "core/files/config_save.h"
#include "core/operator.h"
#include "tdc_test_support.h"

namespace tem::tdctest {
namespace {

std::string Data(const std::string& relative)
{
    return std::string(TEMSETRIX_TEST_DATA_DIR) + "/" + relative;
}

class WrittenBytesTest : public TdcTest {
  protected:
    /// Reads from, then writes a new file named out in the temporary folder; its bytes.
    std::string Convert(const std::string& from, const std::string& out)
    {
        Configuration cfg;
        const ConfigFormat* in = ConfigFormatOfFile(from);
        const ConfigFormat* target = ConfigFormatOfFile(out);
        EXPECT_TRUE(in && target);
        cfg.TDCorGEX = in->format;
        cfg.LoadFilename = from;
        in->read(cfg, folders, op);
        cfg.TDCorGEX = target->format;
        cfg.SaveFilename = Path(out);
        const SaveResult result = SaveConfiguration(cfg, folders, op, SaveRequest{});
        EXPECT_TRUE(result.written()) << result.reason;
        return ReadBytes(cfg.SaveFilename);
    }
};

TEST_F(WrittenBytesTest, NewFilesMatchTheCheckedOnes)
{
    struct Case {
        const char* from;
        const char* out;
        const char* golden;
    };
    const Case cases[] = {
        {"../../data/DemoConfig.TDC", "demo.TDC", "../../data/DemoConfig.TDC"},
        {"../../data/DemoConfig.TDC", "demo.gex", "golden/DemoConfig.gex"},
        {"golden/rich.TDC", "rich.TDC", "golden/rich.TDC"},
        {"golden/rich.TDC", "rich.gex", "golden/rich.gex"},
        {"golden/rich.gex", "rich_back.TDC", "golden/rich.TDC"},
        {"gex/workbench_dual.gex", "dual.gex", "golden/workbench_dual.gex"},
        {"gex/workbench_dual.gex", "dual.TDC", "golden/workbench_dual.TDC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.out);
        EXPECT_EQ(Convert(Data(c.from), c.out), ReadBytes(Data(c.golden)));
    }
}

TEST_F(WrittenBytesTest, SavingInPlaceChangesNoByte)
{
    for (const char* name : {"golden/rich.TDC", "golden/rich.gex", "golden/workbench_dual.gex"}) {
        SCOPED_TRACE(name);
        const std::string file = Path(std::filesystem::path(name).filename().string());
        std::filesystem::copy_file(Data(name), file);
        EXPECT_EQ(Convert(file, std::filesystem::path(file).filename().string()), ReadBytes(Data(name)));
    }
}

} // namespace
} // namespace tem::tdctest
