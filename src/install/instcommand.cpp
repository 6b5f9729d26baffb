// The install command and the game start.
#include "install/instcommand.h"

#include <memory>
#include <optional>
#include <stdexcept>
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

// A name in the text that Windows would shorten ("Games." or "Games "):
// the path model refuses it, and the user is told why.
bool EndsInDotOrBlank(const std::string& text) {
    for (const std::string& part : sjis::SplitPath(text)) {
        if (part.empty() || part == "." || part == "..") continue;
        const auto fault = platform::WinPath::ComponentFault(part);
        if (fault && fault->kind == platform::NameFault::TrailingDotOrBlank) return true;
    }
    return false;
}

// The folder text is usable: given, absolute, not a root, read by Windows
// as it is written. Each refusal has its message. The text is read as it
// will be kept, with its backslash: "C:" is the drive's root as much as
// "C:\" is, and uninstalling from there would work over the whole drive.
std::optional<platform::WinPath> CheckFolderText(const platform::Form& owner, Reporter& report, const std::string& text) {
    if (text.empty()) {
        report.Ask(&owner, Msg::FolderEmpty);
        return std::nullopt;
    }
    // "C:Games" (relative to the drive's current folder), "\Games", and a
    // name Windows would change ("Games." loses its dot) are all refused.
    const auto folder = platform::WinPath::Parse(sjis::WithTrailingBackslash(text));
    if (!folder) {
        report.Ask(&owner, EndsInDotOrBlank(text) ? Msg::FolderEndsInDotOrBlank : Msg::FolderNotAbsolute);
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
std::optional<InstallOutcome> PrepareFolder(const platform::WinPath& checked, const platform::Form& owner,
                                            Reporter& report) {
    const std::string folder = checked.Text();
    const std::vector<std::string> created = MissingFolders(checked);
    const bool exists = created.empty();
    if (exists) {
        report.Ask(&owner, Msg::FolderExists);
    } else if (report.Ask(&owner, Msg::CreateFolder) != MbResult::Yes) {
        return InstallOutcome::Declined;
    }
    // This installation starts from nothing an earlier command left behind.
    InstConfig.DeleteSaveData = false;
    InstConfig.InstallJournal = {};
    InstConfig.InstallJournal.plan.folder = checked.FolderText();
    InstConfig.InstallJournal.plan.madeFolders = created;
    // From the first folder made on, the next start knows an installation
    // is under way, should this run end before it does, or the power go.
    if (!InstConfig.RecordKey ||
        !InstConfig.RecordKey->WriteString(kInstallingValue, JournalText(InstConfig.InstallJournal.plan)) ||
        !InstConfig.RecordKey->Flush())
        throw std::runtime_error("インストール情報をレジストリに書き込めませんでした。");
    if (!exists) {
        // Level by level from the top, so that only what this command made
        // is taken away again.
        std::vector<std::string> made;
        for (auto level = created.rbegin(); level != created.rend(); ++level)
            if (platform::MakeFolder(*level)) made.insert(made.begin(), *level);
        InstConfig.InstallJournal.plan.madeFolders = made;
        InstConfig.RecordKey->WriteString(kInstallingValue, JournalText(InstConfig.InstallJournal.plan));
        if ((made.empty() || made.front() != folder) && !platform::DirectoryExists(folder)) {
            // What could be made goes again; should any of it stay, the
            // marker is left for the next start to take it away.
            bool gone = true;
            for (const std::string& level : made) gone = platform::RemoveEmptyDirectory(level) && gone;
            if (gone) InstConfig.RecordKey->DeleteValue(kInstallingValue);
            report.Ask(&owner, Msg::FolderNotMade);
            return InstallOutcome::FolderNotMade;
        }
    }
    return std::nullopt;
}

// The copy form, shown modally; its outcome.
InstallOutcome RunCopyForm(const platform::Form& owner, Reporter& report) {
    std::unique_ptr<TfrmCopyFile> copy(new TfrmCopyFile(owner, report));
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

bool RolledBack(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::NotWritable: case InstallOutcome::NoSpace: case InstallOutcome::NoDisc:
        case InstallOutcome::Cancelled: case InstallOutcome::Failed:
            return true;
        case InstallOutcome::Done: case InstallOutcome::FolderRefused: case InstallOutcome::Declined:
        case InstallOutcome::FolderNotMade:
            return false;
    }
    return false;
}

InstallOutcome InstallGame(const std::string& folderText, bool mwave, const platform::Form& owner, Reporter& report) {
    const auto checked = CheckFolderText(owner, report, folderText);
    if (!checked) return InstallOutcome::FolderRefused;
    // From here on the folder is the one Windows reads: "C:/Games" is kept
    // as "C:\Games", "C:\Games\..\Tazu" as "C:\Tazu".
    if (mwave && report.Ask(&owner, Msg::MwaveNotice) != MbResult::Yes) return InstallOutcome::Declined;
    InstConfig.DllSource = mwave ? "InstData\\ovit_mwv.dll" : "InstData\\ovit.dll";
    if (const auto refused = PrepareFolder(*checked, owner, report)) return *refused;
    InstConfig.SetInstPath(checked);
    report.Note("インストール先：" + InstConfig.InstPath + (mwave ? "（M-WAVE対策版）" : "（通常PCM音源版）"));

    const InstallOutcome outcome = RunCopyForm(owner, report);
    if (outcome == InstallOutcome::Done) return outcome;
    // Undoes everything the plan and this run's writes say, the shortcut
    // and the folders made for it included.
    ShowRollback(owner, report);
    report.Ask(&owner, Msg::NotEnded);
    return outcome;
}

bool StartGame(const platform::Form& owner, Reporter& report) {
    if (platform::ShellOpen(GamePath(), InstConfig.InstPath)) return true;
    report.Ask(&owner, Msg::StartFailed, {InstConfig.GameTitle});
    return false;
}
