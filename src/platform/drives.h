// Drives and volumes.
#pragma once
#include <optional>
#include <string>

namespace platform {

// True when `root` (such as "Q:\") is a CD-ROM drive.
bool IsCdRomDrive(const std::string& root);
// Volume label of the disc at `root`; nullopt when the drive has no readable
// volume (empty, not ready, absent).
std::optional<std::string> VolumeLabel(const std::string& root);

}  // namespace platform
