#include "core/files/config_formats.h"

#include <array>
#include <filesystem>

#include "core/files/gex_file.h"
#include "core/files/tdc_file.h"
#include "core/files/value_forms.h"

namespace tem {

namespace {

// Switch a format on by naming its reader and writer here.
const std::array<ConfigFormat, 2> Formats = {{
    {".tdc", TINIFileFormat::TDC, &LoadTDCFromFile, &SaveTDCToFile},
    {".gex", TINIFileFormat::GEX, &LoadGEXFromFile, &SaveGEXToFile},
}};

} // namespace

const ConfigFormat* ConfigFormatOfFile(std::string_view fileName)
{
    const std::string ext = UpperCase(std::filesystem::path(fileName).extension().string());
    for (const ConfigFormat& f : Formats)
        if (UpperCase(std::string(f.extension)) == ext)
            return &f;
    return nullptr;
}

const ConfigFormat& ConfigFormatOf(TINIFileFormat format)
{
    return format == TINIFileFormat::GEX ? Formats[1] : Formats[0];
}

std::string_view UpperExtensionOf(TINIFileFormat format)
{
    return format == TINIFileFormat::GEX ? ".GEX" : ".TDC";
}

} // namespace tem
