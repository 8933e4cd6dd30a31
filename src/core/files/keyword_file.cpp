#include "core/files/keyword_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unordered_map>

#include "core/action_error.h"
#include "core/files/value_forms.h"

namespace tem {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::uint32_t NoNode = 0xFFFFFFFFu;

enum class LineKind : std::uint8_t { Other, Header, Key };

/// What one line holds: a section header (name), a key line (key, value) or anything else.
struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  ///< section name or key, trimmed
    std::string_view value; ///< raw text after the first '=' (key lines)
};

bool blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view trimView(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

ParsedLine parseLine(std::string_view line)
{
    ParsedLine p;
    const std::string_view t = trimView(line);
    if (!t.empty() && t.front() == '[') {
        const std::size_t close = t.find(']');
        if (close != std::string_view::npos) {
            p.kind = LineKind::Header;
            p.name = trimView(t.substr(1, close - 1));
            return p;
        }
    }
    const std::size_t eq = line.find('=');
    if (eq != std::string_view::npos) {
        p.name = trimView(line.substr(0, eq));
        if (!p.name.empty()) {
            p.kind = LineKind::Key;
            p.value = line.substr(eq + 1);
        }
    }
    return p;
}

/// Trimmed, with one pair of enclosing matching quotes removed.
std::string cleanValue(std::string_view raw)
{
    std::string_view v = trimView(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

/// A comment line that the comment splitter moved below its key: indented, then "/".
bool isIndentedComment(std::string_view line)
{
    if (line.empty() || !(line[0] == ' ' || line[0] == '\t'))
        return false;
    const std::string_view t = trimView(line);
    return !t.empty() && t.front() == '/';
}

/// Keys and values must stay on their line.
std::string oneLine(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

/// The form a section or key name is indexed under: one line, trimmed, upper case.
std::string indexName(std::string_view name) { return UpperCase(trimView(oneLine(name))); }

std::string errnoText(int err) { return std::strerror(err); }

}  // namespace

// Lines are kept in a singly linked list inside one vector so that inserting a key into the middle
// of the file does not move the lines after it, and every index entry stays valid.
struct KeywordFile::Impl {
    struct Node {
        std::string text;
        std::uint32_t next = NoNode;
        bool deleted = false;
    };
    struct Key {
        std::string name;     ///< as first found or written
        std::uint32_t node = NoNode;
    };
    struct Section {
        std::string name;
        std::uint32_t header = NoNode;
        std::uint32_t anchor = NoNode;  ///< a new key goes after this line
        std::unordered_map<std::string, std::size_t> index;  ///< upper-case key -> position in keys
        std::vector<Key> keys;                               ///< first occurrences in file order
    };

    std::vector<Node> nodes;
    std::uint32_t head = NoNode;
    std::uint32_t tail = NoNode;
    bool bom = false;
    std::unordered_map<std::string, std::size_t> sectionIndex;  ///< upper-case name -> sections
    std::vector<Section> sections;

    mutable std::vector<std::string> linesCache;
    mutable bool linesDirty = true;

    std::uint32_t append(std::string text)
    {
        const auto id = std::uint32_t(nodes.size());
        nodes.push_back(Node{std::move(text), NoNode, false});
        if (tail == NoNode)
            head = id;
        else
            nodes[tail].next = id;
        tail = id;
        linesDirty = true;
        return id;
    }

    std::uint32_t insertAfter(std::uint32_t at, std::string text)
    {
        if (at == tail)
            return append(std::move(text));
        const auto id = std::uint32_t(nodes.size());
        nodes.push_back(Node{std::move(text), nodes[at].next, false});
        nodes[at].next = id;
        linesDirty = true;
        return id;
    }

    Section* findSection(std::string_view name)
    {
        auto it = sectionIndex.find(indexName(name));
        return it == sectionIndex.end() ? nullptr : &sections[it->second];
    }
    const Section* findSection(std::string_view name) const
    {
        auto it = sectionIndex.find(indexName(name));
        return it == sectionIndex.end() ? nullptr : &sections[it->second];
    }
    static const Key* findKey(const Section& s, std::string_view key)
    {
        auto it = s.index.find(indexName(key));
        if (it == s.index.end())
            return nullptr;
        const Key& k = s.keys[it->second];
        return k.node == NoNode ? nullptr : &k;
    }

    /// Builds the index over the lines in list order. Only the first occurrence of a section is
    /// indexed; keys below a repeated header or before the first header belong to no section.
    void build(std::string_view text)
    {
        if (text.substr(0, Utf8Bom.size()) == Utf8Bom) {
            bom = true;
            text.remove_prefix(Utf8Bom.size());
        }
        Section* current = nullptr;
        bool anchorExtends = false;  // the anchor is a key line or a comment split off below it
        std::size_t start = 0;
        const std::size_t n = text.size();
        while (start < n) {
            std::size_t end = start;
            while (end < n && text[end] != '\r' && text[end] != '\n')
                ++end;
            const std::uint32_t id = append(std::string(text.substr(start, end - start)));
            if (end == n)
                start = n;
            else if (text[end] == '\r' && end + 1 < n && text[end + 1] == '\n')
                start = end + 2;
            else
                start = end + 1;

            const std::string& line = nodes[id].text;
            const ParsedLine p = parseLine(line);
            if (p.kind == LineKind::Header) {
                current = nullptr;
                anchorExtends = false;
                const std::string upper = UpperCase(p.name);
                if (!sectionIndex.count(upper)) {
                    sectionIndex.emplace(upper, sections.size());
                    sections.push_back(Section{std::string(p.name), id, id, {}, {}});
                    current = &sections.back();
                }
            } else if (current && p.kind == LineKind::Key) {
                std::string upper = UpperCase(p.name);
                if (!current->index.count(upper)) {
                    current->index.emplace(std::move(upper), current->keys.size());
                    current->keys.push_back(Key{std::string(p.name), id});
                }
                current->anchor = id;
                anchorExtends = true;
            } else if (current && anchorExtends && isIndentedComment(line)) {
                current->anchor = id;
            } else {
                anchorExtends = false;
            }
        }
    }

    /// After deleting a key's first occurrence, a later line of the same key in the same section
    /// becomes the one read.
    std::uint32_t nextOccurrence(std::uint32_t from, std::string_view upperKey) const
    {
        for (std::uint32_t id = nodes[from].next; id != NoNode; id = nodes[id].next) {
            if (nodes[id].deleted)
                continue;
            const ParsedLine p = parseLine(nodes[id].text);
            if (p.kind == LineKind::Header)
                break;
            if (p.kind == LineKind::Key && UpperCase(p.name) == upperKey)
                return id;
        }
        return NoNode;
    }
};

KeywordFile::KeywordFile() : impl_(std::make_unique<Impl>()) {}
KeywordFile::~KeywordFile() = default;
KeywordFile::KeywordFile(const KeywordFile& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}
KeywordFile& KeywordFile::operator=(const KeywordFile& other)
{
    if (this != &other)
        impl_ = std::make_unique<Impl>(*other.impl_);
    return *this;
}
KeywordFile::KeywordFile(KeywordFile&& other) noexcept : impl_(std::make_unique<Impl>())
{
    std::swap(impl_, other.impl_);
}
KeywordFile& KeywordFile::operator=(KeywordFile&& other) noexcept
{
    std::swap(impl_, other.impl_);
    return *this;
}

KeywordFile KeywordFile::Load(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return KeywordFile();
    return FromText(ReadFileBytes(path));
}

KeywordFile KeywordFile::FromText(std::string_view text)
{
    KeywordFile f;
    f.impl_->build(text);
    return f;
}

std::string KeywordFile::Text() const
{
    std::size_t total = impl_->bom ? Utf8Bom.size() : 0;
    for (const auto& n : impl_->nodes)
        if (!n.deleted)
            total += n.text.size() + 2;
    std::string out;
    out.reserve(total);
    if (impl_->bom)
        out += Utf8Bom;
    for (std::uint32_t id = impl_->head; id != NoNode; id = impl_->nodes[id].next) {
        const auto& n = impl_->nodes[id];
        if (n.deleted)
            continue;
        out += n.text;
        out += "\r\n";
    }
    return out;
}

void KeywordFile::Save(const std::string& path) const { WriteFileReplacing(path, Text()); }

const std::vector<std::string>& KeywordFile::Lines() const
{
    if (impl_->linesDirty) {
        impl_->linesCache.clear();
        for (std::uint32_t id = impl_->head; id != NoNode; id = impl_->nodes[id].next)
            if (!impl_->nodes[id].deleted)
                impl_->linesCache.push_back(impl_->nodes[id].text);
        impl_->linesDirty = false;
    }
    return impl_->linesCache;
}

bool KeywordFile::SectionExists(std::string_view section) const { return impl_->findSection(section) != nullptr; }

bool KeywordFile::ValueExists(std::string_view section, std::string_view key) const
{
    const auto* s = impl_->findSection(section);
    return s && Impl::findKey(*s, key);
}

std::vector<std::string> KeywordFile::Sections() const
{
    std::vector<std::string> out;
    out.reserve(impl_->sections.size());
    for (const auto& s : impl_->sections)
        out.push_back(s.name);
    return out;
}

std::vector<std::string> KeywordFile::Keys(std::string_view section) const
{
    std::vector<std::string> out;
    if (const auto* s = impl_->findSection(section))
        for (const auto& k : s->keys)
            if (k.node != NoNode)
                out.push_back(k.name);
    return out;
}

std::optional<std::string> KeywordFile::Find(std::string_view section, std::string_view key) const
{
    const auto* s = impl_->findSection(section);
    if (!s)
        return std::nullopt;
    const auto* k = Impl::findKey(*s, key);
    if (!k)
        return std::nullopt;
    return cleanValue(parseLine(impl_->nodes[k->node].text).value);
}

std::string KeywordFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    if (auto v = Find(section, key))
        return std::move(*v);
    return std::string(def);
}

long long KeywordFile::ReadInteger(std::string_view section, std::string_view key, long long def) const
{
    if (auto v = Find(section, key))
        return ParseInteger(*v).value_or(def);
    return def;
}

double KeywordFile::ReadFloat(std::string_view section, std::string_view key, double def) const
{
    if (auto v = Find(section, key))
        return ParseFloat(*v).value_or(def);
    return def;
}

bool KeywordFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void KeywordFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    Impl& d = *impl_;
    const std::string keyText(trimView(oneLine(key)));
    std::string line = keyText + "=" + oneLine(value);
    Impl::Section* s = d.findSection(section);
    if (!s) {
        const std::string name(trimView(oneLine(section)));
        const std::uint32_t header = d.append("[" + name + "]");
        d.sectionIndex.emplace(UpperCase(name), d.sections.size());
        d.sections.push_back(Impl::Section{name, header, header, {}, {}});
        s = &d.sections.back();
    }
    const std::string upper = indexName(key);
    auto it = s->index.find(upper);
    if (it != s->index.end() && s->keys[it->second].node != NoNode) {
        d.nodes[s->keys[it->second].node].text = std::move(line);
        d.linesDirty = true;
        return;
    }
    const std::uint32_t id = d.insertAfter(s->anchor, std::move(line));
    s->anchor = id;
    if (it != s->index.end()) {
        s->keys[it->second].node = id;  // a deleted key written again keeps its place in Keys()
    } else {
        s->index.emplace(upper, s->keys.size());
        s->keys.push_back(Impl::Key{keyText, id});
    }
}

void KeywordFile::WriteInteger(std::string_view section, std::string_view key, long long value)
{
    WriteString(section, key, std::to_string(value));
}

void KeywordFile::WriteFloat(std::string_view section, std::string_view key, double value)
{
    WriteString(section, key, FormatGeneral(value));
}

void KeywordFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void KeywordFile::DeleteKey(std::string_view section, std::string_view key)
{
    Impl& d = *impl_;
    Impl::Section* s = d.findSection(section);
    if (!s)
        return;
    const std::string upper = indexName(key);
    auto it = s->index.find(upper);
    if (it == s->index.end())
        return;
    Impl::Key& k = s->keys[it->second];
    if (k.node == NoNode)
        return;
    d.nodes[k.node].deleted = true;
    d.linesDirty = true;
    k.node = d.nextOccurrence(k.node, upper);
}

std::string ReadFileBytes(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw InOutError("Cannot read file \"" + path + "\": it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InOutError("Cannot open file \"" + path + "\": " + errnoText(errno));
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0)
        text.append(buf, std::size_t(in.gcount()));
    if (in.bad())
        throw InOutError("Cannot read file \"" + path + "\": " + errnoText(errno));
    return text;
}

void WriteFileReplacing(const std::string& path, std::string_view text)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";

    // A unique name beside the target, so the rename below stays within one file system.
    static std::atomic<unsigned> counter{0};
    int fd = -1;
    fs::path temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                         std::to_string(counter++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw InOutError("Cannot write file \"" + path + "\": " + errnoText(errno));

    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw InOutError("Cannot write file \"" + path + "\": " + errnoText(err));
    };
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        done += std::size_t(w);
    }
    // An existing file keeps its permissions.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & 07777);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throw InOutError("Cannot write file \"" + path + "\": " + errnoText(err));
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throw InOutError("Cannot write file \"" + path + "\": " + errnoText(err));
    }
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start < n) {
        std::size_t end = start;
        while (end < n && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines.emplace_back(text.substr(start, end - start));
        if (end == n)
            start = n;
        else if (text[end] == '\r' && end + 1 < n && text[end + 1] == '\n')
            start = end + 2;
        else
            start = end + 1;
    }
    return lines;
}

}  // namespace tem
