// dBase tables of the forward exports, read back with shapelib.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <shapefil.h>

#include "core/forward/forward_test_support.h"
#include "core/forward/model_set.h"
#include "core/model/data_folders.h"
#include "core/response/system_response.h"
#include "core/tables/survey_tables.h"

namespace tem::forwardtest {
namespace {

struct ReadTable {
    explicit ReadTable(const std::string& name) : h(DBFOpen(name.c_str(), "rb")) {}
    ~ReadTable()
    {
        if (h)
            DBFClose(h);
    }
    double number(int record, const char* field) const
    {
        return DBFReadDoubleAttribute(h, record, DBFGetFieldIndex(h, field));
    }
    bool isNull(int record, const char* field) const
    {
        return DBFIsAttributeNULL(h, record, DBFGetFieldIndex(h, field));
    }
    DBFHandle h;
};

ModelSet ThreeLayerSet()
{
    ModelGrid grid;
    grid.layerCount = 3;
    grid.rows = {{"0.005", "50", "1", "0.005", "", ""},
                 {"20", "", "", "1234567.5", "", ""},
                 {"", "", "", "300", "", ""}};
    ModelSet set;
    RecordingOperator op;
    EXPECT_TRUE(ArrayModels(set, grid, op));
    return set;
}

TEST(ChnDepthTable, FieldsRecordsAndHeader)
{
    TempFolder dir;
    const std::string name = dir / "FwdModelOhmm.DBF";
    WriteBytes(name, "old");
    WriteBytes(dir / "FwdModelOhmm.mdx", "index");
    const ModelSet set = ThreeLayerSet();
    RecordingOperator op;
    op.answers = {true};
    WriteChnDepthTable(name, set, op);
    EXPECT_EQ(op.messages, std::vector<std::string>{"Do you really want to Overwrite FwdModelOhmm.DBF?"});
    EXPECT_FALSE(fs::exists(dir / "FwdModelOhmm.mdx"));
    EXPECT_FALSE(fs::exists(dir / "FwdModelOhmm.dbf")); // the exact name, not shapelib's own
    EXPECT_EQ(ReadBytes(name)[28], '\0');

    ReadTable t(name);
    ASSERT_TRUE(t.h);
    ASSERT_EQ(DBFGetRecordCount(t.h), set.NumModels);
    for (const char* field : {"TIME", "DISTANCE", "OMIT", "EASTING", "NORTHING", "CHN", "CURRENT", "ERROR",
                              "WATERDEP", "DEPTH01", "CHN01", "DEPTH03", "CHN03"})
        EXPECT_GE(DBFGetFieldIndex(t.h, field), 0) << field;
    EXPECT_LT(DBFGetFieldIndex(t.h, "DEPTH04"), 0);
    const int last = set.NumModels - 1;
    EXPECT_EQ(t.number(last, "TIME"), last);
    EXPECT_EQ(t.number(last, "CHN"), 3);
    EXPECT_EQ(DBFReadLogicalAttribute(t.h, 0, DBFGetFieldIndex(t.h, "OMIT"))[0], 'F');
    const TModel& m = set.Models[std::size_t(last)];
    const double d1 = m.Param[1], d2 = d1 + double(m.Param[2]);
    EXPECT_NEAR(t.number(last, "DEPTH01") / d1, 1, 1e-9);
    EXPECT_NEAR(t.number(last, "DEPTH02") / d2, 1, 1e-9);
    EXPECT_NEAR(t.number(last, "DEPTH03") / (2 * d2), 1, 1e-9);
    EXPECT_NEAR(t.number(0, "CHN01") / double(0.005f), 1, 1e-9);
    EXPECT_NEAR(t.number(0, "CHN02"), 1234567.5, 1e-6);
}

TEST(VoltageTable, ValuesAcrossEighteenDecadesSurvive)
{
    TempFolder dir;
    Configuration cfg = SmallConfiguration(4);
    cfg.Rx[1].AreaNumTurnsxPreAmpxSingleTurn = 1;
    ForwardStore store;
    store.AcqSel = 1;
    const double values[] = {1e-9, -2.345678901e-9, 0.123456789, 987654321.123, 1e9};
    store.models.NumModels = 5;
    store.results.RespVoltages.resize(5, 3); // three gates returned of four
    store.results.FwdModelOutputGates[1] = 3;
    for (int m = 0; m < 5; ++m)
        for (int g = 1; g <= 3; ++g)
            store.results.RespVoltages(m, g) = float(values[m] * 1e-6);
    RecordingOperator op;
    VoltageTableInput input;
    WriteVoltageTable(dir / "FwdModelVolt.DBF", cfg, store, input, op);
    ReadTable t(dir / "FwdModelVolt.DBF");
    ASSERT_TRUE(t.h);
    ASSERT_EQ(DBFGetRecordCount(t.h), 5);
    EXPECT_EQ(DBFGetFieldCount(t.h), 8 + 4);
    for (int m = 0; m < 5; ++m) {
        const double expected = double(float(values[m] * 1e-6)) * 1e6;
        EXPECT_NEAR(t.number(m, "V02") / expected, 1, 1e-9) << m;
        EXPECT_TRUE(t.isNull(m, "V04")) << "a gate the engine did not return";
    }
    EXPECT_EQ(t.number(2, "CHN"), 4);
}

TEST(VoltageTable, NoiseIsSeededAndUsesTheGatesOwnDeviation)
{
    TempFolder dir;
    Configuration cfg = SmallConfiguration(3);
    cfg.SysResp[1].drivenGatesInRamp = 1;
    CommitNoiseEdits(cfg, 1, "1e-9", "0", 2e-8, true); // the same deviation at every gate
    cfg.SysResp[1].NoiseStdVperAm2[2] = 0;             // returned gate 1 is configuration gate 2
    ForwardStore store;
    store.models.NumModels = 200;
    store.results.RespVoltages.resize(200, 2);
    store.results.FwdModelOutputGates[1] = 2;
    RecordingOperator op;
    VoltageTableInput input;
    input.addNoise = true;
    input.noiseLevel = 2e-9;
    input.seed = 42;
    op.answers = {true, true};
    WriteVoltageTable(dir / "a.DBF", cfg, store, input, op);
    WriteVoltageTable(dir / "b.DBF", cfg, store, input, op);
    EXPECT_EQ(ReadBytes(dir / "a.DBF"), ReadBytes(dir / "b.DBF"));
    ReadTable t(dir / "a.DBF");
    double sum2 = 0;
    for (int m = 0; m < 200; ++m) {
        EXPECT_EQ(t.number(m, "V01"), 0);
        sum2 += std::pow(t.number(m, "V02"), 2);
    }
    EXPECT_NEAR(std::sqrt(sum2 / 200), 1e-3, 2e-4); // 1e-9 V/(A m^2) is 1e-3 uV/A
}

TEST(VoltageTable, KeptTableIsExtended)
{
    TempFolder dir;
    Configuration cfg = SmallConfiguration(2);
    ForwardStore store;
    store.models.NumModels = 2;
    store.results.RespVoltages.resize(2, 2);
    store.results.FwdModelOutputGates[1] = 2;
    RecordingOperator op;
    const std::string name = dir / "FwdModelVolt.DBF";
    WriteVoltageTable(name, cfg, store, {}, op);
    op.answers = {false};
    WriteVoltageTable(name, cfg, store, {}, op);
    EXPECT_EQ(op.messages, (std::vector<std::string>{"Do you really want to Overwrite FwdModelVolt.DBF?",
                                                     "Old table being used"}));
    EXPECT_EQ(DBFGetRecordCount(ReadTable(name).h), 4);
    op.answers = {true};
    WriteVoltageTable(name, cfg, store, {}, op);
    EXPECT_EQ(DBFGetRecordCount(ReadTable(name).h), 2);
}

TEST(SurveyTables, ChannelCountsOutsideTheRangeMakeNoTable)
{
    TempFolder dir;
    for (int n : {0, 100}) {
        RecordingOperator op;
        EXPECT_FALSE(CreateChnDepthFile(dir / "x.DBF", n, op)) << n;
        EXPECT_FALSE(CreateVoltageFile(dir / "y.DBF", n, op)) << n;
        EXPECT_EQ(op.messages.size(), 2u);
    }
    RecordingOperator op;
    EXPECT_TRUE(CreateVoltageFile(dir / "y.DBF", 99, op));
    EXPECT_EQ(DBFGetFieldCount(ReadTable(dir / "y.DBF").h), 8 + 99);
    EXPECT_FALSE(fs::exists(dir / "x.DBF"));
}

// A table goes only where a table belongs, whole, and never over a file the operator keeps.
TEST(SurveyTables, TargetsAreCheckedAndTablesAppearWhole)
{
    TempFolder dir;
    const ModelSet set = ThreeLayerSet();
    RecordingOperator op;
    op.answers = {true, true, true};
    WriteBytes(dir / "survey.TDC", "[General]\r\n");
    try {
        WriteChnDepthTable(dir / "survey.TDC", set, op);
        ADD_FAILURE();
    } catch (const InOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Not written: " + dir / "survey.TDC" +
                                             " is not a dBase table name; a table's name ends in \".DBF\".");
    }
    EXPECT_EQ(ReadBytes(dir / "survey.TDC"), "[General]\r\n");

    WriteChnDepthTable(dir / "plain", set, op); // ".DBF" is added
    EXPECT_EQ(DBFGetRecordCount(ReadTable(dir / "plain.DBF").h), set.NumModels);

    // Declined: the existing table stays as it was.
    const std::string before = ReadBytes(dir / "plain.DBF");
    op.answers = {false};
    op.messages.clear();
    WriteChnDepthTable(dir / "plain.DBF", set, op);
    EXPECT_EQ(ReadBytes(dir / "plain.DBF"), before);
    EXPECT_EQ(op.messages.back(), "Not written: " + dir / "plain.DBF" + " (the existing table was kept)");

    ASSERT_EQ(::mkfifo((dir / "pipe.DBF").c_str(), 0600), 0);
    op.answers = {true};
    EXPECT_THROW(WriteChnDepthTable(dir / "pipe.DBF", set, op), InOutError);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.DBF"));

    // Nothing but the tables, the configuration and the FIFO: no temporary file is left.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"pipe.DBF", "plain.DBF", "survey.TDC"}));
}

TEST(SurveyTables, QuennelConfigType)
{
    TempFolder dir;
    const DataFolders folders = DataFolders::Under(dir / "shared");
    RecordingOperator op;
    EXPECT_EQ(ReadQuennelConfigType(folders, op), 0); // the folder is made, the file is missing
    WriteBytes(folders.appData + "Quennel.INI", "[Main]\r\nConfigType=1\r\n");
    EXPECT_EQ(ReadQuennelConfigType(folders, op), 1);
    WriteBytes(folders.appData + "Quennel.INI", "[Main]\r\nConfigType=x\r\n");
    EXPECT_EQ(ReadQuennelConfigType(folders, op), 0);
}

} // namespace
} // namespace tem::forwardtest
