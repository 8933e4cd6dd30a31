#pragma once
// The GEX geometry-exchange format.

#include <optional>
#include <string>

#include "core/files/config_save.h"

namespace tem {

struct Configuration;
struct DataFolders;
class KeywordFile;
class Operator;

/// Reads cfg.LoadFilename into the whole model; cfg changes only when the read succeeds.
void LoadGEXFromFile(Configuration& cfg, const DataFolders& folders, Operator& op);
/// Why the model cannot be saved as GEX: a SaveFilename not ending in ".gex" (any case), more
/// moments or time bases than GEX holds, or two moments sharing the [General] keys. Nothing when
/// it can.
std::optional<std::string> WhyNotSavedAsGEX(const Configuration& cfg);
/// Writes the whole model into the text of a GEX file; what GEX cannot place is told to op.
void WriteGEX(const Configuration& cfg, KeywordFile& file, Operator& op);
/// SaveConfiguration in the GEX format with no question but the master one: the ".gex" name,
/// what GEX cannot hold, the refusal of a master target, then tidied, stamped and written once
/// after the backup.
SaveResult SaveGEXToFile(Configuration& cfg, const DataFolders& folders, Operator& op);

} // namespace tem
