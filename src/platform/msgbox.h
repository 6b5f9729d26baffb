// Message boxes.
#pragma once
#include <string>

namespace platform {
class Form;

enum class MbButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MbIcon { None, Error, Question, Warning, Information };
enum class MbDefault { Button1, Button2, Button3 };
enum class MbResult { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Shows a modal box owned by `owner` (nullptr: no owner) and returns the
// answer.
MbResult ShowMessageBox(const Form* owner, const std::string& text, const std::string& caption,
                        MbButtons buttons, MbIcon icon, MbDefault def = MbDefault::Button1);

}  // namespace platform
