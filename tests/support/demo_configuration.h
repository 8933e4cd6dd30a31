#pragma once
// The demonstration configuration built in code, and the roundings it is stored with. The shipped
// data/DemoConfig.TDC is this model as the TDC writer writes it (make fixtures writes it again);
// the tests compare what they read with this model.

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/model/configuration.h"
#include "core/model/derived.h"
#include "core/operator.h"

namespace tem::testmodels {

/// Rounds to the seven significant digits a gate time keeps in the file.
inline double GateDigits(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6e", v);
    return std::stod(text);
}

/// Rounds to the seven decimals a waveform point keeps in the file.
inline double PointDigits(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", v);
    return std::stod(text);
}

/// A gate set of n gates with centres log-spaced from first to last (seconds), stored as the file
/// keeps it. Each gate is as wide as the log spacing and centred on its centre, so start, centre,
/// end and width agree the way the time base window checks them and a CHN file can hold the set.
inline void LogSpacedGates(TTimeBase& tb, int n, double first, double last)
{
    tb.NumGatesInSet = n;
    const double ratio = std::pow(last / first, 1.0 / (n - 1));
    for (int g = 1; g <= n; ++g) {
        const double centre = GateDigits(first * std::pow(ratio, g - 1));
        const double width = GateDigits(centre * (std::sqrt(ratio) - 1 / std::sqrt(ratio)));
        tb.GateCentre[g] = centre;
        tb.drivenGateStart[g] = GateDigits(centre - width / 2);
        tb.drivenGateEnd[g] = GateDigits(centre + width / 2);
        tb.GateWidth[g] = tb.drivenGateEnd[g] - tb.drivenGateStart[g];
    }
}

/// The demonstration configuration: a towed dual-moment system, both moments on one 4.2 m x 4.3 m
/// loop centred on the trailer, a Z coil just behind the loop and an offset Z coil further back.
inline Configuration DemoConfiguration()
{
    Configuration cfg;
    cfg.Description = "Demonstration towed dual-moment TEM system - LM and HM on one 4.2 m x 4.3 m loop";
    cfg.ParentConfigFile = "NoParentConfigFile.TDC";
    cfg.DataType = "TEM";
    cfg.CalculateRawDataSTD = -1;
    cfg.GateNoForPowerLineMonitor = -1;
    cfg.NumTx = cfg.NumRx = cfg.NumAcqChn = cfg.NumTimebases = 2;

    struct Moment {
        TMomentID id;
        const char* name;
        double volts, amps, ampsMax, frequency, ramp, cutoff;
        int gates;
        std::vector<int> signs;
    };
    const Moment moments[2] = {
        {TMomentID::LM, "LM_1Turn_3A", 12, 3, 5, 250, 2.5e-6, 300000, 28, {1, -1}},
        {TMomentID::HM, "HM_1Turn_30A", 24, 30, 35, 25, 4.5e-6, 60000, 32, {1, -1}},
    };
    for (int t = 1; t <= 2; ++t) {
        const Moment& m = moments[t - 1];
        TTransmitter& tx = cfg.Tx[t];
        tx = DefaultTransmitter();
        tx.MomentID = m.id;
        tx.Name = m.name;
        tx.LoopSides = 4;
        tx.LoopType = 72;
        const double xs[4] = {2.1, -2.1, -2.1, 2.1}, ys[4] = {2.15, 2.15, -2.15, -2.15};
        for (int i = 0; i < 4; ++i) {
            tx.NodeX[i] = xs[i];
            tx.NodeY[i] = ys[i];
            tx.NodeZ[i] = -0.5;
        }
        tx.Turns = 1;
        tx.Damping = 330;
        tx.FlyingLeadLength = 1.5;
        tx.Volts = m.volts;
        tx.VoltsMin = 10;
        tx.VoltsMax = 28;
        tx.Amps = m.amps;
        tx.AmpsMin = 0;
        tx.AmpsMax = m.ampsMax;
        tx.ConstantVoltsOrAmps = true;
        tx.RelayA = true;
        tx.RelayB = false;
        tx.FullWaveformRepetitionFrequency = m.frequency;
        tx.NoGates = m.gates;
        tx.TimeBaseNumber = t;
        tx.LPFilterOrderandCutoff[0] = 1;
        tx.LPFilterOrderandCutoff[1] = m.cutoff;
        tx.SignPattern = m.signs;

        TTxWaveform& w = cfg.TxWaveform[t];
        w = DefaultTxWaveform();
        w.drivenRamp = m.ramp;
        // Switch-on, flat top, linear turn-off ramp; times from the start of the turn-off.
        const double onTime = 0.25 / m.frequency;
        const std::vector<std::pair<double, double>> points = {
            {-onTime, 0}, {-onTime + 0.00002, 0.8}, {-onTime + 0.00006, 1}, {0, 1}, {m.ramp, 0}};
        w.WaveformPointsDigitized = static_cast<int>(points.size());
        for (std::size_t p = 0; p < points.size(); ++p) {
            w.WaveformPointTimes[static_cast<int>(p) + 1] = PointDigits(points[p].first);
            w.WaveformPointAmplitudes[static_cast<int>(p) + 1] = points[p].second;
        }
    }

    const double rxX[2] = {-3.0, -9.0};
    const char* rxName[2] = {"RxZ_Near", "RxZ_Offset"};
    for (int r = 1; r <= 2; ++r) {
        TReceiver& rx = cfg.Rx[r];
        rx = DefaultReceiver();
        rx.Name = rxName[r - 1];
        rx.CentroidX = rxX[r - 1];
        rx.CentroidY = 0;
        rx.CentroidZ = -0.6;
        rx.Orientation = "Z";
        rx.AreaSingleTurn = 0.5;
        rx.Turns = 10;
        rx.PreAmpGain = 1;
        rx.AreaNumTurnsxPreAmpxSingleTurn = 5;
        rx.FilterHz = 300000;
        rx.FilterOrder = 1;
        rx.EquivRadius = 0.3989;
        rx.XSideLength = rx.YSideLength = 0.7071;
    }

    const char* rowIds[2] = {"X", "Y"};
    const char* descriptions[2] = {"LM-Rx1 low moment, near Z coil", "HM-Rx1 high moment, near Z coil"};
    for (int c = 1; c <= 2; ++c) {
        TAcqChn& a = cfg.AcqChn[c];
        a = DefaultAcqChn(c);
        a.RowID = rowIds[c - 1];
        a.Description = descriptions[c - 1];
        a.RxCoilNumber = 1;
        a.TxNumber = c;
        a.TransmitterMoment = c == 1 ? "LM" : "HM";
        a.AtoDConvGain = 1;
        a.RemoveInitialGates = c == 1 ? 1 : 2;
        a.UniformDataSTD = 0.03;
        a.TxApproximateCurrent = moments[c - 1].amps;
        cfg.SysResp[c] = DefaultSystemResponse();
    }

    TTimeBase& lm = cfg.TimeBase[1];
    lm = DefaultTimeBase();
    lm.TimeGateFileName = "No_Filename_selected";
    lm.GateSetName = "DualMoment_LM_28";
    lm.AnalDigConvSamplingRate = 1000000;
    lm.FullWaveformStacks = 256;
    LogSpacedGates(lm, 28, 5e-6, 0.8e-3);
    TTimeBase& hm = cfg.TimeBase[2];
    hm = DefaultTimeBase();
    hm.TimeGateFileName = "No_Filename_selected";
    hm.GateSetName = "DualMoment_HM_32";
    hm.AnalDigConvSamplingRate = 1000000;
    hm.FullWaveformStacks = 64;
    LogSpacedGates(hm, 32, 10e-6, 4e-3);

    TVehicle& v = cfg.Vehicle;
    v = DefaultVehicle();
    v.GNSSX = 0;
    v.GNSSY = 0;
    v.GNSSZ = -1.8;
    v.GNSSExists = true;
    v.InclinometerX = 0.5;
    v.InclinometerY = 0;
    v.InclinometerZ = -0.5;
    v.InclinometerExists = true;
    v.Propulsion = TPropulsion::propTractor;
    v.TractorFixedX = 6.5;
    v.TractorSteerX = 9;
    v.TractorTowBallX = 5.5;
    v.TrailerX = 0.5;
    v.WheelBase = 2.5;
    v.WheelTrack = 1.6;

    RecordingOperator quiet;
    TxRxAliasAcqChnMapping(cfg, quiet);
    CalculateDrivenVariables(cfg, quiet);
    return cfg;
}

} // namespace tem::testmodels
