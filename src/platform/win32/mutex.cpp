// System-wide named mutexes.
#include "platform/mutex.h"

#include "platform/win32/wintext.h"

namespace platform {

bool MutexExists(const std::string& name) {
    HANDLE mutex = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, win32::Widen(name).c_str());
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

MutexHandle CreateOwnedMutex(const std::string& name) {
    return reinterpret_cast<MutexHandle>(CreateMutexW(nullptr, TRUE, win32::Widen(name).c_str()));
}

void ReleaseOwnedMutex(MutexHandle handle) {
    if (!handle) return;
    HANDLE mutex = reinterpret_cast<HANDLE>(handle);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

}  // namespace platform
