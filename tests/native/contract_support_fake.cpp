// The contract cases' set-up on the fakes.
#include "contract/contract_support.h"
#include "fake.h"

namespace contract {
void MakeReadOnly(const std::string& path) { fake::SetReadOnly(path, true); }
std::optional<std::uint32_t> ReadDword(const std::string& key, const std::string& name) {
    return fake::RegGetNumber(key, name);
}
}  // namespace contract
