// Stand-in for the demo game "Tazu.exe": holds the engine mutex while its
// window is open and shows which sound library variant it loaded.
//   Tazu.exe               window until closed
//   Tazu.exe /hold <sec>   no window; holds the mutex for <sec> seconds
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "standin_window.h"

namespace {

constexpr wchar_t kMutexName[] = L"TazuEngineUnit";
constexpr wchar_t kClassName[] = L"TazuDemoGame";
constexpr int kIdClose = 1;
constexpr int kIdInfo = 100;

HFONT gFont = nullptr;

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

// Loads ovit.dll from the game's own folder and asks it for its variant name.
std::wstring SoundLibraryText() {
    std::wstring dll = OwnFolder() + L"ovit.dll";
    HMODULE lib = LoadLibraryW(dll.c_str());
    if (!lib) return L"サウンドライブラリ ovit.dll を読み込めませんでした。";
    using VariantFn = const char* (__stdcall*)();
    auto fn = reinterpret_cast<VariantFn>(reinterpret_cast<void*>(GetProcAddress(lib, "OvitVariant")));
    std::wstring text = L"サウンドライブラリ：";
    if (fn) {
        const char* name = fn();
        wchar_t wide[128] = {};
        MultiByteToWideChar(932, 0, name, -1, wide, 128);
        text += wide;
    } else {
        text += L"(OvitVariant がありません)";
    }
    return text;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        std::wstring text = L"クエンド　～ソラの表～ 体験版（デモ用の代役プログラム）\r\n\r\n" +
                            SoundLibraryText();
        HWND info = CreateWindowW(L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 16, 16, 360, 64,
                                  hwnd, reinterpret_cast<HMENU>(kIdInfo), nullptr, nullptr);
        HWND close = CreateWindowW(L"BUTTON", L"ゲームを終了", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                   136, 96, 120, 25, hwnd, reinterpret_cast<HMENU>(kIdClose), nullptr, nullptr);
        SendMessageW(info, WM_SETFONT, reinterpret_cast<WPARAM>(gFont), FALSE);
        SendMessageW(close, WM_SETFONT, reinterpret_cast<WPARAM>(gFont), FALSE);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == kIdClose) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int HoldOnly(int seconds) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc >= 3 && _wcsicmp(argv[1], L"/hold") == 0) return HoldOnly(_wtoi(argv[2]));

    HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
    gFont = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                        L"ＭＳ Ｐゴシック");

    RunStandInWindow(instance, show, kClassName, L"クエンド　～ソラの表～", WndProc, LoadIconW(instance, L"MAINICON"),
                     392, 136, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    DeleteObject(gFont);
    return 0;
}
