// The game in Windows' list of installed programs (Settings > Apps,
// Programs and Features): a key below the current user's Uninstall key,
// named by InstalledProgramName, whose uninstall strings start the
// uninstaller the installation keeps (install/uninstallercopy.h).
//
// The entry names an installation only while its files are there: it is
// written with the uninstaller just before the record, as part of the
// installation's plan, and goes with every rollback of that installation;
// it goes after the record when the game is uninstalled or forgotten, and
// follows a record change. The record always can go: an entry left without
// a record (the removal was cut short, or the entry could not be deleted)
// is taken away, with the kept uninstaller, by the next start of the
// utility or of the kept uninstaller.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "install/report.h"
struct InstallPlan;
class Installation;

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// "Software\...\Uninstall\<name>" of the game InstConfig describes.
std::string AppsEntryKeyPath();
// The kilobytes the list shows for `bytes`, rounded up; the largest DWORD
// for what does not fit one.
std::uint32_t EstimatedKilobytes(std::uint64_t bytes);
// "yyyymmdd" of today.
std::string InstallDateText();

// The kept uninstaller joins the installation's plan, with the shortcut,
// before the journal is written again. True when the plan changed.
// Without a place for it (no local application data), nothing is planned,
// and the installation gets no entry.
bool PlanAppsEntry(InstallPlan& plan);
// The last steps of `installation` before its record: the planned
// uninstaller is put down, then the entry is written, DisplayName last, so
// that a list never shows one cut short. Throws std::runtime_error when
// anything could not be written: the installation then fails and is rolled
// back.
void AddAppsEntry(Installation& installation, Reporter& report);

// The rollback of the installation `plan` describes: when it planned the
// kept uninstaller (and so may have written the entry), the game's entry
// goes unless it names another folder. True when no entry of that
// installation is left.
bool DropAppsEntryOf(const InstallPlan& plan);

// The uninstall and the record removal, once the record is gone: the entry
// goes, then the kept uninstaller. True when neither is left.
bool RemoveAppsEntry();
// Whether the game has an entry; nullopt when the system could not say.
std::optional<bool> AppsEntryThere();
// True only when the record key says for sure that no installation is
// recorded: no InstPath, or one that names no install folder. A value that
// could not be read is no such proof: the entry of a game that may be
// installed never goes on a guess.
bool RecordSurelyAbsent();

// At every start, after an interrupted installation was settled: a game
// without a record has neither entry nor kept uninstaller (what a removal
// cut short left goes, told in the log), and copies of the kept uninstaller
// left in the temporary folder by runs that ended go.
void FinishListRemoval(Reporter& report);

// The record change to `folder`: an entry that is there names the new
// folder and the icon in it; none is made. Throws std::runtime_error when
// it could not be written.
void MoveAppsEntry(const std::string& folder);
