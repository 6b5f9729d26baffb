// Re-rooting the installed-file log at a game folder that was moved.
#pragma once
#include <string>

#include "install/report.h"
#include "platform/winpath.h"

namespace platform {
class Form;
}

enum class RecordOutcome {
    Done,
    Declined,  // the user said No: nothing changed
    Refused,   // the chosen folder holds no installed game: nothing changed
    Failed,    // the record or the log could not be changed (said so)
};

// Forgets the installation without touching a file (after asking), so that
// a game deleted by hand can be installed again.
RecordOutcome RemoveRecord(const platform::Form& owner, Reporter& report);
// Points the record, the log and the shortcut at `chosen`, the folder the
// game was moved to; no game file is moved. Throws std::runtime_error when
// the record cannot be written.
RecordOutcome MoveRecord(const std::string& chosen, const platform::Form& owner, Reporter& report);

// The log `content` with every listed file moved into `folder`: a file lying
// directly in a group folder (DAT, TAZ, TZD, TZS, TZM, any case) becomes
// folder + group + "\" + name, any other file folder + name. Lines end as
// the profile reader cuts them (CR LF, LF, lone CR) and keep their order
// whatever their length; empty lines and lines that are no path Windows
// reads as written are dropped; every line ends in CR LF as the installer
// writes it.
std::string RebaseInstallLog(const std::string& content, const platform::WinPath& folder);

// Replaces the folder's Setup.log by its rebased copy in one step: the new
// content is written and flushed beside the log, then moved over it.
// False when anything failed; Setup.log then holds what it held before.
bool RewriteInstallLog(const platform::WinPath& folder);

// The last steps of a record change to `folder` (its log already rebased):
// the record, InstPath, the shortcut, and the marker cleared.
void FinishRecordChange(const std::string& folder);

// Before the menu: an installation a crash or a failed rollback left
// unfinished is undone in the deleting window (or, when it had reached its
// record, its backups are removed); a record change is finished.
void RecoverInterruptedWork(const platform::Form& owner, Reporter& report);
