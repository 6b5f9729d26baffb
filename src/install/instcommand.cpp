// The install command and the game start, behind both big menu buttons.
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "install/instcommon.h"
#include "install/instcopyfile.h"
#include "install/transaction.h"
#include "maintenance/instdeletefiles.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "platform/process.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"
#include "shell/unattended.h"

using platform::MbButtons;
using platform::MbDefault;
using platform::MbIcon;
using platform::MbResult;

namespace {

constexpr const char* kMwaveNotice =
    "IBM社製パソコンAptivaシリーズの「M-WAVE」音源搭載機種や、Maestro系の音源チップ搭載ボード、\n"
    "NEC社製パソコンV20CバリュースターNX、富士通社製FM-Vシリーズ等で問題が発生する場合以外は\n"
    "「通常PCM音源版」でインストールしてください。　（詳しくは取扱説明書をお読みください）\n\n"
    "「M-WAVE対策版」でインストールを行いますか？";

MbResult Say(const platform::Form* owner, const std::string& text, MbButtons buttons, MbIcon icon,
             MbDefault def = MbDefault::Button1) {
    return platform::ShowMessageBox(owner, text, platform::app::Title(), buttons, icon, def);
}

std::string GamePath() { return InstConfig.InstPath + "Tazu.exe"; }

// The folder text is usable: given, absolute, not a root, read by Windows
// as it is written. Each refusal has its message. The text is read as it
// will be kept, with its backslash: "C:" is the drive's root as much as
// "C:\" is, and uninstalling from there would work over the whole drive.
std::optional<platform::WinPath> CheckFolderText(const platform::Form* owner, const std::string& text) {
    if (text.empty()) {
        Say(owner, "インストール先のフォルダを入力して下さい。", MbButtons::Ok, MbIcon::Warning);
        return std::nullopt;
    }
    // "C:Games" (relative to the drive's current folder), "\Games", and a
    // name Windows would change ("Games." loses its dot) are all refused.
    const auto folder = platform::WinPath::Parse(sjis::WithTrailingBackslash(text));
    if (!folder) {
        Say(owner, "インストールするフォルダは絶対パスで入力してください。", MbButtons::Ok, MbIcon::Warning);
        return std::nullopt;
    }
    if (folder->IsRoot()) {
        Say(owner, "インストールするフォルダにルートは指定できません。", MbButtons::Ok, MbIcon::Warning);
        return std::nullopt;
    }
    return folder;
}

// The folder and those above it that do not exist yet, deepest first: what
// creating it makes, and what a rollback takes away again when empty.
std::vector<std::string> MissingFolders(const platform::WinPath& folder) {
    std::vector<std::string> missing;
    for (auto level = std::optional<platform::WinPath>(folder); level && !level->IsRoot(); level = level->Parent()) {
        if (platform::DirectoryExists(level->Text())) break;
        missing.push_back(level->Text());
    }
    return missing;
}

}  // namespace

void TfrmInstMain::btnStart1Click(platform::Control& sender) {
    if (!InstConfig.NeedInstall) {
        if (platform::ShellOpen(GamePath(), InstConfig.InstPath)) {
            Close();
        } else {
            Say(this, "『" + InstConfig.GameTitle + "』の起動に失敗しました。", MbButtons::Ok, MbIcon::Warning);
        }
        return;
    }

    const auto checked = CheckFolderText(this, edtInst.Text());
    if (!checked) return;
    // From here on the folder is the one Windows reads: "C:/Games" is kept
    // as "C:\Games", "C:\Games\..\Tazu" as "C:\Tazu".
    const std::string folder = checked->Text();

    std::string dll = "InstData\\ovit.dll";
    if (&sender == &btnStart2) {
        dll = "InstData\\ovit_mwv.dll";
        if (platform::ShowMessageBox(this, kMwaveNotice, "M-WAVE音源対策版インストールについて", MbButtons::YesNo,
                                     MbIcon::Question, MbDefault::Button2) != MbResult::Yes)
            return;
    }
    InstConfig.DllSource = dll;

    const std::vector<std::string> created = MissingFolders(*checked);
    const bool exists = created.empty();
    if (exists) {
        Say(this,
            "インストール先のフォルダは既に存在します。\nセーブデータが残っている場合は、残っているセーブデータがそのまま使用されます。",
            MbButtons::Ok, MbIcon::Information);
    } else if (Say(this, "インストール先のフォルダが存在しません。\n新しく作成しますか？", MbButtons::YesNo,
                   MbIcon::Question, MbDefault::Button1) != MbResult::Yes) {
        return;
    }
    // This installation starts from nothing an earlier command left behind.
    InstConfig.DeleteSaveData = false;
    InstConfig.InstallJournal = {};
    InstConfig.InstallJournal.plan.folder = checked->FolderText();
    InstConfig.InstallJournal.plan.madeFolders = created;
    // From the first folder made on, the next start knows an installation
    // is under way, should this run end before it does.
    if (!InstConfig.RecordKey ||
        !InstConfig.RecordKey->WriteString(kInstallingValue, JournalText(InstConfig.InstallJournal.plan)))
        throw std::runtime_error("インストール情報をレジストリに書き込めませんでした。");
    if (!exists) {
        // Level by level from the top, so that only what this command made
        // is taken away again.
        std::vector<std::string> made;
        for (auto level = created.rbegin(); level != created.rend(); ++level)
            if (platform::MakeFolder(*level)) made.insert(made.begin(), *level);
        InstConfig.InstallJournal.plan.madeFolders = made;
        InstConfig.RecordKey->WriteString(kInstallingValue, JournalText(InstConfig.InstallJournal.plan));
        if ((made.empty() || made.front() != checked->Text()) && !platform::DirectoryExists(folder)) {
            // What could be made goes again; should any of it stay, the
            // marker is left for the next start to take it away.
            bool gone = true;
            for (const std::string& level : made) gone = platform::RemoveEmptyDirectory(level) && gone;
            if (gone) InstConfig.RecordKey->DeleteValue(kInstallingValue);
            Say(this, "フォルダの作成に失敗しました。", MbButtons::Ok, MbIcon::Warning);
            return;
        }
    }
    InstConfig.InstPath = checked->FolderText();

    std::unique_ptr<TfrmCopyFile> copy(new TfrmCopyFile);
    frmCopyFile = copy.get();
    copy->Create();
    const int result = copy->ShowModal();
    copy.reset();  // closes Setup.log before anything reads it
    frmCopyFile = nullptr;

    if (result != platform::mrOK) {
        Repaint();
        // Undoes everything the plan and this run's writes say, the shortcut
        // and the folders made for it included.
        ShowRollback();
        Say(this, "インストールは正しく終了しませんでした。", MbButtons::Ok, MbIcon::Warning);
        Close();
        return;
    }

    InstConfig.NeedInstall = false;
    btnStart1.SetCaption("『" + InstConfig.GameTitle + "』　を開始");
    btnDelete.SetCaption("『" + InstConfig.GameTitle + "』　を削除");
    ApplyStateLayout(true);
    btnInstDirectX.SetVisible(false);

    ShowReadme();
    if (platform::app::Terminated()) return;  // the menu was closed meanwhile

    if (Say(this, "インストールが完了しました。\n\n『" + InstConfig.GameTitle + "』\n\nを今すぐ起動しますか？",
            MbButtons::YesNo, MbIcon::Question, MbDefault::Button1) == MbResult::Yes) {
        if (platform::ShellOpen(GamePath(), InstConfig.InstPath)) {
            Close();
            return;
        }
        Say(this, "『" + InstConfig.GameTitle + "』の起動に失敗しました。", MbButtons::Ok, MbIcon::Warning);
    }
    ApplyStateLayout(true);
    btnInstDirectX.SetVisible(true);
    // The readme wait took the focus off the start button; Enter starts the game.
    btnStart1.SetFocus();
}

// The readme beside the utility, in the system's text viewer; the command
// buttons wait until the viewer is closed.
void TfrmInstMain::ShowReadme() {
    // From the command line the readme shows only when asked for.
    if (const CommandLine* cmd = UnattendedCommand(); cmd && !cmd->readme) return;
    const std::string folder = platform::ExecutableFolder();
    if (!platform::FileExists(folder + "readme.txt")) return;
    for (platform::Control* c : {&btnStart1, &btnStart2, &btnDelete, &btnExit}) c->SetEnabled(false);
    const std::string viewer = platform::WindowsDirectory() + "\\notepad.exe";
    if (auto program = platform::StartProcess(viewer, viewer + " " + folder + "readme.txt")) {
        WaitForProgramEnd(*program);
    } else {
        platform::ShowMessageBox(nullptr,
                                 "Readme.txtの表示に失敗しました。\nReadme.txtを読む場合はCD-ROM内のReadme.txtを参照してください。",
                                 platform::app::Title(), MbButtons::Ok, MbIcon::Information);
    }
    for (platform::Control* c : {&btnStart1, &btnDelete, &btnExit}) c->SetEnabled(true);
    // The viewer had the front; the question that follows belongs to the menu.
    BringToFront();
}
