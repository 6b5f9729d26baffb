// The POSIX platform of the checker: Windows-style Shift-JIS paths found on
// a Linux file system without regard to case, and the code page 932 texts.
#include "disc_builder.h"
#include "platform/files.h"

namespace {

class PosixFiles : public ::testing::Test {
protected:
    TempFolder temp;
    std::string Disc() const { return temp.path() + "\\disc\\"; }  // as the checker forms roots
};

TEST_F(PosixFiles, NamesAreFoundWithoutRegardToCase) {
    WriteAt(temp.path(), "disc\\InstData\\TAZ\\Stage01.taz", "12345");
    const auto item = platform::FindOnDisc(Disc(), "instdata\\taz\\STAGE01.TAZ");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->spelling, "InstData\\TAZ\\Stage01.taz");
    EXPECT_FALSE(item->folder);
    EXPECT_EQ(item->size, 5u);
    EXPECT_TRUE(platform::FileExists(Disc() + "INSTDATA\\taz\\stage01.taz"));
    EXPECT_TRUE(platform::DirectoryExists(Disc() + "instdata/Taz"));
    EXPECT_FALSE(platform::FileExists(Disc() + "InstData\\TAZ"));
    EXPECT_FALSE(platform::DirectoryExists(Disc() + "InstData\\TAZ\\Stage01.taz"));
    EXPECT_EQ(platform::ReadWholeFile(Disc() + "INSTDATA\\TAZ\\STAGE01.TAZ"), std::optional<std::string>("12345"));
}

TEST_F(PosixFiles, ShiftJisNamesMatchUtf8AndShiftJisNamesOnDisk) {
    WriteAt(temp.path(), "disc\\表\\ソフト.dat", "u");        // UTF-8 names, as Linux tools write them
    WriteAt(temp.path(), "disc\\raw\\表示.dat", "s", false);  // the Shift-JIS bytes themselves
    const auto utf8 = platform::FindOnDisc(Disc(), "表\\ソフト.DAT");
    ASSERT_TRUE(utf8);
    EXPECT_EQ(utf8->spelling, "表\\ソフト.dat");
    const auto raw = platform::FindOnDisc(Disc(), "RAW\\表示.dat");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->spelling, "raw\\表示.dat");
}

TEST_F(PosixFiles, FullWidthLatinLettersFoldToo) {
    WriteAt(temp.path(), "disc\\ＡＢＣ.dat", "");
    const auto item = platform::FindOnDisc(Disc(), "ａｂｃ.dat");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->spelling, "ＡＢＣ.dat");
}

TEST_F(PosixFiles, WhatIsNotFound) {
    WriteAt(temp.path(), "disc\\a.dat", "x");
    MakeFolder(temp.path(), "disc\\folder");
    EXPECT_FALSE(platform::FindOnDisc(Disc(), "b.dat")) << "missing";
    EXPECT_FALSE(platform::FindOnDisc(Disc(), "a.dat\\x")) << "a file is no folder";
    EXPECT_FALSE(platform::FindOnDisc(Disc(), "*.dat")) << "wildcards are no names";
    EXPECT_FALSE(platform::FindOnDisc(Disc(), "a?dat"));
    EXPECT_FALSE(platform::FindOnDisc(temp.path() + "\\nothing\\", "a.dat")) << "no root";
    EXPECT_FALSE(platform::ReadWholeFile(Disc() + "folder")) << "a folder has no content";
    const auto folder = platform::FindOnDisc(Disc(), "FOLDER");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->folder);
}

TEST(ShiftJisText, ConvertsAndEscapesWhatIsNoCharacter) {
    bool valid = false;
    EXPECT_EQ(platform::ShiftJisToUtf8("表\\~", &valid), "\xE8\xA1\xA8\\~");
    EXPECT_TRUE(valid);
    EXPECT_EQ(platform::ShiftJisToUtf8("a\x81 b\x85\x40", &valid), "a\\x81 b\\x85@");
    EXPECT_FALSE(valid);
    EXPECT_EQ(platform::ShiftJisToUtf8("end\x81", &valid), "end\\x81");
    EXPECT_FALSE(valid);
}

TEST(ShiftJisText, FromUtf8) {
    EXPECT_EQ(platform::Utf8ToShiftJis("\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88/x"), std::optional<std::string>("ソフト/x"));
    EXPECT_EQ(platform::Utf8ToShiftJis("\xF0\x9F\x98\x80"), std::nullopt) << "an emoji has no Shift-JIS code";
    EXPECT_EQ(platform::Utf8ToShiftJis("\xE3\x82"), std::nullopt) << "cut-off UTF-8";
}

}  // namespace
