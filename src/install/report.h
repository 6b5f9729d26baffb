// Questions and messages by id, and who answers them: the menu shows each
// as a message box; a run from the command line answers with what its
// options chose and logs it. The commands decide by the answer and report
// by their outcome, never by the words of a message.
#pragma once
#include <string>
#include <vector>

#include "platform/msgbox.h"

namespace platform {
class Form;
}

enum class Msg {
    // the start
    SetupInfMissing, SetupInfIncomplete,
    // the install command and the copy form
    FolderEmpty, FolderNotAbsolute, FolderNameInvalid, FolderEndsInDotOrBlank, FolderIsRoot, MwaveNotice, FolderExists,
    CreateFolder, FolderNotMade, NotWritable, NoSpace, DiscPrompt, NoMemory, CancelQuestion, CopyFailed, NotEnded,
    RollbackIncomplete, InstallDone, StartFailed,
    ReadmeFailed,
    // the uninstall
    UninstallStart, DeleteSaves, LogMissing, LogEmpty, UninstallDone, RecordNotRemoved, RecordNotRemovedApps,
    UninstallIncomplete,
    // the removal from the list of programs
    HandOverFailed, KeptSetupUnreadable, NoLongerInstalled, FolderGoneForgotten, LogMissingForget, ListEntryForgotten,
    // the record repair
    RemoveQuestion, RemoveDone, RemoveFailed, ChangeQuestion, ChangeAbandoned, NotInstalledThere, RootNotInstallFolder,
    ChangeFailed,
    ChangeDone,
    // the DirectX setup
    DirectXMissing, DirectXStartFailed,
    // the general error report: the error's own text
    Error,
};

struct MessageDef {
    Msg id;
    const char* text;  // each %s takes the next text given
    platform::MbButtons buttons;
    platform::MbIcon icon;
    platform::MbDefault def;
    const char* caption;  // nullptr: the application title
};

// The definition of `id`; every id has exactly one.
const MessageDef& MessageOf(Msg id);
// Its text with `args` in place of its %s, in order.
std::string TextOf(Msg id, const std::vector<std::string>& args = {});

class Reporter {
public:
    virtual ~Reporter() = default;
    // Asks or tells message `id`, owned by `owner` (nullptr: no owner);
    // the answer (the first button when it only tells).
    virtual platform::MbResult Ask(const platform::Form* owner, Msg id, const std::vector<std::string>& args = {}) = 0;
    // A step worth a line in the run's log.
    virtual void Note(const std::string& line) = 0;
};

// The menu's reporter: every message as a box, captioned with the
// application title; no log.
class BoxReporter : public Reporter {
public:
    platform::MbResult Ask(const platform::Form* owner, Msg id, const std::vector<std::string>& args = {}) override;
    void Note(const std::string&) override {}
};
