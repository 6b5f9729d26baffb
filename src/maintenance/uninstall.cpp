// The uninstall command.
#include "maintenance/uninstall.h"

#include <memory>
#include <optional>

#include "install/instcommon.h"
#include "maintenance/appsentry.h"
#include "maintenance/instdeletefiles.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

using platform::MbResult;

namespace {

// The deletion pass with its notice painted once: the pass does not process
// messages, so the start message the window posts to itself goes with it.
// The shortcut goes, and the record when every file went; otherwise the
// record and a log of what is left stay, so that the uninstall can be run
// again once whatever holds the files lets go. Save data kept stays listed
// for an uninstall that deletes it.
struct PassResult {
    DeletionPass pass;
    bool recordGone = false;
};
PassResult RunDeletionPass(const platform::Form& owner, Reporter& report, const std::string& log,
                           const platform::WinPath& folder, const std::string& logPath) {
    PassResult result;
    std::unique_ptr<TfrmDeleteFiles> notice(new TfrmDeleteFiles(owner, report));
    frmDeleteFiles = notice.get();
    struct Forget {
        ~Forget() { frmDeleteFiles = nullptr; }
    } forget;
    notice->Create();
    notice->SetCaption(owner.Caption());
    notice->Show();
    notice->Repaint();
    result.pass = UninstallFiles(log, folder, InstConfig.DeleteSaveData, report);
    RemoveStartMenuShortcut();
    if (result.pass.remaining.empty()) {
        // The record first: it can always go. The list's entry follows;
        // what of it stays, the next start takes.
        result.recordGone = RemoveInstallationRecord();
        if (result.recordGone) RemoveAppsEntry();
    } else {
        std::string rest;
        for (const auto* list : {&result.pass.remaining, &result.pass.keptSaves})
            for (const std::string& path : *list) rest += path + "\r\n";
        ReplaceInstallLog(logPath, rest);
    }
    notice->Destroy();
    frmDeleteFiles = nullptr;
    return result;
}

// The files that stayed, one a line below the folder, so that the user
// knows what to close: five at most, then how many more.
std::string RemainingList(const std::vector<std::string>& remaining, const platform::WinPath& folder) {
    constexpr std::size_t kShown = 5;
    std::string list;
    for (std::size_t i = 0; i < remaining.size() && i < kShown; ++i) {
        const auto file = platform::WinPath::Parse(remaining[i]);
        const auto holder = file ? file->Parent() : std::nullopt;
        const bool inGroup = holder && *holder != folder;
        list += "・" + (file ? (inGroup ? holder->Last() + "\\" : std::string()) + file->Last() : remaining[i]) + "\n";
    }
    if (remaining.size() > kShown) list += "ほか" + std::to_string(remaining.size() - kShown) + "個\n";
    return list;
}

// The removal from the list of a game whose files it cannot remove: the
// folder is gone (said), or there without its log (the files that stay
// said, then asked). The record, the shortcut and the entry go.
UninstallOutcome ForgetFromTheList(const platform::Form& owner, Reporter& report, bool folderGone) {
    const std::string& game = InstConfig.GameTitle;
    const std::string folder = InstConfig.InstFolder->Text();
    if (!folderGone && report.Ask(&owner, Msg::LogMissingForget, {game, folder}) != MbResult::Yes)
        return UninstallOutcome::Declined;
    report.Note(folderGone ? "インストール先のフォルダがありません：" + folder : std::string(kSetupLogName) + "がありません：" + folder);
    RemoveStartMenuShortcut();
    if (!RemoveInstallationRecord()) {
        report.Ask(&owner, Msg::RemoveFailed);
        return UninstallOutcome::RecordKept;
    }
    RemoveAppsEntry();
    report.Ask(&owner, folderGone ? Msg::FolderGoneForgotten : Msg::ListEntryForgotten, {game, folder});
    return UninstallOutcome::Done;
}

}  // namespace

UninstallOutcome UninstallGame(platform::Form& owner, Reporter& report, bool fromTheList) {
    const std::string& game = InstConfig.GameTitle;
    if (report.Ask(&owner, Msg::UninstallStart, {game}) != MbResult::Yes) return UninstallOutcome::Declined;

    // A record that names no usable folder is refused when it is read; the
    // check here keeps the pass from ever working over anything else.
    const auto& folder = InstConfig.InstFolder;
    const auto logFile = folder ? folder->Child(kSetupLogName) : std::nullopt;
    const std::string logPath = logFile ? logFile->Text() : std::string();
    std::optional<std::string> log;
    bool namesNothing = false;
    const auto readLog = [&] {
        if (logFile) RecoverInstallLog(logPath);
        // An unreadable log is as good as a missing one: nothing may be
        // deleted without knowing what the installation put down. So is one
        // that names no file of the installation: deleting "every listed
        // file" of it would delete nothing and call that complete.
        log = logFile && platform::FileExists(logPath) ? platform::ReadWholeFile(logPath) : std::nullopt;
        namesNothing = log && !LogNamesInstallation(*log, *folder);
        if (namesNothing) log.reset();
    };
    // From the list, nothing is asked of a game whose files cannot be removed.
    const auto there = folder && fromTheList ? platform::Probe(folder->Text()) : platform::PathKind::Unknown;
    if (there == platform::PathKind::Folder) readLog();
    // Only a log the system says is not there: one that could not be read
    // may be read the next time.
    if (there == platform::PathKind::Missing ||
        (!log && there == platform::PathKind::Folder && platform::Probe(logPath) == platform::PathKind::Missing))
        return ForgetFromTheList(owner, report, there == platform::PathKind::Missing);

    InstConfig.DeleteSaveData = report.Ask(&owner, Msg::DeleteSaves) == MbResult::Yes;
    if (!fromTheList) readLog();
    if (!log) {
        report.Ask(&owner, namesNothing ? Msg::LogEmpty : Msg::LogMissing, {game});
        return UninstallOutcome::LogMissing;
    }
    report.Note("削除するフォルダ：" + InstConfig.InstPath);

    platform::app::SetBusyCursor(true);
    // Nothing repaints during the pass: clear the questions' traces first.
    owner.Repaint();
    const PassResult result = RunDeletionPass(owner, report, *log, *folder, logPath);
    platform::app::SetBusyCursor(false);

    if (result.recordGone) {
        report.Ask(&owner, Msg::UninstallDone, {game});
        return UninstallOutcome::Done;
    }
    if (result.pass.remaining.empty()) {
        // The files are gone but the record still names their folder.
        report.Ask(&owner, Msg::RecordNotRemoved, {game});
        return UninstallOutcome::RecordKept;
    }
    for (const std::string& path : result.pass.remaining) report.Note("残ったファイル：" + path);
    report.Ask(&owner, Msg::UninstallIncomplete,
               {game, std::to_string(result.pass.remaining.size()), folder->Text(),
                RemainingList(result.pass.remaining, *folder)});
    return UninstallOutcome::Incomplete;
}
