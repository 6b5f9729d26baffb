// Rules about names and texts that the checker applies to Setup.inf values,
// list entries and text files; Shift-JIS byte strings throughout.
#pragma once
#include <optional>
#include <string>

namespace tazucheck {

// Why the utility's path model refuses `name` as one file or folder name, in
// words for a message ("'?'", "a control character", "the device name CON"),
// or nullopt when it takes the name as written.
std::optional<std::string> FileNameProblem(const std::string& name);

// The lines of `text` (ending in CR LF, LF or CR; numbered from 1) that are
// no Shift-JIS: a byte sequence which is no character of code page 932, or
// UTF-8 text (non-ASCII and valid UTF-8: real Shift-JIS text almost never is,
// while much UTF-8 happens to pass as Shift-JIS byte for byte).
struct BadLines {
    int first = 0;  // 0 when every line is valid
    int count = 0;
    bool firstIsUtf8 = false;
};
BadLines InvalidShiftJisLines(const std::string& text);

// True when `text` holds a byte above 0x7F and is well-formed UTF-8.
bool LooksLikeUtf8(const std::string& text);

// True when `text` begins with the UTF-8 byte-order mark.
bool HasUtf8Bom(const std::string& text);
// True when `text` begins with the UTF-16 LE byte-order mark: the INI reader,
// like Windows, then reads it as UTF-16.
bool HasUtf16Bom(const std::string& text);

}  // namespace tazucheck
