// INI parsing with the profile-string rules, Shift-JIS aware.
#include "platform/ini.h"

#include <climits>

#include "platform/files.h"
#include "platform/sjis.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

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

}  // namespace

IniFile::IniFile(const std::string& bytes) {
    Section* current = nullptr;  // keys before the first section belong to none
    std::string::size_type pos = 0;
    while (pos < bytes.size()) {
        std::string::size_type nl = bytes.find('\n', pos);
        if (nl == std::string::npos) nl = bytes.size();
        const std::string line = Trim(bytes.substr(pos, nl - pos));
        pos = nl + 1;
        if (line.empty()) continue;

        if (line[0] == '[') {
            // The section name runs to the last real ']' of the line; a ']'
            // that is the second byte of a double-byte character does not end it.
            const auto close = sjis::FindLast(line, ']');
            if (close != std::string::npos) {
                const std::string name = sjis::FoldCase(line.substr(1, close - 1));
                auto inserted = sections_.emplace(name, Section{});
                // Only the first section of a name is ever looked at.
                current = inserted.second ? &inserted.first->second : nullptr;
                continue;
            }
        }
        if (!current) continue;

        const auto eq = sjis::FindFirst(line, '=');
        std::string key;
        std::optional<std::string> value;
        if (eq == std::string::npos) {
            key = line;
        } else {
            key = Trim(line.substr(0, eq));
            value = Trim(line.substr(eq + 1));
        }
        current->keys.emplace(sjis::FoldCase(key), std::move(value));  // first key wins
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

}  // namespace platform
