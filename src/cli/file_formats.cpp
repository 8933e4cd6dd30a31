#include "cli/file_formats.h"

#include "cli/command_context.h"

namespace tem::cli {

const ConfigFormat& FormatOf(const std::string& fileName)
{
    if (const ConfigFormat* f = ConfigFormatOfFile(fileName))
        return *f;
    throw UsageError(UnknownConfigExtension);
}

} // namespace tem::cli
