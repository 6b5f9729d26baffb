// Message boxes and the error report, answered from a timer while they run.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/app.h"
#include "platform/msgbox.h"

namespace {

struct Seen {
    std::wstring caption;
    std::wstring text;
    int defaultId = 0;  // the button drawn as the default
    bool hasNo = false;
    bool hasCancel = false;
};
Seen seen;
int answerId = IDOK;

BOOL CALLBACK NoteStatic(HWND child, LPARAM) {
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    if (GetDlgCtrlID(child) == 0xFFFF && text[0]) seen.text = text;  // the message text
    return TRUE;
}

BOOL CALLBACK AnswerBox(HWND hwnd, LPARAM done) {
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t caption[256] = {};
    GetWindowTextW(hwnd, caption, 256);
    seen.caption = caption;
    // Wine's box marks its default by style and focus, not with DM_SETDEFID.
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
        if (HWND button = GetDlgItem(hwnd, id))
            if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) seen.defaultId = id;
    seen.hasNo = GetDlgItem(hwnd, IDNO) != nullptr;
    seen.hasCancel = GetDlgItem(hwnd, IDCANCEL) != nullptr;
    EnumChildWindows(hwnd, NoteStatic, 0);
    PostMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(answerId), 0);
    *reinterpret_cast<bool*>(done) = true;
    return FALSE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    bool done = false;
    EnumThreadWindows(GetCurrentThreadId(), AnswerBox, reinterpret_cast<LPARAM>(&done));
    if (done) KillTimer(nullptr, id);
}

// Starts the timer that answers the next box with `id`.
UINT_PTR AnswerNextBox(int id) {
    seen = Seen{};
    answerId = id;
    return SetTimer(nullptr, 0, 100, OnTimer);
}

TEST(Win32MessageBox, YesNoWithSecondDefaultReturnsTheAnswer) {
    const UINT_PTR timer = AnswerNextBox(IDNO);
    const platform::MbResult result = platform::ShowMessageBox(
        nullptr, "削除しますか？", "確認", platform::MbButtons::YesNo, platform::MbIcon::Question,
        platform::MbDefault::Button2);
    KillTimer(nullptr, timer);
    EXPECT_EQ(result, platform::MbResult::No);
    EXPECT_EQ(seen.caption, L"確認");
    EXPECT_EQ(seen.text, L"削除しますか？");
    EXPECT_EQ(seen.defaultId, IDNO);
    EXPECT_TRUE(seen.hasNo);
}

TEST(Win32MessageBox, OkCancelAnswersCancel) {
    const UINT_PTR timer = AnswerNextBox(IDCANCEL);
    const platform::MbResult result = platform::ShowMessageBox(nullptr, "中止", "確認",
                                                               platform::MbButtons::OkCancel, platform::MbIcon::Warning);
    KillTimer(nullptr, timer);
    EXPECT_EQ(result, platform::MbResult::Cancel);
    EXPECT_TRUE(seen.hasCancel);
    EXPECT_EQ(seen.defaultId, IDOK);
}

TEST(Win32MessageBox, ErrorReportIsCaptionedWithTheTitle) {
    platform::app::SetTitle("『ゲーム』　起動ユーティリティ");
    const UINT_PTR timer = AnswerNextBox(IDOK);
    platform::app::ShowError("書き込みに失敗しました。");
    KillTimer(nullptr, timer);
    EXPECT_EQ(seen.caption, L"『ゲーム』　起動ユーティリティ");
    EXPECT_EQ(seen.text, L"書き込みに失敗しました。");
    EXPECT_FALSE(seen.hasCancel);
    platform::app::SetTitle("");
}

// In a run from the command line the general error report of a failed last
// step is answered without a window: no box appears, the answerer sees the
// text and the run goes on to its exit code.
TEST(Win32MessageBox, ErrorReportWithAnAnswererShowsNoWindow) {
    std::string answered;
    platform::SetBoxAnswerer([&](const std::string& text, platform::MbButtons, platform::MbIcon icon) {
        answered = text + (icon == platform::MbIcon::Error ? " (error)" : "");
        return platform::MbResult::Ok;
    });
    const UINT_PTR timer = AnswerNextBox(IDOK);  // would answer a box that should not be there
    platform::app::ShowError("インストール情報をレジストリに書き込めませんでした。");
    MSG msg;
    const DWORD until = GetTickCount() + 300;
    while (GetTickCount() < until)
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    KillTimer(nullptr, timer);
    platform::SetBoxAnswerer(nullptr);
    EXPECT_EQ(answered, "インストール情報をレジストリに書き込めませんでした。 (error)");
    EXPECT_TRUE(seen.caption.empty()) << "a box was shown";
}

}  // namespace
