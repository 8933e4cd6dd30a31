#include "core/files/known_sections.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "core/files/keyword_file.h"

namespace tem {

namespace {

struct KnownSection {
    std::string_view name;
    bool numbered; ///< the name is followed by a number or transmitter abbreviation
};

// The general, vehicle and numbered record sections of each format, upper case.
constexpr std::array<KnownSection, 8> TdcSections{{{"ALL", false},
                                                   {"TX", true},
                                                   {"RX", true},
                                                   {"CHN", true},
                                                   {"TIMEBASE", true},
                                                   {"VEHICLE", false},
                                                   {"SYSRESP", true},
                                                   {"WAVEFORM", true}}};
constexpr std::array<KnownSection, 4> GexSections{
    {{"GENERAL", false}, {"TRANSMITTER", true}, {"RXCOIL", true}, {"CHANNEL", true}}};

std::string Upper(std::string_view s)
{
    std::string u(s);
    std::transform(u.begin(), u.end(), u.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return u;
}

template <std::size_t N> bool IsKnown(const std::string& upper, const std::array<KnownSection, N>& known)
{
    return std::any_of(known.begin(), known.end(), [&](const KnownSection& k) {
        if (!k.numbered)
            return upper == k.name;
        return upper.size() > k.name.size() && upper.compare(0, k.name.size(), k.name) == 0;
    });
}

} // namespace

bool HasConfigurationSection(const KeywordFile& f, TINIFileFormat fmt)
{
    for (const std::string& section : f.Sections()) {
        const std::string upper = Upper(section);
        if (fmt == TINIFileFormat::GEX ? IsKnown(upper, GexSections) : IsKnown(upper, TdcSections))
            return true;
    }
    return false;
}

std::string NoConfigurationSectionsMessage(const std::string& fileName)
{
    return "No configuration sections were found in " + fileName + " - the defaults are shown";
}

} // namespace tem
