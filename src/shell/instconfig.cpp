// Finding disc 1, reading [Setting] of Setup.inf, and the installation record.
#include "shell/instconfig.h"

#include <stdexcept>

#include "install/tzcdrom.h"
#include "maintenance/uninstaller.h"
#include "platform/app.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/forms.h"
#include "platform/msgbox.h"
#include "platform/sjis.h"
#include "platform/winpath.h"

TInstConfig InstConfig;

namespace {

constexpr const char* kSetting = "Setting";

std::string RecordKeyPath() { return "Software\\" + InstConfig.RegKey + "\\" + InstConfig.GameTitle; }

[[noreturn]] void FailStart(platform::Form& owner, Reporter& report, Msg id) {
    report.Ask(&owner, id);
    platform::app::ExitProcessNow();
}

}  // namespace

std::string ApplicationTitleFor(const std::string& gameTitle) {
    return "『" + gameTitle + "』　起動ユーティリティ";
}

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

void ReadSettingSection(platform::Form& mainForm, Reporter& report) {
    InstConfig.CdRoot = std::string(1, InstConfig.CdDrive) + ":\\";
    if (const std::string* kept = KeptSetupFolder()) InstConfig.CdRoot = *kept;  // the kept uninstaller's Setup.inf
    InstConfig.SetupInfPath = InstConfig.CdRoot + "Setup.inf";

    if (!platform::FileExists(InstConfig.SetupInfPath))
        FailStart(mainForm, report, Msg::SetupInfMissing);

    InstConfig.SetupInf = platform::IniFile::Open(InstConfig.SetupInfPath);
    if (!InstConfig.SetupInf)  // present but unreadable: nothing in it can be used
        InstConfig.SetupInf = std::make_unique<platform::IniFile>(std::string());
    const platform::IniFile& inf = *InstConfig.SetupInf;

    InstConfig.GameTitle = inf.ReadString(kSetting, "GameTitle", "");
    platform::app::SetTitle(ApplicationTitleFor(InstConfig.GameTitle));
    mainForm.SetCaption(platform::app::Title());

    InstConfig.DefInstPath = inf.ReadString(kSetting, "DefInstPath", "");
    InstConfig.ProgramFolder = inf.ReadString(kSetting, "ProgramFolder", "");
    InstConfig.RegKey = inf.ReadString(kSetting, "RegKey", "");
    InstConfig.ShortcutIcon = inf.ReadString(kSetting, "ShortcutIcon", "");
    InstConfig.InstBufSize = inf.ReadInteger(kSetting, "InstBufSize", 32768);
    InstConfig.TotalDisc = inf.ReadInteger(kSetting, "TotalDisc", 1);
    InstConfig.TazuInstSize = inf.ReadInteger(kSetting, "TazuInstSize", 0);
    InstConfig.DatInstSize = inf.ReadInteger(kSetting, "DatInstSize", 0);
    InstConfig.TazInstSize = inf.ReadInteger(kSetting, "TazInstSize", 0);
    InstConfig.TzdInstSize = inf.ReadInteger(kSetting, "TzdInstSize", 0);
    InstConfig.TzsInstSize = inf.ReadInteger(kSetting, "TzsInstSize", 0);
    InstConfig.TzmInstSize = inf.ReadInteger(kSetting, "TzmInstSize", 0);

    // A copy buffer must hold something.
    if (InstConfig.InstBufSize <= 0) InstConfig.InstBufSize = 32768;

    const std::string* required[] = {&InstConfig.GameTitle, &InstConfig.DefInstPath, &InstConfig.ProgramFolder,
                                     &InstConfig.RegKey};
    bool complete = true;
    for (const std::string* text : required) complete = complete && !text->empty();
    // Texts that do not fit their fields, and more discs than the file lists
    // hold, describe a game this utility cannot install correctly.
    for (const std::string* text : required) complete = complete && text->size() <= kMaxSettingText;
    complete = complete && InstConfig.ShortcutIcon.size() <= kMaxSettingText;
    complete = complete && InstConfig.TotalDisc <= kMaxDiscs;
    // The record is Software\<RegKey>\<GameTitle> and the shortcut
    // <GameTitle>.lnk: a name that is more than one ("Microsoft\Windows")
    // would put the record, and its removal, in someone else's key.
    complete = complete && platform::WinPath::IsOneName(InstConfig.RegKey) &&
               platform::WinPath::IsOneName(InstConfig.GameTitle);
    if (!complete) FailStart(mainForm, report, Msg::SetupInfIncomplete);
}

bool ReadInstallationRecord() {
    InstConfig.RecordKey = platform::RegKey::OpenOrCreate(RecordKeyPath());
    std::string value;
    if (InstConfig.RecordKey) value = InstConfig.RecordKey->ReadString("InstPath").value_or(std::string());
    // The record's folder is what the uninstall works over: one that is not
    // a plain absolute folder, or that is a drive or share root, names no
    // installation. Kept as Windows reads it, ending in a backslash as every
    // folder in InstConfig does.
    InstConfig.SetInstPath(value.empty() ? std::nullopt : platform::WinPath::Parse(sjis::WithTrailingBackslash(value)));
    return !InstConfig.InstPath.empty();
}

void WriteInstallationRecord(const std::string& instPath) {
    if (!InstConfig.RecordKey || !InstConfig.RecordKey->WriteString("InstPath", instPath))
        throw std::runtime_error("インストール情報をレジストリに書き込めませんでした。");
}

bool RemoveInstallationRecord() {
    InstConfig.RecordKey.reset();
    auto maker = platform::RegKey::OpenOrCreate("Software\\" + InstConfig.RegKey);
    // Flushed: a power cut must not bring back a record whose installation
    // is gone.
    if (maker && maker->DeleteSubkeyTree(InstConfig.GameTitle)) {
        maker->Flush();  // the record is gone; on the disk too unless the system cannot say so
        // The maker's key goes only when nothing is left in it: another
        // game's key or a value of the maker's is someone else's.
        if (!maker->HasSubkeys() && maker->HasValues() == false) {
            maker.reset();
            if (auto software = platform::RegKey::OpenOrCreate("Software")) software->DeleteSubkeyTree(InstConfig.RegKey);
        }
        return true;
    }
    // A key that cannot go can still stop naming a folder: an empty InstPath
    // means "not installed" as much as a missing key does.
    auto record = platform::RegKey::OpenOrCreate(RecordKeyPath());
    if (!record || !record->WriteString("InstPath", "")) return false;
    record->Flush();  // emptied; on the disk too unless the system cannot say so
    return true;
}
