// Shell folder services: the folder browser.
#pragma once
#include <optional>
#include <string>

namespace platform {
class Form;

constexpr int kCsidlDrives = 17;  // the list of the machine's drives

// Shows the system folder browser over `owner`, rooted at the special folder
// `rootCsidl`, with no folder preselected; only file-system folders can be
// confirmed. The chosen path, or nullopt when cancelled.
std::optional<std::string> PickFolder(const Form* owner, const std::string& title, int rootCsidl);

}  // namespace platform
