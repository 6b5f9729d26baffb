// Record repair: removing the installation record, and pointing it at a
// moved game folder.
#include "maintenance/recordrepair.h"

#include <memory>
#include <stdexcept>

#include "install/instcommon.h"
#include "install/transaction.h"
#include "maintenance/appsentry.h"
#include "maintenance/instdeletefiles.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

using platform::MbResult;

namespace {

constexpr const char* kLogName = "Setup.log";

}  // namespace

std::string RebaseInstallLog(const std::string& content, const platform::WinPath& folder) {
    std::string rebased;
    for (const std::string& line : LogLines(content)) {
        // A line Windows would not read as written names no installed file.
        const auto file = LoggedPath(line);
        if (!file || file->IsRoot()) continue;
        std::optional<platform::WinPath> moved;
        if (const auto holder = file->Parent()) {
            for (const char* group : kGroups)
                if (sjis::EqualsNoCase(holder->Last(), group)) moved = folder.Child(holder->Last());
        }
        moved = moved ? moved->Child(file->Last()) : folder.Child(file->Last());
        if (moved) rebased += moved->Text() + "\r\n";
    }
    return rebased;
}

bool RewriteInstallLog(const platform::WinPath& folder) {
    const std::string log = folder.Child(kLogName)->Text();
    const auto content = platform::ReadWholeFile(log);
    return content && ReplaceInstallLog(log, RebaseInstallLog(*content, folder));
}

RecordOutcome RemoveRecord(const platform::Form& owner, Reporter& report) {
    if (report.Ask(&owner, Msg::RemoveQuestion) != MbResult::Yes) return RecordOutcome::Declined;
    // A record that stays is not reported as removed: the menu stays as it
    // is, and the removal can be tried again.
    if (!RemoveAppsEntry() || !RemoveInstallationRecord()) {  // the list's entry goes before the record
        report.Ask(&owner, Msg::RemoveFailed);
        return RecordOutcome::Failed;
    }
    report.Ask(&owner, Msg::RemoveDone);
    return RecordOutcome::Done;
}

RecordOutcome MoveRecord(const std::string& chosen, const platform::Form& owner, Reporter& report) {
    // A root is never an install folder, and a folder Windows would read
    // otherwise than its name says is none either.
    const auto parsed = platform::WinPath::Parse(sjis::WithTrailingBackslash(chosen));
    if (parsed && parsed->IsRoot()) {
        report.Ask(&owner, Msg::RootNotInstallFolder);
        return RecordOutcome::Refused;
    }
    const std::string folder = parsed ? parsed->FolderText() : std::string();
    // A log left by an interrupted rewrite is put back only in a folder that
    // holds the game: another program's "Setup.log.old" is none of ours.
    const bool game = !folder.empty() && platform::FileExists(folder + "Tazu.exe");
    if (game) RecoverInstallLog(parsed->Child(kLogName)->Text());
    if (!game || !platform::FileExists(folder + kLogName)) {
        report.Ask(&owner, Msg::NotInstalledThere);
        return RecordOutcome::Refused;
    }

    // From here to the end the next start finishes the change, should this
    // run not.
    if (!InstConfig.RecordKey || !InstConfig.RecordKey->WriteString(kMovingValue, folder) ||
        !InstConfig.RecordKey->Flush())
        throw std::runtime_error("インストール情報をレジストリに書き込めませんでした。");
    if (!RewriteInstallLog(*parsed)) {
        InstConfig.RecordKey->DeleteValue(kMovingValue);
        report.Ask(&owner, Msg::ChangeFailed);
        return RecordOutcome::Failed;
    }
    FinishRecordChange(folder);
    report.Ask(&owner, Msg::ChangeDone);
    return RecordOutcome::Done;
}

void FinishRecordChange(const std::string& folder) {
    MoveAppsEntry(folder);  // the list's entry follows the game
    WriteInstallationRecord(folder);
    InstConfig.SetInstPath(platform::WinPath::Parse(folder));
    CreateStartMenuShortcut();
    InstConfig.RecordKey->DeleteValue(kMovingValue);
}

void RecoverInterruptedWork(const platform::Form& owner, Reporter& report) {
    auto* key = InstConfig.RecordKey.get();
    if (!key) return;
    if (const auto marker = key->ReadString(kInstallingValue)) {
        auto plan = ParseJournal(*marker);
        const auto folder = plan ? platform::WinPath::Parse(plan->folder) : std::nullopt;
        if (!folder) {
            key->DeleteValue(kInstallingValue);  // names nothing that could be undone
        } else {
            // The whole plan when its journal was written; else only the
            // folders made before it.
            const auto text = platform::ReadWholeFile(folder->Child(kJournalName)->Text());
            if (const auto full = text ? ParseJournal(*text) : std::nullopt) {
                const auto journalFolder = platform::WinPath::Parse(full->folder);
                if (journalFolder && *journalFolder == *folder) plan = full;
            }
            const auto& record = InstConfig.InstFolder;
            if (record && *record == *folder) {
                // It reached its record: only the clean-up was cut short.
                if (key->Flush() && FinishInstallation(*plan)) key->DeleteValue(kInstallingValue);
            } else {
                InstConfig.InstallJournal = {};
                InstConfig.InstallJournal.plan = *plan;
                InstConfig.InstallJournal.recovering = true;
                report.Note("中断されたインストールを元に戻します：" + plan->folder);
                ShowRollback(owner, report);
                InstConfig.InstallJournal = {};
            }
        }
    }
    if (const auto moving = key->ReadString(kMovingValue)) {
        const auto parsed = platform::WinPath::Parse(sjis::WithTrailingBackslash(*moving));
        const std::string folder = parsed && !parsed->IsRoot() ? parsed->FolderText() : std::string();
        if (!folder.empty()) RecoverInstallLog(parsed->Child(kLogName)->Text());
        if (folder.empty() || !platform::FileExists(folder + "Tazu.exe") || !platform::FileExists(folder + kLogName)) {
            key->DeleteValue(kMovingValue);
        } else {
            report.Note("中断されたインストール情報の変更を完了します：" + folder);
            try {
                if (RewriteInstallLog(*parsed)) FinishRecordChange(folder);
            } catch (const std::exception&) {
                // The record could not be written: the marker stays for the next start.
            }
        }
    }
}
