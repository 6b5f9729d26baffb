// System-wide named mutexes.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

using MutexHandle = std::uintptr_t;  // 0: none

// Opens the mutex by name with full access and closes it again at once.
// False when it does not exist or cannot be opened.
bool MutexExists(const std::string& name);
// Creates the mutex owned by the calling thread; 0 on failure.
MutexHandle CreateOwnedMutex(const std::string& name);
// Gives up ownership and closes the handle. Ignores 0.
void ReleaseOwnedMutex(MutexHandle handle);

}  // namespace platform
