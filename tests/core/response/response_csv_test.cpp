#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/operator.h"
#include "core/response/response_csv.h"
#include "core/response/response_curves.h"
#include "support/temp_folder.h"
#include "test_file_bytes.h"

namespace tem {
namespace {

namespace fs = std::filesystem;

const std::string Imminent =
    "The Specified System Response File is not formated as expected - program failure is imminent!";

/// Three channels on one transmitter of 5 gates; receiver areas 2, 4 and 0.5 m².
Configuration threeChannels()
{
    Configuration cfg = DefaultConfiguration();
    cfg.NumTx = 1;
    cfg.NumRx = 3;
    cfg.NumAcqChn = 4;
    cfg.Tx[1].NoGates = 5;
    cfg.Tx[1].TimeBaseNumber = 1;
    for (int g = 1; g <= 5; ++g)
        cfg.TimeBase[1].GateCentre[g] = 1e-5 * g;
    const double area[] = {2, 4, 0.5};
    for (int c = 1; c <= 4; ++c) {
        cfg.AcqChn[c].TxNumber = 1;
        cfg.AcqChn[c].RxCoilNumber = c <= 3 ? c : 1;
        cfg.SysResp[c].FieldAmplitudes.fill(-7);
        cfg.SysResp[c].SysRespAmplitudes.fill(-7);
    }
    for (int r = 1; r <= 3; ++r)
        cfg.Rx[r].AreaNumTurnsxPreAmpxSingleTurn = area[r - 1];
    return cfg;
}

class ResponseCsvTest : public ::testing::Test {
  protected:
    std::string write(const std::string& text)
    {
        const std::string p = (root / "data.csv").string();
        testfiles::WriteBytes(p, text);
        return p;
    }
    testsupport::TempFolder folder{"respcsv-"};
    fs::path root = folder.path();
    RecordingOperator op;
};

TEST_F(ResponseCsvTest, FieldDataGoesToChannelsOneToThreeByTheirAreas)
{
    Configuration cfg = threeChannels();
    const std::string file = write("acqchn1,AcqChn2,AcqChn3,Units=uV/A\r\n2,4,1\r\n6,8,2\r\n");
    const ResponseCsv csv = ReadResponseCsv(cfg, file, 1, ResponseCsvKind::FieldData, op);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(StoreResponseCsv(cfg, csv, 1, ResponseCsvKind::FieldData), (std::vector<int>{1, 2, 3}));
    EXPECT_DOUBLE_EQ(cfg.SysResp[1].FieldAmplitudes[1], 1e-6); // 2 µV/A over 2 m²
    EXPECT_DOUBLE_EQ(cfg.SysResp[2].FieldAmplitudes[2], 2e-6); // 8 over 4
    EXPECT_DOUBLE_EQ(cfg.SysResp[3].FieldAmplitudes[2], 4e-6); // 2 over 0.5
    EXPECT_EQ(cfg.SysResp[1].FieldAmplitudes[3], -7);          // beyond the file
    EXPECT_EQ(cfg.SysResp[1].SysRespAmplitudes[1], -7);

    // A selected channel above 3 takes the first column.
    Configuration four = threeChannels();
    StoreResponseCsv(four, csv, 4, ResponseCsvKind::FieldData);
    EXPECT_DOUBLE_EQ(four.SysResp[4].FieldAmplitudes[1], 1e-6);
    EXPECT_EQ(four.SysResp[1].FieldAmplitudes[1], -7);
}

TEST_F(ResponseCsvTest, HeadersShortLinesAndTheLineLimit)
{
    Configuration cfg = threeChannels();
    // "Z,X,Y" with further columns is accepted silently; another header is reported and read.
    ReadResponseCsv(cfg, write("Z,X,Y,Units\n1,2,3\n"), 1, ResponseCsvKind::FieldData, op);
    EXPECT_TRUE(op.messages.empty());
    const ResponseCsv other =
        ReadResponseCsv(cfg, write("Time,Value\n1,2,3\n"), 1, ResponseCsvKind::FieldData, op);
    EXPECT_EQ(op.messages, std::vector<std::string>{Imminent});
    EXPECT_EQ(other.rows.size(), 1u);

    // A field-data line with fewer than three values stops the load naming the line.
    try {
        ReadResponseCsv(cfg, write("Z,X,Y\n1,2,3\n4,5\n"), 1, ResponseCsvKind::FieldData, op);
        FAIL();
    } catch (const ListIndexError& e) {
        EXPECT_NE(std::string(e.what()).find("line 3 of"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadResponseCsv(cfg, write("Z,X,Y\n1,x,3\n"), 1, ResponseCsvKind::FieldData, op),
                 ConversionError);

    // Lines after the 150th are not read.
    std::string text = "Z,X,Y\n";
    for (int k = 1; k <= 160; ++k)
        text += std::to_string(k) + ",0,0\n";
    EXPECT_EQ(ReadResponseCsv(cfg, write(text), 1, ResponseCsvKind::FieldData, op).rows.size(), 150u);

    // A zero receiver area refuses the values before anything changes.
    cfg.Rx[3].AreaNumTurnsxPreAmpxSingleTurn = 0;
    const ResponseCsv csv = ReadResponseCsv(cfg, write("Z,X,Y\n1,2,3\n"), 1, ResponseCsvKind::FieldData, op);
    EXPECT_THROW(StoreResponseCsv(cfg, csv, 1, ResponseCsvKind::FieldData), ActionError);
    EXPECT_EQ(cfg.SysResp[1].FieldAmplitudes[1], -7);
}

TEST_F(ResponseCsvTest, SavedResponseReadsBack)
{
    Configuration cfg = threeChannels();
    for (int g = 1; g <= 5; ++g)
        cfg.SysResp[2].SysRespAmplitudes[g] = 1.25e-7 * g;
    cfg.SysResp[2].SysRespAmplitudes[5] = 1.25e-12;
    const std::string text = SystemResponseCsvText(cfg, 2);
    const auto lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "AcqChn1,AcqChn2,AcqChn3,Units:uV/A");
    EXPECT_EQ(lines[1], "      0.5,0,0"); // channel 2's values in the first column, in µV/A
    EXPECT_EQ(lines[5], "   5E-006,0,0"); // the program's "%9g"
    // Loaded for channel 4 (first column) it gives the same amplitudes back over the same area.
    cfg.AcqChn[4].RxCoilNumber = 2;
    const ResponseCsv csv = ReadResponseCsv(cfg, write(text), 4, ResponseCsvKind::SystemResponse, op);
    StoreResponseCsv(cfg, csv, 4, ResponseCsvKind::SystemResponse);
    for (int g = 1; g <= 5; ++g)
        EXPECT_DOUBLE_EQ(cfg.SysResp[4].SysRespAmplitudes[g], cfg.SysResp[2].SysRespAmplitudes[g]);
}

TEST(ResponseCurves, LabelsTransformAndAxis)
{
    // The program's own forms of "%9g", "%e" and "%12.6e"; the labels read back either way.
    EXPECT_EQ(CurveLabel(ResponseCurve::FieldData, 1.5e-7), " 1.5E-007");
    EXPECT_EQ(CurveLabel(ResponseCurve::FieldData, 123456789), "1.23457E008");
    EXPECT_EQ(CurveLabel(ResponseCurve::ForwardModel, 1.5e-7), "1.50000000000000E-007");
    EXPECT_EQ(CurveLabel(ResponseCurve::SimulationEquation, -2e-9), "-2.000000E-009");
    EXPECT_DOUBLE_EQ(*CurveLabelAmplitude(ResponseCurve::FieldData, " 1.5E-007"), 1.5e-7);
    EXPECT_DOUBLE_EQ(*CurveLabelAmplitude(ResponseCurve::FieldData, "  1.5e-07"), 1.5e-7);
    EXPECT_EQ(CurveLabel(ResponseCurve::Noise, 2e-10), "   0.000");
    EXPECT_DOUBLE_EQ(*CurveLabelAmplitude(ResponseCurve::Noise, "2.5"), 2.5e-6);
    EXPECT_DOUBLE_EQ(ArcSinhDisplay(1e-6, 100), std::asinh(100.0));
    EXPECT_DOUBLE_EQ(ArcSinhDisplay(-1e-6, 100), -std::asinh(100.0));

    auto texts = [](double stretcher) {
        std::vector<std::string> out;
        for (const auto& [at, text] : ArcSinhAxisLabels(stretcher, -30, 30))
            out.push_back(Trim(text));
        return out;
    };
    const auto at100 = texts(100), at1000 = texts(1000), at5 = texts(5);
    EXPECT_EQ(std::count(at100.begin(), at100.end(), "0.1"), 1);
    EXPECT_EQ(std::count(at5.begin(), at5.end(), "0.1"), 0); // only when the stretcher exceeds 10
    EXPECT_EQ(std::count(at1000.begin(), at1000.end(), "-0.1"), 1);
    EXPECT_EQ(std::count(at100.begin(), at100.end(), "1e+08"), 1);
    // Strictly inside the range; below 0.1 the decades that stand clear of zero.
    const auto inside = ArcSinhAxisLabels(100, 0, std::asinh(100.0 * 1));
    ASSERT_EQ(inside.size(), 2u);
    EXPECT_EQ(Trim(inside[0].second), "0.01");
    EXPECT_EQ(Trim(inside[1].second), "0.1");
    // Every stretcher labels the range near zero, in order, with no two labels on one place.
    for (double stretcher : {1.0, 5.0, 100.0, 1e4, 1e6}) {
        SCOPED_TRACE(stretcher);
        const auto labels = ArcSinhAxisLabels(stretcher, -3, 3);
        EXPECT_GE(labels.size(), 3u); // zero and at least one decade either side
        for (std::size_t i = 1; i < labels.size(); ++i)
            EXPECT_GE(labels[i].first - labels[i - 1].first, 0.5);
    }

    // A commit stores the points' numbers, not their rounded labels; a missing point gives
    // 1e-12, a point without a number stops.
    CurvePoints pts = {{10, 1.234567891e-7, CurveLabel(ResponseCurve::FieldData, 1.234567891e-7)},
                       {20, 2e-7, "  2e-07"}};
    EXPECT_EQ(pts[0].label, "1.23457E-007");
    EXPECT_EQ(CommittedAmplitudes(pts, ResponseCurve::FieldData, 3),
              (std::vector<double>{1.234567891e-7, 2e-7, 1e-12}));
    pts[1].amplitude = std::nan("");
    pts[1].label = "abc";
    EXPECT_THROW(CommittedAmplitudes(pts, ResponseCurve::FieldData, 2), ConversionError);
}

} // namespace
} // namespace tem
