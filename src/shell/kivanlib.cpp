// Named-mutex guards and the folder browser.
#include "shell/kivanlib.h"

#include "platform/mutex.h"
#include "platform/shellfolders.h"

namespace {
platform::MutexHandle ownMutex = 0;
}

bool IsMutexPresent(const std::string& name) { return platform::MutexExists(name); }

bool TryTakeSingleInstanceMutex(const std::string& name) {
    if (platform::MutexExists(name)) return false;
    ownMutex = platform::CreateOwnedMutex(name);
    return true;
}

void ReleaseSingleInstanceMutex() {
    platform::ReleaseOwnedMutex(ownMutex);
    ownMutex = 0;
}

bool BrowseForFolder(const platform::Form* owner, const std::string& title, platform::ShellFolder root,
                     std::string& path) {
    auto chosen = platform::PickFolder(owner, title, root);
    // An empty path cannot be used as a folder; it counts as a cancel.
    if (!chosen || chosen->empty()) return false;
    path = *chosen;
    return true;
}
