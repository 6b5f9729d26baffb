// The command line of a run without the menu: one command, the answers it
// gives in place of the user, and the exit codes it ends with.
#pragma once
#include <optional>
#include <string>
#include <vector>

enum ExitCode {
    kExitDone = 0,
    kExitCancelled = 1,     // Cancel in the progress window
    kExitBadArguments = 2,
    kExitNoDisc = 3,
    kExitNoSpace = 4,
    kExitFailed = 5,        // a copy or delete failed (an installation was rolled back)
    kExitRunning = 6,       // another copy of the utility or the game is running
    kExitNotWritable = 7,   // the folder cannot be written
    kExitIncomplete = 8,    // the record names an installation whose files are missing
};

struct CommandLine {
    enum class Command { Install, Uninstall, Help } command = Command::Help;
    std::string dir;      // empty: the folder the menu would propose
    bool mwave = false;
    char cd = 0;          // drive letter; 0: found
    bool launch = false;  // start the game after a successful installation
    bool readme = false;  // show the readme after a successful installation
    bool deleteSaves = false;
    bool silent = false;  // no window at all; otherwise the progress window only
    bool windowsGiven = false;  // /passive or /silent was given, not taken by default
    int discTimeout = 0;  // seconds to wait for disc 2 at its prompt
    std::string log;      // UTF-8 log of the run; empty: none
};

// Reads the arguments (after the program's name): options begin with '/'
// or '-' and are matched without regard to case; a value follows '='.
// nullopt with the reason in `error` for anything else.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

// What /? prints: the commands, the options and the exit codes.
extern const char* const kCommandLineHelp;
