#pragma once
// Windows show numbers rounded ("%12.7f" seconds keeps only 0.1 us). Reading such a text back
// would silently round the model, so a text the operator has not changed gives back the exact
// value it was made from.

#include <string_view>

namespace tem {

/// The exact model value while text is still the shown text, else text as a number, else fallback.
double ShownNumber(std::string_view text, std::string_view shown, double exact, double fallback);

} // namespace tem
