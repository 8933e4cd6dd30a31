// Where the program and the engine meet: the TEM system files and the model file the program
// writes, read by the engine's own parsers, describe the same system and the same earths.
#include <gtest/gtest.h>

#include <cmath>

#include "core/files/keyword_file.h"
#include "core/files/tdc_file.h"
#include "core/forward/aarhus_files.h"
#include "core/forward/forward_test_support.h"
#include "core/forward/model_set.h"
#include "core/model/data_folders.h"
#include "engine/files.h"

namespace tem::forwardtest {
namespace {

void ExpectClose(double a, double b, const std::string& what)
{
    EXPECT_NEAR(a, b, 1e-9 * std::max(std::abs(a), std::abs(b)) + 1e-12) << what;
}

TEST(EngineContract, DemonstrationConfigurationReadsBackAsTheSameSystem)
{
    TempFolder dir;
    const DataFolders folders = DataFolders::Under(dir / "shared");
    fs::create_directories(folders.temConfig);
    Configuration cfg;
    cfg.LoadFilename = ShippedDemoConfiguration();
    RecordingOperator op;
    LoadTDCFromFile(cfg, folders, op);
    ASSERT_EQ(cfg.NumAcqChn, 2);

    for (int c = 1; c <= cfg.NumAcqChn; ++c) {
        const std::string text = TEMFileText(cfg, c, op);
        const engine::SystemFile file = engine::ParseSystemFile(text, "FWD0" + std::to_string(c) + ".tem");
        const TAcqChn& ch = cfg.AcqChn[c];
        const TTransmitter& tx = cfg.Tx[ch.TxNumber];
        const TReceiver& rx = cfg.Rx[ch.RxCoilNumber];
        const TTimeBase& tb = cfg.TimeBase[tx.TimeBaseNumber];
        const TTxWaveform& w = cfg.TxWaveform[ch.TxNumber];
        const engine::TemSystem& s = file.system;

        ASSERT_EQ(int(s.geometry.corners.size()), tx.LoopSides);
        for (int k = 0; k < tx.LoopSides; ++k) {
            EXPECT_NEAR(s.geometry.corners[std::size_t(k)].x, tx.NodeX[k], 5e-4); // "%8.3f"
            EXPECT_NEAR(s.geometry.corners[std::size_t(k)].y, tx.NodeY[k], 5e-4);
        }
        EXPECT_NEAR(s.geometry.loop_height, -tx.CentroidZ, 1e-4 * std::abs(tx.CentroidZ) + 1e-9); // "%8.5g"
        EXPECT_NEAR(s.geometry.receiver.x, rx.CentroidX, 1e-4 * std::abs(rx.CentroidX) + 1e-9);
        EXPECT_NEAR(s.geometry.receiver_height, -rx.CentroidZ, 1e-4 * std::abs(rx.CentroidZ) + 1e-9);

        ASSERT_EQ(int(s.waveform.size()), w.WaveformPointsDigitized - 1);
        for (int k = 1; k < w.WaveformPointsDigitized; ++k) {
            const engine::SubWave& sw = s.waveform[std::size_t(k - 1)];
            EXPECT_NEAR(sw.t0, w.WaveformPointTimes[k], 1e-6 * std::abs(w.WaveformPointTimes[k]) + 1e-15);
            EXPECT_NEAR(sw.a1, w.WaveformPointAmplitudes[k + 1], 1e-6);
        }
        const int filters =
            int(rx.FilterOrder > 0) + int(tx.LPFilterOrderandCutoff[0] > 0) + int(ch.FrontGateExists);
        EXPECT_EQ(int(s.filters.size()), filters);

        const int ramp = cfg.SysResp[c].drivenGatesInRamp;
        ASSERT_EQ(int(s.gates.size()), tx.NoGates - ramp);
        const double shift = ch.MeaTimeDelay - ch.GateTimeShift;
        for (int k = 1; k <= int(s.gates.size()); ++k) {
            const engine::Gate& g = s.gates[std::size_t(k - 1)];
            ExpectClose(g.centre, tb.GateCentre[ramp + k] + shift, "centre of gate " + std::to_string(k));
            ExpectClose(g.start, tb.drivenGateStart[ramp + k] + shift, "start of gate " + std::to_string(k));
            ExpectClose(g.end, tb.drivenGateEnd[ramp + k] + shift, "end of gate " + std::to_string(k));
        }
    }
}

TEST(EngineContract, ModelFileReadsBackAsTheSameEarths)
{
    ModelGrid grid;
    grid.layerCount = 3;
    grid.rows = {
        {"5", "50", "1", "10", "1000", "1"}, {"0.01", "", "", "300", "", ""}, {"", "", "", "0.5", "", ""}};
    ModelSet set;
    RecordingOperator op;
    ASSERT_TRUE(ArrayModels(set, grid, op));
    const engine::ModelFile file = engine::ParseModelFile(ModelFileText(set, 2), "fwd.mod");
    ASSERT_EQ(int(file.data_sets.size()), 2 * set.NumModels);
    for (int c = 1; c <= 2; ++c)
        for (int m = 0; m < set.NumModels; ++m) {
            const engine::DataSetEntry& e =
                file.data_sets[std::size_t(DataSetNumber(c, m, set.NumModels) - 1)];
            EXPECT_EQ(e.system_file, "FWD0" + std::to_string(c) + ".tem");
            ASSERT_TRUE(e.earth) << e.problem;
            const TModel& model = set.Models[std::size_t(m)];
            ASSERT_EQ(int(e.earth->resistivity.size()), 3);
            for (int l = 1; l <= 3; ++l)
                EXPECT_NEAR(e.earth->resistivity[std::size_t(l - 1)], model.Param[2 + l], 0.005);
            for (int l = 1; l <= 2; ++l)
                EXPECT_NEAR(e.earth->thickness[std::size_t(l - 1)], model.Param[l], 0.005);
        }
}

} // namespace
} // namespace tem::forwardtest
