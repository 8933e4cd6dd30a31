#include "core/files/protection.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"

namespace tem {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view MasterKey = "IsMasterConfig";
constexpr std::string_view StampKey = "MasterTamperCheckCRC";
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

const std::string& separatorLine()
{
    static const std::string line = "/" + std::string(82, '_');
    return line;
}

/// "True"/"False" in any case, or a number that is zero or not; anything else is false.
bool truthValue(std::string_view text)
{
    if (SameText(text, "True"))
        return true;
    if (SameText(text, "False"))
        return false;
    if (auto i = ParseInteger(text))
        return *i != 0;
    if (auto f = ParseFloat(text))
        return *f != 0;
    return false;
}

/// The master flag's text as stored: up to a "/", trimmed.
bool isMasterValue(std::string_view master)
{
    return truthValue(Trim(master.substr(0, master.find('/'))));
}

/// The master check on a file held in memory. For a master the stamp is set to "0", the CRC is
/// taken over the text as it would then be stored, and the stamp is put back when it matched.
StampStatus checkStamp(KeywordFile& f, std::string_view section)
{
    StampStatus r;
    r.isMaster = isMasterValue(f.ReadString(section, MasterKey, "False"));
    if (!r.isMaster)
        return r;
    const std::string stamp = Trim(f.ReadString(section, StampKey, "0$0"));
    const long long stored = ParseInteger("0x" + stamp).value_or(0);
    f.WriteString(section, StampKey, "0");
    r.crc = CalcCRC32(std::string_view(f.Text()));
    r.corrupt = stored != static_cast<long long>(r.crc);
    if (!r.corrupt)
        f.WriteString(section, StampKey, FormatHex(r.crc));
    return r;
}

/// The master check on a file's text. text becomes what the file should hold afterwards; changed
/// tells whether that differs from what it held. Most files are no master: for them one pass over
/// the text for the flag is enough, without building an index.
StampStatus checkText(std::string& text, std::string_view section, bool& changed)
{
    changed = false;
    if (!isMasterValue(FindInText(text, section, MasterKey).value_or("False")))
        return StampStatus{};
    KeywordFile f = KeywordFile::FromText(text);
    const StampStatus r = checkStamp(f, section);
    std::string after = f.Text();
    changed = after != text;
    text = std::move(after);
    return r;
}

/// Where an in-line comment starts in a line, or npos. A comment is a "/" after the key's "=" that
/// either begins "//" or follows a blank after some value text. A single "/" inside a value is
/// part of it: file paths on this system are written with forward slashes.
std::size_t commentStart(std::string_view line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::string_view::npos;
    const std::size_t firstSlash = line.find('/');
    if (firstSlash == std::string_view::npos)
        return std::string_view::npos;
    if (firstSlash < eq)
        return std::string_view::npos; // a comment line or a key holding "/" is left alone
    bool valueSeen = false;
    for (std::size_t q = eq + 1; q < line.size(); ++q) {
        const char c = line[q];
        if (c == '/') {
            if (q + 1 < line.size() && line[q + 1] == '/')
                return q;
            if (valueSeen && (line[q - 1] == ' ' || line[q - 1] == '\t'))
                return q;
        }
        if (c != ' ' && c != '\t')
            valueSeen = true;
    }
    return std::string_view::npos;
}

bool isSectionHeader(std::string_view line)
{
    std::size_t b = 0;
    while (b < line.size() && static_cast<unsigned char>(line[b]) <= ' ')
        ++b;
    // Trailing blanks do not matter: the "]" only has to come somewhere after the "[".
    return b < line.size() && line[b] == '[' && line.find(']', b) != std::string_view::npos;
}

/// The text without its byte-order mark; bom tells whether it had one.
std::string_view withoutBom(std::string_view text, bool& bom)
{
    bom = text.substr(0, Utf8Bom.size()) == Utf8Bom;
    return bom ? text.substr(Utf8Bom.size()) : text;
}

bool hasInlineComment(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size())
        if (commentStart(NextLine(text, pos)) != std::string_view::npos)
            return true;
    return false;
}

std::string joinLines(bool bom, const std::vector<std::string>& lines)
{
    std::string out = bom ? std::string(Utf8Bom) : std::string();
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

/// The text as saved after tidying: every in-line comment moved onto a line of its own below its
/// key, starting in the same column, and a separator line above every section header that has
/// neither a "/" line nor the start of the file above it. Built in one pass over the lines.
std::string tidyText(std::string_view text)
{
    bool bom = false;
    text = withoutBom(text, bom);
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 64);
    if (bom)
        out += Utf8Bom;
    bool first = true;
    bool previousIsSlashLine = false; // the line written last starts with "/"
    const auto emit = [&](std::size_t indent, std::string_view line) {
        out.append(indent, ' ');
        out += line;
        out += "\r\n";
        previousIsSlashLine = indent == 0 && !line.empty() && line[0] == '/';
        first = false;
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view line = NextLine(text, pos);
        const std::size_t q = commentStart(line);
        const std::string_view head = line.substr(0, q);
        if (!first && isSectionHeader(head) && !previousIsSlashLine)
            emit(0, separatorLine());
        emit(0, head);
        if (q != std::string_view::npos)
            emit(q, line.substr(q));
    }
    return out;
}

} // namespace

std::uint32_t CalcCRC32(std::string_view bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        crc = ChecksumTable[(crc ^ b) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t CalcCRC32(const std::string& fileName)
{
    std::error_code ec;
    if (fs::is_directory(fileName, ec))
        return 0;
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return 0;
    std::uint32_t crc = 0xFFFFFFFFu;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        const auto n = std::size_t(in.gcount());
        for (std::size_t i = 0; i < n; ++i)
            crc = ChecksumTable[(crc ^ static_cast<unsigned char>(buf[i])) & 0xFFu] ^ (crc >> 8);
    }
    return ~crc;
}

StampStatus CheckStampOfText(std::string_view text, std::string_view generalSection)
{
    std::string copy(text);
    bool changed = false;
    return checkText(copy, generalSection, changed);
}

StampStatus CheckStamp(const std::string& fileName, std::string_view generalSection)
{
    if (!IsRegularFile(fileName))
        return {};
    return CheckStampOfText(ReadFileBytes(fileName), generalSection);
}

void CheckIsFileProtected(const std::string& fileName, std::string_view generalSection, bool& isMaster,
                          std::uint32_t& crc, bool& corrupt)
{
    // The check runs on the text in memory; the file is rewritten only where the outcome differs
    // from what it holds (a stamp zeroed after tampering, a stamp put back in its upper-case form),
    // so a read-only master can still be checked.
    std::string text = IsRegularFile(fileName) ? ReadFileBytes(fileName) : std::string();
    bool changed = false;
    const StampStatus r = checkText(text, generalSection, changed);
    isMaster = r.isMaster;
    if (!r.isMaster)
        return;
    corrupt = r.corrupt;
    crc = r.crc;
    if (changed)
        WriteFileReplacing(fileName, text);
}

bool SplitInlineComments(std::vector<std::string>& lines, const std::function<bool()>& askFirst)
{
    std::size_t first = 0;
    while (first < lines.size() && commentStart(lines[first]) == std::string::npos)
        ++first;
    if (first == lines.size())
        return false;
    if (askFirst && !askFirst())
        return false;
    // Built into a new list: inserting into the middle of the old one would move every later line
    // once per comment, which a large file with many comments cannot afford.
    std::vector<std::string> out;
    out.reserve(lines.size() + 16);
    for (std::size_t i = 0; i < first; ++i)
        out.push_back(std::move(lines[i]));
    for (std::size_t i = first; i < lines.size(); ++i) {
        std::string& line = lines[i];
        const std::size_t q = commentStart(line);
        if (q == std::string::npos) {
            out.push_back(std::move(line));
            continue;
        }
        std::string comment(q, ' ');
        comment.append(line, q);
        line.resize(q);
        out.push_back(std::move(line));
        // The comment line needs no further split: its first "/" comes before any "=".
        out.push_back(std::move(comment));
    }
    lines = std::move(out);
    return true;
}

std::string SplitInlineCommentsInText(std::string text, const std::function<bool()>& askFirst)
{
    bool bom = false;
    const std::string_view body = withoutBom(text, bom);
    // Most files carry no in-line comment: one pass over the lines tells, without copying them.
    if (!hasInlineComment(body))
        return text;
    std::vector<std::string> lines = SplitLines(body);
    if (!SplitInlineComments(lines, askFirst))
        return text;
    return joinLines(bom, lines);
}

std::string PreReadCheck(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    const std::string_view general = SectionGen(cfg.TDCorGEX);
    cfg.TempFilename =
        GetPathToTEMConfigData(folders, op) + (cfg.TDCorGEX == TINIFileFormat::TDC ? "Temp.TDC" : "Temp.GEX");
    if (!IsRegularFile(cfg.LoadFilename))
        return {};
    // The file is read once, into this read's own copy: another program writing the shared working
    // copy at the same time cannot change what is read.
    cfg.IsCorrupt = false;
    std::string text = ReadFileBytes(cfg.LoadFilename);
    RejectUtf16(text, cfg.LoadFilename);
    bool changed = false;
    const StampStatus r = checkText(text, general, changed);
    if (r.isMaster) {
        cfg.IsCorrupt = r.corrupt;
        if (changed) {
            // The stamp is rewritten as the check leaves it; a file the operator may not write
            // is read all the same.
            try {
                WriteFileReplacing(cfg.LoadFilename, text);
            } catch (const InOutError&) {
            }
        }
    }
    if (r.isMaster && r.corrupt) {
        op.inform("CONFIGURATION FILE CORRUPTED! This is a master TEM configuration file and someone has "
                  "tampered with it");
        op.inform("CRC should have been " + FormatHex(r.crc));
        // A refused read is a failed read: nothing of the file, and nothing of an earlier read, is
        // taken into the model.
        throw TamperedMasterError(
            "You attempted to read a TAMPERED CORRUPT Master File " + cfg.LoadFilename +
            " ABORTING. If you want to use this file (and know what you are doing) then "
            "remove Master Flag and it will no longer be a master file." +
            " Consider saving with a new filename. Errors may follow.");
    }

    text = SplitInlineCommentsInText(std::move(text), [&] {
        return op.ask("In-line comments detected - splitting them off to the following lines. In-line "
                      "comments crash keyword=value readers. This will only affect the file if you save "
                      "back to it. Continue?",
                      true);
    });
    // The working copy is for the operator to look at; no read depends on it, so a copy that
    // cannot be written does not stop the read.
    try {
        WriteFileReplacing(cfg.TempFilename, text);
    } catch (const InOutError&) {
    }
    return text;
}

std::string PreWriteCheckandBackup(const Configuration& cfg, Operator& op)
{
    return PreWriteCheckandBackup(cfg.SaveFilename, op);
}

std::string PreWriteCheckandBackup(const std::string& file, Operator& op)
{
    if (!IsRegularFile(file))
        return {};
    const fs::path path(file);
    const std::string e = file.size() >= 3 ? file.substr(file.size() - 3) : file;
    const std::string extension = "." + e + "BAK";
    fs::path stem = path;
    stem.replace_extension();

    std::string backup = stem.string() + extension;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(backup, ec))) {
        backup.clear();
        for (int n = 0; n <= 99; ++n) {
            const std::string candidate = stem.string() + "(" + std::to_string(n) + ")" + extension;
            if (!fs::exists(fs::symlink_status(candidate, ec))) {
                backup = candidate;
                break;
            }
        }
        if (backup.empty()) {
            op.inform("More than 100 backup configuration files were found with incrementing numbers (00) to "
                      "(99). Delete some if you still want backup to occur");
            return {};
        }
    }
    // The copy never overwrites. A backup that cannot be made stops the save, so the file is never
    // replaced without its copy.
    CopyFileNew(file, backup);
    return backup;
}

std::string TidyAndStamp(std::string_view text, std::string_view generalSection)
{
    KeywordFile k = KeywordFile::FromOwnedText(tidyText(text));
    const StampStatus r = checkStamp(k, generalSection);
    k.WriteString(generalSection, StampKey, FormatHex(r.isMaster ? r.crc : 0));
    return k.Text();
}

} // namespace tem
