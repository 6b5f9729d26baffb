// copyw_timer: the Windows side of bench/copy_bench.sh. A Win32 console
// program run under Wine; prints UTF-8 lines of tab-separated fields.
//
//   copy <list> <dest-root> [unix-pid...]
//       CopyFileW of every "<source> TAB <relative destination>" line of the
//       UTF-8 list file into <dest-root>, timed with QueryPerformanceCounter.
//   chunked <chunk> <offset> <list> <dest-root> [unix-pid...]
//       The same files copied by a plain ReadFile/WriteFile loop of <chunk>
//       bytes, the buffer <offset> bytes past a page boundary: what the copy
//       costs without any window work.
//   watch-install <timeout-ms> [unix-pid...]
//       Waits for the create-folder question after the install click and
//       answers Yes, then waits for the copy form to show, to go, and for the
//       next message box (the completion question); prints the times from
//       the Yes to the question, of the copy form, from its end to the
//       question, and from the Yes to the copy form.
//   probe <bmp-prefix> <cancels> <timeout-ms>
//       During a copy: two screen grabs of the copy form with the position of
//       pgbAll read between them, then <cancels> clicks on Cancel, each timed
//       to the appearance of the question; all but the last are answered No,
//       the last Yes. Stops early (status 1) when the copy is nearly done.
//   pos <class> <id>
//       PBM_GETPOS of a progress bar.
//   watch-uninstall <timeout-ms> [unix-pid...]
//       Answers the uninstall's two questions Yes and times the deletion from
//       the second Yes to the completion notice.
//   delete <list> <root> [unix-pid...]
//       DeleteFileW of every file of the UTF-8 list of Windows paths, then
//       RemoveDirectoryW of its folders (lines ending in a backslash) and of
//       <root>, timed.
//   start <timeout-ms> <exe> <folder> [window-class]
//       Starts a program and times it to its window (a plain program) or to
//       the utility's menu, the CD-ROM drive dialog answered at once.
//
// The unix pids (the utility, the wineserver, Xvfb) are read from
// Z:\proc\<pid>\stat at both ends of a measurement, so the report can say
// which process spent the CPU time.
//
// Messages to the utility's windows are posted, or sent with a time-out only.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 1000;
constexpr int kCopyFormCancelId = 107;
constexpr int kCopyFormPgbAllId = 106;
constexpr const wchar_t* kCopyFormClass = L"TfrmCopyFile";
constexpr int kMenuExitId = 109;

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring Wide(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

// Raw UTF-8 through WriteFile: Wine passes the bytes on untouched.
void Out(const std::string& s) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}
void Err(const std::string& s) {
    DWORD written = 0;
    std::string line = "copyw_timer: " + s + "\n";
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string Fixed(double v, int decimals = 4) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// ---- CPU time of unix processes ----------------------------------------------

struct CpuSample {
    long pid = 0;
    long long ticks[2] = {-1, -1};  // user, system, in clock ticks
};

// Fields 14 and 15 of /proc/<pid>/stat, read through drive Z:.
CpuSample ReadCpu(long pid) {
    CpuSample s;
    s.pid = pid;
    std::wstring path = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat";
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return s;
    char buf[2048];
    DWORD got = 0;
    BOOL ok = ReadFile(h, buf, sizeof buf - 1, &got, nullptr);
    CloseHandle(h);
    if (!ok) return s;
    buf[got] = 0;
    const char* p = std::strrchr(buf, ')');
    if (!p) return s;
    // After ")": state(3) ppid(4) ... utime(14) stime(15).
    int field = 2;
    for (++p; *p && field < 15;) {
        while (*p == ' ') ++p;
        ++field;
        if (field == 14) s.ticks[0] = std::atoll(p);
        if (field == 15) s.ticks[1] = std::atoll(p);
        while (*p && *p != ' ') ++p;
    }
    return s;
}

std::vector<CpuSample> ReadCpus(const std::vector<long>& pids) {
    std::vector<CpuSample> r;
    for (long pid : pids) r.push_back(ReadCpu(pid));
    return r;
}

// cpu <TAB> pid <TAB> user seconds <TAB> system seconds (100 ticks a second).
void PrintCpuDelta(const std::vector<CpuSample>& before, const std::vector<CpuSample>& after) {
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i].ticks[0] < 0 || after[i].ticks[0] < 0) {
            Out("cpu\t" + std::to_string(before[i].pid) + "\t?\t?\n");
            continue;
        }
        Out("cpu\t" + std::to_string(before[i].pid) + "\t" +
            Fixed((after[i].ticks[0] - before[i].ticks[0]) / 100.0, 2) + "\t" +
            Fixed((after[i].ticks[1] - before[i].ticks[1]) / 100.0, 2) + "\n");
    }
}

std::vector<long> Pids(int argc, wchar_t** argv, int first) {
    std::vector<long> pids;
    for (int i = first; i < argc; ++i) pids.push_back(std::wcstol(argv[i], nullptr, 10));
    return pids;
}

// ---- windows -----------------------------------------------------------------

bool SendTimeout(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &r)) return false;
    if (result) *result = r;
    return true;
}

HWND VisibleTop(const wchar_t* cls) {
    HWND h = FindWindowW(cls, nullptr);
    return (h && IsWindowVisible(h)) ? h : nullptr;
}

BOOL CALLBACK CollectWindow(HWND h, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
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

std::wstring TextOf(HWND hwnd) {
    wchar_t buf[1024] = {};
    DWORD_PTR got = 0;
    if (!SendTimeout(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), &got)) return L"<no answer>";
    return std::wstring(buf, got);
}

// The message text of a message box, line breaks as spaces.
std::string BoxText(HWND box) {
    std::wstring all;
    for (HWND h : Children(box)) {
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        if (_wcsicmp(cls, L"Static") != 0 || (GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
        std::wstring t = TextOf(h);
        if (!t.empty()) all += t;
    }
    for (wchar_t& c : all)
        if (c == L'\n' || c == L'\r' || c == L'\t') c = L' ';
    return Utf8(all);
}

// pgbAll's position, or -1.
int PgbAll(HWND form) {
    HWND bar = form ? ChildById(form, kCopyFormPgbAllId) : nullptr;
    DWORD_PTR pos = 0;
    if (!bar || !SendTimeout(bar, PBM_GETPOS, 0, 0, &pos)) return -1;
    return static_cast<int>(pos);
}

// Waits, polling every `pollMs`, until `done` is true; false after `timeoutMs`.
template <typename F>
bool WaitUntil(int timeoutMs, DWORD pollMs, F done) {
    const double end = Now() + timeoutMs / 1000.0;
    for (;;) {
        if (done()) return true;
        if (Now() >= end) return false;
        Sleep(pollMs);
    }
}

// A 24-bit BMP of the window's screen area (the X server's picture of it).
bool GrabWindow(HWND hwnd, const std::wstring& path) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
    SelectObject(mem, old);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) / 4) * 4;
    std::vector<char> pixels(stride * static_cast<DWORD>(h));
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(out, &file, sizeof file, &written, nullptr) && WriteFile(out, &info, sizeof info, &written, nullptr) &&
              WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(out);
    return ok;
}

// ---- commands ----------------------------------------------------------------

// One file the way a chunked copy loop does it: ReadFile/WriteFile of
// `chunk` bytes from `buffer`, then the source's times on the copy.
bool ChunkedCopy(const std::wstring& source, const std::wstring& destination, char* buffer, DWORD chunk) {
    HANDLE in = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    HANDLE out = CreateFileW(destination.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return false;
    }
    bool ok = true;
    for (;;) {
        DWORD got = 0, written = 0;
        if (!ReadFile(in, buffer, chunk, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!WriteFile(out, buffer, got, &written, nullptr) || written != got) {
            ok = false;
            break;
        }
    }
    FILETIME c, a, w;
    if (GetFileTime(in, &c, &a, &w)) SetFileTime(out, &c, &a, &w);
    CloseHandle(out);
    CloseHandle(in);
    return ok;
}

// The whole list file; false (with a message) when it cannot be opened.
bool ReadList(const std::wstring& listPath, std::string& text) {
    HANDLE h = CreateFileW(listPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Err("cannot open the list " + Utf8(listPath));
        return false;
    }
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
    CloseHandle(h);
    return true;
}

// chunk 0: CopyFileW; otherwise ChunkedCopy with a buffer starting
// `offset` bytes after a page boundary.
int CmdCopy(const std::wstring& listPath, const std::wstring& destRoot, const std::vector<long>& pids, DWORD chunk = 0,
            DWORD offset = 0) {
    std::string text;
    if (!ReadList(listPath, text)) return 1;

    struct Job {
        std::wstring source, destination;
    };
    std::vector<Job> jobs;
    std::vector<std::wstring> folders;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        Job job{Wide(line.substr(0, tab)), destRoot + L"\\" + Wide(line.substr(tab + 1))};
        const size_t slash = job.destination.rfind(L'\\');
        const std::wstring folder = job.destination.substr(0, slash);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
        jobs.push_back(job);
    }
    if (!CreateDirectoryW(destRoot.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        Err("cannot create " + Utf8(destRoot));
        return 1;
    }

    std::vector<char> storage(chunk ? chunk + offset + 4096 : 0);
    char* buffer = nullptr;
    if (chunk) {
        const auto base = reinterpret_cast<UINT_PTR>(storage.data());
        buffer = storage.data() + ((4096 - base % 4096) % 4096) + offset;
        std::fill(storage.begin(), storage.end(), '\0');
    }
    const auto before = ReadCpus(pids);
    FILETIME c0, e0, k0, u0;
    GetProcessTimes(GetCurrentProcess(), &c0, &e0, &k0, &u0);
    const double start = Now();
    for (const std::wstring& folder : folders) CreateDirectoryW(folder.c_str(), nullptr);
    for (const Job& job : jobs) {
        const bool ok = chunk ? ChunkedCopy(job.source, job.destination, buffer, chunk)
                              : CopyFileW(job.source.c_str(), job.destination.c_str(), FALSE) != 0;
        if (!ok) {
            Err("copy failed (" + std::to_string(GetLastError()) + "): " + Utf8(job.source));
            return 1;
        }
    }
    const double seconds = Now() - start;
    FILETIME c1, e1, k1, u1;
    GetProcessTimes(GetCurrentProcess(), &c1, &e1, &k1, &u1);
    const auto after = ReadCpus(pids);
    auto span = [](const FILETIME& a, const FILETIME& b) {
        ULARGE_INTEGER x, y;
        x.LowPart = a.dwLowDateTime, x.HighPart = a.dwHighDateTime;
        y.LowPart = b.dwLowDateTime, y.HighPart = b.dwHighDateTime;
        return static_cast<double>(y.QuadPart - x.QuadPart) / 1e7;
    };
    Out(std::string(chunk ? "chunked" : "copyw") + "\t" + Fixed(seconds) + "\t" + std::to_string(jobs.size()) + "\n");
    Out("self\t" + Fixed(span(u0, u1), 2) + "\t" + Fixed(span(k0, k1), 2) + "\n");
    PrintCpuDelta(before, after);
    return 0;
}

// The clock runs from the click on Yes in the create-folder question to the
// completion question: what the user waits for. The watcher presses Yes
// itself, so the start is exact; afterwards it looks every 10 ms, few enough
// round trips to the wineserver not to slow the utility it watches.
int CmdWatchInstall(int timeoutMs, const std::vector<long>& pids) {
    Out("watching\n");  // the caller clicks the install button only after this line
    HWND question = nullptr;
    if (!WaitUntil(timeoutMs, 5, [&] { return (question = VisibleTop(L"#32770")) != nullptr; })) {
        Err("no question after the install click");
        return 1;
    }
    const std::string text = BoxText(question);
    if (text.find("\xe4\xbd\x9c\xe6\x88\x90\xe3\x81\x97\xe3\x81\xbe\xe3\x81\x99\xe3\x81\x8b") == std::string::npos) {  // "作成しますか"
        Err("not the create-folder question: " + text);
        return 1;
    }
    const auto before = ReadCpus(pids);
    const double yes = Now();
    PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(question, IDYES)));
    HWND form = nullptr;
    if (!WaitUntil(timeoutMs, 10, [&] { return (form = VisibleTop(kCopyFormClass)) != nullptr; })) {
        Err("the copy form did not show");
        return 1;
    }
    const double shown = Now();
    Out("form\n");
    if (!WaitUntil(timeoutMs, 10, [&] { return !IsWindow(form) || !IsWindowVisible(form); })) {
        Err("the copy form did not end");
        return 1;
    }
    const double gone = Now();
    HWND box = nullptr;
    if (!WaitUntil(timeoutMs, 5, [&] { return (box = VisibleTop(L"#32770")) != nullptr; })) {
        Err("no message box after the copy form");
        return 1;
    }
    const double asked = Now();
    const auto after = ReadCpus(pids);
    Out("install\t" + Fixed(asked - yes) + "\tcopyform\t" + Fixed(gone - shown) + "\tfinish\t" + Fixed(asked - gone) +
        "\tstart\t" + Fixed(shown - yes) + "\n");
    PrintCpuDelta(before, after);
    Out("box\t" + BoxText(box) + "\n");
    return 0;
}

int CmdProbe(const std::wstring& bmpPrefix, int cancels, int timeoutMs) {
    HWND form = nullptr;
    if (!WaitUntil(timeoutMs, 1, [&] { return (form = VisibleTop(kCopyFormClass)) != nullptr; })) {
        Err("the copy form did not show");
        return 1;
    }
    HWND cancel = ChildById(form, kCopyFormCancelId);
    if (!cancel) {
        Err("no Cancel button");
        return 1;
    }
    // Two grabs with the bar's position read between them.
    int p0 = -1;
    WaitUntil(timeoutMs, 10, [&] { return (p0 = PgbAll(form)) >= 5; });
    const double t0 = Now();
    GrabWindow(form, bmpPrefix + L"-1.bmp");
    Sleep(150);
    const int p1 = PgbAll(form);
    const double t1 = Now();
    GrabWindow(form, bmpPrefix + L"-2.bmp");
    Out("pos\t" + Fixed(0, 3) + "\t" + std::to_string(p0) + "\n");
    Out("pos\t" + Fixed(t1 - t0, 3) + "\t" + std::to_string(p1) + "\n");

    for (int i = 1; i <= cancels; ++i) {
        const int before = PgbAll(form);
        if (!IsWindow(form) || before < 0 || before >= 95) {
            // Too close to the end: the next box could be the completion question.
            Err("the copy was nearly done before Cancel " + std::to_string(i));
            return 1;
        }
        const double clicked = Now();
        PostMessageW(cancel, BM_CLICK, 0, 0);
        HWND box = nullptr;
        if (!WaitUntil(10000, 1, [&] { return (box = VisibleTop(L"#32770")) != nullptr; })) {
            Err("no question after Cancel " + std::to_string(i));
            return 1;
        }
        const double shown = Now();
        const std::string text = BoxText(box);
        if (text.find("\xe4\xb8\xad\xe6\xad\xa2") == std::string::npos) {  // "中止" (UTF-8)
            Err("not the cancel question: " + text);
            return 1;
        }
        Out("cancel\t" + std::to_string(i) + "\t" + Fixed((shown - clicked) * 1000.0, 1) + "\tms\tpgbAll\t" +
            std::to_string(before) + "\t" + text + "\n");
        // The copy waits while the question is open: answer it.
        const int answer = i < cancels ? IDNO : IDYES;
        HWND button = GetDlgItem(box, answer);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        WaitUntil(10000, 1, [&] { return !IsWindow(box) || !IsWindowVisible(box); });
        if (i < cancels) Sleep(20);  // let the copy go on for a while
    }
    return 0;
}

// A visible message box whose text holds `part` (UTF-8), or null.
HWND BoxWith(const std::string& part) {
    HWND box = VisibleTop(L"#32770");
    return box && BoxText(box).find(part) != std::string::npos ? box : nullptr;
}

void Press(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

// The uninstall's two questions answered Yes (save data deleted too, so
// everything goes, as with rm -r); the clock runs from the second Yes to
// the completion notice. The pass does not process messages, so the
// watcher only looks for a top-level window meanwhile, every 5 ms.
int CmdWatchUninstall(int timeoutMs, const std::vector<long>& pids) {
    Out("watching\n");
    HWND box = nullptr;
    const std::string start = "\xe5\x89\x8a\xe9\x99\xa4\xe3\x82\x92\xe9\x96\x8b\xe5\xa7\x8b";  // "削除を開始"
    const std::string saveData = "\xe3\x82\xbb\xe3\x83\xbc\xe3\x83\x96\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf";  // "セーブデータ"
    const std::string done = "\xe5\xae\x8c\xe4\xba\x86";  // "完了"
    if (!WaitUntil(timeoutMs, 5, [&] { return (box = BoxWith(start)) != nullptr; })) {
        Err("no uninstall question");
        return 1;
    }
    Press(box, IDYES);
    if (!WaitUntil(timeoutMs, 5, [&] { return (box = BoxWith(saveData)) != nullptr; })) {
        Err("no save data question");
        return 1;
    }
    const auto before = ReadCpus(pids);
    const double yes = Now();
    Press(box, IDYES);
    if (!WaitUntil(timeoutMs, 5, [&] {
            HWND top = VisibleTop(L"#32770");
            return top && top != box && (box = BoxWith(done)) != nullptr;
        })) {
        Err("no completion notice after the uninstall");
        return 1;
    }
    const double finished = Now();
    const auto after = ReadCpus(pids);
    Out("uninstall\t" + Fixed(finished - yes) + "\n");
    PrintCpuDelta(before, after);
    Out("box\t" + BoxText(box) + "\n");
    return 0;
}

// DeleteFileW of every file of the UTF-8 list of Windows paths, then
// RemoveDirectoryW of its folders (lines ending in a backslash), deepest
// first, and of <root>.
int CmdDelete(const std::wstring& listPath, const std::wstring& root, const std::vector<long>& pids) {
    std::string text;
    if (!ReadList(listPath, text)) return 1;
    std::vector<std::wstring> files, folders;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.back() == '\\') {
            line.pop_back();
            folders.push_back(Wide(line));
        } else {
            files.push_back(Wide(line));
        }
    }
    std::sort(folders.begin(), folders.end(), [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    folders.push_back(root);

    const auto before = ReadCpus(pids);
    const double start = Now();
    size_t failed = 0;
    for (const std::wstring& f : files)
        if (!DeleteFileW(f.c_str())) ++failed;
    for (const std::wstring& d : folders)
        if (!RemoveDirectoryW(d.c_str())) ++failed;
    const double seconds = Now() - start;
    const auto after = ReadCpus(pids);
    if (failed) {
        Err(std::to_string(failed) + " of the deletions failed");
        return 1;
    }
    Out("delete\t" + Fixed(seconds) + "\t" + std::to_string(files.size()) + "\n");
    PrintCpuDelta(before, after);
    return 0;
}

// Starts <exe> in <folder>; the clock runs from CreateProcess. With the
// class of a plain window: the time until it is visible, then the window is
// closed. Without: the utility, whose CD-ROM drive dialog is answered with
// drive Q: at once, and the time until its menu is visible, less the time
// from the dialog's appearance to the OK click; then its exit button. Either
// way the program has ended when this returns.
int CmdStart(int timeoutMs, const std::wstring& exe, const std::wstring& folder, const std::wstring& windowClass) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring command = L"\"" + exe + L"\"";
    const double start = Now();
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        Err("cannot start " + Utf8(exe) + " (" + std::to_string(GetLastError()) + ")");
        return 1;
    }
    CloseHandle(pi.hThread);
    HWND window = nullptr;
    auto stop = [&](int code) {
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        return code;
    };
    if (!windowClass.empty()) {
        if (!WaitUntil(timeoutMs, 2, [&] { return (window = VisibleTop(windowClass.c_str())) != nullptr; })) {
            Err("no window");
            return stop(1);
        }
        Out("window\t" + Fixed(Now() - start) + "\n");
        PostMessageW(window, WM_CLOSE, 0, 0);
        return stop(0);
    }
    if (!WaitUntil(timeoutMs, 2, [&] { return (window = VisibleTop(L"TfrmCdRom")) != nullptr; })) {
        Err("no CD-ROM drive dialog");
        return stop(1);
    }
    const double dialog = Now();
    HWND combo = ChildById(window, 102), ok = ChildById(window, 103);
    DWORD_PTR count = 0;
    int q = -1;
    if (combo && SendTimeout(combo, CB_GETCOUNT, 0, 0, &count))
        for (int i = 0; i < static_cast<int>(count) && q < 0; ++i) {
            wchar_t item[256] = {};
            DWORD_PTR length = 0;
            if (SendTimeout(combo, CB_GETLBTEXTLEN, i, 0, &length) && length < 255 &&
                SendTimeout(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item), nullptr) && item[0] == L'Q' &&
                item[1] == L':')
                q = i;
        }
    if (q < 0 || !ok || !SendTimeout(combo, CB_SETCURSEL, q, 0, nullptr)) {
        Err("drive Q: is not offered");
        TerminateProcess(pi.hProcess, 1);
        return stop(1);
    }
    const double clicked = Now();
    PostMessageW(ok, BM_CLICK, 0, 0);
    HWND menuForm = nullptr;
    if (!WaitUntil(timeoutMs, 2, [&] { return (menuForm = VisibleTop(L"TfrmInstMain")) != nullptr; })) {
        Err("no menu");
        TerminateProcess(pi.hProcess, 1);
        return stop(1);
    }
    const double menu = Now();
    Out("start\t" + Fixed((dialog - start) + (menu - clicked)) + "\tdialog\t" + Fixed(dialog - start) + "\tmenu\t" +
        Fixed(menu - clicked) + "\n");
    if (HWND exitButton = ChildById(menuForm, kMenuExitId)) PostMessageW(exitButton, BM_CLICK, 0, 0);
    return stop(0);
}

int CmdPos(const std::wstring& cls, int id) {
    HWND form = FindWindowW(cls.c_str(), nullptr);
    HWND bar = form ? ChildById(form, id) : nullptr;
    DWORD_PTR pos = 0;
    if (!bar || !SendTimeout(bar, PBM_GETPOS, 0, 0, &pos)) {
        Err("no answer from the progress bar");
        return 1;
    }
    Out(std::to_string(pos) + "\n");
    return 0;
}

void Usage() {
    Err("usage:\n"
        "  copy <list> <dest-root> [unix-pid...]\n"
        "  chunked <chunk> <offset> <list> <dest-root> [unix-pid...]\n"
        "  watch-install <timeout-ms> [unix-pid...]\n"
        "  probe <bmp-prefix> <cancels> <timeout-ms>\n"
        "  pos <class> <id>\n"
        "  watch-uninstall <timeout-ms> [unix-pid...]\n"
        "  delete <list> <root> [unix-pid...]\n"
        "  start <timeout-ms> <exe> <folder> [window-class]");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    if (cmd == L"copy" && argc >= 4) return CmdCopy(argv[2], argv[3], Pids(argc, argv, 4));
    if (cmd == L"chunked" && argc >= 6)
        return CmdCopy(argv[4], argv[5], Pids(argc, argv, 6), static_cast<DWORD>(_wtoi(argv[2])),
                       static_cast<DWORD>(_wtoi(argv[3])));
    if (cmd == L"watch-install" && argc >= 3) return CmdWatchInstall(_wtoi(argv[2]), Pids(argc, argv, 3));
    if (cmd == L"probe" && argc == 5) return CmdProbe(argv[2], _wtoi(argv[3]), _wtoi(argv[4]));
    if (cmd == L"pos" && argc == 4) return CmdPos(argv[2], _wtoi(argv[3]));
    if (cmd == L"watch-uninstall" && argc >= 3) return CmdWatchUninstall(_wtoi(argv[2]), Pids(argc, argv, 3));
    if (cmd == L"delete" && argc >= 4) return CmdDelete(argv[2], argv[3], Pids(argc, argv, 4));
    if (cmd == L"start" && (argc == 5 || argc == 6))
        return CmdStart(_wtoi(argv[2]), argv[3], argv[4], argc == 6 ? argv[5] : L"");
    Usage();
    return 2;
}
