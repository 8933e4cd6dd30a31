#pragma once
// The command line's view of the configuration formats: the core's table by extension, with a
// usage error for a file of neither extension.

#include <string>

#include "core/files/config_formats.h"

namespace tem::cli {

/// The format of a file name by its extension (any case). Throws UsageError for any other
/// extension, with the program's own text for it.
const ConfigFormat& FormatOf(const std::string& fileName);

} // namespace tem::cli
