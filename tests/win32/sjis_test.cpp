// The portable code page 932 conversion against the system's, character by
// character: every single byte and double-byte code, every UTF-16 unit.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/sjis.h"

namespace {

std::string Hex(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", c);
        out += hex;
    }
    return out;
}

std::string Hex(const std::optional<std::u16string>& text) {
    if (!text) return "none";
    std::string out;
    for (const char16_t c : *text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "U+%04X ", static_cast<unsigned>(c));
        out += hex;
    }
    return out;
}

// The system's reading of `code`; nullopt where it is no character.
std::optional<std::u16string> SystemToUtf16(const std::string& code) {
    wchar_t wide[4];
    const int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, code.data(), static_cast<int>(code.size()),
                                           wide, 4);
    if (length <= 0) return std::nullopt;
    return std::u16string(wide, wide + length);
}

TEST(Win32Sjis, EveryCodeReadsAsTheSystemReadsIt) {
    int characters = 0, mismatches = 0;
    auto check = [&](const std::string& code) {
        const auto expected = SystemToUtf16(code);
        const auto actual = sjis::ToUtf16(code);
        characters += expected ? 1 : 0;
        if (expected != actual && ++mismatches <= 10)
            ADD_FAILURE() << Hex(code) << ": system " << Hex(expected) << ", ours " << Hex(actual);
    };
    for (int c = 0; c < 0x100; ++c) {
        if (!sjis::IsLeadByte(static_cast<unsigned char>(c))) {
            check(std::string(1, static_cast<char>(c)));
            continue;
        }
        for (int trail = 0; trail < 0x100; ++trail) check({static_cast<char>(c), static_cast<char>(trail)});
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(characters, 9000);
}

// A character converts when the system writes it without a best fit and
// reads that back as the same character; it then converts to the same bytes.
TEST(Win32Sjis, EveryCharacterIsWrittenAsTheSystemWritesIt) {
    int characters = 0, mismatches = 0;
    for (int unit = 0; unit < 0x10000; ++unit) {
        const wchar_t wide = static_cast<wchar_t>(unit);
        char bytes[4];
        BOOL defaulted = FALSE;
        const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes, nullptr,
                                               &defaulted);
        std::optional<std::string> expected;
        const std::u16string ch(1, static_cast<char16_t>(unit));
        if (length > 0 && !defaulted && SystemToUtf16(std::string(bytes, length)) == ch)
            expected = std::string(bytes, length);
        const auto actual = sjis::FromUtf16(ch);
        characters += expected ? 1 : 0;
        if (expected != actual && ++mismatches <= 10)
            ADD_FAILURE() << Hex(ch) << ": system " << (expected ? Hex(*expected) : "none") << ", ours "
                          << (actual ? Hex(*actual) : "none");
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(characters, 9000);
}

}  // namespace
