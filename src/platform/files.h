// Files and folders, as far as this program uses them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

bool FileExists(const std::string& path);       // a file, not a folder
// True only when the system says nothing of that name is there: a question
// it could not answer is no proof that a file is gone.
bool IsMissing(const std::string& path);
// What is at `path`, in one question; Unknown when the system could not say.
enum class PathKind { Missing, File, Folder, Unknown };
PathKind Probe(const std::string& path);
bool DirectoryExists(const std::string& path);  // a folder
// The whole content of a file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// `path` made absolute against the current folder, as Windows reads it;
// nullopt when it cannot be.
std::optional<std::string> FullPathName(const std::string& path);
// The Windows folder, e.g. C:\WINDOWS.
std::string WindowsDirectory();
// The folder of the running program, ending in a backslash.
std::string ExecutableFolder();
// The running program's own file: ExecutableFolder() and its name.
std::string ExecutablePath();
// The user's folder for temporary files, ending in a backslash; nullopt
// when the system names none it can be sure of.
std::optional<std::string> TempFolder();

// Creates the folder with every missing parent. True when the folder exists
// afterwards (whether or not this call made it).
bool CreateDirectoryTree(const std::string& path);
// Makes one folder in an existing one. True only when this call made it.
bool MakeFolder(const std::string& path);
// Deletes one file. False when it is missing, a folder, read-only, open
// elsewhere without delete sharing, or cannot be deleted otherwise.
bool RemoveFile(const std::string& path);
// Clears the read-only attribute of a file. False when it cannot.
bool ClearReadOnly(const std::string& path);
// Removes a folder only if it is empty.
bool RemoveEmptyDirectory(const std::string& path);
// The path with every short (8.3) component replaced by its long name, as
// Windows names the file; nullopt when the file or a folder on the way is
// missing or cannot be asked.
std::optional<std::string> LongPathName(const std::string& path);
// True when the folder is a junction or symbolic link (a reparse point):
// what lies below it belongs somewhere else.
bool IsReparsePoint(const std::string& path);
// Gives a file a new name; fails when `to` exists. The new name is not
// written through: a power cut soon after may bring back the old one.
bool RenameFile(const std::string& from, const std::string& to);
// The same, returning only once the new name is on the disk.
bool RenameFileWrittenThrough(const std::string& from, const std::string& to);
// Moves `from` over `to`, replacing it in one step, and flushes the move.
bool MoveReplacing(const std::string& from, const std::string& to);
// Creates or empties `path`, writes `bytes` and flushes them to the disk.
// False on any failure (the file may then be partly written).
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// File times as 100-ns ticks, as the file system keeps them.
struct FileTimes {
    std::uint64_t creation = 0, lastAccess = 0, lastWrite = 0;
};

// An open file. Closing is destruction.
class File {
public:
    virtual ~File() = default;
    // An existing file for reading, others may read it too. nullptr when it
    // cannot be opened (missing, a folder, no access).
    static std::unique_ptr<File> OpenRead(const std::string& path);
    // A new file for writing, or an existing one truncated to zero length;
    // its folder must exist. nullptr when it cannot be created.
    static std::unique_ptr<File> Create(const std::string& path);
    // A new file for writing; nullptr when a file of that name exists (or it
    // cannot be created otherwise), so nothing already there is emptied.
    static std::unique_ptr<File> CreateNew(const std::string& path);

    virtual std::optional<std::uint64_t> Size() const = 0;
    // Reads up to `size` bytes: the count read, 0 at the end of the file,
    // nullopt on a read error. After an error the position is unknown: Seek
    // before reading again.
    virtual std::optional<std::size_t> Read(char* buffer, std::size_t size) = 0;
    // Moves the position to `offset` bytes from the start; past the end, a
    // read then gives 0. False when it cannot.
    virtual bool Seek(std::uint64_t offset) = 0;
    // False when not every byte could be written (a full disk, an error).
    virtual bool Write(const char* data, std::size_t size) = 0;
    virtual bool Flush() = 0;
    virtual std::optional<FileTimes> Times() const = 0;
    virtual bool SetTimes(const FileTimes& times) = 0;
};

}  // namespace platform
