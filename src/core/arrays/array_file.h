#pragma once
// The array configuration file (extension "DCC", older files "INI"): a keyword file that holds the
// whole array description.

#include <string>

#include "core/arrays/array_description.h"

namespace tem {

class KeywordFile;
class Operator;

/// Reads the array file named ConfigIniName into the description (every missing or unreadable
/// value takes its default), then computes the geometric factors and effective depths. A missing
/// file is reported and gives the default array. Counts outside 1 .. 25 configurations or
/// 1 .. 30 pairs are reported and brought into range. Throws InOutError when the file exists but
/// cannot be read.
void ReadConfigIni(ArrayDescription& d, const std::string& ConfigIniName, Operator& op);

/// The same from an already loaded keyword file (no missing-file warning).
void ReadConfigIni(ArrayDescription& d, const KeywordFile& file, Operator& op);

/// The file text the OK command writes: every key in its order, sections in the order of their
/// first key. Throws ActionError, before anything is written, when a value is not a finite number.
KeywordFile ArrayConfigFile(const ArrayDescription& d);

/// Writes the array file anew (an existing file of that name is replaced as a whole; a failed
/// write leaves it as it was). Throws ActionError or InOutError.
void WriteConfigIni(const ArrayDescription& d, const std::string& fileName);

/// The array window's save: the numbered backup of an existing file (as every configuration save
/// makes), then the file written anew. A name that is not an array file's is refused before
/// anything is touched, so an array never lands on a TEM configuration. Throws ActionError or
/// InOutError; a failed write leaves the file and removes the backup it made.
void SaveConfigIni(const ArrayDescription& d, const std::string& fileName, Operator& op);

/// Whether a file name is an array file's: extension "DCC" or the older "INI", in any case.
bool IsArrayFileName(const std::string& fileName);

/// The array file the array window and the forward window's direct-current method work on:
/// ConfigIniName when it names an array file, else the last array file used, else "Array.DCC" in
/// the array folder (application data + "DCSetrix/Configurations/"). Never a TEM configuration.
std::string ArrayFileToUse(const std::string& ConfigIniName, const std::string& lastArrayFile,
                           const std::string& arrayFolder);

/// The plain-text account of the array ("Document Config. in a Text file"): "numBipoles: %2.2d",
/// a header with as many CP/CPProp columns as configuration 1 has pairs, then one line per
/// configuration with its pair count, geometric factor, effective depth and every pair.
std::string ArrayConfigDocument(const TArrayConfiguration& a);
/// Writes that text anew (lines end in CR LF); a failed write leaves an existing file as it was.
/// Throws InOutError.
void WriteArrayConfigDocument(const TArrayConfiguration& a, const std::string& fileName);

/// The description read from a missing file: 8 configurations of 4 pairs from the default table.
ArrayDescription DefaultArrayDescription(Operator& op);

} // namespace tem
