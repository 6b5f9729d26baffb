// Named-mutex guards and the folder browser.
#pragma once
#include <string>

namespace platform {
class Form;
}

// True when a mutex of that name exists; holds nothing afterwards.
bool IsMutexPresent(const std::string& name);
// True when the mutex already existed (the caller must quit); otherwise
// creates it, owned by this process until ReleaseSingleInstanceMutex.
bool TakeSingleInstanceMutex(const std::string& name);
void ReleaseSingleInstanceMutex();

// Shows the folder browser rooted at the special folder `rootCsidl`. True
// with `path` set when the user confirmed a folder; false (and `path` left
// as it was) when cancelled.
bool BrowseForFolder(const platform::Form* owner, const std::string& title, int rootCsidl, std::string& path);
