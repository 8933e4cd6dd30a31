// The cost of result files that a reader sees complete or not at all, for the 2,000 data sets of a
// forward run (1,000 models x 2 channels) written by the engine's two worker threads into one run
// folder and removed afterwards, as the forward chain does:
//   BM_TemporaryAndRename  a private temporary name, then rename (what the engine does)
//   BM_UnnamedAndLink      an unnamed file (O_TMPFILE), then linkat under its name
//   BM_DirectWrite         the file written under its name (unprotected: a reader could see a part)
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int DataSets = 2000;

/// A result of 30 gates in the engine's form: header lines, then time and value per gate.
std::string ResultText()
{
    std::string text = "Forward_Model ! INPUT TEM file - Only system parameters are used\r\n";
    for (int line = 0; line < 8; ++line)
        text += "  3   3   3                  !Inp/out: Inp, Out, Inv\r\n";
    char row[64];
    for (int g = 0; g < 30; ++g) {
        std::snprintf(row, sizeof row, "%.6E %.14E\r\n", 1e-5 * (g + 1), -1.2345678901234e-9 * (g + 1));
        text += row;
    }
    return text;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

bool TemporaryAndRename(const fs::path& path, const std::string& text)
{
    static std::atomic<unsigned> counter{0};
    fs::path temporary = path;
    temporary += "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, text);
    if (::close(fd) != 0 || !ok)
        return false;
    return ::rename(temporary.c_str(), path.c_str()) == 0;
}

bool UnnamedAndLink(const fs::path& path, const std::string& text)
{
    const int fd = ::open(path.parent_path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    ok = ok && ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
    return ::close(fd) == 0 && ok;
}

bool DirectWrite(const fs::path& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, text);
    return ::close(fd) == 0 && ok;
}

using Writer = bool (*)(const fs::path&, const std::string&);

void Measure(benchmark::State& state, Writer write)
{
    const fs::path folder =
        fs::temp_directory_path() / ("temsetrix-bench-results-" + std::to_string(::getpid()));
    const std::string text = ResultText();
    std::atomic<bool> failed{false};
    for (auto _ : state) {
        fs::create_directories(folder);
        std::atomic<int> next{1};
        auto worker = [&] {
            for (int n = next++; n <= DataSets; n = next++) {
                char name[24];
                std::snprintf(name, sizeof name, "FWD%05d.fwr", n);
                if (!write(folder / name, text))
                    failed = true;
            }
        };
        std::thread other(worker);
        worker();
        other.join();
        fs::remove_all(folder);
        if (failed) {
            state.SkipWithError("a result file could not be written");
            return;
        }
    }
    state.counters["files"] = DataSets;
}

void BM_TemporaryAndRename(benchmark::State& state)
{
    Measure(state, TemporaryAndRename);
}
BENCHMARK(BM_TemporaryAndRename)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_UnnamedAndLink(benchmark::State& state)
{
    Measure(state, UnnamedAndLink);
}
BENCHMARK(BM_UnnamedAndLink)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_DirectWrite(benchmark::State& state)
{
    Measure(state, DirectWrite);
}
BENCHMARK(BM_DirectWrite)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
