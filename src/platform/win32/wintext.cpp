// Shift-JIS (code page 932) conversions for the wide Windows functions.
#include "platform/win32/wintext.h"

namespace platform::win32 {

namespace {
constexpr UINT kCodePage = 932;
}

std::wstring Widen(const std::string& sjis) {
    if (sjis.empty()) return std::wstring();
    const int inLength = static_cast<int>(sjis.size());
    const int length = MultiByteToWideChar(kCodePage, 0, sjis.data(), inLength, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(kCodePage, 0, sjis.data(), inLength, wide.data(), length);
    return wide;
}

std::string Narrow(const wchar_t* text, int length) {
    if (length < 0) length = lstrlenW(text);
    if (length == 0) return std::string();
    const int size = WideCharToMultiByte(kCodePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string sjis(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kCodePage, 0, text, length, sjis.data(), size, nullptr, nullptr);
    return sjis;
}

}  // namespace platform::win32

#include "platform/codepage.h"

namespace platform {
std::string Cp932ToUtf8(const std::string& text) {
    const std::wstring wide = win32::Widen(text);
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &utf8[0], size, nullptr, nullptr);
    return utf8;
}
}  // namespace platform
