#pragma once
// One run of the engine: reads the model file and its TEM system files, computes every data set
// (in parallel, one worker per core) and writes a result file per data set next to the model file.

#include <filesystem>
#include <ostream>
#include <vector>

#include "engine/forward.h"

namespace tem::engine {

struct RunArguments {
    std::filesystem::path model_file;
    std::filesystem::path control_file; ///< accepted, not read; may be empty
    ForwardSettings settings;
    int threads = 0; ///< 0: one per core
};

/// Indices of the non-null `earths` grouped by equal earth: groups in the order of their first
/// index, each group's indices in order. O(n log n), for 99,999 data sets as for ten.
std::vector<std::vector<std::size_t>> GroupByEarth(const std::vector<const LayeredEarth*>& earths);

/// Removes every result file of the folder ("FWD" + five digits + ".fwr") first, so that no
/// earlier run's result survives this one, even when it stops early.
/// Writes one console line per data set as it finishes and a final summary line. Returns 0 when
/// every result file was written, 1 when some data set failed, 2 when nothing could be read.
int RunEngine(const RunArguments& arguments, std::ostream& console);

} // namespace tem::engine
