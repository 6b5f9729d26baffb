// The forms toolkit realised as Win32 windows, checked through Win32 itself.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/app.h"
#include "platform/forms.h"

namespace {

using namespace platform;

const ControlDef kSmokeControls[] = {
    // name      kind                      left top  width height caption              tab handler
    {"btnOK",    ControlKind::Button,      8,   8,   80,   25,    "&OK",               1,  "btnOKClick"},
    {"lblInst",  ControlKind::Label,       8,   40,  200,  12,    "インストール先：",  -1, nullptr},
    {"edtInst",  ControlKind::Edit,        8,   56,  200,  20,    "C:\\Game",          0,  nullptr, nullptr,
     kDefaultColor, Align::Left, kImeOpen},
    {"cbCdRom",  ControlKind::ComboList,   8,   84,  200,  20,    nullptr,             2,  nullptr},
    {"pgbAll",   ControlKind::ProgressBar, 8,   112, 200,  16,    nullptr,             -1, nullptr},
    {"gbInfo",   ControlKind::GroupBox,    220, 8,   160,  80,    " 情報 ",            3,  nullptr, nullptr, kBlue},
    {"btnS",     ControlKind::Button,      8,   24,  60,   25,    "参照",              0,  "btnSClick", "gbInfo"},
    {"sbInst",   ControlKind::StatusBar,   0,   181, 394,  19,    "ステータス",        -1, nullptr, nullptr,
     kDefaultColor, Align::Right, kNoSizeGrip},
};
const FormDef kSmokeForm = {"TfrmSmokeTest", "試験", 394, 200, BorderStyle::Single, true, true,
                            kSmokeControls, sizeof kSmokeControls / sizeof kSmokeControls[0]};

class TfrmSmokeTest : public Form {
public:
    TfrmSmokeTest() : Form(kSmokeForm) {
        Bind("btnOKClick", &TfrmSmokeTest::btnOKClick);
        Bind("btnSClick", &TfrmSmokeTest::btnSClick);
    }
    Button btnOK{*this, "btnOK"};
    Label lblInst{*this, "lblInst"};
    Edit edtInst{*this, "edtInst"};
    ComboList cbCdRom{*this, "cbCdRom"};
    ProgressBar pgbAll{*this, "pgbAll"};
    GroupBox gbInfo{*this, "gbInfo"};
    Button btnS{*this, "btnS"};
    StatusBar sbInst{*this, "sbInst"};

    std::vector<std::string> clicks;
    std::vector<int> messages;
    HWND watched = nullptr;        // a window whose state the OK handler records
    bool watchedEnabled = true;

protected:
    void OnMessage(int message) override { messages.push_back(message); }

private:
    void btnOKClick(Control& sender) {
        clicks.push_back(sender.Name());
        if (watched) watchedEnabled = IsWindowEnabled(watched) != FALSE;
        if (InModal()) SetModalResult(mrOK);
    }
    void btnSClick(Control& sender) { clicks.push_back(sender.Name()); }
};

const ControlDef kNoticeControls[] = {
    {"Label1", ControlKind::Label, 16, 16, 282, 12, "情報を取得しています。", -1, nullptr},
};
const FormDef kNoticeForm = {"TfrmNoticeTest", "通知", 313, 60, BorderStyle::Dialog, false, false,
                             kNoticeControls, 1};
class TfrmNoticeTest : public Form {
public:
    TfrmNoticeTest() : Form(kNoticeForm) {}
    Label Label1{*this, "Label1"};
};

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetWindowTextW(hwnd, buffer, 256);
    return buffer;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[64] = {};
    GetClassNameW(hwnd, buffer, 64);
    return buffer;
}

bool HasVisibleStyle(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

// Runs what is queued, as the program's loops do, until nothing is left.
void PumpUntilIdle() {
    for (int i = 0; i < 5; ++i) {
        Sleep(15);  // ProcessMessages pumps at most every 10 ms
        app::ProcessMessages();
    }
}

class Win32Forms : public testing::Test {
protected:
    void SetUp() override {
        form_.Create();
        hwnd_ = FindWindowW(L"TfrmSmokeTest", nullptr);
        ASSERT_NE(hwnd_, nullptr);
    }
    void TearDown() override {
        form_.Destroy();
        app::SetMainForm(nullptr);
    }
    HWND Item(int row) const { return GetDlgItem(hwnd_, 100 + row); }

    TfrmSmokeTest form_;
    HWND hwnd_ = nullptr;
};

TEST_F(Win32Forms, WindowClassIsTheFormNameAndClientSizeExact) {
    EXPECT_EQ(ClassOf(hwnd_), L"TfrmSmokeTest");
    EXPECT_EQ(TextOf(hwnd_), L"試験");
    RECT client;
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.right, 394);
    EXPECT_EQ(client.bottom, 200);
    const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    EXPECT_FALSE(style & WS_VISIBLE);  // created hidden
}

TEST_F(Win32Forms, OuterSizeIsKnownBeforeTheWindowExists) {
    TfrmNoticeTest notice;
    const int width = notice.OuterWidth();
    const int height = notice.OuterHeight();
    notice.Create();
    HWND hwnd = FindWindowW(L"TfrmNoticeTest", nullptr);
    ASSERT_NE(hwnd, nullptr);
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(window.right - window.left, width);
    EXPECT_EQ(window.bottom - window.top, height);
    EXPECT_EQ(client.right, 313);
    EXPECT_EQ(client.bottom, 60);
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_STYLE) & WS_SYSMENU);  // no title-bar buttons
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    notice.Destroy();
}

TEST_F(Win32Forms, ControlIdsAreOneHundredPlusRow) {
    const wchar_t* classes[] = {L"Button", L"Static", L"Edit", L"ComboBox", PROGRESS_CLASSW,
                                L"Button", L"Button", STATUSCLASSNAMEW};
    for (int row = 0; row < 8; ++row) {
        HWND control = Item(row);
        ASSERT_NE(control, nullptr) << "row " << row;
        EXPECT_EQ(GetParent(control), hwnd_);
        EXPECT_EQ(ClassOf(control), classes[row]) << "row " << row;
    }
}

TEST_F(Win32Forms, ChildOrderIsTabOrder) {
    // Tab numbers: edtInst 0, btnOK 1, cbCdRom 2, gbInfo 3 with btnS inside.
    std::vector<HWND> stops;
    HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    for (HWND item = first; item && stops.size() < 10;) {
        stops.push_back(item);
        item = GetNextDlgTabItem(hwnd_, item, FALSE);
        if (item == first) break;
    }
    EXPECT_EQ(stops, (std::vector<HWND>{Item(2), Item(0), Item(3), Item(6)}));
}

TEST_F(Win32Forms, CaptionsShowAsJapanese) {
    EXPECT_EQ(TextOf(Item(6)), L"参照");
    EXPECT_EQ(TextOf(Item(1)), L"インストール先：");
    EXPECT_EQ(TextOf(Item(5)), L" 情報 ");
    wchar_t status[64] = {};
    SendMessageW(Item(7), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_STREQ(status, L"\t\tステータス");  // right-aligned
}

TEST_F(Win32Forms, LabelCaptionReachesTheScreenOnFlush) {
    form_.lblInst.SetCaption("コピー中：表.dat");
    app::FlushUpdates();
    EXPECT_EQ(TextOf(Item(1)), L"コピー中：表.dat");
}

TEST_F(Win32Forms, ButtonCaptionChangesAtOnce) {
    form_.btnS.SetCaption("変更(&C)");
    EXPECT_EQ(TextOf(Item(6)), L"変更(&C)");
}

TEST_F(Win32Forms, ProgressReachesTheScreenOnFlush) {
    form_.pgbAll.SetRange(0, 1000);
    form_.pgbAll.SetPosition(500);
    app::FlushUpdates();
    EXPECT_EQ(SendMessageW(Item(4), PBM_GETPOS, 0, 0), 500);
    EXPECT_EQ(SendMessageW(Item(4), PBM_GETRANGE, FALSE, 0), 1000);
}

// The copy loop's pattern: a label and progress bar change and messages are
// pumped twice per chunk. Pushing each change to the screen at once costs
// milliseconds per chunk under Wine; the updates must batch.
TEST_F(Win32Forms, CopyLoopUpdatesStayCheap) {
    form_.Show();
    form_.pgbAll.SetRange(0, 4000);
    const DWORD start = GetTickCount();
    for (int i = 1; i <= 4000; ++i) {
        form_.lblInst.SetCaption("コピー中 " + std::to_string(i));
        form_.pgbAll.SetPosition(i);
        app::ProcessMessages();
    }
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_LT(elapsed, 1500u);
    app::FlushUpdates();
    EXPECT_EQ(SendMessageW(Item(4), PBM_GETPOS, 0, 0), 4000);
    EXPECT_EQ(TextOf(Item(1)), L"コピー中 4000");
    form_.Hide();
}

TEST_F(Win32Forms, ChildOfGroupBoxIsPlacedInsideIt) {
    RECT rect;
    GetWindowRect(Item(6), &rect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 220 + 8);
    EXPECT_EQ(rect.top, 8 + 24);
    EXPECT_EQ(rect.right - rect.left, 60);
    // Above the group box in z-order, so it paints over the frame.
    bool groupBelow = false;
    for (HWND w = GetWindow(Item(6), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT)) groupBelow |= w == Item(5);
    EXPECT_TRUE(groupBelow);
}

TEST_F(Win32Forms, HiddenGroupBoxHidesItsChild) {
    form_.gbInfo.SetVisible(false);
    EXPECT_FALSE(HasVisibleStyle(Item(5)));
    EXPECT_FALSE(HasVisibleStyle(Item(6)));
    EXPECT_TRUE(form_.btnS.Visible());  // its own state is unchanged
    form_.gbInfo.SetVisible(true);
    EXPECT_TRUE(HasVisibleStyle(Item(6)));
    form_.btnS.SetVisible(false);
    form_.gbInfo.SetVisible(false);
    form_.gbInfo.SetVisible(true);
    EXPECT_FALSE(HasVisibleStyle(Item(6)));
}

TEST_F(Win32Forms, DisabledControlIsDisabledWindow) {
    form_.btnOK.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(Item(0)));
    form_.btnOK.SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(Item(0)));
}

TEST_F(Win32Forms, TypedEditTextIsSeen) {
    SetWindowTextW(Item(2), L"D:\\ゲーム表");
    EXPECT_EQ(form_.edtInst.Text(), "D:\\ゲーム表");
    form_.edtInst.SetText("E:\\Game");
    EXPECT_EQ(TextOf(Item(2)), L"E:\\Game");
}

TEST_F(Win32Forms, ComboItemsAndSelection) {
    form_.cbCdRom.AddItem("E: ドライブ");
    form_.cbCdRom.AddItem("Q: ドライブ");
    form_.cbCdRom.SetItemIndex(0);
    HWND combo = Item(3);
    RECT closed;
    GetWindowRect(combo, &closed);
    EXPECT_EQ(closed.bottom - closed.top, 20);  // the table's height, whatever the font gives
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
    wchar_t item[32] = {};
    SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, L"Q: ドライブ");
    SendMessageW(combo, CB_SETCURSEL, 1, 0);  // as the user picks it
    EXPECT_EQ(form_.cbCdRom.ItemIndex(), 1);
    EXPECT_EQ(form_.cbCdRom.Text(), "Q: ドライブ");
    form_.cbCdRom.Clear();
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(Win32Forms, GroupBoxCaptionTakesItsColour) {
    HDC dc = CreateCompatibleDC(nullptr);
    const LRESULT brush = SendMessageW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(Item(5)));
    EXPECT_EQ(GetTextColor(dc), static_cast<COLORREF>(kBlue));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
    DeleteDC(dc);
}

TEST_F(Win32Forms, CenterOnScreenUsesOuterSize) {
    form_.CenterOnScreen();
    RECT window;
    GetWindowRect(hwnd_, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    EXPECT_EQ(form_.Left(), (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(form_.Top(), (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    EXPECT_EQ(window.left, form_.Left());
    EXPECT_EQ(window.top, form_.Top());
}

TEST_F(Win32Forms, MoveOfTheWindowIsSeenByLeftAndTop) {
    form_.SetPosition(10, 20);
    form_.Show();
    // Where a drag by the title bar ends: the system moves the window, not the toolkit.
    SetWindowPos(hwnd_, nullptr, 130, 170, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpUntilIdle();
    EXPECT_EQ(std::make_pair(form_.Left(), form_.Top()), std::make_pair(130, 170));
}

TEST_F(Win32Forms, PostedPrivateMessageReachesOnMessage) {
    form_.PostToSelf(platform::kFirstOwnMessage);
    form_.PostToSelf(platform::kLastOwnMessage);
    PostMessageW(hwnd_, WM_USER, 0, 0);  // below the private range: not the form's
    PostMessageW(hwnd_, WM_USER + platform::kLastOwnMessage + 1, 0, 0);  // above it
    PumpUntilIdle();
    EXPECT_EQ(form_.messages, (std::vector<int>{platform::kFirstOwnMessage, platform::kLastOwnMessage}));
}

TEST_F(Win32Forms, ClicksReachTheHandlerWithTheSender) {
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(100 + 6, BN_CLICKED), reinterpret_cast<LPARAM>(Item(6)));
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), reinterpret_cast<LPARAM>(Item(0)));
    PumpUntilIdle();
    EXPECT_EQ(form_.clicks, (std::vector<std::string>{"btnS", "btnOK"}));
}

TEST_F(Win32Forms, ShowModalDisablesOtherWindowsUntilTheResult) {
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    form_.watched = other;
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), reinterpret_cast<LPARAM>(Item(0)));
    EXPECT_EQ(form_.ShowModal(), mrOK);
    EXPECT_FALSE(form_.watchedEnabled);
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_FALSE(IsWindowVisible(hwnd_));
    DestroyWindow(other);
}

TEST_F(Win32Forms, CloseBoxEndsAModalFormWithCancel) {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_EQ(form_.ShowModal(), mrCancel);
}

TEST_F(Win32Forms, PostedCloseEndsAModalFormWithCancel) {
    form_.PostClose();
    EXPECT_EQ(form_.ShowModal(), mrCancel);
}

}  // namespace

namespace {

// One task-bar button: every form is owned by the application window, which
// carries the application title.
TEST_F(Win32Forms, FormsShareTheApplicationWindowAndItsTitle) {
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(ClassOf(owner), L"TazuApplication");
    const std::string before = app::Title();
    app::SetTitle("『クエンド』　起動ユーティリティ");
    EXPECT_EQ(TextOf(owner), L"『クエンド』　起動ユーティリティ");
    app::SetTitle(before);
    TfrmNoticeTest notice;
    notice.Create();
    EXPECT_EQ(GetWindow(FindWindowW(L"TfrmNoticeTest", nullptr), GW_OWNER), owner);
    notice.Destroy();
}

}  // namespace
