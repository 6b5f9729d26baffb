// Files and folders, as far as this program uses them.
#pragma once
#include <optional>
#include <string>

namespace platform {

bool FileExists(const std::string& path);       // a file, not a folder
bool DirectoryExists(const std::string& path);  // a folder
// The whole content of a file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// The Windows folder, e.g. C:\WINDOWS.
std::string WindowsDirectory();

}  // namespace platform
