// The shell's folder browser.
#include "platform/shellfolders.h"

#include <shlobj.h>

#include "platform/app.h"
#include "platform/win32/systemdll.h"
#include "platform/win32/wintext.h"

namespace platform {

namespace {
// The shell's functions this unit calls, from shell32 and ole32 loaded on
// first use; a member is nullptr when the system lacks it.
struct Shell {
    HRESULT(WINAPI* getMalloc)(IMalloc**);
    HRESULT(WINAPI* specialFolderLocation)(HWND, int, LPITEMIDLIST*);
    LPITEMIDLIST(WINAPI* browseForFolder)(LPBROWSEINFOW);
    BOOL(WINAPI* pathFromIDList)(LPCITEMIDLIST, LPWSTR);
    HRESULT(WINAPI* knownFolderPath)(const GUID&, DWORD, HANDLE, PWSTR*);
    HRESULT(WINAPI* folderPath)(HWND, int, HANDLE, DWORD, LPWSTR);
    HRESULT(WINAPI* createInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    void(WINAPI* taskMemFree)(LPVOID);
};
const Shell& Functions() {
    using win32::SystemFunction;
    static const Shell shell = {
        SystemFunction<decltype(Shell::getMalloc)>(L"shell32.dll", "SHGetMalloc"),
        SystemFunction<decltype(Shell::specialFolderLocation)>(L"shell32.dll", "SHGetSpecialFolderLocation"),
        SystemFunction<decltype(Shell::browseForFolder)>(L"shell32.dll", "SHBrowseForFolderW"),
        SystemFunction<decltype(Shell::pathFromIDList)>(L"shell32.dll", "SHGetPathFromIDListW"),
        // Older systems and Wine do not answer FOLDERID_UserProgramFiles, or lack the call.
        SystemFunction<decltype(Shell::knownFolderPath)>(L"shell32.dll", "SHGetKnownFolderPath"),
        SystemFunction<decltype(Shell::folderPath)>(L"shell32.dll", "SHGetFolderPathW"),
        SystemFunction<decltype(Shell::createInstance)>(L"ole32.dll", "CoCreateInstance"),
        SystemFunction<decltype(Shell::taskMemFree)>(L"ole32.dll", "CoTaskMemFree"),
    };
    return shell;
}

int Csidl(ShellFolder folder) {
    switch (folder) {
    case ShellFolder::Drives: return CSIDL_DRIVES;
    case ShellFolder::Programs: return CSIDL_PROGRAMS;
    case ShellFolder::LocalAppData: return CSIDL_LOCAL_APPDATA;
    }
    return CSIDL_DESKTOP;
}
}  // namespace

std::optional<std::string> PickFolder(const Form* owner, const std::string& title, ShellFolder rootFolder) {
    const Shell& shell = Functions();
    IMalloc* allocator = nullptr;
    // The browser is a COM dialog.
    if (!win32::EnsureCom() || !shell.getMalloc || !shell.specialFolderLocation || !shell.browseForFolder ||
        !shell.pathFromIDList || FAILED(shell.getMalloc(&allocator)))
        return std::nullopt;
    HWND ownerWindow = win32::WindowOf(owner);
    LPITEMIDLIST root = nullptr;
    shell.specialFolderLocation(ownerWindow, Csidl(rootFolder), &root);

    const std::wstring wtitle = win32::Widen(title);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = ownerWindow;
    info.pidlRoot = root;
    info.pszDisplayName = displayName;
    info.lpszTitle = wtitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;

    app::FlushUpdates();
    std::optional<std::string> result;
    LPITEMIDLIST chosen = shell.browseForFolder(&info);
    if (chosen) {
        wchar_t path[MAX_PATH] = {};
        // A folder whose name the code page lacks is taken by its short name;
        // without one, its '?' makes every check refuse it.
        if (shell.pathFromIDList(chosen, path)) result = win32::NarrowPath(path).value_or(win32::Narrow(path));
        allocator->Free(chosen);
    }
    if (root) allocator->Free(root);
    allocator->Release();
    return result;
}

}  // namespace platform

namespace platform {

std::optional<std::string> SpecialFolderPath(ShellFolder folder) {
    const Shell& shell = Functions();
    // The path as the shell keeps it, asked for directly: several times
    // cheaper than building the folder's item list and reading its path
    // back, which is left for a system without the call (before Windows
    // 2000) or one that does not answer it.
    if (wchar_t path[MAX_PATH] = {}; folder != ShellFolder::Drives && shell.folderPath &&
                                     SUCCEEDED(shell.folderPath(nullptr, Csidl(folder), nullptr, SHGFP_TYPE_CURRENT, path)) &&
                                     path[0])
        return win32::NarrowPath(path);
    IMalloc* allocator = nullptr;
    if (!shell.getMalloc || !shell.specialFolderLocation || !shell.pathFromIDList || FAILED(shell.getMalloc(&allocator)))
        return std::nullopt;
    std::optional<std::string> result;
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(shell.specialFolderLocation(GetDesktopWindow(), Csidl(folder), &list)) && list) {
        wchar_t path[MAX_PATH] = {};
        if (shell.pathFromIDList(list, path) && path[0]) result = win32::NarrowPath(path);
        allocator->Free(list);
    }
    allocator->Release();
    return result;
}

LinkSave SaveShellLink(const std::string& linkPath, const std::string& target, const std::string& iconPath,
                       std::string* error) {
    IShellLinkW* link = nullptr;
    const auto create = Functions().createInstance;
    const HRESULT created = !win32::EnsureCom() ? CO_E_NOTINITIALIZED
                            : create ? create(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                              IID_IShellLinkW, reinterpret_cast<void**>(&link))
                                     : REGDB_E_CLASSNOTREG;
    if (FAILED(created) || !link) {
        if (error) {
            wchar_t* text = nullptr;
            FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(created), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
            *error = text ? win32::Narrow(text) : "CoCreateInstance failed";
            while (!error->empty() && (error->back() == '\n' || error->back() == '\r')) error->pop_back();
            if (text) LocalFree(text);
        }
        return LinkSave::NoLinkObject;
    }
    link->SetPath(win32::Widen(target).c_str());
    link->SetArguments(L"");
    link->SetWorkingDirectory(L"");
    link->SetIconLocation(win32::Widen(iconPath).c_str(), 0);
    LinkSave result = LinkSave::NotSaved;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) && file) {
        if (SUCCEEDED(file->Save(win32::Widen(linkPath).c_str(), FALSE))) result = LinkSave::Saved;
        file->Release();
    }
    link->Release();
    return result;
}

}  // namespace platform

namespace platform {

std::optional<std::string> UserProgramFilesFolder() {
    // FOLDERID_UserProgramFiles: older systems and Wine do not answer it.
    static const GUID kUserProgramFiles = {0x5cd7aee2, 0x2219, 0x4a67, {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}};
    const Shell& shell = Functions();
    if (!shell.knownFolderPath || !shell.taskMemFree) return std::nullopt;
    PWSTR path = nullptr;
    std::optional<std::string> result;
    if (SUCCEEDED(shell.knownFolderPath(kUserProgramFiles, 0, nullptr, &path)) && path && path[0])
        result = win32::NarrowPath(path);
    shell.taskMemFree(path);
    return result;
}

}  // namespace platform
