// Command lines as the system splits them, and the hidden command prompt
// the uninstaller's copy leaves its removal to.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/uninstaller.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/win32/wintext.h"

namespace {

using platform::win32::Widen;

std::vector<std::wstring> Split(const std::string& line) {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(Widen(line).c_str(), &count);
    std::vector<std::wstring> args(argv, argv + count);
    LocalFree(argv);
    return args;
}

// Each argument the kept uninstaller passes on comes back whole from the
// system's own splitting: blanks, quotes, backslashes before a quote and at
// the end, and the second byte 0x5C of ソ and 表 before a quote.
TEST(Win32CommandLine, QuotedArgumentsSplitBackWhole) {
    const std::string args[] = {
        "/uninstall",
        "/log=C:\\Program Files\\log dir\\u.log",
        "/keptcopy=C:\\Users\\A B\\AppData\\Local\\TazuStart\\Maker_ソフト表",
        "C:\\ends in\\",
        "say \"hi\"",
        "a\\\\\"b",
        "ソ",
        "表\"",
        "",
    };
    std::string line = QuotedArgument("C:\\Temp\\TazuStart-1\\TazuStart.exe");
    for (const std::string& arg : args) line += " " + QuotedArgument(arg);
    const auto split = Split(line);
    ASSERT_EQ(split.size(), std::size(args) + 1);
    for (std::size_t i = 0; i < std::size(args); ++i) EXPECT_EQ(split[i + 1], Widen(args[i])) << args[i];
}

// The removal's command prompt is started without a window and reads
// quoted paths with blanks and Japanese names.
TEST(Win32HiddenProgram, CommandPromptDeletesAQuotedPath) {
    const auto temp = platform::TempFolder();
    ASSERT_TRUE(temp);
    const std::string folder = *temp + "Tazu 表 " + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(platform::CreateDirectoryTree(folder));
    const std::string file = folder + "\\a b.exe";
    ASSERT_TRUE(platform::WriteWholeFile(file, "MZ"));
    const std::string shell = platform::WindowsDirectory() + "\\System32\\cmd.exe";
    ASSERT_TRUE(platform::StartHidden(shell, QuotedArgument(shell) + " /c del /f /q " + QuotedArgument(file) +
                                                 " & rmdir " + QuotedArgument(folder)));
    for (int i = 0; i < 200 && platform::DirectoryExists(folder); ++i) Sleep(50);
    EXPECT_FALSE(platform::FileExists(file));
    EXPECT_FALSE(platform::DirectoryExists(folder));
}

// The kept uninstaller returns its copy's code: a started program is
// waited on with a time-out, and its code is known only once it has ended.
TEST(Win32ChildProcess, WaitForEndGivesTheExitCodeOnlyOnceEnded) {
    const std::string shell = platform::WindowsDirectory() + "\\System32\\cmd.exe";
    auto quick = platform::StartProcess(shell, "cmd.exe /d /c exit 7", *platform::TempFolder());
    ASSERT_TRUE(quick);
    EXPECT_TRUE(quick->WaitForEnd(20000));
    EXPECT_EQ(quick->ExitCode(), std::optional<int>(7));
    auto slow = platform::StartProcess(shell, "cmd.exe /d /c ping -n 3 127.0.0.1 >nul & exit 0");
    ASSERT_TRUE(slow);
    EXPECT_FALSE(slow->WaitForEnd(0));
    EXPECT_EQ(slow->ExitCode(), std::nullopt);
    EXPECT_TRUE(slow->WaitForEnd(20000));
    EXPECT_EQ(slow->ExitCode(), std::optional<int>(0));
}

}  // namespace
