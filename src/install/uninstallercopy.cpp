// The uninstaller kept with an installation: its place, its files, its
// part of the installation's plan.
#include "install/uninstallercopy.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "install/instcommon.h"
#include "install/transaction.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/shellfolders.h"
#include "platform/sjis.h"
#include "shell/instconfig.h"
#include "shell/setupsetting.h"

using platform::WinPath;

namespace {

// A planned file made new with `bytes`, flushed. False when anything
// failed; a file that stood there is never emptied.
bool PutNew(Installation& installation, const std::string& path, const std::string& bytes) {
    auto file = installation.OpenForWrite(path);
    return file && file->Write(bytes.data(), bytes.size()) && file->Flush();
}

}  // namespace

std::string KeptSetupInfText() {
    std::string text;
    for (const SettingText& s : kSettingTexts) {
        // Texts that came from Setup.inf itself are Shift-JIS: the write cannot refuse them.
        if (auto written = platform::IniWriteString(text, kSettingSection, s.key, InstConfig.*s.field))
            text = std::move(*written);
    }
    return text;
}

bool PlanKeptUninstaller(InstallPlan& plan, const UninstallerPlace& place) {
    const auto root = place.base.Parent();
    if (!root) return false;
    bool changed = false;
    for (const WinPath* file : {&place.exe, &place.setupInf})
        if (!plan.Find(file->Text())) changed = PlanOutsideFile(plan, *file, *root) || changed;
    return changed;
}

std::optional<bool> PlansKeptUninstaller(const InstallPlan& plan) {
    // Asked of every rollback: the place is looked up only for a planned
    // file of the program's name.
    std::optional<UninstallerPlace> place;
    for (const PlannedFile& f : plan.files) {
        // Only a name that may be the program's is read as a path.
        if (!sjis::EqualsNoCase(sjis::LastPathComponent(f.path), kUninstallerExeName)) continue;
        const auto path = WinPath::Parse(f.path);
        if (!path) continue;
        if (!place) place = KeptUninstallerPlace();
        if (!place) return std::nullopt;
        if (*path == place->exe) return true;
    }
    return false;
}

bool KeptUninstallerPlanned(const InstallPlan& plan, const UninstallerPlace& place) {
    return plan.Find(place.exe.Text()) && plan.Find(place.setupInf.Text());
}

std::uint64_t WriteKeptUninstaller(const UninstallerPlace& place, Installation& installation, Reporter& report) {
    const std::string self = platform::ExecutablePath();
    const auto program = platform::ReadWholeFile(self);
    if (!program) throw std::runtime_error("ファイルを読み込めません。\n\n[ " + self + " ]");
    platform::CreateDirectoryTree(place.folder.Text());
    const std::pair<const WinPath*, std::string> files[] = {{&place.exe, *program}, {&place.setupInf, KeptSetupInfText()}};
    for (const auto& [path, bytes] : files) {
        if (!installation.MoveAside(path->Text(), report) || !PutNew(installation, path->Text(), bytes))
            throw std::runtime_error("ファイルに書き込めません。\n\n[ " + path->Text() + " ]");
    }
    return files[0].second.size() + files[1].second.size();
}

bool RemoveKeptUninstaller() {
    const auto place = KeptUninstallerPlace();
    if (!place) return false;
    const bool gone = InstalledFileGone(place->exe.Text()) && InstalledFileGone(place->setupInf.Text());
    if (gone && platform::RemoveEmptyDirectory(place->folder.Text())) platform::RemoveEmptyDirectory(place->base.Text());
    return gone;
}

void RemoveLeftoverTempCopies() {
    const auto temp = platform::TempFolder();
    const auto parsed = temp ? WinPath::Parse(*temp) : std::nullopt;
    if (!parsed || parsed->IsRoot()) return;
    for (int n = 1; n <= kMaxTempCopies; ++n) {
        const auto folder = parsed->Child(kTempCopyPrefix + std::to_string(n));
        if (!folder || platform::Probe(folder->Text()) != platform::PathKind::Folder) continue;
        // A copy that still runs keeps its program, and its result for the
        // kept uninstaller that waits for it.
        if (InstalledFileGone(folder->Child(kUninstallerExeName)->Text()) &&
            InstalledFileGone(folder->Child(kTempResultName)->Text()))
            platform::RemoveEmptyDirectory(folder->Text());
    }
}
