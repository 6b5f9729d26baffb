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
    kExitInstalledElsewhere = 9,  // /install with /dir: the game is installed in another folder
    kExitRollbackIncomplete = 10,  // an installation failed and its rollback stopped half-way (the next start goes on)
};

struct CommandLine {
    enum class Command { Install, Uninstall, Help } command = Command::Help;
    std::string dir;      // empty: the folder the menu would propose
    bool mwave = false;
    char cd = 0;          // drive letter; 0: found
    bool launch = false;  // start the game after a successful installation
    bool readme = false;  // show the readme after a successful installation
    bool deleteSaves = false;  // /deletesaves; otherwise the save data stays
    // /silent, /verysilent, /quiet, /qn: no window at all; /passive, /qb
    // (the default): the progress window only. At most one of them.
    bool silent = false;
    bool windowsGiven = false;  // a window mode was given, not taken by default
    int discTimeout = 0;  // seconds to wait for disc 2 at its prompt
    // /log=<file>: the UTF-8 log of the run goes to `log`. /log alone sets
    // `logToTemp` instead: the run names a file in the user's temporary
    // folder after the program, the date and the time, and says where.
    // The later of the two wins; neither: no log.
    std::string log;
    bool logToTemp = false;
    // What a switch deployment scripts add out of habit meant here
    // (/norestart, /suppressmsgboxes, /sp-, /S), one log line each.
    std::vector<std::string> notes;
};

// Reads the arguments (after the program's name): options begin with '/'
// or '-' and are matched without regard to case; a value follows '='.
// nullopt with the reason in `error` for anything else. An argument that
// holds a '"' is refused with its own explanation: the system's splitting
// reads \" as a quote character, so that "C:\Games\" swallows the rest of
// the command line into the value.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

// The log the arguments ask for (`log`, `logToTemp`), read from every
// argument that asks for one, also when others are wrong: a run refused for
// its arguments still writes the log it was asked for.
CommandLine LogOptionsOf(const std::vector<std::string>& args);

// What /? prints: the commands, the options and the exit codes. One item a
// line and no columns, since a message box shows it in a proportional font;
// no line is wider than a console's 80 columns.
extern const char* const kCommandLineHelp;
