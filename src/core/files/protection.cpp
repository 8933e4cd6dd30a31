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

bool fileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
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

struct StampCheck {
    bool isMaster = false;
    bool corrupt = false;
    std::uint32_t computed = 0;
};

/// The master check on a file held in memory. For a master the stamp is set to "0", the CRC is
/// taken over the text as it would then be stored, and the stamp is put back when it matched.
StampCheck checkStamp(KeywordFile& f, std::string_view section)
{
    StampCheck r;
    r.isMaster = isMasterValue(f.ReadString(section, MasterKey, "False"));
    if (!r.isMaster)
        return r;
    const std::string stamp = Trim(f.ReadString(section, StampKey, "0$0"));
    const long long stored = ParseInteger("0x" + stamp).value_or(0);
    f.WriteString(section, StampKey, "0");
    r.computed = CalcCRC32(std::string_view(f.Text()));
    r.corrupt = stored != static_cast<long long>(r.computed);
    if (!r.corrupt)
        f.WriteString(section, StampKey, FormatHex(r.computed));
    return r;
}

/// The master check on a file's text. text becomes what the file should hold afterwards; changed
/// tells whether that differs from what it held. Most files are no master: for them one pass over
/// the text for the flag is enough, without building an index.
StampCheck checkText(std::string& text, std::string_view section, bool& changed)
{
    changed = false;
    if (!isMasterValue(FindInText(text, section, MasterKey).value_or("False")))
        return StampCheck{};
    KeywordFile f = KeywordFile::FromText(text);
    const StampCheck r = checkStamp(f, section);
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
        return std::string_view::npos;  // a comment line or a key holding "/" is left alone
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

/// Splits line i when it carries a comment: the comment goes to a new line below, starting in the
/// same column.
bool splitLine(std::vector<std::string>& lines, std::size_t i)
{
    const std::size_t q = commentStart(lines[i]);
    if (q == std::string::npos)
        return false;
    std::string comment(q, ' ');
    comment.append(lines[i], q);
    lines[i].resize(q);
    lines.insert(lines.begin() + std::ptrdiff_t(i) + 1, std::move(comment));
    return true;
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
    bool previousIsSlashLine = false;  // the line written last starts with "/"
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

}  // namespace

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

void CheckIsFileProtected(const std::string& fileName, std::string_view generalSection, bool& isMaster,
                          std::uint32_t& crc, bool& corrupt)
{
    // The check runs on the text in memory; the file is rewritten only where the outcome differs
    // from what it holds (a stamp zeroed after tampering, a stamp put back in its upper-case form),
    // so a read-only master can still be checked.
    std::string text = fileExists(fileName) ? ReadFileBytes(fileName) : std::string();
    bool changed = false;
    const StampCheck r = checkText(text, generalSection, changed);
    isMaster = r.isMaster;
    if (!r.isMaster)
        return;
    corrupt = r.corrupt;
    crc = r.computed;
    if (changed)
        WriteFileReplacing(fileName, text);
}

bool SplitInlineComments(std::vector<std::string>& lines, const std::function<bool()>& askFirst)
{
    bool asked = false;
    bool any = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (commentStart(lines[i]) == std::string::npos)
            continue;
        if (!asked) {
            asked = true;
            if (askFirst && !askFirst())
                return false;
        }
        any |= splitLine(lines, i);
    }
    return any;
}

void PreReadCheck(Configuration& cfg, const DataFolders& folders, Operator& op)
{
    const std::string_view general = SectionGen(cfg.TDCorGEX);
    // Named before the check, so that after a refused master the reader still finds the working
    // copy an earlier read left.
    cfg.TempFilename = GetPathToTEMConfigData(folders, op) +
                       (cfg.TDCorGEX == TINIFileFormat::TDC ? "Temp.TDC" : "Temp.GEX");
    // The file is read once: the working copy is made from the text as the master check left it.
    std::optional<std::string> text;
    if (fileExists(cfg.LoadFilename)) {
        cfg.IsCorrupt = false;
        text = ReadFileBytes(cfg.LoadFilename);
        bool changed = false;
        const StampCheck r = checkText(*text, general, changed);
        if (r.isMaster) {
            cfg.IsCorrupt = r.corrupt;
            if (changed)
                WriteFileReplacing(cfg.LoadFilename, *text);
        }
        if (r.isMaster && r.corrupt) {
            op.inform("CONFIGURATION FILE CORRUPTED! This is a master TEM configuration file and someone has "
                      "tampered with it");
            op.inform("CRC should have been " + FormatHex(r.computed));
            op.inform("You attempted to read a TAMPERED CORRUPT Master File " + cfg.LoadFilename +
                      " ABORTING. If you want to use this file (and know what you are doing) then remove Master "
                      "Flag and it will no longer be a master file." +
                      " Consider saving with a new filename. Errors may follow.");
            return;
        }
    }

    if (!fileExists(cfg.LoadFilename))
        return;
    if (!text)
        text = ReadFileBytes(cfg.LoadFilename);
    WriteFileReplacing(cfg.TempFilename, *text);

    // Most files carry no in-line comment: one pass over the lines tells, without copying them.
    bool bom = false;
    const std::string_view body = withoutBom(*text, bom);
    if (!hasInlineComment(body))
        return;
    std::vector<std::string> lines = SplitLines(body);
    const bool split = SplitInlineComments(lines, [&] {
        return op.ask("In-line comments detected - splitting them off to the following lines. In-line "
                      "comments crash keyword=value readers. This will only affect the file if you save "
                      "back to it. Continue?",
                      true);
    });
    if (split)
        WriteFileReplacing(cfg.TempFilename, joinLines(bom, lines));
}

void PreWriteCheckandBackup(const Configuration& cfg, Operator& op)
{
    const std::string& file = cfg.SaveFilename;
    if (!fileExists(file))
        return;
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
            return;
        }
    }
    // copy_file without options never overwrites. A backup that cannot be made stops the save, so
    // the file is never replaced without its copy.
    if (!fs::copy_file(path, backup, ec)) {
        if (ec != std::errc::file_exists) {
            std::error_code ignored;
            fs::remove(backup, ignored);
        }
        throw InOutError("Cannot back up \"" + file + "\" to \"" + backup + "\": " + ec.message());
    }
}

void PostWriteCheck(const Configuration& cfg, Operator& op)
{
    const std::string_view general = SectionGen(cfg.TDCorGEX);
    if (!fileExists(cfg.SaveFilename)) {
        // Nothing to tidy or stamp; creating a stub file here would only hide the loss.
        op.inform("Lost file while saving - you should never see this message");
        return;
    }
    const std::string before = ReadFileBytes(cfg.SaveFilename);
    KeywordFile k = KeywordFile::FromOwnedText(tidyText(before));
    const StampCheck r = checkStamp(k, general);
    k.WriteString(general, StampKey, FormatHex(r.isMaster ? r.computed : 0));
    // A file saved over a tidy one of the same kind is often tidy and stamped already: writing the
    // same bytes again would only cost time.
    const std::string after = k.Text();
    if (after != before)
        WriteFileReplacing(cfg.SaveFilename, after);
}

}  // namespace tem
