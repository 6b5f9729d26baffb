// The uninstall command.
#include <memory>

#include "install/instcommon.h"
#include "maintenance/appsentry.h"
#include "maintenance/instdeletefiles.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"

using platform::MbButtons;
using platform::MbDefault;
using platform::MbIcon;
using platform::MbResult;

void TfrmInstMain::btnDeleteClick(platform::Control&) {
    const std::string& title = platform::app::Title();
    const std::string& game = InstConfig.GameTitle;
    if (platform::ShowMessageBox(this, "インストールされている\n\n『" + game + "』\n\nの削除を開始します。", title,
                                 MbButtons::YesNo, MbIcon::Question, MbDefault::Button2) != MbResult::Yes)
        return;
    InstConfig.DeleteSaveData =
        platform::ShowMessageBox(this,
                                 "セーブデータを削除しますか？\n\nセーブデータを削除する場合は「はい」を、\n"
                                 "セーブデータを残す場合は「いいえ」を選択してください。",
                                 title, MbButtons::YesNo, MbIcon::Question, MbDefault::Button2) == MbResult::Yes;

    // A record that names no usable folder is refused when it is read; the
    // check here keeps the pass from ever working over anything else.
    const auto folder = platform::WinPath::Parse(InstConfig.InstPath);
    const auto logFile = folder && !folder->IsRoot() ? folder->Child("Setup.log") : std::nullopt;
    const std::string logPath = logFile ? logFile->Text() : std::string();
    if (logFile) RecoverInstallLog(logPath);
    // An unreadable log is as good as a missing one: nothing may be deleted
    // without knowing what the installation put down.
    // So is one that names no file of the installation: deleting "every
    // listed file" of it would delete nothing and call that complete.
    auto log = logFile && platform::FileExists(logPath) ? platform::ReadWholeFile(logPath) : std::nullopt;
    if (log && !LogNamesInstallation(*log, *folder)) log.reset();
    if (!log) {
        platform::ShowMessageBox(this, "Setup.logが見つかりません。\n『" + game + "』の削除は行えません。", title,
                                 MbButtons::Ok, MbIcon::Warning);
        return;
    }

    platform::app::SetBusyCursor(true);
    // Nothing repaints during the pass: clear the questions' traces first.
    Repaint();
    UninstallOutcome outcome;
    bool recordGone = false;
    {
        // The notice is painted once; the pass does not process messages, so
        // the start message it posts to itself goes with the window.
        std::unique_ptr<TfrmDeleteFiles> notice(new TfrmDeleteFiles);
        frmDeleteFiles = notice.get();
        notice->Create();
        notice->SetCaption(Caption());
        notice->Show();
        notice->Repaint();
        outcome = UninstallFiles(*log, *folder, InstConfig.DeleteSaveData);
        RemoveStartMenuShortcut();
        if (outcome.remaining.empty()) {
            recordGone = RemoveAppsEntry() && RemoveInstallationRecord();  // the list's entry goes before the record
        } else {
            // The record and a log of what is left stay, so that the uninstall
            // can be run again once whatever holds the files lets go. Save
            // data kept stays listed for an uninstall that deletes it.
            std::string rest;
            for (const auto* list : {&outcome.remaining, &outcome.keptSaves})
                for (const std::string& path : *list) rest += path + "\r\n";
            ReplaceWholeFile(logPath, rest);
        }
        notice->Destroy();
        frmDeleteFiles = nullptr;
    }
    platform::app::SetBusyCursor(false);
    if (recordGone) {
        platform::ShowMessageBox(this, "『" + game + "』の削除が完了しました。", title, MbButtons::Ok,
                                 MbIcon::Information);
    } else if (outcome.remaining.empty()) {
        // The files are gone but the record still names their folder.
        platform::ShowMessageBox(this,
                                 "『" + game + "』のファイルは削除しましたが、インストール情報を削除できませんでした。\n" +
                                     "「インストール情報削除」でインストール情報を削除してください。",
                                 title, MbButtons::Ok, MbIcon::Warning);
    } else {
        platform::ShowMessageBox(this,
                                 "『" + game + "』の削除を完了できませんでした。\n\n" +
                                     "使用中などの理由で削除できなかったファイルが " +
                                     std::to_string(outcome.remaining.size()) + " 個、次のフォルダに残っています。\n\n[ " +
                                     folder->Text() + " ]\n\n" +
                                     "ファイルを使用しているプログラムを終了してから、もう一度削除を行ってください。",
                                 title, MbButtons::Ok, MbIcon::Warning);
    }
    Close();
}
