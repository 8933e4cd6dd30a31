// The whole TEM forward chain as the forward window and the command line run it: 1000 three-layer
// models from the model grid, the engine's input files, the built-in engine as a child process,
// the result files read back and the apparent resistivities and loci depths derived, on a
// two-channel configuration of 30 gates each.
//
// BM_WholeChain is everything; BM_ChainOwnWork is everything but the engine's computing (the
// result files of one engine run are kept and read again), so the two give the chain's share.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include <QCoreApplication>

#include "core/forward/tem_forward.h"
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

struct Bench {
    Bench()
    {
        static int argc = 1;
        static char name[] = "bench_forward_chain";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        folder =
            (fs::temp_directory_path() / ("temsetrix-bench-chain-" + std::to_string(::getpid()))).string() +
            "/";
        cfg = TwoChannels();
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

void BM_WholeChain(benchmark::State& state)
{
    Bench b;
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
BENCHMARK(BM_WholeChain)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_ChainOwnWork(benchmark::State& state)
{
    Bench b;
    if (!tem::ArrayModels(b.store.models, ThousandModels(), b.op) ||
        !tem::runner::RunTEMForward(b.cfg, b.store, b.op)) {
        state.SkipWithError("the engine run failed");
        return;
    }
    // Keep the results aside: the chain removes a folder's earlier results before it writes.
    const std::string kept = b.folder + "kept/";
    fs::create_directories(kept);
    for (const auto& e : fs::directory_iterator(b.folder))
        if (e.path().extension() == ".fwr")
            fs::copy_file(e.path(), kept + e.path().filename().string(),
                          fs::copy_options::overwrite_existing);
    b.store.files.AarExename = "/bin/true";
    for (auto _ : state) {
        tem::ArrayModels(b.store.models, ThousandModels(), b.op);
        tem::PrepareTEMRun(b.cfg, b.store, b.op);
        state.PauseTiming();
        for (const auto& e : fs::directory_iterator(kept))
            fs::copy_file(e.path(), b.folder + e.path().filename().string(),
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
