#pragma once
// Master-file integrity stamp, working copies and numbered backups.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/action_error.h"

namespace tem {

struct Configuration;
struct DataFolders;
class Operator;

/// A master file whose stamp fails was given to a reader. The first two of the three messages
/// have been shown when it is thrown; its text is the third.
class TamperedMasterError : public ActionError {
  public:
    using ActionError::ActionError;
};

/// CRC-32 (zip/Ethernet) of the file's bytes; 0 when the file cannot be opened.
std::uint32_t CalcCRC32(const std::string& fileName);
std::uint32_t CalcCRC32(std::string_view bytes);

/// What the master check of a file found.
struct StampStatus {
    bool isMaster = false;
    bool corrupt = false;  ///< a master whose stamp fails
    std::uint32_t crc = 0; ///< the CRC computed for a master
};
/// The master check of a text in memory.
StampStatus CheckStampOfText(std::string_view text, std::string_view generalSection);
/// The master check of a file, leaving the file as it is; a missing file is no master.
StampStatus CheckStamp(const std::string& fileName, std::string_view generalSection);

/// Tells whether the file is a master and whether its stamp holds; rewrites the stamp in place
/// (zero, then the stored value back when it matches). crc and corrupt are left unchanged when
/// the file is not a master.
void CheckIsFileProtected(const std::string& fileName, std::string_view generalSection, bool& isMaster,
                          std::uint32_t& crc, bool& corrupt);

/// The read check of cfg.LoadFilename: the file's bytes are read once, a master's stamp is checked
/// (a tampered master: the messages, then TamperedMasterError), the operator's working copy
/// (Temp.TDC / Temp.GEX, named in cfg.TempFilename) is written, and in-line comments are split
/// after asking. Returns the text the reader reads: its own copy, never the shared working copy.
/// A missing file gives an empty text. Throws InOutError for a file that cannot be read or is UTF-16.
std::string PreReadCheck(Configuration& cfg, const DataFolders& folders, Operator& op);

/// Numbered backup of an existing file; never overwrites a backup. Returns the backup's name, or
/// an empty text when there was nothing to back up or all hundred names are taken (after the
/// message). Throws InOutError when the copy cannot be made.
std::string PreWriteCheckandBackup(const std::string& fileName, Operator& op);
std::string PreWriteCheckandBackup(const Configuration& cfg, Operator& op);

/// The text as a save stores it: in-line comments on lines of their own, separator lines above
/// section headers, and the stamp (the CRC for a master, else "0").
std::string TidyAndStamp(std::string_view text, std::string_view generalSection);

/// Moves in-line comments ("/" after a "=") onto lines of their own. Returns whether any line was
/// split. askFirst is called once before the first split; when it returns false nothing is split.
bool SplitInlineComments(std::vector<std::string>& lines, const std::function<bool()>& askFirst);
/// The same over a whole text (a leading byte-order mark kept); lines end in CR LF afterwards when
/// anything was split, else the text is returned as it was.
std::string SplitInlineCommentsInText(std::string text, const std::function<bool()>& askFirst);

} // namespace tem
