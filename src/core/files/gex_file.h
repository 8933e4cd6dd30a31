#pragma once
// The GEX geometry-exchange format.

#include "core/files/config_save.h"

namespace tem {

struct Configuration;
struct DataFolders;
class Operator;

/// Reads cfg.LoadFilename into the whole model; cfg changes only when the read succeeds.
void LoadGEXFromFile(Configuration& cfg, const DataFolders& folders, Operator& op);
/// Writes the whole model into cfg.SaveFilename as GEX and tells what came of it; may decline
/// after a question or refuse what GEX cannot hold.
SaveResult SaveGEXToFile(Configuration& cfg, const DataFolders& folders, Operator& op,
                         SaveMode mode = SaveMode::Update);

} // namespace tem
