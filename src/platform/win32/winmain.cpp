// The Windows entry of TazuStart.exe: COM and the common controls, then the utility.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "shell/main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The shell-link object for the start-menu shortcut needs COM on this thread.
    const HRESULT com = CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const int exitCode = UtilityMain();
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
