// What an installation may have put down.
#include "install/installedfile.h"

#include "shell/instconfig.h"

bool IsInstalledFile(const platform::WinPath& file, const platform::WinPath& folder) {
    if (folder.IsRoot()) return false;
    if (file.IsDirectlyIn(folder)) return true;
    for (const char* group : kGroups)
        if (file.IsDirectlyIn(folder, group)) return true;
    return false;
}
