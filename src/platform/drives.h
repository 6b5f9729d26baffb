// Drives and volumes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// True when `root` (such as "Q:\") is a CD-ROM drive.
bool IsCdRomDrive(const std::string& root);
// The letters of the CD-ROM drives, A to Z: the drives IsCdRomDrive takes,
// asked of the drives that are there only.
std::string CdRomDrives();
// Volume label of the disc at `root`; nullopt when the drive has no readable
// volume (empty, not ready, absent).
std::optional<std::string> VolumeLabel(const std::string& root);
// Bytes on the volume that holds the folder `path` that the calling user may
// still use. `path` is a folder ending in a backslash ("C:\", "\\srv\share\");
// nullopt when the volume cannot be asked.
std::optional<std::uint64_t> FreeBytesAvailable(const std::string& path);

}  // namespace platform
