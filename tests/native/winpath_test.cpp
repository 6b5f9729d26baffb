// The path model: how each spelling is read, and the one rule of what an
// installation in C:\Game\ may have put down.
#include <gtest/gtest.h>

#include <string>

#include "install/installedfile.h"
#include "maintenance/instdeletefiles.h"
#include "platform/winpath.h"

namespace {

using platform::WinPath;

TEST(WinPath, EachSpellingIsReadAsWindowsReadsIt) {
    const auto game = WinPath::Parse("C:\\Game\\");
    ASSERT_TRUE(game);
    const char* const kRefused = nullptr;
    const struct {
        std::string text;
        const char* read;  // Text(), or kRefused
        bool root, installed;
        const char* why;
    } rows[] = {
        {"C:\\Game\\Tazu.exe", "C:\\Game\\Tazu.exe", false, true, "the folder itself"},
        {"c:\\GAME\\dat\\TazSav00.dat", "c:\\GAME\\dat\\TazSav00.dat", false, true, "a group folder, any case"},
        {"C:\\Game\\.\\TAZ\\..\\Tazu.env", "C:\\Game\\Tazu.env", false, true, "dots resolved"},
        {"C:/Game//TZM/a.tzm", "C:\\Game\\TZM\\a.tzm", false, true, "slashes and repeated separators"},
        {"C:\\Game\\OTHER\\x", "C:\\Game\\OTHER\\x", false, false, "not a group folder"},
        {"C:\\Game\\TAZ\\sub\\x", "C:\\Game\\TAZ\\sub\\x", false, false, "below a group folder"},
        {"C:\\Game\\..\\x", "C:\\x", false, false, "climbs out"},
        {"C:\\Game2\\x", "C:\\Game2\\x", false, false, "a sibling sharing the prefix"},
        {"C:\\Game\\", "C:\\Game", false, false, "the folder is no file of itself"},
        {"D:\\Game\\x", "D:\\Game\\x", false, false, "another drive"},
        {"\\\\SRV\\Share\\Game\\x", "\\\\SRV\\Share\\Game\\x", false, false, "a share"},
        // Every spelling of a root.
        {"C:\\", "C:\\", true, false, "a drive root"},
        {"C:\\.", "C:\\", true, false, "a drive root with a dot"},
        {"C:\\\\", "C:\\", true, false, "a drive root with two backslashes"},
        {"C:\\WINDOWS\\..", "C:\\", true, false, "a drive root by climbing"},
        {"C:\\Games\\..\\", "C:\\", true, false, "a drive root by climbing, with a backslash"},
        {"\\\\srv\\share", "\\\\srv\\share\\", true, false, "a bare share"},
        {"\\\\srv\\share\\", "\\\\srv\\share\\", true, false, "a bare share with its backslash"},
        // What Windows would read as something else than the text.
        {std::string("C:\\Users\\X\\thesis.doc\0\\..\\..\\..\\Game\\x", 36), kRefused, false, false,
         "a NUL: Windows sees only the text before it"},
        {"C:\\Game\\a\tb", kRefused, false, false, "a control byte"},
        {"C:\\Game\\x.", kRefused, false, false, "a trailing dot Windows drops"},
        {"C:\\Game\\x ", kRefused, false, false, "a trailing blank Windows drops"},
        {"C:\\Game.\\x", kRefused, false, false, "a folder with a trailing dot"},
        {"C:\\Game\\x:stream", kRefused, false, false, "a stream"},
        {"C:\\Game\\*", kRefused, false, false, "a wildcard"},
        {"C:\\Game\\a|b", kRefused, false, false, "a character no name may hold"},
        {"C:\\Game\\nul.txt", kRefused, false, false, "a device name"},
        {"C:\\Game\\COM1", kRefused, false, false, "a device name"},
        {"C:\\Game\\TAZ\\.x", "C:\\Game\\TAZ\\.x", false, true, "a name that begins with a dot"},
        {"C:\\Game\\CONOUT$.log", kRefused, false, false, "a device name of seven characters"},
        {"C:\\Game\\conin$  .x", kRefused, false, false, "a device name with blanks before its dot"},
        {"C:\\Game\\DAT\\CONSOLE.x", "C:\\Game\\DAT\\CONSOLE.x", false, true, "a name no device has"},
        {"\\\\?\\C:\\Game\\x", kRefused, false, false, "the long-path prefix"},
        {"\\\\.\\C:\\Game\\x", kRefused, false, false, "the device namespace"},
        {"\\\\.\\pipe\\x", kRefused, false, false, "the device namespace, with a share-like name"},
        {"\\??\\C:\\Game\\x", kRefused, false, false, "the object namespace"},
        {"//?/C:/Game/x", kRefused, false, false, "the long-path prefix with slashes"},
        {"\\\\srv", kRefused, false, false, "a server without a share"},
        {"C:\\..\\Game\\x", kRefused, false, false, "above a drive root"},
        {"C:\\Game\\..\\..\\..\\x", kRefused, false, false, "above a drive root, twice"},
        {"\\\\srv\\share\\..\\..\\x", kRefused, false, false, "above a share root, twice"},
        {"Game\\x", kRefused, false, false, "relative"},
        {"\\Game\\x", kRefused, false, false, "relative to the current drive"},
        {"C:Game\\x", kRefused, false, false, "relative to a drive's current folder"},
        {"C:", kRefused, false, false, "a drive's current folder"},
        {"1:\\Game\\x", kRefused, false, false, "a drive that is no letter"},
        {"", kRefused, false, false, "empty"},
        {"C:\\Game\\\x83", kRefused, false, false, "a lead byte without its second byte"},
        {"C:\\Game\\\x83/x", kRefused, false, false, "a lead byte before a byte that ends no character"},
        // ソ and 表 end in a 0x5C byte that is no separator.
        {"C:\\Game\\DAT\\ソ表", "C:\\Game\\DAT\\ソ表", false, true, "0x5C trail bytes"},
        {"C:\\Game\\ソ\\x", "C:\\Game\\ソ\\x", false, false, "a 0x5C trail byte is no separator"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.why) + ": " + r.text);
        const auto path = WinPath::Parse(r.text);
        ASSERT_EQ(path.has_value(), r.read != kRefused);
        if (!path) continue;
        EXPECT_EQ(path->Text(), r.read);
        EXPECT_EQ(path->IsRoot(), r.root);
        EXPECT_EQ(IsInstalledFile(*path, *game), r.installed);
        // A root is never an install folder, whatever lies below it.
        const auto below = path->Child("Tazu.exe");
        if (r.root && below) {
            EXPECT_FALSE(IsInstalledFile(*below, *path));
        }
    }
    for (const char c : std::string("<>:\"|?*")) EXPECT_FALSE(WinPath::Parse(std::string("C:\\Game\\a") + c + "b")) << c;
    // A share's name is compared without regard to case, and is part of the root.
    const auto shared = WinPath::Parse("\\\\SRV\\Share\\Game\\");
    EXPECT_TRUE(IsInstalledFile(*WinPath::Parse("\\\\srv\\share\\Game\\x"), *shared));
    EXPECT_FALSE(IsInstalledFile(*WinPath::Parse("\\\\srv\\other\\Game\\x"), *shared));
    EXPECT_FALSE(WinPath::Parse("C:\\Game")->Child("..\\x"));
}

}  // namespace
