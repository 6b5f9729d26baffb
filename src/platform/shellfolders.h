// Shell folder services: the folder browser, special folders, shell links.
#pragma once
#include <optional>
#include <string>

namespace platform {
class Form;

enum class ShellFolder {
    Drives,        // the list of the machine's drives
    Programs,      // the current user's start-menu program list
    LocalAppData,  // the current user's local application data
};

// The current user's own programs folder (%LOCALAPPDATA%\Programs on current
// Windows), without a trailing backslash; nullopt when the system has no
// such known folder (Windows before 7, Wine 8).
std::optional<std::string> UserProgramFilesFolder();

// File-system path of a special folder, without a trailing backslash;
// nullopt when it has none.
std::optional<std::string> SpecialFolderPath(ShellFolder folder);

enum class LinkSave { Saved, NotSaved, NoLinkObject };
// Writes a shell link file at `linkPath` (replacing one of that name) that
// starts `target` with empty arguments and working folder, showing the icon
// `iconPath`, index 0. NoLinkObject, with the system's text for the error in
// `error`, when the shell-link object cannot be created; NotSaved when the
// file could not be written.
LinkSave SaveShellLink(const std::string& linkPath, const std::string& target, const std::string& iconPath,
                       std::string* error = nullptr);

// Shows the system folder browser over `owner`, rooted at the special folder
// `root`, with no folder preselected; only file-system folders can be
// confirmed. The chosen path, or nullopt when cancelled.
std::optional<std::string> PickFolder(const Form* owner, const std::string& title, ShellFolder root);

}  // namespace platform
