// What the shared contract cases need of each backend beyond the platform
// headers: set-up the utility itself never does.
#pragma once
#include <string>

namespace contract {
// Gives an existing file the read-only attribute.
void MakeReadOnly(const std::string& path);
}  // namespace contract
