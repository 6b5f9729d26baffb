// Text from the system's wide calls reaches the path model only when it
// converts to code page 932 exactly: the system's best fit turns a yen sign
// into a backslash and an accented letter into a plain one, naming another
// path.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/win32/wintext.h"

namespace {

using platform::win32::Narrow;
using platform::win32::NarrowExact;
using platform::win32::NarrowPath;

TEST(WinText, OnlyExactConversionsAreTaken) {
    EXPECT_EQ(NarrowExact(std::wstring(L"C:\\Games\\\u30bd\u30d5\u30c8\u8868")),
              std::optional<std::string>("C:\\Games\\\x83\x5c\x83\x74\x83\x67\x95\x5c"));
    for (const wchar_t* inexact : {L"C:\\Games\\X\u00a5..\u00a5Y", L"C:\\Users\\Jos\u00e9", L"C:\\\u00f8"}) {
        SCOPED_TRACE(Narrow(inexact));
        EXPECT_EQ(NarrowExact(std::wstring(inexact)), std::nullopt);
        // What is not exact never becomes a separator or a plain letter.
        const std::string shown = Narrow(inexact);
        EXPECT_NE(shown.find('?'), std::string::npos);
        EXPECT_EQ(shown.find("X\\..\\Y"), std::string::npos);
        EXPECT_EQ(shown.find("Jose"), std::string::npos);
    }
}

// A folder whose name the code page lacks is taken by its short name when
// that names the same folder, and not at all otherwise.
TEST(WinText, PathsOutsideTheCodePageGoByTheirShortName) {
    const std::wstring folder = L"C:\\TazuWide-Jos\u00e9";
    CreateDirectoryW(folder.c_str(), nullptr);
    const auto narrow = NarrowPath(folder.c_str());
    if (narrow) {
        EXPECT_EQ(narrow->find('?'), std::string::npos);
        EXPECT_EQ(narrow->find("Jose"), std::string::npos);
        const DWORD attributes = GetFileAttributesW(platform::win32::Widen(*narrow).c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(NarrowPath(L"C:\\TazuNoSuchFolder-Jos\u00e9"), std::nullopt);
}

}  // namespace
