// The whole TEM forward chain as the forward window and the command line run it: 1000 three-layer
// models from the model grid, the engine's input files, the built-in engine as a child process,
// the result files read back and the apparent resistivities and loci depths derived, on a
// two-channel configuration of 30 gates each.
//
// BM_WholeChain is everything; BM_ChainOwnWork is everything but the engine's computing (the
// result files of one engine run are kept and read again), so the two give the chain's share.
// BM_WholeChainDemonstration is everything on the demonstration configuration (two channels of 28
// and 32 gates, its own waveforms and filters).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include <QCoreApplication>

#include "core/files/config_formats.h"
#include "core/forward/tem_forward.h"
#include "core/model/data_folders.h"
#include "core/model/derived.h"
#include "core/operator.h"
#include "runner/EngineRunner.h"

namespace fs = std::filesystem;

namespace {

tem::Configuration TwoChannels()
{
    using namespace tem;
    Configuration cfg = DefaultConfiguration();
    RecordingOperator op;
    cfg.NumTx = 1;
    cfg.NumRx = 2;
    cfg.NumAcqChn = 2;
    TTransmitter& tx = cfg.Tx[1];
    tx.LoopType = 72;
    tx.LoopSides = 4;
    const double x[] = {-20, 20, 20, -20, -20}, y[] = {-20, -20, 20, 20, -20};
    for (int k = 0; k <= 4; ++k) {
        tx.NodeX[k] = x[k];
        tx.NodeY[k] = y[k];
        tx.NodeZ[k] = -0.5;
    }
    tx.NoGates = 30;
    tx.TimeBaseNumber = 1;
    tx.LPFilterOrderandCutoff[0] = 1;
    tx.LPFilterOrderandCutoff[1] = 300000;
    for (int r = 1; r <= 2; ++r) {
        cfg.Rx[r].Orientation = "Z";
        cfg.Rx[r].FilterOrder = 1;
        cfg.Rx[r].FilterHz = 450000;
        cfg.Rx[r].CentroidX = r == 1 ? 0 : 30;
        cfg.Rx[r].CentroidZ = -0.5;
        cfg.AcqChn[r].TxNumber = 1;
        cfg.AcqChn[r].RxCoilNumber = r;
        cfg.AcqChn[r].FrontGateExists = false;
        cfg.AcqChn[r].MeaTimeDelay = 0;
        cfg.AcqChn[r].GateTimeShift = 0;
        cfg.AcqChn[r].PrimaryFieldDampingFactor = 1;
    }
    TTimeBase& tb = cfg.TimeBase[1];
    tb.NumGatesInSet = 30;
    for (int g = 1; g <= 30; ++g) {
        tb.GateCentre[g] = 10e-6 * std::pow(300.0, (g - 1) / 29.0); // 10 us to 3 ms
        tb.drivenGateStart[g] = tb.GateCentre[g] * 0.92;
        tb.drivenGateEnd[g] = tb.GateCentre[g] * 1.08;
        tb.GateWidth[g] = tb.drivenGateEnd[g] - tb.drivenGateStart[g];
    }
    TTxWaveform& w = cfg.TxWaveform[1];
    w.WaveformPointsDigitized = 3;
    w.WaveformPointTimes[1] = -1e-3;
    w.WaveformPointTimes[2] = -4e-6;
    w.WaveformPointTimes[3] = 0;
    w.WaveformPointAmplitudes[1] = 1;
    w.WaveformPointAmplitudes[2] = 1;
    w.WaveformPointAmplitudes[3] = 0;
    CalculateDrivenVariables(cfg, op);
    w.drivenRamp = 4e-6;
    return cfg;
}

tem::ModelGrid ThousandModels()
{
    tem::ModelGrid grid;
    grid.layerCount = 3;
    // 10 x 10 x 10: first thickness, first and last resistivity, three steps per decade.
    grid.rows = {{"2", "2000", "3", "10", "10000", "3"},
                 {"20", "", "", "100", "", ""},
                 {"", "", "", "1", "1000", "3"}};
    return grid;
}

tem::Configuration Demonstration(const std::string& dataFolder)
{
    tem::Configuration cfg;
    tem::RecordingOperator op;
    const std::string demo = TEMSETRIX_SOURCE_DIR "/data/DemoConfig.TDC";
    const tem::ConfigFormat* format = tem::ConfigFormatOfFile(demo);
    cfg.TDCorGEX = format->format;
    cfg.LoadFilename = demo;
    format->read(cfg, tem::DataFolders::Under(dataFolder), op);
    return cfg;
}

struct Bench {
    explicit Bench(bool demonstration = false)
    {
        static int argc = 1;
        static char name[] = "bench_forward_chain";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        folder =
            (fs::temp_directory_path() / ("temsetrix-bench-chain-" + std::to_string(::getpid()))).string() +
            "/";
        cfg = demonstration ? Demonstration(folder + "data") : TwoChannels();
        store.workFolder = folder;
        store.files.CONFilename = folder + "none.con";
    }
    ~Bench()
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string folder;
    tem::Configuration cfg;
    tem::ForwardStore store;
    tem::RecordingOperator op;
};

/// The whole chain over the thousand models, on the two-channel case or the demonstration
/// configuration.
void RunWholeChain(benchmark::State& state, bool demonstration)
{
    Bench b(demonstration);
    for (auto _ : state) {
        if (!tem::ArrayModels(b.store.models, ThousandModels(), b.op) ||
            !tem::runner::RunTEMForward(b.cfg, b.store, b.op)) {
            state.SkipWithError(b.op.messages.empty() ? "run failed" : b.op.messages.back().c_str());
            return;
        }
        benchmark::DoNotOptimize(b.store.results.LociTEM(999, 1, 2));
    }
    state.counters["models"] = b.store.models.NumModels;
}

void BM_WholeChain(benchmark::State& state)
{
    RunWholeChain(state, false);
}
BENCHMARK(BM_WholeChain)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_WholeChainDemonstration(benchmark::State& state)
{
    RunWholeChain(state, true);
}
BENCHMARK(BM_WholeChainDemonstration)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_ChainOwnWork(benchmark::State& state)
{
    Bench b;
    // The first run's folder is kept, and its result files go into each later run's own folder.
    b.store.keepRunFolder = true;
    if (!tem::ArrayModels(b.store.models, ThousandModels(), b.op) ||
        !tem::runner::RunTEMForward(b.cfg, b.store, b.op)) {
        state.SkipWithError("the engine run failed");
        return;
    }
    b.store.keepRunFolder = false;
    std::vector<fs::path> kept;
    for (const auto& run : fs::directory_iterator(b.folder))
        if (run.is_directory())
            for (const auto& e : fs::directory_iterator(run.path()))
                if (e.path().extension() == ".fwr")
                    kept.push_back(e.path());
    b.store.files.AarExename = "/bin/true";
    for (auto _ : state) {
        tem::ArrayModels(b.store.models, ThousandModels(), b.op);
        tem::PrepareTEMRun(b.cfg, b.store, b.op);
        state.PauseTiming();
        for (const fs::path& result : kept)
            fs::copy_file(result, fs::path(b.store.runFolder) / result.filename(),
                          fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (!tem::FinishTEMRun(b.cfg, b.store, b.op)) {
            state.SkipWithError("reading failed");
            return;
        }
    }
}
BENCHMARK(BM_ChainOwnWork)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
