// Named mutexes seen from another process.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/mutex.h"

namespace {

// Starts this test program as the helper that holds `name` for `ms`.
HANDLE StartHolder(const std::string& name, int ms) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --hold-mutex " +
                           std::wstring(name.begin(), name.end()) + L" " + std::to_wstring(ms);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

std::string UniqueName(const char* prefix) {
    return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
}

TEST(Win32Mutex, HeldByAnotherProcessExistsUntilItEnds) {
    const std::string name = UniqueName("TazuTestHeld-");
    HANDLE holder = StartHolder(name, 1500);
    ASSERT_NE(holder, nullptr);
    bool seen = false;
    for (int i = 0; i < 100 && !seen; ++i) {
        seen = platform::MutexExists(name);
        if (!seen) Sleep(10);
    }
    EXPECT_TRUE(seen);
    EXPECT_TRUE(platform::MutexExists(name));  // asking does not take it away
    ASSERT_EQ(WaitForSingleObject(holder, 10000), WAIT_OBJECT_0);
    CloseHandle(holder);
    EXPECT_FALSE(platform::MutexExists(name));
}

TEST(Win32Mutex, OwnedMutexIsSeenByTheSystem) {
    const std::string name = UniqueName("TazuTestOwned-");
    const platform::MutexHandle handle = platform::CreateOwnedMutex(name);
    ASSERT_NE(handle, 0u);
    HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    ASSERT_NE(other, nullptr);
    // Owned by this thread: waiting from here succeeds at once (recursion).
    EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_OBJECT_0);
    ReleaseMutex(other);
    CloseHandle(other);
    platform::ReleaseOwnedMutex(handle);
    EXPECT_FALSE(platform::MutexExists(name));
}

}  // namespace
