// A Windows path read once, the way Windows itself will read it. Every
// decision about what may be written or deleted is asked of this type, so
// that no check is made on text that Windows reads differently.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Why a text is no single component that WinPath keeps as written.
struct NameFault {
    enum Kind {
        Empty,
        DotName,             // "." or ".."
        ControlByte,         // a byte below 0x20; a NUL ends the text Windows sees
        BrokenCharacter,     // a lead byte without its second byte
        ReservedCharacter,   // a separator, or a character no name may hold
        TrailingDotOrBlank,  // Windows drops it
        DeviceName,          // CON, NUL, COM1..., with any extension
    } kind;
    std::string text;  // DotName: the name; ReservedCharacter: the character;
                       // DeviceName: the device name as spelled, blanks kept
};

// Why Parse refused a text.
struct PathFault {
    enum Kind {
        NoRoot,     // neither "C:\..." nor "\\server\share\...": relative, "C:x", "\x"
        AboveRoot,  // ".." past the root
        BadName,    // a component that is no plain name: see `name`
    } kind;
    NameFault name;  // BadName only
};

class WinPath {
public:
    // What keeps `name` from being one component of a path, as Parse and
    // Child refuse it; nullopt when it is one that Windows reads as written.
    static std::optional<NameFault> ComponentFault(const std::string& name);
    // One component Windows reads as written that is also a registry key
    // name (at most kMaxKeyName UTF-16 characters): fit to name a file and
    // a key alike, below any folder or key, and nothing above or beside it.
    static constexpr std::size_t kMaxKeyName = 255;
    static bool IsOneName(const std::string& name);

    // Reads `text` as an absolute path: a drive ("C:\...") or a share
    // ("\\server\share\..."), '\' and '/' both separating, repeated
    // separators and "." dropped, ".." taking away the component before it.
    // Shift-JIS aware: the second byte of a double-byte character never
    // separates. nullopt for anything that is not absolute, and for anything
    // Windows would read other than the text says or that names no plain
    // file: control bytes (a NUL ends the text Windows sees), broken
    // double-byte characters, components ending in a dot or blank (Windows
    // drops them), stream names, wildcards and the other characters no name
    // may hold, device names (CON, NUL, COM1...), device-namespace prefixes
    // (\\?\, \\.\, \??\) and ".." past the root.
    static std::optional<WinPath> Parse(const std::string& text);
    // The same, with the reason of a refusal in `fault`, for a person who
    // has to write the path anew.
    static std::optional<WinPath> Parse(const std::string& text, PathFault& fault);

    // The drive or share root itself: "C:\", "\\server\share\".
    bool IsRoot() const { return parts_.empty(); }
    // "C:\Games\Tazu" (a root keeps its backslash: "C:\"), as spelled in
    // the text apart from separators and resolved components.
    std::string Text() const;
    // Text() with one trailing backslash, the way folders are kept.
    std::string FolderText() const;
    // The root with its backslash, the folder whose volume holds the path.
    std::string RootText() const;
    // The last component; empty for a root.
    std::string Last() const;
    // The folder holding this path; nullopt for a root.
    std::optional<WinPath> Parent() const;

    // `name` as one component below this path; nullopt when it is not
    // exactly one component that Parse would take.
    std::optional<WinPath> Child(const std::string& name) const;

    // Same path, without regard to ASCII case.
    bool operator==(const WinPath& other) const;
    bool operator!=(const WinPath& other) const { return !(*this == other); }
    // Directly in `folder`: `folder` plus one component.
    bool IsDirectlyIn(const WinPath& folder) const;
    // Directly in the folder `name` of `folder` ("C:\Tazu\DAT\a.dat" is in
    // "DAT" of "C:\Tazu"), without regard to ASCII case.
    bool IsDirectlyIn(const WinPath& folder, const std::string& name) const;
    // Somewhere below `folder`, at any depth.
    bool IsBelow(const WinPath& folder) const;

private:
    WinPath() = default;
    std::string root_;                // "C:" or "\\server\share"
    std::vector<std::string> parts_;  // resolved components
    std::string rootKey_;             // folded for comparison
    std::vector<std::string> keys_;
};

}  // namespace platform
