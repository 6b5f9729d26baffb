// The game's entry in the list of installed programs.
#include "maintenance/appsentry.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

#include "install/transaction.h"
#include "install/uninstallercopy.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

using platform::WinPath;

namespace {

constexpr const char* kRegistryFailure = "インストール情報をレジストリに書き込めませんでした。";

std::string EntryName() { return InstalledProgramName(InstConfig.RegKey, InstConfig.GameTitle); }

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The folder's values: where the game is, and its icon there.
bool WriteFolderValues(platform::RegKey& entry, const WinPath& folder) {
    if (!entry.WriteString("InstallLocation", folder.FolderText())) return false;
    const auto icon = folder.Child(InstConfig.ShortcutIcon);
    return !icon || entry.WriteString("DisplayIcon", icon->Text());
}

}  // namespace

std::string AppsEntryKeyPath() { return std::string(kUninstallKey) + "\\" + EntryName(); }

std::uint32_t EstimatedKilobytes(std::uint64_t bytes) {
    const std::uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0);
    return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kilobytes);
}

std::string InstallDateText() {
    const platform::Date today = platform::Today();
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", today.year, today.month, today.day);
    return text;
}

bool PlanAppsEntry(InstallPlan& plan) {
    const auto place = KeptUninstallerPlace();
    return place && PlanKeptUninstaller(plan, *place);
}

void AddAppsEntry(Installation& installation, Reporter& report) {
    const auto place = KeptUninstallerPlace();
    if (!place || !KeptUninstallerPlanned(installation.Planned(), *place)) return;
    // The uninstaller is the game's too, and goes with it.
    const std::uint64_t keptBytes = WriteKeptUninstaller(*place, installation, report);

    auto entry = platform::RegKey::OpenOrCreate(AppsEntryKeyPath());
    const std::string uninstall = Quoted(place->exe.Text()) + " /uninstall";
    // The folder first, so that a rollback knows the entry as this
    // installation's however far it got; the name last, so that no list
    // shows an entry cut short.
    const bool written = entry && WriteFolderValues(*entry, installation.Folder()) &&
                         entry->WriteString("UninstallString", uninstall) &&
                         entry->WriteString("QuietUninstallString", uninstall + " /silent") &&
                         entry->WriteDword("EstimatedSize", EstimatedKilobytes(InstConfig.TotalInstSize + keptBytes)) &&
                         entry->WriteString("InstallDate", InstallDateText()) && entry->WriteDword("NoModify", 1) &&
                         entry->WriteDword("NoRepair", 1) && entry->WriteString("DisplayName", InstConfig.GameTitle);
    if (!written) throw std::runtime_error(kRegistryFailure);
    report.Note("プログラムの一覧に登録：" + AppsEntryKeyPath());
}

bool DropAppsEntryOf(const InstallPlan& plan) {
    // An entry this installation cannot have written is as it was before it.
    const auto planned = PlansKeptUninstaller(plan);
    if (!planned) return false;
    if (!*planned) return true;
    const std::string& folder = plan.folder;
    auto uninstall = platform::RegKey::OpenOrCreate(kUninstallKey);
    const auto there = uninstall ? uninstall->HasSubkey(EntryName()) : std::nullopt;
    if (!there) return false;
    if (!*there) return true;
    // An entry that names another folder is another installation's; one
    // that names none was cut short before its folder, which only this
    // installation writes.
    if (const auto entry = platform::RegKey::OpenOrCreate(AppsEntryKeyPath())) {
        const auto location = entry->ReadString("InstallLocation");
        const auto named = location ? WinPath::Parse(*location) : std::nullopt;
        const auto ours = WinPath::Parse(folder);
        if (named && ours && *named != *ours) return true;
    } else {
        return false;
    }
    // Flushed: the files the entry named go next.
    return uninstall->DeleteSubkeyTree(EntryName()) && uninstall->Flush();
}

bool RemoveAppsEntry() {
    auto uninstall = platform::RegKey::OpenOrCreate(kUninstallKey);
    const auto there = uninstall ? uninstall->HasSubkey(EntryName()) : std::nullopt;
    // Flushed before the uninstaller it names goes.
    if (!there || (*there && (!uninstall->DeleteSubkeyTree(EntryName()) || !uninstall->Flush()))) return false;
    return RemoveKeptUninstaller();
}

std::optional<bool> AppsEntryThere() {
    const auto uninstall = platform::RegKey::OpenOrCreate(kUninstallKey);
    return uninstall ? uninstall->HasSubkey(EntryName()) : std::nullopt;
}

bool RecordSurelyAbsent() {
    const auto& key = InstConfig.RecordKey;
    const auto there = key ? key->HasValue("InstPath") : std::nullopt;
    if (!there) return false;
    if (!*there) return true;
    const auto value = key->ReadString("InstPath");
    if (!value) return false;
    // As the record is read: an empty value, or one that is no plain
    // absolute folder other than a root, names no installation.
    const auto folder = value->empty() ? std::nullopt : WinPath::Parse(sjis::WithTrailingBackslash(*value));
    return !folder || folder->IsRoot();
}

void FinishListRemoval(Reporter& report) {
    // Only the recovery of an installation ever leaves the marker: its
    // rollback takes the entry it wrote.
    const auto& key = InstConfig.RecordKey;
    const bool settled = key && key->HasValue(kInstallingValue) == std::optional<bool>(false) &&
                         key->HasValue(kMovingValue) == std::optional<bool>(false);
    if (settled && !InstConfig.InstFolder && !InstConfig.RegKey.empty() && RecordSurelyAbsent()) {
        const auto place = KeptUninstallerPlace();
        const bool kept = place && platform::Probe(place->folder.Text()) != platform::PathKind::Missing;
        if (AppsEntryThere().value_or(true) || kept) {
            report.Note("インストールされていないゲームの登録を削除します：" + AppsEntryKeyPath());
            RemoveAppsEntry();
        }
    }
    RemoveLeftoverTempCopies();
}

void MoveAppsEntry(const std::string& folder) {
    auto uninstall = platform::RegKey::OpenOrCreate(kUninstallKey);
    const auto there = uninstall ? uninstall->HasSubkey(EntryName()) : std::nullopt;
    if (!there) throw std::runtime_error(kRegistryFailure);
    if (!*there) return;
    const auto moved = WinPath::Parse(folder);
    auto entry = platform::RegKey::OpenOrCreate(AppsEntryKeyPath());
    if (!moved || !entry || !WriteFolderValues(*entry, *moved)) throw std::runtime_error(kRegistryFailure);
}
