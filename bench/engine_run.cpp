// The built-in engine on a realistic forward run, started as the program starts it: a model file of
// 1000 five-layer models for two channels (2000 data sets) and two TEM system files in the forms
// the program writes, run by the temsetrix-engine executable with both cores.
//
// The system: a 40 m x 40 m loop 0.5 m above the ground, a central and an offset vertical receiver,
// a 4 us linear turn-off, 30 gates from 10 us to 3 ms, a receiver and a transmitter low-pass filter.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int Models = 1000;

std::string SystemFileText(const char* receiver)
{
    std::string text =
        "Forward_Model ! INPUT TEM file - Only system parameters are used in forward modelling, Data "
        "contained is "
        "irrelevant and will be ignored\r\n"
        "72 3  !Segmented loop TxPolarizationHorizontalLoop\r\n"
        "       0        0     -0.5 " +
        std::string(receiver) +
        " !Tx X Y Z Rx X Y Z\r\n"
        "4    1600.00 !NWire, Loop area\r\n"
        " -20.000  -20.000 !knot (x,y)\r\n  20.000  -20.000 !knot (x,y)\r\n"
        "  20.000   20.000 !knot (x,y)\r\n -20.000   20.000 !knot (x,y)\r\n"
        " 3   3   3                  !Inp/out: Inp, Out, Inv (0->H,1->dH/dt,2->B,3->dB/dt,4->rhoa\r\n"
        " 3   1                      !WaveFormType: 0->step,1->imp.,3->user def. d/dt, NWaveForms\r\n"
        "2      -1E-003      -4E-006          1          1      -4E-006          0          1          0 "
        "!NSubWaves, T0_1,T1_1,A0_1,A1_1, .. ,T0_n,T1_n,A0_n,A1_n\r\n"
        "1 0          1            !NFilters (0->no filters at all, else 1,2...) UseFrontG(0->no gate, "
        "1->gate),  "
        "FrontGScale scale factor\r\n"
        "2          2      3E005          1    4.5E005 !LP: NCutOff (0->no filter), FOrder(1,NCutOff), "
        "FCutOff(1,NCutOff) (Hz) Filters before Front Gate\r\n"
        " 0     !HP: NCutOff (0->no filter), FOrder(1,NCutOff), FCutOff(1,NCutOff) (Hz)\r\n";
    const double ratio = std::pow(300.0, 1.0 / 29);
    for (int g = 0; g < 30; ++g) {
        double centre = 1e-5 * std::pow(ratio, g);
        char line[160];
        std::snprintf(line, sizeof line, "%.14E 999.99E-06  3.33E-7 1 1 %.14E %.14E\r\n", centre,
                      centre / std::sqrt(ratio), centre * std::sqrt(ratio));
        text += line;
    }
    return text;
}

std::string ModelFileText()
{
    std::string text = "Temporary Model File for Input to AarhusInv64\r\n" + std::to_string(2 * Models) +
                       " 0 !NDatafiles, N vertical+lateral constrain columns\r\n";
    for (int n = 1; n <= 2 * Models; ++n)
        text += std::to_string(n) + (n <= Models ? " 1 FWD01.tem\r\n" : " 1 FWD02.tem\r\n");
    text += "-1       !Niteration, (-1=forward, 0=forward + model analysis, >0=inversion)\r\n";
    for (int channel = 0; channel < 2; ++channel) {
        for (int m = 0; m < Models; ++m) {
            // Ten resistivities of the second layer, ten of the third, ten thicknesses of the first.
            double rho[5] = {100, 5 * std::pow(100.0, (m % 10) / 9.0),
                             30 * std::pow(30.0, (m / 10 % 10) / 9.0), 20, 500};
            double thick[4] = {5 * std::pow(20.0, (m / 100) / 9.0), 20, 30, 60};
            char line[96];
            text += " 5 !# of layers, model 1\r\n";
            for (double r : rho) {
                std::snprintf(
                    line, sizeof line,
                    "%10.2f -1   !Resistivity, prior STD, vert. constraints, horiz. constraints\r\n", r);
                text += line;
            }
            for (double t : thick) {
                std::snprintf(line, sizeof line,
                              "%10.2f -1   !Thickness, prior STD, vert. constraints, horiz. constraints\r\n",
                              t);
                text += line;
            }
            double depth = 0;
            for (double t : thick) {
                depth += t;
                std::snprintf(line, sizeof line,
                              "%10.2f -1   !Depth, prior STD, vert. constraints, horiz. constraints\r\n",
                              depth);
                text += line;
            }
        }
    }
    return text;
}

void EngineRun(benchmark::State& state)
{
    fs::path folder = fs::temp_directory_path() / "temsetrix-bench-engine";
    fs::create_directories(folder);
    std::ofstream(folder / "fwd.mod", std::ios::binary) << ModelFileText();
    std::ofstream(folder / "FWD01.tem", std::ios::binary) << SystemFileText("       0        0     -0.5");
    std::ofstream(folder / "FWD02.tem", std::ios::binary) << SystemFileText("      10        5     -0.5");
    std::ofstream(folder / "AarhusInv.con", std::ios::binary) << "control\r\n";
    const std::string engine = std::string(TEMSETRIX_BINARY_DIR) + "/src/engine/temsetrix-engine";
    const std::string command = "\"" + engine + "\" \"" + (folder / "fwd.mod").string() + "\" \"" +
                                (folder / "AarhusInv.con").string() + "\" > \"" +
                                (folder / "console.txt").string() + "\"";
    for (auto _ : state) {
        int status = std::system(command.c_str());
        if (status != 0) {
            state.SkipWithError("temsetrix-engine failed");
            break;
        }
    }
    if (!fs::exists(folder / "FWD02000.fwr"))
        state.SkipWithError("the last result file is missing");
    state.counters["data_sets"] = 2 * Models;
    fs::remove_all(folder);
}

} // namespace

BENCHMARK(EngineRun)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

BENCHMARK_MAIN();
