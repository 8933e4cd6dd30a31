#pragma once
// The report command: the system report of a configuration, written without a window.

#include <string>

#include "core/model/configuration.h"

namespace tem::cli {

struct CommandContext;

/// Writes the system report of cfg (read from configFile) to pdfFile; exit status 0, or an
/// ActionError when the file cannot be written.
int WriteReport(CommandContext& ctx, const Configuration& cfg, const std::string& configFile,
                const std::string& pdfFile);

} // namespace tem::cli
