// The part of drives.h that the disc checker uses, on POSIX, where a disc is
// a folder and no path is the root of a drive.
#include "platform/drives.h"

namespace platform {

std::optional<std::string> VolumeLabel(const std::string&) { return std::nullopt; }

}  // namespace platform
