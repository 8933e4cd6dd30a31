#include "core/files/config_save.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/action_error.h"
#include "core/files/gex_file.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/tdc_file.h"
#include "core/files/value_forms.h"
#include "core/operator.h"

namespace tem {

namespace fs = std::filesystem;

namespace {

SaveResult failed(std::string reason)
{
    return SaveResult{SaveOutcome::Failed, std::move(reason), false};
}

/// An exclusive lock on a folder, held while one save backs up and replaces a file in it. Two
/// programs saving onto one file would otherwise each back up the same old text and the first
/// one's version would be lost without a copy.
class FolderLock {
  public:
    explicit FolderLock(const fs::path& folder)
    {
        fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0)
            return; // a folder that cannot be opened fails at the write, with its own reason
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                ::close(fd_); // a file system without locks: save unlocked, as before
                fd_ = -1;
                return;
            }
            if (std::chrono::steady_clock::now() >= until) {
                busy_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool busy() const { return busy_; }

  private:
    int fd_ = -1;
    bool busy_ = false;
};

} // namespace

std::optional<SaveResult> RefuseMasterTarget(const std::string& target, TINIFileFormat format)
{
    const std::string file = ResolvedTarget(target);
    if (!IsRegularFile(file))
        return std::nullopt;
    const StampStatus s = CheckStamp(file, SectionGen(format));
    if (!s.isMaster)
        return std::nullopt;
    return SaveResult{SaveOutcome::RefusedMaster, MasterTargetRefusal, s.corrupt};
}

SaveResult StoreConfiguration(const std::string& target, TINIFileFormat format, SaveMode mode,
                              const std::function<void(KeywordFile&)>& fill, Operator& op)
{
    // A link is saved through: the file it names is read, backed up and replaced.
    const std::string file = ResolvedTarget(target);
    try {
        RequireReplaceable(file);
        FolderLock lock(fs::path(file).parent_path());
        if (lock.busy())
            return failed("The file " + target +
                          " is being saved by another program at the same time - not saved. Try again.");
        const bool exists = IsRegularFile(file);
        std::string old = exists ? ReadFileBytes(file) : std::string();
        // Looked at again under the lock: another program may have made it a master meanwhile.
        if (const StampStatus s = CheckStampOfText(old, SectionGen(format)); s.isMaster)
            return SaveResult{SaveOutcome::RefusedMaster, MasterTargetRefusal, s.corrupt};
        if (mode == SaveMode::Clean)
            old.clear();
        // A comment after a value would go with the line the writer replaces; on a line of its
        // own it stays.
        KeywordFile text = KeywordFile::FromOwnedText(SplitInlineCommentsInText(std::move(old), {}));
        fill(text);
        const std::string bytes = TidyAndStamp(text.Text(), SectionGen(format));

        const std::string backup = exists ? PreWriteCheckandBackup(file, op) : std::string();
        try {
            WriteFileReplacing(file, bytes);
        } catch (const InOutError&) {
            // Nothing was replaced, so the copy made for this save is not needed.
            if (!backup.empty()) {
                std::error_code ec;
                fs::remove(backup, ec);
            }
            throw;
        }
    } catch (const InOutError& e) {
        return failed(e.what());
    }
    return SaveResult{SaveOutcome::Written, {}, false};
}

SaveResult SaveConfiguration(Configuration& cfg, const DataFolders& folders, Operator& op,
                             const SaveRequest& request)
{
    const bool gex = cfg.TDCorGEX == TINIFileFormat::GEX;
    if (gex && UpperCase(fs::path(cfg.SaveFilename).extension().string()) == ".GEX")
        cfg.SaveFilename = fs::path(cfg.SaveFilename).replace_extension(".gex").string();
    if (auto refused = RefuseMasterTarget(cfg.SaveFilename, cfg.TDCorGEX))
        return *refused;
    const bool exists = IsRegularFile(ResolvedTarget(cfg.SaveFilename));
    if (exists && request.askOverwrite &&
        !op.ask(std::string("This ") + (gex ? "GEX" : "TDC") + " file already exists - Overwrite?", true))
        return SaveResult{SaveOutcome::Declined, {}, false};
    SaveMode mode = SaveMode::Update;
    if (exists && !request.cleanSaveQuestion.empty() && op.ask(request.cleanSaveQuestion, false))
        mode = SaveMode::Clean;
    return gex ? SaveGEXToFile(cfg, folders, op, mode) : SaveTDCToFile(cfg, folders, op, mode);
}

} // namespace tem
