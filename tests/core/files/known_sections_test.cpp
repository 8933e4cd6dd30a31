// A file in which neither reader recognises a section loads as the defaults, and says so first.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/files/gex_file.h"
#include "core/files/tdc_file.h"
#include "core/operator.h"
#include "gex_test_support.h"

namespace tem {
namespace {

using gextest::TempFolder;
using gextest::WriteBytes;

struct Case {
    const char* fileName;
    const char* text;
    bool nothingRecognised;
};

TEST(KnownSections, NothingRecognisedIsTheFirstMessage)
{
    const std::vector<Case> cases = {
        {"junk.GEX", "this is not a configuration\n\x01\x02\xff\n", true},
        {"notes.TDC", "[Notes]\nWho=crew 2\n[GeneralInfo]\nA=1\n", true},
        {"empty.TDC", "", true},
        // Each reader knows only its own format's sections.
        {"tdc-named.gex", "[All]\nNumTx=1\n", true},
        {"gex-named.TDC", "[General]\nDescription=x\n", true},
        {"vehicle-only.TDC", "[vehicle]\nWheelTrack=2\n", false},
        {"general.gex", "[GENERAL]\nDescription=x\n", false},
        {"channel.gex", "[Channel1]\nRxCoilNumber=1\n", false},
        {"rx.TDC", "[Rx1]\nName=Coil\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        TempFolder tmp;
        const std::string path = tmp.file(c.fileName);
        WriteBytes(path, c.text);
        Configuration cfg;
        cfg.LoadFilename = path;
        RecordingOperator op;
        const std::string ext = path.substr(path.size() - 3);
        if (ext == "GEX" || ext == "gex")
            LoadGEXFromFile(cfg, tmp.folders, op);
        else
            LoadTDCFromFile(cfg, tmp.folders, op);
        const std::string expected =
            "No configuration sections were found in " + path + " - the defaults are shown";
        if (c.nothingRecognised) {
            ASSERT_FALSE(op.messages.empty());
            EXPECT_EQ(op.messages.front(), expected);
            EXPECT_EQ(std::count(op.messages.begin(), op.messages.end(), expected), 1);
        } else {
            EXPECT_EQ(std::count(op.messages.begin(), op.messages.end(), expected), 0);
        }
    }
}

TEST(KnownSections, AMissingFileGivesNoSuchMessage)
{
    TempFolder tmp;
    Configuration cfg;
    cfg.LoadFilename = tmp.file("gone.TDC");
    RecordingOperator op;
    LoadTDCFromFile(cfg, tmp.folders, op);
    for (const std::string& m : op.messages)
        EXPECT_EQ(m.find("No configuration sections"), std::string::npos) << m;
}

} // namespace
} // namespace tem
