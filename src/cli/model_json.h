#pragma once
// The configuration model as JSON: every record's fields under their model names, enumerations by
// their value names, and of each per-entry array only the entries in use.

#include <nlohmann/json.hpp>

namespace tem {
struct Configuration;
struct TTimeBase;
}  // namespace tem

namespace tem::cli {

using Json = nlohmann::ordered_json;

/// The whole model: counts, roles, map, book-keeping, then Tx, Rx, AcqChn, TimeBase, SysResp,
/// TxWaveform (entries 1..their count) and Vehicle.
Json ModelToJson(const Configuration& cfg);
/// One time base with its gates 1..NumGatesInSet (at most 255).
Json TimeBaseToJson(const TTimeBase& base);

}  // namespace tem::cli
