#include "core/files/value_forms.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <system_error>

#include "core/action_error.h"

// Every conversion here is locale-independent (std::to_chars / std::from_chars): the GUI sets the
// process locale, and a German locale must not turn "1.5" into "1,5" in a file.

namespace tem {

namespace {

bool isSpaceOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string nonFinite(double v)
{
    if (std::isnan(v))
        return "NAN";
    return v > 0 ? "INF" : "-INF";
}

std::string padLeft(std::string s, int width)
{
    if (width > 0 && s.size() < std::size_t(width))
        s.insert(0, std::size_t(width) - s.size(), ' ');
    return s;
}

/// Decimal digits of v rounded to `significant` digits, trailing zeros removed, and the decimal
/// exponent of the first digit (v = d.ddd * 10^exponent).
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal toDecimal(double v, int significant)
{
    char buf[64];
    // The shortest text that reads back as v is much cheaper to make than a fixed count of digits.
    // When it has no more digits than asked for, it is also what rounding to that count gives once
    // trailing zeros are dropped: every decimal of at most 15 digits survives a trip through a
    // double unchanged (in the normal range; subnormals keep fewer digits and take the long way).
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    {
        std::string_view shortest(buf, std::size_t(r.ptr - buf));
        const std::size_t e = shortest.find('e');
        const std::size_t mantissa = e - (shortest[0] == '-' ? 1 : 0);
        const std::size_t digits = mantissa - (shortest.find('.') < e ? 1 : 0);
        if (!std::isnormal(v) || significant > 15 || digits > std::size_t(significant))
            r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, significant - 1);
    }
    std::string_view text(buf, std::size_t(r.ptr - buf));
    Decimal d;
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    const std::size_t e = text.find('e');
    for (; i < e; ++i)
        if (text[i] != '.')
            d.digits += text[i];
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    d.exponent);
    return d;
}

} // namespace

std::string FormatGeneral(double v)
{
    if (!std::isfinite(v))
        return nonFinite(v);
    if (v == 0)
        return "0";
    const Decimal d = toDecimal(v, 15);
    std::string out = d.negative ? "-" : "";
    const int n = int(d.digits.size());
    if (d.exponent >= -5 && d.exponent < 15) {
        if (d.exponent < 0) {
            out += "0.";
            out.append(std::size_t(-d.exponent - 1), '0');
            out += d.digits;
        } else if (n <= d.exponent + 1) {
            out += d.digits;
            out.append(std::size_t(d.exponent + 1 - n), '0');
        } else {
            out.append(d.digits, 0, std::size_t(d.exponent + 1));
            out += '.';
            out.append(d.digits, std::size_t(d.exponent + 1));
        }
        return out;
    }
    out += d.digits[0];
    if (n > 1) {
        out += '.';
        out.append(d.digits, 1);
    }
    out += 'E';
    out += std::to_string(d.exponent);
    return out;
}

std::string FormatFixed(double v, int width, int decimals)
{
    if (!std::isfinite(v))
        return padLeft(nonFinite(v), width);
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return padLeft(FormatGeneral(v), width);
    return padLeft(std::string(buf, r.ptr), width);
}

std::string FormatScientific(double v, int width, int decimals)
{
    if (!std::isfinite(v))
        return padLeft(nonFinite(v), width);
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, decimals);
    std::string text(buf, r.ptr);
    const std::size_t e = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    text.resize(e);
    text += exponent < 0 ? "E-" : "E+";
    text += digits;
    return padLeft(std::move(text), width);
}

namespace {

/// printf's %g and %e: to_chars with a precision is specified to give the same text, in any locale.
std::string formatPrintf(double v, int width, std::chars_format form, int precision)
{
    if (!std::isfinite(v))
        return padLeft(std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf", width);
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, form, precision);
    return padLeft(std::string(buf, r.ptr), width);
}

} // namespace

std::string FormatPrintfG(double v, int width, int precision)
{
    return formatPrintf(v, width, std::chars_format::general, std::clamp(precision, 1, 30));
}

std::string FormatPrintfE(double v, int width, int precision)
{
    return formatPrintf(v, width, std::chars_format::scientific, std::clamp(precision, 0, 30));
}

std::string FormatSignificant(double v, int width, int digits)
{
    if (!std::isfinite(v))
        return padLeft(nonFinite(v), width);
    if (digits < 1)
        digits = 1;
    if (v == 0)
        return padLeft("0", width);
    const Decimal d = toDecimal(v, digits);
    std::string out = d.negative ? "-" : "";
    const int n = int(d.digits.size());
    if (d.exponent >= -4 && d.exponent < digits) {
        if (d.exponent < 0) {
            out += "0.";
            out.append(std::size_t(-d.exponent - 1), '0');
            out += d.digits;
        } else if (n <= d.exponent + 1) {
            out += d.digits;
            out.append(std::size_t(d.exponent + 1 - n), '0');
        } else {
            out.append(d.digits, 0, std::size_t(d.exponent + 1));
            out += '.';
            out.append(d.digits, std::size_t(d.exponent + 1));
        }
        return padLeft(std::move(out), width);
    }
    out += d.digits[0];
    if (n > 1) {
        out += '.';
        out.append(d.digits, 1);
    }
    out += 'E';
    if (d.exponent < 0)
        out += '-';
    std::string e = std::to_string(d.exponent < 0 ? -d.exponent : d.exponent);
    if (e.size() < 3)
        e.insert(0, 3 - e.size(), '0');
    out += e;
    return padLeft(std::move(out), width);
}

std::string FormatHex(std::uint32_t v)
{
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v, 16);
    std::string s(buf, r.ptr);
    return UpperCase(s);
}

std::string FormatNumbered(long long n, int minDigits)
{
    const bool negative = n < 0;
    std::string digits = std::to_string(n);
    if (negative)
        digits.erase(0, 1);
    if (minDigits > 0 && digits.size() < std::size_t(minDigits))
        digits.insert(0, std::size_t(minDigits) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

std::optional<double> ParseFloat(std::string_view text)
{
    const std::string t = Trim(text);
    // Check the whole shape first: from_chars alone would take "inf", "nan" and stop early.
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    const std::size_t numberStart = i;
    std::size_t mantissaDigits = 0;
    while (i < t.size() && isDigit(t[i]))
        ++i, ++mantissaDigits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i]))
            ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < t.size() && isDigit(t[i]))
            ++i, ++expDigits;
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;

    // The sign is handled here; from_chars does not take a leading "+".
    std::string number = t.substr(numberStart);
    double v = 0;
    auto r = std::from_chars(number.data(), number.data() + number.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is not a number this program can hold.
        bool tiny = false;
        const std::size_t e = number.find_first_of("eE");
        if (e != std::string::npos) {
            std::string_view ex(number.data() + e + 1, number.size() - e - 1);
            tiny = !ex.empty() && ex[0] == '-';
        }
        if (!tiny)
            return std::nullopt;
        v = 0;
    } else if (r.ec != std::errc() || r.ptr != number.data() + number.size()) {
        return std::nullopt;
    }
    return t[0] == '-' ? -v : v;
}

std::optional<long long> ParseInteger(std::string_view text)
{
    const std::string t = Trim(text);
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        unsigned long long u = 0;
        for (std::size_t i = 2; i < t.size(); ++i)
            if (!isHexDigit(t[i]))
                return std::nullopt;
        auto r = std::from_chars(t.data() + 2, t.data() + t.size(), u, 16);
        if (r.ec != std::errc() || u > static_cast<unsigned long long>(INT64_MAX))
            return std::nullopt;
        return static_cast<long long>(u);
    }
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    if (i == t.size())
        return std::nullopt;
    for (std::size_t k = i; k < t.size(); ++k)
        if (!isDigit(t[k]))
            return std::nullopt;
    long long v = 0;
    // Parse with the sign so that the most negative value is representable.
    const char* first = t.data() + (t[0] == '+' ? 1 : 0);
    auto r = std::from_chars(first, t.data() + t.size(), v, 10);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size())
        return std::nullopt;
    return v;
}

std::vector<std::string> SplitVector(std::string_view value, bool withFiller, std::size_t maxTokens)
{
    // The value and the filler are walked as one text without joining them: a value may be very
    // long, and only its first maxTokens tokens are ever looked at.
    const std::string_view filler = withFiller ? std::string_view(VectorFiller) : std::string_view();
    const std::size_t n = value.size() + filler.size();
    const auto at = [&](std::size_t k) {
        const char c = k < value.size() ? value[k] : filler[k - value.size()];
        return c == '\t' ? ' ' : c;
    };

    std::vector<std::string> tokens;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < n && isSpaceOrControl(at(i)))
            ++i;
    };
    skipBlanks();
    while (i < n && tokens.size() < maxTokens) {
        std::string token;
        if (at(i) == '"') {
            ++i;
            while (i < n) {
                if (at(i) == '"') {
                    if (i + 1 < n && at(i + 1) == '"') {
                        token += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token += at(i++);
            }
        } else {
            while (i < n && !isSpaceOrControl(at(i)) && at(i) != ',')
                token += at(i++);
        }
        tokens.push_back(std::move(token));
        skipBlanks();
        if (i < n && at(i) == ',') {
            ++i;
            skipBlanks();
        }
    }
    return tokens;
}

std::string GateListTooLong(std::string_view section, std::string_view key, int gates)
{
    return std::string(key) + " in section [" + std::string(section) + "] holds more than " +
           std::to_string(gates) + " values, one per gate; only the first " + std::to_string(gates) +
           " are read.";
}

const std::string& TokenAt(const std::vector<std::string>& tokens, std::size_t k)
{
    if (k >= tokens.size())
        throw ListIndexError("List index out of bounds (" + std::to_string(k) + ")");
    return tokens[k];
}

double TokenFloat(const std::vector<std::string>& tokens, std::size_t k, double def)
{
    if (k >= tokens.size())
        return def;
    return ParseFloat(tokens[k]).value_or(def);
}

long long TokenInteger(const std::vector<std::string>& tokens, std::size_t k, long long def)
{
    if (k >= tokens.size())
        return def;
    return ParseInteger(tokens[k]).value_or(def);
}

std::string Trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && isSpaceOrControl(s[b]))
        ++b;
    while (e > b && isSpaceOrControl(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string UpperCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = char(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace tem
