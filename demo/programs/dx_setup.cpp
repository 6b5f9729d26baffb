// Stand-in for the DirectX 8.1b setup programs on the demo disc. Built twice
// (DX81jpn.exe, DX81NTjpn.exe); the window says which one runs and closes
// after a few seconds or on its button.
#include <windows.h>

#include "standin_window.h"

#ifndef DX_PROGRAM_NAME
#error "DX_PROGRAM_NAME must name the program"
#endif

namespace {

constexpr wchar_t kClassName[] = L"TazuDemoDxSetup";
constexpr int kIdClose = 1;
constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kCloseAfterMs = 5000;

HFONT gFont = nullptr;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        HWND text = CreateWindowW(L"STATIC",
                                  L"DirectX 8.1b セットアップ（デモ用の代役）\r\n\r\n"
                                  L"実行中のプログラム：" DX_PROGRAM_NAME L"\r\n"
                                  L"何もインストールせずに数秒で終了します。",
                                  WS_CHILD | WS_VISIBLE, 16, 16, 328, 64, hwnd, reinterpret_cast<HMENU>(100),
                                  nullptr, nullptr);
        HWND close = CreateWindowW(L"BUTTON", L"閉じる", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                   130, 92, 100, 25, hwnd, reinterpret_cast<HMENU>(kIdClose), nullptr, nullptr);
        SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(gFont), FALSE);
        SendMessageW(close, WM_SETFONT, reinterpret_cast<WPARAM>(gFont), FALSE);
        SetTimer(hwnd, kCloseTimer, kCloseAfterMs, nullptr);
        return 0;
    }
    case WM_TIMER:
    case WM_COMMAND:
        if (msg == WM_TIMER || LOWORD(wp) == kIdClose) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    gFont = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                        L"ＭＳ Ｐゴシック");
    RunStandInWindow(instance, show, kClassName, L"DirectX 8.1b セットアップ", WndProc, nullptr, 360, 132,
                     WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
    DeleteObject(gFont);
    return 0;
}
