// The application: its title, its main form, the message loop and the
// general error report.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace platform {
class Form;

namespace app {

void Initialize();
const std::string& Title();
void SetTitle(const std::string& title);

// The first form created is the main form; closing it ends Run.
Form* MainForm();
void SetMainForm(Form* form);
// Shows the main form and processes messages until it is closed.
void Run();
// Ends Run after the current message (the main form was closed).
void Terminate();
bool Terminated();
// Processes pending window messages (cheap enough for tight loops).
void ProcessMessages();
// Processes every pending window message now, without the throttle; for
// wait loops that block between rounds.
void ProcessMessagesNow();
// The hourglass over every window of the program, or back to the arrow.
void SetBusyCursor(bool busy);
// Pushes deferred control updates (progress, labels) to the screen now.
void FlushUpdates();
// The general error report: the text in a box captioned with the title, OK
// button, error icon.
void ShowError(const std::string& text);
// Gives the task-bar entry the program icon.
void SetTaskbarIcon(Form& mainForm);
// Ends the process on the spot with ExitCode(); no clean-up runs.
[[noreturn]] void ExitProcessNow();
// The code the process ends with (0 unless set).
void SetExitCode(int code);
int ExitCode();
// The program's arguments after its own name, split as the system splits
// a command line; nullopt when one holds a character that code page 932
// does not have (it could not be passed on as the user wrote it).
std::optional<std::vector<std::string>> Arguments();
// Writes `text` to the console or the output the program was started with;
// false when it has none.
bool WriteToParentConsole(const std::string& text);
// The same on its error output.
bool WriteErrorToParentConsole(const std::string& text);
// Waits `ms` milliseconds while the windows stay alive.
void Wait(int ms);

struct Size { int width, height; };
Size ScreenSize();

}  // namespace app
}  // namespace platform
