#include "core/files/config_save.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/action_error.h"
#include "core/files/config_formats.h"
#include "core/files/config_shared.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"
#include "core/model/derived.h"
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

void LoadConfiguration(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    ConfigFormatOf(cfg.TDCorGEX).read(cfg, folders, op);
}

void PrepareModelForSave(Configuration& cfg, Operator& op)
{
    TxRxAliasAcqChnMapping(cfg, op);
}

std::string SaveTargetName(const std::string& name, TINIFileFormat format)
{
    if (format == TINIFileFormat::GEX && UpperCase(fs::path(name).extension().string()) == ".GEX")
        return fs::path(name).replace_extension(".gex").string();
    return name;
}

namespace {

/// The name the target is written under and the section names it gets, settled before anything
/// looks at the target.
void SettleTarget(Configuration& cfg, const ConfigFormat& format)
{
    cfg.SaveFilename = SaveTargetName(cfg.SaveFilename, format.format);
    if (format.format == TINIFileFormat::GEX)
        return;
    // A TDC-style file named ".gex" uses the GEX section names.
    const ConfigFormat* named = ConfigFormatOfFile(cfg.SaveFilename);
    cfg.TDCorGEX = named ? named->format : TINIFileFormat::TDC;
}

} // namespace

SaveResult SaveConfiguration(Configuration& cfg, const DataFolders& folders, Operator& op,
                             const SaveRequest& request)
{
    (void)folders;
    const ConfigFormat& format = ConfigFormatOf(cfg.TDCorGEX);
    const bool gex = format.format == TINIFileFormat::GEX;
    // The message says why; the caller adds nothing.
    if (gex && request.checkGEXMoments && !CheckGEXMomentCombination(cfg, op))
        return SaveResult{SaveOutcome::Failed, {}, false};
    SettleTarget(cfg, format);
    if (auto refused = RefuseMasterTarget(cfg.SaveFilename, cfg.TDCorGEX))
        return *refused;
    const bool exists = IsRegularFile(ResolvedTarget(cfg.SaveFilename));
    if (exists && request.askOverwrite &&
        !op.ask(std::string("This ") + (gex ? "GEX" : "TDC") + " file already exists - Overwrite?", true))
        return SaveResult{SaveOutcome::Declined, {}, false};
    SaveMode mode = SaveMode::Update;
    if (exists && !request.cleanSaveQuestion.empty() && op.ask(request.cleanSaveQuestion, false))
        mode = SaveMode::Clean;
    if (format.refusal)
        if (auto why = format.refusal(cfg))
            return SaveResult{SaveOutcome::Failed, std::move(*why), false};
    if (cfg.Master && !op.ask(std::string(format.masterQuestion), false))
        return SaveResult{SaveOutcome::Declined, {}, false};

    return StoreConfiguration(
        cfg.SaveFilename, cfg.TDCorGEX, mode,
        [&](KeywordFile& text) {
            PrepareModelForSave(cfg, op);
            format.write(cfg, text, op);
            // After the writer: the transmitters' section keeps the currents the model had, as the
            // file always has; a read of it applies the link again.
            if (cfg.LinkTxApproximateCurrenttoTxAmps)
                LinkChannelCurrentsToTransmitters(cfg);
        },
        op);
}

} // namespace tem
