// Starting programs: the shell's open verb and CreateProcess.
#include "platform/process.h"

#include "platform/win32/systemdll.h"
#include "platform/win32/wintext.h"

#include <shellapi.h>

#include <vector>

namespace platform {

namespace {

class Win32Child : public ChildProcess {
public:
    Win32Child(HANDLE process, HANDLE thread) : process_(process), thread_(thread) {}
    ~Win32Child() override {
        CloseHandle(thread_);
        CloseHandle(process_);
    }
    Win32Child(const Win32Child&) = delete;
    Win32Child& operator=(const Win32Child&) = delete;

    bool Ended() override { return WaitForSingleObject(process_, 0) != WAIT_TIMEOUT; }
    void WaitForEndOrMessage() override {
        // MWMO_INPUTAVAILABLE: messages already queued but not yet taken
        // also wake us, so nothing waits behind a sleeping loop.
        MsgWaitForMultipleObjectsEx(1, &process_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    bool WaitForEnd(int ms) override {
        return WaitForSingleObject(process_, static_cast<DWORD>(ms < 0 ? 0 : ms)) != WAIT_TIMEOUT;
    }
    std::optional<int> ExitCode() override {
        DWORD code = 0;
        // STILL_ACTIVE is also a code a program may end with: only an ended
        // process's code is taken.
        if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_, &code))
            return std::nullopt;
        return static_cast<int>(code);
    }

private:
    HANDLE process_;
    HANDLE thread_;
};

}  // namespace

bool ShellOpen(const std::string& file, const std::string& directory) {
    // The shell may hand the file to an extension: COM first.
    win32::EnsureCom();
    const auto execute = win32::SystemFunction<HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT)>(
        L"shell32.dll", "ShellExecuteW");
    if (!execute) return false;
    const auto result = reinterpret_cast<INT_PTR>(execute(GetDesktopWindow(), L"open", win32::Widen(file).c_str(),
                                                          nullptr, win32::Widen(directory).c_str(), SW_SHOW));
    return result > 32;
}

std::unique_ptr<ChildProcess> StartProcess(const std::string& application, const std::string& commandLine,
                                           const std::string& directory) {
    const std::wstring app = win32::Widen(application);
    const std::wstring folder = win32::Widen(directory);
    // CreateProcessW may write into the command line.
    std::wstring command = win32::Widen(commandLine);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.wShowWindow = SW_SHOWDEFAULT;  // not applied: dwFlags stays 0
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(app.empty() ? nullptr : app.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return nullptr;
    return std::make_unique<Win32Child>(info.hProcess, info.hThread);
}

bool StartHidden(const std::string& application, const std::string& commandLine, const std::string& directory) {
    const std::wstring app = win32::Widen(application);
    const std::wstring folder = win32::Widen(directory);
    std::wstring command = win32::Widen(commandLine);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    // CREATE_NO_WINDOW: a console program started from a GUI program would
    // otherwise get a console window of its own.
    if (!CreateProcessW(app.empty() ? nullptr : app.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool IsWin9xFamily() {
    // Every Windows this program can run on today is of the NT family; the
    // version record still tells, as it did on the older systems.
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&version);
#pragma GCC diagnostic pop
    return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace platform
