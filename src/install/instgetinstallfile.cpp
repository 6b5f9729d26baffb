// Install file lists and the gathering window.
#include "install/instgetinstallfile.h"

#include "platform/files.h"
#include "platform/sjis.h"

using platform::ControlKind;

namespace {
const platform::ControlDef kControls[] = {
    // name     kind                left top width height caption                                                 tab handler
    {"Label1", ControlKind::Label,  16,  16, 282,  12, "インストールに必要なファイルの情報を取得しています。", -1, nullptr},
    {"Label2", ControlKind::Label,  24,  32, 258,  12, "環境によっては処理に数分かかる場合があります。",       -1, nullptr},
};

std::string Entry(const std::string& group, const std::string& name) { return "InstData\\" + group + "\\" + name; }
}  // namespace

const platform::FormDef kGetInstallFileForm = {
    "TfrmGetInstallFile", "", 313, 60, platform::BorderStyle::Dialog, false, false,
    kControls, sizeof kControls / sizeof kControls[0]};

TfrmGetInstallFile::TfrmGetInstallFile() : Form(kGetInstallFileForm) {}

void TfrmGetInstallFile::FormShow() { CenterOnScreen(); }

void ReadFileListFile(const std::string& section, const std::string& group, FileList& list) {
    const std::string path = sjis::FolderPart(InstConfig.SetupInfPath) + "Setup" + section + ".inf";
    const auto text = platform::ReadWholeFile(path);
    if (!text) return;
    // One name per line, CR LF or LF; the last line may lack its line end.
    std::string::size_type pos = 0;
    while (pos < text->size()) {
        std::string::size_type nl = text->find('\n', pos);
        if (nl == std::string::npos) nl = text->size();
        std::string::size_type end = nl;
        if (end > pos && (*text)[end - 1] == '\r') --end;
        if (end > pos) list.push_back(Entry(group, text->substr(pos, end - pos)));
        pos = nl + 1;
    }
}

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

    const platform::IniFile& inf = *InstConfig.SetupInf;
    for (int g = 0; g < kGroupCount; ++g) {
        for (int disc = 1; disc <= InstConfig.TotalDisc && disc <= kMaxDiscs; ++disc) {
            const std::string section = kGroups[g] + std::to_string(disc);
            FileList& list = InstConfig.Files(g, disc);
            for (int n = 1;; ++n) {
                const std::string value = inf.ReadString(section, "File" + std::to_string(n), "");
                if (value.empty()) break;
                if (value[0] == ':')
                    ReadFileListFile(section, kGroups[g], list);
                else
                    list.push_back(Entry(kGroups[g], value));
            }
        }
    }
    notice.Destroy();
}
