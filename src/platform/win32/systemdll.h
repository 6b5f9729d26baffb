// shell32 and ole32 on demand. Most runs never touch them (the shortcut,
// the folder browser, the readme and a command line with arguments do), yet
// importing them maps and starts both with their own imports at every start,
// before the first window; so they are loaded from the system folder the
// first time a function of theirs is called.
#pragma once
#include <windows.h>

namespace platform::win32 {

// The exported function `name` of the system DLL `dll` (a bare file name,
// loaded from the system folder only); nullptr when either is missing.
FARPROC SystemProc(const wchar_t* dll, const char* name);
template <class Function>
Function SystemFunction(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemProc(dll, name)));
}

// COM on this thread (a single-threaded apartment), started once, for the
// shell's objects and dialogs; false when it cannot be started.
bool EnsureCom();
// Ends what EnsureCom started; at the end of the program.
void EndCom();

}  // namespace platform::win32
