#pragma once
// The report command: the system report of a configuration, written without a window.

#include <string>

namespace tem::cli {

struct CommandContext;

/// Reads the configuration `configFile` and writes its system report to `pdfFile` (- for standard
/// output); exit status 0, or an ActionError when either file fails.
int RunReport(CommandContext& ctx, const std::string& configFile, const std::string& pdfFile);

} // namespace tem::cli
