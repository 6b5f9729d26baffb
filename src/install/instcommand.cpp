// The install command and the game start.
#include "install/instcommand.h"

#include <memory>
#include <optional>
#include <vector>

#include "install/instcommon.h"
#include "install/instcopyfile.h"
#include "install/transaction.h"
#include "maintenance/instdeletefiles.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

using platform::MbResult;

namespace {

std::string GamePath() { return InstConfig.InstPath + "Tazu.exe"; }

// What the path model found wrong with a name, in the words of the message.
std::string NameFaultText(const platform::NameFault& fault) {
    switch (fault.kind) {
        case platform::NameFault::ReservedCharacter: return "使用できない文字「" + fault.text + "」";
        case platform::NameFault::DeviceName: return "Windowsが装置の名前として予約している名前「" + fault.text + "」";
        case platform::NameFault::ControlByte: return "制御文字";
        case platform::NameFault::BrokenCharacter: return "文字として読めないバイト";
        case platform::NameFault::Empty: case platform::NameFault::DotName: case platform::NameFault::TrailingDotOrBlank:
            break;
    }
    return "使用できない名前";
}

// The folder text is usable: given, absolute, not a root, read by Windows
// as it is written. Each refusal has its message, as the path model tells
// the reason. The text is read as it will be kept, with its backslash:
// "C:" is the drive's root as much as "C:\" is, and uninstalling from there
// would work over the whole drive.
std::optional<platform::WinPath> CheckFolderText(const platform::Form& owner, Reporter& report, const std::string& text) {
    if (text.empty()) {
        report.Ask(&owner, Msg::FolderEmpty);
        return std::nullopt;
    }
    // "C:Games" (relative to the drive's current folder), "\Games", and a
    // name Windows would change ("Games." loses its dot) are all refused.
    platform::PathFault fault;
    const auto folder = platform::WinPath::Parse(sjis::WithTrailingBackslash(text), fault);
    if (!folder) {
        switch (fault.kind) {
            case platform::PathFault::NoRoot: report.Ask(&owner, Msg::FolderNotAbsolute); break;
            case platform::PathFault::AboveRoot:
                report.Ask(&owner, Msg::FolderNameInvalid, {"ドライブのルートより上を指す「..」"});
                break;
            case platform::PathFault::BadName:
                if (fault.name.kind == platform::NameFault::TrailingDotOrBlank)
                    report.Ask(&owner, Msg::FolderEndsInDotOrBlank);
                else
                    report.Ask(&owner, Msg::FolderNameInvalid, {NameFaultText(fault.name)});
                break;
        }
        return std::nullopt;
    }
    if (folder->IsRoot()) {
        report.Ask(&owner, Msg::FolderIsRoot);
        return std::nullopt;
    }
    return folder;
}

// The folder and those above it that do not exist yet, deepest first: what
// creating it makes, and what a rollback takes away again when empty.
std::vector<std::string> MissingFolders(const platform::WinPath& folder) {
    std::vector<std::string> missing;
    for (auto level = std::optional<platform::WinPath>(folder); level && !level->IsRoot(); level = level->Parent()) {
        // A level the system could not tell about may be the user's folder,
        // which a rollback would take away: it counts as there.
        const platform::PathKind kind = platform::Probe(level->Text());
        if (kind == platform::PathKind::Folder || kind == platform::PathKind::Unknown) break;
        missing.push_back(level->Text());
    }
    return missing;
}

// Asks about the folder and makes what is missing of it, the marker of
// the installation written first. Nothing when the user declines.
std::optional<InstallOutcome> PrepareFolder(Installation& installation, const platform::Form& owner, Reporter& report) {
    const std::vector<std::string> created = MissingFolders(installation.Folder());
    if (created.empty()) {
        report.Ask(&owner, Msg::FolderExists);
    } else if (report.Ask(&owner, Msg::CreateFolder) != MbResult::Yes) {
        return InstallOutcome::Declined;
    }
    installation.Begin(created);
    if (!installation.MakeFolders()) {
        report.Ask(&owner, Msg::FolderNotMade);
        return InstallOutcome::FolderNotMade;
    }
    return std::nullopt;
}

// The copy form, shown modally; its outcome.
InstallOutcome RunCopyForm(Installation& installation, const platform::Form& owner, Reporter& report) {
    std::unique_ptr<TfrmCopyFile> copy(new TfrmCopyFile(owner, installation, report));
    frmCopyFile = copy.get();
    // Also when the run ends on the spot (a test's fake unwinds through here).
    struct Forget {
        ~Forget() { frmCopyFile = nullptr; }
    } forget;
    copy->Create();
    const int result = copy->ShowModal();
    const InstallOutcome outcome = result == platform::mrOK ? InstallOutcome::Done : copy->FOutcome;
    copy.reset();  // closes Setup.log before anything reads it
    frmCopyFile = nullptr;
    return outcome;
}

}  // namespace

bool CheckInstallFolder(const platform::Form& owner, Reporter& report, const std::string& folderText) {
    return CheckFolderText(owner, report, folderText).has_value();
}

InstallOutcome InstallGame(const std::string& folderText, bool mwave, const platform::Form& owner, Reporter& report) {
    const auto checked = CheckFolderText(owner, report, folderText);
    if (!checked) return InstallOutcome::FolderRefused;
    // From here on the folder is the one Windows reads: "C:/Games" is kept
    // as "C:\Games", "C:\Games\..\Tazu" as "C:\Tazu".
    if (mwave && report.Ask(&owner, Msg::MwaveNotice) != MbResult::Yes) return InstallOutcome::Declined;
    InstConfig.DllSource = mwave ? "InstData\\ovit_mwv.dll" : "InstData\\ovit.dll";
    Installation installation(*checked);
    if (const auto refused = PrepareFolder(installation, owner, report)) return *refused;
    InstConfig.SetInstPath(checked);
    report.Note("インストール先：" + InstConfig.InstPath + (mwave ? "（M-WAVE対策版）" : "（通常PCM音源版）"));

    const InstallOutcome outcome = RunCopyForm(installation, owner, report);
    if (outcome == InstallOutcome::Done) return outcome;
    // Undoes everything the plan and this run's writes say, the shortcut
    // and the folders made for it included. A folder nothing could be
    // written in has only its marker and the folders made to take away:
    // no deleting window for that.
    const bool undone = outcome == InstallOutcome::NotWritable ? RollBackInstallation(installation, report)
                                                               : ShowRollback(owner, installation, report);
    if (!undone) {
        report.Ask(&owner, Msg::RollbackIncomplete);
        return InstallOutcome::RollbackIncomplete;
    }
    report.Ask(&owner, Msg::NotEnded);
    return outcome;
}

bool StartGame(const platform::Form& owner, Reporter& report) {
    if (platform::ShellOpen(GamePath(), InstConfig.InstPath)) return true;
    report.Ask(&owner, Msg::StartFailed, {InstConfig.GameTitle});
    return false;
}
