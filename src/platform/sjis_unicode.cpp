// Code page 932 to UTF-16 and back, from the code page's own table, so that
// every build (the native tests and the disc checker included) converts as
// Windows does.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/sjis.h"

namespace sjis {

namespace {

constexpr std::u16string_view kDoubleByte[] = {
#include "platform/sjis_table.inc"
};
constexpr char16_t kNoCharacter = u'\uFFFF';
constexpr int kTrails = 188;  // 0x40-0x7E and 0x80-0xFC

// Position of a trail byte in its row, or -1 when it is none.
int TrailIndex(unsigned char trail) {
    if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
    if (trail >= 0x80 && trail <= 0xFC) return trail - 0x80 + 0x3F;
    return -1;
}

// The character of a double-byte code, or kNoCharacter.
char16_t DoubleByte(unsigned char lead, unsigned char trail) {
    const int index = TrailIndex(trail);
    if (index < 0) return kNoCharacter;
    // Rows F0-F9 are for the user's own characters: the private-use area in order.
    if (lead >= 0xF0 && lead <= 0xF9) return static_cast<char16_t>(0xE000 + (lead - 0xF0) * kTrails + index);
    const std::u16string_view chars = kDoubleByte[lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31];
    return static_cast<std::size_t>(index) < chars.size() ? chars[static_cast<std::size_t>(index)] : kNoCharacter;
}

// The character of a single byte that is no lead byte, or kNoCharacter.
char16_t SingleByte(unsigned char c) {
    if (c <= 0x80) return c;
    if (c >= 0xA1 && c <= 0xDF) return static_cast<char16_t>(0xFF61 + (c - 0xA1));  // half-width katakana
    return kNoCharacter;
}

// Code of every character. Where a character has two codes, Windows writes
// the lower one; every character of the NEC-selected rows ED and EE is also
// in the IBM rows FA-FC, and it is that code Windows writes.
using Codes = std::array<std::uint16_t, 0x10000>;
constexpr std::uint16_t kNoCode = 0xFFFF;  // 0xFF is no trail byte

std::unique_ptr<Codes> BuildCodes() {
    auto codes = std::make_unique<Codes>();
    codes->fill(kNoCode);
    auto add = [&](char16_t ch, unsigned code) {
        if (ch != kNoCharacter && (*codes)[ch] == kNoCode) (*codes)[ch] = static_cast<std::uint16_t>(code);
    };
    for (unsigned c = 0; c <= 0xDF; ++c)  // the single bytes end with the half-width katakana
        if (!IsLeadByte(static_cast<unsigned char>(c))) add(SingleByte(static_cast<unsigned char>(c)), c);
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead)) || lead == 0xED || lead == 0xEE) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
            add(DoubleByte(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)), lead << 8 | trail);
    }
    return codes;
}

}  // namespace

std::optional<std::u16string> ToUtf16(const std::string& s) {
    std::u16string out;
    for (std::string::size_type i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        char16_t ch = SingleByte(c);
        if (IsLeadByte(c)) {
            if (++i == s.size()) return std::nullopt;  // no trail byte
            ch = DoubleByte(c, static_cast<unsigned char>(s[i]));
        }
        if (ch == kNoCharacter) return std::nullopt;
        out += ch;
    }
    return out;
}

std::optional<std::string> FromUtf16(const std::u16string& s) {
    static const std::unique_ptr<Codes> codes = BuildCodes();
    std::string out;
    for (const char16_t ch : s) {
        const std::uint16_t code = (*codes)[ch];
        if (code == kNoCode) return std::nullopt;
        if (code >> 8) out += static_cast<char>(code >> 8);  // the lead byte of a double-byte code
        out += static_cast<char>(code & 0xFF);
    }
    return out;
}

}  // namespace sjis
