#pragma once
// Which reader and writer a configuration format uses, and what a save in it asks and refuses.
// This table is the one place where a configuration format is switched on: the load, the save, the
// windows and the command line all ask it.

#include <optional>
#include <string>
#include <string_view>

#include "core/model/configuration.h"

namespace tem {

struct DataFolders;
class KeywordFile;
class Operator;

/// Reads cfg.LoadFilename into the whole model; cfg changes only when the read succeeds.
using ConfigReadFunction = void (*)(Configuration&, const DataFolders&, Operator&);
/// Writes the model into the target's text. It only writes: the save has settled the name,
/// refused what the format cannot hold and prepared the model before.
using ConfigWriteFunction = void (*)(const Configuration&, KeywordFile&, Operator&);
/// Why the format cannot be saved under the model's SaveFilename or cannot hold the model (the
/// text for the operator), or nothing.
using ConfigRefusalFunction = std::optional<std::string> (*)(const Configuration&);

struct ConfigFormat {
    std::string_view extension; ///< lower case, with the dot
    TINIFileFormat format;
    ConfigReadFunction read;
    ConfigWriteFunction write;
    ConfigRefusalFunction refusal;   ///< nothing when the format holds every model
    std::string_view masterQuestion; ///< asked (default No) before a model marked master is written
};

/// What a file of neither extension is answered with.
inline constexpr const char* UnknownConfigExtension =
    "File extension must be either TDC or GEX but it was neither. ABORTING";

/// The format of a file name by its extension (any case); nothing for any other extension.
const ConfigFormat* ConfigFormatOfFile(std::string_view fileName);
/// The reader, writer and save rules of a format.
const ConfigFormat& ConfigFormatOf(TINIFileFormat format);
/// The extension the windows give a file of the format: ".TDC" or ".GEX".
std::string_view UpperExtensionOf(TINIFileFormat format);

} // namespace tem
