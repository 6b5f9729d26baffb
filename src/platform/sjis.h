// Shift-JIS (code page 932) text helpers for paths and names.
// The second byte of a double-byte character may be 0x5C, 0x5B or 0x5D; none
// of these helpers ever takes such a byte for a backslash or a bracket.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace sjis {

// True for a byte that starts a double-byte character (0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(unsigned char c);

// Index of the last single-byte `ch` in `s`, or npos. Bytes inside
// double-byte characters never match.
std::string::size_type FindLast(const std::string& s, char ch);
// Index of the first single-byte `ch` at or after `from`, or npos.
std::string::size_type FindFirst(const std::string& s, char ch, std::string::size_type from = 0);

// True when the last character of `path` is a backslash (not a trail byte).
bool EndsWithBackslash(const std::string& path);
// `path` with one backslash appended unless it already ends in one.
std::string WithTrailingBackslash(const std::string& path);
// Text after the last backslash (the whole text when there is none).
std::string LastPathComponent(const std::string& path);
// Text up to and including the last backslash (empty when there is none).
std::string FolderPart(const std::string& path);
// The parts of `path` between its separators, empty ones kept: "a\\b\" gives
// "a", "", "b", "". The separators are '\' and '/', as Windows reads a path,
// or the characters `separators` names. A double-byte character is never cut;
// a lead byte at the end stays in the last part.
std::vector<std::string> SplitPath(const std::string& path, const char* separators = "\\/");

// Case-insensitive comparison of names: ASCII letters fold, double-byte
// characters compare exactly.
bool EqualsNoCase(const std::string& a, const std::string& b);
// Upper-cased copy for use as a case-insensitive key.
std::string FoldCase(const std::string& s);

// Code page 932 and UTF-16 as Windows converts them, with no best fit: a
// lookalike (\ for ¥, e for é) would be another name.
// UTF-16 of a Shift-JIS text; nullopt when a byte starts no character of the
// code page (0xA0, 0xFD-0xFF, a lead byte without its trail byte).
std::optional<std::u16string> ToUtf16(const std::string& s);
// Shift-JIS of a UTF-16 text; nullopt when a character has no form in the
// code page. A character with two codes (the NEC and IBM rows hold some
// twice) takes the one Windows writes.
std::optional<std::string> FromUtf16(const std::u16string& s);

}  // namespace sjis
