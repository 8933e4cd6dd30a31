#include "engine/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/limits.h"
#include "engine/source.h"

namespace tem::engine {

namespace {

// Limits that keep absurd input from turning into absurd work; the limits of the values
// themselves are the engine's own (engine/limits.h).
constexpr int MaxDataSets = 99999;

struct Line {
    int number = 0;
    std::string_view text;
};

std::vector<Line> NonBlankLines(std::string_view text)
{
    std::vector<Line> lines;
    int number = 0;
    while (!text.empty()) {
        std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        ++number;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t\r") != std::string_view::npos)
            lines.push_back({number, line});
    }
    return lines;
}

std::vector<std::string_view> Tokens(std::string_view line)
{
    line = line.substr(0, line.find('!'));
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t start = line.find_first_not_of(" \t\r,", i);
        if (start == std::string_view::npos)
            break;
        std::size_t end = line.find_first_of(" \t\r,", start);
        if (end == std::string_view::npos)
            end = line.size();
        tokens.push_back(line.substr(start, end - start));
        i = end;
    }
    return tokens;
}

std::optional<double> Number(std::string_view token)
{
    if (!token.empty() && token.front() == '+')
        token.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> Integer(std::string_view token)
{
    if (!token.empty() && token.front() == '+')
        token.remove_prefix(1);
    long long value = 0;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (ec != std::errc() || end != token.data() + token.size() || value < -1000000000 || value > 1000000000)
        return std::nullopt;
    return static_cast<int>(value);
}

std::string Shown(std::string_view token)
{
    return "\"" + Printable(token.substr(0, 24)) + (token.size() > 24 ? "...\"" : "\"");
}

/// A line too long to be one of the engine's lines: it fails what it belongs to, not the file.
class LineTooLong : public InputError {
  public:
    using InputError::InputError;
};

/// What the program's comment of a model-block line says the line holds.
enum class BlockLine { Unknown, LayerCount, Resistivity, Thickness, Depth };

BlockLine KindOf(std::string_view line)
{
    std::size_t bang = line.find('!');
    if (bang == std::string_view::npos)
        return BlockLine::Unknown;
    std::string comment;
    for (char c : line.substr(bang + 1))
        comment += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    comment.erase(0, comment.find_first_not_of(" \t"));
    if (comment.find("# of layers") != std::string::npos)
        return BlockLine::LayerCount;
    if (comment.rfind("resistivity", 0) == 0)
        return BlockLine::Resistivity;
    if (comment.rfind("thickness", 0) == 0)
        return BlockLine::Thickness;
    if (comment.rfind("depth", 0) == 0)
        return BlockLine::Depth;
    return BlockLine::Unknown;
}

const char* Describe(BlockLine kind)
{
    switch (kind) {
    case BlockLine::LayerCount:
        return "a layer count";
    case BlockLine::Resistivity:
        return "a resistivity";
    case BlockLine::Thickness:
        return "a thickness";
    case BlockLine::Depth:
        return "a depth";
    case BlockLine::Unknown:
        break;
    }
    return "an unknown value";
}

std::string Format(const char* format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

/// Reads the lines of one file in order, with messages that name the file and the line.
class LineReader {
  public:
    LineReader(std::string_view text, std::string file_name)
        : lines_(NonBlankLines(text)), file_(std::move(file_name))
    {
    }

    bool HasMore() const { return next_ < lines_.size(); }
    std::size_t Position() const { return next_; }

    /// The next line; throws when the file ends, naming what was expected, and LineTooLong.
    const Line& Next(const std::string& what)
    {
        if (next_ >= lines_.size()) {
            int last = lines_.empty() ? 0 : lines_.back().number;
            throw InputError(file_ + ", line " + std::to_string(last + 1) + ": the file ends where " + what +
                             " was expected");
        }
        current_ = &lines_[next_++];
        if (current_->text.size() > MaxLineLength)
            throw LineTooLong(Where() + ": the line is longer than " + std::to_string(MaxLineLength) +
                              " characters");
        return *current_;
    }
    /// Goes on reading at line index `position` (an index of lines(), not a line number).
    void Seek(std::size_t position) { next_ = std::min(position, lines_.size()); }

    [[noreturn]] void Fail(const std::string& message) const { throw InputError(Where() + ": " + message); }
    std::string Where() const { return file_ + ", line " + std::to_string(current_ ? current_->number : 0); }

    /// Token i of the current line as a number, an integer within [low, high].
    double NumberAt(const std::vector<std::string_view>& tokens, std::size_t i, const std::string& what) const
    {
        if (i >= tokens.size())
            Fail(what + " is missing");
        std::optional<double> v = Number(tokens[i]);
        if (!v)
            Fail(what + " is not a number: " + Shown(tokens[i]));
        return *v;
    }
    int IntegerAt(const std::vector<std::string_view>& tokens, std::size_t i, const std::string& what,
                  int low, int high) const
    {
        if (i >= tokens.size())
            Fail(what + " is missing");
        std::optional<int> v = Integer(tokens[i]);
        if (!v)
            Fail(what + " is not a whole number: " + Shown(tokens[i]));
        if (*v < low || *v > high)
            Fail(what + " " + std::to_string(*v) + " is outside " + std::to_string(low) + " to " +
                 std::to_string(high));
        return *v;
    }

    const std::vector<Line>& lines() const { return lines_; }
    const std::string& FileName() const { return file_; }

  private:
    std::vector<Line> lines_;
    std::string file_;
    std::size_t next_ = 0;
    const Line* current_ = nullptr;
};

/// The tokens of a model-block line that should hold `kind`; a line the program's comment marks as
/// something else shows the block is out of step.
std::vector<std::string_view> Fields(const LineReader& reader, const Line& line, BlockLine kind,
                                     const std::string& data_set)
{
    BlockLine marked = KindOf(line.text);
    if (marked != BlockLine::Unknown && marked != kind)
        reader.Fail("this line holds " + std::string(Describe(marked)) + " where " + Describe(kind) +
                    " was expected: the model block of " + data_set + " is malformed");
    return Tokens(line.text);
}

/// Reads "count order cut-off order cut-off ..." into filters.
void ReadFilterLine(LineReader& reader, const std::string& what, bool high_pass,
                    std::vector<ButterworthFilter>& filters)
{
    std::vector<std::string_view> t = Tokens(reader.Next(what).text);
    int count = reader.IntegerAt(t, 0, "the number of filters", 0, MaxFilters);
    if (high_pass && count > 0)
        reader.Fail("high-pass filters are not modelled; this engine needs a high-pass count of 0");
    for (int i = 0; i < count; ++i) {
        double order = reader.NumberAt(t, 1 + 2 * i, "the order of filter " + std::to_string(i + 1));
        double cutoff = reader.NumberAt(t, 2 + 2 * i, "the cut-off of filter " + std::to_string(i + 1));
        if (order != std::floor(order) || order < 1 || order > MaxFilterOrder)
            reader.Fail("the order of filter " + std::to_string(i + 1) +
                        " must be a whole number from 1 to " + std::to_string(MaxFilterOrder) + ", not " +
                        Format("%g", order));
        if (!(cutoff >= MinCutoff) || cutoff > MaxCutoff)
            reader.Fail("the cut-off of filter " + std::to_string(i + 1) + " must be from " +
                        Format("%g", MinCutoff) + " to " + Format("%g", MaxCutoff) + " Hz, not " +
                        Format("%g", cutoff));
        filters.push_back({static_cast<int>(order), cutoff});
    }
}

} // namespace

std::string Printable(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return shown;
}

std::string ReadInputFile(const std::filesystem::path& path, std::uintmax_t max_bytes,
                          const std::string& what)
{
    const std::string name = what + " " + path.string();
    // Non-blocking, so that opening a FIFO with no writer returns at once; it is refused below. A
    // symbolic link is not followed: the engine reads the run folder's own files, never a file
    // a link points to elsewhere.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ELOOP)
        throw InputError("cannot read " + name + ": it is a symbolic link; only regular files are read");
    if (fd < 0)
        throw InputError("cannot read " + name + ": " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw InputError("cannot read " + name + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw InputError("cannot read " + name + ": it is not a regular file");
    if (static_cast<std::uintmax_t>(info.st_size) > max_bytes)
        throw InputError("cannot read " + name + ": it is larger than " + std::to_string(max_bytes >> 20) +
                         " MB");
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t have = 0;
    while (true) {
        if (have == text.size()) {
            // The file may have grown since it was measured; read on, within the limit.
            if (have >= max_bytes)
                break;
            text.resize(std::min<std::uintmax_t>(max_bytes + 1, have + 65536));
        }
        ssize_t got = ::read(fd, text.data() + have, text.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw InputError("cannot read " + name + ": " + std::strerror(errno));
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    if (have > max_bytes)
        throw InputError("cannot read " + name + ": it is larger than " + std::to_string(max_bytes >> 20) +
                         " MB");
    text.resize(have);
    return text;
}

namespace {

/// Reads the model block of one data set, checked against its own depth lines. Throws InputError
/// when the block does not have the form of a model (the reader may then be out of step with the
/// blocks); a value that is merely wrong is left in `value_problem` and the block read on.
LayeredEarth ReadModelBlock(LineReader& reader, const std::string& data_set, std::string& value_problem)
{
    std::vector<std::string_view> t = Fields(
        reader, reader.Next("the layer count of the model of " + data_set), BlockLine::LayerCount, data_set);
    int layers = reader.IntegerAt(t, 0, "the number of layers of the model of " + data_set, 1, MaxLayers);
    LayeredEarth earth;
    std::vector<double> depths;
    std::vector<int> depth_lines;
    auto read_values = [&](int n, BlockLine kind, const char* what, std::vector<double>& into) {
        for (int j = 0; j < n; ++j) {
            const std::string value = std::string("the ") + what + " of layer " + std::to_string(j + 1);
            const Line& line = reader.Next(value + " of the model of " + data_set);
            std::vector<std::string_view> v = Fields(reader, line, kind, data_set);
            try {
                double x = reader.NumberAt(v, 0, value);
                if (kind == BlockLine::Resistivity && !(x >= MinResistivity && x <= MaxResistivity))
                    reader.Fail(value + " must be from " + Format("%g", MinResistivity) + " to " +
                                Format("%g", MaxResistivity) + " ohm-m, not " + Format("%g", x));
                if (kind == BlockLine::Thickness && !(x > 0 && x <= MaxThickness))
                    reader.Fail(value + " must be above 0 and at most " + Format("%g", MaxThickness) +
                                " m, not " + Format("%g", x));
                into.push_back(x);
            } catch (const InputError& e) {
                if (value_problem.empty())
                    value_problem = e.what();
                into.push_back(NAN);
            }
            if (kind == BlockLine::Depth)
                depth_lines.push_back(line.number);
        }
    };
    read_values(layers, BlockLine::Resistivity, "resistivity", earth.resistivity);
    read_values(layers - 1, BlockLine::Thickness, "thickness", earth.thickness);
    read_values(layers - 1, BlockLine::Depth, "depth", depths);
    if (!value_problem.empty())
        return earth;
    // Each depth is the running sum of the thicknesses, every value rounded to two decimals: a
    // block that is out of step with its lines (one line missing or one too many) does not add up.
    double sum = 0;
    for (int j = 0; j + 1 < layers; ++j) {
        sum += earth.thickness[j];
        double tolerance = 0.005 * (j + 2) * (1 + 1e-9) + 1e-12 * std::abs(sum);
        if (!(std::abs(depths[j] - sum) <= tolerance))
            throw InputError(reader.FileName() + ", line " + std::to_string(depth_lines[j]) +
                             ": the depth of layer " + std::to_string(j + 1) + " of the model of " +
                             data_set + " is " + Format("%.2f", depths[j]) +
                             " m, but its thicknesses add up to " + Format("%.2f", sum) +
                             " m: the model block does not match its depth lines");
    }
    return earth;
}

} // namespace

ModelFile ParseModelFile(std::string_view text, const std::string& file_name)
{
    LineReader reader(text, file_name);
    ModelFile model;
    reader.Next("the title line");
    std::vector<std::string_view> t = Tokens(reader.Next("the number of data sets").text);
    int count = reader.IntegerAt(t, 0, "the number of data sets", 1, MaxDataSets);
    for (int i = 0; i < count; ++i) {
        DataSetEntry entry;
        try {
            const Line& line =
                reader.Next("data set " + std::to_string(i + 1) + " of " + std::to_string(count));
            entry.line = line.number;
            t = Tokens(line.text);
            entry.number = reader.IntegerAt(t, 0, "the data-set number", 1, MaxDataSets);
            reader.IntegerAt(t, 1, "the number of system files", 1, 1);
            if (t.size() < 3)
                reader.Fail("the TEM system file name is missing");
            std::string name(t[2]);
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = name.substr(1, name.size() - 2);
            if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
                reader.Fail(
                    "the TEM system file name " + Shown(name) +
                    " is not a plain file name; system files are read from the model file's folder only");
            if (std::any_of(name.begin(), name.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
                reader.Fail("the TEM system file name " + Shown(name) + " holds control characters");
            entry.system_file = std::move(name);
        } catch (const LineTooLong& e) {
            entry.problem = e.what();
        } catch (const InputError& e) {
            if (entry.line == 0)
                throw; // the list ends early: no data set can be matched to its model
            entry.problem = e.what();
        }
        model.data_sets.push_back(std::move(entry));
    }
    t = Tokens(reader.Next("the iteration count").text);
    int iterations = reader.IntegerAt(t, 0, "the iteration count", -1000000, 1000000);
    if (iterations != -1)
        model.notes.push_back(reader.Where() + ": iteration count " + std::to_string(iterations) +
                              "; this engine computes forward responses only");

    for (std::size_t i = 0; i < model.data_sets.size(); ++i) {
        DataSetEntry& entry = model.data_sets[i];
        const std::string data_set =
            "data set " + std::to_string(entry.number > 0 ? entry.number : static_cast<int>(i) + 1);
        const std::size_t block_start = reader.Position();
        try {
            std::string value_problem;
            LayeredEarth earth = ReadModelBlock(reader, data_set, value_problem);
            if (entry.problem.empty()) {
                if (!value_problem.empty())
                    entry.problem = value_problem;
                else
                    entry.earth = std::move(earth);
            }
        } catch (const InputError& e) {
            if (entry.problem.empty())
                entry.problem = e.what();
            // The program's comments mark where each block starts: the next block is found there,
            // whatever this one lacked. Without them the blocks cannot be told apart any more.
            const std::vector<Line>& lines = reader.lines();
            std::size_t next = block_start + 1;
            bool marked =
                block_start < lines.size() && KindOf(lines[block_start].text) == BlockLine::LayerCount;
            while (marked && next < lines.size() && KindOf(lines[next].text) != BlockLine::LayerCount)
                ++next;
            if (marked) {
                reader.Seek(next);
                continue;
            }
            for (std::size_t j = i + 1; j < model.data_sets.size(); ++j)
                if (model.data_sets[j].problem.empty())
                    model.data_sets[j].problem =
                        std::string(e.what()) + " (the models from here on cannot be read)";
            break;
        }
    }
    return model;
}

SystemFile ParseSystemFile(std::string_view text, const std::string& file_name)
{
    LineReader reader(text, file_name);
    SystemFile file;
    TemSystem& system = file.system;
    reader.Next("the title line");

    std::vector<std::string_view> t = Tokens(reader.Next("the source line").text);
    int loop_type = reader.IntegerAt(t, 0, "the loop type", -1000000, 1000000);
    int component = reader.IntegerAt(t, 1, "the receiver component", -1000000, 1000000);
    if (loop_type != 72 && loop_type != 73)
        reader.Fail("loop type " + std::to_string(loop_type) + " is not modelled; only types 72 and 73 are");
    if (component < 1 || component > 3)
        reader.Fail("receiver component " + std::to_string(component) + " is not 1 (X), 2 (Y) or 3 (Z)");
    system.geometry.component = static_cast<Component>(component);

    t = Tokens(reader.Next("the position line").text);
    double position[6];
    const char* names[6] = {"transmitter X", "transmitter Y", "transmitter Z",
                            "receiver X",    "receiver Y",    "receiver Z"};
    for (int i = 0; i < 6; ++i) {
        position[i] = reader.NumberAt(t, i, std::string("the ") + names[i]);
        if (std::abs(position[i]) > MaxCoordinate)
            reader.Fail(std::string("the ") + names[i] + " " + Format("%g", position[i]) + " is absurd");
    }
    if (position[2] > 0)
        reader.Fail("the transmitter loop is below the ground surface (Z = " + Format("%g", position[2]) +
                    " m; Z is positive down)");
    if (position[5] > 0)
        reader.Fail("the receiver is below the ground surface (Z = " + Format("%g", position[5]) +
                    " m; Z is positive down)");
    system.geometry.loop_height = -position[2];
    system.geometry.receiver = {position[3], position[4]};
    system.geometry.receiver_height = -position[5];

    t = Tokens(reader.Next("the loop line (number of wires, area)").text);
    int wires = reader.IntegerAt(t, 0, "the number of loop corners", 0, MaxCorners);
    if (wires < 3)
        reader.Fail("the loop has " + std::to_string(wires) + " corners; it needs at least 3");
    const std::string loop_line = reader.Where();
    std::vector<Point2>& corners = system.geometry.corners;
    for (int i = 0; i < wires; ++i) {
        t = Tokens(reader.Next("loop corner " + std::to_string(i + 1)).text);
        Point2 p{reader.NumberAt(t, 0, "the corner's x"), reader.NumberAt(t, 1, "the corner's y")};
        if (std::abs(p.x) > MaxCoordinate || std::abs(p.y) > MaxCoordinate)
            reader.Fail("the corner lies absurdly far away");
        if (corners.empty() || !(corners.back() == p))
            corners.push_back(p);
    }
    if (corners.size() > 1 && corners.front() == corners.back())
        corners.pop_back();
    if (corners.size() < 3)
        throw InputError(loop_line + ": the loop has fewer than 3 distinct corners");
    if (!(std::abs(SignedArea(corners)) > 1e-6))
        throw InputError(loop_line + ": the loop encloses no area");
    if (DistanceToWires(corners, system.geometry.receiver) < MinimumWireDistance)
        throw InputError(loop_line +
                         ": the receiver lies (horizontally) within 1 cm of the loop wire, where the "
                         "field cannot be modelled");

    t = Tokens(reader.Next("the quantity line").text);
    for (int i = 0; i < 2; ++i) {
        int code =
            reader.IntegerAt(t, i, i == 0 ? "the input quantity" : "the output quantity", -1000000, 1000000);
        if (code != 3)
            reader.Fail("quantity code " + std::to_string(code) + " is not modelled; only 3 (dB/dt) is");
    }

    t = Tokens(reader.Next("the waveform type line").text);
    int waveform_type = reader.IntegerAt(t, 0, "the waveform type", -1000000, 1000000);
    if (waveform_type != 3)
        reader.Fail("waveform type " + std::to_string(waveform_type) +
                    " is not modelled; only 3 (user-defined piecewise-linear current) is");
    int waveforms = reader.IntegerAt(t, 1, "the number of waveforms", -1000000, 1000000);
    if (waveforms != 1)
        reader.Fail(std::to_string(waveforms) + " waveforms given; this engine models exactly 1");

    t = Tokens(reader.Next("the waveform line").text);
    int sub_waves = reader.IntegerAt(t, 0, "the number of sub-waves", 0, MaxSubWaves);
    for (int i = 0; i < sub_waves; ++i) {
        std::string which = " of sub-wave " + std::to_string(i + 1);
        SubWave w{reader.NumberAt(t, 1 + 4 * i, "the start time" + which),
                  reader.NumberAt(t, 2 + 4 * i, "the end time" + which),
                  reader.NumberAt(t, 3 + 4 * i, "the start amplitude" + which),
                  reader.NumberAt(t, 4 + 4 * i, "the end amplitude" + which)};
        if (std::abs(w.t0) > MaxTime || std::abs(w.t1) > MaxTime || std::abs(w.a0) > MaxAmplitude ||
            std::abs(w.a1) > MaxAmplitude)
            reader.Fail("sub-wave " + std::to_string(i + 1) + " has an absurd time or amplitude");
        if (w.t1 < w.t0)
            reader.Fail("sub-wave " + std::to_string(i + 1) + " ends before it starts");
        if (i > 0 && w.t0 < system.waveform.back().t1)
            reader.Fail("sub-wave " + std::to_string(i + 1) + " starts before sub-wave " + std::to_string(i) +
                        " ends; waveform times must not decrease");
        system.waveform.push_back(w);
    }

    t = Tokens(reader.Next("the filter line").text);
    int filter_blocks = reader.IntegerAt(t, 0, "the number of filter blocks", 0, MaxFilters);
    file.front_gate = reader.IntegerAt(t, 1, "the front-gate flag", 0, 1) == 1;
    for (int i = 0; i < filter_blocks; ++i) {
        ReadFilterLine(reader, "the low-pass filter line", false, system.filters);
        ReadFilterLine(reader, "the high-pass filter line", true, system.filters);
    }
    if (file.front_gate) {
        t = Tokens(reader.Next("the front-gate time").text);
        reader.NumberAt(t, 0, "the front-gate time");
        ReadFilterLine(reader, "the filter line after the front gate", false, system.filters);
        ReadFilterLine(reader, "the high-pass filter line after the front gate", true, system.filters);
    }
    if (system.filters.size() > static_cast<std::size_t>(MaxFilters))
        reader.Fail("more than " + std::to_string(MaxFilters) + " filters in all");

    const std::vector<Line>& lines = reader.lines();
    for (std::size_t i = 0; i < reader.Position(); ++i)
        file.header_lines.emplace_back(lines[i].text);

    while (reader.HasMore()) {
        t = Tokens(reader.Next("a gate").text);
        if (file.gate_times.size() >= MaxGates)
            reader.Fail("more than " + std::to_string(MaxGates) + " gates");
        if (t.size() < 7)
            reader.Fail("a gate line needs 7 numbers (centre, data, STD, two flags, start, end); it has " +
                        std::to_string(t.size()));
        Gate g{reader.NumberAt(t, 0, "the gate centre"), reader.NumberAt(t, 5, "the gate start"),
               reader.NumberAt(t, 6, "the gate end")};
        if (std::abs(g.centre) > MaxTime || std::abs(g.start) > MaxTime || std::abs(g.end) > MaxTime)
            reader.Fail("the gate times are absurd (more than " + Format("%g", MaxTime) + " s)");
        if (g.end < g.start)
            reader.Fail("the gate ends (" + Format("%g", g.end) + " s) before it starts (" +
                        Format("%g", g.start) + " s)");
        system.gates.push_back(g);
        file.gate_times.emplace_back(t[0]);
    }
    return file;
}

std::string ResultFileName(int data_set)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "FWD%05d.fwr", data_set);
    return buffer;
}

std::string FormatResult(const SystemFile& file, const std::vector<double>& values)
{
    std::string text;
    for (const std::string& line : file.header_lines)
        text += line + "\r\n";
    for (std::size_t g = 0; g < values.size() && g < file.gate_times.size(); ++g) {
        if (!std::isfinite(values[g]))
            throw std::invalid_argument("the value of gate " + std::to_string(g + 1) +
                                        " is not finite and is not written");
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, " %.14E", values[g]);
        text += file.gate_times[g] + buffer + "\r\n";
    }
    return text;
}

} // namespace tem::engine
