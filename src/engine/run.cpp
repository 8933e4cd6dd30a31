#include "engine/run.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <tuple>

#include <fcntl.h>
#include <unistd.h>

#include "engine/files.h"

namespace tem::engine {

namespace fs = std::filesystem;

namespace {

bool SameWithoutCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

/// The system files named in the model file, found in the model file's folder, matched without
/// regard to case when the exact name does not exist. The folder is listed once, however many
/// names are looked up.
class SystemFileFinder {
  public:
    explicit SystemFileFinder(fs::path folder) : folder_(std::move(folder)) {}

    fs::path Find(const std::string& name)
    {
        fs::path exact = folder_ / name;
        std::error_code ec;
        if (fs::exists(exact, ec))
            return exact;
        if (!listed_) {
            listed_ = true;
            for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
                by_lower_name_.emplace(Lower(it->path().filename().string()), it->path());
        }
        auto found = by_lower_name_.find(Lower(name));
        if (found != by_lower_name_.end() && SameWithoutCase(found->second.filename().string(), name))
            return found->second;
        return exact;
    }

  private:
    fs::path folder_;
    bool listed_ = false;
    std::multimap<std::string, fs::path> by_lower_name_;
};

/// True for the names of result files: "FWD", five digits, ".fwr".
bool IsResultFileName(const std::string& name)
{
    if (name.size() != 12 || name.compare(0, 3, "FWD") != 0 || name.compare(8, 4, ".fwr") != 0)
        return false;
    return std::all_of(name.begin() + 3, name.begin() + 8, [](char c) { return c >= '0' && c <= '9'; });
}

/// Removes every result file of the folder, so that no earlier run's result can pass for one of
/// this run, whatever happens later. Returns a message when one cannot be removed.
std::string RemoveEarlierResults(const fs::path& folder)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    if (ec)
        return "cannot list the folder " + folder.string() + " to remove earlier results: " + ec.message();
    std::vector<fs::path> stale;
    for (; !ec && it != end; it.increment(ec))
        if (IsResultFileName(it->path().filename().string()))
            stale.push_back(it->path());
    if (ec)
        return "cannot list the folder " + folder.string() + " to remove earlier results: " + ec.message();
    for (const fs::path& path : stale) {
        fs::remove(path, ec);
        if (ec)
            return "cannot remove the earlier result " + path.string() + ": " + ec.message();
    }
    return {};
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

/// Writes an unnamed file in the result's folder and gives it its name only once it is whole.
/// Returns 1 when written, 0 on a write fault, -1 when the folder's file system or the system
/// offers no unnamed files or no way to name them (or the name is taken), so the caller falls
/// back to a temporary name.
int WriteUnnamedThenLink(const fs::path& path, const std::string& text)
{
    const int fd = ::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                          O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == ENOSPC || errno == EDQUOT || errno == EROFS ? 0 : -1;
    if (!WriteAll(fd, text)) {
        ::close(fd);
        return 0;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
    const int link_error = errno;
    const bool closed = ::close(fd) == 0;
    if (linked != 0)
        return link_error == ENOSPC || link_error == EDQUOT ? 0 : -1;
    if (!closed) {
        std::error_code ec;
        fs::remove(path, ec);
        return 0;
    }
    return 1;
}

/// Writes a result file so that a reader sees it complete or not at all. The cheapest way is an
/// unnamed file linked under its name when whole (a third fewer folder operations than a rename
/// for the two worker threads writing into one folder); where the file system cannot do that, or
/// the name is already taken, through a temporary file of a name no other engine uses (its process
/// and a counter of its own), so engines that share a folder never write into or remove each
/// other's temporary files.
bool WriteResultFile(const fs::path& path, const std::string& text)
{
    const int unnamed = WriteUnnamedThenLink(path, text);
    if (unnamed >= 0)
        return unnamed == 1;
    static std::atomic<unsigned> counter{0};
    fs::path temporary = path;
    temporary += "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text);
    ok = ::close(fd) == 0 && ok;
    std::error_code ec;
    if (ok)
        fs::rename(temporary, path, ec);
    if (!ok || ec) {
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

/// Says "data set N of M" (N data sets done, computed or failed) when started, at least once a
/// second while the data sets are computed, and once more when stopped: the runner turns these
/// lines into its progress value and takes an engine that stays silent for a hung one.
class ProgressLine {
  public:
    ProgressLine(Console& console, const std::atomic<int>& done, int total)
        : console_(console), done_(done), total_(total), thread_([this] { Loop(); })
    {
    }
    ~ProgressLine() { Stop(); }

    void Stop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopped_)
                return;
            stopped_ = true;
        }
        wake_.notify_all();
        thread_.join();
        Say();
    }

  private:
    void Say()
    {
        console_.Line("data set " + std::to_string(done_.load()) + " of " + std::to_string(total_));
    }
    void Loop()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopped_) {
            lock.unlock();
            Say();
            lock.lock();
            wake_.wait_for(lock, std::chrono::milliseconds(500), [this] { return stopped_; });
        }
    }

    Console& console_;
    const std::atomic<int>& done_;
    const int total_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
    std::thread thread_;
};

struct LoadedSystem {
    std::optional<SystemFile> file;
    std::optional<PreparedSystem> prepared;
    std::string problem;
};

} // namespace

std::vector<std::vector<std::size_t>> GroupByEarth(const std::vector<const LayeredEarth*>& earths)
{
    auto less = [](const LayeredEarth* a, const LayeredEarth* b) {
        return std::tie(a->resistivity, a->thickness) < std::tie(b->resistivity, b->thickness);
    };
    std::map<const LayeredEarth*, std::size_t, decltype(less)> group_of(less);
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < earths.size(); ++i) {
        if (earths[i] == nullptr)
            continue;
        auto [at, added] = group_of.emplace(earths[i], groups.size());
        if (added)
            groups.emplace_back();
        groups[at->second].push_back(i);
    }
    return groups;
}

int RunEngine(const RunArguments& arguments, std::ostream& out)
{
    Console console(out);
    const fs::path model_path = arguments.model_file;
    fs::path folder = model_path.parent_path();
    if (folder.empty())
        folder = ".";
    console.Line("temsetrix-engine: model file " + model_path.string());
    std::error_code ec;
    if (!arguments.control_file.empty() && !fs::exists(arguments.control_file, ec))
        console.Line("The control file \"" + arguments.control_file.string() +
                     "\" does not exist; this engine does not need it and goes on.");

    // Before anything can fail: a run that stops early must not leave an earlier run's results.
    if (std::string problem = RemoveEarlierResults(folder); !problem.empty()) {
        console.Line("Cannot start: " + problem + "; nothing computed.");
        return 2;
    }
    ModelFile model;
    try {
        std::string model_text = ReadInputFile(model_path, MaxModelFileBytes, "the model file");
        model = ParseModelFile(model_text, model_path.string());
    } catch (const InputError& e) {
        std::string why = e.what();
        why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
        console.Line(why + "; nothing computed.");
        return 2;
    }
    for (const std::string& note : model.notes)
        console.Line(note);
    const int total = static_cast<int>(model.data_sets.size());
    std::atomic<int> done{0};
    ProgressLine progress(console, done, total);

    // Each system file is read and prepared once.
    std::map<std::string, LoadedSystem> systems;
    SystemFileFinder finder(folder);
    for (const DataSetEntry& entry : model.data_sets) {
        if (!entry.problem.empty() || systems.count(entry.system_file))
            continue;
        LoadedSystem& loaded = systems[entry.system_file];
        fs::path path = finder.Find(entry.system_file);
        try {
            std::string text = ReadInputFile(path, MaxSystemFileBytes, "the TEM system file");
            loaded.file = ParseSystemFile(text, path.string());
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

    std::atomic<int> written{0};
    auto describe = [&](const DataSetEntry& entry) {
        return "Data set " +
               (entry.number > 0 ? std::to_string(entry.number) : "on line " + std::to_string(entry.line)) +
               (entry.system_file.empty() ? std::string() : " (" + Printable(entry.system_file) + ")");
    };
    // No result file to remove: the earlier ones went before the run, and one of this name now
    // can only be another engine's in the same folder.
    auto fail = [&](const DataSetEntry& entry, const std::string& why) {
        console.Line(describe(entry) + ": not computed - " + why);
        ++done;
    };

    // Data sets that cannot be computed are reported first; the others are grouped by earth, so a
    // group shares one table of reflection coefficients.
    std::vector<const LayeredEarth*> earths(model.data_sets.size(), nullptr);
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
        earths[i] = &*entry.earth;
    }
    const std::vector<std::vector<std::size_t>> groups = GroupByEarth(earths);

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
                    ++done;
                } catch (const std::exception& e) {
                    fail(entry, e.what());
                }
            }
        }
    };
    // `systems` is not modified from here on, so the workers only read it.
    int threads =
        arguments.threads > 0 ? arguments.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, static_cast<int>(groups.size())));
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread& t : workers)
        t.join();
    progress.Stop();

    const int computed = written.load();
    console.Line("temsetrix-engine: " + std::to_string(computed) + " of " + std::to_string(total) +
                 " data sets written" +
                 (computed == total ? "." : ", " + std::to_string(total - computed) + " failed."));
    return computed == total ? 0 : 1;
}

} // namespace tem::engine
