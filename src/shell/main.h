// The utility's entry: guards, application, main menu, message loop.
#pragma once

// Runs the whole utility and returns the process exit code (always 0).
int UtilityMain();
