// Files and folders through the wide Win32 file functions.
#include "platform/files.h"

#include "platform/win32/wintext.h"

namespace platform {

using win32::Narrow;
using win32::Widen;

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> content;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart < 0x7FFFFFFF) {
        std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
        DWORD done = 0;
        std::size_t total = 0;
        while (total < bytes.size() &&
               ReadFile(file, &bytes[total], static_cast<DWORD>(bytes.size() - total), &done, nullptr) && done > 0)
            total += done;
        if (total == bytes.size()) content = std::move(bytes);
    }
    CloseHandle(file);
    return content;
}

std::string WindowsDirectory() {
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return std::string();
    return Narrow(buffer, static_cast<int>(length));
}

}  // namespace platform
