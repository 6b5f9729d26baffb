// tazuauto: drives the utility's windows from the outside for the end-to-end
// tests. A Win32 console program run under Wine; prints UTF-8, takes UTF-8
// arguments. Exit status 0 on success, 1 when a wait timed out or a check
// failed, 2 on bad usage.
//
// Messages to the utility's windows are sent only with SendMessageTimeout:
// under Wine a message sent to a window that is being destroyed may never be
// answered. Clicks are posted, so we never block on the utility's modal loops.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 2000;

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

// Output goes through WriteFile as raw UTF-8 bytes: Wine hands them to the
// Unix side untouched, whatever the console code page.
void Out(const std::string& s) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}
void Out(const std::wstring& w) { Out(Utf8(w)); }
void Err(const std::string& s) {
    DWORD written = 0;
    std::string line = "tazuauto: " + s + "\n";
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Line breaks and tabs would break the line-and-tab output format.
std::wstring Escape(const std::wstring& s) {
    std::wstring r;
    for (wchar_t c : s) {
        if (c == L'\n') r += L"\\n";
        else if (c == L'\r') r += L"\\r";
        else if (c == L'\t') r += L"\\t";
        else r += c;
    }
    return r;
}

std::wstring Num(long long v) { return std::to_wstring(v); }

bool SendTimeout(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &r)) return false;
    if (result) *result = r;
    return true;
}

std::wstring TextOf(HWND hwnd) {
    DWORD_PTR len = 0;
    if (!SendTimeout(hwnd, WM_GETTEXTLENGTH, 0, 0, &len)) return L"<no answer>";
    // The text may grow between the two questions (a label of a running
    // copy): a text that fills the buffer is asked for again, with room.
    for (size_t room = len + 64;; room *= 2) {
        std::vector<wchar_t> buf(room, L'\0');
        DWORD_PTR got = 0;
        if (!SendTimeout(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got))
            return L"<no answer>";
        if (got + 1 < room || room > 65536) return std::wstring(buf.data(), got);
    }
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[256] = {};
    GetClassNameW(hwnd, buf, 256);
    return buf;
}

HWND FindTop(const std::wstring& cls) {
    return FindWindowW(cls.c_str(), nullptr);
}

// A visible top-level window of the class, or null.
// Enumeration callbacks must be __stdcall, which a lambda is not on i686.
BOOL CALLBACK CollectWindow(HWND h, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

std::vector<HWND> TopWindows() {
    std::vector<HWND> list;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND FindVisibleTop(const std::wstring& cls) {
    for (HWND h : TopWindows())
        if (IsWindowVisible(h) && ClassOf(h) == cls) return h;
    return nullptr;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> list;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND ChildById(HWND parent, int id) {
    for (HWND h : Children(parent))
        if (GetDlgCtrlID(h) == id) return h;
    return nullptr;
}

int ToInt(const std::wstring& s, int fallback) {
    if (s.empty()) return fallback;
    wchar_t* end = nullptr;
    long v = std::wcstol(s.c_str(), &end, 0);
    return (end && *end == 0) ? static_cast<int>(v) : fallback;
}

bool WaitFor(int timeoutMs, bool (*done)(const std::wstring&), const std::wstring& arg) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done(arg)) return true;
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        Sleep(20);
    }
}

// Position of a window relative to the client area of the form.
RECT RelativeRect(HWND form, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring RectText(const RECT& r) {
    return Num(r.left) + L"," + Num(r.top) + L"," + Num(r.right - r.left) + L"," + Num(r.bottom - r.top);
}

// --- commands ----------------------------------------------------------------

int CmdWaitWindow(const std::wstring& cls, int timeoutMs) {
    if (WaitFor(timeoutMs, [](const std::wstring& c) { return FindVisibleTop(c) != nullptr; }, cls)) return 0;
    Err("no visible window " + Utf8(cls) + " within " + std::to_string(timeoutMs) + " ms");
    return 1;
}

int CmdWaitGone(const std::wstring& cls, int timeoutMs) {
    if (WaitFor(timeoutMs, [](const std::wstring& c) { return FindTop(c) == nullptr; }, cls)) return 0;
    Err("window " + Utf8(cls) + " still there after " + std::to_string(timeoutMs) + " ms");
    return 1;
}

// win <TAB> class <TAB> caption <TAB> left,top,width,height (outer) <TAB> client WxH <TAB> screen WxH
//     <TAB> visible <TAB> enabled
// ctl <TAB> id <TAB> class <TAB> visible <TAB> enabled <TAB> x,y,w,h in the form's client <TAB> text
// item <TAB> id <TAB> index <TAB> selected <TAB> text       (combo box items)
// focus <TAB> id                                             (the control with the keyboard focus)
int CmdDump(const std::wstring& cls) {
    HWND form = FindTop(cls);
    if (!form) {
        Err("no window " + Utf8(cls));
        return 1;
    }
    RECT outer, client;
    GetWindowRect(form, &outer);
    GetClientRect(form, &client);
    Out(L"win\t" + cls + L"\t" + Escape(TextOf(form)) + L"\t" + RectText(outer) + L"\t" + Num(client.right) + L"x" +
        Num(client.bottom) + L"\t" + Num(GetSystemMetrics(SM_CXSCREEN)) + L"x" +
        Num(GetSystemMetrics(SM_CYSCREEN)) + L"\t" + (IsWindowVisible(form) ? L"1" : L"0") + L"\t" +
        (IsWindowEnabled(form) ? L"1" : L"0") + L"\n");
    for (HWND h : Children(form)) {
        int id = GetDlgCtrlID(h);
        std::wstring childClass = ClassOf(h);
        Out(L"ctl\t" + Num(id) + L"\t" + childClass + L"\t" + (IsWindowVisible(h) ? L"1" : L"0") + L"\t" +
            (IsWindowEnabled(h) ? L"1" : L"0") + L"\t" + RectText(RelativeRect(form, h)) + L"\t" +
            Escape(TextOf(h)) + L"\n");
        if (_wcsicmp(childClass.c_str(), L"ComboBox") == 0) {
            DWORD_PTR count = 0, sel = static_cast<DWORD_PTR>(-1);
            SendTimeout(h, CB_GETCOUNT, 0, 0, &count);
            SendTimeout(h, CB_GETCURSEL, 0, 0, &sel);
            for (DWORD_PTR i = 0; i < count && i < 64; ++i) {
                DWORD_PTR len = 0;
                SendTimeout(h, CB_GETLBTEXTLEN, i, 0, &len);
                std::vector<wchar_t> buf(len + 2, L'\0');
                SendTimeout(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf.data()), nullptr);
                Out(L"item\t" + Num(id) + L"\t" + Num(static_cast<long long>(i)) + L"\t" +
                    (i == sel ? L"1" : L"0") + L"\t" + Escape(buf.data()) + L"\n");
            }
        }
    }
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &gui) && gui.hwndFocus &&
        IsChild(form, gui.hwndFocus))
        Out(L"focus\t" + Num(GetDlgCtrlID(gui.hwndFocus)) + L"\n");
    return 0;
}

HWND FindControl(const std::wstring& cls, int id) {
    HWND form = FindTop(cls);
    if (!form) {
        Err("no window " + Utf8(cls));
        return nullptr;
    }
    HWND ctl = ChildById(form, id);
    if (!ctl) Err("no control " + std::to_string(id) + " in " + Utf8(cls));
    return ctl;
}

int CmdClick(const std::wstring& cls, int id) {
    HWND ctl = FindControl(cls, id);
    if (!ctl) return 1;
    return PostMessageW(ctl, BM_CLICK, 0, 0) ? 0 : 1;
}

// Posts the notification a click would send to the form; for controls that
// ignore BM_CLICK.
int CmdCommand(const std::wstring& cls, int id) {
    HWND ctl = FindControl(cls, id);
    if (!ctl) return 1;
    return PostMessageW(GetParent(ctl), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(ctl)) ? 0 : 1;
}

int CmdSetText(const std::wstring& cls, int id, const std::wstring& text) {
    HWND ctl = FindControl(cls, id);
    if (!ctl) return 1;
    return SendTimeout(ctl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), nullptr) ? 0 : 1;
}

int CmdSelect(const std::wstring& cls, int id, int index) {
    HWND ctl = FindControl(cls, id);
    if (!ctl) return 1;
    return SendTimeout(ctl, CB_SETCURSEL, static_cast<WPARAM>(index), 0, nullptr) ? 0 : 1;
}

// Selects the item of a list view (of another process) whose text is
// <text>, as a click on it would: the owner is told of the change and
// enables what goes with a selection.
int CmdSelectItem(const std::wstring& cls, int id, const std::wstring& text) {
    HWND list = FindControl(cls, id);
    if (!list) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) {
        Err("cannot open the list's process");
        return 1;
    }
    constexpr int kChars = 512;
    const SIZE_T bytes = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
    auto* remote = static_cast<BYTE*>(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    int found = -1;
    DWORD_PTR count = 0;
    if (remote && SendTimeout(list, LVM_GETITEMCOUNT, 0, 0, &count)) {
        for (int i = 0; i < static_cast<int>(count) && found < 0; ++i) {
            LVITEMW item = {};
            item.iSubItem = 0;
            item.cchTextMax = kChars;
            item.pszText = reinterpret_cast<LPWSTR>(remote + sizeof(LVITEMW));
            wchar_t name[kChars] = {};
            if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
                SendTimeout(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote), nullptr) &&
                ReadProcessMemory(process, remote + sizeof(LVITEMW), name, sizeof name - sizeof(wchar_t), nullptr) &&
                text == name)
                found = i;
        }
    }
    bool ok = false;
    if (found >= 0) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ok = WriteProcessMemory(process, remote, &state, sizeof state, nullptr) &&
             SendTimeout(list, LVM_SETITEMSTATE, static_cast<WPARAM>(found), reinterpret_cast<LPARAM>(remote), nullptr);
    } else {
        Err("no item " + Utf8(text) + " among " + std::to_string(count));
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return ok ? 0 : 1;
}

// Standard message boxes are top-level #32770 dialogs.
HWND FindMessageBox() { return FindVisibleTop(L"#32770"); }

// caption <TAB> text / text <TAB> text / button <TAB> id <TAB> text /
// default <TAB> id / focus <TAB> id
int CmdMsgbox(int timeoutMs) {
    if (!WaitFor(timeoutMs, [](const std::wstring&) { return FindMessageBox() != nullptr; }, L"")) {
        Err("no message box within " + std::to_string(timeoutMs) + " ms");
        return 1;
    }
    HWND box = FindMessageBox();
    Out(L"caption\t" + Escape(TextOf(box)) + L"\n");
    for (HWND h : Children(box)) {
        std::wstring c = ClassOf(h);
        if (!IsWindowVisible(h)) continue;
        if (_wcsicmp(c.c_str(), L"Static") == 0) {
            if ((GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
            std::wstring t = TextOf(h);
            if (!t.empty()) Out(L"text\t" + Escape(t) + L"\n");
        } else if (_wcsicmp(c.c_str(), L"Button") == 0) {
            Out(L"button\t" + Num(GetDlgCtrlID(h)) + L"\t" + Escape(TextOf(h)) + L"\n");
        }
    }
    // The button drawn as the default push button, and the one that has the
    // keyboard focus in the box's thread (Enter presses it).
    for (HWND h : Children(box))
        if (_wcsicmp(ClassOf(h).c_str(), L"Button") == 0 && IsWindowVisible(h) &&
            (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            Out(L"default\t" + Num(GetDlgCtrlID(h)) + L"\n");
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &gui) && gui.hwndFocus &&
        GetParent(gui.hwndFocus) == box)
        Out(L"focus\t" + Num(GetDlgCtrlID(gui.hwndFocus)) + L"\n");
    return 0;
}

// The texts of the box's static controls, joined by line feeds.
std::wstring MessageBoxText(HWND box) {
    std::wstring all;
    for (HWND h : Children(box)) {
        if (_wcsicmp(ClassOf(h).c_str(), L"Static") != 0 || !IsWindowVisible(h)) continue;
        if ((GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
        if (!all.empty()) all += L"\n";
        all += TextOf(h);
    }
    return all;
}

std::wstring WithoutMnemonic(const std::wstring& s) {
    std::wstring r;
    for (wchar_t c : s)
        if (c != L'&') r += c;
    return r;
}

HWND PressableButton(HWND box, const std::wstring& which) {
    int wantId = ToInt(which, -1);
    for (HWND h : Children(box)) {
        if (_wcsicmp(ClassOf(h).c_str(), L"Button") != 0 || !IsWindowVisible(h)) continue;
        int id = GetDlgCtrlID(h);
        if (id == wantId || WithoutMnemonic(TextOf(h)) == WithoutMnemonic(which)) return h;
    }
    return nullptr;
}

// Waits for the message box whose text contains <part>; presses nothing.
std::wstring gWantedPart;
int CmdWaitMsgbox(const std::wstring& part, int timeoutMs) {
    gWantedPart = part;
    auto wanted = [](const std::wstring&) {
        for (HWND h : TopWindows())
            if (IsWindowVisible(h) && ClassOf(h) == L"#32770" && MessageBoxText(h).find(gWantedPart) != std::wstring::npos)
                return true;
        return false;
    };
    if (WaitFor(timeoutMs, wanted, L"")) return 0;
    HWND other = FindMessageBox();
    Err("no message box saying \"" + Utf8(part) + "\" within " + std::to_string(timeoutMs) + " ms" +
        (other ? "; on screen: \"" + Utf8(Escape(MessageBoxText(other))) + "\"" : std::string()));
    return 1;
}

// Presses <button> of the message box whose text contains <part>; any other
// box is left alone. Prints the text of the box that was answered.
int CmdMsgboxAnswer(const std::wstring& part, const std::wstring& which, int timeoutMs) {
    if (CmdWaitMsgbox(part, timeoutMs) != 0) return 1;
    for (HWND box : TopWindows()) {
        if (!IsWindowVisible(box) || ClassOf(box) != L"#32770" ||
            MessageBoxText(box).find(part) == std::wstring::npos)
            continue;
        HWND button = PressableButton(box, which);
        if (!button) break;
        Out(L"text\t" + Escape(MessageBoxText(box)) + L"\n");
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return 0;
    }
    Err("message box has no button " + Utf8(which));
    return 1;
}

int CmdMsgboxPress(const std::wstring& which, int timeoutMs) {
    if (!WaitFor(timeoutMs, [](const std::wstring&) { return FindMessageBox() != nullptr; }, L"")) {
        Err("no message box within " + std::to_string(timeoutMs) + " ms");
        return 1;
    }
    HWND box = FindMessageBox();
    if (HWND h = PressableButton(box, which)) {
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), BN_CLICKED), reinterpret_cast<LPARAM>(h));
        return 0;
    }
    Err("message box has no button " + Utf8(which));
    return 1;
}

// A progress bar's position, any other control's text.
std::wstring ValueOf(HWND ctl) {
    if (_wcsicmp(ClassOf(ctl).c_str(), PROGRESS_CLASSW) == 0) {
        DWORD_PTR pos = 0;
        if (!SendTimeout(ctl, PBM_GETPOS, 0, 0, &pos)) return L"<no answer>";
        return Num(static_cast<long long>(pos));
    }
    return Escape(TextOf(ctl));
}

int CmdValue(const std::wstring& cls, int id) {
    HWND ctl = FindControl(cls, id);
    if (!ctl) return 1;
    Out(ValueOf(ctl) + L"\n");
    return 0;
}

// <count> samples, <interval> ms apart, of the values of the controls: one
// line each, the milliseconds since the start and then one value per id.
// Stops early when the window is gone.
int CmdSample(const std::wstring& cls, int count, int intervalMs, const std::vector<int>& ids) {
    DWORD start = GetTickCount();
    for (int i = 0; i < count; ++i) {
        HWND form = FindTop(cls);
        if (!form) return i > 0 ? 0 : 1;
        std::wstring line = Num(static_cast<long long>(GetTickCount() - start));
        for (int id : ids) {
            HWND ctl = ChildById(form, id);
            line += L"\t" + (ctl ? ValueOf(ctl) : std::wstring(L"<none>"));
        }
        Out(line + L"\n");
        if (i + 1 < count) Sleep(static_cast<DWORD>(intervalMs));
    }
    return 0;
}

struct TextWait {
    std::wstring cls;
    int id;
    std::wstring part;
} gTextWait;

int CmdWaitText(const std::wstring& cls, int id, const std::wstring& part, int timeoutMs) {
    gTextWait = {cls, id, part};
    auto matches = [](const std::wstring&) {
        HWND form = FindTop(gTextWait.cls);
        HWND ctl = form ? ChildById(form, gTextWait.id) : nullptr;
        return ctl && ValueOf(ctl).find(gTextWait.part) != std::wstring::npos;
    };
    if (WaitFor(timeoutMs, matches, L"")) return 0;
    HWND ctl = FindTop(cls) ? ChildById(FindTop(cls), id) : nullptr;
    Err("control " + std::to_string(id) + " of " + Utf8(cls) + " did not show \"" + Utf8(part) + "\" within " +
        std::to_string(timeoutMs) + " ms" + (ctl ? "; it shows \"" + Utf8(ValueOf(ctl)) + "\"" : std::string()));
    return 1;
}

// Posts WM_CLOSE to the visible top-level window of the class.
int CmdClose(const std::wstring& cls) {
    HWND h = FindVisibleTop(cls);
    if (!h) {
        Err("no visible window " + Utf8(cls));
        return 1;
    }
    return PostMessageW(h, WM_CLOSE, 0, 0) ? 0 : 1;
}

// The shell's folder browser: a dialog with a tree of folders.
HWND FindFolderBrowser() {
    for (HWND h : TopWindows()) {
        if (!IsWindowVisible(h) || ClassOf(h) != L"#32770") continue;
        for (HWND c : Children(h))
            if (_wcsicmp(ClassOf(c).c_str(), WC_TREEVIEWW) == 0) return h;
    }
    return nullptr;
}

// Selects <path> in the folder browser and confirms it with OK. The path
// travels in memory of the browser's own process, since the browser reads it
// from there. Prints the texts the browser shows above its tree.
int CmdBrowseChoose(const std::wstring& path, int timeoutMs) {
    if (!WaitFor(timeoutMs, [](const std::wstring&) { return FindFolderBrowser() != nullptr; }, L"")) {
        Err("no folder browser within " + std::to_string(timeoutMs) + " ms");
        return 1;
    }
    HWND box = FindFolderBrowser();
    for (HWND c : Children(box)) {
        if (_wcsicmp(ClassOf(c).c_str(), L"Static") != 0 || !IsWindowVisible(c)) continue;
        std::wstring t = TextOf(c);
        if (!t.empty()) Out(L"text\t" + Escape(t) + L"\n");
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(box, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) {
        Err("cannot open the browser's process");
        return 1;
    }
    const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    bool ok = remote && WriteProcessMemory(process, remote, path.c_str(), bytes, nullptr) &&
              SendTimeout(box, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote), nullptr);
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!ok) {
        Err("cannot select the folder in the browser");
        return 1;
    }
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) ? 0 : 1;
}

bool MutexExists(const std::wstring& name) {
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (!h) return false;
    CloseHandle(h);
    return true;
}

int CmdHoldMutex(const std::wstring& name, int ms) {
    HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
    if (!h) return 1;
    Out("held\n");
    Sleep(static_cast<DWORD>(ms));
    ReleaseMutex(h);
    CloseHandle(h);
    return 0;
}

// Classes of the windows that showed while watching (CmdWatch).
std::vector<std::wstring> gSeen;

void NoteWindow(HWND h) {
    std::wstring c = ClassOf(h);
    if (c.compare(0, 4, L"Tfrm") != 0 && c != L"#32770") return;
    for (const auto& s : gSeen)
        if (s == c) return;
    gSeen.push_back(c);
    Out(L"window\t" + c + L"\n");
}

// Out-of-context show events arrive as messages to this thread; a window
// that shows only for a moment is caught here even when polling misses it
// (if it still exists when the event is read).
void CALLBACK OnShow(HWINEVENTHOOK, DWORD event, HWND h, LONG object, LONG, DWORD, DWORD) {
    // A window created hidden (and never shown) did not appear.
    if (event == EVENT_OBJECT_CREATE && !IsWindowVisible(h)) return;
    if (object == OBJID_WINDOW && h && GetParent(h) == nullptr) NoteWindow(h);
}

// Watches for <ms>: prints "watching" at once, then, as they happen, "mutex
// <name>" when the mutex is seen and "window <class>" for each top-level
// window class starting with "Tfrm" or "#32770" that is created or shown. For checks that
// something never happened, and for windows that show only briefly.
int CmdWatch(int ms, const std::wstring& mutexName) {
    bool mutexSeen = false;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, OnShow, 0, 0,
                                         WINEVENT_OUTOFCONTEXT);
    Out("watching\n");  // the caller waits for this line before it acts
    DWORD start = GetTickCount();
    while (static_cast<int>(GetTickCount() - start) < ms) {
        if (!mutexSeen && MutexExists(mutexName)) {
            mutexSeen = true;
            Out(L"mutex\t" + mutexName + L"\n");
        }
        for (HWND h : TopWindows())
            if (IsWindowVisible(h)) NoteWindow(h);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    if (hook) UnhookWinEvent(hook);
    return 0;
}

// Top-level visible windows: class <TAB> caption <TAB> outer rect.
int CmdList() {
    for (HWND h : TopWindows()) {
        if (!IsWindowVisible(h)) continue;
        RECT r;
        GetWindowRect(h, &r);
        Out(ClassOf(h) + L"\t" + Escape(TextOf(h)) + L"\t" + RectText(r) + L"\n");
    }
    return 0;
}

HKEY RootKey(const std::wstring& name) {
    if (_wcsicmp(name.c_str(), L"HKCU") == 0) return HKEY_CURRENT_USER;
    if (_wcsicmp(name.c_str(), L"HKLM") == 0) return HKEY_LOCAL_MACHINE;
    return nullptr;
}

int CmdRegSet(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value) {
    HKEY key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    LONG rc = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

int CmdRegSetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    HKEY key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    LONG rc = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

int CmdRegDeleteTree(HKEY root, const std::wstring& path) {
    LONG rc = RegDeleteTreeW(root, path.c_str());
    if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(root, path.c_str());
    return (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) ? 0 : 1;
}

// key <TAB> path / value <TAB> path <TAB> name <TAB> type <TAB> data, recursively.
void DumpKey(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    Out(L"key\t" + path + L"\n");
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD nameLen = 512, type = 0, dataLen = 0;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, nullptr, &dataLen) != ERROR_SUCCESS) break;
        std::vector<BYTE> data(dataLen + 4, 0);
        nameLen = 512;
        RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data.data(), &dataLen);
        std::wstring shown;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            shown = L"sz\t" + Escape(reinterpret_cast<const wchar_t*>(data.data()));
        } else if (type == REG_DWORD) {
            shown = L"dword\t" + Num(*reinterpret_cast<const DWORD*>(data.data()));
        } else {
            shown = L"type" + Num(type) + L"\t" + Num(dataLen) + L" bytes";
        }
        Out(L"value\t" + path + L"\t" + name + L"\t" + shown + L"\n");
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD nameLen = 512;
        if (RegEnumKeyExW(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    RegCloseKey(key);
    for (const auto& s : subkeys) DumpKey(root, path + L"\\" + s);
}

int CmdRegDump(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Err("no key " + Utf8(path));
        return 1;
    }
    RegCloseKey(key);
    DumpKey(root, path);
    return 0;
}

// Drive type and volume label of a root such as Q:\ (checks the prefix).
int CmdVolume(const std::wstring& root) {
    wchar_t label[MAX_PATH + 1] = {}, fs[MAX_PATH + 1] = {};
    UINT type = GetDriveTypeW(root.c_str());
    BOOL ok = GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, fs, MAX_PATH + 1);
    Out(L"type\t" + Num(type) + L"\nlabel\t" + (ok ? std::wstring(label) : L"<none>") + L"\n");
    return ok ? 0 : 1;
}

void Usage() {
    Err("usage: tazuauto <command> ...\n"
        "  wait-window <class> [timeout-ms]     a visible top-level window of the class\n"
        "  wait-gone <class> [timeout-ms]\n"
        "  dump <class>                          caption, rects, children, combo items\n"
        "  click <class> <id>                    posts BM_CLICK\n"
        "  command <class> <id>                  posts WM_COMMAND/BN_CLICKED to the parent\n"
        "  set-text <class> <id> <utf8>\n"
        "  select <class> <id> <index>           combo box selection\n"
        "  select-item <class> <id> <text>       selects the list view item of that text\n"
        "  msgbox [timeout-ms]                   caption, text and buttons of a message box\n"
        "  msgbox-press <button-text-or-id> [timeout-ms]\n"
        "  wait-msgbox <text-part> [timeout-ms]  a message box whose text holds the part\n"
        "  msgbox-answer <text-part> <button-text-or-id> [timeout-ms]\n"
        "                                        presses only on the box whose text holds the part\n"
        "  value <class> <id>                    progress bar position, or the control's text\n"
        "  sample <class> <count> <ms> <id>...   values of controls, <count> times <ms> apart\n"
        "  wait-text <class> <id> <part> [timeout-ms]\n"
        "  close <class>                         posts WM_CLOSE to the window\n"
        "  browse-choose <path> [timeout-ms]     picks the folder in the folder browser, OK\n"
        "  mutex-exists <name>                   status 0 when it exists\n"
        "  hold-mutex <name> <ms>\n"
        "  watch <ms> <mutex>                    what appeared while watching\n"
        "  list                                  visible top-level windows\n"
        "  reg-set HKCU <path> <name> <value>\n"
        "  reg-set-dword HKCU <path> <name> <number>\n"
        "  reg-delete-tree HKCU <path>\n"
        "  reg-dump HKCU <path>\n"
        "  volume <root>                         drive type and label");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> a(argv + 1, argv + argc);
    auto arg = [&](size_t i) { return i < a.size() ? a[i] : std::wstring(); };
    if (a.empty()) {
        Usage();
        return 2;
    }
    const std::wstring& cmd = a[0];
    size_t n = a.size() - 1;
    if (cmd == L"wait-window" && n >= 1) return CmdWaitWindow(a[1], ToInt(arg(2), 10000));
    if (cmd == L"wait-gone" && n >= 1) return CmdWaitGone(a[1], ToInt(arg(2), 10000));
    if (cmd == L"dump" && n == 1) return CmdDump(a[1]);
    if (cmd == L"click" && n == 2) return CmdClick(a[1], ToInt(a[2], -1));
    if (cmd == L"command" && n == 2) return CmdCommand(a[1], ToInt(a[2], -1));
    if (cmd == L"set-text" && n == 3) return CmdSetText(a[1], ToInt(a[2], -1), a[3]);
    if (cmd == L"select" && n == 3) return CmdSelect(a[1], ToInt(a[2], -1), ToInt(a[3], 0));
    if (cmd == L"select-item" && n == 3) return CmdSelectItem(a[1], ToInt(a[2], -1), a[3]);
    if (cmd == L"msgbox") return CmdMsgbox(ToInt(arg(1), 10000));
    if (cmd == L"msgbox-press" && n >= 1) return CmdMsgboxPress(a[1], ToInt(arg(2), 10000));
    if (cmd == L"wait-msgbox" && n >= 1) return CmdWaitMsgbox(a[1], ToInt(arg(2), 10000));
    if (cmd == L"msgbox-answer" && n >= 2) return CmdMsgboxAnswer(a[1], a[2], ToInt(arg(3), 10000));
    if (cmd == L"value" && n == 2) return CmdValue(a[1], ToInt(a[2], -1));
    if (cmd == L"sample" && n >= 4) {
        std::vector<int> ids;
        for (size_t i = 4; i < a.size(); ++i) ids.push_back(ToInt(a[i], -1));
        return CmdSample(a[1], ToInt(a[2], 1), ToInt(a[3], 100), ids);
    }
    if (cmd == L"wait-text" && n >= 3) return CmdWaitText(a[1], ToInt(a[2], -1), a[3], ToInt(arg(4), 10000));
    if (cmd == L"close" && n == 1) return CmdClose(a[1]);
    if (cmd == L"browse-choose" && n >= 1) return CmdBrowseChoose(a[1], ToInt(arg(2), 10000));
    if (cmd == L"mutex-exists" && n == 1) {
        bool exists = MutexExists(a[1]);
        Out(exists ? "yes\n" : "no\n");
        return exists ? 0 : 1;
    }
    if (cmd == L"hold-mutex" && n == 2) return CmdHoldMutex(a[1], ToInt(a[2], 1000));
    if (cmd == L"watch" && n == 2) return CmdWatch(ToInt(a[1], 1000), a[2]);
    if (cmd == L"list") return CmdList();
    if (cmd == L"volume" && n == 1) return CmdVolume(a[1]);
    if (cmd.compare(0, 4, L"reg-") == 0 && n >= 2) {
        HKEY root = RootKey(a[1]);
        if (!root) {
            Usage();
            return 2;
        }
        if (cmd == L"reg-set" && n == 4) return CmdRegSet(root, a[2], a[3], a[4]);
        if (cmd == L"reg-set-dword" && n == 4) return CmdRegSetDword(root, a[2], a[3], static_cast<DWORD>(ToInt(a[4], 0)));
        if (cmd == L"reg-delete-tree" && n == 2) return CmdRegDeleteTree(root, a[2]);
        if (cmd == L"reg-dump" && n == 2) return CmdRegDump(root, a[2]);
    }
    Usage();
    return 2;
}
