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
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/winpath.h"

namespace platform {
class File;
}
class Reporter;

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
    // The marker only: the installation reached its commit (the record is
    // being written), so the next start finishes it instead of undoing it.
    bool committed = false;

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
// by JournalText (the folder first and once, the end last, the commit step
// only just before it), naming a path the path model refuses, planning a
// reserved name, or keeping a backup anywhere but beside its file under a
// reserved name.
std::string JournalText(const InstallPlan& plan);
std::optional<InstallPlan> ParseJournal(const std::string& text);
// The marker's text of `plan`, as JournalText: the folder; the folders made
// for it that are its own levels or its group folders; the entry of its log
// (first in the plan, new or replaced); the commit step when `committed`.
// The rest of the plan is the journal's. A marker read back is in the
// utility's shape when this gives its text again.
std::string MarkerText(const InstallPlan& plan, bool committed);

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

// One installation into one folder, step by step, in this order: Begin,
// MakeFolders, Plan, Journal, then MoveAside and OpenForWrite (or Claim)
// for each file, Commit, Finish; Undo at any point before Commit. It holds
// the plan, the files this run wrote and those it moved aside, so that its
// rollback undoes that and nothing else. Every command makes its own.
class Installation {
public:
    enum class State {
        Idle,         // nothing done
        Begun,        // the marker names the folder and the folders to make
        FoldersMade,  // the install folder is there
        Planned,      // every destination is known; the marker knows where the earlier log goes
        Journaled,    // the whole plan is on the disk: a planned file may be written
        Committed,    // the record names the installation
        Finished,     // what was moved aside is gone; the marker is cleared
        Interrupted,  // a crash cut it short: what it wrote is not known
        Undone,       // rolled back
    };

    explicit Installation(const platform::WinPath& folder) : folder_(folder) {}
    // The installation a crash cut short, as its marker or journal tells.
    static Installation Interrupted(const platform::WinPath& folder, InstallPlan plan);

    const platform::WinPath& Folder() const { return folder_; }
    // The plan; files that join it late (the shortcut, the kept
    // uninstaller) are written only after the next Journal.
    const InstallPlan& Planned() const { return plan_; }
    InstallPlan& Planned() { return plan_; }
    // True when this run made the file `path` names.
    bool Wrote(const std::string& path) const;
    // True for an installation a crash cut short, until it is undone.
    bool CutShort() const { return state_ == State::Interrupted; }

    // The marker, naming the folder and the folders about to be made, before
    // any is made. Throws std::runtime_error when the record key refuses it.
    void Begin(const std::vector<std::string>& missing);
    // Makes the missing folders level by level from the top. False when the
    // install folder is not there afterwards: what was made goes again.
    bool MakeFolders();
    // Every destination probed once; the marker learns where the earlier
    // Setup.log goes. False when the system could not say what is there.
    // Throws std::runtime_error when the marker cannot be written.
    bool Plan();
    // The whole plan flushed to the journal file. False when it could not be.
    bool Journal();
    // Before the installation replaces `path`, the planned file from before
    // is renamed to its backup name, once. False when it could not be moved.
    bool MoveAside(const std::string& path, Reporter& report);
    // `path` opened for writing, when the plan knows it and the marker or
    // the journal names it; nullptr otherwise. A file this run made is
    // written anew; any other is made new, never emptied.
    std::unique_ptr<platform::File> OpenForWrite(const std::string& path);
    // A planned file another writer (the shell, a replace in one step) is
    // about to put down: moved aside, then counted as this run's. False
    // when it may not be written.
    bool Claim(const std::string& path, Reporter& report);
    // The commit step on the disk (the marker says so, flushed), then the
    // record names the installation: from the commit on, the next start
    // finishes the installation instead of undoing it. Throws
    // std::runtime_error when either cannot be written.
    void Commit();
    // A commit taken back before anything is undone, or the next start
    // would finish what the rollback undid. True when no commit stands.
    bool TakeBackCommit();
    // The backups go and the marker is cleared; should any of it stay, the
    // next start finishes it. True when nothing is left to do.
    bool Finish();
    // What this installation did is undone and its marker cleared. False
    // when something is left: the marker stays for the next start.
    bool Undo();

private:
    bool Writable(const std::string& path) const;
    void Disown();

    platform::WinPath folder_;
    InstallPlan plan_;
    std::set<std::string> written_;     // folded paths of files this run made
    std::set<std::string> movedAside_;  // folded paths of planned files moved aside
    std::size_t recorded_ = 0;          // leading planned files the marker or the journal names
    State state_ = State::Idle;
};
