#pragma once
// Shared by the GEX tests: a temporary data folder, file helpers and the models written as GEX.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "support/dual_moment.h"
#include "support/temp_folder.h"
#include "test_file_bytes.h"

namespace tem::gextest {

namespace fs = std::filesystem;

/// A temporary folder that is also the shared data folder, with its configuration folder.
class TempFolder {
  public:
    TempFolder() { fs::create_directories(folders.temConfig); }
    std::string file(const std::string& name) const { return (path / name).string(); }

  private:
    testsupport::TempFolder folder_{"gex-test-"};

  public:
    fs::path path = folder_.path();
    DataFolders folders = DataFolders::Under(path.string() + "/");
};

using tem::testfiles::ReadBytes;
using tem::testfiles::WriteBytes;

inline std::string Fixture(const std::string& name)
{
    return std::string(TEMSETRIX_TEST_DATA_DIR) + "/gex/" + name;
}

/// The number a "%12.6e" value gives back, so a model survives the file's seven digits exactly.
inline double Sci(double v)
{
    return *ParseFloat(FormatScientific(v));
}

/// A dual-moment system (LM transmitter 1, HM transmitter 2 on one six-sided loop, two time
/// bases, two channels, waveforms, a polygon receiver), or its single-moment cousin. Every value
/// is one that the GEX forms carry exactly.
inline Configuration MakeModel(bool dual)
{
    Configuration cfg;
    cfg.NumTx = dual ? 2 : 1;
    cfg.NumTimebases = dual ? 2 : 1;
    cfg.NumAcqChn = dual ? 2 : 1;
    cfg.NumRx = 1;
    cfg.Description = dual ? "Dual moment round trip" : "Single moment round trip";
    cfg.ParentConfigFile = "Parent.gex";
    cfg.DataType = "dBdt";
    cfg.FrontGateDelay = 2.5e-6;
    cfg.CalculateRawDataSTD = 1;
    cfg.GateNoForPowerLineMonitor = 12;

    const double loop[6][2] = {{-8, -3}, {-2, -6.25}, {5.5, -5}, {8.125, 0}, {5.5, 5}, {-2, 6.25}};
    for (int t = 1; t <= cfg.NumTx; ++t) {
        TTransmitter& tx = cfg.Tx[t];
        tx = testmodels::MomentTransmitter(t);
        if (!dual)
            tx.MomentID = TMomentID::SingleM;
        tx.Name = t == 1 ? "LowMoment" : "HighMoment";
        tx.Turns = t == 1 ? 1 : 4;
        tx.LoopSides = 6;
        for (int i = 0; i < 6; ++i) {
            tx.NodeX[i] = loop[i][0];
            tx.NodeY[i] = loop[i][1];
            tx.NodeZ[i] = -0.5;
        }
        tx.NoGates = t == 1 ? 25 : 30;
        tx.FullWaveformRepetitionFrequency = t == 1 ? 210 : 25;
        tx.SignPattern = {1, -1, -1, 1};
        tx.LPFilterOrderandCutoff[0] = 1;
        tx.LPFilterOrderandCutoff[1] = 300000;
        tx.Volts = 12.5;
        tx.Amps = t == 1 ? 9 : 113;
        tx.AmpsMin = 0.5;
        tx.Damping = 270;
        tx.RelayB = t == 2;
        tx.PrimaryFieldSTD = t == 2 ? 0.02 : 0;

        TTxWaveform& w = cfg.TxWaveform[t];
        w = DefaultTxWaveform();
        w.WaveformFilename = t == 1 ? "LM_wave.csv" : "HM_wave.csv";
        w.WaveformPointsDigitized = 6;
        const double times[6] = {-3.181e-3, -3.1786e-3, -8e-4, 0, 4.4e-7, 1.3e-6};
        const double amps[6] = {0, 0.6, 1, 1, 0.64, 0};
        for (int p = 1; p <= 6; ++p) {
            w.WaveformPointTimes[p] = Sci(times[p - 1] * t);
            w.WaveformPointAmplitudes[p] = Sci(amps[p - 1]);
        }
        w.drivenRamp = 1.5e-6 * t;
    }
    for (int k = 1; k <= cfg.NumTimebases; ++k) {
        TTimeBase& tb = cfg.TimeBase[k];
        tb = DefaultTimeBase();
        tb.TimeGateFileName = "gates" + std::to_string(k) + ".chn";
        tb.GateSetKnownIndex = k;
        tb.AnalDigConvSamplingRate = 1250000;
        tb.PreBinAppliedSamplingDelay = 1e-7;
        tb.PowerlineBaseFrequency = 60;
        tb.NumGatesInSet = k == 1 ? 25 : 30;
        tb.FullWaveformStacks = 64;
        tb.GateSetName = "Set" + std::to_string(k);
        double open = 2e-6 * k;
        for (int g = 1; g <= tb.NumGatesInSet; ++g) {
            const double width = 1e-6 * g * g;
            tb.drivenGateStart[g] = Sci(open);
            tb.drivenGateEnd[g] = Sci(open + width);
            tb.GateCentre[g] = Sci(open + width / 2);
            tb.GateWidth[g] = tb.drivenGateEnd[g] - tb.drivenGateStart[g];
            open += width;
        }
    }

    TReceiver& rx = cfg.Rx[1];
    rx = DefaultReceiver();
    rx.Name = "Z_coil";
    rx.CentroidX = -13.25;
    rx.CentroidY = 0.5;
    rx.CentroidZ = -2;
    rx.FilterOrder = 2;
    rx.FilterHz = 210000;
    rx.AreaSingleTurn = 105;
    rx.AreaNumTurnsxPreAmpxSingleTurn = 525;
    rx.Turns = 5;
    rx.EquivRadius = 5.78;
    rx.XSideLength = 10.25;
    rx.YSideLength = 10.25;
    rx.Shape = "Polygon";
    rx.Loopsides = 5;
    for (int k = 1; k <= 5; ++k) {
        rx.NodeX[k] = 0.5 * k;
        rx.NodeY[k] = -0.25 * k;
        rx.NodeZ[k] = -2;
    }
    rx.RxType = TRxType::rxtypeB;
    rx.PreBinAppliedRxDelay = 4e-7;

    for (int c = 1; c <= cfg.NumAcqChn; ++c) {
        TAcqChn& a = cfg.AcqChn[c];
        a = DefaultAcqChn(c);
        a.Description = "Channel " + std::to_string(c);
        a.TxNumber = c;
        a.TransmitterMoment = std::string(Name(cfg.Tx[c].MomentID));
        a.GateTimeShift = c == 1 ? -1.8e-6 : -1.4e-6;
        a.GateFactor = 0.96;
        a.RemoveInitialGates = 6 - c;
        a.RemoveGatesFrom = c == 2 ? 28 : 0;
        a.PrimaryFieldDampingFactor = 0.5;
        a.UniformDataSTD = 0.05;
        a.MeaTimeDelay = 1e-7;
        a.FrontGatetime = c == 2 ? 7e-5 : -1;
        a.FrontGateExists = c == 2;
        a.TxApproximateCurrent = c == 1 ? 9 : 113;
        a.GateConstantsExist = c == 1;
        a.GateConstants = c == 1 ? std::vector<double>{0, 0.25, 1e-9} : std::vector<double>{};
        a.GateSTDsExist = c == 2;
        a.GateSTDs = c == 2 ? std::vector<double>{0.03, 0.04} : std::vector<double>{};
        cfg.SysResp[c] = DefaultSystemResponse();
    }
    TSystemResponse& s = cfg.SysResp[1];
    s.SysRespExists = true;
    s.LateTimeConst = 0.02;
    s.OscillFreq = 5500;
    s.SimulRxDelay_uS = 3;
    s.FwdModelLayers = 4;
    for (int L = 1; L <= 4; ++L) {
        s.LayerThicknesses[L] = 2.5 * L;
        s.LayerResistivities[L] = 30.0 * L;
    }
    for (int g = 1; g <= cfg.Tx[1].NoGates; ++g)
        s.FieldAmplitudes[g] = 0.125 * g;

    cfg.Vehicle = DefaultVehicle();
    cfg.Vehicle.GNSSX = 11.91;
    cfg.Vehicle.GNSSY = 2.79;
    cfg.Vehicle.GNSSZ = -0.16;
    cfg.Vehicle.AltimeterExists = true;
    cfg.Vehicle.AltimeterX = 12.94;
    cfg.Vehicle.AltimeterY = 1.79;
    cfg.Vehicle.AltimeterZ = -0.125;
    cfg.Vehicle.Propulsion = TPropulsion::propTractor;
    cfg.Vehicle.TransmitterLoopFixture = 2;
    cfg.Vehicle.WheelBase = 3.5;
    return cfg;
}

} // namespace tem::gextest
