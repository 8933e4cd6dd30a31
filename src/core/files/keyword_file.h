#pragma once
// Keyword (INI-style) files: named sections of key=value lines, 8-bit text.
// Sections and keys match without regard to case; the first occurrence of a section or of a key
// within its section is the one read and the one rewritten. A write updates the key's line in
// place and keeps every other line byte for byte; saved lines end in CR LF.
// Lookups go through an index, so reading or writing a key does not scan the file. The keys of a
// section are indexed when the section is first used, also by a const function: one object must
// not be used from two threads at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/action_error.h"

namespace tem {

class KeywordFile {
  public:
    KeywordFile();
    ~KeywordFile();
    KeywordFile(const KeywordFile&);
    KeywordFile& operator=(const KeywordFile&);
    KeywordFile(KeywordFile&&) noexcept;
    KeywordFile& operator=(KeywordFile&&) noexcept;

    /// Reads a file; a missing file gives an empty keyword file. Throws InOutError when the file
    /// exists but cannot be read.
    static KeywordFile Load(const std::string& path);
    /// Builds from text (any of CR LF, LF or CR line ends).
    static KeywordFile FromText(std::string_view text);
    /// As FromText, keeping the given buffer instead of copying it.
    static KeywordFile FromOwnedText(std::string text);

    /// Writes every line, each ended by CR LF. Throws InOutError when the file cannot be written;
    /// the write goes to a temporary file first, so a failure leaves the old file as it was.
    void Save(const std::string& path) const;
    /// The whole text as Save writes it.
    std::string Text() const;

    const std::vector<std::string>& Lines() const;

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    /// Section names in file order, first occurrences only.
    std::vector<std::string> Sections() const;
    /// Key names of a section in file order, first occurrences only.
    std::vector<std::string> Keys(std::string_view section) const;

    /// The value as found (trimmed, one pair of enclosing quotes removed); nothing when missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    /// Decimal with optional sign, or hexadecimal after "0x"; anything else gives def.
    long long ReadInteger(std::string_view section, std::string_view key, long long def) const;
    /// Decimal number with point and optional exponent; anything else gives def.
    double ReadFloat(std::string_view section, std::string_view key, double def) const;
    /// An integer: non-zero is true; anything unreadable gives def.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, long long value);
    /// In the general number form.
    void WriteFloat(std::string_view section, std::string_view key, double value);
    /// "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void DeleteKey(std::string_view section, std::string_view key);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// Whether a regular file (or a link to one) is at path; false for an empty name or on any error.
bool IsRegularFile(const std::string& path);
/// A file to read that is a device, a FIFO or a socket.
class NotRegularFileError : public InOutError {
  public:
    using InOutError::InOutError;
};
/// Every byte of a regular file. Throws InOutError naming the file when it cannot be read, and
/// NotRegularFileError (without waiting on it) for a device, a FIFO or a socket.
std::string ReadFileBytes(const std::string& path);
/// Writes a whole file through a temporary file in the same folder, flushed to the disk and renamed
/// over the target (the folder flushed after), so a failed write or a power cut leaves the old file
/// as it was. Only a regular file (or a new one) is written. A symbolic link is written through: the file it
/// names gets the new text and the link stays. A target the user may not write (no write
/// permission, or a file marked read-only) is refused. Throws InOutError naming the file.
void WriteFileReplacing(const std::string& path, std::string_view bytes);
/// Throws the InOutError WriteFileReplacing would throw before writing anything: the target is a
/// folder, not a regular file (a device, a FIFO, a socket), or an existing file the user may not
/// write.
void RequireReplaceable(const std::string& path);
/// Throws InOutError when output and input name the same file (by identity: a link or another
/// spelling of the name counts), so an output never destroys its own input.
void RequireDistinctFiles(const std::string& output, const std::string& input);
/// Flushes the folder that holds path to the disk, so a rename into it survives a power cut.
void SyncFolderOf(const std::string& path);
/// Copies a file to a new name; an existing file of that name is never overwritten. The copy is
/// written under a temporary name, flushed to the disk and then renamed, so the new name never
/// holds a partial copy. Throws InOutError naming both files, with the system's reason (a full
/// disk says so).
void CopyFileNew(const std::string& from, const std::string& to);
/// The file a path names: a symbolic link (or a chain of them) resolved, anything else as given.
std::string ResolvedTarget(const std::string& path);
/// Throws InOutError when the text is UTF-16 (it starts with the byte-order mark FF FE or FE FF):
/// the readers take 8-bit text only.
void RejectUtf16(std::string_view bytes, const std::string& fileName);

/// The steps of a file write at which a test can make the write fail.
enum class WriteStep { TemporaryFile, Rename, Backup };
/// For tests: called before each step with the target's name; a non-zero result is the error
/// number the step then fails with. Null (the default) injects nothing.
using WriteFault = int (*)(WriteStep step, const std::string& target);
void SetWriteFaultForTesting(WriteFault fault);
/// Splits text at CR LF, LF or CR; a line end at the very end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);
/// The line of text starting at pos (which must be below text.size()), without its line end; pos
/// moves past the line end. Walking a text this way gives the lines SplitLines gives, uncopied.
std::string_view NextLine(std::string_view text, std::size_t& pos);
/// What KeywordFile::FromText(text).Find(section, key) gives, found by one pass over the text
/// without building an index: for reading one or two keys of a large file.
std::optional<std::string> FindInText(std::string_view text, std::string_view section, std::string_view key);

} // namespace tem
