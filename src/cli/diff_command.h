#pragma once
// temsetrix-cli diff A B: two configurations (TDC or GEX, in any mix) compared field by field.

#include <string>

#include "cli/model_json.h"

namespace CLI {
class App;
}

namespace tem::cli {

struct CommandContext;

/// Every field in which the models a and b (as ModelToJson gives them) differ, in model order:
/// [{"field": "Tx[1].LoopSides", "a": 4, "b": 6}, ...]. Records and per-entry values are named by
/// the model's own indices (Tx[1] is the first transmitter, its corners NodeX[0]...); an entry
/// that only one side has is one difference with null on the other side. What names the file
/// rather than the system (its name, format, master flag and stamp) is not compared.
Json DiffModels(const Json& a, const Json& b);

/// The differences as text: "[]" when there are none, else one difference per line.
std::string DiffText(const Json& differences);

/// Registers "diff A B": exit 0 equal, 1 different, 2 bad usage or a file that cannot be read.
void AddDiffCommand(CLI::App& app, CommandContext& ctx);

} // namespace tem::cli
