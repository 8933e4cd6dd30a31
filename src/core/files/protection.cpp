#include "core/files/protection.h"

#include <filesystem>
#include <fstream>
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
    std::string master = f.ReadString(section, MasterKey, "False");
    master = Trim(master.substr(0, master.find('/')));
    r.isMaster = truthValue(master);
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

/// Where an in-line comment starts in a line, or npos. A comment is a "/" after the key's "=" that
/// either begins "//" or follows a blank after some value text. A single "/" inside a value is
/// part of it: file paths on this system are written with forward slashes.
std::size_t commentStart(std::string_view line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::string_view::npos;
    const std::size_t firstSlash = line.find('/');
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
    const std::string t = Trim(line);
    return !t.empty() && t.front() == '[' && t.find(']') != std::string::npos;
}

struct LineFile {
    bool bom = false;
    std::vector<std::string> lines;
};

LineFile readLines(const std::string& path)
{
    std::string_view text;
    const std::string bytes = ReadFileBytes(path);
    text = bytes;
    LineFile f;
    if (text.substr(0, Utf8Bom.size()) == Utf8Bom) {
        f.bom = true;
        text.remove_prefix(Utf8Bom.size());
    }
    f.lines = SplitLines(text);
    return f;
}

std::string joinLines(const LineFile& f)
{
    std::string out = f.bom ? std::string(Utf8Bom) : std::string();
    for (const auto& l : f.lines) {
        out += l;
        out += "\r\n";
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
    const std::string before = fileExists(fileName) ? ReadFileBytes(fileName) : std::string();
    KeywordFile f = KeywordFile::FromText(before);
    const StampCheck r = checkStamp(f, generalSection);
    isMaster = r.isMaster;
    if (!r.isMaster)
        return;
    corrupt = r.corrupt;
    crc = r.computed;
    const std::string after = f.Text();
    if (after != before)
        WriteFileReplacing(fileName, after);
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
    if (fileExists(cfg.LoadFilename)) {
        cfg.IsCorrupt = false;
        bool isMaster = false;
        std::uint32_t crc = 0;
        CheckIsFileProtected(cfg.LoadFilename, general, isMaster, crc, cfg.IsCorrupt);
        if (isMaster && cfg.IsCorrupt) {
            op.inform("CONFIGURATION FILE CORRUPTED! This is a master TEM configuration file and someone has "
                      "tampered with it");
            op.inform("CRC should have been " + FormatHex(crc));
            op.inform("You attempted to read a TAMPERED CORRUPT Master File " + cfg.LoadFilename +
                      " ABORTING. If you want to use this file (and know what you are doing) then remove Master "
                      "Flag and it will no longer be a master file." +
                      " Consider saving with a new filename. Errors may follow.");
            return;
        }
    }

    if (!fileExists(cfg.LoadFilename))
        return;

    LineFile copy;
    {
        const std::string bytes = ReadFileBytes(cfg.LoadFilename);
        WriteFileReplacing(cfg.TempFilename, bytes);
        std::string_view text = bytes;
        if (text.substr(0, Utf8Bom.size()) == Utf8Bom) {
            copy.bom = true;
            text.remove_prefix(Utf8Bom.size());
        }
        copy.lines = SplitLines(text);
    }
    const bool split = SplitInlineComments(copy.lines, [&] {
        return op.ask("In-line comments detected - splitting them off to the following lines. In-line "
                      "comments crash keyword=value readers. This will only affect the file if you save "
                      "back to it. Continue?",
                      true);
    });
    if (split)
        WriteFileReplacing(cfg.TempFilename, joinLines(copy));
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
    LineFile f = readLines(cfg.SaveFilename);
    for (std::size_t i = 0; i < f.lines.size(); ++i) {
        splitLine(f.lines, i);
        if (i != 0 && isSectionHeader(f.lines[i]) && (f.lines[i - 1].empty() || f.lines[i - 1][0] != '/'))
            f.lines.insert(f.lines.begin() + std::ptrdiff_t(i), separatorLine());
    }
    KeywordFile k = KeywordFile::FromText(joinLines(f));
    const StampCheck r = checkStamp(k, general);
    k.WriteString(general, StampKey, FormatHex(r.isMaster ? r.computed : 0));
    k.Save(cfg.SaveFilename);
}

}  // namespace tem
