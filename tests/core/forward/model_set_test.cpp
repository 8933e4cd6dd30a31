// Model sets from the model grid, the grid's settings file and the model export.
#include <gtest/gtest.h>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/forward/forward_exports.h"
#include "core/forward/model_set.h"
#include "forward_test_support.h"

namespace tem::forwardtest {
namespace {

ModelGrid Grid(std::vector<ModelGridRow> rows)
{
    ModelGrid g;
    g.layerCount = int(rows.size());
    g.rows = std::move(rows);
    return g;
}

std::vector<std::vector<float>> Params(const ModelSet& set)
{
    std::vector<std::vector<float>> out;
    for (int m = 0; m < set.NumModels; ++m) {
        std::vector<float> p;
        for (int i = 1; i <= set.NParam; ++i)
            p.push_back(set.Models[std::size_t(m)].Param[i]);
        out.push_back(p);
    }
    return out;
}

TEST(ArrayModels, RangesStepsAndOrder)
{
    struct Case {
        const char* what;
        ModelGrid grid;
        std::vector<std::vector<float>> params;
    } cases[] = {
        {"10 to 100, one step per decade",
         Grid({{"10", "100", "1", "10", "", ""}, {"*****", "", "", "10", "", ""}}),
         {{10, 10, 10}, {100, 10, 10}}},
        {"two steps per decade",
         Grid({{"10", "100", "2", "10", "", ""}, {"", "", "", "10", "", ""}}),
         {{10, 10, 10}, {float(10 * std::sqrt(10.0)), 10, 10}, {100, 10, 10}}},
        {"negative range",
         Grid({{"100", "10", "1", "10", "", ""}, {"", "", "", "10", "", ""}}),
         {{100, 10, 10}, {10, 10, 10}}},
        {"first parameter fastest",
         Grid({{"1", "10", "1", "5", "50", "1"}, {"", "", "", "7", "", ""}}),
         {{1, 5, 7}, {10, 5, 7}, {1, 50, 7}, {10, 50, 7}}},
        {"half-space", Grid({{"*****", "", "", "100", "1000", "1"}}), {{100}, {1000}}},
        {"blank steps mean one per decade",
         Grid({{"1", "1000", " ", "5", "", ""}, {"", "", "", "7", "", ""}}),
         {{1, 5, 7}, {10, 5, 7}, {100, 5, 7}, {1000, 5, 7}}},
    };
    for (const Case& c : cases) {
        ModelSet set;
        RecordingOperator op;
        ASSERT_TRUE(ArrayModels(set, c.grid, op)) << c.what;
        EXPECT_TRUE(op.messages.empty()) << c.what;
        EXPECT_EQ(set.NLayer, c.grid.layerCount) << c.what;
        EXPECT_EQ(set.NParam, 2 * c.grid.layerCount - 1) << c.what;
        EXPECT_EQ(Params(set), c.params) << c.what;
        for (const TModel& m : set.Models)
            EXPECT_EQ(m.NLayer, set.NLayer) << c.what;
    }
}

TEST(ArrayModels, Refusals)
{
    struct Case {
        const char* what;
        ModelGrid grid;
        std::string message;
    } cases[] = {
        {"eleven layers", DefaultModelGrid(11),
         "A maximum of 10 layers is permitted in this facility. Reduce the number of layers and try again"},
        {"no first thickness", Grid({{"", "", "", "10", "", ""}, {"", "", "", "10", "", ""}}),
         "There is no layered model specified. Cannot continue."},
        // 10 x 10 x 11 = 1100 models.
        {"1001 models or more",
         Grid({{"1", "1000000000", "1", "1", "1000000000", "1"}, {"", "", "", "1", "10000000000", "1"}}),
         "Number of models exceeded 1000. Cannot continue. Please restart with fewer models."},
    };
    for (const Case& c : cases) {
        ModelSet set;
        RecordingOperator op;
        EXPECT_FALSE(ArrayModels(set, c.grid, op)) << c.what;
        EXPECT_EQ(op.messages, std::vector<std::string>{c.message}) << c.what;
        EXPECT_LE(set.NumModels, MaxForwardModels) << c.what;
    }
    // Exactly 1000 models is allowed: 10 x 10 x 10.
    ModelSet set;
    RecordingOperator op;
    EXPECT_TRUE(
        ArrayModels(set, Grid({{"1", "1e9", "1", "1", "1e9", "1"}, {"", "", "", "1", "1e9", "1"}}), op));
    EXPECT_EQ(set.NumModels, 1000);
}

TEST(ArrayModels, CellsThatAreNotNumbersOrHaveNoLogarithm)
{
    ModelSet set;
    RecordingOperator op;
    EXPECT_THROW(ArrayModels(set, Grid({{"ten", "", "", "10", "", ""}, {"", "", "", "10", "", ""}}), op),
                 ConversionError);
    EXPECT_THROW(ArrayModels(set, Grid({{"0", "10", "1", "10", "", ""}, {"", "", "", "10", "", ""}}), op),
                 ActionError);
}

TEST(ForwardIni, RoundTripKeepsOtherLinesAndReadsDefaults)
{
    TempFolder dir;
    const std::string name = ForwardIniFileName(dir.path());
    EXPECT_EQ(name, dir / "Forward.Ini");
    EXPECT_EQ(ForwardIniFileName(dir.path(), "/x/My.ini"), "/x/My.ini");
    WriteBytes(name, "[Other]\r\nKeep=1\r\n");
    ModelGrid grid = Grid({{"10", "100", "2", "5", "", "1"}, {"", "", "", "300", "3000", "3"}});
    WriteForwardIni(grid, name);
    const std::string text = ReadBytes(name);
    EXPECT_NE(text.find("Keep=1"), std::string::npos);
    EXPECT_NE(text.find("ResStep2=3"), std::string::npos);
    EXPECT_EQ(text.find("Thick2"), std::string::npos); // the half-space has no thickness

    ModelGrid back = DefaultModelGrid(3);
    ReadForwardIni(back, name);
    EXPECT_EQ(back.rows[0].toThick, "100");
    EXPECT_EQ(back.rows[1].toRes, "3000");
    EXPECT_EQ(back.rows[1].Thick, "1"); // layer 2 of 3 had no thickness saved: the read default
    EXPECT_EQ(back.rows[2].Res, "1");
    EXPECT_EQ(back.rows[2].toRes, "");
}

TEST(FwdModelsMod, HeaderAndRows)
{
    ModelSet set;
    RecordingOperator op;
    ASSERT_TRUE(ArrayModels(set,
                            Grid({{"10", "100", "1", "5", "", ""},
                                  {"2", "", "", "300", "", ""},
                                  {"", "", "", "0.0001234", "", ""}}),
                            op));
    const std::vector<std::string> lines = SplitLines(FwdModelsModText(set));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "NLayers: 03");
    EXPECT_EQ(lines[1], "Model  Thick00  Thick01 Resist00 Resist01 Resist02");
    EXPECT_EQ(lines[2], "00000       10        2        5      300 0.0001234");
    EXPECT_EQ(lines[3], "00001      100        2        5      300 0.0001234");
}

// The TEM response export: the selected channel's returned gates, times in the header, signed
// dB/dt per model; nothing computed is refused before any file is made.
TEST(FwdModelsRsp, TEMGatesOfTheSelectedChannel)
{
    ForwardStore store;
    store.models.NumModels = 2;
    store.AcqSel = 2;
    ForwardResults& r = store.results;
    r.dBdtTEM.resize(2, 3, 2);
    r.FwdModTimes.resize(2, 3, 2);
    r.FwdModelOutputGates[2] = 2; // the third gate was not returned
    for (int m = 0; m < 2; ++m)
        for (int i = 1; i <= 3; ++i) {
            r.FwdModTimes(m, i, 2) = 1e-5 * i;
            r.dBdtTEM(m, i, 1) = 99;
            r.dBdtTEM(m, i, 2) = (m + 1) * 1e-6 / i;
        }
    r.dBdtTEM(1, 2, 2) = -3.25e-8;
    const std::vector<std::string> lines = SplitLines(FwdModelsTEMRspText(store));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "numGates: 02");
    EXPECT_EQ(lines[1], "Model   1E-005   2E-005");
    EXPECT_EQ(lines[2], "00000   1E-006   5E-007");
    EXPECT_EQ(lines[3], "00001   2E-006 -3.25E-008");

    const fs::path dir = fs::temp_directory_path() / "temsetrix-rsp-test";
    fs::create_directories(dir);
    const std::string file = (dir / "FwdModels.Rsp").string();
    fs::remove(file);
    ForwardStore empty;
    EXPECT_FALSE(ResponsesComputed(empty));
    EXPECT_THROW(SaveFwdModelsTEMRsp(empty, file), ActionError);
    EXPECT_FALSE(fs::exists(file));
    SaveFwdModelsTEMRsp(store, file);
    EXPECT_TRUE(fs::exists(file));
    fs::remove_all(dir);
}

} // namespace
} // namespace tem::forwardtest
