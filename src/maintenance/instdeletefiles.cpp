// The deleting window and the deletion pass.
#include "maintenance/instdeletefiles.h"

#include <set>

#include "install/instcommon.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"
#include "shell/unattended.h"

using platform::ControlKind;

TfrmDeleteFiles* frmDeleteFiles = nullptr;

namespace {

const platform::ControlDef kControls[] = {
    // name     kind               left top width height caption                                             tab handler
    {"Bevel1", ControlKind::Bevel,   0,  0, 313, 87, nullptr,                                              -1, nullptr,
     nullptr, platform::kDefaultColor, platform::Align::Left, platform::kRaised},
    {"Label1", ControlKind::Label,  32, 32, 245, 12, "インストールしたファイルの削除を行っています。",     -1, nullptr},
    {"Label2", ControlKind::Label,  24, 48, 258, 12, "環境によっては処理に数分かかる場合があります。",     -1, nullptr},
};

constexpr const char* kLogName = "Setup.log";

void RemoveGroupFolders(const platform::WinPath& folder, bool withDat) {
    for (const char* group : kGroups) {
        if (std::string(group) == "DAT" && !withDat) continue;
        if (const auto sub = folder.Child(group)) platform::RemoveEmptyDirectory(sub->Text());
    }
}

}  // namespace

const platform::FormDef kDeleteFilesForm = {
    "TfrmDeleteFiles", "", 313, 87, platform::BorderStyle::None, false, false,
    kControls, sizeof kControls / sizeof kControls[0]};

bool IsInstalledFile(const platform::WinPath& file, const platform::WinPath& folder) {
    if (folder.IsRoot()) return false;
    if (file.IsDirectlyIn(folder)) return true;
    const auto holder = file.Parent();
    if (!holder || !holder->IsDirectlyIn(folder)) return false;
    for (const char* group : kGroups)
        if (sjis::EqualsNoCase(holder->Last(), group)) return true;
    return false;
}

UninstallOutcome UninstallFiles(const std::string& log, const platform::WinPath& folder, bool deleteSaveData) {
    UninstallOutcome outcome;
    if (folder.IsRoot()) return outcome;
    const auto logFile = folder.Child(kLogName);
    std::set<std::string> seen;
    for (const std::string& line : LogLines(log)) {
        const auto file = platform::WinPath::Parse(line);
        // A line Windows would read as another file, or one outside the
        // folder, never named a file of this installation.
        if (!file || !IsInstalledFile(*file, folder)) continue;
        // The log goes by its own rule, after the files.
        if (logFile && *file == *logFile) continue;
        const std::string path = file->Text();
        if (!seen.insert(sjis::FoldCase(path)).second) continue;
        if (!deleteSaveData && IsSaveDataName(file->Last())) {
            if (platform::FileExists(path)) outcome.keptSaves.push_back(path);
            continue;
        }
        // The installation put it there: a read-only attribute set since
        // (by the user, or kept from a disc) does not keep it.
        if (platform::RemoveFile(path) || (platform::FileExists(path) && platform::ClearReadOnly(path) &&
                                           platform::RemoveFile(path))) {
            RunLog("削除：" + path);
            continue;
        }
        if (platform::FileExists(path)) outcome.remaining.push_back(path);
    }
    RemoveGroupFolders(folder, deleteSaveData);
    if (!outcome.remaining.empty()) return outcome;
    if (deleteSaveData && logFile) platform::RemoveFile(logFile->Text());
    platform::RemoveEmptyDirectory(folder.Text());
    return outcome;
}

void RollBackInstallation(const platform::WinPath& folder, const TInstConfig::Journal& journal) {
    if (folder.IsRoot()) return;
    for (const std::string& written : journal.written) {
        const auto file = platform::WinPath::Parse(written);
        if (file && IsInstalledFile(*file, folder) && platform::RemoveFile(file->Text())) RunLog("削除：" + file->Text());
    }
    RemoveGroupFolders(folder, true);
    // The log of a failed installation describes nothing that stays, unless
    // files from before were left alone; a log it never created is not its
    // own, and the log of an earlier installation is put back.
    const auto logFile = folder.Child(kLogName);
    if (logFile && journal.logCreated) {
        if (journal.earlierLog)
            ReplaceWholeFile(logFile->Text(), *journal.earlierLog);
        else if (journal.preexisting.empty())
            platform::RemoveFile(logFile->Text());
    }
    platform::RemoveEmptyDirectory(folder.Text());
}

TfrmDeleteFiles::TfrmDeleteFiles() : Form(kDeleteFilesForm) {}

void TfrmDeleteFiles::FormShow() {
    CenterOver(*frmInstMain);
    PostToSelf(WM_DELETESTART);
}

void TfrmDeleteFiles::OnMessage(int message) {
    if (message == WM_DELETESTART) WMDeleteStart();
}

void TfrmDeleteFiles::WMDeleteStart() {
    Repaint();
    if (const auto folder = platform::WinPath::Parse(InstConfig.InstPath))
        RollBackInstallation(*folder, InstConfig.InstallJournal);
    PostClose();
}
