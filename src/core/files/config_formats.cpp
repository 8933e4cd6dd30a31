#include "core/files/config_formats.h"

#include <array>
#include <filesystem>

#include "core/files/gex_file.h"
#include "core/files/tdc_file.h"
#include "core/files/value_forms.h"

namespace tem {

namespace {

// Switch a format on by naming its reader, writer and save rules here.
const std::array<ConfigFormat, 2> Formats = {{
    {".tdc", TINIFileFormat::TDC, &LoadTDCFromFile, &WriteTDC, nullptr,
     "Double Checking: Writing to a Master configuration file. Are you sure?"},
    {".gex", TINIFileFormat::GEX, &LoadGEXFromFile, &WriteGEX, &WhyNotSavedAsGEX,
     "Writing to a Master configuration file. Are you sure?"},
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
    for (const ConfigFormat& f : Formats)
        if (f.format == format)
            return f;
    return Formats[0];
}

std::string_view UpperExtensionOf(TINIFileFormat format)
{
    return format == TINIFileFormat::GEX ? ".GEX" : ".TDC";
}

} // namespace tem
