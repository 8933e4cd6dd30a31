#pragma once
// Every number the program writes to a file is formatted here, and every value read from a file
// is converted here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tem {

/// The filler appended to vector values that must be safe to read with too few numbers.
inline constexpr std::string_view VectorFiller =
    " //Something here in case not enough variables are in the list";

/// Shortest text that gives v back at 15 significant digits: 120, 0.03, -0.5, 0.00001, 5E-5, 2E-10.
std::string FormatGeneral(double v);
/// printf-style fixed notation ("%8.3f" is FormatFixed(v, 8, 3)); never truncates.
std::string FormatFixed(double v, int width, int decimals);
/// "%12.6e" with an upper-case E and at least three exponent digits: 1.500000E+000.
std::string FormatScientific(double v, int width = 12, int decimals = 6);
/// "%N.Mg" of the engine files: at most `digits` significant digits, trailing zeros and a bare
/// point dropped; fixed notation when 0.0001 <= |v| and the integer part has at most `digits`
/// digits, else 1.5E-005 (upper-case E, a sign only for a negative exponent, three or more
/// exponent digits); right-aligned in `width` columns. "%Ne" is FormatScientific(v, N, 14).
std::string FormatSignificant(double v, int width, int digits);
/// "%x": upper-case hexadecimal, no prefix, no leading zeros.
std::string FormatHex(std::uint32_t v);
/// Numbered names: "%1u" is minDigits 1, "%2.2u" is 2, "%3.3u" is 3.
std::string FormatNumbered(long long n, int minDigits);

/// C's "%<width>.<precision>g" in the C locale ("%9g" is FormatPrintfG(v, 9, 6)).
std::string FormatPrintfG(double v, int width, int precision = 6);
/// C's "%<width>.<precision>e" in the C locale: lower-case e, at least two exponent digits.
std::string FormatPrintfE(double v, int width, int precision = 6);

/// Decimal number with a point and optional exponent (surrounding spaces allowed); else nothing.
std::optional<double> ParseFloat(std::string_view text);
/// Optional sign and decimal digits, or "0x"/"0X" and hexadecimal digits; else nothing.
std::optional<long long> ParseInteger(std::string_view text);

/// Splits a vector value into tokens: tabs become spaces, the filler is appended when asked,
/// separators are commas and runs of characters up to and including space; a token that begins
/// with a double quote runs to its matching quote. At most maxTokens tokens are taken: the rest of
/// a longer value is not looked at. The default is far above what any one value of the model
/// holds, so a hostile value of millions of numbers cannot take the memory.
inline constexpr std::size_t MaxVectorTokens = 4096;
std::vector<std::string> SplitVector(std::string_view value, bool withFiller,
                                     std::size_t maxTokens = MaxVectorTokens);

/// The message of a per-gate list that holds more numbers than a time base has gates.
std::string GateListTooLong(std::string_view section, std::string_view key, int gates);

/// Token k; a missing token ends the read with ListIndexError naming the index.
const std::string& TokenAt(const std::vector<std::string>& tokens, std::size_t k);
/// Token k converted as a number, or def when missing or not a number.
double TokenFloat(const std::vector<std::string>& tokens, std::size_t k, double def);
long long TokenInteger(const std::vector<std::string>& tokens, std::size_t k, long long def);

/// Trims spaces and control characters at both ends.
std::string Trim(std::string_view s);
std::string UpperCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);

} // namespace tem
