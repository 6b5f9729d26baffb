// INI parsing and editing with the profile-string rules, Shift-JIS aware.
#include "platform/ini.h"

#include <climits>

#include "platform/files.h"
#include "platform/sjis.h"

namespace platform {

namespace {

// 0x1A is the DOS end-of-file mark: files made with old editors or copied
// from old media may end in one, and Windows skips it like a blank.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A';
}

// Only single-byte blanks are removed; no trail byte of a double-byte
// character is below 0x40, so none is ever taken for one.
std::string Trim(const std::string& s) {
    std::string::size_type b = 0, e = s.size();
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

// One line of a file: its text is [begin, end), the next line starts at
// `next`. A line ends at CR LF, LF or a lone CR, as Windows reads them.
struct Line {
    std::string::size_type begin, end, next;
};

Line LineAt(const std::string& bytes, std::string::size_type pos) {
    std::string::size_type end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    std::string::size_type next = end;
    if (next < bytes.size()) next += bytes.compare(next, 2, "\r\n") == 0 ? 2 : 1;
    return {pos, end, next};
}

// What a line says: nothing, a section header or a key.
struct Entry {
    enum class Kind { Blank, Section, Key } kind = Kind::Blank;
    std::string name;                  // trimmed, spelled as in the file
    std::optional<std::string> value;  // a key's trimmed value; none without '='
};

Entry ParseLine(const std::string& text) {
    const std::string line = Trim(text);
    if (line.empty()) return {};
    if (line[0] == '[') {
        // The section name runs to the last real ']' of the line; a ']' that
        // is the second byte of a double-byte character does not end it.
        const auto close = sjis::FindLast(line, ']');
        if (close != std::string::npos) return {Entry::Kind::Section, Trim(line.substr(1, close - 1)), {}};
    }
    const auto eq = sjis::FindFirst(line, '=');
    if (eq == std::string::npos) return {Entry::Kind::Key, line, {}};
    return {Entry::Kind::Key, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

Entry ParseLine(const std::string& bytes, const Line& line) {
    return ParseLine(bytes.substr(line.begin, line.end - line.begin));
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::string::size_type pos = 0; pos < bytes.size();) {
        const Line line = LineAt(bytes, pos);
        lines.push_back(bytes.substr(line.begin, line.end - line.begin));
        pos = line.next;
    }
    return lines;
}

IniFile::IniFile(const std::string& bytes) {
    Section* current = nullptr;  // keys before the first section belong to none
    for (std::string::size_type pos = 0; pos < bytes.size();) {
        const Line line = LineAt(bytes, pos);
        pos = line.next;
        Entry entry = ParseLine(bytes, line);
        if (entry.kind == Entry::Kind::Section) {
            auto inserted = sections_.emplace(sjis::FoldCase(entry.name), Section{});
            // Only the first section of a name is ever looked at.
            current = inserted.second ? &inserted.first->second : nullptr;
        } else if (entry.kind == Entry::Kind::Key && current) {
            current->keys.emplace(sjis::FoldCase(entry.name), std::move(entry.value));  // first key wins
        }
    }
}

std::unique_ptr<IniFile> IniFile::Open(const std::string& path) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return nullptr;
    return std::make_unique<IniFile>(*bytes);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    auto s = sections_.find(sjis::FoldCase(Trim(section)));
    if (s == sections_.end()) return def;
    auto k = s->second.keys.find(sjis::FoldCase(Trim(key)));
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

std::string IniWriteString(const std::string& bytes, const std::string& section, const std::string& key,
                           const std::string& value) {
    const std::string sectionName = Trim(section);
    const std::string keyName = Trim(key);
    const std::string wantSection = sjis::FoldCase(sectionName);
    const std::string wantKey = sjis::FoldCase(keyName);
    const std::string newLine = keyName + "=" + value + "\r\n";

    bool inSection = false;
    Line last{};  // the section's last non-blank line so far, its header at first
    for (std::string::size_type pos = 0; pos < bytes.size();) {
        const Line line = LineAt(bytes, pos);
        pos = line.next;
        const Entry entry = ParseLine(bytes, line);
        if (entry.kind == Entry::Kind::Blank) continue;
        if (entry.kind == Entry::Kind::Section) {
            if (inSection) break;  // the next section: the key is missing
            if (sjis::FoldCase(entry.name) != wantSection) continue;
            inSection = true;  // only the first section of the name is searched
        } else if (!inSection) {
            continue;
        } else if (sjis::FoldCase(entry.name) == wantKey) {
            return bytes.substr(0, line.begin) + entry.name + "=" + value + bytes.substr(line.end);
        }
        last = line;
    }

    if (inSection) {
        // Blank lines that part this section from the next one stay after the new key.
        const char* lineEnd = last.next == last.end ? "\r\n" : "";
        return bytes.substr(0, last.next) + lineEnd + newLine + bytes.substr(last.next);
    }
    std::string out = bytes;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    return out + "[" + sectionName + "]\r\n" + newLine;
}

}  // namespace platform
