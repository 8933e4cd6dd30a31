#pragma once
// The TDC configuration format.

#include "core/files/config_save.h"

namespace tem {

struct Configuration;
struct DataFolders;
class Operator;

/// Reads cfg.LoadFilename into the whole model. The read works on its own copy of the file and of
/// the model: cfg changes only when the read succeeds (a refused master, an unreadable file or a
/// stopped read throw and leave it as it was).
void LoadTDCFromFile(Configuration& cfg, const DataFolders& folders, Operator& op);
/// Writes the whole model into cfg.SaveFilename (refusal of a master target, the master question,
/// then tidied, stamped and written once after the backup) and tells what came of it.
SaveResult SaveTDCToFile(Configuration& cfg, const DataFolders& folders, Operator& op,
                         SaveMode mode = SaveMode::Update);

} // namespace tem
