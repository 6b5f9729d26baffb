// Keys below HKEY_CURRENT_USER.
#include "platform/registry.h"

#include <vector>

#include "platform/win32/wintext.h"

namespace platform {

namespace {

class Win32RegKey : public RegKey {
public:
    explicit Win32RegKey(HKEY key) : key_(key) {}
    ~Win32RegKey() override { RegCloseKey(key_); }
    Win32RegKey(const Win32RegKey&) = delete;
    Win32RegKey& operator=(const Win32RegKey&) = delete;

    std::optional<std::string> ReadString(const std::string& name) const override {
        const std::wstring wname = win32::Widen(name);
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
        // Room for a terminator the writer may have left out.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        std::size_t length = size / sizeof(wchar_t);
        while (length > 0 && buffer[length - 1] == L'\0') --length;
        return win32::Narrow(buffer.data(), static_cast<int>(length));
    }

    bool WriteString(const std::string& name, const std::string& value) override {
        const std::wstring wvalue = win32::Widen(value);
        return RegSetValueExW(key_, win32::Widen(name).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(wvalue.c_str()),
                              static_cast<DWORD>((wvalue.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    bool WriteDword(const std::string& name, std::uint32_t value) override {
        const DWORD number = value;
        return RegSetValueExW(key_, win32::Widen(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                              sizeof number) == ERROR_SUCCESS;
    }

    bool DeleteSubkeyTree(const std::string& name) override {
        // An empty name would make RegDeleteTreeW empty this key itself.
        if (name.empty()) return false;
        const std::wstring wname = win32::Widen(name);
        return RegDeleteTreeW(key_, wname.c_str()) == ERROR_SUCCESS;
    }


    bool DeleteValue(const std::string& name) override {
        const LSTATUS status = RegDeleteValueW(key_, win32::Widen(name).c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }

    bool HasSubkeys() const override {
        DWORD subkeys = 0;
        if (RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        return subkeys > 0;
    }

    std::optional<bool> HasValue(const std::string& name) const override {
        const LSTATUS status = RegQueryValueExW(key_, win32::Widen(name).c_str(), nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) return true;
        if (status == ERROR_FILE_NOT_FOUND) return false;
        return std::nullopt;
    }

    std::optional<bool> HasValues() const override {
        DWORD values = 0;
        if (RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            return std::nullopt;
        return values > 0;
    }

    bool Flush() override { return RegFlushKey(key_) == ERROR_SUCCESS; }

    std::optional<bool> HasSubkey(const std::string& name) const override {
        // An empty name would open this key itself.
        if (name.empty()) return false;
        HKEY sub = nullptr;
        const LSTATUS status = RegOpenKeyExW(key_, win32::Widen(name).c_str(), 0, KEY_READ, &sub);
        if (status == ERROR_SUCCESS) {
            RegCloseKey(sub);
            return true;
        }
        if (status == ERROR_FILE_NOT_FOUND) return false;
        return std::nullopt;
    }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<RegKey> RegKey::OpenOrCreate(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, win32::Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32RegKey>(key);
}

}  // namespace platform
