// Start-menu shortcut, save-data names, waiting on a started program.
#include "install/instcommon.h"

#include <cstdio>
#include <stdexcept>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/process.h"
#include "platform/shellfolders.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

std::optional<ShortcutPlace> StartMenuShortcutPlace() {
    const auto programs = platform::SpecialFolderPath(platform::ShellFolder::Programs);
    if (!programs) return std::nullopt;
    const auto root = platform::WinPath::Parse(*programs);
    const auto folder = platform::WinPath::Parse(*programs + "\\" + InstConfig.ProgramFolder);
    const auto link = folder ? folder->Child(InstConfig.GameTitle + ".lnk") : std::nullopt;
    if (!root || !link || !folder->IsBelow(*root)) return std::nullopt;
    return ShortcutPlace{*root, *folder, *link};
}

void CreateStartMenuShortcut() {
    const auto place = StartMenuShortcutPlace();
    if (!place) return;
    platform::CreateDirectoryTree(place->folder.Text());
    std::string error;
    const auto saved = platform::SaveShellLink(place->link.Text(),
                                               InstConfig.InstPath + "Tazu.exe",
                                               InstConfig.InstPath + InstConfig.ShortcutIcon, &error);
    if (saved == platform::LinkSave::NoLinkObject) throw std::runtime_error(error);
}

void RemoveStartMenuShortcut() {
    const auto place = StartMenuShortcutPlace();
    if (!place) return;
    platform::RemoveFile(place->link.Text());
    platform::RemoveEmptyDirectory(place->folder.Text());
}

bool RemoveInstalledFile(const std::string& path) {
    return platform::RemoveFile(path) ||
           (platform::FileExists(path) && platform::ClearReadOnly(path) && platform::RemoveFile(path));
}

bool InstalledFileGone(const std::string& path) { return RemoveInstalledFile(path) || platform::IsMissing(path); }

bool IsSaveDataName(const std::string& name) {
    for (int n = 0; n <= 12; ++n) {
        char saveName[16];
        std::snprintf(saveName, sizeof saveName, "%s%02d.dat", "TazSav", n);
        if (sjis::EqualsNoCase(name, saveName)) return true;
    }
    return false;
}

bool IsSaveDataFile(const std::string& path) {
    // The name Windows will act on: "DAT\TazSav00.dat\." and "DAT/TazSav00.dat"
    // name the save file as much as the plain spelling does.
    if (const auto parsed = platform::WinPath::Parse(path)) return IsSaveDataName(parsed->Last());
    // Not a path Windows reads as the text says: the name after the last
    // backslash or colon (trail bytes are neither), as a plain name test.
    const auto slash = sjis::FindLast(path, '\\');
    const auto colon = sjis::FindLast(path, ':');
    std::string::size_type cut = std::string::npos;
    if (slash != std::string::npos) cut = slash;
    if (colon != std::string::npos && (cut == std::string::npos || colon > cut)) cut = colon;
    return IsSaveDataName(cut == std::string::npos ? path : path.substr(cut + 1));
}

std::vector<std::string> LogLines(const std::string& log) {
    std::vector<std::string> lines;
    for (std::string& line : platform::SplitLines(log))
        if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

bool ReplaceWholeFile(const std::string& path, const std::string& bytes, const std::string& fresh) {
    if (platform::WriteWholeFile(fresh, bytes) && platform::MoveReplacing(fresh, path)) return true;
    // A file just written may be held for a moment (a virus scanner reads
    // it): its removal is tried again after a short pause.
    for (int tries = 0; tries < 3 && !platform::RemoveFile(fresh) && !platform::IsMissing(fresh); ++tries)
        platform::app::Wait(50);
    return false;
}

bool ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    return ReplaceWholeFile(path, bytes, path + kFreshSuffix);
}

bool ReplaceInstallLog(const std::string& log, const std::string& bytes) {
    if (!ReplaceWholeFile(log, bytes, log + kFreshSuffix)) return false;
    if (platform::FileExists(log + ".old")) platform::RemoveFile(log + ".old");
    return true;
}

void RecoverInstallLog(const std::string& log) {
    if (platform::FileExists(log)) return;
    // A ".new" is complete before anything moves it; an ".old" is the log
    // itself, moved aside by an earlier version of the rewrite.
    for (const char* suffix : {".new", ".old"})
        if (platform::FileExists(log + suffix) && platform::RenameFile(log + suffix, log)) return;
}

void WaitForProgramEnd(platform::ChildProcess& program) {
    while (!program.Ended() && !platform::app::Terminated()) {
        platform::app::ProcessMessagesNow();
        if (platform::app::Terminated()) break;
        program.WaitForEndOrMessage();
    }
}
