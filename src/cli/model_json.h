#pragma once
// The configuration model as JSON: every record's fields under their model names, enumerations by
// their value names, and of each per-entry array only the entries in use.

#include <nlohmann/json.hpp>

namespace tem {
struct Configuration;
struct TTimeBase;
} // namespace tem

namespace tem::cli {

using Json = nlohmann::ordered_json;

/// The whole model: counts, roles, map, book-keeping, then Tx, Rx, AcqChn, TimeBase, SysResp,
/// TxWaveform (entries 1..their count) and Vehicle.
Json ModelToJson(const Configuration& cfg);
/// One time base with its gates 1..NumGatesInSet (at most 255).
Json TimeBaseToJson(const TTimeBase& base);

/// Files are 8-bit text: a string that is not valid UTF-8 is taken as Latin-1 and converted, so
/// that "°" or "µ" typed in an old editor reaches the JSON instead of stopping it. Applies to every
/// string inside j.
void TextsToUtf8(Json& j);

} // namespace tem::cli
