// Start-menu shortcut, save-data names, waiting on a started program.
#include "install/instcommon.h"

#include <cstdio>
#include <stdexcept>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shellfolders.h"
#include "platform/sjis.h"
#include "shell/instconfig.h"

namespace {
std::optional<std::string> ShortcutFolder() {
    const auto programs = platform::SpecialFolderPath(platform::kCsidlPrograms);
    if (!programs) return std::nullopt;
    return *programs + "\\" + InstConfig.ProgramFolder;
}
}  // namespace

void CreateStartMenuShortcut() {
    const auto folder = ShortcutFolder();
    if (!folder) return;
    platform::CreateDirectoryTree(*folder);
    std::string error;
    const auto saved = platform::SaveShellLink(*folder + "\\" + InstConfig.GameTitle + ".lnk",
                                               InstConfig.InstPath + "Tazu.exe",
                                               InstConfig.InstPath + InstConfig.ShortcutIcon, &error);
    if (saved == platform::LinkSave::NoLinkObject) throw std::runtime_error(error);
}

void RemoveStartMenuShortcut() {
    const auto folder = ShortcutFolder();
    if (!folder) return;
    platform::RemoveFile(*folder + "\\" + InstConfig.GameTitle + ".lnk");
    platform::RemoveEmptyDirectory(*folder);
}

bool IsSaveDataFile(const std::string& path) {
    // The name follows the last backslash or colon; trail bytes are neither.
    const auto slash = sjis::FindLast(path, '\\');
    const auto colon = sjis::FindLast(path, ':');
    std::string::size_type cut = std::string::npos;
    if (slash != std::string::npos) cut = slash;
    if (colon != std::string::npos && (cut == std::string::npos || colon > cut)) cut = colon;
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    for (int n = 0; n <= 12; ++n) {
        char saveName[16];
        std::snprintf(saveName, sizeof saveName, "%s%02d.dat", "TazSav", n);
        if (sjis::EqualsNoCase(name, saveName)) return true;
    }
    return false;
}

std::vector<std::string> LogLines(const std::string& log) {
    // CR and LF are never the second byte of a double-byte character.
    std::vector<std::string> lines;
    std::string::size_type pos = 0;
    while (pos < log.size()) {
        auto end = log.find('\n', pos);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

void WaitForProgramEnd(platform::ChildProcess& program) {
    while (!program.Ended() && !platform::app::Terminated()) {
        platform::app::ProcessMessagesNow();
        if (platform::app::Terminated()) break;
        program.WaitForEndOrMessage();
    }
}
