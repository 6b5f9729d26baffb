// The application object: title, main form, message loop, error report.
#include "platform/app.h"

#include "platform/forms.h"
#include "platform/msgbox.h"
#include "platform/win32/systemdll.h"
#include "platform/win32/wintext.h"

namespace platform::win32 {
namespace {
HWND appWindow = nullptr;
}
HWND ApplicationWindow() { return appWindow; }
void MinimizeApplication() {
    if (appWindow) ShowWindow(appWindow, SW_MINIMIZE);
}
}  // namespace platform::win32

namespace platform::app {

using win32::appWindow;

namespace {
std::string title;
Form* mainForm = nullptr;
bool terminated = false;

// Milliseconds from the performance counter, to time one round of messages,
// which may take some tens of microseconds. Under Wine each call is a trip
// into the Unix side, so the copy's many calls of ProcessMessages that come
// too early are told by GetTickCount, a read of shared memory.
double NowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perMs;
}

// A long job (the copy, the deletion) calls ProcessMessages between small
// steps. Under Wine every look at the queue and every repaint of a control is
// a round trip to the wineserver; on an idle machine one costs some 20 us,
// but when the other core is busy each waits for the server to be scheduled,
// about a millisecond, and a repaint of the progress bars takes a dozen of
// them. So the window work is spaced by what it cost the last time: it takes
// at most about a thirtieth of the job's time, and on an idle machine runs
// at the shortest intervals.
constexpr double kUiShare = 1.0 / 30;
// Pending messages (a Cancel click above all) are looked at this often, and
// never less often than the longest interval, so a click is answered within
// a tenth of a second.
constexpr DWORD kPumpIntervalMs = 10;
constexpr DWORD kMaxPumpIntervalMs = 50;
// Deferred label and progress updates reach the screen this often, and at
// least once a second however slow the repaints are.
constexpr DWORD kFlushIntervalMs = 100;
constexpr DWORD kMaxFlushIntervalMs = 1000;
constexpr int kMaxMessagesPerRound = 64;
constexpr DWORD kResponsiveMs = 1000;

DWORD lastPump = 0, pumpGap = kPumpIntervalMs;
DWORD lastFlush = 0, flushGap = kFlushIntervalMs;

DWORD Spaced(double costMs, DWORD least, DWORD most) {
    const double gap = costMs / kUiShare;
    return gap < least ? least : gap > most ? most : static_cast<DWORD>(gap);
}

// The application window: never seen itself, it owns every form, so the
// program has one task-bar button, captioned with the application title,
// whichever of its windows is up.
LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        // Clicked in the task bar: the form that was active last takes over.
        if (LOWORD(wParam) != WA_INACTIVE) {
            HWND popup = GetLastActivePopup(hwnd);
            if (popup && popup != hwnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetActiveWindow(popup);
        }
        return 0;
    case WM_CLOSE:
        // "Close window" on the task-bar button closes the main form.
        if (HWND main = win32::WindowOf(mainForm)) PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void CreateAppWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = AppWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = L"TazuApplication";
    RegisterClassExW(&wc);
    // Zero-sized and in the middle of the screen, as the task bar needs a
    // visible window to show a button for.
    appWindow = CreateWindowExW(0, L"TazuApplication", win32::Widen(title).c_str(),
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE,
                                GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                                nullptr, instance, nullptr);
}
}  // namespace

void Initialize() {
    terminated = false;
    lastPump = lastFlush = GetTickCount();
    if (!appWindow) CreateAppWindow();
}

const std::string& Title() { return title; }
void SetTitle(const std::string& text) {
    title = text;
    if (appWindow) SetWindowTextW(appWindow, win32::Widen(title).c_str());
}

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
    if (now - lastPump < pumpGap) return;
    if (now - lastFlush >= flushGap) {
        const double start = NowMs();
        win32::FlushAllForms();
        flushGap = Spaced(NowMs() - start, kFlushIntervalMs, kMaxFlushIntervalMs);
        lastFlush = GetTickCount();
    }
    const double checkStart = NowMs();
    // Under Wine a look at an empty queue gives up the processor: PeekMessage
    // and every wait that times out yield (PM_NOYIELD does not help), and on
    // a busy machine the job then waits a whole time slice to run again. So
    // the X connection is read by a wait that an event already set ends at
    // once, the queue's state is asked without waiting, and PeekMessage runs
    // only for a message that is there.
    static HANDLE alwaysSet = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    MsgWaitForMultipleObjectsEx(alwaysSet ? 1 : 0, &alwaysSet, 0, QS_ALLINPUT, 0);
    DWORD pending = HIWORD(GetQueueStatus(QS_ALLINPUT));
    // The interval follows what the look cost, not the handling of what it
    // found: another program reading controls one message at a time is
    // answered every round.
    pumpGap = Spaced(NowMs() - checkStart, kPumpIntervalMs, kMaxPumpIntervalMs);
    MSG msg;
    // A thread that has not taken a message for five seconds counts as hung:
    // Windows turns its windows into "not responding" ghosts, and a program
    // asking with SendMessageTimeout(SMTO_ABORTIFHUNG) gets no answer. One
    // look a second keeps it answering, at the cost of one yield.
    static DWORD lastPeek = 0;
    if (pending == 0 && now - lastPeek >= kResponsiveMs) {
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        lastPeek = now;
        pending = HIWORD(GetQueueStatus(QS_ALLINPUT));
    }
    // A few messages at most per round: the job goes on meanwhile, and the
    // next round takes the rest.
    for (int n = 0; pending != 0 && n < kMaxMessagesPerRound; ++n) {
        if (pending & QS_SENDMESSAGE) {
            // Another program asks for a control's state (an automation
            // tool, a screen reader): it gets what the job has set, not what
            // the last flush, up to a second ago, pushed.
            win32::FlushAllForms();
            lastFlush = GetTickCount();
        }
        lastPeek = now;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        if (msg.message == WM_QUIT) {
            // Leave it for the loop that owns the thread (Run or a modal loop).
            terminated = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        win32::DispatchOne(msg);
        pending = HIWORD(GetQueueStatus(QS_ALLINPUT));
    }
    lastPump = GetTickCount();
}

void ProcessMessagesNow() {
    pumpGap = 0;
    flushGap = 0;
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
    if (BoxesAnswered()) {
        ShowMessageBox(nullptr, text, title, MbButtons::Ok, MbIcon::Error);
        return;
    }
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

namespace {
int exitCode = 0;
}
void SetExitCode(int code) { exitCode = code; }
int ExitCode() { return exitCode; }
void ExitProcessNow() { ExitProcess(static_cast<UINT>(exitCode)); }

namespace {
// Whether anything follows the program's name, the name read as
// CommandLineToArgvW reads it (to the closing quote, or to the first blank
// or tab): without arguments the shell is not loaded to split them.
bool HasArguments(const wchar_t* line) {
    const wchar_t* p = line;
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return *p != 0;
}
}  // namespace

std::optional<std::vector<std::string>> Arguments() {
    std::vector<std::string> args;
    const wchar_t* line = GetCommandLineW();
    if (!HasArguments(line)) return args;
    const auto split = win32::SystemFunction<LPWSTR*(WINAPI*)(LPCWSTR, int*)>(L"shell32.dll", "CommandLineToArgvW");
    int count = 0;
    LPWSTR* argv = split ? split(line, &count) : nullptr;
    if (!argv) return args;
    bool exact = true;
    for (int i = 1; i < count && exact; ++i) {
        const auto arg = win32::NarrowExact(argv[i]);
        exact = arg.has_value();
        if (arg) args.push_back(*arg);
    }
    LocalFree(argv);
    if (!exact) return std::nullopt;
    return args;
}

namespace {
bool WriteToConsole(const std::string& text, DWORD which) {
    HANDLE out = GetStdHandle(which);
    if (!out || out == INVALID_HANDLE_VALUE) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return false;
        out = GetStdHandle(which);
        if (!out || out == INVALID_HANDLE_VALUE) return false;
    }
    const std::wstring wide = win32::Widen(text);
    DWORD mode = 0, done = 0;
    if (GetConsoleMode(out, &mode))
        return WriteConsoleW(out, wide.c_str(), static_cast<DWORD>(wide.size()), &done, nullptr) != 0;
    // Redirected to a file or a pipe: UTF-8.
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &utf8[0], size, nullptr, nullptr);
    return WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr) != 0;
}
}  // namespace

bool WriteToParentConsole(const std::string& text) { return WriteToConsole(text, STD_OUTPUT_HANDLE); }
bool WriteErrorToParentConsole(const std::string& text) { return WriteToConsole(text, STD_ERROR_HANDLE); }

void Wait(int ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        ProcessMessagesNow();
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= static_cast<DWORD>(ms)) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms) - elapsed, QS_ALLINPUT);
    }
}

Size ScreenSize() { return Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

}  // namespace platform::app
