// The application object: title, main form, message loop, error report.
#include "platform/app.h"

#include "platform/forms.h"
#include "platform/win32/wintext.h"

namespace platform::app {

namespace {
std::string title;
Form* mainForm = nullptr;
bool terminated = false;
DWORD lastPump = 0;
DWORD lastFlush = 0;

// Deferred label and progress updates reach the screen at most this often
// while a long job pumps messages.
constexpr DWORD kFlushIntervalMs = 100;
// Under Wine every PeekMessage is a round trip to the wineserver; a copy loop
// calls ProcessMessages several times per chunk, so it pumps at most this
// often.
constexpr DWORD kPumpIntervalMs = 10;
}  // namespace

void Initialize() {
    terminated = false;
    lastPump = lastFlush = GetTickCount();
}

const std::string& Title() { return title; }
void SetTitle(const std::string& text) { title = text; }

Form* MainForm() { return mainForm; }
void SetMainForm(Form* form) { mainForm = form; }

void Run() {
    if (mainForm && !terminated) mainForm->Show();
    MSG msg;
    while (!terminated) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            terminated = true;
            break;
        }
        if (got < 0) break;
        win32::DispatchOne(msg);
    }
}

void Terminate() {
    if (terminated) return;
    terminated = true;
    PostQuitMessage(0);
}

bool Terminated() { return terminated; }

void ProcessMessages() {
    const DWORD now = GetTickCount();
    if (now - lastPump < kPumpIntervalMs) return;
    lastPump = now;
    if (now - lastFlush >= kFlushIntervalMs) {
        lastFlush = now;
        win32::FlushAllForms();
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the loop that owns the thread (Run or a modal loop).
            terminated = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        win32::DispatchOne(msg);
    }
}

void ProcessMessagesNow() {
    lastPump = 0;
    lastFlush = 0;
    ProcessMessages();
}

void SetBusyCursor(bool busy) {
    SetCursor(LoadCursorW(nullptr, busy ? MAKEINTRESOURCEW(32514) : MAKEINTRESOURCEW(32512)));  // IDC_WAIT, IDC_ARROW
}

void FlushUpdates() {
    lastFlush = GetTickCount();
    win32::FlushAllForms();
}

void ShowError(const std::string& text) {
    HWND owner = GetActiveWindow();
    if (!win32::IsFormWindow(owner)) owner = win32::WindowOf(mainForm);
    FlushUpdates();
    MessageBoxW(owner, win32::Widen(text).c_str(), win32::Widen(title).c_str(), MB_OK | MB_ICONERROR);
}

void SetTaskbarIcon(Form& form) {
    HWND hwnd = win32::WindowOf(&form);
    if (!hwnd) return;
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (icon) SetClassLongPtrW(hwnd, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

void ExitProcessNow() { ExitProcess(0); }

Size ScreenSize() { return Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

}  // namespace platform::app
