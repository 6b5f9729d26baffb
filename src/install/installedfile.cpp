// What an installation may have put down.
#include "install/installedfile.h"

#include "platform/sjis.h"
#include "shell/instconfig.h"

bool IsInstalledFile(const platform::WinPath& file, const platform::WinPath& folder) {
    if (folder.IsRoot()) return false;
    if (file.IsDirectlyIn(folder)) return true;
    const auto holder = file.Parent();
    if (!holder || !holder->IsDirectlyIn(folder)) return false;
    for (const char* group : kGroups)
        if (sjis::EqualsNoCase(holder->Last(), group)) return true;
    return false;
}
