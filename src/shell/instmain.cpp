// The main menu window.
#include "shell/instmain.h"

#include <initializer_list>

#include "install/instgetinstallfile.h"
#include "install/tzcdrom.h"
#include "maintenance/recordrepair.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/shellfolders.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"
#include "shell/kivanlib.h"
#include "shell/setupsetting.h"

using platform::Align;
using platform::ControlKind;

TfrmInstMain* frmInstMain = nullptr;

namespace {

[[noreturn]] void FailStart(platform::Form& owner, Reporter& report, Msg id) {
    report.Ask(&owner, id);
    platform::app::ExitProcessNow();
}

}  // namespace

void ReadSettingSection(platform::Form& mainForm, Reporter& report) {
    InstConfig.CdRoot = InstConfig.KeptFolder.empty() ? std::string(1, InstConfig.CdDrive) + ":\\" : InstConfig.KeptFolder;
    InstConfig.SetupInfPath = InstConfig.CdRoot + "Setup.inf";

    if (!platform::FileExists(InstConfig.SetupInfPath)) FailStart(mainForm, report, Msg::SetupInfMissing);

    InstConfig.SetupInf = platform::IniFile::Open(InstConfig.SetupInfPath);
    if (!InstConfig.SetupInf)  // present but unreadable: nothing in it can be used
        InstConfig.SetupInf = std::make_unique<platform::IniFile>(std::string());
    ReadSetting(*InstConfig.SetupInf, InstConfig);
    platform::app::SetTitle(ApplicationTitleFor(InstConfig.GameTitle));
    mainForm.SetCaption(platform::app::Title());
    if (!SettingComplete(InstConfig)) FailStart(mainForm, report, Msg::SetupInfIncomplete);
}

namespace {
const platform::ControlDef kControls[] = {
    // name             kind                  left  top width height caption tab handler [parent colour align flags]
    {"btnStart1",      ControlKind::Button,     8,   8, 377, 25, "", 0, "btnStart1Click"},
    {"btnStart2",      ControlKind::Button,     8,  40, 377, 25, "", 1, "btnStart1Click"},
    {"btnDelete",      ControlKind::Button,     8,  40, 377, 25, "", 2, "btnDeleteClick"},
    {"edtInst",        ControlKind::Edit,      16, 104, 305, 20, "", 3, nullptr, nullptr,
     platform::kDefaultColor, Align::Left, platform::kImeOpen},
    {"gbInstInfo",     ControlKind::GroupBox,   8,  77, 377, 65,
     " ゲームの起動や削除ができなくなってしまった場合に使用してください  ", 4, nullptr, nullptr, platform::kBlue},
    {"btnInstPathChg", ControlKind::Button,     8,  24, 177, 25, "インストール情報変更(&C)", 0, "btnInstPathChgClick",
     "gbInstInfo"},
    {"btnInstInfoDel", ControlKind::Button,   192,  24, 177, 25, "インストール情報削除(&E)", 1, "btnInstInfoDelClick",
     "gbInstInfo"},
    {"btnS",           ControlKind::Button,   328, 104,  49, 20, "参照", 6, "btnSClick"},
    {"btnInstDirectX", ControlKind::Button,     8, 157, 377, 25, "DirectX 8.1b をインストール", 7, "btnInstDirectXClick"},
    {"btnExit",        ControlKind::Button,     8, 189, 377, 25, "メニューを終了", 8, "btnExitClick"},
    {"lblInst",        ControlKind::Label,     16,  88,  81, 12, "インストール先：", -1, nullptr},
    {"sbInst",         ControlKind::StatusBar,  0, 220, 394, 19,
     "TAZU Start Up Utility ver1.41 クエンド ～QUENDRIL～ 専用版", -1, nullptr, nullptr, platform::kDefaultColor,
     Align::Right, platform::kNoSizeGrip},
};

std::string Bracketed(const char* tail) { return "『" + InstConfig.GameTitle + tail; }

// "C:" of "C:\WINDOWS": the root of the Windows folder, without its backslash.
std::string WindowsDrive(const std::string& windowsDir) {
    const auto dir = platform::WinPath::Parse(windowsDir);
    if (!dir) return std::string();
    std::string root = dir->RootText();
    root.pop_back();
    return root;
}
}  // namespace


const platform::FormDef kInstMainForm = {
    "TfrmInstMain", "", 394, 239, platform::BorderStyle::Single, true, true,
    kControls, sizeof kControls / sizeof kControls[0]};

std::string ProposedInstallFolder(const std::string& windowsDir, const std::string& defInstPath) {
    return WindowsDrive(windowsDir) + "\\Program Files\\" + defInstPath;
}

bool CanMakeFolderIn(const std::string& folder) {
    const auto parent = platform::WinPath::Parse(folder);
    if (!parent || !platform::DirectoryExists(parent->Text())) return false;
    for (int n = 0; n < 100; ++n) {
        const auto probe = parent->Child("~TazuStart-probe-" + std::to_string(n));
        // A probe a killed run left is ours: taken away when empty, and the
        // next name tried when it stays.
        if (probe && platform::DirectoryExists(probe->Text())) platform::RemoveEmptyDirectory(probe->Text());
        if (!probe || platform::DirectoryExists(probe->Text()) || platform::FileExists(probe->Text())) continue;
        if (!platform::MakeFolder(probe->Text())) return false;
        // A folder just made may be held for a moment (a virus scanner
        // looks at it): Program Files is left as it was found.
        for (int tries = 0; tries < 3 && !platform::RemoveEmptyDirectory(probe->Text()); ++tries)
            platform::app::Wait(50);
        return true;
    }
    return false;
}

std::string ProposeInstallFolder() {
    const std::string windowsDir = platform::WindowsDirectory();
    const std::string shared = ProposedInstallFolder(windowsDir, InstConfig.DefInstPath);
    if (CanMakeFolderIn(WindowsDrive(windowsDir) + "\\Program Files")) return shared;
    // A standard user, or an administrator under User Account Control: the
    // user's own programs folder, where the record (HKEY_CURRENT_USER) and the
    // shortcut (the user's start menu) already belong.
    auto programs = platform::UserProgramFilesFolder();
    if (!programs) {
        if (const auto local = platform::SpecialFolderPath(platform::ShellFolder::LocalAppData)) programs = *local + "\\Programs";
    }
    // Proposed, not made: the installation makes what is missing of it, and
    // a user who installs elsewhere or not at all is left no folder.
    if (!programs) return shared;
    return *programs + "\\" + InstConfig.DefInstPath;
}

TfrmInstMain::TfrmInstMain() : Form(kInstMainForm) {
    Bind("btnStart1Click", &TfrmInstMain::btnStart1Click);
    Bind("btnExitClick", &TfrmInstMain::btnExitClick);
    Bind("btnSClick", &TfrmInstMain::btnSClick);
    Bind("btnDeleteClick", &TfrmInstMain::btnDeleteClick);
    Bind("btnInstInfoDelClick", &TfrmInstMain::btnInstInfoDelClick);
    Bind("btnInstPathChgClick", &TfrmInstMain::btnInstPathChgClick);
    Bind("btnInstDirectXClick", &TfrmInstMain::btnInstDirectXClick);
}

// Everything the menu needs is settled here, before the window shows: every
// dialog and message of the start-up appears before the menu.
void TfrmInstMain::FormCreate() {
    InstConfig.TazuInstSize = InstConfig.DatInstSize = InstConfig.TazInstSize = 0;
    InstConfig.TzdInstSize = InstConfig.TzsInstSize = InstConfig.TzmInstSize = 0;
    InstConfig.TotalInstSize = 0;
    for (int disc = 1; disc <= kMaxDiscs; ++disc)
        for (int g = 0; g < kGroupCount; ++g)
            InstConfig.FileLists[static_cast<std::size_t>(g * kMaxDiscs + disc - 1)] = std::make_unique<FileList>();
    platform::app::SetTaskbarIcon(*this);

    FindInstallDisc();
    ReadSettingSection(*this, Report());
    ReadInstallationRecord();
    // What a crash left half done is settled before the menu shows.
    RecoverInterruptedWork(*this, Report());
    if (ReadInstallationRecord()) {
        ShowInstalledState();
    } else {
        ShowInstallState();
        GatherInstallFileInfo(*this);
    }
}

void TfrmInstMain::FormShow() { CenterOnScreen(); }

void TfrmInstMain::FormDestroy() {
    for (int disc = 1; disc <= kMaxDiscs; ++disc)
        for (int g = 0; g < kGroupCount; ++g) InstConfig.FileLists[static_cast<std::size_t>(g * kMaxDiscs + disc - 1)].reset();
    InstConfig.SetupInf.reset();
    InstConfig.RecordKey.reset();
}

void TfrmInstMain::ShowInstallState() {
    InstConfig.NeedInstall = true;
    btnStart1.SetCaption(Bracketed("』　をインストール (通常PCM音源版)"));
    btnStart2.SetCaption(Bracketed("』　をインストール (M-WAVE対策版)"));
    // The installed state may have left the hidden M-WAVE button disabled
    // (the readme wait, the DirectX setup); it works like the first button,
    // which is disabled only while the menu is locked.
    btnStart2.SetEnabled(btnStart1.Enabled());
    ApplyStateLayout(false);
    edtInst.SetText(ProposeInstallFolder());
}

void TfrmInstMain::ShowInstalledState() {
    InstConfig.NeedInstall = false;
    btnStart1.SetCaption(Bracketed("』　を起動"));
    btnDelete.SetCaption(Bracketed("』　を削除"));
    ApplyStateLayout(true);
}

// The second row holds either the M-WAVE install button or the remove
// button; the middle holds either the folder row or the repair group.
void TfrmInstMain::ApplyStateLayout(bool installed) {
    using Controls = std::initializer_list<platform::Control*>;
    for (platform::Control* c : Controls{&btnStart2, &lblInst, &edtInst, &btnS}) c->SetVisible(!installed);
    for (platform::Control* c : Controls{&btnDelete, &gbInstInfo, &btnInstPathChg, &btnInstInfoDel})
        c->SetVisible(installed);
    for (platform::Control* c : Controls{&btnStart1, &btnInstDirectX, &btnExit}) c->SetVisible(true);
}

void TfrmInstMain::btnExitClick(platform::Control&) { Close(); }

void TfrmInstMain::btnSClick(platform::Control&) {
    std::string path;
    if (!BrowseForFolder(this, "インストール先フォルダを選択してください。", platform::ShellFolder::Drives, path)) return;
    edtInst.SetText(sjis::WithTrailingBackslash(path) + InstConfig.DefInstPath);
}

// The command buttons' handlers are in shell/commands.cpp; the commands
// themselves live with their work in install/ and maintenance/.
