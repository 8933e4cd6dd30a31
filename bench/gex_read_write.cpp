// GEX reading and writing of the largest model the format holds: two moments on loops of 99
// vertices, two time bases of 255 gates, nine receivers, 18 channels each with a system response
// and per-gate lists of 255 values, waveforms of 64 points. Each run saves over the file (backup,
// in-place update, tidy, stamp) and reads it back through the working copy.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "core/files/gex_file.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/model/derived.h"
#include "core/operator.h"

namespace {

using namespace tem;

class Silent : public Operator {
  public:
    void inform(const std::string&) override {}
    bool ask(const std::string&, bool) override { return true; }
};

Configuration LargestGexModel()
{
    Configuration cfg;
    cfg.NumTx = 2;
    cfg.NumTimebases = 2;
    cfg.NumRx = MaxRx;
    cfg.NumAcqChn = MaxAcqChn;
    cfg.Description = "Largest GEX model";
    for (int t = 1; t <= 2; ++t) {
        cfg.Tx[t] = DefaultTransmitter();
        cfg.Tx[t].MomentID = t == 1 ? TMomentID::LM : TMomentID::HM;
        cfg.Tx[t].LoopSides = MaxLoopSides;
        for (int i = 0; i < MaxLoopSides; ++i) {
            cfg.Tx[t].NodeX[i] = 10 * std::cos(i * 0.0634665);
            cfg.Tx[t].NodeY[i] = 10 * std::sin(i * 0.0634665);
        }
        cfg.Tx[t].NoGates = MaxGates;
        cfg.Tx[t].TimeBaseNumber = t;
        cfg.TxWaveform[t] = DefaultTxWaveform();
        cfg.TxWaveform[t].WaveformPointsDigitized = MaxWaveformPoints;
        cfg.TimeBase[t] = DefaultTimeBase();
        cfg.TimeBase[t].NumGatesInSet = MaxGates;
    }
    for (int r = 1; r <= MaxRx; ++r)
        cfg.Rx[r] = DefaultReceiver();
    for (int c = 1; c <= MaxAcqChn; ++c) {
        cfg.AcqChn[c] = DefaultAcqChn(c);
        cfg.AcqChn[c].TxNumber = 1 + (c - 1) % 2;
        cfg.AcqChn[c].RxCoilNumber = 1 + (c - 1) % MaxRx;
        cfg.AcqChn[c].TransmitterMoment = c % 2 ? "LM" : "HM";
        cfg.AcqChn[c].GateConstantsExist = cfg.AcqChn[c].GateFactorsExist = cfg.AcqChn[c].GateSTDsExist =
            true;
        cfg.AcqChn[c].GateConstants.assign(MaxGates, 1.25e-9);
        cfg.AcqChn[c].GateFactors.assign(MaxGates, 0.97);
        cfg.AcqChn[c].GateSTDs.assign(MaxGates, 0.03);
        cfg.SysResp[c] = DefaultSystemResponse();
        cfg.SysResp[c].SysRespExists = true;
    }
    cfg.Vehicle = DefaultVehicle();
    Silent op;
    CalculateDrivenVariables(cfg, op);
    return cfg;
}

void BM_GexSaveAndLoad(benchmark::State& state)
{
    char tmpl[] = "/tmp/bench-gex-XXXXXX";
    const std::string root = std::string(::mkdtemp(tmpl)) + "/";
    const DataFolders folders = DataFolders::Under(root);
    std::filesystem::create_directories(folders.temConfig);
    Silent op;
    const Configuration model = LargestGexModel();
    for (auto _ : state) {
        Configuration cfg = model;
        cfg.SaveFilename = root + "largest.gex";
        SaveGEXToFile(cfg, folders, op);
        Configuration back;
        back.LoadFilename = cfg.SaveFilename;
        LoadGEXFromFile(back, folders, op);
        benchmark::DoNotOptimize(back.NumTx);
        // Keep the backups from piling up past the hundred numbered names.
        state.PauseTiming();
        for (const auto& e : std::filesystem::directory_iterator(root))
            if (e.path().extension() == ".gexBAK")
                std::filesystem::remove(e.path());
        state.ResumeTiming();
    }
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_GexSaveAndLoad)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
