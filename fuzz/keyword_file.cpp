// Feeds arbitrary bytes to the keyword-file engine: parse, look up, update, append, delete, and
// check that the text it writes parses back to the same values.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tem;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    KeywordFile f = KeywordFile::FromText(text);

    for (const auto& section : f.Sections()) {
        for (const auto& key : f.Keys(section)) {
            const std::string value = f.ReadString(section, key, "");
            // The one-pass lookup of the master check must find what the index finds.
            if (FindInText(text, section, key) != std::optional<std::string>(value))
                std::abort();
            (void)f.ReadInteger(section, key, 0);
            (void)f.ReadFloat(section, key, 0);
            const auto tokens = SplitVector(value, true);
            (void)TokenFloat(tokens, 2, 0);
        }
    }

    // Edits named by the input itself (names as a writer would choose them), then a round trip
    // through the written text.
    auto name = [&](std::size_t from) {
        std::string n = "K";
        for (std::size_t i = from; i < std::min(size, from + 6); ++i)
            if (std::isalnum(data[i]))
                n += char(data[i]);
        return n;
    };
    if (FindInText(text, "All", "IsMasterConfig") != f.Find("All", "IsMasterConfig"))
        std::abort();
    const std::string section = name(0);
    const std::string key = name(6);
    f.WriteString(section, key, text.substr(std::min<std::size_t>(size, 12), 40));
    f.WriteFloat("All", "Volts", size * 0.001);
    f.DeleteKey(section, "Volts");
    f.WriteInteger(section, "Count", static_cast<long long>(size));

    const KeywordFile back = KeywordFile::FromText(f.Text());
    if (back.ReadInteger(section, "Count", -1) != static_cast<long long>(size))
        std::abort();
    if (back.Text() != f.Text())
        std::abort();

    auto lines = f.Lines();
    SplitInlineComments(lines, [] { return true; });
    (void)CalcCRC32(text);
    return 0;
}
