// What the disc checker needs of the system beyond files.h: names as the
// disc holds them, disc images read as discs, and Shift-JIS text for a UTF-8
// terminal. Implemented in platform/posix and platform/win32.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A file or folder found below a disc folder.
struct DiscItem {
    std::string spelling;  // the relative path as the disc spells it, Shift-JIS, backslashes
    bool folder = false;
    std::uint64_t size = 0;  // bytes of a file
};

// Finds `relative` (names separated by backslashes) below the folder `root`
// as the disc's file system does: without regard to the case of ASCII and
// full-width Latin letters. nullopt when a part is missing, when a part
// before the last is not a folder, or when a name holds a wildcard.
std::optional<DiscItem> FindOnDisc(const std::string& root, const std::string& relative);

// A disc image file (ISO 9660, with or without Joliet) opened as a disc.
struct DiscImage {
    // The image file's path and a backslash: FileExists, DirectoryExists,
    // ReadWholeFile (files.h) and FindOnDisc read paths below it from the
    // image, for as long as the program runs.
    std::string root;
    std::string label;    // volume identifier of the primary volume descriptor, trailing blanks dropped
    bool joliet = false;  // names are the Joliet tree's; else the ISO 9660 tree's as stored, ";1" included
    // Every file and folder of the tree, spelled relative to `root`.
    std::vector<DiscItem> items;
    // Names of the Joliet tree that have no Shift-JIS form, as paths relative
    // to `root` with "<U+XXXX>" for each such character; they are not in
    // `items`, and no path reaches them.
    std::vector<std::string> unnamed;
};

// False when this build reads disc folders only.
bool ReadsDiscImages();
// Opens the Shift-JIS path of an image file. nullopt when it is no ISO 9660
// image or cannot be read, or when this build reads no images; `*error` then
// says which in words for a message.
std::optional<DiscImage> OpenDiscImage(const std::string& path, std::string* error = nullptr);

// UTF-8 of a Shift-JIS (code page 932) text. A byte that starts no character
// of the code page comes out as "\xNN" and clears `*valid`.
std::string ShiftJisToUtf8(const std::string& text, bool* valid = nullptr);
// Shift-JIS of a UTF-8 text; nullopt when the text is not UTF-8 or holds a
// character the code page lacks.
std::optional<std::string> Utf8ToShiftJis(const std::string& text);

// Writes UTF-8 text to standard output, or to standard error, unchanged
// (line ends stay LF); on a console it shows as the characters it encodes.
void WriteOutput(const std::string& utf8, bool toError);

}  // namespace platform
