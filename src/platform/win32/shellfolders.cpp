// The shell's folder browser.
#include "platform/shellfolders.h"

#include <shlobj.h>

#include "platform/app.h"
#include "platform/win32/wintext.h"

namespace platform {

namespace {
int CALLBACK BrowseCallback(HWND, UINT, LPARAM, LPARAM) { return 0; }
}  // namespace

std::optional<std::string> PickFolder(const Form* owner, const std::string& title, int rootCsidl) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator))) return std::nullopt;
    HWND ownerWindow = win32::WindowOf(owner);
    LPITEMIDLIST root = nullptr;
    SHGetSpecialFolderLocation(ownerWindow, rootCsidl, &root);

    const std::wstring wtitle = win32::Widen(title);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = ownerWindow;
    info.pidlRoot = root;
    info.pszDisplayName = displayName;
    info.lpszTitle = wtitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = 0;

    app::FlushUpdates();
    std::optional<std::string> result;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
    if (chosen) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(chosen, path)) result = win32::Narrow(path);
        allocator->Free(chosen);
    }
    if (root) allocator->Free(root);
    allocator->Release();
    return result;
}

}  // namespace platform
