#include "core/files/keyword_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

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

bool blank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view trimView(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

/// Whether the line is a section header ("[", after blanks, and a "]" somewhere after it); name
/// gets the trimmed text between the brackets.
bool isHeader(std::string_view line, std::string_view& name)
{
    std::size_t b = 0;
    while (b < line.size() && blank(line[b]))
        ++b;
    if (b == line.size() || line[b] != '[')
        return false;
    const std::size_t close = line.find(']', b);
    if (close == std::string_view::npos)
        return false;
    name = trimView(line.substr(b + 1, close - b - 1));
    return true;
}

ParsedLine parseLine(std::string_view line)
{
    ParsedLine p;
    if (isHeader(line, p.name)) {
        p.kind = LineKind::Header;
        return p;
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
std::string_view cleanValue(std::string_view raw)
{
    std::string_view v = trimView(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

/// A comment line that the comment splitter moved below its key: indented, then "/".
bool isIndentedComment(std::string_view line)
{
    if (line.empty() || !(line[0] == ' ' || line[0] == '\t'))
        return false;
    const std::string_view t = trimView(line);
    return !t.empty() && t.front() == '/';
}

/// Appends text with its line breaks made blanks: keys and values must stay on their line.
void appendOneLine(std::string& out, std::string_view s)
{
    const std::size_t from = out.size();
    out += s;
    // Values are mostly long number lists without a line break: memchr tells quickly.
    if (s.empty() || (!std::memchr(s.data(), '\r', s.size()) && !std::memchr(s.data(), '\n', s.size())))
        return;
    for (std::size_t i = from; i < out.size(); ++i)
        if (out[i] == '\r' || out[i] == '\n')
            out[i] = ' ';
}

// Names are compared as the index has always stored them: trimmed, ASCII letters in upper case and
// line breaks read as blanks. Folding one character at a time through a table spares an upper-case
// copy per lookup.
constexpr std::array<unsigned char, 256> FoldTable = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z'     ? c - 'a' + 'A'
                                          : c == '\r' || c == '\n' ? ' '
                                                                   : c);
    return t;
}();

unsigned char foldChar(char c)
{
    return FoldTable[static_cast<unsigned char>(c)];
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    if (a == b) // names are mostly written as they were found
        return true;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldChar(a[i]) != foldChar(b[i]))
            return false;
    return true;
}

/// FNV-1a over the folded name, finished with a full avalanche: the table uses the low bits, and
/// without the final mixing the many look-alike names ("GateCentre001", "GateCentre002", ... in one
/// section after another) crowd into runs of neighbouring slots. seed keeps equal key names of
/// different sections apart.
std::uint32_t nameHash(std::string_view name, std::uint32_t seed)
{
    std::uint32_t h = 2166136261u ^ seed;
    for (char c : name)
        h = (h ^ foldChar(c)) * 16777619u;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

/// Open-addressing hash table of entry numbers. The entries and their names stay with the caller,
/// which supplies the comparison; the table holds no strings, so filling it allocates only when it
/// grows. Entries are never removed.
class EntryTable {
  public:
    static constexpr std::uint32_t None = 0xFFFFFFFFu;

    template <class Same> std::uint32_t find(std::uint32_t hash, Same same) const
    {
        if (slots_.empty())
            return None;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.entry == None)
                return None;
            if (s.hash == hash && same(s.entry))
                return s.entry;
        }
    }

    void insert(std::uint32_t hash, std::uint32_t entry)
    {
        if ((used_ + 1) * 2 > slots_.size())
            rehash(slots_.empty() ? 64 : slots_.size() * 2);
        place(hash, entry);
        ++used_;
    }

    void reserve(std::size_t entries)
    {
        std::size_t size = 64;
        while (size < entries * 2)
            size *= 2;
        if (size > slots_.size())
            rehash(size);
    }

  private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t entry = None;
    };

    void place(std::uint32_t hash, std::uint32_t entry)
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash & mask;
        while (slots_[i].entry != None)
            i = (i + 1) & mask;
        slots_[i] = Slot{hash, entry};
    }

    void rehash(std::size_t size)
    {
        std::vector<Slot> old(size);
        old.swap(slots_);
        for (const Slot& s : old)
            if (s.entry != None)
                place(s.hash, s.entry);
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

std::string errnoText(int err)
{
    if (err == ENOSPC)
        return "the disk is full (" + std::string(std::strerror(err)) + ")";
    if (err == EDQUOT)
        return "the disk quota is used up (" + std::string(std::strerror(err)) + ")";
    return std::strerror(err);
}

} // namespace

// The text as loaded stays in one buffer and a line is a span of it; only lines written since get a
// string of their own. So loading a large file makes no allocation per line, and dropping it frees
// a handful of blocks instead of one per line.
// Lines are kept in a singly linked list inside one vector so that inserting a key into the middle
// of the file does not move the lines after it, and every index entry stays valid.
struct KeywordFile::Impl {
    static constexpr std::uint32_t NoEdit = 0xFFFFFFFFu;

    struct Node {
        std::size_t offset = 0; ///< in source, for a line not written since loading
        std::size_t length = 0;
        std::uint32_t next = NoNode;
        std::uint32_t edit = NoEdit; ///< index in edited once the line was written
        bool deleted = false;
    };
    /// A section or key name, kept in names: the line it came from may be rewritten.
    struct Name {
        std::size_t offset = 0;
        std::size_t length = 0;
    };
    struct Section {
        Name name; ///< as first found or written
        std::uint32_t header = NoNode;
        std::uint32_t anchor = NoNode; ///< a new key goes after this line; known once indexed
        bool indexed = false;          ///< its keys are in keys and keyTable
    };
    struct Key {
        Name name; ///< as first found or written
        std::uint32_t section = 0;
        std::uint32_t node = NoNode; ///< NoNode once deleted
    };

    std::string source;              ///< the text as loaded, byte-order mark included
    std::vector<std::string> edited; ///< text of the lines written since
    mutable std::string names;       ///< section and key names, see Name
    std::vector<Node> nodes;
    std::uint32_t head = NoNode;
    std::uint32_t tail = NoNode;
    bool bom = false;
    // Loading finds the sections only; the keys of a section are indexed when it is first used, so
    // a look at one or two keys of a large file does not pay for indexing all of them. Reading
    // through a const object may therefore fill these in.
    mutable std::vector<Section> sections; ///< first occurrences in file order
    mutable std::vector<Key> keys;         ///< first occurrences in file order, per section
    EntryTable sectionTable;               ///< folded name -> sections
    mutable EntryTable keyTable;           ///< section and folded name -> keys

    mutable std::vector<std::string> linesCache;
    mutable bool linesDirty = true;

    std::string_view text(const Node& n) const
    {
        return n.edit == NoEdit ? std::string_view(source).substr(n.offset, n.length)
                                : std::string_view(edited[n.edit]);
    }
    std::string_view text(std::uint32_t id) const { return text(nodes[id]); }
    std::string_view name(Name n) const { return std::string_view(names).substr(n.offset, n.length); }

    Name addName(std::string_view n) const
    {
        const Name added{names.size(), n.size()};
        names += n;
        return added;
    }

    void link(std::uint32_t id, std::uint32_t after)
    {
        if (after == NoNode) { // at the end
            if (tail == NoNode)
                head = id;
            else
                nodes[tail].next = id;
            tail = id;
        } else {
            nodes[id].next = nodes[after].next;
            nodes[after].next = id;
            if (after == tail)
                tail = id;
        }
        linesDirty = true;
    }

    /// A new line holding text of its own, after the given line or at the end.
    std::uint32_t insertLine(std::string text, std::uint32_t after = NoNode)
    {
        const auto id = std::uint32_t(nodes.size());
        Node n;
        n.edit = std::uint32_t(edited.size());
        edited.push_back(std::move(text));
        nodes.push_back(n);
        link(id, after);
        return id;
    }

    /// The string a line's new text goes into, emptied; a line written before reuses its string.
    std::string& editLine(std::uint32_t id)
    {
        Node& n = nodes[id];
        if (n.edit == NoEdit) {
            n.edit = std::uint32_t(edited.size());
            edited.emplace_back();
        }
        linesDirty = true;
        std::string& s = edited[n.edit];
        s.clear();
        return s;
    }

    /// A name to look up: trimmed, with its hash for the given table.
    struct Query {
        std::string_view name;
        std::uint32_t hash;
    };
    static Query sectionQuery(std::string_view name)
    {
        const std::string_view t = trimView(name);
        return {t, nameHash(t, 0)};
    }
    static Query keyQuery(std::uint32_t section, std::string_view name)
    {
        const std::string_view t = trimView(name);
        return {t, nameHash(t, section + 1)};
    }

    std::uint32_t findSection(const Query& q) const
    {
        return sectionTable.find(q.hash,
                                 [&](std::uint32_t s) { return sameName(name(sections[s].name), q.name); });
    }
    std::uint32_t findSection(std::string_view section) const { return findSection(sectionQuery(section)); }
    /// The key's entry, deleted or not; EntryTable::None when the section never had it.
    std::uint32_t findKeyEntry(std::uint32_t section, const Query& q) const
    {
        indexSection(section);
        return findIndexedKey(section, q);
    }
    std::uint32_t findIndexedKey(std::uint32_t section, const Query& q) const
    {
        return keyTable.find(q.hash, [&](std::uint32_t k) {
            return keys[k].section == section && sameName(name(keys[k].name), q.name);
        });
    }
    /// The line holding the key's value, or NoNode.
    std::uint32_t findKeyLine(std::string_view section, std::string_view key) const
    {
        const std::uint32_t s = findSection(section);
        if (s == EntryTable::None)
            return NoNode;
        const std::uint32_t k = findKeyEntry(s, keyQuery(s, key));
        return k == EntryTable::None ? NoNode : keys[k].node;
    }

    /// Adds a section or key not yet indexed; the query's name is stored as given.
    std::uint32_t addSection(const Query& q, std::uint32_t header, bool indexed)
    {
        const auto s = std::uint32_t(sections.size());
        sections.push_back(Section{addName(q.name), header, header, indexed});
        sectionTable.insert(q.hash, s);
        return s;
    }
    void addKey(std::uint32_t section, const Query& q, std::uint32_t node) const
    {
        keyTable.insert(q.hash, std::uint32_t(keys.size()));
        keys.push_back(Key{addName(q.name), section, node});
    }

    /// Indexes the keys of a section found by loading: the key lines from its header to the next
    /// header, first occurrences only. Lines are only ever added to or deleted from a section after
    /// it was indexed, so until then its lines are the ones loaded.
    void indexSection(std::uint32_t s) const
    {
        if (sections[s].indexed)
            return;
        sections[s].indexed = true;
        bool anchorExtends = false; // the anchor is a key line or a comment split off below it
        for (std::uint32_t id = nodes[sections[s].header].next; id != NoNode; id = nodes[id].next) {
            const std::string_view line = text(id);
            const ParsedLine p = parseLine(line);
            if (p.kind == LineKind::Header)
                break;
            if (p.kind == LineKind::Key) {
                const Query q = keyQuery(s, p.name);
                if (findIndexedKey(s, q) == EntryTable::None)
                    addKey(s, q, id);
                sections[s].anchor = id;
                anchorExtends = true;
            } else if (anchorExtends && isIndentedComment(line)) {
                sections[s].anchor = id;
            } else {
                anchorExtends = false;
            }
        }
    }

    /// Splits the text into lines and finds the sections. Only the first occurrence of a section
    /// counts; keys below a repeated header or before the first header belong to no section.
    void build(std::string loaded)
    {
        source = std::move(loaded);
        std::size_t start = 0;
        const std::size_t n = source.size();
        if (std::string_view(source).substr(0, Utf8Bom.size()) == Utf8Bom) {
            bom = true;
            start = Utf8Bom.size();
        }
        // Rough sizes for a typical file, so the vectors and tables seldom grow while filling.
        nodes.reserve((n - start) / 32 + 1);
        keys.reserve((n - start) / 48 + 1);
        keyTable.reserve((n - start) / 48 + 1);

        while (start < n) {
            const std::size_t lineStart = start;
            const std::string_view line = NextLine(source, start);
            const auto id = std::uint32_t(nodes.size());
            nodes.push_back(Node{lineStart, line.size(), NoNode, NoEdit, false});
            link(id, NoNode);
            std::string_view sectionName;
            if (isHeader(line, sectionName)) {
                const Query q = sectionQuery(sectionName);
                if (findSection(q) == EntryTable::None)
                    addSection(q, id, false);
            }
        }
    }

    /// After deleting a key's first occurrence, a later line of the same key in the same section
    /// becomes the one read.
    std::uint32_t nextOccurrence(std::uint32_t from, std::string_view keyName) const
    {
        for (std::uint32_t id = nodes[from].next; id != NoNode; id = nodes[id].next) {
            if (nodes[id].deleted)
                continue;
            const ParsedLine p = parseLine(text(id));
            if (p.kind == LineKind::Header)
                break;
            if (p.kind == LineKind::Key && sameName(p.name, keyName))
                return id;
        }
        return NoNode;
    }

    /// The value of a key as found.
    std::optional<std::string_view> value(std::string_view section, std::string_view key) const
    {
        const std::uint32_t id = findKeyLine(section, key);
        if (id == NoNode)
            return std::nullopt;
        return cleanValue(parseLine(text(id)).value);
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
    return FromOwnedText(ReadFileBytes(path));
}

KeywordFile KeywordFile::FromText(std::string_view text)
{
    return FromOwnedText(std::string(text));
}

KeywordFile KeywordFile::FromOwnedText(std::string text)
{
    KeywordFile f;
    f.impl_->build(std::move(text));
    return f;
}

std::string KeywordFile::Text() const
{
    const Impl& d = *impl_;
    std::size_t total = d.bom ? Utf8Bom.size() : 0;
    for (std::uint32_t id = d.head; id != NoNode; id = d.nodes[id].next)
        if (!d.nodes[id].deleted)
            total += d.text(id).size() + 2;
    std::string out;
    out.reserve(total);
    if (d.bom)
        out += Utf8Bom;
    for (std::uint32_t id = d.head; id != NoNode; id = d.nodes[id].next) {
        if (d.nodes[id].deleted)
            continue;
        out += d.text(id);
        out += "\r\n";
    }
    return out;
}

void KeywordFile::Save(const std::string& path) const
{
    WriteFileReplacing(path, Text());
}

const std::vector<std::string>& KeywordFile::Lines() const
{
    if (impl_->linesDirty) {
        impl_->linesCache.clear();
        for (std::uint32_t id = impl_->head; id != NoNode; id = impl_->nodes[id].next)
            if (!impl_->nodes[id].deleted)
                impl_->linesCache.emplace_back(impl_->text(id));
        impl_->linesDirty = false;
    }
    return impl_->linesCache;
}

bool KeywordFile::SectionExists(std::string_view section) const
{
    return impl_->findSection(section) != EntryTable::None;
}

bool KeywordFile::ValueExists(std::string_view section, std::string_view key) const
{
    return impl_->findKeyLine(section, key) != NoNode;
}

std::vector<std::string> KeywordFile::Sections() const
{
    std::vector<std::string> out;
    out.reserve(impl_->sections.size());
    for (const auto& s : impl_->sections)
        out.emplace_back(impl_->name(s.name));
    return out;
}

std::vector<std::string> KeywordFile::Keys(std::string_view section) const
{
    std::vector<std::string> out;
    const std::uint32_t s = impl_->findSection(section);
    if (s == EntryTable::None)
        return out;
    impl_->indexSection(s);
    for (const auto& k : impl_->keys)
        if (k.section == s && k.node != NoNode)
            out.emplace_back(impl_->name(k.name));
    return out;
}

std::optional<std::string> KeywordFile::Find(std::string_view section, std::string_view key) const
{
    if (auto v = impl_->value(section, key))
        return std::string(*v);
    return std::nullopt;
}

std::string KeywordFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const
{
    return std::string(impl_->value(section, key).value_or(def));
}

long long KeywordFile::ReadInteger(std::string_view section, std::string_view key, long long def) const
{
    if (auto v = impl_->value(section, key))
        return ParseInteger(*v).value_or(def);
    return def;
}

double KeywordFile::ReadFloat(std::string_view section, std::string_view key, double def) const
{
    if (auto v = impl_->value(section, key))
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
    std::uint32_t s = d.findSection(section);
    if (s == EntryTable::None) {
        std::string name;
        appendOneLine(name, trimView(section));
        const std::uint32_t header = d.insertLine("[" + name + "]");
        s = d.addSection(Impl::sectionQuery(name), header, true);
    }
    const Impl::Query q = Impl::keyQuery(s, key);
    const auto writeLine = [&](std::string& line) {
        line.reserve(q.name.size() + 1 + value.size());
        appendOneLine(line, q.name);
        line += '=';
        appendOneLine(line, value);
    };

    const std::uint32_t k = d.findKeyEntry(s, q);
    if (k != EntryTable::None && d.keys[k].node != NoNode) {
        writeLine(d.editLine(d.keys[k].node));
        return;
    }
    std::string line;
    writeLine(line);
    const std::uint32_t id = d.insertLine(std::move(line), d.sections[s].anchor);
    d.sections[s].anchor = id;
    if (k != EntryTable::None) {
        d.keys[k].node = id; // a deleted key written again keeps its place in Keys()
    } else {
        std::string name;
        appendOneLine(name, q.name);
        d.addKey(s, Impl::Query{name, q.hash}, id);
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
    const std::uint32_t s = d.findSection(section);
    if (s == EntryTable::None)
        return;
    const Impl::Query q = Impl::keyQuery(s, key);
    const std::uint32_t k = d.findKeyEntry(s, q);
    if (k == EntryTable::None || d.keys[k].node == NoNode)
        return;
    Impl::Key& entry = d.keys[k];
    d.nodes[entry.node].deleted = true;
    d.linesDirty = true;
    entry.node = d.nextOccurrence(entry.node, q.name);
}

bool IsRegularFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::string ReadFileBytes(const std::string& path)
{
    // Non-blocking, so that a FIFO without a writer does not hang the open; it is refused below
    // with every other file that is not a regular one (/dev/zero would never end).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw InOutError("Cannot open file \"" + path + "\": " + errnoText(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw InOutError("Cannot read file \"" + path + "\": " + errnoText(errno));
    if (S_ISDIR(st.st_mode))
        throw InOutError("Cannot read file \"" + path + "\": it is a folder");
    if (!S_ISREG(st.st_mode))
        throw NotRegularFileError("Cannot read file \"" + path +
                                  "\": it is not a regular file (a device, a FIFO or a socket)");
    std::string text;
    // Sized up front where the size is known (and plausible), so a large file is not copied while
    // the string grows.
    if (st.st_size > 0 && st.st_size < (off_t(1) << 30))
        text.reserve(std::size_t(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw InOutError("Cannot read file \"" + path + "\": " + errnoText(errno));
        if (got == 0)
            break;
        text.append(buf, std::size_t(got));
    }
    return text;
}

namespace {

std::atomic<WriteFault> writeFault{nullptr};

int injectedFault(WriteStep step, const std::string& target)
{
    const WriteFault f = writeFault.load();
    return f ? f(step, target) : 0;
}

/// Whether an existing file may be replaced: the user may write it, and it is not marked read-only
/// (no write permission for anyone; the superuser would otherwise replace it without a word).
void requireWritable(const std::string& path, const struct stat& st)
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0)
        throw InOutError("Cannot write file \"" + path + "\": the file is read-only");
}

/// Writes every byte to fd; returns 0 or the error number.
int writeAll(int fd, std::string_view text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += std::size_t(w);
    }
    return 0;
}

/// Creates a new file of a unique name beside target (in folder), so the rename that gives it the
/// target's name stays within one file system. Returns its descriptor, or -1 with errno set.
int createTemporaryBeside(const std::filesystem::path& target, const std::filesystem::path& folder,
                          std::filesystem::path& temp)
{
    static std::atomic<unsigned> counter{0};
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                         std::to_string(counter++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    return fd;
}

} // namespace

void SetWriteFaultForTesting(WriteFault fault)
{
    writeFault.store(fault);
}

std::string ResolvedTarget(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p(path);
    // A chain of links is followed link by link, so a link to a file not yet created still names it.
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path next = fs::read_symlink(p, ec);
        if (ec)
            break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p.lexically_normal().string();
}

void RejectUtf16(std::string_view bytes, const std::string& fileName)
{
    // Told by the byte-order mark every editor writes at the start of a UTF-16 file. (Guessing from
    // zero bytes alone could refuse an 8-bit file that happens to hold some.)
    const auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xFF\xFE") || starts("\xFE\xFF"))
        throw InOutError("The file \"" + fileName +
                         "\" is UTF-16 text and cannot be read. Save it as 8-bit text (ANSI or Latin-1) "
                         "and read it again.");
}

void RequireReplaceable(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        throw InOutError("Cannot write file \"" + path + "\": it is a folder");
    // A device, a FIFO or a socket would be replaced by a plain file (run as root, /dev/null).
    if (!S_ISREG(st.st_mode))
        throw InOutError("Cannot write file \"" + path +
                         "\": it is not a regular file (a device, a FIFO or "
                         "a socket)");
    requireWritable(path, st);
}

void RequireDistinctFiles(const std::string& output, const std::string& input)
{
    struct stat out {
    }, in{};
    if (::stat(output.c_str(), &out) != 0 || ::stat(input.c_str(), &in) != 0)
        return;
    if (out.st_dev == in.st_dev && out.st_ino == in.st_ino)
        throw InOutError("Not written: \"" + output + "\" is the input file \"" + input +
                         "\" itself; choose another name for the output.");
}

void SyncFolderOf(const std::string& path)
{
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void WriteFileReplacing(const std::string& path, std::string_view text)
{
    namespace fs = std::filesystem;
    const std::string name = ResolvedTarget(path);
    const fs::path target(name);
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    RequireReplaceable(path);
    struct stat st {};
    const bool exists = ::stat(name.c_str(), &st) == 0;

    fs::path temp;
    const int fd = createTemporaryBeside(target, folder, temp);
    if (fd < 0)
        throw InOutError("Cannot write file \"" + path + "\": " + errnoText(errno));

    const auto fail = [&](int err) {
        ::unlink(temp.c_str());
        throw InOutError("Cannot write file \"" + path + "\": " + errnoText(err));
    };
    int err = injectedFault(WriteStep::TemporaryFile, name);
    if (err == 0)
        err = writeAll(fd, text);
    // An existing file keeps its permissions.
    if (err == 0 && exists && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & 07777);
    // On the disk before the rename, so a power cut leaves the old file or the new one, never an
    // empty one.
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        fail(err);
    err = injectedFault(WriteStep::Rename, name);
    if (err == 0 && ::rename(temp.c_str(), name.c_str()) != 0)
        err = errno;
    if (err != 0)
        fail(err);
    SyncFolderOf(name);
}

void CopyFileNew(const std::string& from, const std::string& to)
{
    namespace fs = std::filesystem;
    const auto fail = [&](int err) {
        throw InOutError("Cannot copy \"" + from + "\" to \"" + to + "\": " + errnoText(err));
    };
    // Read whole first: configuration files are small, and a source that cannot be read leaves
    // no partial copy behind.
    std::string bytes;
    try {
        bytes = ReadFileBytes(from);
    } catch (const InOutError&) {
        fail(errno ? errno : EIO);
    }
    if (::access(to.c_str(), F_OK) == 0)
        fail(EEXIST);
    // Written whole under a temporary name, flushed, and only then given its name: a save killed
    // at any moment leaves no empty or cut copy under that name.
    const fs::path target(to);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temp;
    const int fd = createTemporaryBeside(target, folder, temp);
    if (fd < 0)
        fail(errno);
    int err = injectedFault(WriteStep::Backup, to);
    if (err == 0)
        err = writeAll(fd, bytes);
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    // The name is taken only when it is still free: a copy never overwrites.
    if (err == 0 && ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        err = errno;
        if (err == EINVAL || err == ENOSYS) { // a file system without the no-replace rename
            err = ::link(temp.c_str(), to.c_str()) == 0 ? 0 : errno;
            ::unlink(temp.c_str());
        }
    }
    if (err != 0) {
        ::unlink(temp.c_str());
        fail(err);
    }
    SyncFolderOf(to);
}

std::string_view NextLine(std::string_view text, std::size_t& pos)
{
    // The line ends at the first CR or LF; memchr finds them quickly even in long lines.
    const char* const base = text.data();
    const std::size_t n = text.size();
    const void* lf = std::memchr(base + pos, '\n', n - pos);
    const std::size_t lfPos = lf ? std::size_t(static_cast<const char*>(lf) - base) : n;
    const void* cr = std::memchr(base + pos, '\r', lfPos - pos);
    const std::size_t end = cr ? std::size_t(static_cast<const char*>(cr) - base) : lfPos;
    const std::string_view line = text.substr(pos, end - pos);
    if (end == n)
        pos = n;
    else if (base[end] == '\r' && end + 1 < n && base[end + 1] == '\n')
        pos = end + 2;
    else
        pos = end + 1;
    return line;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size())
        lines.emplace_back(NextLine(text, pos));
    return lines;
}

std::optional<std::string> FindInText(std::string_view text, std::string_view section, std::string_view key)
{
    if (text.substr(0, Utf8Bom.size()) == Utf8Bom)
        text.remove_prefix(Utf8Bom.size());
    const std::string_view s = trimView(section);
    const std::string_view k = trimView(key);
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const ParsedLine p = parseLine(NextLine(text, pos));
        if (p.kind == LineKind::Header) {
            // Only the first occurrence of a section counts, and its keys end at the next header.
            if (inSection)
                return std::nullopt;
            inSection = sameName(p.name, s);
        } else if (inSection && p.kind == LineKind::Key && sameName(p.name, k)) {
            return std::string(cleanValue(p.value));
        }
    }
    return std::nullopt;
}

} // namespace tem
