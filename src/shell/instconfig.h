// The one configuration record of the run, and the installation
// information file and installation record that fill it.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ini.h"
#include "platform/registry.h"
#include "platform/winpath.h"

// Data groups, always handled in this order.
constexpr int kGroupCount = 5;
constexpr const char* kGroups[kGroupCount] = {"DAT", "TAZ", "TZD", "TZS", "TZM"};
constexpr int kMaxDiscs = 2;

constexpr std::size_t kMaxPath = 260;        // platform path limit, terminator excluded
constexpr std::size_t kMaxSettingText = 511;  // texts of [Setting]

constexpr const char* kDiscLabel = "QUENDRIL1";
constexpr const char* kStartTitle = "TAZU Start Up Utility";

using FileList = std::vector<std::string>;

struct TInstConfig {
    char CdDrive = 0;
    bool DriveGiven = false;   // a run from the command line chose CdDrive
    std::string CdRoot;        // "Q:\"
    std::string SetupInfPath;  // "Q:\Setup.inf"
    std::unique_ptr<platform::IniFile> SetupInf;
    std::unique_ptr<platform::RegKey> RecordKey;

    std::string GameTitle, DefInstPath, ProgramFolder, RegKey, ShortcutIcon;
    int InstBufSize = 32768;
    int TotalDisc = 1;
    int TazuInstSize = 0, DatInstSize = 0, TazInstSize = 0, TzdInstSize = 0, TzsInstSize = 0, TzmInstSize = 0;
    std::uint64_t TotalInstSize = 0;  // sum of the six sizes above, widened

    std::string InstPath;  // ends in a backslash when set; empty: not installed
    // InstPath as the path model read it, once: what every command that
    // writes or deletes there works from. Set together with it.
    std::optional<platform::WinPath> InstFolder;
    void SetInstPath(const std::optional<platform::WinPath>& folder) {
        InstFolder = folder && !folder->IsRoot() ? folder : std::nullopt;
        InstPath = InstFolder ? InstFolder->FolderText() : std::string();
    }
    bool NeedInstall = true;
    bool DeleteSaveData = false;
    // The kept uninstaller's run: the folder (ending in a backslash) whose
    // Setup.inf is read in place of the disc's, and whether the user is
    // asked, as the menu asks. Empty in every other run.
    std::string KeptFolder;
    bool KeptAsks = false;

    // DAT disc 1, DAT disc 2, TAZ disc 1, ... TZM disc 2. Null until created.
    std::array<std::unique_ptr<FileList>, kGroupCount * kMaxDiscs> FileLists;
    std::string ExeSource, EnvSource, DllSource, IconSource;

    std::uint64_t RemainInstSize = 0;  // stops at 0 when more was copied than configured
    long double DiskFreeSize = 0;

    FileList& Files(int group, int disc) { return *FileLists[static_cast<std::size_t>(group * kMaxDiscs + disc - 1)]; }
};

extern TInstConfig InstConfig;

// The path of the installation record: Software\<RegKey>\<GameTitle>.
std::string RecordKeyPath();
// Opens the installation record (creating its key) and reads InstPath.
// True when the game counts as installed.
bool ReadInstallationRecord();
// Writes `instPath` as the record's InstPath. Throws std::runtime_error when
// it cannot be written: the command ends in the general error report.
void WriteInstallationRecord(const std::string& instPath);
// Removes the installation record, and the maker's key when no other game's
// key is left below it. When the record's key cannot be deleted, its
// InstPath is emptied instead. False when the record may still name a folder.
bool RemoveInstallationRecord();

// "『" + title + "』　起動ユーティリティ"
std::string ApplicationTitleFor(const std::string& gameTitle);
