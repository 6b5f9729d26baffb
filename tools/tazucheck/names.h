// Rules about names and texts that the checker applies to Setup.inf values,
// list entries and text files; Shift-JIS byte strings throughout.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace tazucheck {

// What makes `name` unusable as one file or folder name on Windows, in words
// for a message ("'?'", "a control character", "the device name CON"), or
// nullopt when it is usable. Bytes inside double-byte characters are never
// taken for '\', '|' or the like.
std::optional<std::string> FileNameProblem(const std::string& name);

// The parts of a backslash-separated path, empty parts included.
std::vector<std::string> SplitPath(const std::string& path);

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
