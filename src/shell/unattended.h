// A run from the command line: one command without the menu, the answers
// the command line chose in place of the user's, a log, an exit code. The
// commands themselves, with their checks and rollback, are the menu's own.
#pragma once
#include <string>
#include <vector>

#include "install/instcommand.h"
#include "maintenance/uninstall.h"
#include "shell/cmdline.h"

// Runs the utility for `args` (not empty) and returns the exit code.
int RunFromCommandLine(const std::vector<std::string>& args);

// Arguments that hold a character code page 932 does not have: says so
// and returns the bad-arguments code. Windows' best fit would have turned
// them into other text ("\u00A5" into a backslash), naming another folder.
int RefuseInexactArguments();

// The exit code each way a command can end maps to.
int ExitCodeOf(InstallOutcome outcome);
int ExitCodeOf(UninstallOutcome outcome);
