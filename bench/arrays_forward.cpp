// Direct-current forward model: 1000 four-layer earths on a 25-configuration array.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/arrays/array_geometry.h"
#include "core/forward/geoelectric_model.h"
#include "core/operator.h"

namespace {

/// An exponential bipole-bipole array: current electrodes 16 m apart, potential electrodes at
/// 2^(i-2) m from the near one.
tem::TArrayConfiguration ExponentialArray()
{
    tem::TArrayConfiguration a;
    a.numBipoles = 25;
    a.MaxCP = 4;
    for (int i = 1; i <= 25; ++i) {
        const double p1 = std::pow(2.0, 0.5 * (i - 2)), p2 = std::pow(2.0, 0.5 * (i - 1));
        const double cp[4] = {p1, p2, 16 + p1, 16 + p2}, q[4] = {1, -1, -1, 1};
        a.numCurPot[i] = 4;
        for (int j = 1; j <= 4; ++j) {
            a.CP[i][j] = cp[j - 1];
            a.CPProp[i][j] = q[j - 1];
        }
    }
    tem::RecordingOperator op;
    tem::CalcGeomFact(a, op);
    return a;
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

}  // namespace

BENCHMARK_MAIN();
