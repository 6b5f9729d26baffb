// Fuzz target for the path model and the log's line reader. The first line
// of the input is taken as an install folder, the rest as a log (the whole
// as a journal). Beyond not crashing, it holds the model to what every caller relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "install/instcommon.h"
#include "install/transaction.h"
#include "install/uninstallercopy.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

// File access is not part of what is fuzzed: the INI reader's finds
// nothing, and the journal reader never touches a file.
namespace platform {
std::optional<std::string> ReadWholeFile(const std::string&) { return std::nullopt; }
bool FileExists(const std::string&) { std::abort(); }
bool IsMissing(const std::string&) { std::abort(); }
PathKind Probe(const std::string&) { std::abort(); }
bool RemoveFile(const std::string&) { std::abort(); }
bool ClearReadOnly(const std::string&) { std::abort(); }
bool RemoveEmptyDirectory(const std::string&) { std::abort(); }
bool IsReparsePoint(const std::string&) { std::abort(); }
bool RenameFile(const std::string&, const std::string&) { std::abort(); }
bool RenameFileWrittenThrough(const std::string&, const std::string&) { std::abort(); }
bool MakeFolder(const std::string&) { std::abort(); }
bool DirectoryExists(const std::string&) { std::abort(); }
std::unique_ptr<File> File::Create(const std::string&) { std::abort(); }
std::unique_ptr<File> File::CreateNew(const std::string&) { std::abort(); }
}  // namespace platform
void WriteInstallationRecord(const std::string&) { std::abort(); }
bool ReplaceWholeFile(const std::string&, const std::string&) { std::abort(); }
bool InstalledFileGone(const std::string&) { std::abort(); }
std::optional<ShortcutPlace> StartMenuShortcutPlace() { std::abort(); }
std::optional<UninstallerPlace> KeptUninstallerPlace() { std::abort(); }
TInstConfig InstConfig;

namespace {

using platform::WinPath;

void Require(bool condition) {
    if (!condition) std::abort();
}

// A parsed path reads back as itself from each of its texts, holds no byte
// Windows would stop at, and is rebuilt from its parent and last component.
void CheckPath(const WinPath& path) {
    for (const std::string& text : {path.Text(), path.FolderText()}) {
        for (const char c : text) Require(static_cast<unsigned char>(c) >= 0x20);
        const auto again = WinPath::Parse(text);
        Require(again && *again == path && again->Text() == path.Text());
    }
    Require(path.IsRoot() == path.Last().empty());
    if (const auto parent = path.Parent()) {
        Require(!path.IsRoot() && path.IsDirectlyIn(*parent) && path.IsBelow(*parent));
        const auto rebuilt = parent->Child(path.Last());
        Require(rebuilt && *rebuilt == path);
    }
    // A root is never below anything, and nothing is below itself.
    Require(!path.IsBelow(path));
}

// A journal read back writes back as itself, and so does the marker made
// of it: the recovery acts only on a marker that does.
void CheckJournal(const std::string& text) {
    const auto plan = ParseJournal(text);
    if (!plan) return;
    const auto again = ParseJournal(JournalText(*plan));
    Require(again && JournalText(*again) == JournalText(*plan));
    for (const bool committed : {false, true}) {
        const auto marker = ParseJournal(MarkerText(*plan, committed));
        Require(marker && marker->committed == committed && MarkerText(*marker, committed) == MarkerText(*plan, committed));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto lines = platform::SplitLines(input);
    std::size_t total = 0;
    for (const std::string& line : lines) {
        // Lines never hold a line end and never reach past the input.
        Require(line.find('\r') == std::string::npos && line.find('\n') == std::string::npos);
        total += line.size();
    }
    Require(total <= input.size());
    CheckJournal(input);
    if (lines.empty()) return 0;

    const auto folder = WinPath::Parse(lines[0]);
    if (folder) CheckPath(*folder);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto file = WinPath::Parse(lines[i]);
        if (!file) continue;
        CheckPath(*file);
        if (folder && file->IsDirectlyIn(*folder)) Require(file->IsBelow(*folder) && *file->Parent() == *folder);
        // Any component Child accepts is one that Parse reads back alone.
        if (folder) {
            if (const auto child = folder->Child(file->Last())) Require(child->Last() == file->Last());
        }
    }
    return 0;
}
