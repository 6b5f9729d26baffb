// The kept uninstaller's place.
#include "install/uninstallerplace.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/shellfolders.h"
#include "platform/sjis.h"
#include "shell/instconfig.h"

using platform::WinPath;

namespace {

constexpr std::size_t kMaxNameBytes = 120;

}  // namespace

std::string InstalledProgramName(const std::string& regKey, const std::string& title) {
    const std::string joined = regKey + "_" + title;
    std::string name;
    for (std::size_t i = 0; i < joined.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(joined[i]);
        if (sjis::IsLeadByte(c)) {
            // A lead byte at the end has no character to make: it goes.
            if (i + 1 < joined.size()) name += joined.substr(i, 2);
            ++i;
            continue;
        }
        name += c < 0x20 || std::strchr("\\/:*?\"<>|", c) ? '_' : static_cast<char>(c);
    }
    const auto trim = [](std::string& text) {
        while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    };
    trim(name);
    if (name.size() <= kMaxNameBytes) return name;
    // FNV-1a over the maker and the title as given, a NUL between them:
    // no two pairs are joined alike.
    std::uint32_t hash = 2166136261u;
    for (const char c : regKey + std::string(1, '\0') + title) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    char tail[16];
    std::snprintf(tail, sizeof tail, "~%08X", static_cast<unsigned>(hash));
    std::size_t keep = 0;
    while (keep < name.size()) {
        const std::size_t step = sjis::IsLeadByte(static_cast<unsigned char>(name[keep])) ? 2 : 1;
        if (keep + step + std::strlen(tail) > kMaxNameBytes) break;
        keep += step;
    }
    name.resize(keep);
    trim(name);
    return name + tail;
}

std::optional<WinPath> UninstallerBase() {
    const auto local = platform::SpecialFolderPath(platform::ShellFolder::LocalAppData);
    const auto root = local ? WinPath::Parse(*local) : std::nullopt;
    return root ? root->Child(kUninstallerBaseName) : std::nullopt;
}

std::optional<UninstallerPlace> KeptUninstallerPlace() {
    const auto base = UninstallerBase();
    const auto folder = base ? base->Child(InstalledProgramName(InstConfig.RegKey, InstConfig.GameTitle)) : std::nullopt;
    if (!folder) return std::nullopt;
    return UninstallerPlace{*base, *folder, *folder->Child(kUninstallerExeName), *folder->Child(kUninstallerSetupName)};
}
