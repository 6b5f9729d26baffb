// INI parsing and editing with the profile-string rules, Shift-JIS aware.
// One parser serves both encodings of a file: it walks Shift-JIS bytes or the
// 16-bit units of UTF-16, and names are compared in the file's own encoding.
#include "platform/ini.h"

#include <climits>

#include "platform/files.h"
#include "platform/sjis.h"

namespace platform {

namespace {

template <typename Unit>
using Text = std::basic_string<Unit>;

// 0x1A is the DOS end-of-file mark: files made with old editors or copied
// from old media may end in one, and Windows skips it like a blank.
template <typename Unit>
bool IsBlank(Unit c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A';
}

// Only single-byte blanks are removed; no trail byte of a double-byte
// character is below 0x40, so none is ever taken for one.
template <typename Unit>
Text<Unit> Trim(const Text<Unit>& s) {
    typename Text<Unit>::size_type b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// A value in a pair of equal quotes loses them ("" gives empty; a lone quote stays).
std::string StripQuotes(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// What differs between the two encodings of a file.
template <typename Unit>
struct Encoding;

template <>
struct Encoding<char> {
    // The first `ch` that is a character of its own: the second byte of a
    // double-byte character may look like ']' or '='.
    static std::size_t Find(const std::string& s, char ch) { return sjis::FindFirst(s, ch); }
    static std::string Folded(const std::string& name) { return sjis::FoldCase(name); }
    static std::optional<std::string> FromShiftJis(const std::string& s) { return s; }
    static std::optional<std::string> ToShiftJis(const std::string& s) { return s; }
};

template <>
struct Encoding<char16_t> {
    static std::size_t Find(const std::u16string& s, char ch) { return s.find(static_cast<char16_t>(ch)); }
    // ASCII letters fold, as in a Shift-JIS file; the units become the bytes
    // of a map key.
    static std::string Folded(const std::u16string& name) {
        std::string key;
        for (char16_t c : name) {
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
            key += static_cast<char>(c & 0xFF);
            key += static_cast<char>(c >> 8);
        }
        return key;
    }
    static std::optional<std::u16string> FromShiftJis(const std::string& s) { return sjis::ToUtf16(s); }
    static std::optional<std::string> ToShiftJis(const std::u16string& s) { return sjis::FromUtf16(s); }
};

// An ASCII text in the file's units.
template <typename Unit>
Text<Unit> Ascii(const char* s) {
    Text<Unit> out;
    while (*s) out += static_cast<Unit>(*s++);
    return out;
}

// A file in UTF-16 LE starts with its byte-order mark, the bytes FF FE.
bool IsUtf16(const std::string& bytes) { return bytes.compare(0, 2, "\xFF\xFE") == 0; }

// The units of a UTF-16 LE file, its byte-order mark the first of them; an
// odd last byte is no unit.
std::u16string Utf16Units(const std::string& bytes) {
    std::u16string units;
    for (std::size_t i = 1; i < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i - 1]) |
                                       static_cast<unsigned char>(bytes[i]) << 8);
    return units;
}

std::string Utf16Bytes(const std::u16string& units) {
    std::string bytes;
    for (const char16_t c : units) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// One line of a file: its text is [begin, end), the next line starts at
// `next`. A line ends at CR LF, LF or a lone CR, as Windows reads them.
struct Line {
    std::size_t begin, end, next;
};

template <typename Unit>
Line LineAt(const Text<Unit>& text, std::size_t pos) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    std::size_t next = end;
    // At the end of the text, text[next + 1] is the string's closing null.
    if (next < text.size()) next += text[next] == '\r' && text[next + 1] == '\n' ? 2 : 1;
    return {pos, end, next};
}

// What a line says: nothing, a section header or a key.
template <typename Unit>
struct Entry {
    enum class Kind { Blank, Section, Key } kind = Kind::Blank;
    Text<Unit> name;                  // trimmed, spelled as in the file
    std::optional<Text<Unit>> value;  // a key's trimmed value; none without '='
};

template <typename Unit>
Entry<Unit> ParseLine(const Text<Unit>& text, const Line& at) {
    using Kind = typename Entry<Unit>::Kind;
    const Text<Unit> line = Trim(text.substr(at.begin, at.end - at.begin));
    if (line.empty()) return {};
    if (line[0] == '[') {
        // The name runs to the first ']'; what follows it is ignored, and a
        // header without one names its section with the rest of the line.
        const auto close = Encoding<Unit>::Find(line, ']');
        const auto length = close == Text<Unit>::npos ? Text<Unit>::npos : close - 1;
        return {Kind::Section, Trim(line.substr(1, length)), {}};
    }
    const auto eq = Encoding<Unit>::Find(line, '=');
    if (eq == Text<Unit>::npos) return {Kind::Key, line, {}};
    return {Kind::Key, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// The edit of IniWriteString on a file's text, which is read from `begin` on.
template <typename Unit>
std::optional<Text<Unit>> WriteString(const Text<Unit>& text, std::size_t begin, const std::string& section,
                                      const std::string& key, const std::string& value) {
    using Kind = typename Entry<Unit>::Kind;
    using Enc = Encoding<Unit>;
    const auto sectionName = Enc::FromShiftJis(Trim(section));
    const auto keyName = Enc::FromShiftJis(Trim(key));
    const auto valueText = Enc::FromShiftJis(value);
    if (!sectionName || !keyName || !valueText) return std::nullopt;
    const std::string wantSection = Enc::Folded(*sectionName);
    const std::string wantKey = Enc::Folded(*keyName);
    const Text<Unit> equals = Ascii<Unit>("="), lineEnd = Ascii<Unit>("\r\n");
    const Text<Unit> newLine = *keyName + equals + *valueText + lineEnd;

    bool inSection = false;
    Line last{};  // the section's last non-blank line so far, its header at first
    for (std::size_t pos = begin; pos < text.size();) {
        const Line line = LineAt(text, pos);
        pos = line.next;
        const Entry<Unit> entry = ParseLine(text, line);
        if (entry.kind == Kind::Blank) continue;
        if (entry.kind == Kind::Section) {
            if (inSection) break;  // the next section: the key is missing
            if (Enc::Folded(entry.name) != wantSection) continue;
            inSection = true;  // only the first section of the name is searched
        } else if (!inSection) {
            continue;
        } else if (Enc::Folded(entry.name) == wantKey) {
            return text.substr(0, line.begin) + entry.name + equals + *valueText + text.substr(line.end);
        }
        last = line;
    }

    if (inSection) {
        // Blank lines that part this section from the next one stay after the new key.
        const Text<Unit> end = last.next == last.end ? lineEnd : Text<Unit>();
        return text.substr(0, last.next) + end + newLine + text.substr(last.next);
    }
    Text<Unit> out = text;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += lineEnd;
    return out + Ascii<Unit>("[") + *sectionName + Ascii<Unit>("]") + lineEnd + newLine;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Line line = LineAt(bytes, pos);
        lines.push_back(bytes.substr(line.begin, line.end - line.begin));
        pos = line.next;
    }
    return lines;
}

IniFile::IniFile(const std::string& bytes) : utf16_(IsUtf16(bytes)) {
    if (utf16_)
        Parse(Utf16Units(bytes), 1);
    else
        Parse(bytes, 0);
}

template <typename Unit>
void IniFile::Parse(const std::basic_string<Unit>& text, std::size_t begin) {
    using Kind = typename Entry<Unit>::Kind;
    Section* current = nullptr;  // keys before the first section belong to none
    for (std::size_t pos = begin; pos < text.size();) {
        const Line line = LineAt(text, pos);
        pos = line.next;
        const Entry<Unit> entry = ParseLine(text, line);
        if (entry.kind == Kind::Section) {
            auto inserted = sections_.emplace(Encoding<Unit>::Folded(entry.name), Section{});
            // Only the first section of a name is ever looked at.
            current = inserted.second ? &inserted.first->second : nullptr;
        } else if (entry.kind == Kind::Key && current) {
            std::optional<std::string> value;
            if (entry.value) value = Encoding<Unit>::ToShiftJis(*entry.value);
            current->keys.emplace(Encoding<Unit>::Folded(entry.name), std::move(value));  // first key wins
        }
    }
}

std::optional<std::string> IniFile::Folded(const std::string& name) const {
    const std::string trimmed = Trim(name);
    if (!utf16_) return Encoding<char>::Folded(trimmed);
    const auto units = Encoding<char16_t>::FromShiftJis(trimmed);
    if (!units) return std::nullopt;
    return Encoding<char16_t>::Folded(*units);
}

std::unique_ptr<IniFile> IniFile::Open(const std::string& path) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return nullptr;
    return std::make_unique<IniFile>(*bytes);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    const auto sectionName = Folded(section);
    if (!sectionName) return def;
    auto s = sections_.find(*sectionName);
    if (s == sections_.end()) return def;
    const auto keyName = Folded(key);
    if (!keyName) return def;
    auto k = s->second.keys.find(*keyName);
    if (k == s->second.keys.end() || !k->second) return def;
    return StripQuotes(*k->second);
}

std::optional<int> ParseDecimalInt(const std::string& text) {
    std::string::size_type i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return std::nullopt;
    return static_cast<int>(v);
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    return ParseDecimalInt(ReadString(section, key, std::string())).value_or(def);
}

std::optional<std::string> IniWriteString(const std::string& bytes, const std::string& section,
                                          const std::string& key, const std::string& value) {
    if (!IsUtf16(bytes)) return WriteString(bytes, 0, section, key, value);
    const auto units = WriteString(Utf16Units(bytes), 1, section, key, value);
    if (!units) return std::nullopt;
    // An odd last byte stays last.
    return Utf16Bytes(*units) + bytes.substr(bytes.size() & ~std::size_t{1});
}

}  // namespace platform
