// The disc checker's services on Windows: names as FindFirstFileW reports
// them, code page 932 and UTF-8 through the Windows conversions.
#include "platform/disc_services.h"

#include <cstdio>

#include "platform/sjis.h"
#include "platform/win32/wintext.h"

namespace platform {

namespace {

constexpr UINT kShiftJis = 932;

std::string Utf8Of(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

// UTF-16 of Shift-JIS bytes; false when one of them starts no character.
bool WideOf(const char* bytes, int length, std::wstring& wide) {
    const int size = MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes, length, nullptr, 0);
    if (size <= 0) return false;
    wide.resize(static_cast<std::size_t>(size));
    MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes, length, wide.data(), size);
    return true;
}

}  // namespace

std::optional<DiscItem> FindOnDisc(const std::string& root, const std::string& relative) {
    std::string folder = sjis::WithTrailingBackslash(root);
    DiscItem item;
    item.folder = true;
    for (const std::string& part : sjis::SplitPath(relative)) {
        if (part.empty() || part == ".") continue;
        // FindFirstFileW would take these as a pattern and report any match.
        if (!item.folder || part.find_first_of("*?") != std::string::npos) return std::nullopt;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(win32::Widen(folder + part).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return std::nullopt;
        FindClose(search);
        const std::string name = win32::Narrow(found.cFileName);
        item.spelling += (item.spelling.empty() ? "" : "\\") + name;
        item.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        folder += name + "\\";
    }
    if (item.folder) item.size = 0;
    return item;
}

// No Windows build of the ISO 9660 library is at hand: a disc image is read
// by the Linux build, or mounted and read as a drive.
bool ReadsDiscImages() { return false; }

std::optional<DiscImage> OpenDiscImage(const std::string&, std::string* error) {
    if (error) *error = "this build reads disc folders only";
    return std::nullopt;
}

std::string ShiftJisToUtf8(const std::string& text, bool* valid) {
    if (valid) *valid = true;
    std::wstring wide;
    if (text.empty() || WideOf(text.data(), static_cast<int>(text.size()), wide)) return Utf8Of(wide);
    // Character by character, so that only the bad bytes are lost.
    std::string out;
    for (std::string::size_type i = 0; i < text.size();) {
        const int length = sjis::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (WideOf(text.data() + i, length, wide)) {
            out += Utf8Of(wide);
            i += static_cast<std::string::size_type>(length);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[i]));
        out += escaped;
        if (valid) *valid = false;
        ++i;
    }
    return out;
}

std::optional<std::string> Utf8ToShiftJis(const std::string& text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int wideSize = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (wideSize <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), wideSize);
    BOOL lossy = FALSE;
    const int size =
        WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, out.data(), size, nullptr, nullptr);
    return out;
}

void WriteOutput(const std::string& utf8, bool toError) {
    if (utf8.empty()) return;
    const HANDLE handle = GetStdHandle(toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0, done = 0;
    if (GetConsoleMode(handle, &mode)) {
        // A console shows UTF-16 whatever its code page is.
        const int length = static_cast<int>(utf8.size());
        const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
    } else {
        WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr);
    }
}

}  // namespace platform
