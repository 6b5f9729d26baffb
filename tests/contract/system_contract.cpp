// The running program, the temporary folder, the calendar and hidden
// programs, as both backends answer them.
#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/sjis.h"

namespace {

// The program's own file is a program in the program's folder: the kept
// uninstaller is a copy of it.
TEST(SystemContract, ExecutablePathIsAProgramInTheExecutableFolder) {
    const std::string path = platform::ExecutablePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(sjis::FolderPart(path), platform::ExecutableFolder());
    EXPECT_TRUE(sjis::EqualsNoCase(path.substr(path.size() - 4), ".exe")) << path;
}

// The temporary folder is there, ends in a backslash and takes new files.
TEST(SystemContract, TempFolderTakesNewFiles) {
    const auto temp = platform::TempFolder();
    ASSERT_TRUE(temp);
    EXPECT_TRUE(sjis::EndsWithBackslash(*temp)) << *temp;
    EXPECT_TRUE(platform::DirectoryExists(*temp)) << *temp;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string file = *temp + "TazuContract-" + std::to_string(ticks % 1000000000) + ".tmp";
    EXPECT_TRUE(platform::WriteWholeFile(file, "x"));
    EXPECT_TRUE(platform::RemoveFile(file));
}

// Today is a date of the calendar: the list shows it as yyyymmdd.
TEST(SystemContract, TodayIsADateOfTheCalendar) {
    const platform::Date today = platform::Today();
    const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    EXPECT_GE(today.year, 2000);
    EXPECT_LT(today.year, 10000);
    ASSERT_GE(today.month, 1);
    ASSERT_LE(today.month, 12);
    EXPECT_GE(today.day, 1);
    EXPECT_LE(today.day, days[today.month - 1]);
}

// A hidden program starts only when it is there.
TEST(SystemContract, StartHiddenNeedsAProgramThatIsThere) {
    const std::string shell = platform::WindowsDirectory() + "\\System32\\cmd.exe";
    EXPECT_TRUE(platform::StartHidden(shell, "\"" + shell + "\" /c exit"));
    const std::string none = platform::WindowsDirectory() + "\\System32\\TazuContract-none.exe";
    EXPECT_FALSE(platform::StartHidden(none, "\"" + none + "\" /c exit"));
}

// A hidden program starts in the folder it is given, and only in one that
// is there: the removal of the temporary copy works in its folder by
// relative names alone.
TEST(SystemContract, StartHiddenStartsInAFolderThatIsThere) {
    const std::string shell = platform::WindowsDirectory() + "\\System32\\cmd.exe";
    const auto temp = platform::TempFolder();
    ASSERT_TRUE(temp);
    EXPECT_TRUE(platform::StartHidden(shell, "cmd.exe /d /c exit", *temp));
    EXPECT_FALSE(platform::StartHidden(shell, "cmd.exe /d /c exit", *temp + "TazuContract-none\\"));
}

// The running program's own file cannot be deleted while it runs: a copy
// left in the temporary folder is taken away only once it has ended.
TEST(SystemContract, TheRunningProgramsFileStays) {
    EXPECT_FALSE(platform::RemoveFile(platform::ExecutablePath()));
}

}  // namespace
