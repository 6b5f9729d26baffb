// Entry of the Win32 test program. With "--hold-mutex NAME MS" it is the
// helper process of the mutex tests: it holds the mutex for MS milliseconds.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/app.h"

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--hold-mutex") == 0) {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, argv[2]);
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    platform::app::Initialize();
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
