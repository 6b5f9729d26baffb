// The Windows entry of TazuStart.exe: the common controls, then the utility.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/systemdll.h"
#include "shell/main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const int exitCode = UtilityMain();
    // COM was started only if the shell was asked for something.
    platform::win32::EndCom();
    return exitCode;
}
