#pragma once
// The dual-moment system the tests build on: transmitter 1 the low moment (LM), transmitter 2 the
// high moment (HM), each on its own time base and read by its own channel through receiver 1.
// A test adds what it looks at; every record it does not name stays at its defaults.

#include <string>

#include "core/model/configuration.h"

namespace tem::testmodels {

/// Transmitter t (1 or 2) at its defaults on time base t: 1 the low moment, 2 the high moment.
inline TTransmitter MomentTransmitter(int t)
{
    TTransmitter tx = DefaultTransmitter();
    tx.TimeBaseNumber = t;
    tx.MomentID = t == 1 ? TMomentID::LM : TMomentID::HM;
    return tx;
}

/// Channel t (1 or 2) at its defaults, reading transmitter t through receiver 1, named for the
/// transmitter's moment.
inline TAcqChn MomentChannel(int t)
{
    TAcqChn a = DefaultAcqChn(t);
    a.TxNumber = t;
    a.RxCoilNumber = 1;
    a.TransmitterMoment = t == 1 ? "LM" : "HM";
    return a;
}

/// Two transmitters, two time bases, two channels and one receiver: MomentTransmitter(t),
/// MomentChannel(t) and the default receiver; time bases, waveforms and the rest as constructed.
inline Configuration DualMoment()
{
    Configuration cfg;
    cfg.NumTx = cfg.NumTimebases = cfg.NumAcqChn = 2;
    cfg.NumRx = 1;
    for (int t = 1; t <= 2; ++t) {
        cfg.Tx[t] = MomentTransmitter(t);
        cfg.AcqChn[t] = MomentChannel(t);
    }
    cfg.Rx[1] = DefaultReceiver();
    return cfg;
}

/// A square loop of half side h (m) round the origin at height z (m): four sides, vertices 0..3
/// from (-h, -h) counter-clockwise and vertex 4 closing it on vertex 0.
inline void SquareLoop(TTransmitter& tx, double h, double z)
{
    tx.LoopSides = 4;
    const double xs[4] = {-h, h, h, -h}, ys[4] = {-h, -h, h, h};
    for (int k = 0; k <= 4; ++k) {
        tx.NodeX[k] = xs[k % 4];
        tx.NodeY[k] = ys[k % 4];
        tx.NodeZ[k] = z;
    }
}

} // namespace tem::testmodels
