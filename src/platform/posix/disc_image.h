// The disc images that OpenDiscImage opened, as files.cpp and
// disc_services.cpp read them: paths below an image's root lead into it.
#pragma once
#include <optional>
#include <string>

#include "platform/disc_services.h"

namespace platform::posix {

// True when the Shift-JIS `path` is the root of an opened image (ending in
// its backslash) or lies below it.
bool InDiscImage(const std::string& path);

// The file or folder at `path` in an opened image, each part found without
// regard to the case of ASCII and full-width Latin letters; `spelling` is
// relative to the image's root. nullopt when a part is missing, when a part
// before the last is no folder, or when a name holds a wildcard.
std::optional<DiscItem> FindInDiscImage(const std::string& path);

// The content of the file at `path` in an opened image.
std::optional<std::string> ReadDiscImageFile(const std::string& path);

}  // namespace platform::posix
