// Record repair: removing the installation record, and pointing it at a
// moved game folder.
#include "maintenance/recordrepair.h"

#include <memory>

#include "install/instcommon.h"
#include "install/instgetinstallfile.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"
#include "platform/sjis.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"
#include "shell/kivanlib.h"

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

bool IsGroupFolder(const std::string& name) {
    for (const char* group : kGroups)
        if (sjis::EqualsNoCase(name, group)) return true;
    return false;
}

}  // namespace

std::string RebaseInstallLog(const std::string& content, const std::string& folder) {
    std::string rebased;
    for (const std::string& line : LogLines(content)) {
        // The folder directly holding the file, without its backslash.
        std::string holder = sjis::FolderPart(line);
        if (!holder.empty()) holder.pop_back();
        const std::string group = sjis::LastPathComponent(holder);
        rebased += folder;
        if (IsGroupFolder(group)) rebased += group + "\\";
        rebased += sjis::LastPathComponent(line) + "\r\n";
    }
    return rebased;
}

bool RewriteInstallLog(const std::string& folder) {
    const std::string log = folder + kLogName;
    const std::string fresh = log + ".new";
    const std::string old = log + ".old";

    const auto content = platform::ReadWholeFile(log);
    if (!content) return false;
    if (!platform::WriteWholeFile(fresh, RebaseInstallLog(*content, folder))) {
        platform::RemoveFile(fresh);
        return false;
    }
    // An old log left by an earlier run is stale: Setup.log is here, so that
    // run either never moved it aside or had already put the new one in place.
    platform::RemoveFile(old);
    if (!platform::RenameFile(log, old)) {
        platform::RemoveFile(fresh);
        return false;
    }
    if (!platform::RenameFile(fresh, log)) {
        // Should even the way back fail, both copies stay under their
        // temporary names rather than losing one.
        if (platform::RenameFile(old, log)) platform::RemoveFile(fresh);
        return false;
    }
    platform::RemoveFile(old);
    return true;
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

    RemoveInstallationRecord();
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
    if (!BrowseForFolder(this, title, platform::kCsidlDrives, chosen)) {
        Tell(*this, "インストール情報の変更を中止しました。");
        return;
    }
    const std::string folder = sjis::WithTrailingBackslash(chosen);
    if (!platform::FileExists(folder + "Tazu.exe") || !platform::FileExists(folder + kLogName)) {
        Tell(*this, "選択されたフォルダにはゲームがインストールされていません。");
        return;
    }

    if (!RewriteInstallLog(folder)) {
        Tell(*this, "インストール情報の変更に失敗しました。", MbIcon::Error);
        return;
    }
    WriteInstallationRecord(folder);
    InstConfig.InstPath = folder;
    CreateStartMenuShortcut();
    Tell(*this, "インストール情報の変更が完了しました。");
}
