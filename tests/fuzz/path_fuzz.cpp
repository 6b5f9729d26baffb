// Fuzz target for the path model and the log's line reader. The first line
// of the input is taken as an install folder, the rest as a log. Beyond not
// crashing, it holds the model to what every caller relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/ini.h"
#include "platform/winpath.h"

namespace platform {
// The INI reader's file access is not part of what is fuzzed.
std::optional<std::string> ReadWholeFile(const std::string&) { return std::nullopt; }
}  // namespace platform

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
