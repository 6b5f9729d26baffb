// The contract cases' set-up on the fakes.
#include "contract/contract_support.h"
#include "fake.h"

namespace contract {
void MakeReadOnly(const std::string& path) { fake::SetReadOnly(path, true); }
}  // namespace contract
