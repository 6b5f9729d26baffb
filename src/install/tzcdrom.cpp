// The CD-ROM drive dialog.
#include "install/tzcdrom.h"

#include "platform/app.h"
#include "platform/drives.h"
#include "shell/instconfig.h"

using platform::ControlKind;

namespace {
const platform::ControlDef kControls[] = {
    // name           kind                  left top width height caption                                              tab handler
    {"lblGameTitle", ControlKind::Label,     24,   9, 265,  12, "『クエンド　～QUENDRIL～』  Disc1 の CD-ROM が",    -1, nullptr},
    {"Label1",       ControlKind::Label,     24,  23, 249,  12, "挿入されいてるドライブを選択して下さい。",            -1, nullptr},
    {"cbCdRom",      ControlKind::ComboList,  8,  48, 281,  20, nullptr,                                               0, nullptr},
    {"btnOK",        ControlKind::Button,    48,  88,  91,  25, "&OK",                                                 1, "btnOKClick"},
    {"btnCancel",    ControlKind::Button,   160,  88,  89,  25, "キャンセル(&C)",                                      2, "btnCancelClick"},
};
}  // namespace

const platform::FormDef kCdRomForm = {
    "TfrmCdRom", "CD-ROMドライブ参照", 298, 123, platform::BorderStyle::Dialog, false, false,
    kControls, sizeof kControls / sizeof kControls[0]};

TfrmCdRom::TfrmCdRom() : Form(kCdRomForm) {
    Bind("btnOKClick", &TfrmCdRom::btnOKClick);
    Bind("btnCancelClick", &TfrmCdRom::btnCancelClick);
}

// The list is built afresh at every showing, so a drive attached meanwhile
// appears and the first drive is selected again.
void TfrmCdRom::FormShow() {
    cbCdRom.Clear();
    for (const char letter : platform::CdRomDrives()) cbCdRom.AddItem(std::string(1, letter) + ": ドライブ");
    const bool any = cbCdRom.ItemCount() > 0;
    if (!any) cbCdRom.AddItem("CD-ROMドライブが存在しません。");
    cbCdRom.SetEnabled(any);
    btnOK.SetEnabled(any);
    cbCdRom.SetItemIndex(0);
    CenterOnScreen();
}

void TfrmCdRom::btnOKClick(platform::Control&) {
    const std::string item = cbCdRom.Text();
    if (item.empty()) return;  // nothing selected: nothing to store
    InstConfig.CdDrive = item[0];
    SetModalResult(platform::mrOK);
}

void TfrmCdRom::btnCancelClick(platform::Control&) { SetModalResult(platform::mrCancel); }

void FindInstallDisc() {
    if (InstConfig.DriveGiven) return;  // chosen and checked by the command line
    TfrmCdRom dialog;
    dialog.Create();
    bool found = false;
    while (dialog.ShowModal() == platform::mrOK) {
        const std::string root = std::string(1, InstConfig.CdDrive) + ":\\";
        // An empty drive, a drive that is not ready and any other disc all
        // just bring the dialog back.
        const auto label = platform::VolumeLabel(root);
        if (label && *label == kDiscLabel) {
            found = true;
            break;
        }
    }
    dialog.Destroy();
    if (!found) platform::app::ExitProcessNow();
}
