// Drive type and volume label; the test run maps the demo disc as CD-ROM Q:.
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/drives.h"

namespace {

bool NoCdRom() { return std::getenv("TAZU_NO_CDROM") != nullptr; }

TEST(Win32Drives, QIsTheCdRomWithTheDiscLabel) {
    if (NoCdRom()) GTEST_SKIP() << "TAZU_NO_CDROM is set";
    EXPECT_TRUE(platform::IsCdRomDrive("Q:\\"));
    EXPECT_EQ(platform::VolumeLabel("Q:\\"), std::optional<std::string>("QUENDRIL1"));
}

TEST(Win32Drives, SystemDriveIsNotACdRom) { EXPECT_FALSE(platform::IsCdRomDrive("C:\\")); }

TEST(Win32Drives, AbsentDriveHasNoLabel) {
    // No test prefix maps J:.
    EXPECT_FALSE(platform::IsCdRomDrive("J:\\"));
    EXPECT_EQ(platform::VolumeLabel("J:\\"), std::nullopt);
}

}  // namespace
