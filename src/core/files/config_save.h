#pragma once
// One save of a configuration file: what it came to, the refusal of a master target, and the
// single write of the tidied, stamped text under the folder's lock after the backup.

#include <functional>
#include <optional>
#include <string>

#include "core/model/configuration.h"

namespace tem {

struct DataFolders;
class KeywordFile;
class Operator;

enum class SaveOutcome {
    Written,       ///< the file holds the model
    Declined,      ///< the operator answered No; nothing was written
    RefusedMaster, ///< the target is a master file; nothing was written
    Failed,        ///< a step failed; the old file and its backups are as they were
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Failed;
    std::string reason;         ///< RefusedMaster and Failed: the text for the operator
    bool corruptMaster = false; ///< RefusedMaster: that master's stamp fails as well
    bool written() const { return outcome == SaveOutcome::Written; }
};

/// Whether the target's existing text is updated in place, or ("Clean Save") the file is to hold
/// only what the writer writes.
enum class SaveMode { Update, Clean };

/// The text a save refuses a master target with.
inline constexpr const char* MasterTargetRefusal =
    "This is a Master TEM Configuration - it cannot be altered - try SaveAs to write to a duplicate";

/// The refusal of a save onto an existing master file; nothing when the target may be written.
/// Looks at the file without changing it.
std::optional<SaveResult> RefuseMasterTarget(const std::string& target, TINIFileFormat format);

/// The last stage every writer shares. Under the lock of the target's folder (a second save waits
/// briefly, then fails with a message): the target's current text is read (empty for a clean
/// save) with in-line comments split, fill writes the model into it, the text is tidied and
/// stamped, the existing file is backed up, and the new text replaces the file in one write. A
/// failed step leaves the old file and every backup as they were.
SaveResult StoreConfiguration(const std::string& target, TINIFileFormat format, SaveMode mode,
                              const std::function<void(KeywordFile&)>& fill, Operator& op);

/// The questions the main window and the command line put before a save.
struct SaveRequest {
    bool askOverwrite = true;      ///< "This TDC file already exists - Overwrite?" (default Yes)
    std::string cleanSaveQuestion; ///< asked (default No) when the target exists; Yes saves clean
};

/// A whole save of cfg to cfg.SaveFilename in the format cfg.TDCorGEX: the master refusal, the
/// request's questions, then the format's writer. A GEX target is named ".gex".
SaveResult SaveConfiguration(Configuration& cfg, const DataFolders& folders, Operator& op,
                             const SaveRequest& request);

} // namespace tem
