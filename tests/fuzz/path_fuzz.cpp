// Fuzz target for the path model, the log's line reader and the journal
// reader. The first line of the input is taken as an install folder, the
// rest as a log, the whole as a journal. Beyond not crashing, it holds them
// to what every caller relies on.
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

// File access is not part of what is fuzzed: the journal reader never
// touches a file, and an undo or a plan is never run here.
namespace platform {
std::optional<std::string> ReadWholeFile(const std::string&) { std::abort(); }
bool FileExists(const std::string&) { std::abort(); }
bool IsMissing(const std::string&) { std::abort(); }
PathKind Probe(const std::string&) { std::abort(); }
bool RemoveFile(const std::string&) { std::abort(); }
bool ClearReadOnly(const std::string&) { std::abort(); }
bool RemoveEmptyDirectory(const std::string&) { std::abort(); }
bool IsReparsePoint(const std::string&) { std::abort(); }
bool RenameFile(const std::string&, const std::string&) { std::abort(); }
}  // namespace platform
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

// A journal read back is planned as the utility plans: a folder, no root,
// no reserved name planned, every backup reserved and beside its file; its
// text reads back as the same plan. The marker made of it reads back as
// itself, which is all the recovery asks of a marker.
void CheckJournal(const std::string& text) {
    const auto plan = ParseJournal(text);
    if (!plan) return;
    const auto folder = WinPath::Parse(plan->folder);
    Require(folder && !folder->IsRoot());
    for (const PlannedFile& f : plan->files) {
        const auto path = WinPath::Parse(f.path);
        Require(path && !path->IsRoot() && !IsReservedName(path->Last()));
        if (f.kind != PlannedFile::Kind::Replace) continue;
        const auto backup = WinPath::Parse(f.backup);
        Require(backup && IsReservedName(backup->Last()) && *backup->Parent() == *path->Parent());
    }
    const std::string again = JournalText(*plan);
    const auto reread = ParseJournal(again);
    Require(reread && JournalText(*reread) == again);
    for (const bool committed : {false, true}) {
        const std::string marker = MarkerText(*plan, committed);
        const auto read = ParseJournal(marker);
        Require(read && read->committed == committed && MarkerText(*read, committed) == marker);
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
