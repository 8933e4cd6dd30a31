// The engine's work before its first result on the largest model file it takes: 99,999 data sets
// of distinct three-layer earths, read from the model file's text and grouped by earth. Both must
// stay far below the runner's 15 seconds without a console line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/files.h"
#include "engine/run.h"

namespace {

constexpr int DataSets = 99999;

std::string ModelFileText()
{
    std::string text = "Temporary Model File for Input to AarhusInv64\r\n" + std::to_string(DataSets) +
                       " 0 !NDatafiles, N vertical+lateral constrain columns\r\n";
    for (int n = 1; n <= DataSets; ++n)
        text += std::to_string(n) + " 1 FWD01.tem\r\n";
    text += "-1       !Niteration, (-1=forward, 0=forward + model analysis, >0=inversion)\r\n";
    char line[96];
    for (int n = 1; n <= DataSets; ++n) {
        text += " 3 !# of layers, model 1\r\n";
        for (double rho : {10.0 + n % 1000, 100.0 + n / 1000, 30.0}) {
            std::snprintf(line, sizeof line,
                          "%10.2f -1   !Resistivity, prior STD, vert. constraints, horiz. constraints\r\n",
                          rho);
            text += line;
        }
        for (double t : {5.0, 20.0}) {
            std::snprintf(line, sizeof line,
                          "%10.2f -1   !Thickness, prior STD, vert. constraints, horiz. constraints\r\n", t);
            text += line;
        }
        for (double d : {5.0, 25.0}) {
            std::snprintf(line, sizeof line,
                          "%10.2f -1   !Depth, prior STD, vert. constraints, horiz. constraints\r\n", d);
            text += line;
        }
    }
    return text;
}

void ReadModelFile(benchmark::State& state)
{
    const std::string text = ModelFileText();
    for (auto _ : state) {
        tem::engine::ModelFile model = tem::engine::ParseModelFile(text, "fwd.mod");
        benchmark::DoNotOptimize(model);
    }
    state.counters["data_sets"] = DataSets;
}

void GroupDataSetsByEarth(benchmark::State& state)
{
    const tem::engine::ModelFile model = tem::engine::ParseModelFile(ModelFileText(), "fwd.mod");
    std::vector<const tem::engine::LayeredEarth*> earths;
    for (const tem::engine::DataSetEntry& entry : model.data_sets)
        earths.push_back(entry.earth ? &*entry.earth : nullptr);
    for (auto _ : state) {
        auto groups = tem::engine::GroupByEarth(earths);
        benchmark::DoNotOptimize(groups);
    }
    state.counters["data_sets"] = DataSets;
}

} // namespace

BENCHMARK(ReadModelFile)->Unit(benchmark::kMillisecond);
BENCHMARK(GroupDataSetsByEarth)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
