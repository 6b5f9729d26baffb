// Name and text rules of the disc checker.
#include "tazucheck/names.h"

#include "platform/disc_services.h"
#include "platform/winpath.h"

namespace tazucheck {

std::optional<std::string> FileNameProblem(const std::string& name) {
    const auto fault = platform::WinPath::ComponentFault(name);
    if (!fault) return std::nullopt;
    switch (fault->kind) {
    case platform::NameFault::Empty: return std::string("an empty name");
    case platform::NameFault::DotName: return "the name " + fault->text;
    case platform::NameFault::ControlByte: return std::string("a control character");
    case platform::NameFault::BrokenCharacter: return std::string("a broken double-byte character");
    case platform::NameFault::ReservedCharacter: return "'" + fault->text + "'";
    case platform::NameFault::TrailingDotOrBlank: return std::string("a dot or blank at its end");
    case platform::NameFault::DeviceName: return "the device name " + fault->text;
    }
    return std::string("a name Windows reads otherwise");
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
