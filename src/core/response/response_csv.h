#pragma once
// Field-data and system-response CSV files of the system response window: one column per
// acquisition channel (channels 1 to 3), one line per gate, values in microvolts per ampere.

#include <string>
#include <vector>

namespace tem {

struct Configuration;
class Operator;

/// Lines after this one are not read.
inline constexpr int MaxResponseCsvLines = 150;

/// The data lines of a response CSV, as read (µV/A).
struct ResponseCsv {
    std::vector<std::vector<double>> rows; ///< line k (from 1) at index k-1
};

/// What a CSV load fills.
enum class ResponseCsvKind {
    FieldData,      ///< FieldAmplitudes: every line needs three values
    SystemResponse, ///< SysRespAmplitudes: a line needs the values of the channels that exist
};

/// Reads a response CSV for the selected channel AcqSel. A header that does not begin (ignoring
/// case) with "Z,X,Y" or "AcqChn1,AcqChn2,AcqChn3" is reported and the lines are still read.
/// Throws InOutError when the file cannot be read, ListIndexError naming the line when it has too
/// few values, ConversionError naming the line when a value is not a number.
ResponseCsv ReadResponseCsv(const Configuration& cfg, const std::string& fileName, int AcqSel,
                            ResponseCsvKind kind, Operator& op);

/// Stores the values, converted to V/(A·m²) by each channel's receiver area, into the amplitudes of
/// the channels they belong to (AcqSel above 3: the first column goes to AcqSel; otherwise columns 1
/// to 3 to channels 1 to 3 as far as they exist), gates 1 to each channel's NoGates. Returns the
/// channels changed. Throws ActionError, before changing anything, when a receiver's effective
/// area is zero.
std::vector<int> StoreResponseCsv(Configuration& cfg, const ResponseCsv& csv, int AcqSel,
                                  ResponseCsvKind kind);

/// The text "Save System Response" writes: the selected channel's system response in µV/A in the
/// first column, zeros in the others.
std::string SystemResponseCsvText(const Configuration& cfg, int AcqSel);

} // namespace tem
