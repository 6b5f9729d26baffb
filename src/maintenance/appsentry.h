// The game in Windows' list of installed programs (Settings > Apps,
// Programs and Features): a key below the current user's Uninstall key,
// named by InstalledProgramName, whose uninstall strings start the
// uninstaller the installation keeps (install/uninstallercopy.h).
//
// The entry names an installation only while its files are there: it is
// written with the uninstaller just before the record, as part of the
// installation's plan, and goes with every rollback of that installation;
// it goes before the record when the game is uninstalled or forgotten, and
// follows a record change.
#pragma once
#include <cstdint>
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

// The uninstall and the record removal: the entry goes, then the kept
// uninstaller. True when neither is left.
bool RemoveAppsEntry();

// The record change to `folder`: an entry that is there names the new
// folder and the icon in it; none is made. Throws std::runtime_error when
// it could not be written.
void MoveAppsEntry(const std::string& folder);
