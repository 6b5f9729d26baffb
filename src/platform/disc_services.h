// What the disc checker needs of the system beyond files.h: names as the
// disc holds them, and Shift-JIS text for a UTF-8 terminal. Implemented in
// platform/posix and platform/win32.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A file or folder found below a disc folder.
struct DiscItem {
    std::string spelling;  // the relative path as the disc spells it, Shift-JIS, backslashes
    bool folder = false;
    std::uint64_t size = 0;  // bytes of a file
};

// Finds `relative` (names separated by backslashes) below the folder `root`
// as the disc's file system does: without regard to the case of ASCII and
// full-width Latin letters. nullopt when a part is missing, when a part
// before the last is not a folder, or when a name holds a wildcard.
std::optional<DiscItem> FindOnDisc(const std::string& root, const std::string& relative);

// UTF-8 of a Shift-JIS (code page 932) text. A byte that starts no character
// of the code page comes out as "\xNN" and clears `*valid`.
std::string ShiftJisToUtf8(const std::string& text, bool* valid = nullptr);
// Shift-JIS of a UTF-8 text; nullopt when the text is not UTF-8 or holds a
// character the code page lacks.
std::optional<std::string> Utf8ToShiftJis(const std::string& text);

// Writes UTF-8 text to standard output, or to standard error, unchanged
// (line ends stay LF); on a console it shows as the characters it encodes.
void WriteOutput(const std::string& utf8, bool toError);

}  // namespace platform
