#pragma once
// The TDC configuration format.

#include "core/files/config_save.h"

namespace tem {

struct Configuration;
struct DataFolders;
class KeywordFile;
class Operator;

/// Reads cfg.LoadFilename into the whole model. The read works on its own copy of the file and of
/// the model: cfg changes only when the read succeeds (a refused master, an unreadable file or a
/// stopped read throw and leave it as it was).
void LoadTDCFromFile(Configuration& cfg, const DataFolders& folders, Operator& op);
/// Writes the whole model into the text of a TDC file, with the section names of cfg.TDCorGEX.
void WriteTDC(const Configuration& cfg, KeywordFile& file, Operator& op);
/// SaveConfiguration in the TDC format with no question but the master one: the file's
/// extension, the refusal of a master target, then tidied, stamped and written once after the
/// backup.
SaveResult SaveTDCToFile(Configuration& cfg, const DataFolders& folders, Operator& op);

} // namespace tem
