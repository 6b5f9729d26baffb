// The deleting window and the deletion pass.
#include "maintenance/instdeletefiles.h"

#include "install/instcommon.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"

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

// The components of an absolute path after "." and ".." are resolved, the
// first being the drive ("C:") or the share ("\\SERVER\SHARE"), all folded
// to upper case. nullopt for anything that is not plainly absolute or holds
// a component the file system would read differently (trailing dots or
// blanks, wildcards, stream names).
std::optional<std::vector<std::string>> Resolve(const std::string& path) {
    std::string rest;
    std::vector<std::string> parts;
    if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) {
        const char drive = static_cast<char>(path[0] & ~0x20);
        if (drive < 'A' || drive > 'Z') return std::nullopt;
        parts.push_back(std::string(1, drive) + ":");
        rest = path.substr(3);
    } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
        const auto server = sjis::FindFirst(path, '\\', 2);
        if (server == std::string::npos || server == 2) return std::nullopt;
        const auto share = sjis::FindFirst(path, '\\', server + 1);
        const std::string root = path.substr(0, share);
        if (share == server + 1 || root.find_first_of("?*:/.") != std::string::npos) return std::nullopt;
        parts.push_back(sjis::FoldCase(root));
        rest = share == std::string::npos ? std::string() : path.substr(share + 1);
    } else {
        return std::nullopt;
    }
    std::string::size_type pos = 0;
    while (pos <= rest.size()) {
        // '/' separates like '\'; it is never a trail byte.
        auto next = sjis::FindFirst(rest, '\\', pos);
        const auto slash = rest.find('/', pos);
        if (slash != std::string::npos && (next == std::string::npos || slash < next)) next = slash;
        if (next == std::string::npos) next = rest.size();
        const std::string part = rest.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (parts.size() == 1) return std::nullopt;
            parts.pop_back();
            continue;
        }
        if (part.back() == '.' || part.back() == ' ' || sjis::FindFirst(part, ':') != std::string::npos ||
            sjis::FindFirst(part, '?') != std::string::npos || sjis::FindFirst(part, '*') != std::string::npos)
            return std::nullopt;
        parts.push_back(sjis::FoldCase(part));
    }
    return parts;
}

}  // namespace

const platform::FormDef kDeleteFilesForm = {
    "TfrmDeleteFiles", "", 313, 87, platform::BorderStyle::None, false, false,
    kControls, sizeof kControls / sizeof kControls[0]};

bool IsInsideInstallFolder(const std::string& path, const std::string& instPath) {
    const auto file = Resolve(path);
    const auto folder = Resolve(instPath);
    if (!file || !folder || file->size() < folder->size() + 1) return false;
    for (std::size_t i = 0; i < folder->size(); ++i)
        if ((*file)[i] != (*folder)[i]) return false;
    if (file->size() == folder->size() + 1) return true;
    if (file->size() != folder->size() + 2) return false;
    for (const char* group : kGroups)
        if ((*file)[folder->size()] == group) return true;
    return false;
}

void DeleteInstalledFiles(const std::optional<std::string>& log, const std::vector<std::string>& spare,
                          bool dropLog) {
    const std::string& root = InstConfig.InstPath;
    for (const std::string& line : LogLines(log.value_or(std::string()))) {
        if (!InstConfig.DeleteSaveData && IsSaveDataFile(line)) continue;
        if (!IsInsideInstallFolder(line, root)) continue;
        bool spared = false;
        for (const std::string& s : spare) spared = spared || sjis::EqualsNoCase(s, line);
        if (!spared) platform::RemoveFile(line);
    }
    if (InstConfig.DeleteSaveData) platform::RemoveEmptyDirectory(root + "DAT");
    for (const char* group : {"TAZ", "TZD", "TZS", "TZM"}) platform::RemoveEmptyDirectory(root + group);
    if (InstConfig.DeleteSaveData || dropLog) platform::RemoveFile(root + "Setup.log");
    if (!root.empty()) platform::RemoveEmptyDirectory(root.substr(0, root.size() - 1));
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
    // The log of a failed installation describes nothing that stays, unless
    // data files from before were left alone.
    DeleteInstalledFiles(platform::ReadWholeFile(InstConfig.InstPath + "Setup.log"), InstConfig.PreexistingFiles,
                         InstConfig.PreexistingFiles.empty());
    PostClose();
}
