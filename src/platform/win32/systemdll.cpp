// System DLLs loaded on first use.
#include "platform/win32/systemdll.h"

#include <objbase.h>

#include <string>

namespace platform::win32 {

namespace {
bool comStarted = false;
}  // namespace

FARPROC SystemProc(const wchar_t* dll, const char* name) {
    // Loaded once and never freed: a handle of the loader's own count.
    HMODULE module = GetModuleHandleW(dll);
    if (!module) {
        wchar_t folder[MAX_PATH + 1];
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
        if (length == 0 || length > MAX_PATH) return nullptr;
        module = LoadLibraryW((std::wstring(folder, length) + L"\\" + dll).c_str());
    }
    return module ? GetProcAddress(module, name) : nullptr;
}

bool EnsureCom() {
    if (comStarted) return true;
    const auto initialize = SystemFunction<HRESULT(WINAPI*)(LPVOID)>(L"ole32.dll", "CoInitialize");
    comStarted = initialize && SUCCEEDED(initialize(nullptr));
    return comStarted;
}

void EndCom() {
    if (!comStarted) return;
    if (const auto uninitialize = SystemFunction<void(WINAPI*)()>(L"ole32.dll", "CoUninitialize")) uninitialize();
    comStarted = false;
}

}  // namespace platform::win32
