// Files and folders through the wide Win32 file functions.
#include "platform/files.h"

#include "platform/sjis.h"
#include "platform/win32/wintext.h"

namespace platform {

using win32::Narrow;
using win32::Widen;

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

PathKind Probe(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing : PathKind::Unknown;
}

bool IsMissing(const std::string& path) {
    if (GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
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

std::optional<std::string> FullPathName(const std::string& path) {
    const std::wstring wide = Widen(path);
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (int tries = 0; tries < 3; ++tries) {
        const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) return win32::NarrowExact(buffer.c_str(), static_cast<int>(length));
        buffer.assign(length + 1, L'\0');
    }
    return std::nullopt;
}

std::string WindowsDirectory() {
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return std::string();
    return win32::NarrowPath(buffer).value_or(std::string());
}

}  // namespace platform

namespace platform {

namespace {

using win32::Widen;

std::uint64_t Ticks(const FILETIME& t) { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }
FILETIME FromTicks(std::uint64_t v) { return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)}; }

class Win32File : public File {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    ~Win32File() override { CloseHandle(handle_); }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    std::optional<std::uint64_t> Size() const override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle_, &size)) return std::nullopt;
        return static_cast<std::uint64_t>(size.QuadPart);
    }
    std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
        DWORD done = 0;
        if (!ReadFile(handle_, buffer, static_cast<DWORD>(size), &done, nullptr)) return std::nullopt;
        return static_cast<std::size_t>(done);
    }
    bool Seek(std::uint64_t offset) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
    }
    bool Write(const char* data, std::size_t size) override {
        DWORD done = 0;
        return WriteFile(handle_, data, static_cast<DWORD>(size), &done, nullptr) && done == size;
    }
    bool Flush() override { return FlushFileBuffers(handle_) != 0; }
    std::optional<FileTimes> Times() const override {
        FILETIME c, a, w;
        if (!GetFileTime(handle_, &c, &a, &w)) return std::nullopt;
        return FileTimes{Ticks(c), Ticks(a), Ticks(w)};
    }
    bool SetTimes(const FileTimes& times) override {
        const FILETIME c = FromTicks(times.creation), a = FromTicks(times.lastAccess), w = FromTicks(times.lastWrite);
        return SetFileTime(handle_, &c, &a, &w) != 0;
    }

private:
    HANDLE handle_;
};

}  // namespace

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return win32::NarrowPath(path.c_str()).value_or(Narrow(path));
}

std::string ExecutableFolder() { return sjis::FolderPart(ExecutablePath()); }

std::optional<std::string> TempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return std::nullopt;
    return win32::NarrowPath(buffer);
}

bool CreateDirectoryTree(const std::string& path) {
    if (DirectoryExists(path)) return true;
    const std::string trimmed = sjis::EndsWithBackslash(path) ? path.substr(0, path.size() - 1) : path;
    const std::string parent = sjis::FolderPart(trimmed);
    // Stop at the drive ("C:\") or the share ("\\server\share\"): they cannot be made.
    if (!parent.empty() && parent != trimmed && parent.size() > 3 && !DirectoryExists(parent))
        CreateDirectoryTree(parent);
    CreateDirectoryW(Widen(trimmed).c_str(), nullptr);
    return DirectoryExists(path);
}

bool MakeFolder(const std::string& path) { return CreateDirectoryW(Widen(path).c_str(), nullptr) != 0; }
bool RemoveFile(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }
bool ClearReadOnly(const std::string& path) {
    const std::wstring wide = Widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) return true;
    const DWORD cleared = attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
    return SetFileAttributesW(wide.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL) != 0;
}
std::optional<std::string> LongPathName(const std::string& path) {
    const std::wstring wide = Widen(path);
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (int tries = 0; tries < 3; ++tries) {
        const DWORD length = GetLongPathNameW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) return win32::NarrowExact(buffer.c_str(), static_cast<int>(length));
        buffer.assign(length + 1, L'\0');
    }
    return std::nullopt;
}

bool IsReparsePoint(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool RemoveEmptyDirectory(const std::string& path) { return RemoveDirectoryW(Widen(path).c_str()) != 0; }
bool RenameFile(const std::string& from, const std::string& to) {
    return MoveFileW(Widen(from).c_str(), Widen(to).c_str()) != 0;
}

bool RenameFileWrittenThrough(const std::string& from, const std::string& to) {
    return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool MoveReplacing(const std::string& from, const std::string& to) {
    return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    auto file = File::Create(path);
    return file && file->Write(bytes.data(), bytes.size()) && file->Flush();
}

std::unique_ptr<File> File::OpenRead(const std::string& path) {
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(h);
}

std::unique_ptr<File> File::CreateNew(const std::string& path) {
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_WRITE, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(h);
}

std::unique_ptr<File> File::Create(const std::string& path) {
    // FILE_WRITE_ATTRIBUTES as well, so the copy can take the source's times.
    const std::wstring wide = Widen(path);
    const auto open = [&](DWORD disposition) {
        return CreateFileW(wide.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_WRITE, nullptr, disposition,
                           FILE_ATTRIBUTE_ARCHIVE, nullptr);
    };
    // A new file is made new, and only an existing one emptied: Wine makes
    // CREATE_ALWAYS a truncation even of the file it has just created, and
    // on ext4 a file truncated to nothing is written out when it is closed,
    // block allocation and all, so closing each large copy would wait for
    // it, and the next flush of any file (Tazu.env's) for all of it.
    HANDLE h = open(CREATE_NEW);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) h = open(CREATE_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(h);
}

}  // namespace platform
