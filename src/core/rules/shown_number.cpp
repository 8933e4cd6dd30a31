#include "core/rules/shown_number.h"

#include "core/files/value_forms.h"

namespace tem {

double ShownNumber(std::string_view text, std::string_view shown, double exact, double fallback)
{
    if (text == shown)
        return exact;
    return ParseFloat(text).value_or(fallback);
}

} // namespace tem
