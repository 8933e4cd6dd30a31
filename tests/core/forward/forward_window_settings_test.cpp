#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "core/forward/forward_window_settings.h"
#include "support/temp_folder.h"

namespace tem {
namespace {

namespace fs = std::filesystem;

TEST(ForwardWindowSettings, KeepsOtherLinesAndRefusesAbsurdCounts)
{
    const testsupport::TempFolder folder("temsetrix-fwdini-");
    const std::string root = folder.path();
    const std::string file = root + "/Forward.Ini";

    // A missing file gives the defaults.
    EXPECT_EQ(ReadForwardWindowSettings(file).layerCount, 3);
    EXPECT_EQ(ReadForwardWindowSettings(file).engine, "");

    std::ofstream(file, std::ios::binary) << "[Model]\r\nThick1=5\r\n";
    WriteForwardWindowSettings({4, "/opt/engines/run engine.sh"}, file);
    const auto s = ReadForwardWindowSettings(file);
    EXPECT_EQ(s.layerCount, 4);
    EXPECT_EQ(s.engine, "/opt/engines/run engine.sh");
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_NE(text.str().find("Thick1=5"), std::string::npos);

    for (const char* bad : {"0", "11", "-3", "three", "1e3"}) {
        std::ofstream(file, std::ios::binary) << "[Window]\r\nLayers=" << bad << "\r\n";
        EXPECT_EQ(ReadForwardWindowSettings(file).layerCount, 3) << bad;
    }
}

} // namespace
} // namespace tem
