#include "core/response/response_csv.h"

#include <algorithm>
#include <cmath>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/operator.h"

namespace tem {

namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

std::vector<std::string> splitAtCommas(std::string_view line)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        out.push_back(Trim(
            line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return out;
}

/// Channels whose column the file carries for the selected channel.
std::vector<int> targetChannels(const Configuration& cfg, int AcqSel)
{
    if (AcqSel > 3)
        return {AcqSel};
    std::vector<int> out;
    for (int c = 1; c <= std::min(3, cfg.NumAcqChn); ++c)
        out.push_back(c);
    return out;
}

int gatesOf(const Configuration& cfg, int channel)
{
    return std::clamp(cfg.Tx[cfg.AcqChn[channel].TxNumber].NoGates, 0, MaxGates);
}

double areaOf(const Configuration& cfg, int channel)
{
    return cfg.Rx[cfg.AcqChn[channel].RxCoilNumber].AreaNumTurnsxPreAmpxSingleTurn;
}

} // namespace

ResponseCsv ReadResponseCsv(const Configuration& cfg, const std::string& fileName, int AcqSel,
                            ResponseCsvKind kind, Operator& op)
{
    const std::vector<std::string> lines = SplitLines(ReadFileBytes(fileName));
    const std::string header = lines.empty() ? std::string() : lines[0];
    if (!startsWithNoCase(header, "Z,X,Y") && !startsWithNoCase(header, "AcqChn1,AcqChn2,AcqChn3"))
        op.inform(
            "The Specified System Response File is not formated as expected - program failure is imminent!");

    // Field data always carry three columns; a system response only those of channels that exist.
    const std::size_t needed =
        kind == ResponseCsvKind::FieldData ? 3 : std::max<std::size_t>(1, targetChannels(cfg, AcqSel).size());
    ResponseCsv csv;
    for (std::size_t i = 1; i < lines.size() && csv.rows.size() < std::size_t(MaxResponseCsvLines); ++i) {
        const std::string where = "line " + std::to_string(i + 1) + " of " + fileName;
        // A blank last line is the end of the file, not a short record.
        if (Trim(lines[i]).empty() && i + 1 == lines.size())
            break;
        const std::vector<std::string> fields = splitAtCommas(lines[i]);
        if (fields.size() < needed)
            throw ListIndexError("Only " + std::to_string(fields.size()) + " value(s) on " + where + "; " +
                                 std::to_string(needed) + " are needed. Nothing has been loaded.");
        std::vector<double> row;
        for (std::size_t k = 0; k < needed; ++k) {
            const auto v = ParseFloat(fields[k]);
            if (!v || !std::isfinite(*v))
                throw ConversionError("'" + fields[k] + "' is not a valid floating point value (" + where +
                                      "). Nothing has been loaded.");
            row.push_back(*v);
        }
        csv.rows.push_back(std::move(row));
    }
    return csv;
}

std::vector<int> StoreResponseCsv(Configuration& cfg, const ResponseCsv& csv, int AcqSel,
                                  ResponseCsvKind kind)
{
    const std::vector<int> channels = targetChannels(cfg, AcqSel);
    for (int c : channels)
        if (areaOf(cfg, c) == 0)
            throw ActionError(
                "The receiver of acquisition channel " + std::to_string(c) +
                " has an effective area of 0: its values cannot be converted. Nothing has been loaded.");
    for (std::size_t column = 0; column < channels.size(); ++column) {
        const int c = channels[column];
        TSystemResponse& s = cfg.SysResp[c];
        GateArray& target = kind == ResponseCsvKind::FieldData ? s.FieldAmplitudes : s.SysRespAmplitudes;
        const int gates = std::min<int>(gatesOf(cfg, c), int(csv.rows.size()));
        for (int k = 1; k <= gates; ++k) {
            const auto& row = csv.rows[std::size_t(k - 1)];
            if (column < row.size())
                target[k] = row[column] * 1e-6 / areaOf(cfg, c);
        }
    }
    return channels;
}

std::string SystemResponseCsvText(const Configuration& cfg, int AcqSel)
{
    const TSystemResponse& s = cfg.SysResp[AcqSel];
    const double area = areaOf(cfg, AcqSel);
    std::string text = "AcqChn1,AcqChn2,AcqChn3,Units:uV/A\r\n";
    for (int g = 1; g <= gatesOf(cfg, AcqSel); ++g)
        text += FormatSignificant(1e6 * s.SysRespAmplitudes[g] * area, 9, 6) + ",0,0\r\n";
    return text;
}

} // namespace tem
