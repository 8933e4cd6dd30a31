#pragma once
// The engine's files: the model file that lists the data sets and their layered earths, the TEM
// system file of each channel, and the result file of each data set.
//
// Lines are read without regard to their ending (LF or CR LF); blank lines are skipped; text
// after '!' is a comment; numbers are separated by blanks, tabs or commas and use a decimal point
// (exponents may have any number of digits, as in 1.5E-005). Every problem is reported with the
// file and line it was found on.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/kernel.h"
#include "engine/system.h"

namespace tem::engine {

/// A problem in an input file; what() names the file and the line.
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// The longest line read (a waveform line of the most sub-waves fits); a longer one fails what it
/// belongs to with a message.
inline constexpr std::size_t MaxLineLength = 65536;
/// The largest files read: 99,999 data sets of ten layers, and a system file of the most gates.
inline constexpr std::uintmax_t MaxModelFileBytes = std::uintmax_t(512) << 20;
inline constexpr std::uintmax_t MaxSystemFileBytes = std::uintmax_t(16) << 20;

/// The text with every byte outside printable ASCII written as \xNN: a message never passes a
/// file's raw bytes on to the console.
std::string Printable(std::string_view text);

/// The whole of an input file, read only when it is a regular file of at most max_bytes: a device,
/// a FIFO, a folder or a symbolic link is refused without waiting on it. `what` names the file in messages
/// ("the model file"). Throws InputError.
std::string ReadInputFile(const std::filesystem::path& path, std::uintmax_t max_bytes,
                          const std::string& what);

/// One data set of the model file.
struct DataSetEntry {
    int number = 0;          ///< as written on its line (0 when unreadable)
    int line = 0;            ///< line of the data-set list
    std::string system_file; ///< TEM system file name as written
    std::optional<LayeredEarth> earth;
    std::string problem; ///< why the data set cannot be computed (empty when it can)
};

struct ModelFile {
    std::vector<DataSetEntry> data_sets;
    std::vector<std::string> notes; ///< things worth saying on the console
};

/// Reads the model file. Throws InputError when not even the list of data sets can be read;
/// problems of a single data set's model are recorded in that entry.
ModelFile ParseModelFile(std::string_view text, const std::string& file_name);

/// A TEM system file.
struct SystemFile {
    std::vector<std::string> header_lines; ///< every line before the gates, as read
    std::vector<std::string> gate_times;   ///< each gate's centre as written
    TemSystem system;
    bool front_gate = false;
};

/// Reads a TEM system file; throws InputError.
SystemFile ParseSystemFile(std::string_view text, const std::string& file_name);

/// Result file name of data set n: "FWD" + n in five digits + ".fwr".
std::string ResultFileName(int data_set);

/// Result text: the header lines, then per gate its time as written and the value ("%.14E").
/// Throws std::invalid_argument for a value that is not finite: such a value is never written.
std::string FormatResult(const SystemFile& file, const std::vector<double>& values);

} // namespace tem::engine
