// The utility's entry: guards, application, main menu, message loop.
#pragma once

// Runs the whole utility and returns the process exit code: 0 with the
// menu; with arguments, the command line's exit code.
int UtilityMain();
