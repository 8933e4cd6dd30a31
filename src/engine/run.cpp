#include "engine/run.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "engine/files.h"

namespace tem::engine {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return text.str();
}

bool SameWithoutCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

/// The system file named in the model file: relative names are found in the model file's folder,
/// matched without regard to case when the exact name does not exist.
fs::path FindSystemFile(const fs::path& folder, const std::string& name)
{
    fs::path path(name);
    if (path.is_absolute())
        return path;
    fs::path exact = folder / path;
    std::error_code ec;
    if (fs::exists(exact, ec) || path.has_parent_path())
        return exact;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (SameWithoutCase(it->path().filename().string(), name))
            return it->path();
    return exact;
}

/// Writes through a temporary file, so a result file is either complete or absent.
bool WriteResultFile(const fs::path& path, const std::string& text)
{
    fs::path temporary = path;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::error_code ec;
            fs::remove(temporary, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

class Console {
  public:
    explicit Console(std::ostream& out) : out_(out) {}
    void Line(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        out_ << text << std::endl; // flushed: the runner shows progress line by line
    }

  private:
    std::ostream& out_;
    std::mutex mutex_;
};

struct LoadedSystem {
    std::optional<SystemFile> file;
    std::optional<PreparedSystem> prepared;
    std::string problem;
};

} // namespace

int RunEngine(const RunArguments& arguments, std::ostream& out)
{
    Console console(out);
    const fs::path model_path = arguments.model_file;
    fs::path folder = model_path.parent_path();
    if (folder.empty())
        folder = ".";
    console.Line("temsetrix-engine: model file " + model_path.string());
    std::error_code ec;
    if (arguments.control_file.empty() || !fs::exists(arguments.control_file, ec))
        console.Line("The control file \"" + arguments.control_file.string() +
                     "\" does not exist; this engine does not need it and goes on.");

    std::optional<std::string> model_text = ReadWholeFile(model_path);
    if (!model_text) {
        console.Line("Cannot read the model file " + model_path.string() + "; nothing computed.");
        return 2;
    }
    ModelFile model;
    try {
        model = ParseModelFile(*model_text, model_path.string());
    } catch (const InputError& e) {
        console.Line(std::string(e.what()) + "; nothing computed.");
        return 2;
    }
    for (const std::string& note : model.notes)
        console.Line(note);

    // Each system file is read and prepared once.
    std::map<std::string, LoadedSystem> systems;
    for (const DataSetEntry& entry : model.data_sets) {
        if (!entry.problem.empty() || systems.count(entry.system_file))
            continue;
        LoadedSystem& loaded = systems[entry.system_file];
        fs::path path = FindSystemFile(folder, entry.system_file);
        std::optional<std::string> text = ReadWholeFile(path);
        if (!text) {
            loaded.problem = "cannot read the TEM system file " + path.string();
            continue;
        }
        try {
            loaded.file = ParseSystemFile(*text, path.string());
            loaded.prepared = PrepareSystem(loaded.file->system, arguments.settings);
            if (loaded.file->front_gate)
                console.Line(path.string() +
                             " asks for a front gate: the front gate is not modelled; the filters "
                             "after it are applied to the whole signal.");
        } catch (const InputError& e) {
            loaded.problem = e.what();
        } catch (const std::exception& e) {
            loaded.problem = path.string() + ": " + e.what();
        }
    }

    const int total = static_cast<int>(model.data_sets.size());
    std::atomic<int> written{0};
    auto describe = [&](const DataSetEntry& entry) {
        return "Data set " +
               (entry.number > 0 ? std::to_string(entry.number) : "on line " + std::to_string(entry.line)) +
               (entry.system_file.empty() ? std::string() : " (" + entry.system_file + ")");
    };
    auto fail = [&](const DataSetEntry& entry, const std::string& why) {
        if (entry.number > 0) {
            std::error_code ignored;
            fs::remove(folder / ResultFileName(entry.number), ignored); // no stale result may stand in
        }
        console.Line(describe(entry) + ": not computed - " + why);
    };

    // Data sets that cannot be computed are reported first; the others are grouped by earth, so a
    // group shares one table of reflection coefficients.
    std::vector<std::vector<std::size_t>> groups;
    std::map<int, std::size_t> seen_numbers;
    for (std::size_t i = 0; i < model.data_sets.size(); ++i) {
        const DataSetEntry& entry = model.data_sets[i];
        if (!entry.problem.empty()) {
            fail(entry, entry.problem);
            continue;
        }
        if (seen_numbers.count(entry.number)) {
            fail(entry,
                 "data set number " + std::to_string(entry.number) + " appears twice in the model file");
            continue;
        }
        seen_numbers[entry.number] = i;
        const LoadedSystem& loaded = systems[entry.system_file];
        if (!loaded.problem.empty()) {
            fail(entry, loaded.problem);
            continue;
        }
        auto same_earth = [&](const std::vector<std::size_t>& g) {
            return *model.data_sets[g.front()].earth == *entry.earth;
        };
        auto group = groups.empty() || !same_earth(groups.back()) ? groups.end() : groups.end() - 1;
        if (group == groups.end())
            group = std::find_if(groups.begin(), groups.end(), same_earth);
        if (group == groups.end())
            groups.push_back({i});
        else
            group->push_back(i);
    }

    std::atomic<std::size_t> next_group{0};
    auto work = [&] {
        for (std::size_t g = next_group++; g < groups.size(); g = next_group++) {
            const LayeredEarth& earth = *model.data_sets[groups[g].front()].earth;
            std::vector<const PreparedSystem*> prepared;
            for (std::size_t i : groups[g])
                prepared.push_back(&*systems.at(model.data_sets[i].system_file).prepared);
            KernelTable table;
            try {
                table = ComputeKernelTable(prepared, earth);
            } catch (const std::exception&) {
                table = {};
            }
            for (std::size_t n = 0; n < groups[g].size(); ++n) {
                const DataSetEntry& entry = model.data_sets[groups[g][n]];
                const LoadedSystem& loaded = systems.at(entry.system_file);
                try {
                    ForwardResult result = Forward(*prepared[n], earth, &table);
                    fs::path path = folder / ResultFileName(entry.number);
                    if (!WriteResultFile(path, FormatResult(*loaded.file, result.gate_values))) {
                        fail(entry, "cannot write " + path.string());
                        continue;
                    }
                    ++written;
                    console.Line(describe(entry) + ": " + ResultFileName(entry.number) + " written, " +
                                 std::to_string(result.gate_values.size()) + " gates");
                } catch (const std::exception& e) {
                    fail(entry, e.what());
                }
            }
        }
    };
    // Groups are found by a linear search above; `systems` is not modified from here on, so the
    // workers only read it.
    int threads =
        arguments.threads > 0 ? arguments.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, static_cast<int>(groups.size())));
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread& t : workers)
        t.join();

    const int done = written.load();
    console.Line("temsetrix-engine: " + std::to_string(done) + " of " + std::to_string(total) +
                 " data sets written" +
                 (done == total ? "." : ", " + std::to_string(total - done) + " failed."));
    return done == total ? 0 : 1;
}

} // namespace tem::engine
