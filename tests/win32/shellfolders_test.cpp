// The folder browser, answered from a timer while its own loop runs.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/shellfolders.h"

namespace {

enum class Answer { Cancel, PickWindowsFolder };
Answer answer;
std::wstring seenTitle;

// The title text sits in one of the dialog's static controls.
BOOL CALLBACK NoteTitle(HWND child, LPARAM) {
    wchar_t text[128] = {};
    GetWindowTextW(child, text, 128);
    if (std::wstring(text).find(L"フォルダ") != std::wstring::npos) seenTitle = text;
    return TRUE;
}

BOOL CALLBACK AnswerBrowser(HWND hwnd, LPARAM done) {
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
    EnumChildWindows(hwnd, NoteTitle, 0);
    if (answer == Answer::PickWindowsFolder) {
        wchar_t windows[MAX_PATH];
        GetWindowsDirectoryW(windows, MAX_PATH);
        SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(windows));
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    } else {
        PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    }
    *reinterpret_cast<bool*>(done) = true;
    return FALSE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    bool done = false;
    EnumThreadWindows(GetCurrentThreadId(), AnswerBrowser, reinterpret_cast<LPARAM>(&done));
    if (done) KillTimer(nullptr, id);
}

std::optional<std::string> Browse(Answer how) {
    answer = how;
    seenTitle.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, OnTimer);
    auto result = platform::PickFolder(nullptr, "インストールするフォルダを選択してください", platform::ShellFolder::Drives);
    KillTimer(nullptr, timer);
    return result;
}

TEST(Win32ShellFolders, CancelGivesNothing) {
    EXPECT_EQ(Browse(Answer::Cancel), std::nullopt);
    EXPECT_EQ(seenTitle, L"インストールするフォルダを選択してください");
}

TEST(Win32ShellFolders, ChosenFolderComesBackAsItsPath) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const auto chosen = Browse(Answer::PickWindowsFolder);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(lstrcmpiA(chosen->c_str(), std::string(windows, windows + lstrlenW(windows)).c_str()), 0) << *chosen;
}

}  // namespace
