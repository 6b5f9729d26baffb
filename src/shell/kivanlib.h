// Named-mutex guards and the folder browser.
#pragma once
#include <string>

#include "platform/shellfolders.h"

// True when a mutex of that name exists; holds nothing afterwards.
bool IsMutexPresent(const std::string& name);
// True when this process now owns a mutex of that name, made by it and held
// until ReleaseSingleInstanceMutex; false when the mutex already existed:
// another copy runs, and the caller must quit.
bool TryTakeSingleInstanceMutex(const std::string& name);
void ReleaseSingleInstanceMutex();

// Shows the folder browser rooted at the special folder `root`. True
// with `path` set when the user confirmed a folder; false (and `path` left
// as it was) when cancelled.
bool BrowseForFolder(const platform::Form* owner, const std::string& title, platform::ShellFolder root,
                     std::string& path);
