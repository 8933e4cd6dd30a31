// Keyword-file engine on a file the size of the largest configuration: about 100 sections,
// thousands of keys and per-gate lists of 255 numbers.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"

namespace {

using namespace tem;

struct Layout {
    std::vector<std::string> sections;
    std::vector<std::string> keys; ///< 30 keys per section
    std::string gateList;
};

const Layout& layout()
{
    static const Layout l = [] {
        Layout l;
        for (int s = 1; s <= 100; ++s)
            l.sections.push_back("Section" + FormatNumbered(s, 2));
        for (int k = 1; k <= 30; ++k)
            l.keys.push_back("KeyNumber" + FormatNumbered(k, 2));
        for (int g = 1; g <= 255; ++g)
            l.gateList += (g > 1 ? " " : "") + FormatGeneral(g * 1.37e-6);
        return l;
    }();
    return l;
}

/// Every key written into an empty file, as a first save does.
KeywordFile writeAll(KeywordFile f)
{
    const Layout& l = layout();
    for (const auto& s : l.sections) {
        for (std::size_t k = 0; k < l.keys.size(); ++k)
            f.WriteFloat(s, l.keys[k], double(k) * 0.25 + 1e-5);
        f.WriteString(s, "GateTimes", l.gateList);
    }
    return f;
}

double readAll(const KeywordFile& f)
{
    const Layout& l = layout();
    double sum = 0;
    for (const auto& s : l.sections) {
        for (const auto& k : l.keys)
            sum += f.ReadFloat(s, k, 0);
        const auto tokens = SplitVector(f.ReadString(s, "GateTimes", ""), true);
        for (std::size_t g = 0; g < 255; ++g)
            sum += TokenFloat(tokens, g, 0);
    }
    return sum;
}

void BM_ReadAllKeys(benchmark::State& state)
{
    const std::string text = writeAll(KeywordFile()).Text();
    for (auto _ : state) {
        const KeywordFile f = KeywordFile::FromText(text);
        benchmark::DoNotOptimize(readAll(f));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadAllKeys)->Unit(benchmark::kMillisecond);

void BM_WriteAllKeysInPlace(benchmark::State& state)
{
    const std::string text = writeAll(KeywordFile()).Text();
    for (auto _ : state) {
        KeywordFile f = writeAll(KeywordFile::FromText(text));
        benchmark::DoNotOptimize(f.Text());
    }
}
BENCHMARK(BM_WriteAllKeysInPlace)->Unit(benchmark::kMillisecond);

void BM_SaveAndLoadFile(benchmark::State& state)
{
    const KeywordFile f = writeAll(KeywordFile());
    const std::string path = "/tmp/bench-keyword-" + std::to_string(::getpid()) + ".TDC";
    for (auto _ : state) {
        f.Save(path);
        benchmark::DoNotOptimize(KeywordFile::Load(path).Lines().size());
    }
    ::unlink(path.c_str());
}
BENCHMARK(BM_SaveAndLoadFile)->Unit(benchmark::kMillisecond);

// A hand-kept file of 179,400 lines, every key carrying an in-line comment: the split must take
// time in proportion to the lines, not to their square.
void BM_SplitInlineComments(benchmark::State& state)
{
    std::string text = "[All]\r\n";
    for (int k = 0; k < 179400; ++k)
        text += "Key" + std::to_string(k) + "=" + std::to_string(k) + " //note " + std::to_string(k) + "\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitInlineCommentsInText(text, {}).size());
}
BENCHMARK(BM_SplitInlineComments)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
