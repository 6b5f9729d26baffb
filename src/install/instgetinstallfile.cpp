// Install file lists and the gathering window.
#include "install/instgetinstallfile.h"

#include "install/filelists.h"

using platform::ControlKind;

namespace {
const platform::ControlDef kControls[] = {
    // name     kind                left top width height caption                                                 tab handler
    {"Label1", ControlKind::Label,  16,  16, 282,  12, "インストールに必要なファイルの情報を取得しています。", -1, nullptr},
    {"Label2", ControlKind::Label,  24,  32, 258,  12, "環境によっては処理に数分かかる場合があります。",       -1, nullptr},
};

// Appends every entry to the list of its group and disc in InstConfig.
class ConfigLists : public filelists::ListSink {
public:
    void Add(int group, int disc, std::string entry, const filelists::Origin&) override {
        InstConfig.Files(group, disc).push_back(std::move(entry));
    }
};
}  // namespace

const platform::FormDef kGetInstallFileForm = {
    "TfrmGetInstallFile", "", 313, 60, platform::BorderStyle::Dialog, false, false,
    kControls, sizeof kControls / sizeof kControls[0]};

TfrmGetInstallFile::TfrmGetInstallFile() : Form(kGetInstallFileForm) {}

void TfrmGetInstallFile::FormShow() { CenterOnScreen(); }

void GatherInstallFileInfo(platform::Form& mainForm) {
    TfrmGetInstallFile notice;
    notice.Create();
    notice.SetCaption(mainForm.Caption());
    notice.Show();
    // No messages are processed while the lists are read: paint it once now.
    notice.Repaint();

    InstConfig.ExeSource = "InstData\\Tazu.exe";
    InstConfig.EnvSource = "InstData\\Tazu.env";
    InstConfig.DllSource = "InstData\\ovit.dll";
    InstConfig.IconSource = "InstData\\" + InstConfig.ShortcutIcon;

    ConfigLists lists;
    filelists::Gather(*InstConfig.SetupInf, InstConfig.SetupInfPath, InstConfig.TotalDisc, lists);
    notice.Destroy();
}
