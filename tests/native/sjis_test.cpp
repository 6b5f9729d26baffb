#include "platform/sjis.h"

#include <gtest/gtest.h>

namespace {

struct PathRow {
    const char* path;
    bool endsWithBackslash;
    const char* last;
    const char* folder;
    const char* why;
};

// 表 and ソ end in 0x5C; 能 too. None of them is ever a backslash.
const PathRow kPaths[] = {
    {"C:\\", true, "", "C:\\", "drive root"},
    {"C:\\Games", false, "Games", "C:\\", "plain folder"},
    {"C:\\Games\\", true, "", "C:\\Games\\", "folder with trailing backslash"},
    {"D:\\ソ", false, "ソ", "D:\\", "trail byte 0x5C at the end"},
    {"D:\\表示\\ソフト", false, "ソフト", "D:\\表示\\", "trail bytes 0x5C inside"},
    {"D:\\ソ\\", true, "", "D:\\ソ\\", "real backslash after a 0x5C trail byte"},
    {"能", false, "能", "", "no backslash at all"},
    {"", false, "", "", "empty"},
};

TEST(Sjis, PathHelpersNeverTakeATrailByteForABackslash) {
    for (const PathRow& row : kPaths) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(sjis::EndsWithBackslash(row.path), row.endsWithBackslash);
        EXPECT_EQ(sjis::LastPathComponent(row.path), row.last);
        EXPECT_EQ(sjis::FolderPart(row.path), row.folder);
    }
}

TEST(Sjis, AppendsExactlyOneBackslash) {
    EXPECT_EQ(sjis::WithTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(sjis::WithTrailingBackslash("C:\\Games"), "C:\\Games\\");
    EXPECT_EQ(sjis::WithTrailingBackslash("D:\\ソ"), "D:\\ソ\\");
    EXPECT_EQ(sjis::WithTrailingBackslash("D:\\表"), "D:\\表\\");
}

TEST(Sjis, LeadBytesAreTheCodePage932Ranges) {
    EXPECT_FALSE(sjis::IsLeadByte(0x80));
    EXPECT_TRUE(sjis::IsLeadByte(0x81));
    EXPECT_TRUE(sjis::IsLeadByte(0x9F));
    EXPECT_FALSE(sjis::IsLeadByte(0xA0));  // half-width katakana are single bytes
    EXPECT_FALSE(sjis::IsLeadByte(0xDF));
    EXPECT_TRUE(sjis::IsLeadByte(0xE0));
    EXPECT_TRUE(sjis::IsLeadByte(0xFC));
    EXPECT_FALSE(sjis::IsLeadByte(0xFD));
}

TEST(Sjis, CaseFoldsAsciiOnly) {
    EXPECT_TRUE(sjis::EqualsNoCase("TazSav00.DAT", "tazsav00.dat"));
    EXPECT_FALSE(sjis::EqualsNoCase("TazSav00.dat", "TazSav01.dat"));
    // Ｂ is 0x82 0x61: its trail byte looks like 'a' and must not be folded.
    EXPECT_EQ(sjis::FoldCase("Ｂ"), "Ｂ");
    EXPECT_FALSE(sjis::EqualsNoCase("Ｂ", "\x82\x41"));
    EXPECT_TRUE(sjis::EqualsNoCase("ソa", "ソA"));
}

TEST(Sjis, FindSkipsTrailBytes) {
    const std::string s = "ソ\\x";  // 0x83 0x5C 0x5C 'x'
    EXPECT_EQ(sjis::FindFirst(s, '\\'), 2u);
    EXPECT_EQ(sjis::FindLast(s, '\\'), 2u);
    EXPECT_EQ(sjis::FindFirst("[表]", ']'), 3u);
}

TEST(Sjis, SplitPathKeepsDoubleByteCharactersWhole) {
    using Parts = std::vector<std::string>;
    EXPECT_EQ(sjis::SplitPath("表\\ソ/x"), (Parts{"表", "ソ", "x"}));
    EXPECT_EQ(sjis::SplitPath("a\\\\b\\"), (Parts{"a", "", "b", ""}));
    EXPECT_EQ(sjis::SplitPath("one"), (Parts{"one"}));
    EXPECT_EQ(sjis::SplitPath("a/表\\b", "\\"), (Parts{"a/表", "b"}));  // list entries: '/' is no separator
    EXPECT_EQ(sjis::SplitPath(std::string("a\0b", 3)), (Parts{std::string("a\0b", 3)}));
    EXPECT_EQ(sjis::SplitPath("a\\\x83"), (Parts{"a", "\x83"}));  // a lead byte at the end
}

// The edges of the code page around its table: the single-byte ranges, the
// first and last trail byte of a row, the user-defined rows F0-F9 (computed,
// not listed) and rows without a character. The Wine tier holds every
// character against the system.
struct CodeRow {
    const char* sjis;
    char16_t ch;  // 0: no character
    const char* why;
};

const CodeRow kCodes[] = {
    {"\x7F", u'\x7F', "last ASCII byte"},
    {"\x80", u'\x80', "0x80 stands for U+0080"},
    {"\xA1", u'\uFF61', "first half-width katakana"},
    {"\xDF", u'\uFF9F', "last half-width katakana"},
    {"\x81\x40", u'\u3000', "first trail byte of the first row"},
    {"\x81\x7E", u'\u00D7', "last trail byte below 0x7F"},
    {"\x81\x80", u'\u00F7', "first trail byte above 0x7F"},
    {"\x9F\xFC", u'\u6ECC', "last trail byte of the last row below 0xA0"},
    {"\xFC\x4B", u'\u9ED1', "last character of the last row"},
    {"\xF0\x40", u'\uE000', "first user-defined character"},
    {"\xF9\xFC", u'\uE757', "last user-defined character"},
    {"\xA0", 0, "0xA0 is no character"},
    {"\xFD", 0, "nor is 0xFD"},
    {"\x81\x7F", 0, "0x7F is no trail byte"},
    {"\x85\x40", 0, "a row without characters"},
    {"\x81", 0, "a lead byte at the end"},
};

TEST(Sjis, ConvertsToUtf16AtTheEdgesOfTheCodePage) {
    for (const CodeRow& row : kCodes) {
        SCOPED_TRACE(row.why);
        const auto utf16 = sjis::ToUtf16(row.sjis);
        if (row.ch == 0) {
            EXPECT_EQ(utf16, std::nullopt);
            continue;
        }
        EXPECT_EQ(utf16, std::u16string(1, row.ch));
        EXPECT_EQ(sjis::FromUtf16(std::u16string(1, row.ch)), std::string(row.sjis));
    }
}

// A character the code page holds twice is written with the code Windows
// writes: the lower one, never one of the NEC-selected rows ED and EE.
// Characters outside the code page have no form at all, not a lookalike.
TEST(Sjis, ConvertsFromUtf16AsWindowsWrites) {
    EXPECT_EQ(sjis::FromUtf16(u"\u2252"), "\x81\xE0");    // ≒, also 0x8790 in the NEC row
    EXPECT_EQ(sjis::FromUtf16(u"\u2160"), "\x87\x54");    // Ⅰ, also 0xFA4A in the IBM rows
    EXPECT_EQ(sjis::FromUtf16(u"\u2170"), "\xFA\x40");    // ⅰ, also 0xEEEF
    EXPECT_EQ(sjis::ToUtf16("\xED\x40"), u"\u7E8A");      // the NEC-selected form reads as the same character
    EXPECT_EQ(sjis::FromUtf16(u"C:\\\u7E8A"), "C:\\\xFA\x5C");
    EXPECT_EQ(sjis::FromUtf16(std::u16string(1, u'\0')), std::string(1, '\0'));
    EXPECT_EQ(sjis::FromUtf16(u"caf\u00E9"), std::nullopt);
    EXPECT_EQ(sjis::FromUtf16(u"\xD83D\xDE00"), std::nullopt);  // a surrogate pair: no character of the code page
}

}  // namespace
