// Record repair: removing the installation record, and pointing it at a
// moved game folder.
#include "maintenance/recordrepair.h"

#include <memory>
#include <stdexcept>

#include "install/instcommon.h"
#include "install/instgetinstallfile.h"
#include "install/transaction.h"
#include "maintenance/appsentry.h"
#include "maintenance/instdeletefiles.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"
#include "shell/kivanlib.h"
#include "shell/unattended.h"

using platform::MbButtons;
using platform::MbDefault;
using platform::MbIcon;

namespace {

constexpr const char* kLogName = "Setup.log";

platform::MbResult Ask(const platform::Form& owner, const std::string& text) {
    return platform::ShowMessageBox(&owner, text, platform::app::Title(), MbButtons::YesNo, MbIcon::Question,
                                    MbDefault::Button2);
}
void Tell(const platform::Form& owner, const std::string& text, MbIcon icon = MbIcon::Information) {
    platform::ShowMessageBox(&owner, text, platform::app::Title(), MbButtons::Ok, icon);
}

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
    return content && ReplaceWholeFile(log, RebaseInstallLog(*content, folder));
}

// Forgets the installation without touching a file, so that a game deleted
// by hand can be installed again.
void TfrmInstMain::btnInstInfoDelClick(platform::Control&) {
    if (Ask(*this,
            "インストール情報の削除を行います。\n\n"
            "この作業はインストール情報を強制的に削除しますので、\n"
            "ゲームを手で消してしまったなどでインストールが\n"
            "行えなくなってしまった場合のみ実行してください。\n"
            "作業終了後、インストールが可能になります。\n\n"
            "作業を開始してよろしいですか？") != platform::MbResult::Yes)
        return;

    // A record that stays is not reported as removed: the menu stays as it
    // is, and the removal can be tried again.
    if (!RemoveAppsEntry() || !RemoveInstallationRecord()) {  // the list's entry goes before the record
        Tell(*this, "インストール情報を削除できませんでした。\nもう一度「インストール情報削除」を行ってください。",
             MbIcon::Warning);
        return;
    }
    Tell(*this, "インストール情報の削除が完了しました。");

    // From here on the menu and InstConfig look as a start without a record
    // leaves them.
    ShowInstallState();
    InstConfig.InstPath.clear();
    InstConfig.TotalInstSize = 0;
    for (auto& list : InstConfig.FileLists) list = std::make_unique<FileList>();
    GatherInstallFileInfo(*this);

    // The removal may have taken the maker's key with it; the install driver
    // writes through RecordKey, so the key must be there again.
    InstConfig.RecordKey.reset();
    InstConfig.RecordKey =
        platform::RegKey::OpenOrCreate("Software\\" + InstConfig.RegKey + "\\" + InstConfig.GameTitle);
}

// Points the record, the log and the shortcut at the folder the game was
// moved to. No game file is moved.
void TfrmInstMain::btnInstPathChgClick(platform::Control&) {
    if (Ask(*this,
            "インストール情報の変更を行います。\n\n"
            "この作業はインストール情報を強制的に変更しますので、\n"
            "ドライブ構成が変わったなどでゲームの起動や削除が\n"
            "行えなくなってしまった場合のみ実行してください。\n\n"
            "作業を開始してよろしいですか？") != platform::MbResult::Yes)
        return;

    const std::string title =
        "『" + InstConfig.GameTitle + "』がインストールされているフォルダを選択して下さい。";
    std::string chosen;
    if (!BrowseForFolder(this, title, platform::ShellFolder::Drives, chosen)) {
        Tell(*this, "インストール情報の変更を中止しました。");
        return;
    }
    // A root is never an install folder, and a folder Windows would read
    // otherwise than its name says is none either.
    const auto parsed = platform::WinPath::Parse(sjis::WithTrailingBackslash(chosen));
    const std::string folder = parsed && !parsed->IsRoot() ? parsed->FolderText() : std::string();
    // A log left by an interrupted rewrite is put back only in a folder that
    // holds the game: another program's "Setup.log.old" is none of ours.
    const bool game = !folder.empty() && platform::FileExists(folder + "Tazu.exe");
    if (game) RecoverInstallLog(parsed->Child(kLogName)->Text());
    if (!game || !platform::FileExists(folder + kLogName)) {
        Tell(*this, "選択されたフォルダにはゲームがインストールされていません。");
        return;
    }

    // From here to the end the next start finishes the change, should this
    // run not.
    if (!InstConfig.RecordKey || !InstConfig.RecordKey->WriteString(kMovingValue, folder))
        throw std::runtime_error("インストール情報をレジストリに書き込めませんでした。");
    if (!RewriteInstallLog(*parsed)) {
        InstConfig.RecordKey->DeleteValue(kMovingValue);
        Tell(*this, "インストール情報の変更に失敗しました。", MbIcon::Error);
        return;
    }
    FinishRecordChange(folder);
    Tell(*this, "インストール情報の変更が完了しました。");
}

void FinishRecordChange(const std::string& folder) {
    MoveAppsEntry(folder);  // the list's entry follows the game
    WriteInstallationRecord(folder);
    InstConfig.InstPath = folder;
    CreateStartMenuShortcut();
    InstConfig.RecordKey->DeleteValue(kMovingValue);
}

void RecoverInterruptedWork() {
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
            const auto record = platform::WinPath::Parse(InstConfig.InstPath);
            if (record && *record == *folder) {
                // It reached its record: only the clean-up was cut short.
                if (FinishInstallation(*plan)) key->DeleteValue(kInstallingValue);
            } else {
                InstConfig.InstallJournal = {};
                InstConfig.InstallJournal.plan = *plan;
                InstConfig.InstallJournal.recovering = true;
                RunLog("中断されたインストールを元に戻します：" + plan->folder);
                ShowRollback();
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
            RunLog("中断されたインストール情報の変更を完了します：" + folder);
            try {
                if (RewriteInstallLog(*parsed)) FinishRecordChange(folder);
            } catch (const std::exception&) {
                // The record could not be written: the marker stays for the next start.
            }
        }
    }
}
