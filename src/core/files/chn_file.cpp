#include "core/files/chn_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/operator.h"

namespace tem {

namespace {

/// Reads text lines ended by CR LF, LF or CR. A line longer than any gate record could be is cut
/// at MaxLine characters, so a binary file cannot make a line grow without bound.
class LineReader {
  public:
    explicit LineReader(std::istream& in) : buf_(*in.rdbuf()) {}

    bool atEnd() { return buf_.sgetc() == Traits::eof(); }

    std::string next()
    {
        std::string line;
        for (;;) {
            const Traits::int_type c = buf_.sbumpc();
            if (c == Traits::eof() || c == '\n')
                break;
            if (c == '\r') {
                if (buf_.sgetc() == '\n')
                    buf_.sbumpc();
                break;
            }
            if (line.size() < MaxLine)
                line += Traits::to_char_type(c);
        }
        return line;
    }

  private:
    using Traits = std::char_traits<char>;
    static constexpr std::size_t MaxLine = 4096;
    std::streambuf& buf_;
};

} // namespace

void ReadMonexChnTimegateFile(Configuration& cfg, const std::string& fileName, int timeBase, Operator& op)
{
    // Read into a copy: a read that stops half-way leaves the time base as it was. An index
    // outside 1..9 stops here, before the file is read.
    TTimeBase tb = cfg.TimeBase[timeBase];

    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec))
        throw InOutError("Cannot open gate file \"" + fileName + "\": it is a folder");
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw InOutError("Cannot open gate file \"" + fileName + "\": " + std::strerror(errno));
    char head[512];
    in.read(head, sizeof head);
    RejectUtf16(std::string_view(head, std::size_t(in.gcount())), fileName);
    in.clear();
    in.seekg(0);
    LineReader reader(in);

    std::string line;
    if (!reader.atEnd())
        line = reader.next();
    if (!line.empty())
        tb.GateSetName = line;

    if (!reader.atEnd())
        line = reader.next();
    if (UpperCase(line.substr(0, 9)) == "NUMTIMES=") {
        const std::string count = Trim(line.substr(line.find('=') + 1, 10));
        const long long n = ParseInteger(count).value_or(0);
        if (n > MaxGates) {
            op.inform("NUMTIMES=" + count + " is more than a time base holds; only the first " +
                      std::to_string(MaxGates) + " gates are read");
            tb.NumGatesInSet = MaxGates;
        } else if (n < 0) {
            op.inform("NUMTIMES=" + count + " is not a gate count; it is read as 0");
            tb.NumGatesInSet = 0;
        } else {
            tb.NumGatesInSet = int(n);
        }
    }

    if (!reader.atEnd())
        line = reader.next();
    if (UpperCase(line.substr(0, 5)) != "DELAY")
        op.inform("Wrong Format. Line one name. Line 2 NUMTIMES=##. Line 3 DELAY   WIDTH. Remaining lines "
                  "millseconds");

    int g = 0;
    while (!reader.atEnd()) {
        if (g == MaxGates) {
            // Only when the count did not stop the read: a missing, zero or stale count.
            op.inform("The gate file holds more than " + std::to_string(MaxGates) +
                      " gates; only the first " + std::to_string(MaxGates) + " were read");
            break;
        }
        line = reader.next();
        ++g;
        const std::vector<std::string> tokens = SplitVector(line, false);
        if (tokens.size() < 2) {
            op.inform("One record had less than two columns");
            TokenAt(tokens, 1); // ends the read with the list-index error
        }
        const double centre = ParseFloat(tokens[0]).value_or(g) / 1000.0;
        const double width = ParseFloat(tokens[1]).value_or(g) / 1000.0;
        tb.GateCentre[g] = centre;
        tb.GateWidth[g] = width;
        tb.drivenGateStart[g] = centre - width / 2;
        tb.drivenGateEnd[g] = centre + width / 2;
        if (g == tb.NumGatesInSet)
            break;
    }

    if (tb.NumGatesInSet > g)
        op.inform("There were less than NUMTIMES rows in the file - please check");
    tb.TimeGateFileName = fileName;
    cfg.TimeBase[timeBase] = std::move(tb);
}

} // namespace tem
