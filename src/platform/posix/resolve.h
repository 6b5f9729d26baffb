// Windows-style paths on a POSIX file system: how the disc checker finds the
// files of a disc image tree the way the disc's file system will.
#pragma once
#include <optional>
#include <string>

namespace platform::posix {

// Upper case for ASCII letters and for full-width Latin letters of a UTF-8
// name, which disc file systems fold too.
std::string FoldUtf8(const std::string& name);

// The local path of the Shift-JIS `path`, whose parts are separated by '\' or
// '/' (a path starting with a separator is absolute, any other is relative
// to the current folder). Each part is looked up without regard to the case
// of ASCII and full-width Latin letters, as UTF-8 (the usual encoding of
// names on Linux) or as the Shift-JIS bytes themselves; an exact match wins.
// nullopt when a part is missing or a part before the last is no folder.
std::optional<std::string> LocalPath(const std::string& path);

// The same below the local folder `base`; `spelling`, when given, receives
// the parts as the file system spells them, in Shift-JIS where they can be,
// joined by '\'.
std::optional<std::string> LocalPathBelow(const std::string& base, const std::string& relative,
                                          std::string* spelling = nullptr);

}  // namespace platform::posix
