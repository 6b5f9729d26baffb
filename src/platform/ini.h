// INI files read the way the Windows profile-string services read them.
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
    // Parses the bytes of an INI file (Shift-JIS text, CR LF or LF lines).
    explicit IniFile(const std::string& bytes);
    // nullptr when the file cannot be read.
    static std::unique_ptr<IniFile> Open(const std::string& path);

    // Rules: sections and keys match without regard to ASCII case; the first
    // section of a name and the first key of a name in it win; names and
    // values are trimmed of blanks and tabs; a value enclosed in a pair of
    // equal quotes (' or ") loses them; a line without '=' is a key without a
    // value. `def` when the section, the key or its value is missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Decimal integer with optional sign filling the whole value and fitting
    // 32 bits; `def` for anything else, an empty or missing value included.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;

private:
    struct Section {
        std::unordered_map<std::string, std::optional<std::string>> keys;  // folded name
    };
    std::unordered_map<std::string, Section> sections_;  // folded name
};

// Decimal integer parse used by ReadInteger; nullopt when `text` is not one.
std::optional<int> ParseDecimalInt(const std::string& text);

}  // namespace platform
