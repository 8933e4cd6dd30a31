#include "cli/file_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

#include "cli/command_context.h"
#include "core/files/gex_file.h"
#include "core/files/tdc_file.h"

namespace tem::cli {

namespace {

// Switch a format on by naming its reader and writer here.
const std::array<FileFormat, 2> Formats = {{
    {".tdc", TINIFileFormat::TDC, &LoadTDCFromFile, &SaveTDCToFile},
    {".gex", TINIFileFormat::GEX, &LoadGEXFromFile, &SaveGEXToFile},
}};

} // namespace

const FileFormat& FormatOf(const std::string& fileName)
{
    std::string ext = std::filesystem::path(fileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const FileFormat& f : Formats)
        if (f.extension == ext)
            return f;
    throw UsageError("File extension must be either TDC or GEX but it was neither. ABORTING");
}

} // namespace tem::cli
