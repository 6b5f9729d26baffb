// The deleting window and the deletion pass.
#include "maintenance/instdeletefiles.h"

#include <memory>
#include <unordered_set>

#include "install/instcommon.h"
#include "install/installedfile.h"
#include "install/transaction.h"
#include "maintenance/appsentry.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

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


// A group folder that is a junction or symbolic link holds files of
// another place: nothing is deleted through it, and it stays.
bool IsLinkedGroup(const platform::WinPath& file, const platform::WinPath& folder,
                   const std::vector<std::string>& linkedGroups) {
    if (linkedGroups.empty() || file.IsDirectlyIn(folder)) return false;
    const auto holder = file.Parent();
    for (const std::string& linked : linkedGroups)
        if (holder && sjis::EqualsNoCase(holder->Last(), linked)) return true;
    return false;
}

std::vector<std::string> LinkedGroups(const platform::WinPath& folder) {
    std::vector<std::string> linked;
    for (const char* group : kGroups)
        if (const auto sub = folder.Child(group); sub && platform::IsReparsePoint(sub->Text())) linked.push_back(group);
    return linked;
}

void RemoveGroupFolders(const platform::WinPath& folder, bool withDat, const std::vector<std::string>& linked) {
    for (const char* group : kGroups) {
        if (std::string(group) == "DAT" && !withDat) continue;
        bool isLinked = false;
        for (const std::string& l : linked) isLinked = isLinked || l == group;
        if (isLinked) continue;
        if (const auto sub = folder.Child(group)) platform::RemoveEmptyDirectory(sub->Text());
    }
}

}  // namespace

const platform::FormDef kDeleteFilesForm = {
    "TfrmDeleteFiles", "", 313, 87, platform::BorderStyle::None, false, false,
    kControls, sizeof kControls / sizeof kControls[0]};

std::optional<platform::WinPath> LoggedPath(const std::string& line) {
    // Only a component with a tilde can be a short name: the file system is
    // asked for those alone, not once per line.
    if (line.find('~') != std::string::npos) {
        if (const auto longName = platform::LongPathName(line)) return platform::WinPath::Parse(*longName);
    }
    return platform::WinPath::Parse(line);
}

bool LogNamesInstallation(const std::string& log, const platform::WinPath& folder) {
    const auto logFile = folder.Child(kSetupLogName);
    for (const std::string& line : LogLines(log)) {
        const auto file = LoggedPath(line);
        if (file && IsInstalledFile(*file, folder) && !(logFile && *file == *logFile)) return true;
    }
    return false;
}

DeletionPass UninstallFiles(const std::string& log, const platform::WinPath& folder, bool deleteSaveData,
                            Reporter& report) {
    DeletionPass outcome;
    if (folder.IsRoot()) return outcome;
    const auto logFile = folder.Child(kSetupLogName);
    const auto linked = LinkedGroups(folder);
    const auto lines = LogLines(log);
    std::unordered_set<std::string> seen(lines.size());
    for (const std::string& line : lines) {
        const auto file = LoggedPath(line);
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
        if (IsLinkedGroup(*file, folder, linked)) {
            outcome.remaining.push_back(path);
            continue;
        }
        // The installation put it there: a read-only attribute set since
        // (by the user, or kept from a disc) does not keep it.
        if (RemoveInstalledFile(path)) {
            report.Note("削除：" + path);
            continue;
        }
        if (platform::FileExists(path)) outcome.remaining.push_back(path);
    }
    RemoveGroupFolders(folder, deleteSaveData, linked);
    if (!outcome.remaining.empty()) return outcome;
    if (deleteSaveData && logFile) {
        platform::RemoveFile(logFile->Text());
        // Nothing of an interrupted rewrite may later stand in for the log.
        for (const char* suffix : {".new", ".old"})
            if (platform::FileExists(logFile->Text() + suffix)) platform::RemoveFile(logFile->Text() + suffix);
    }
    platform::RemoveEmptyDirectory(folder.Text());
    return outcome;
}

bool RollBackInstallation(Installation& installation, Reporter& report) {
    const std::string folder = installation.Planned().folder;
    // The entry in the list of programs goes first: it never names what is
    // taken away, and the journal that says it was written stays until it is gone.
    const bool undone =
        installation.TakeBackCommit() && DropAppsEntryOf(installation.Planned()) && installation.Undo();
    report.Note(undone ? "インストールを元に戻しました：" + folder
                       : "インストールを元に戻せませんでした（次の起動でもう一度行います）：" + folder);
    return undone;
}

bool ShowRollback(const platform::Form& owner, Installation& installation, Reporter& report) {
    std::unique_ptr<TfrmDeleteFiles> rollback(new TfrmDeleteFiles(owner, report, &installation));
    frmDeleteFiles = rollback.get();
    struct Forget {
        ~Forget() { frmDeleteFiles = nullptr; }
    } forget;
    rollback->Create();
    rollback->ShowModal();
    frmDeleteFiles = nullptr;
    return rollback->undone;
}

TfrmDeleteFiles::TfrmDeleteFiles(const platform::Form& over, Reporter& report, Installation* rollback)
    : Form(kDeleteFilesForm), over_(over), report_(report), rollback_(rollback) {}

void TfrmDeleteFiles::FormShow() {
    CenterOver(over_);
    PostToSelf(WM_DELETESTART);
}

void TfrmDeleteFiles::OnMessage(int message) {
    if (message == WM_DELETESTART) WMDeleteStart();
}

void TfrmDeleteFiles::WMDeleteStart() {
    // At start, before the menu: the user is told why this window is there.
    if (rollback_ && rollback_->CutShort()) Label1.SetCaption("前回中断されたインストールを元に戻しています。");
    Repaint();
    if (rollback_) undone = RollBackInstallation(*rollback_, report_);
    PostClose();
}
