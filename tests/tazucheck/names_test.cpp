// Name and text rules of the checker.
#include <gtest/gtest.h>

#include "tazucheck/names.h"

namespace {

using tazucheck::FileNameProblem;

TEST(FileNameProblem, UsableNames) {
    for (const char* name : {"a.taz", "表.taz",  // 表 ends in the byte '\'
                             "ポ",               // ends in the byte '|'
                             "ソフト表ポ", "CONSOLE.dat", "COM0", "x..lnk", "  blanks", ".lnk"})
        EXPECT_EQ(FileNameProblem(name), std::nullopt) << name;
}

TEST(FileNameProblem, WhatMakesANameUnusable) {
    const struct {
        const char* name;
        const char* problem;
    } cases[] = {
        {"", "an empty name"},
        {"a\\b", "'\\'"},
        {"a/b", "'/'"},
        {"ソフト:表", "':'"},
        {"a*", "'*'"},
        {"what?", "'?'"},
        {"\"q\"", "'\"'"},
        {"<x", "'<'"},
        {"x>", "'>'"},
        {"a|b", "'|'"},
        {"tab\there", "a control character"},
        {".", "the name ."},
        {"..", "the name .."},
        {"CON", "the device name CON"},
        {"con.lnk", "the device name con"},   // any extension, any case
        {"NUL .txt", "the device name NUL "},  // blanks before the dot
        {"com1", "the device name com1"},
        {"LPT9.dat", "the device name LPT9"},
        // The utility's path model refuses these too, so the checker must.
        {"x.", "a dot or blank at its end"},  // Windows drops it and names another file
        {"  blanks  ", "a dot or blank at its end"},
        {"...", "a dot or blank at its end"},
        {"CONIN$", "the device name CONIN$"},
        {"conout$.log", "the device name conout$"},
        {"ab\x81", "a broken double-byte character"},
    };
    for (const auto& c : cases) EXPECT_EQ(FileNameProblem(c.name), std::optional<std::string>(c.problem)) << c.name;
}

TEST(InvalidShiftJisLines, FirstBadLineAndCount) {
    const struct {
        const char* why;
        std::string text;
        int first, count;
    } cases[] = {
        {"empty", "", 0, 0},
        {"Japanese and half-width katakana", "表示\r\n\xB1\xB2\r\nok", 0, 0},
        {"lone lead byte at the end", "ok\r\nab\x81", 2, 1},
        {"lead byte before a blank", "\x81 x\nok", 1, 1},
        {"unassigned double-byte code", "a\r\n\x85\x40\r\n", 2, 1},
        {"bytes that start nothing", "\x80\n\xA0\n\xFD\n", 1, 3},
        {"UTF-8 text that happens to be Shift-JIS", "ok\n\xE3\x81\x82\xE3\x81\x84\n", 2, 1},
        {"a lone CR ends a line too", "a\r\x81\rb", 2, 1},
    };
    for (const auto& c : cases) {
        const auto bad = tazucheck::InvalidShiftJisLines(c.text);
        EXPECT_EQ(bad.first, c.first) << c.why;
        EXPECT_EQ(bad.count, c.count) << c.why;
    }
    EXPECT_TRUE(tazucheck::InvalidShiftJisLines("\xE3\x81\x82\n\x81").firstIsUtf8);
    EXPECT_FALSE(tazucheck::InvalidShiftJisLines("\x81\n\xE3\x81\x82").firstIsUtf8);
}

TEST(LooksLikeUtf8, WellFormedAndNotAscii) {
    const struct {
        const char* why;
        std::string text;
        bool utf8;
    } cases[] = {
        {"ASCII alone", "File1=a.taz", false},
        {"Japanese in UTF-8", "\xE3\x81\x82\xE3\x81\x84", true},
        {"a four-byte character", "\xF0\x9F\x98\x80", true},
        {"Shift-JIS kanji", "表示", false},
        {"Shift-JIS half-width katakana", "\xB1\xB2", false},
        {"cut off", "a\xE3\x81", false},
        {"overlong lead byte", "\xC0\x80", false},
    };
    for (const auto& c : cases) EXPECT_EQ(tazucheck::LooksLikeUtf8(c.text), c.utf8) << c.why;
}

TEST(HasUtf8Bom, OnlyAtTheStart) {
    EXPECT_TRUE(tazucheck::HasUtf8Bom("\xEF\xBB\xBF[Setting]"));
    EXPECT_FALSE(tazucheck::HasUtf8Bom("[Setting]\xEF\xBB\xBF"));
    EXPECT_FALSE(tazucheck::HasUtf8Bom("\xEF\xBB"));
}

}  // namespace
