// Whole-process time of temsetrix-cli commands, as a script that calls the command line sees it:
// start, run, exit, reaped. The CRC of a small file is the quick command at its quickest; show reads
// the demonstration configuration; a report of a missing file loads the Qt part and stops at once,
// so it is the cost of that part's start. An empty program (/bin/true) is the machine's floor, and
// the engine's --version that of a C++ program that loads the C++ runtime and nothing else.
// child_cpu_ms is the processor time of the started process alone (user and system), which a
// loaded machine changes less than the wall time.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string Cli = TEMSETRIX_BINARY_DIR "/src/cli/temsetrix-cli";
const std::string Demo = TEMSETRIX_SOURCE_DIR "/data/DemoConfig.TDC";

/// Starts `args` with standard output and error on /dev/null and waits for it; its exit status.
/// Adds the process's processor time (s) to `cpuSeconds`.
int RunProcess(std::vector<std::string> args, double& cpuSeconds)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    cpuSeconds += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  1e-6 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Measure(benchmark::State& state, const std::vector<std::string>& args, int expectedStatus)
{
    double cpu = 0;
    if (RunProcess(args, cpu) != expectedStatus) {
        state.SkipWithError(("unexpected exit status of " + args[0]).c_str());
        return;
    }
    cpu = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(RunProcess(args, cpu));
    state.counters["child_cpu_ms"] = 1e3 * cpu / double(state.iterations());
}

/// A 1 kB file in the temporary folder, removed at the end.
struct SmallFile {
    SmallFile() { std::ofstream(path, std::ios::binary) << std::string(1024, 'x'); }
    ~SmallFile() { fs::remove(path); }
    std::string path = (fs::temp_directory_path() / ("temsetrix-bench-" + std::to_string(getpid()))).string();
};

void BM_EmptyProcess(benchmark::State& state)
{
    Measure(state, {"/bin/true"}, 0);
}
BENCHMARK(BM_EmptyProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CxxProgram(benchmark::State& state)
{
    Measure(state, {TEMSETRIX_BINARY_DIR "/src/engine/temsetrix-engine", "--version"}, 0);
}
BENCHMARK(BM_CxxProgram)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Crc(benchmark::State& state)
{
    const SmallFile file;
    Measure(state, {Cli, "crc", file.path}, 0);
}
BENCHMARK(BM_Crc)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShowDemonstration(benchmark::State& state)
{
    const std::string data =
        (fs::temp_directory_path() / ("temsetrix-bench-data-" + std::to_string(getpid()))).string();
    Measure(state, {Cli, "--data-dir", data, "show", Demo}, 0);
    fs::remove_all(data);
}
BENCHMARK(BM_ShowDemonstration)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtPartStart(benchmark::State& state)
{
    Measure(state, {Cli, "report", "/nonexistent/Missing.TDC", "/nonexistent/Missing.PDF"}, 1);
}
BENCHMARK(BM_QtPartStart)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
