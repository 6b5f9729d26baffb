// Shift-JIS (code page 932) conversions for the wide Windows functions.
#include "platform/win32/wintext.h"

namespace platform::win32 {

namespace {
constexpr UINT kCodePage = 932;
}

std::wstring Widen(const std::string& sjis) {
    if (sjis.empty()) return std::wstring();
    const int inLength = static_cast<int>(sjis.size());
    // A byte never makes more than one UTF-16 unit: one call, into room
    // for as many units as there are bytes.
    std::wstring wide(static_cast<std::size_t>(inLength), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(kCodePage, 0, sjis.data(), inLength, wide.data(), inLength)));
    return wide;
}

std::string Narrow(const wchar_t* text, int length) {
    if (length < 0) length = lstrlenW(text);
    if (length == 0) return std::string();
    // Never the best fit: a character the code page lacks becomes '?', which
    // no path may hold, rather than a look-alike that names another file.
    const int size = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, nullptr);
    std::string sjis(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, length, sjis.data(), size, nullptr, nullptr);
    return sjis;
}

std::optional<std::string> NarrowExact(const wchar_t* text, int length) {
    if (length < 0) length = lstrlenW(text);
    if (length == 0) return std::string();
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) return std::nullopt;
    std::string sjis(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, length, sjis.data(), size, nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    // Round trip: what Windows reads back must be the very text it gave.
    if (Widen(sjis) != std::wstring(text, static_cast<std::size_t>(length))) return std::nullopt;
    return sjis;
}

std::optional<std::string> NarrowPath(const wchar_t* path) {
    if (auto exact = NarrowExact(path)) return exact;
    wchar_t shortPath[MAX_PATH + 1] = {};
    const DWORD length = GetShortPathNameW(path, shortPath, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return std::nullopt;
    return NarrowExact(shortPath, static_cast<int>(length));
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
