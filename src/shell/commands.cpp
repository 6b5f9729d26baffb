// The menu's command buttons: each calls its command and shows what follows
// from the outcome.
#include <initializer_list>
#include <memory>

#include "install/instcommand.h"
#include "install/instcommon.h"
#include "install/instgetinstallfile.h"
#include "maintenance/dxsetup.h"
#include "maintenance/recordrepair.h"
#include "maintenance/uninstall.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shellfolders.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"
#include "shell/kivanlib.h"

using platform::MbResult;

void TfrmInstMain::btnStart1Click(platform::Control& sender) {
    if (!InstConfig.NeedInstall) {
        if (StartGame(*this, Report())) Close();
        return;
    }
    switch (InstallGame(edtInst.Text(), &sender == &btnStart2, *this, Report())) {
        case InstallOutcome::Done:
            AfterInstallation(true);
            return;
        // Rolled back, or its rollback waits for the next start: the menu closes.
        case InstallOutcome::NotWritable: case InstallOutcome::NoSpace: case InstallOutcome::NoDisc:
        case InstallOutcome::Cancelled: case InstallOutcome::Failed: case InstallOutcome::RollbackIncomplete:
            Close();
            return;
        case InstallOutcome::FolderRefused: case InstallOutcome::Declined: case InstallOutcome::FolderNotMade:
            return;
    }
}

void TfrmInstMain::AfterInstallation(bool readme) {
    InstConfig.NeedInstall = false;
    btnStart1.SetCaption("『" + InstConfig.GameTitle + "』　を開始");
    btnDelete.SetCaption("『" + InstConfig.GameTitle + "』　を削除");
    ApplyStateLayout(true);
    btnInstDirectX.SetVisible(false);

    if (readme) ShowReadme();
    if (platform::app::Terminated()) return;  // the menu was closed meanwhile

    if (Report().Ask(this, Msg::InstallDone, {InstConfig.GameTitle}) == MbResult::Yes && StartGame(*this, Report())) {
        Close();
        return;
    }
    ApplyStateLayout(true);
    btnInstDirectX.SetVisible(true);
    // The readme wait took the focus off the start button; Enter starts the game.
    btnStart1.SetFocus();
}

// The readme beside the utility, in the system's text viewer; the command
// buttons wait until the viewer is closed.
void TfrmInstMain::ShowReadme() {
    const std::string folder = platform::ExecutableFolder();
    if (!platform::FileExists(folder + "readme.txt")) return;
    for (platform::Control* c : {&btnStart1, &btnStart2, &btnDelete, &btnExit}) c->SetEnabled(false);
    const std::string viewer = platform::WindowsDirectory() + "\\notepad.exe";
    if (auto program = platform::StartProcess(viewer, viewer + " " + folder + "readme.txt")) {
        WaitForProgramEnd(*program);
    } else {
        Report().Ask(nullptr, Msg::ReadmeFailed);
    }
    for (platform::Control* c : {&btnStart1, &btnDelete, &btnExit}) c->SetEnabled(true);
    // The viewer had the front; the question that follows belongs to the menu.
    BringToFront();
}

void TfrmInstMain::btnDeleteClick(platform::Control&) {
    switch (UninstallGame(*this, Report())) {
        // Once the pass ran, the utility ends.
        case UninstallOutcome::Done: case UninstallOutcome::RecordKept: case UninstallOutcome::Incomplete:
            Close();
            return;
        case UninstallOutcome::Declined: case UninstallOutcome::LogMissing:
            return;
    }
}

// Afterwards the menu and InstConfig look as a start without a record
// leaves them.
void TfrmInstMain::btnInstInfoDelClick(platform::Control&) {
    switch (RemoveRecord(*this, Report())) {
        case RecordOutcome::Done: break;
        case RecordOutcome::Declined: case RecordOutcome::Refused: case RecordOutcome::Failed: return;
    }
    ShowInstallState();
    InstConfig.SetInstPath(std::nullopt);
    InstConfig.TotalInstSize = 0;
    for (auto& list : InstConfig.FileLists) list = std::make_unique<FileList>();
    GatherInstallFileInfo(*this);
    // The removal may have taken the maker's key with it; the install driver
    // writes through RecordKey, so the key must be there again.
    InstConfig.RecordKey.reset();
    InstConfig.RecordKey = platform::RegKey::OpenOrCreate(RecordKeyPath());
}

void TfrmInstMain::btnInstPathChgClick(platform::Control&) {
    if (Report().Ask(this, Msg::ChangeQuestion) != MbResult::Yes) return;
    const std::string title = "『" + InstConfig.GameTitle + "』がインストールされているフォルダを選択して下さい。";
    std::string chosen;
    if (!BrowseForFolder(this, title, platform::ShellFolder::Drives, chosen)) {
        Report().Ask(this, Msg::ChangeAbandoned);
        return;
    }
    MoveRecord(chosen, *this, Report());
}

void TfrmInstMain::btnInstDirectXClick(platform::Control&) {
    const bool edtInstEnabled = edtInst.Enabled();
    const bool btnSEnabled = btnS.Enabled();
    // The repair buttons stay usable during the wait, so the state restored
    // afterwards follows InstPath as it is then, not as it was now.
    using Controls = std::initializer_list<platform::Control*>;
    const Controls locked{&btnStart1, &btnStart2, &btnDelete, &edtInst, &btnS, &btnInstDirectX, &btnExit};
    const auto lock = [&] {
        for (platform::Control* c : locked) c->SetEnabled(false);
    };
    switch (RunDirectXSetup(*this, Report(), lock)) {
        case DirectXOutcome::Missing: platform::app::ExitProcessNow();
        case DirectXOutcome::MenuClosed: return;
        case DirectXOutcome::Done: case DirectXOutcome::StartFailed: break;
    }

    const bool installed = !InstConfig.InstPath.empty();
    btnStart1.SetEnabled(true);
    btnStart2.SetEnabled(!installed);
    btnDelete.SetEnabled(installed);
    edtInst.SetEnabled(edtInstEnabled);
    btnS.SetEnabled(btnSEnabled);
    btnInstDirectX.SetEnabled(true);
    btnExit.SetEnabled(true);
}
