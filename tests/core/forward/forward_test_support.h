#pragma once
// Shared by the forward-chain tests: a temporary folder and a small configuration built in code.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "core/model/configuration.h"
#include "core/model/derived.h"
#include "core/operator.h"
#include "support/temp_folder.h"
#include "test_file_bytes.h"

namespace tem::forwardtest {

namespace fs = std::filesystem;
using tem::testfiles::ReadBytes;
using tem::testfiles::WriteBytes;

/// A temporary folder named with a trailing '/', as the forward files name their folders.
class TempFolder {
  public:
    /// The folder, ending in '/'.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    testsupport::TempFolder folder_{"temsetrix-fwd-"};
    std::string path_ = folder_.path() + '/';
};

/// One 10 m x 10 m loop (type 72) with a Z receiver at its centre, a 10 us ramp, and `gates`
/// gates of 5 us width centred at 20, 30, 40, ... us; the derived values computed.
inline Configuration SmallConfiguration(int gates = 3)
{
    Configuration cfg = DefaultConfiguration();
    RecordingOperator op;
    TTransmitter& tx = cfg.Tx[1];
    tx.LoopType = 72;
    tx.LoopSides = 4;
    const double x[] = {-5, 5, 5, -5, -5}, y[] = {-5, -5, 5, 5, -5};
    for (int k = 0; k <= 4; ++k) {
        tx.NodeX[k] = x[k];
        tx.NodeY[k] = y[k];
        tx.NodeZ[k] = -0.5;
    }
    tx.NoGates = gates;
    tx.TimeBaseNumber = 1;
    tx.LPFilterOrderandCutoff[0] = 0;
    TReceiver& rx = cfg.Rx[1];
    rx.Orientation = "Z";
    rx.FilterOrder = 0;
    rx.CentroidX = rx.CentroidY = 0;
    rx.CentroidZ = -0.5;
    rx.AreaNumTurnsxPreAmpxSingleTurn = 1;
    TTimeBase& tb = cfg.TimeBase[1];
    tb.NumGatesInSet = gates;
    for (int g = 1; g <= gates; ++g) {
        tb.GateCentre[g] = (10.0 + 10.0 * g) * 1e-6;
        tb.drivenGateStart[g] = tb.GateCentre[g] - 5e-6;
        tb.drivenGateEnd[g] = tb.GateCentre[g] + 5e-6;
        tb.GateWidth[g] = 10e-6;
    }
    TTxWaveform& w = cfg.TxWaveform[1];
    w.WaveformPointsDigitized = 3;
    w.WaveformPointTimes[1] = -1e-3;
    w.WaveformPointTimes[2] = -10e-6;
    w.WaveformPointTimes[3] = 0;
    w.WaveformPointAmplitudes[1] = 1;
    w.WaveformPointAmplitudes[2] = 1;
    w.WaveformPointAmplitudes[3] = 0;
    TAcqChn& ch = cfg.AcqChn[1];
    ch.TxNumber = 1;
    ch.RxCoilNumber = 1;
    ch.MeaTimeDelay = 0;
    ch.GateTimeShift = 0;
    ch.FrontGateExists = false;
    ch.PrimaryFieldDampingFactor = 1;
    CalculateDrivenVariables(cfg, op);
    w.drivenRamp = 10e-6; // the derived ramp of these points; kept exact for the boundary tests
    return cfg;
}

} // namespace tem::forwardtest
