// Conversions out of code page 932, for text that leaves the program.
#pragma once
#include <string>

namespace platform {
// `text` (Shift-JIS) as UTF-8.
std::string Cp932ToUtf8(const std::string& text);
}  // namespace platform
