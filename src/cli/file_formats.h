#pragma once
// Which reader and writer a file name's extension selects. This table is the one place where a
// configuration format is switched on for show, convert and check.

#include <string>
#include <string_view>

#include "core/files/config_save.h"
#include "core/model/configuration.h"

namespace tem {
struct DataFolders;
class Operator;
} // namespace tem

namespace tem::cli {

using ReadFunction = void (*)(Configuration&, const DataFolders&, Operator&);
using WriteFunction = SaveResult (*)(Configuration&, const DataFolders&, Operator&, SaveMode);

struct FileFormat {
    std::string_view extension; ///< lower case, with the dot
    TINIFileFormat format;
    ReadFunction read;   ///< nullptr: reading this format is not available yet
    WriteFunction write; ///< nullptr: writing this format is not available yet
};

/// The format of a file name by its extension (any case). Throws UsageError for any other
/// extension, with the program's own text for it.
const FileFormat& FormatOf(const std::string& fileName);

} // namespace tem::cli
