// One read plus one write of the largest TDC file the model's limits allow: 9 transmitters of 99
// vertices, 9 receivers, 9 time bases of 255 gates, 18 channels, each with a system response and
// per-gate lists of 255 values. Both go through the full paths: working copy and comment check
// on reading; backup, in-place update, tidying and stamp on writing.

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "core/files/tdc_file.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/model/derived.h"
#include "core/operator.h"

namespace {

namespace fs = std::filesystem;
using namespace tem;

class QuietOperator : public Operator {
  public:
    void inform(const std::string&) override {}
    bool ask(const std::string&, bool defaultAnswer) override { return defaultAnswer; }
};

Configuration LargestModel()
{
    Configuration cfg;
    cfg.Description = "Largest model the limits allow";
    cfg.ParentConfigFile = "NoParentConfigFile.TDC";
    cfg.CalculateRawDataSTD = cfg.GateNoForPowerLineMonitor = -1;
    cfg.NumTx = MaxTx;
    cfg.NumRx = MaxRx;
    cfg.NumTimebases = MaxTimeBases;
    cfg.NumAcqChn = MaxAcqChn;
    for (int t = 1; t <= MaxTx; ++t) {
        TTransmitter& tx = cfg.Tx[t] = DefaultTransmitter();
        tx.MomentID = static_cast<TMomentID>(t - 1);
        tx.LoopSides = MaxLoopSides;
        for (int i = 0; i < MaxLoopSides; ++i) {
            const double a = 2 * M_PI * i / MaxLoopSides;
            tx.NodeX[i] = 10 * std::cos(a) + t;
            tx.NodeY[i] = 10 * std::sin(a);
            tx.NodeZ[i] = -0.5;
        }
        tx.NoGates = MaxGates;
        tx.TimeBaseNumber = t;
        TTxWaveform& w = cfg.TxWaveform[t] = DefaultTxWaveform();
        w.WaveformPointsDigitized = MaxWaveformPoints;
        for (int p = 1; p <= MaxWaveformPoints; ++p) {
            w.WaveformPointTimes[p] = -1e-3 + p * 1e-5;
            w.WaveformPointAmplitudes[p] = p < MaxWaveformPoints ? 1 : 0;
        }
    }
    for (int r = 1; r <= MaxRx; ++r) {
        TReceiver& rx = cfg.Rx[r] = DefaultReceiver();
        rx.Shape = "Polygon";
        rx.Loopsides = MaxLoopSides;
        for (int k = 1; k <= MaxLoopSides; ++k)
            rx.NodeX[k] = rx.NodeY[k] = 0.01 * k;
    }
    for (int k = 1; k <= MaxTimeBases; ++k) {
        TTimeBase& tb = cfg.TimeBase[k] = DefaultTimeBase();
        tb.NumGatesInSet = MaxGates;
        for (int g = 1; g <= MaxGates; ++g) {
            tb.drivenGateStart[g] = 1e-6 * std::pow(1.03, g);
            tb.drivenGateEnd[g] = 1e-6 * std::pow(1.03, g + 1);
            tb.GateCentre[g] = 0.5 * (tb.drivenGateStart[g] + tb.drivenGateEnd[g]);
            tb.GateWidth[g] = tb.drivenGateEnd[g] - tb.drivenGateStart[g];
        }
    }
    for (int c = 1; c <= MaxAcqChn; ++c) {
        TAcqChn& a = cfg.AcqChn[c] = DefaultAcqChn(c);
        a.TxNumber = (c - 1) % MaxTx + 1;
        a.RxCoilNumber = (c - 1) / 2 % MaxRx + 1;
        a.TransmitterMoment = std::string(Name(cfg.Tx[a.TxNumber].MomentID));
        a.GateConstantsExist = a.GateFactorsExist = a.GateSTDsExist = true;
        for (int g = 0; g < MaxGates; ++g) {
            a.GateConstants.push_back(1.23456789e-9 * g);
            a.GateFactors.push_back(1 + 1e-4 * g);
            a.GateSTDs.push_back(0.03 + 1e-5 * g);
        }
        TSystemResponse& s = cfg.SysResp[c] = DefaultSystemResponse();
        s.SysRespExists = true;
        s.FwdModelLayers = MaxFwdModelLayers;
        for (int g = 1; g <= MaxGates; ++g) {
            s.FieldAmplitudes[g] = 1e-3 / g;
            s.FwdModelAmplitudes[g] = 1.1e-3 / g;
            s.EqnModelAmplitudes[g] = 0.9e-3 / g;
            s.SysRespAmplitudes[g] = 1e-5 * g;
        }
    }
    QuietOperator op;
    TxRxAliasAcqChnMapping(cfg, op);
    CalculateDrivenVariables(cfg, op);
    return cfg;
}

/// A temporary data folder with the largest model saved in it, removed at the end.
class LargestFile {
  public:
    LargestFile()
    {
        std::string pattern = (fs::temp_directory_path() / "temsetrix-bench-XXXXXX").string();
        root = mkdtemp(pattern.data());
        folders = DataFolders::Under(root + "/shared");
        fs::create_directories(folders.temConfig);
        file = root + "/Largest.TDC";
        Configuration cfg = LargestModel();
        cfg.SaveFilename = file;
        SaveTDCToFile(cfg, folders, op);
    }
    ~LargestFile() { fs::remove_all(root); }

    /// The numbered backups a save leaves; removed between iterations so each save does the same work.
    void RemoveBackups() const
    {
        for (const auto& entry : fs::directory_iterator(root))
            if (entry.path().extension() == ".TDCBAK")
                fs::remove(entry.path());
    }

    std::string root, file;
    DataFolders folders;
    QuietOperator op;
};

void ReadPlusWriteLargest(benchmark::State& state)
{
    LargestFile f;
    state.counters["bytes"] = static_cast<double>(fs::file_size(f.file));
    for (auto _ : state) {
        Configuration cfg;
        cfg.LoadFilename = f.file;
        LoadTDCFromFile(cfg, f.folders, f.op);
        cfg.SaveFilename = f.file;
        SaveTDCToFile(cfg, f.folders, f.op);
        state.PauseTiming();
        f.RemoveBackups();
        state.ResumeTiming();
    }
}
BENCHMARK(ReadPlusWriteLargest)->Unit(benchmark::kMillisecond);

void ReadLargest(benchmark::State& state)
{
    LargestFile f;
    for (auto _ : state) {
        Configuration cfg;
        cfg.LoadFilename = f.file;
        LoadTDCFromFile(cfg, f.folders, f.op);
        benchmark::DoNotOptimize(cfg.NumTx);
    }
}
BENCHMARK(ReadLargest)->Unit(benchmark::kMillisecond);

void WriteLargest(benchmark::State& state)
{
    LargestFile f;
    Configuration cfg = LargestModel();
    cfg.SaveFilename = f.file;
    for (auto _ : state) {
        SaveTDCToFile(cfg, f.folders, f.op);
        state.PauseTiming();
        f.RemoveBackups();
        state.ResumeTiming();
    }
}
BENCHMARK(WriteLargest)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
