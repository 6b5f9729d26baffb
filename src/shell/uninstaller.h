// The program entry of the uninstaller an installation keeps
// (install/uninstallercopy.h), beside the utility's own entry (shell/main), as
// the list of installed programs starts it: "<its folder>\TazuStart.exe"
// /uninstall, with /passive or /silent for a removal without questions.
//
// A program cannot delete its own file while it runs. So the kept copy
// copies itself into a new folder of the temporary folder, starts that
// copy there with its arguments, and waits: the copy runs the uninstall of
// the command line with the Setup.inf of the kept folder in place of the
// disc's (asking the menu's questions unless /passive or /silent says
// otherwise), which takes the record and then the entry, and leaves the
// removal's exit code in a file of its folder. The kept copy returns that
// code and ends; only then does the copy delete the kept folder (nothing
// the caller sees: the entry is gone) and have a hidden command prompt
// delete the copy and its folder once the copy has ended. So whoever runs
// the uninstall string and waits gets control back when the removal has
// ended, with its exit code.
#pragma once
#include <optional>
#include <string>
#include <vector>

// Runs this program as the kept uninstaller or its copy when it is one of
// them, and returns the exit code; nullopt for any other run, which goes on
// as before. The copy knows itself by "/keptcopy=<kept folder>", a folder
// directly in the uninstallers' base folder that holds a Setup.inf; any
// other folder there is refused (bad arguments), so that no argument can
// make it work on another folder.
std::optional<int> RunKeptUninstaller(const std::vector<std::string>& args);

// The run sets InstConfig.KeptFolder and KeptAsks for the time of the
// uninstall it runs.

// `arg` quoted so that the system's splitting of a command line gives it
// back whole: backslashes before a quote doubled, the quote escaped.
// Shift-JIS aware: the second byte of a character is never a backslash.
std::string QuotedArgument(const std::string& arg);
