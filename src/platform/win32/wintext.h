// Shift-JIS <-> UTF-16 at the Windows call, and what the win32 units share.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace platform {
class Form;

namespace win32 {

// Code page 932 explicitly: the system code page may be anything.
std::wstring Widen(const std::string& sjis);
// A character the code page does not have becomes '?'.
std::string Narrow(const wchar_t* text, int length = -1);
inline std::string Narrow(const std::wstring& text) { return Narrow(text.c_str(), static_cast<int>(text.size())); }
// The same text in code page 932 only when it converts exactly: nullopt for
// a character the code page does not have. The system's best fit would
// otherwise name another path ("\u00A5" becomes a backslash, "\u00E9" an "e").
std::optional<std::string> NarrowExact(const wchar_t* text, int length = -1);
inline std::optional<std::string> NarrowExact(const std::wstring& text) {
    return NarrowExact(text.c_str(), static_cast<int>(text.size()));
}
// A path from the system: exact, or else its short (8.3) form when that
// converts exactly and names the same file; nullopt otherwise.
std::optional<std::string> NarrowPath(const wchar_t* path);

// The window of a realised form; nullptr when the form has none.
HWND WindowOf(const Form* form);
// True for the top-level window of one of our forms.
bool IsFormWindow(HWND hwnd);
// The hidden window that owns every form (one task-bar button); nullptr
// before app::Initialize.
HWND ApplicationWindow();
// Minimises the program as a whole: every form goes with the owner.
void MinimizeApplication();
// Pushes every form's deferred label and progress updates to the screen.
void FlushAllForms();
// TranslateMessage/DispatchMessage, with Tab, Enter, Esc and the Alt
// mnemonics handled for the form the message belongs to.
void DispatchOne(MSG& msg);

}  // namespace win32
}  // namespace platform
