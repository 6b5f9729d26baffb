// The uninstaller an installation keeps outside its folder: a copy of this
// program and the part of Setup.inf the uninstall needs, in a folder of
// the user's local application data, so that the game can be removed from
// Windows' list of installed programs without the disc. The copy is part
// of the installation's plan, so that a rollback takes it back.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "install/report.h"
#include "install/uninstallerplace.h"
#include "platform/winpath.h"

struct InstallPlan;
class Installation;

// The [Setting] texts of InstConfig (kSettingTexts), all the uninstall
// reads, as a Setup.inf of their own: Shift-JIS, lines ending in CR LF.
std::string KeptSetupInfText();

// Adds the uninstaller's two files at `place` and their missing folders to
// the plan. True when the plan changed (its journal must be written again).
bool PlanKeptUninstaller(InstallPlan& plan, const UninstallerPlace& place);
// True when the plan holds both files of the uninstaller at `place`.
bool KeptUninstallerPlanned(const InstallPlan& plan, const UninstallerPlace& place);
// Whether the plan holds the program of the game's kept uninstaller: only
// then may the installation have written its entry in the list. nullopt
// when a planned file may be it and its place cannot be found.
std::optional<bool> PlansKeptUninstaller(const InstallPlan& plan);

// Puts the uninstaller `installation` planned down: what stands at its
// place is moved aside first, as the plan says; the files are made new and
// flushed. Returns the bytes of both files. Throws std::runtime_error when
// a file cannot be read or written.
std::uint64_t WriteKeptUninstaller(const UninstallerPlace& place, Installation& installation, Reporter& report);

// Removes the uninstaller's files, then its folder and the base folder
// when empty. True when none of its files is left. A file of another name
// in the folder is left alone, and the folder with it. The program goes
// first: while it runs, nothing goes.
bool RemoveKeptUninstaller();

// The copy the kept uninstaller runs from: a folder "TazuStart-<n>" made
// for it directly in the temporary folder, holding the program and, once
// the removal ended, a file with the removal's exit code for the kept
// uninstaller that waits for it.
constexpr const char* kTempCopyPrefix = "TazuStart-";
constexpr int kMaxTempCopies = 100;
constexpr const char* kTempResultName = "TazuStart.result";
// Takes away what a copy that is no longer running left in the temporary
// folder: in each such folder, the program (which cannot go while it
// runs), then the result file and the folder when empty. Anything else in
// the folder is someone else's and keeps it.
void RemoveLeftoverTempCopies();
