// INI files read and written the way the Windows profile-string services do.
// A file is parsed once; every read afterwards is a lookup.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

class IniFile {
public:
    // Parses the bytes of an INI file: Shift-JIS text, or UTF-16 LE when the
    // file starts with its byte-order mark (FF FE). Lines end in CR LF, LF or
    // a lone CR.
    explicit IniFile(const std::string& bytes);
    // nullptr when the file cannot be read.
    static std::unique_ptr<IniFile> Open(const std::string& path);

    // Rules: sections and keys match without regard to ASCII case; the first
    // section of a name and the first key of a name in it win; a line whose
    // first character is '[' names a section: up to the first ']', text after
    // it ignored, or the rest of the line when it has none; section names,
    // key names and values are trimmed of blanks, tabs and 0x1A (the old
    // end-of-file mark); a value enclosed in a pair of equal quotes (' or ")
    // loses them; a line without '=' is a key without a value. Keys before
    // the first section belong to no section. A UTF-8 byte-order mark is not
    // recognised: it is part of the first line. Names and values of a UTF-16
    // file are matched and returned as Shift-JIS; a value with a character
    // that code page 932 lacks reads as missing.
    // `def` when the section, the key or its value is missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Decimal integer with optional sign filling the whole value and fitting
    // 32 bits; `def` for anything else, an empty or missing value included.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;

private:
    struct Section {
        std::unordered_map<std::string, std::optional<std::string>> keys;  // folded name
    };
    template <typename Unit>
    void Parse(const std::basic_string<Unit>& text, std::size_t begin);
    // The folded form of a name asked for, as the file's names are folded;
    // nullopt when the name cannot be in the file.
    std::optional<std::string> Folded(const std::string& name) const;

    bool utf16_;  // set by the constructor
    std::unordered_map<std::string, Section> sections_;  // folded name
};

// The lines of a text as the profile reader cuts them: each ends at CR LF,
// LF or a lone CR (none of them is ever the second byte of a double-byte
// character); the line ends are not part of the lines.
std::vector<std::string> SplitLines(const std::string& bytes);

// Decimal integer parse used by ReadInteger; nullopt when `text` is not one.
std::optional<int> ParseDecimalInt(const std::string& text);

// Returns `bytes` with the value of `key` in `section` set to `value`, as the
// profile-string writer does: the section and the key are found by the
// reader's rules (the first section of the name, the first key of the name in
// it; `section` and `key` are trimmed). An existing key's line becomes
// `key=value`, the key spelled as in the file, its line end kept. A missing
// key becomes a line `key=value` right after the last non-blank line of the
// section (blank lines before the next section stay after it). A missing
// section is appended at the end of the file as `[section]` and `key=value`
// lines, with no blank line before it. Lines written end in CR LF; a last line
// without a line end gets CR LF before anything is added after it. Every other
// byte stays as it was, line ends included. A UTF-16 file (FF FE) is edited as
// UTF-16, its byte-order mark counting as text before the first line (a file
// of the mark alone gets CR LF before a new section); nullopt when `section`,
// `key` or `value` is then no Shift-JIS text that converts.
std::optional<std::string> IniWriteString(const std::string& bytes, const std::string& section,
                                          const std::string& key, const std::string& value);

}  // namespace platform
