// Message boxes.
#include "platform/msgbox.h"

#include "platform/app.h"
#include "platform/win32/wintext.h"

namespace platform {

MbResult ShowSystemMessageBox(const Form* owner, const std::string& text, const std::string& caption,
                              MbButtons buttons, MbIcon icon, MbDefault def, int /*tag: the caller's own*/) {
    UINT type = 0;
    switch (buttons) {
    case MbButtons::Ok: type = MB_OK; break;
    case MbButtons::OkCancel: type = MB_OKCANCEL; break;
    case MbButtons::YesNo: type = MB_YESNO; break;
    case MbButtons::YesNoCancel: type = MB_YESNOCANCEL; break;
    case MbButtons::RetryCancel: type = MB_RETRYCANCEL; break;
    }
    switch (icon) {
    case MbIcon::None: break;
    case MbIcon::Error: type |= MB_ICONERROR; break;
    case MbIcon::Question: type |= MB_ICONQUESTION; break;
    case MbIcon::Warning: type |= MB_ICONWARNING; break;
    case MbIcon::Information: type |= MB_ICONINFORMATION; break;
    }
    switch (def) {
    case MbDefault::Button1: type |= MB_DEFBUTTON1; break;
    case MbDefault::Button2: type |= MB_DEFBUTTON2; break;
    case MbDefault::Button3: type |= MB_DEFBUTTON3; break;
    }
    // The box runs its own loop; let the forms behind it show their latest state.
    app::FlushUpdates();
    switch (MessageBoxW(win32::WindowOf(owner), win32::Widen(text).c_str(), win32::Widen(caption).c_str(), type)) {
    case IDOK: return MbResult::Ok;
    case IDABORT: return MbResult::Abort;
    case IDRETRY: return MbResult::Retry;
    case IDIGNORE: return MbResult::Ignore;
    case IDYES: return MbResult::Yes;
    case IDNO: return MbResult::No;
    default: return MbResult::Cancel;  // IDCANCEL, or no box at all (0)
    }
}

}  // namespace platform
