#pragma once
// One load and one save of a configuration file, each in the format the table of formats gives:
// what a save came to, the refusal of a master target, and the single write of the tidied,
// stamped text under the folder's lock after the backup.

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
    std::string reason;         ///< RefusedMaster and Failed: the text for the operator (empty when
                                ///< the operator has been told already)
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
    bool checkGEXMoments = false;  ///< a GEX save first checks the moment combination (Save, convert)
};

/// Reads cfg.LoadFilename with the reader of the format cfg.TDCorGEX. cfg changes only when the
/// read succeeds; a refused or failed read throws.
void LoadConfiguration(Configuration& cfg, const DataFolders& folders, Operator& op);

/// The name a file of the format is written under: a GEX file ends in the lower-case ".gex" that
/// readers of the exchange format look for; any other name stays as it is.
std::string SaveTargetName(const std::string& name, TINIFileFormat format);

/// Rebuilds the channel map the writers name each channel's transmitter and receiver from; the
/// step of a save before its writer.
void PrepareModelForSave(Configuration& cfg, Operator& op);

/// A whole save of cfg to cfg.SaveFilename in the format cfg.TDCorGEX, each step once: the GEX
/// moment check when asked, the target's name (".gex" in lower case for GEX; a TDC-style file
/// named ".gex" gets the GEX section names), the master refusal, the request's questions, what the
/// format cannot hold, the master question, then under the lock the prepared model through the
/// format's writer. With the current link on, the transmitters then take their channels' currents.
SaveResult SaveConfiguration(Configuration& cfg, const DataFolders& folders, Operator& op,
                             const SaveRequest& request);

} // namespace tem
