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

}  // namespace
