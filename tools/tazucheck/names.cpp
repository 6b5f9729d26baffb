// Name and text rules of the disc checker.
#include "tazucheck/names.h"

#include "platform/sjis.h"
#include "platform/disc_services.h"

namespace tazucheck {

namespace {

bool IsDeviceName(const std::string& name) {
    // Windows refuses these with any extension and with trailing blanks.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = sjis::FoldCase(base);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::optional<std::string> FileNameProblem(const std::string& name) {
    if (name.empty()) return std::string("an empty name");
    for (std::string::size_type i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (sjis::IsLeadByte(c)) {
            ++i;  // the trail byte may be '\' or '|' and is part of the character
            continue;
        }
        if (c < 0x20) return std::string("a control character");
        static const std::string kForbidden = "\\/:*?\"<>|";
        if (kForbidden.find(static_cast<char>(c)) != std::string::npos) return "'" + std::string(1, c) + "'";
    }
    if (name == "." || name == "..") return "the name " + name;
    if (IsDeviceName(name)) return "the device name " + name.substr(0, name.find('.'));
    return std::nullopt;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string::size_type from = 0;
    for (;;) {
        const auto sep = sjis::FindFirst(path, '\\', from);
        if (sep == std::string::npos) break;
        parts.push_back(path.substr(from, sep - from));
        from = sep + 1;
    }
    parts.push_back(path.substr(from));
    return parts;
}

BadLines InvalidShiftJisLines(const std::string& text) {
    BadLines bad;
    int line = 0;
    for (std::string::size_type pos = 0; pos < text.size();) {
        ++line;
        std::string::size_type end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string lineText = text.substr(pos, end - pos);
        bool valid = true;
        platform::ShiftJisToUtf8(lineText, &valid);
        const bool utf8 = LooksLikeUtf8(lineText);
        if (!valid || utf8) {
            if (bad.count++ == 0) {
                bad.first = line;
                bad.firstIsUtf8 = utf8;
            }
        }
        pos = end;
        if (pos < text.size()) pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
    }
    return bad;
}

bool LooksLikeUtf8(const std::string& text) {
    bool wide = false;
    for (std::string::size_type i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::string::size_type length = 1;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4;
        else if (c >= 0x80)
            return false;  // a continuation byte or a byte UTF-8 never uses
        if (i + length > text.size()) return false;
        for (std::string::size_type k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        wide = wide || length > 1;
        i += length;
    }
    return wide;
}

bool HasUtf8Bom(const std::string& text) { return text.compare(0, 3, "\xEF\xBB\xBF") == 0; }

bool HasUtf16Bom(const std::string& text) { return text.compare(0, 2, "\xFF\xFE") == 0; }

}  // namespace tazucheck
