#pragma once
// A small dual-moment configuration for the editor window tests: two transmitters on time bases 1
// and 2, one receiver, two channels (LM on Tx1, HM on Tx2), 20 gates per time base, waveforms.

#include <QDir>
#include <QTemporaryDir>

#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "support/dual_moment.h"

namespace fixture {

inline tem::Configuration DualMoment()
{
    tem::Configuration cfg = tem::testmodels::DualMoment();
    for (int t = 1; t <= 2; ++t) {
        tem::TTransmitter& tx = cfg.Tx[t];
        tx.FullWaveformRepetitionFrequency = t == 1 ? 100 : 25;
        tx.NoGates = 20;
        tem::TTimeBase& tb = cfg.TimeBase[t];
        tb = tem::DefaultTimeBase();
        tb.NumGatesInSet = 20;
        tb.AnalDigConvSamplingRate = 625000;
        tb.GateSetName = "not_named";
        tb.GateSetKnownIndex = 0;
        for (int j = 1; j <= 20; ++j) {
            const double centre = 10e-6 * j * j, width = 4e-6 * j;
            tb.GateCentre[j] = centre;
            tb.GateWidth[j] = width;
            tb.drivenGateStart[j] = centre - width / 2;
            tb.drivenGateEnd[j] = centre + width / 2;
        }
        cfg.SysResp[t] = tem::DefaultSystemResponse();
        tem::TTxWaveform& w = cfg.TxWaveform[t];
        w = tem::DefaultTxWaveform();
        w.WaveformPointsDigitized = 4;
        const double times[] = {-0.004, -0.0039, 0, 20e-6};
        const double amps[] = {0, 1, 1, 0};
        for (int i = 1; i <= 4; ++i) {
            w.WaveformPointTimes[i] = times[i - 1];
            w.WaveformPointAmplitudes[i] = amps[i - 1];
        }
        w.drivenRamp = 20e-6;
    }
    cfg.TxLM = 1;
    cfg.TxHM = 2;
    cfg.AcqChnMapTxRx[1][1] = 1;
    cfg.AcqChnMapTxRx[2][1] = 2;
    cfg.Vehicle = tem::DefaultVehicle();
    return cfg;
}

/// Data folders inside a temporary folder.
inline tem::DataFolders FoldersIn(const QTemporaryDir& dir)
{
    return tem::DataFolders::Under(QDir(dir.path()).absolutePath().toStdString() + "/");
}

} // namespace fixture
