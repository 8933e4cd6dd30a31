#pragma once
// Shared by the TDC tests: a temporary data folder, file helpers, the comparison of what the
// format carries, and the demonstration configuration built in code (support/demo_configuration.h).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "core/files/tdc_file.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/model/derived.h"
#include "core/operator.h"
#include "support/demo_configuration.h"
#include "support/temp_folder.h"
#include "test_file_bytes.h"

namespace tem::tdctest {

namespace fs = std::filesystem;

using tem::testfiles::ReadBytes;
using tem::testfiles::WriteBytes;
using tem::testmodels::DemoConfiguration;
using tem::testmodels::GateDigits;
using tem::testmodels::LogSpacedGates;
using tem::testmodels::PointDigits;

/// A temporary shared data folder (with its configuration folder) and the operator that records
/// what the reader and writer show.
class TdcTest : public ::testing::Test {
  protected:
    TdcTest()
    {
        folders = DataFolders::Under(root_ + "/shared");
        fs::create_directories(folders.temConfig);
    }

    /// A path in the temporary folder (not the data folder, like an operator's own file).
    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    std::string Write(const std::string& name, const std::string& text) const
    {
        WriteBytes(Path(name), text);
        return Path(name);
    }
    std::string CopyFixture(const std::string& fixture, const std::string& name) const
    {
        fs::copy_file(std::string(TEMSETRIX_TEST_DATA_DIR) + "/tdc/" + fixture, Path(name),
                      fs::copy_options::overwrite_existing);
        return Path(name);
    }

    Configuration Load(const std::string& file)
    {
        Configuration cfg;
        cfg.LoadFilename = file;
        LoadTDCFromFile(cfg, folders, op);
        return cfg;
    }
    SaveResult Save(Configuration& cfg, const std::string& file)
    {
        cfg.SaveFilename = file;
        return SaveTDCToFile(cfg, folders, op);
    }

    DataFolders folders;
    RecordingOperator op;

  private:
    testsupport::TempFolder folder_{"temsetrix-tdc-"};
    std::string root_ = folder_.path();
};

/// The model reduced to what a TDC file carries: entries within the counts, vertices, gates,
/// layers and points within theirs, lists only when they exist, no file book-keeping.
inline Configuration Carried(Configuration c)
{
    c.LoadFilename = c.SaveFilename = c.TempFilename = {};
    c.IsCorrupt = false;
    c.MasterTamperCheckCRC = 0;
    c.TDCorGEX = TINIFileFormat::TDC;
    c.Vehicle.GNSSAntenna2Fixture = 0;
    for (int t = 1; t <= MaxTx; ++t) {
        if (t > c.NumTx) {
            c.Tx[t] = {};
            c.TxWaveform[t] = {};
            continue;
        }
        TTransmitter& tx = c.Tx[t];
        tx.drivenWaveformPeriod = tx.drivenWaveformOffOnDuration = tx.drivenSamplingTime = 0;
        for (int i = tx.LoopSides + 1; i <= 99; ++i)
            tx.NodeX[i] = tx.NodeY[i] = tx.NodeZ[i] = 0;
        if (tx.LoopType != 7)
            tx.Type7RectSideX = tx.Type7RectSideY = 0;
        TTxWaveform& w = c.TxWaveform[t];
        for (int p = w.WaveformPointsDigitized + 1; p <= MaxWaveformPoints; ++p)
            w.WaveformPointTimes[p] = w.WaveformPointAmplitudes[p] = 0;
    }
    for (int r = 1; r <= MaxRx; ++r) {
        if (r > c.NumRx) {
            c.Rx[r] = {};
            continue;
        }
        TReceiver& rx = c.Rx[r];
        for (int i = 0; i <= 99; ++i)
            if (i == 0 || i > rx.Loopsides)
                rx.NodeX[i] = rx.NodeY[i] = rx.NodeZ[i] = 0;
    }
    for (int k = 1; k <= MaxTimeBases; ++k) {
        if (k > c.NumTimebases) {
            c.TimeBase[k] = {};
            continue;
        }
        TTimeBase& tb = c.TimeBase[k];
        for (int g = 0; g <= 255; ++g)
            if (g == 0 || g > tb.NumGatesInSet)
                tb.drivenGateStart[g] = tb.GateCentre[g] = tb.drivenGateEnd[g] = tb.GateWidth[g] = 0;
    }
    for (int ch = 1; ch <= MaxAcqChn; ++ch) {
        if (ch > c.NumAcqChn) {
            c.AcqChn[ch] = {};
            c.SysResp[ch] = {};
            continue;
        }
        TAcqChn& a = c.AcqChn[ch];
        if (!a.GateConstantsExist)
            a.GateConstants.clear();
        if (!a.GateFactorsExist)
            a.GateFactors.clear();
        if (!a.GateSTDsExist)
            a.GateSTDs.clear();
        TSystemResponse& s = c.SysResp[ch];
        s.Seed0FwdOr1Eqn = 0;
        s.drivenLayerBottomDepths = {};
        for (int L = 0; L <= 16; ++L)
            if (L == 0 || L > s.FwdModelLayers)
                s.LayerThicknesses[L] = s.LayerResistivities[L] = 0;
        const int gates = c.Tx.contains(a.TxNumber) ? c.Tx[a.TxNumber].NoGates : 0;
        for (int g = 0; g <= 255; ++g)
            if (g == 0 || g > gates)
                s.FieldAmplitudes[g] = s.FwdModelAmplitudes[g] = s.EqnModelAmplitudes[g] =
                    s.SysRespAmplitudes[g] = s.NoiseStdVperAm2[g] = 0;
    }
    return c;
}

/// Compares the carried parts record by record, so a failure names the record that differs.
inline void ExpectSameCarried(const Configuration& expected, const Configuration& actual)
{
    const Configuration e = Carried(expected), a = Carried(actual);
    for (int t = 1; t <= MaxTx; ++t) {
        EXPECT_TRUE(e.Tx[t] == a.Tx[t]) << "Tx" << t;
        EXPECT_TRUE(e.TxWaveform[t] == a.TxWaveform[t]) << "Waveform Tx" << t;
    }
    for (int r = 1; r <= MaxRx; ++r)
        EXPECT_TRUE(e.Rx[r] == a.Rx[r]) << "Rx" << r;
    for (int k = 1; k <= MaxTimeBases; ++k)
        EXPECT_TRUE(e.TimeBase[k] == a.TimeBase[k]) << "Timebase " << k;
    for (int c = 1; c <= MaxAcqChn; ++c) {
        EXPECT_TRUE(e.AcqChn[c] == a.AcqChn[c]) << "Chn" << c;
        EXPECT_TRUE(e.SysResp[c] == a.SysResp[c]) << "SysResp" << c;
    }
    EXPECT_TRUE(e.Vehicle == a.Vehicle) << "Vehicle";
    EXPECT_TRUE(e == a) << "general values or counts";
}

} // namespace tem::tdctest
