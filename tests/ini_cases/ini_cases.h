// Golden INI cases, shared by the native and the Wine tier: a file of this
// folder, one write, and the file as Windows leaves it after that write.
#pragma once
#include <string>

namespace ini_cases {

struct Case {
    const char* input;    // file name
    const char* written;  // file name of the bytes after the write
    const char* section;
    const char* key;
    const char* value;
    // False where Wine's profile functions differ from Windows': the Wine
    // tier then leaves the case out, and the bytes are Windows'.
    bool onWine;
    const char* why;
};

inline const Case kCases[] = {
    {"utf16.ini", "utf16-key-added.ini", "Environment", "TZD", "H", true,
     "a UTF-16 file gets its new key in UTF-16, the rest of it unchanged"},
    {"utf16.ini", "utf16-value-replaced.ini", "表ソ", "能", "D:\\ソラの表\\", true,
     "double-byte names are found and a double-byte value written in UTF-16"},
    {"utf16.ini", "utf16-value-replaced-other-case.ini", "environment", "taz", "H", true,
     "names in a UTF-16 file match without regard to ASCII case; the key keeps its spelling"},
    {"utf16-no-line-end.ini", "utf16-no-line-end-key-added.ini", "Environment", "TZD", "H", true,
     "a UTF-16 last line without a line end gets CR LF before the new key"},
    {"utf16-mark-only.ini", "utf16-mark-only-section-added.ini", "Environment", "TZD", "H", false,
     "Windows counts the byte-order mark as text: CR LF before the new section (Wine writes none)"},
    {"header-unclosed.ini", "header-unclosed-key-added.ini", "Environment", "TZD", "H", false,
     "a header without ']' names its section with the rest of the line (Wine reads no section)"},
    {"header-text-after.ini", "header-text-after-key-added.ini", "Environment", "TZD", "H", false,
     "the name ends at the first ']' and the key-like text after it is no key (Wine takes the last ']')"},
};

// The bytes of a file of this folder, built into the test program.
std::string File(const std::string& name);

}  // namespace ini_cases
