// The shell's folder browser.
#include "platform/shellfolders.h"

#include <shlobj.h>

#include "platform/app.h"
#include "platform/win32/wintext.h"

namespace platform {

namespace {
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
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator))) return std::nullopt;
    HWND ownerWindow = win32::WindowOf(owner);
    LPITEMIDLIST root = nullptr;
    SHGetSpecialFolderLocation(ownerWindow, Csidl(rootFolder), &root);

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
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
    if (chosen) {
        wchar_t path[MAX_PATH] = {};
        // A folder whose name the code page lacks is taken by its short name;
        // without one, its '?' makes every check refuse it.
        if (SHGetPathFromIDListW(chosen, path)) result = win32::NarrowPath(path).value_or(win32::Narrow(path));
        allocator->Free(chosen);
    }
    if (root) allocator->Free(root);
    allocator->Release();
    return result;
}

}  // namespace platform

namespace platform {

std::optional<std::string> SpecialFolderPath(ShellFolder folder) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator))) return std::nullopt;
    std::optional<std::string> result;
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(GetDesktopWindow(), Csidl(folder), &list)) && list) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(list, path) && path[0]) result = win32::NarrowPath(path);
        allocator->Free(list);
    }
    allocator->Release();
    return result;
}

LinkSave SaveShellLink(const std::string& linkPath, const std::string& target, const std::string& iconPath,
                       std::string* error) {
    IShellLinkW* link = nullptr;
    const HRESULT created = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                             IID_IShellLinkW, reinterpret_cast<void**>(&link));
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
    // FOLDERID_UserProgramFiles, looked up at run time: older systems and
    // Wine do not answer it.
    static const GUID kUserProgramFiles = {0x5cd7aee2, 0x2219, 0x4a67, {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}};
    using GetKnownFolderPath = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    const auto get = shell ? reinterpret_cast<GetKnownFolderPath>(
                                 reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")))
                           : nullptr;
    if (!get) return std::nullopt;
    PWSTR path = nullptr;
    std::optional<std::string> result;
    if (SUCCEEDED(get(kUserProgramFiles, 0, nullptr, &path)) && path && path[0]) result = win32::NarrowPath(path);
    CoTaskMemFree(path);
    return result;
}

}  // namespace platform
