// Start-menu shortcut, save-data names and the wait on a started program,
// shared by the install, uninstall and record-change commands.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/winpath.h"

namespace platform {
class ChildProcess;
}

// <programs>\<ProgramFolder> and <GameTitle>.lnk in it, when they lie below
// the programs folder as Windows reads it: a ProgramFolder such as "..\\.."
// must never make the removal delete a file or folder elsewhere.
struct ShortcutPlace {
    platform::WinPath root, folder, link;
};
std::optional<ShortcutPlace> StartMenuShortcutPlace();

// Puts <programs>\<ProgramFolder>\<GameTitle>.lnk into the current user's
// start menu, pointing at Tazu.exe in InstPath with the installed icon, and
// creates every missing level of its folder. Throws std::runtime_error with
// the system's text when the shell-link object cannot be created; any other
// failure leaves the shortcut missing without a word.
void CreateStartMenuShortcut();
// Deletes the shortcut, then its folder when nothing else is left in it.
void RemoveStartMenuShortcut();
// True when `name` is one of TazSav00.dat to TazSav12.dat, in any letter case.
bool IsSaveDataName(const std::string& name);
// True when the file `path` names, as Windows reads it, is a save-data file.
bool IsSaveDataFile(const std::string& path);

// The log an installation keeps in its folder: every file it put down.
constexpr const char* kSetupLogName = "Setup.log";

// Deletes a file an installation put down: a read-only attribute (kept from
// a disc, or set by the user since) does not keep it. False when it is
// missing or could not be deleted.
bool RemoveInstalledFile(const std::string& path);
// The same, true also when the system says it is not there: nothing of it
// is left.
bool InstalledFileGone(const std::string& path);

// The paths Setup.log lists, in order: lines end in CR LF, LF or a lone CR
// (as the profile reader cuts them), each is taken whole however long (a cut
// line would turn its tail into a path of its own), empty lines are skipped.
std::vector<std::string> LogLines(const std::string& log);

// Replaces the file in one step: `bytes` are written to `fresh`, flushed
// and moved over `path`, so that `path` is at every moment whole, old or
// new. No other name is touched. False on failure: `path` is as it was and
// `fresh` is gone.
bool ReplaceWholeFile(const std::string& path, const std::string& bytes, const std::string& fresh);
// The temporary name of a replace beside its file: `path` + kFreshSuffix.
constexpr const char* kFreshSuffix = ".new";
// The same with `path` + kFreshSuffix: for a file whose own name carries the
// reserved mark, so that the temporary name carries it too.
bool ReplaceWholeFile(const std::string& path, const std::string& bytes);
// Replaces the log with `bytes` through `log`.new, the name its recovery
// knows; after a good replace an `log`.old that an older rewrite left
// aside goes too, as it could later stand in for the log.
bool ReplaceInstallLog(const std::string& log, const std::string& bytes);
// When the log `log` is missing and a rewrite was interrupted, puts back
// the whole copy it left: `log`.new, or else `log`.old.
void RecoverInstallLog(const std::string& log);

// Keeps the windows alive until `program` has ended, sleeping between
// rounds; returns early when the application is ending (the program runs on).
void WaitForProgramEnd(platform::ChildProcess& program);
