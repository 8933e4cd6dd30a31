#pragma once
// Which reader and writer a configuration file's extension selects. This table is the one place
// where a configuration format is switched on: the windows and the command line both ask it.

#include <string>
#include <string_view>

#include "core/files/config_save.h"
#include "core/model/configuration.h"

namespace tem {

struct DataFolders;
class Operator;

using ConfigReadFunction = void (*)(Configuration&, const DataFolders&, Operator&);
using ConfigWriteFunction = SaveResult (*)(Configuration&, const DataFolders&, Operator&, SaveMode);

struct ConfigFormat {
    std::string_view extension; ///< lower case, with the dot
    TINIFileFormat format;
    ConfigReadFunction read;
    ConfigWriteFunction write;
};

/// What a file of neither extension is answered with.
inline constexpr const char* UnknownConfigExtension =
    "File extension must be either TDC or GEX but it was neither. ABORTING";

/// The format of a file name by its extension (any case); nothing for any other extension.
const ConfigFormat* ConfigFormatOfFile(std::string_view fileName);
/// The reader and writer of a format.
const ConfigFormat& ConfigFormatOf(TINIFileFormat format);
/// The extension the windows give a file of the format: ".TDC" or ".GEX".
std::string_view UpperExtensionOf(TINIFileFormat format);

} // namespace tem
