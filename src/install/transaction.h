// An installation as a transaction: before its first write it is planned
// in full, and the plan is kept where the next start finds it, so that a
// cancel, a failure or a crash at any moment ends in the state before it or
// the state after it.
//
// The record key holds the marker (the value "Installing": the install
// folder, the folders made for it and the place of an earlier Setup.log)
// from before the first folder is made until the last step; the journal
// file in the install folder holds the whole plan, flushed before the
// first installed file is touched. Both are written as JournalText. A file the
// installation replaces is first renamed to a backup name in its own
// folder; undoing renames it back. The names of the journal and of the
// backups hold a mark no installed file may carry.
#pragma once
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/winpath.h"

struct PlannedFile {
    enum class Kind { New, Replace, Keep };
    std::string path;  // as the path model spells it
    Kind kind = Kind::New;
    std::string backup;  // Replace: where the file from before waits
};

struct InstallPlan {
    std::string folder;  // the install folder, ending in a backslash
    // Folders that did not exist, deepest first: made for the installation,
    // taken away again when empty.
    std::vector<std::string> madeFolders;
    // Setup.log first, then every destination once, in the order of the
    // copy, then Tazu.env's replacement and the start-menu shortcut.
    std::vector<PlannedFile> files;

    // The planned file of `path` (any letter case); nullptr when none.
    const PlannedFile* Find(const std::string& path) const;

private:
    mutable std::unordered_map<std::string, std::size_t> index_;  // folded path -> position, made when first asked
    mutable std::size_t indexed_ = 0;
};

constexpr const char* kJournalName = "~TazuStart.journal";
// A file the installation replaces waits as "<name>" kBackupMark "<n>",
// n from 1 to kMaxBackup, in its own folder.
constexpr const char* kBackupMark = ".~TazuStart";
constexpr int kMaxBackup = 999;
// Tazu.env's edited copy, written beside it and then swapped in: a name of
// the utility's own, so that no file of the player's stands in its place.
constexpr const char* kEnvReplacement = "Tazu.env.~TazuStart.new";
constexpr const char* kInstallingValue = "Installing";  // beside InstPath in the record key
constexpr const char* kMovingValue = "Moving";          // a record change under way

// True for a name the utility keeps for itself (journal, backups): no
// installation may put down a file of that name.
bool IsReservedName(const std::string& name);

// The plan of an installation into `folder` with the lists in InstConfig:
// each destination probed once; a file already there is Replace (Keep for
// a data file of DAT, which is never overwritten) with a backup name free
// in its folder; the group and shortcut folders that are missing follow
// `madeAbove` (the install folder's own levels made before) in the list of
// made folders.
// nullopt when the system could not say what is there: no plan is made on a guess.
std::optional<InstallPlan> PlanInstallation(const platform::WinPath& folder, const std::vector<std::string>& madeAbove);

// Adds the start-menu shortcut (and its missing folders) to the plan when it
// is not in it yet and the start menu can be found (and what is there can
// be told). True when it was added.
bool PlanShortcut(InstallPlan& plan);
// Adds `file`, which the installation puts below `root` outside its folder,
// to the plan: Replace with a backup name when something is there, else
// New; its missing folders below `root` join the made folders. False when
// what is there cannot be told: nothing is added.
bool PlanOutsideFile(InstallPlan& plan, const platform::WinPath& file, const platform::WinPath& root);

// The journal file's text and back. nullopt for anything not written whole
// by JournalText, or naming a path the path model refuses.
std::string JournalText(const InstallPlan& plan);
std::optional<InstallPlan> ParseJournal(const std::string& text);

// Undoes the installation `plan` describes, as far as it got: every backup
// is renamed back over what the installation wrote in its place, every new
// file it wrote is deleted, the folders it made go when empty, Setup.log
// last. `written` names (folded) the files this run opened for writing; an
// installation that did not write a new file never deletes it. Without it
// (after a crash) a new file that is there is the installation's. Idempotent:
// run again after a failure, it goes on where it stopped. True when nothing
// of the installation is left to undo.
bool UndoInstallation(const InstallPlan& plan, const std::set<std::string>* written);
// An installation that reached its record: the backups are no longer needed.
bool FinishInstallation(const InstallPlan& plan);
