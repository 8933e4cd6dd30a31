#include "core/forward/forward_window_settings.h"

#include "core/files/keyword_file.h"

namespace tem {

namespace {
constexpr const char* Section = "Window";
}

ForwardWindowSettings ReadForwardWindowSettings(const std::string& fileName)
{
    const KeywordFile file = KeywordFile::Load(fileName);
    ForwardWindowSettings s;
    const long long layers = file.ReadInteger(Section, "Layers", s.layerCount);
    if (layers >= 1 && layers <= 10)
        s.layerCount = int(layers);
    s.engine = file.ReadString(Section, "Engine", "");
    return s;
}

void WriteForwardWindowSettings(const ForwardWindowSettings& settings, const std::string& fileName)
{
    KeywordFile file = KeywordFile::Load(fileName);
    file.WriteInteger(Section, "Layers", settings.layerCount);
    file.WriteString(Section, "Engine", settings.engine);
    file.Save(fileName);
}

} // namespace tem
