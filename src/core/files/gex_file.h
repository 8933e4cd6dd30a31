#pragma once
// The GEX geometry-exchange format.

namespace tem {

struct Configuration;
struct DataFolders;
class Operator;

/// Reads cfg.LoadFilename (through the working copy) into the whole model.
void LoadGEXFromFile(Configuration& cfg, const DataFolders& folders, Operator& op);
/// Writes the whole model into cfg.SaveFilename as GEX; may decline after a question.
void SaveGEXToFile(Configuration& cfg, const DataFolders& folders, Operator& op);

}  // namespace tem
