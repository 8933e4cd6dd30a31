#pragma once
// The TDC configuration format.

namespace tem {

struct Configuration;
struct DataFolders;
class Operator;

/// Reads cfg.LoadFilename (through the working copy) into the whole model.
void LoadTDCFromFile(Configuration& cfg, const DataFolders& folders, Operator& op);
/// Writes the whole model into cfg.SaveFilename (backup, in-place update, tidy, stamp).
void SaveTDCToFile(Configuration& cfg, const DataFolders& folders, Operator& op);

}  // namespace tem
