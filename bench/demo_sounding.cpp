// One sounding of each channel of the demonstration configuration, in process on one core: the
// engine's input files written by the program's forward chain for one three-layer model, the TEM
// system files read as the engine reads them, and the sounding computed over a new earth each time
// (the kernel table included). The argument is the channel.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include "core/files/config_formats.h"
#include "core/forward/forward_store.h"
#include "core/forward/model_set.h"
#include "core/forward/tem_forward.h"
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "engine/files.h"
#include "engine/forward.h"

namespace fs = std::filesystem;

namespace {

using namespace tem;

/// The TEM system file of each channel, as the program writes it for the demonstration.
std::map<int, engine::SystemFile> DemonstrationSystems()
{
    const std::string folder =
        (fs::temp_directory_path() / ("temsetrix-bench-demo-" + std::to_string(::getpid()))).string() + "/";
    RecordingOperator op;
    const DataFolders folders = DataFolders::Under(folder + "data");
    Configuration cfg;
    const std::string demo = TEMSETRIX_SOURCE_DIR "/data/DemoConfig.TDC";
    const ConfigFormat* format = ConfigFormatOfFile(demo);
    cfg.TDCorGEX = format->format;
    cfg.LoadFilename = demo;
    format->read(cfg, folders, op);

    ForwardStore store;
    store.workFolder = folder;
    store.files.CONFilename = folder + "none.con";
    store.files.AarExename = "/bin/true";
    ModelGrid grid;
    grid.layerCount = 3;
    grid.rows = {{"20", "", "", "100", "", ""}, {"30", "", "", "10", "", ""}, {"", "", "", "300", "", ""}};
    std::map<int, engine::SystemFile> systems;
    if (ArrayModels(store.models, grid, op)) {
        PrepareTEMRun(cfg, store, op);
        const engine::ModelFile model = engine::ParseModelFile(
            engine::ReadInputFile(store.files.MODFilename, engine::MaxModelFileBytes, "the model file"),
            store.files.MODFilename);
        int channel = 1;
        for (const engine::DataSetEntry& entry : model.data_sets) {
            const fs::path path = fs::path(store.files.MODFilename).parent_path() / entry.system_file;
            systems.emplace(channel++,
                            engine::ParseSystemFile(engine::ReadInputFile(path, engine::MaxSystemFileBytes,
                                                                          "the TEM system file"),
                                                    path.string()));
        }
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return systems;
}

void DemonstrationSounding(benchmark::State& state)
{
    static const std::map<int, engine::SystemFile> systems = DemonstrationSystems();
    const auto found = systems.find(int(state.range(0)));
    if (found == systems.end()) {
        state.SkipWithError("the forward chain wrote no system file for this channel");
        return;
    }
    const engine::PreparedSystem system =
        engine::PrepareSystem(found->second.system, engine::ForwardSettings{});
    int m = 0;
    for (auto _ : state) {
        // A new earth each time, as in a forward run: no table is reused.
        const engine::LayeredEarth earth{{100, 10.0 + m % 7, 300}, {20, 30}};
        ++m;
        benchmark::DoNotOptimize(engine::Forward(system, earth).gate_values.data());
    }
    state.counters["gates"] = double(found->second.system.gates.size());
}

} // namespace

BENCHMARK(DemonstrationSounding)->DenseRange(1, 2)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
