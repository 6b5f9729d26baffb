// The uninstall command.
#pragma once
#include "install/report.h"

namespace platform {
class Form;
}

enum class UninstallOutcome {
    Done,
    Declined,    // the user said No to the first question: nothing changed
    LogMissing,  // no log that names the installation: nothing changed
    RecordKept,  // the files are gone, the record could not be removed
    Incomplete,  // files stayed (held open); the record stays with a log of them
};

// Removes the installed game: asks, deletes what Setup.log lists in the
// deleting window (shown over `owner`), the shortcut, the record and then
// the list's entry, and says how it ended. The save data goes when the user
// says so. `fromTheList`: the removal the list of programs started, which
// has no other way out: with the install folder gone it forgets the game
// (record, shortcut, entry) and says so; with the folder there but no log
// it says the files stay and offers the same.
UninstallOutcome UninstallGame(platform::Form& owner, Reporter& report, bool fromTheList = false);
