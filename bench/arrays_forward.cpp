// Direct-current forward model: 1000 four-layer earths on a 25-configuration array.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/arrays/array_generators.h"
#include "core/geoelectric/geoelectric_model.h"
#include "core/operator.h"

namespace {

/// The default exponential bipole-bipole array with 25 configurations: current electrodes 16 m
/// apart, potential electrodes at 2^(i-2) m, the near current electrode 0.5 m long and portioned.
tem::TArrayConfiguration ExponentialArray()
{
    tem::ArrayDescription d;
    tem::RecordingOperator op;
    tem::GenerateExponentialBipole(d, 25, tem::ExponentialBipoleEntry{}, op);
    return d.AConfig;
}

std::vector<tem::TModel> FourLayerModels()
{
    std::vector<tem::TModel> models;
    for (int m = 0; m < 1000; ++m) {
        const double t = m / 999.0;
        models.push_back(tem::MakeLayeredModel({1 + 4 * t, 10 + 20 * t, 40 - 30 * t},
                                               {100 - 90 * t, 5 + 200 * t, 1000 * (1 - t) + 1, 30}));
    }
    return models;
}

void ForwardModel1000(benchmark::State& state)
{
    const tem::TArrayConfiguration array = ExponentialArray();
    const std::vector<tem::TModel> models = FourLayerModels();
    const tem::TFilter& filter = *tem::J0FilterForDecade(int(state.range(0)));
    tem::TResponse response;
    for (auto _ : state) {
        for (const tem::TModel& m : models) {
            tem::ForwardModel(false, m, array, response, filter);
            benchmark::DoNotOptimize(response.AppReses[25]);
        }
    }
}
BENCHMARK(ForwardModel1000)->Arg(6)->Arg(12)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
