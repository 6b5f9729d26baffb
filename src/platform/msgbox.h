// Message boxes.
#pragma once
#include <functional>
#include <string>

namespace platform {
class Form;

enum class MbButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MbIcon { None, Error, Question, Warning, Information };
enum class MbDefault { Button1, Button2, Button3 };
enum class MbResult { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

// What the caller may name a box by: opaque to this layer, never shown;
// a fake keeps it beside the text so that a test can tell which message
// was chosen without reading its words.
constexpr int kUntaggedBox = -1;

// Shows a modal box owned by `owner` (nullptr: no owner) and returns the
// answer; in a run without questions, the answerer's answer.
MbResult ShowMessageBox(const Form* owner, const std::string& text, const std::string& caption,
                        MbButtons buttons, MbIcon icon, MbDefault def = MbDefault::Button1, int tag = kUntaggedBox);

// A run without questions: every box goes to `answerer` instead of the
// screen, and its answer is taken. An empty answerer: boxes are shown.
using BoxAnswerer = std::function<MbResult(const std::string& text, MbButtons buttons, MbIcon icon)>;
void SetBoxAnswerer(BoxAnswerer answerer);
bool BoxesAnswered();

// The box as the system shows it; each backend has its own.
MbResult ShowSystemMessageBox(const Form* owner, const std::string& text, const std::string& caption,
                              MbButtons buttons, MbIcon icon, MbDefault def, int tag);

}  // namespace platform
