// Shift-JIS text helpers: every scan walks characters, never bare bytes.
#include "platform/sjis.h"

#include <string_view>

namespace sjis {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

namespace {
// Length of the character starting at i: 2 for a lead byte with a trail
// byte behind it, else 1 (a lone lead byte at the end counts as one).
std::string::size_type CharLen(const std::string& s, std::string::size_type i) {
    return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}
char FoldedAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

std::string::size_type FindLast(const std::string& s, char ch) {
    std::string::size_type found = std::string::npos;
    for (std::string::size_type i = 0; i < s.size(); i += CharLen(s, i))
        if (s[i] == ch) found = i;
    return found;
}

std::string::size_type FindFirst(const std::string& s, char ch, std::string::size_type from) {
    // Walk from the start so that `from` is met on a character boundary.
    for (std::string::size_type i = 0; i < s.size(); i += CharLen(s, i))
        if (i >= from && s[i] == ch) return i;
    return std::string::npos;
}

bool EndsWithBackslash(const std::string& path) {
    return !path.empty() && FindLast(path, '\\') == path.size() - 1;
}

std::string WithTrailingBackslash(const std::string& path) {
    return EndsWithBackslash(path) ? path : path + '\\';
}

std::string LastPathComponent(const std::string& path) {
    const auto pos = FindLast(path, '\\');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string FolderPart(const std::string& path) {
    const auto pos = FindLast(path, '\\');
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::vector<std::string> SplitPath(const std::string& path, const char* separators) {
    const std::string_view cuts(separators);
    std::vector<std::string> parts;
    parts.reserve(8);  // a path's usual depth, in one allocation
    // Each part is cut out whole: a separator only ever ends one at a
    // character boundary, and a part is copied once.
    std::string::size_type start = 0;
    for (std::string::size_type i = 0; i < path.size();) {
        const auto len = CharLen(path, i);
        if (len == 1 && cuts.find(path[i]) != std::string_view::npos) {
            parts.emplace_back(path, start, i - start);
            start = i + 1;
        }
        i += len;
    }
    parts.emplace_back(path, start, std::string::npos);
    return parts;
}

std::string FoldCase(const std::string& s) {
    std::string out = s;
    for (std::string::size_type i = 0; i < out.size();) {
        const auto len = CharLen(out, i);
        if (len == 1) out[i] = FoldedAscii(out[i]);
        i += len;
    }
    return out;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    // FoldCase(a) == FoldCase(b) without the copies: the two walk their
    // characters in step. Folding never makes or unmakes a lead byte, so
    // where the first bytes agree the characters are of one length.
    if (a.size() != b.size()) return false;
    for (std::string::size_type i = 0; i < a.size();) {
        const auto len = CharLen(a, i);
        if (len == 1 ? FoldedAscii(a[i]) != FoldedAscii(b[i]) : a.compare(i, 2, b, i, 2) != 0) return false;
        i += len;
    }
    return true;
}

}  // namespace sjis
