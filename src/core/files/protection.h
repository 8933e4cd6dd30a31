#pragma once
// Master-file integrity stamp, working copies and numbered backups.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tem {

struct Configuration;
struct DataFolders;
class Operator;

/// CRC-32 (zip/Ethernet) of the file's bytes; 0 when the file cannot be opened.
std::uint32_t CalcCRC32(const std::string& fileName);
std::uint32_t CalcCRC32(std::string_view bytes);

/// Tells whether the file is a master and whether its stamp holds; rewrites the stamp in place
/// (zero, then the stored value back when it matches). crc and corrupt are left unchanged when
/// the file is not a master.
void CheckIsFileProtected(const std::string& fileName, std::string_view generalSection, bool& isMaster,
                          std::uint32_t& crc, bool& corrupt);

/// Master check of cfg.LoadFilename, then the working copy (Temp.TDC / Temp.GEX in the
/// configuration folder, held in cfg.TempFilename) with in-line comments split off.
void PreReadCheck(Configuration& cfg, const DataFolders& folders, Operator& op);
/// Numbered backup of cfg.SaveFilename when it exists; never overwrites a backup.
void PreWriteCheckandBackup(const Configuration& cfg, Operator& op);
/// Comment splitting, separator lines above section headers, then the stamp.
void PostWriteCheck(const Configuration& cfg, Operator& op);

/// Moves in-line comments ("/" after a "=") onto lines of their own. Returns whether any line was
/// split. askFirst is called once before the first split; when it returns false nothing is split.
bool SplitInlineComments(std::vector<std::string>& lines, const std::function<bool()>& askFirst);

}  // namespace tem
