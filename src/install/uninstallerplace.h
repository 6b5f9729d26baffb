// Where the uninstaller an installation keeps (install/uninstallercopy.h)
// lives: a folder of its own per game below the user's local application
// data. Known to the transaction, which may touch that folder.
#pragma once
#include <optional>
#include <string>

#include "platform/winpath.h"

constexpr const char* kUninstallerBaseName = "TazuStart";  // the folder in local application data
constexpr const char* kUninstallerExeName = "TazuStart.exe";
constexpr const char* kUninstallerSetupName = "Setup.inf";

// The name of one game among those of every maker: `regKey` and `title`
// joined by an underscore, each byte that no file or key name may hold
// (a control byte, \ / : * ? " < > |) made an underscore, trailing dots
// and blanks dropped. A name longer than 120 bytes is cut at a character's
// end and ends in "~" and eight hex digits of a hash of the whole maker
// and title, so that games alike in their first 120 bytes get names of
// their own; a shorter name is as it always was. Names the uninstaller's
// folder and the game's entry in the list of programs.
std::string InstalledProgramName(const std::string& regKey, const std::string& title);

struct UninstallerPlace {
    platform::WinPath base;    // <local application data>\TazuStart
    platform::WinPath folder;  // base\<InstalledProgramName>
    platform::WinPath exe, setupInf;
};
// <local application data>\TazuStart; nullopt when the system names no
// local application data folder.
std::optional<platform::WinPath> UninstallerBase();
// The place of the game InstConfig describes; nullopt without a base or
// when the game's name makes no folder name.
std::optional<UninstallerPlace> KeptUninstallerPlace();
