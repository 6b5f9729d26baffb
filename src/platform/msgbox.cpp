// Message boxes: shown by the system, or answered without a question.
#include "platform/msgbox.h"

namespace platform {

namespace {
BoxAnswerer& Answerer() {
    static BoxAnswerer answerer;
    return answerer;
}
}  // namespace

void SetBoxAnswerer(BoxAnswerer answerer) { Answerer() = std::move(answerer); }
bool BoxesAnswered() { return static_cast<bool>(Answerer()); }

MbResult ShowMessageBox(const Form* owner, const std::string& text, const std::string& caption,
                        MbButtons buttons, MbIcon icon, MbDefault def, int tag) {
    if (Answerer()) return Answerer()(text, buttons, icon);
    return ShowSystemMessageBox(owner, text, caption, buttons, icon, def, tag);
}

}  // namespace platform
