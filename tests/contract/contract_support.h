// What the shared contract cases need of each backend beyond the platform
// headers: set-up the utility itself never does.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace contract {
// Gives an existing file the read-only attribute.
void MakeReadOnly(const std::string& path);
// The number value `name` of the key `key` below HKEY_CURRENT_USER, as
// the list of programs reads it; nullopt when missing or not a DWORD.
std::optional<std::uint32_t> ReadDword(const std::string& key, const std::string& name);
}  // namespace contract
