// The fakes behind the platform headers, and what tests use to set them up
// and look at them afterwards. All state is in memory and reset per test.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/forms.h"
#include "platform/msgbox.h"
#include "platform/shellfolders.h"

namespace fake {

// Thrown by app::ExitProcessNow: the process ended on the spot. Not an
// std::exception, so no error report catches it.
struct ProcessExit {
    int code;
};
// Thrown at the call CrashAtCall chose: the process died there (killed, or
// the power went). Nothing after it happens.
struct Crash {};

// Everything back to a fresh machine: Windows in C:\WINDOWS with
// C:\Program Files, no drives but C:, empty registry, no mutexes, screen 1024 x 768, title empty.
void Reset();

// ---- files: Windows path rules (drive letters, backslashes, any case) ----
// Test set-up: creates the file (and its folders) whatever the rules say.
void AddFile(const std::string& path, const std::string& content, platform::FileTimes times = {1, 2, 3});
void AddDirectory(const std::string& path);  // with its parents
void RemoveFile(const std::string& path);
void SetWindowsDirectory(const std::string& path);
void SetExecutableFolder(const std::string& folder);  // default "Q:\"
void SetExecutableName(const std::string& name);      // default "TazuStart.exe"
constexpr const char* kTempFolder = "C:\\Users\\Player\\AppData\\Local\\Temp";
void SetTempFolder(std::optional<std::string> folder);  // nullopt: the system names none
void SetToday(platform::Date date);                     // default 2024-05-17, at 12:34:56
std::optional<platform::FileTimes> TimesOf(const std::string& path);
// Every file and folder at or below `folder`, as folded (upper-case) paths,
// folders with a trailing backslash, sorted.
std::vector<std::string> Tree(const std::string& folder);
// Faults of one file: opening fails; reading fails once `readFailsAt` bytes
// have been read (the first `readFailures` such reads, then they read fine;
// -1: every one); writing fails once `writeFailsAt` bytes have been written.
// A failed read moves the position on by the bytes asked for, as a driver
// that gave up midway may leave it.
struct FileFault {
    bool openFails = false;
    std::optional<std::uint64_t> readFailsAt, writeFailsAt;
    int readFailures = -1;
};
void SetFault(const std::string& path, FileFault fault);
// The read-only attribute: such a file cannot be deleted, emptied or replaced.
void SetReadOnly(const std::string& path, bool readOnly);
bool IsReadOnly(const std::string& path);
// Another program opens the file for reading, sharing reads only (as a
// running game or a virus scanner does); it cannot be deleted or written
// until Release. Returns the handle's id.
int HoldOpen(const std::string& path);
void Release(const std::string& path, int id);
// Every file: folded path -> content.
std::map<std::string, std::string> Files();
// Fault injection: counting from now, the nth fallible platform call (open,
// read, write, flush, file times, create, rename, replace, delete, remove a
// folder, create folders, registry write or key deletion, shortcut save)
// fails. CallCount tells how many fallible calls were made since.
void FailCall(int n);
// Several calls fail: a second failure inside the rollback or the recovery
// that the first one started.
void FailCalls(const std::vector<int>& ns);
// Every call from the nth on fails, as when the drive goes away.
void FailFromCall(int n);
int CallCount();
// From now on no call fails: what a test checks afterwards is not a fault.
// True when the chosen call was reached.
bool StopFailing();
// The process dies at the nth fallible call from now: fake::Crash is
// thrown instead of the call.
void CrashAtCall(int n);
// The process is gone with its windows, queued answers and open files. With
// `powerCut`, what reached the files only through the cache since their
// last flush is lost as well, every rename not written through is taken
// back (a file made since at the old name with it), and the registry is as
// last flushed; names made and deletions stay.
void ProcessDied(bool powerCut = false);
// Time passed: the system wrote every cached change out (file data,
// renames, the registry), as it does within seconds.
void WriteBackCaches();
// Every folder, folded, without a trailing backslash (roots keep theirs).
std::set<std::string> Folders();
// A short (8.3) name for a file or folder: Windows reads either spelling
// as the same item.
void SetShortName(const std::string& shortPath, const std::string& longPath);
// The folder is a junction or symbolic link.
void SetReparsePoint(const std::string& folder);
// Folded paths of every file created or emptied for writing since Reset.
const std::set<std::string>& OpenedForWriting();
// Free bytes of a drive's volume; writes use them up, deletes give them back.
void SetFreeSpace(char drive, std::uint64_t bytes);
// How many files were opened for reading or created, in all.
int OpenCount();

// ---- drives ----
struct Drive {
    bool cdrom = true;
    std::optional<std::string> label;  // nullopt: no disc / not ready
};
void SetDrive(char letter, Drive drive);

// ---- mutexes ----
std::set<std::string>& Mutexes();  // names that exist now

// ---- registry (HKEY_CURRENT_USER) ----
void RegSetString(const std::string& key, const std::string& name, const std::string& value);
void RegSetNumber(const std::string& key, const std::string& name, unsigned value);
bool RegKeyExists(const std::string& key);
std::optional<std::string> RegGetString(const std::string& key, const std::string& name);
// A number (REG_DWORD) value; nullopt when missing or a string.
std::optional<unsigned> RegGetNumber(const std::string& key, const std::string& name);
// Folded names of the key's values.
std::vector<std::string> RegValueNames(const std::string& key);
// Every value of every key: "<folded key>\\<folded name>" -> its data
// (strings as they are, numbers in decimal after '#').
std::map<std::string, std::string> RegValues();
void RegFailWrites(bool fail);  // every WriteString fails from now on
void RegFailDeletes(bool fail);  // every DeleteSubkeyTree fails from now on
// Every WriteString of this value fails from now on; an empty name ends
// all such failures.
void RegFailWritesOf(const std::string& name);

// ---- message boxes ----
struct ShownBox {
    const platform::Form* owner;
    std::string text, caption;
    platform::MbButtons buttons;
    platform::MbIcon icon;
    platform::MbDefault def;
    int tag;  // what the caller named the box by (platform::kUntaggedBox: nothing)
};
const std::vector<ShownBox>& Boxes();
// Answers the next box; a box without a queued answer gets its first button.
// `meanwhile` runs while the box is up, as what the user does before
// answering (putting in another disc, say).
void QueueAnswer(platform::MbResult answer, std::function<void()> meanwhile = nullptr);
// From now until the process ends, a box without a queued answer gets its
// last button (Cancel, No): a user giving up on a drive that went away.
void GiveUpOnUnqueuedBoxes();

// ---- folder picker ----
struct FolderPick {
    const platform::Form* owner;
    std::string title;
    platform::ShellFolder root;
};
const std::vector<FolderPick>& FolderPicks();
void QueueFolderPick(std::optional<std::string> chosen);  // nullopt: cancel

// ---- shell: special folders and links ----
constexpr const char* kProgramsFolder = "C:\\Users\\Player\\Start Menu\\Programs";
void SetProgramsFolder(std::optional<std::string> path);
constexpr const char* kLocalAppData = "C:\\Users\\Player\\AppData\\Local";
void SetLocalAppData(std::optional<std::string> path);  // nullopt: the system names none
// The known folder for the user's own programs; none by default (Wine 8).
void SetUserProgramFiles(std::optional<std::string> path);
// Nothing can be created in the folder (a standard user's Program Files).
void LockFolder(const std::string& path);
struct Link {
    std::string target, icon;
};
std::optional<Link> LinkAt(const std::string& path);
void FailLinkObject(bool fail);  // the shell-link object cannot be created

// ---- processes ----
struct Started {
    std::string application, commandLine;
    bool hidden = false;  // by StartHidden
    std::string directory;  // its current folder; empty: this program's
};
const std::vector<Started>& StartedProcesses();
void FailNextStart();
// The next started program ends after it was polled this many times (1: at
// the first poll), with `exitCode`. A program polled 100,000 times fails the
// test. Each WaitForEnd that finds it running lets the time asked pass as
// app::Wait does.
void SetProcessPolls(int polls, int exitCode = 0);
struct Opened {
    std::string file, directory;
};
const std::vector<Opened>& ShellOpens();
void FailShellOpen(bool fail);
void SetWin9x(bool win9x);

// ---- forms ----
// Runs when a form of class `formName` is shown modally, once per showing,
// in the order queued. It must end the modal state (click a button, set a
// modal result); a modal form left open fails the test.
void OnModal(const std::string& formName, std::function<void(platform::Form&)> action);
// Runs on the next app::ProcessMessages call (after posted messages).
void OnProcessMessages(std::function<void()> action);
// What the forms did, in order: "create X", "show X", "hide X", "repaint X",
// "destroy X", "modal X", "progress X.ctl=N", "caption X.ctl=text".
std::vector<std::string>& Events();
// Outer size of a form as the fake reports it: client + (6, 25).
constexpr int kFrameWidth = 6, kFrameHeight = 25;
// Widths of characters in the fakes' font, near those of the 12 px Gothic
// the forms use: a caption fits a control when it is no wider than the
// control, less a panel's edge of 1 px each side.
constexpr int kSingleByteWidth = 7, kDoubleByteWidth = 11;
void SetScreenSize(int width, int height);

// ---- the program's command line and console ----
void SetArguments(std::vector<std::string> arguments);
// One argument holds a character code page 932 does not have.
void SetInexactArguments(bool inexact);
void SetConsole(bool attached);  // a console to write to, or none (default)
std::string ConsoleText();
std::string ConsoleErrorText();  // what went to the console's error output
// Runs at every app::Wait with the milliseconds waited so far in all.
void OnWait(std::function<void(int)> action);
int Waited();
// Caption and position of the last showing of a form of class `formName`.
struct Shown {
    std::string caption;
    int left = 0, top = 0;
};
Shown LastShown(const std::string& formName);
// The user drags a form's window to this outer position. Only a window that
// is there to be seen can be dragged: a form not created or hidden fails the test.
void MoveByUser(platform::Form& form, int left, int top);

}  // namespace fake
