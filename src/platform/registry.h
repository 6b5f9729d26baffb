// The current user's part of the registry, as far as this program uses it.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// An open key below HKEY_CURRENT_USER. Closing is destruction.
class RegKey {
public:
    virtual ~RegKey() = default;
    // Opens `path` (such as "Software\Maker\Game"), creating missing keys on
    // the way. nullptr when it cannot be opened or created.
    static std::unique_ptr<RegKey> OpenOrCreate(const std::string& path);

    // nullopt when the value is missing or not a string.
    virtual std::optional<std::string> ReadString(const std::string& name) const = 0;
    // False when the value could not be written.
    virtual bool WriteString(const std::string& name, const std::string& value) = 0;
    // A 32-bit number (REG_DWORD), replacing a value of that name of any
    // type. False when it could not be written.
    virtual bool WriteDword(const std::string& name, std::uint32_t value) = 0;
    // Removes the subkey `name` and everything below it. False if it could
    // not be removed (a missing subkey is a failure too).
    virtual bool DeleteSubkeyTree(const std::string& name) = 0;
    // Removes the value `name`. False when it is there and stays.
    virtual bool DeleteValue(const std::string& name) = 0;
    // True when the key has at least one subkey; values do not count.
    virtual bool HasSubkeys() const = 0;
    // Whether the value `name` is there, of any type (any letter case);
    // nullopt when the system could not say: a failed read is no proof
    // that a value is missing.
    virtual std::optional<bool> HasValue(const std::string& name) const = 0;
    // Whether the key holds at least one value (of any name and type, the
    // default value included); nullopt when the system could not say.
    virtual std::optional<bool> HasValues() const = 0;
    // Writes the key's changes through to the disk (RegFlushKey): until
    // then a power cut may take them. False when it could not.
    virtual bool Flush() = 0;
    // Whether the subkey `name` is there (any letter case); nullopt when the
    // system could not say. Asking creates nothing.
    virtual std::optional<bool> HasSubkey(const std::string& name) const = 0;
};

}  // namespace platform
