#include "core/systest/system_test_file.h"

#include <cmath>
#include <initializer_list>
#include <optional>
#include <vector>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/operator.h"

namespace tem {

namespace {

using Fields = std::vector<std::string>;

/// Reads a double-quoted text starting at s[i] (a doubled quote stands for one); i moves past the
/// closing quote, or to the end when there is none.
std::string quotedText(std::string_view s, std::size_t& i)
{
    std::string out;
    ++i;
    while (i < s.size()) {
        if (s[i] == '"') {
            if (i + 1 < s.size() && s[i + 1] == '"') {
                out += '"';
                i += 2;
                continue;
            }
            ++i;
            return out;
        }
        out += s[i++];
    }
    return out;
}

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

/// Splits a line the way the acquisition unit's own export tools split it. Strict: every delimiter
/// ends a field, so adjacent delimiters give empty fields. Otherwise (comma text): commas and runs
/// of blanks and control characters delimit, and blanks around a comma belong to it. In both forms
/// a field that begins with a double quote runs to its closing quote, and a delimiter at the very
/// end adds one empty field.
Fields splitFields(std::string_view s, char delimiter, bool strict)
{
    Fields out;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && isBlankOrControl(s[i]))
            ++i;
    };
    if (!strict)
        skipBlanks();
    while (i < s.size()) {
        if (s[i] == '"') {
            out.push_back(quotedText(s, i));
        } else {
            const std::size_t start = i;
            while (i < s.size() && s[i] != delimiter && (strict || !isBlankOrControl(s[i])))
                ++i;
            out.emplace_back(s.substr(start, i - start));
        }
        if (!strict)
            skipBlanks();
        if (i < s.size() && s[i] == delimiter) {
            if (i + 1 == s.size())
                out.emplace_back();
            ++i;
            if (!strict)
                skipBlanks();
        }
    }
    return out;
}

Fields splitStrictAtBlanks(std::string_view s)
{
    return splitFields(s, ' ', true);
}
Fields splitCommaText(std::string_view s)
{
    return splitFields(s, ',', false);
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to)
{
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(s, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
    out.append(s, pos);
    return out;
}

std::string replaceChar(std::string s, char from, char to)
{
    for (char& c : s)
        if (c == from)
            c = to;
    return s;
}

/// An empty field between two tabs reads as 0. Replacing pairs leaves the second of two empty
/// fields in a run of three tabs empty, as the unit's own tools read it.
std::string fillEmptyTabFields(std::string_view line)
{
    return replaceAll(line, "\t\t", "\t0\t");
}

/// Index of the first name equal to one of the aliases (without regard to case), tried in order.
std::optional<std::size_t> findColumn(const Fields& names, std::initializer_list<std::string_view> aliases)
{
    for (std::string_view alias : aliases)
        for (std::size_t i = 0; i < names.size(); ++i)
            if (SameText(names[i], alias))
                return i;
    return std::nullopt;
}

/// Stops the load: the message goes to the operator, the caller returns "ended early".
struct LoadStopped {
    std::string message;
};

[[noreturn]] void stop(std::string message)
{
    throw LoadStopped{std::move(message)};
}

std::string stoppedAt(std::size_t lineNo, const std::string& what)
{
    return "Line " + std::to_string(lineNo) + " of the system test file: " + what +
           ". The file has not been loaded.";
}

/// The running sums of one load, before they are handed over.
struct Sums {
    double ramp1P = 0, ramp2P = 0, ramp2P2S = 0;
    int rampCount1P = 0, rampCount2P = 0, rampCount2P2S = 0;
    double amps1P = 0, amps2P = 0, amps2P2S = 0, ampsSel = 0;
    int ampsCount1P = 0, ampsCount2P = 0, ampsCount2P2S = 0, ampsCountSel = 0;
};

// ---- Constants pass: the first record's constants ------------------------------------------------

/// Value of field i of a constants row; a row shorter than the header gives an empty text.
std::string valueAt(const Fields& values, std::optional<std::size_t> i)
{
    return i && *i < values.size() ? values[*i] : std::string();
}

Fields constantsRow(std::string_view line)
{
    std::string s = fillEmptyTabFields(line);
    s = replaceChar(std::move(s), ' ', '_');
    s = replaceChar(std::move(s), '\t', ' ');
    return splitStrictAtBlanks(s);
}

/// Checks the constants of the first record. Returns false when the load must end (units abort).
bool checkConstants(SystemTestData& d, const std::vector<std::string>& lines, int kind, Operator& op)
{
    std::string header = replaceChar(lines.empty() ? std::string() : lines[0], '\t', ' ');
    header = replaceAll(header, "#", "Hash");
    const Fields names = splitStrictAtBlanks(header);
    Fields values = constantsRow(lines.size() > 1 ? lines[1] : std::string());

    long long rows = 1;
    if (auto c = findColumn(names, {"HashChannels"}))
        rows = ParseInteger(valueAt(values, c)).value_or(1);

    for (long long r = 1; r <= rows; ++r) {
        const std::size_t lineNo = std::size_t(r) + 1;
        // An absurd count must not repeat the checks without end: the rows are lines of the file.
        if (r > 1 && lineNo > lines.size())
            break;
        if (r > 1)
            values = constantsRow(lines[lineNo - 1]);

        // The receiver area and delay are not used here, but a file without them is not a system
        // test file of this equipment.
        if (!findColumn(names, {"RXAREA"}) && !findColumn(names, {"Rx_Area"}))
            stop(stoppedAt(1, "the header has no receiver-area column (RXAREA or Rx_Area)"));
        if (!findColumn(names, {"Tx_Area"}))
            op.inform("BAD: Tx_Area column not found");
        if (!findColumn(names, {"Tx_nTurns"}))
            op.inform("BAD: Tx_nTurns column does not exist. Tx Turns has been made  default of 1");
        if (!findColumn(names, {"RX_Delay", "Rx_Delay_ms", "RxDelay_ms"}))
            stop(stoppedAt(1,
                           "the header has no receiver-delay column (RX_Delay, Rx_Delay_ms or RxDelay_ms)"));

        if (auto c = findColumn(names, {"Rx_ChnLabel"})) {
            d.Component = Trim(valueAt(values, c));
            if (d.Component == "X")
                d.XExists = true;
            if (d.Component == "Y")
                d.YExists = true;
        }

        d.ChnUnits = "uV/A";
        if (auto c = findColumn(names, {"ChnUnits"})) {
            const std::string units = Trim(valueAt(values, c));
            if (!units.empty())
                d.ChnUnits = units;
        }
        if (d.ChnUnits != "uV" && d.ChnUnits != "uV/A") {
            op.inform("Aborting file conversion. ChnUnits column is neither uV nor uV/A");
            return false;
        }

        double volts = 1.0;
        if (auto c = findColumn(names, {"Tx_Voltage"}))
            volts = ParseFloat(valueAt(values, c)).value_or(1.0);
        const bool outOfBand =
            (kind == 0 && (volts < 7.5 || volts > 8.5)) || (kind == 1 && (volts < 6.5 || volts > 7.5));
        if (outOfBand)
            op.inform("Tx voltage on this test file is not the anticipated 8.0 volts +/- 0.5V");

        std::string stacksText = "Stacks_Column_Not_Found";
        if (auto c = findColumn(names, {"Stacks"}))
            stacksText = valueAt(values, c);
        if (ParseInteger(stacksText).value_or(1) < 1000)
            op.inform("Stacks " + stacksText +
                      " is < 1000 on the first record. In Varlo a long stack at the start of the file is "
                      "essential to "
                      "realistic ramp measurement");
    }
    return true;
}

// ---- Data pass ------------------------------------------------------------------------------------

struct Columns {
    std::optional<std::size_t> Stn, Stack, Cur, RMP, NCH, Ch1, Comp, Valid_GPS, Long, Lat;
};

Columns locateColumns(const Fields& names)
{
    Columns c;
    c.Stn = findColumn(names, {"STN"});
    c.Stack = findColumn(names, {"STACKS"});
    c.Cur = findColumn(names, {"CUR", "CURRENT", "TX_AMPS", "CURR"});
    c.RMP = findColumn(names, {"RMP", "TURNOFF", "RAMP_MS"});
    c.NCH = findColumn(names, {"NCH", "NUMTIMES"});
    c.Ch1 = findColumn(names, {"CH1", "CHN1"});
    c.Comp = findColumn(names, {"COMPONENT", "C", "RX_CHNLABEL"});
    c.Valid_GPS = findColumn(names, {"VALID_GPS_FIX", "VALID_GPS"});
    c.Long = findColumn(names, {"LONGITUDE", "LONG", "RX_LONG_WGS84", "RECEIVER_LONG_WGS84"});
    c.Lat = findColumn(names, {"LATITUDE", "LAT", "RX_LAT_WGS84", "RECEIVER_LAT_WGS84"});
    // Date, time, position, frequency, gain and zone columns are recognised by the unit's tools
    // but carry nothing the analysis uses.
    return c;
}

/// n of a header name "CH" + n or "CHN" + n (n decimal digits), else 0.
long long channelNumber(const std::string& name)
{
    std::string_view digits;
    if (name.rfind("CHN", 0) == 0)
        digits = std::string_view(name).substr(3);
    else if (name.rfind("CH", 0) == 0)
        digits = std::string_view(name).substr(2);
    if (digits.empty() || digits.size() > 9)
        return 0;
    long long n = 0;
    for (char ch : digits) {
        if (ch < '0' || ch > '9')
            return 0;
        n = n * 10 + (ch - '0');
    }
    return n;
}

/// A number the reader cannot do without: an absent or unreadable field stops the load.
double requiredNumber(const Fields& f, std::size_t col, const std::string& columnName, const char* what,
                      std::size_t lineNo)
{
    if (col >= f.size())
        stop(
            stoppedAt(lineNo, std::string("the line has no ") + what + " field (column " + columnName + ")"));
    if (auto v = ParseFloat(f[col]); v && std::isfinite(*v))
        return *v;
    stop(stoppedAt(lineNo, std::string("the ") + what + " \"" + Trim(f[col]) + "\" in column " + columnName +
                               " is not a number"));
}

double numberOr(const Fields& f, std::optional<std::size_t> col, double fallback)
{
    if (!col || *col >= f.size())
        return fallback;
    return ParseFloat(f[*col]).value_or(fallback);
}

std::string textAt(const Fields& f, std::optional<std::size_t> col)
{
    return col && *col < f.size() ? f[*col] : std::string();
}

Fields dataFields(std::string_view line)
{
    std::string s = fillEmptyTabFields(line);
    // Tab-separated lines may carry blanks inside a field; comma lines may carry a stray tab near
    // the start. A tab in the second half of the line tells the two apart.
    const std::size_t lastTab = s.rfind('\t');
    if (lastTab != std::string::npos && lastTab + 1 >= s.size() / 2) {
        s = replaceChar(std::move(s), ' ', '_');
        s = replaceChar(std::move(s), '\t', ' ');
        return splitStrictAtBlanks(s);
    }
    return splitCommaText(replaceChar(std::move(s), '\t', ' '));
}

const char* const NoRampColumn = "the header has no ramp column (RMP, TURNOFF or RAMP_MS)";

void readData(SystemTestData& d, Sums& sums, const std::vector<std::string>& lines, Operator& op)
{
    const std::string headerLine = lines.empty() ? std::string() : lines[0];
    const Fields names = headerLine.find('\t') != std::string::npos
                             ? splitStrictAtBlanks(UpperCase(replaceChar(headerLine, '\t', ' ')))
                             : splitCommaText(UpperCase(headerLine));
    const Columns col = locateColumns(names);

    if (!col.NCH) {
        long long largest = 0;
        for (const std::string& n : names)
            largest = std::max(largest, channelNumber(n));
        if (largest > MaxChannelValues)
            stop(stoppedAt(1, "the header announces " + std::to_string(largest) + " channels; at most " +
                                  std::to_string(MaxChannelValues) + " can be read"));
        d.Chan = int(largest);
        // An NCH column sets the count line by line, so only a file without one lacks it.
        if (d.Chan == 0)
            op.inform("Number of channels not detected - enter NCH:## in constants in file");
    }
    if ((col.NCH || d.Chan > 0) && !col.Ch1)
        stop(stoppedAt(1, "the header has no first-channel column (CH1 or CHN1)"));

    std::vector<double> Volts(MaxChannelValues + 1, 0.0);
    bool DudGPS = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t lineNo = i + 1;
        const std::string& line = lines[i];
        if ((!line.empty() && (line[0] == '/' || line[0] == '\\')) || Trim(line).empty())
            continue;
        const Fields f = dataFields(line);

        int station = 0;
        if (col.Stn) {
            const double v = requiredNumber(f, *col.Stn, names[*col.Stn], "station", lineNo);
            const double s = std::floor(v);
            station = s >= 1 && s <= SysTestStations ? int(s) : 0;
        }
        auto ramp = [&] {
            if (!col.RMP)
                stop(stoppedAt(lineNo, NoRampColumn));
            return numberOr(f, col.RMP, 0);
        };

        if (col.Stack && ParseInteger(textAt(f, col.Stack)).value_or(1) > 999) {
            const double amps = numberOr(f, col.Cur, 0);
            switch (station) {
            case 1:
                sums.ramp2P += ramp(), ++sums.rampCount2P;
                sums.amps2P += amps, ++sums.ampsCount2P;
                break;
            case 2:
            case 4:
                sums.ramp1P += ramp(), ++sums.rampCount1P;
                sums.amps1P += amps, ++sums.ampsCount1P;
                break;
            case 3:
                sums.amps1P += amps, ++sums.ampsCount1P;
                break;
            case 5:
                sums.ramp2P2S += ramp(), ++sums.rampCount2P2S;
                sums.amps2P2S += amps, ++sums.ampsCount2P2S;
                break;
            case 7:
            case 8:
                sums.ampsSel += amps, ++sums.ampsCountSel;
                break;
            default:
                break;
            }
        }

        const bool marked = textAt(f, col.Valid_GPS) == "FALSE" ||
                            (col.Long && numberOr(f, col.Long, 0) == 0) ||
                            (col.Lat && numberOr(f, col.Lat, 0) == 0);
        if (marked) {
            DudGPS = true;
            ++d.DudGPSCount;
        }

        if (col.NCH) {
            if (*col.NCH >= f.size())
                stop(stoppedAt(lineNo,
                               "the line has no channel-count field (column " + names[*col.NCH] + ")"));
            const auto nch = ParseInteger(Trim(f[*col.NCH]));
            if (!nch)
                stop(stoppedAt(lineNo, "the channel count \"" + Trim(f[*col.NCH]) + "\" in column " +
                                           names[*col.NCH] + " is not an integer"));
            d.Chan = *nch == 2 ? 150 : 132;
        }

        for (int k = 1; k <= d.Chan; ++k) {
            const std::size_t at = *col.Ch1 + std::size_t(k - 1);
            Volts[std::size_t(k)] = at < f.size() ? ParseFloat(f[at]).value_or(1.0) : 0.0;
        }
        if (d.Chan > 0 && f.size() < *col.Ch1 + std::size_t(d.Chan) && !DudGPS)
            op.inform("Not enough values exist in this record (line " + std::to_string(lineNo) +
                      "): " + (line.size() > 80 ? line.substr(0, 80) + "..." : line));

        if (d.Chan <= 1)
            continue;
        if (col.Comp) {
            d.Component = Trim(textAt(f, col.Comp));
            if (d.Component == "X")
                d.XExists = true;
            if (d.Component == "Y")
                d.YExists = true;
        }
        const double current =
            col.Cur ? requiredNumber(f, *col.Cur, names[*col.Cur], "current", lineNo) : 1.0;
        // Every line carries its ramp; one that cannot be read marks a damaged file.
        if (!col.RMP)
            stop(stoppedAt(lineNo, NoRampColumn));
        requiredNumber(f, *col.RMP, names[*col.RMP], "ramp", lineNo);
        if (d.ChnUnits == "uV")
            for (int k = 1; k <= d.Chan; ++k)
                Volts[std::size_t(k)] /= current;
        DudGPS = false;

        const int rx = d.Component == "Z" ? RxZ : d.Component == "X" ? RxX : -1;
        if (rx < 0 || station == 0)
            continue;
        double factor = 1.0;
        if (station == 6) {
            // Noise is recorded with the transmitter off: the sums are kept in µV, and the analysis
            // normalises them by the selected configuration's current.
            if (!col.Cur)
                stop(stoppedAt(
                    lineNo,
                    "a station 6 (noise) line needs a current column (CUR, CURRENT, TX_AMPS or CURR)"));
            factor = current;
        }
        OneBased<double, MaxChan>& table = d.stn[station][rx];
        for (int k = 1; k <= std::min(d.Chan, MaxChan); ++k)
            table[k] += Volts[std::size_t(k)] * factor;
        if (rx == RxZ)
            ++d.NumStn[station];
    }
}

double average(double sum, int count)
{
    return count == 0 ? sum : sum / count;
}

void finishAverages(SystemTestData& d, const Sums& s, Operator& op)
{
    d.MeasuredRamp1P = average(s.ramp1P, s.rampCount1P);
    d.MeasuredRamp2P = average(s.ramp2P, s.rampCount2P);
    d.MeasuredRamp2P2S = average(s.ramp2P2S, s.rampCount2P2S);
    d.MeasuredAmps1P = average(s.amps1P, s.ampsCount1P);
    d.MeasuredAmps2P = average(s.amps2P, s.ampsCount2P);
    d.MeasuredAmps2P2S = average(s.amps2P2S, s.ampsCount2P2S);
    d.MeasuredAmpsSel = average(s.ampsSel, s.ampsCountSel);
    d.RampCount1P = s.rampCount1P;
    d.RampCount2P = s.rampCount2P;
    d.RampCount2P2S = s.rampCount2P2S;
    d.AmpsCount1P = s.ampsCount1P;
    d.AmpsCount2P = s.ampsCount2P;
    if (s.rampCount1P == 0)
        op.inform("No 1P ramps found with >1000 stacks; That is Stn 2,3,4,5");
    if (s.rampCount2P == 0)
        op.inform("No 2P ramps found with >1000 stacks; That is Stn 1");
    if (s.ampsCount1P == 0)
        op.inform("No 1P Amps found with >1000 stacks; That is Stn 2,3,4,5");
    if (s.ampsCount2P == 0)
        op.inform("No 2P Amps found with >1000 stacks; That is Stn 1");
}

} // namespace

bool ReadSystemTestText(SystemTestData& d, std::string_view text, int kind, Operator& to)
{
    // Each constants row repeats the same checks: the operator hears of each finding once.
    DistinctMessages op(to);
    d = SystemTestData{};
    const std::vector<std::string> lines = SplitLines(text);
    SystemTestData read;
    try {
        if (!checkConstants(read, lines, kind, op))
            return false;
        Sums sums;
        readData(read, sums, lines, op);
        finishAverages(read, sums, op);
    } catch (const LoadStopped& s) {
        op.inform(s.message);
        return false;
    }
    d = std::move(read);
    return true;
}

bool ReadSystemTestFile(SystemTestData& d, const std::string& fileName, int kind, Operator& op)
{
    d = SystemTestData{};
    std::string text;
    try {
        text = ReadFileBytes(fileName);
    } catch (const NotRegularFileError& e) {
        op.inform(e.what());
        return false;
    } catch (const InOutError&) {
        op.inform(fileName + " could not be accessed - perhaps it is open in another program");
        return false;
    }
    return ReadSystemTestText(d, text, kind, op);
}

} // namespace tem
