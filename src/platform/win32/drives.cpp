// Drive type and volume label.
#include "platform/drives.h"

#include "platform/win32/wintext.h"

namespace platform {

bool IsCdRomDrive(const std::string& root) { return GetDriveTypeW(win32::Widen(root).c_str()) == DRIVE_CDROM; }

std::string CdRomDrives() {
    // A drive's type costs a query of the volume; the letters in use, one
    // call for all of them.
    const DWORD present = GetLogicalDrives();
    std::string letters;
    for (int i = 0; i < 26; ++i) {
        const char letter = static_cast<char>('A' + i);
        if ((present & (DWORD(1) << i)) && IsCdRomDrive(std::string(1, letter) + ":\\")) letters += letter;
    }
    return letters;
}

std::optional<std::string> VolumeLabel(const std::string& root) {
    // An empty floppy or card drive would otherwise put up the system's
    // "no disk in drive" box instead of just failing.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    wchar_t label[MAX_PATH + 1] = {};
    const BOOL ok = GetVolumeInformationW(win32::Widen(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr,
                                          nullptr, nullptr, 0);
    SetErrorMode(oldMode);
    if (!ok) return std::nullopt;
    return win32::Narrow(label);
}

}  // namespace platform

namespace platform {

std::optional<std::uint64_t> FreeBytesAvailable(const std::string& path) {
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ULARGE_INTEGER available, total, free;
    const BOOL ok = GetDiskFreeSpaceExW(win32::Widen(path).c_str(), &available, &total, &free);
    SetErrorMode(oldMode);
    if (!ok) return std::nullopt;
    return static_cast<std::uint64_t>(available.QuadPart);
}

}  // namespace platform
