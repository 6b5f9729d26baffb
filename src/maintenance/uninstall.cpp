// The uninstall command.
#include <memory>

#include "install/instcommon.h"
#include "maintenance/instdeletefiles.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/msgbox.h"
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

    const std::string logPath = InstConfig.InstPath + "Setup.log";
    if (!platform::FileExists(logPath)) {
        platform::ShowMessageBox(this, "Setup.logが見つかりません。\n『" + game + "』の削除は行えません。", title,
                                 MbButtons::Ok, MbIcon::Warning);
        return;
    }
    const auto log = platform::ReadWholeFile(logPath);

    platform::app::SetBusyCursor(true);
    // Nothing repaints during the pass: clear the questions' traces first.
    Repaint();
    {
        // The notice is painted once; the pass does not process messages, so
        // the start message it posts to itself goes with the window.
        std::unique_ptr<TfrmDeleteFiles> notice(new TfrmDeleteFiles);
        frmDeleteFiles = notice.get();
        notice->Create();
        notice->SetCaption(Caption());
        notice->Show();
        notice->Repaint();
        // The uninstall removes what the log lists, whatever was there before.
        DeleteInstalledFiles(log, {});
        RemoveStartMenuShortcut();
        RemoveInstallationRecord();
        notice->Destroy();
        frmDeleteFiles = nullptr;
    }
    platform::app::SetBusyCursor(false);
    platform::ShowMessageBox(this, "『" + game + "』の削除が完了しました。", title, MbButtons::Ok,
                             MbIcon::Information);
    Close();
}
