// The fakes behind the platform headers, and what tests use to set them up
// and look at them afterwards. All state is in memory and reset per test.
#pragma once
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/msgbox.h"

namespace fake {

// Thrown by app::ExitProcessNow: the process ended on the spot. Not an
// std::exception, so no error report catches it.
struct ProcessExit {
    int code;
};

// Everything back to a fresh machine: Windows in C:\WINDOWS, no drives but
// C:, empty registry, no mutexes, screen 1024 x 768, title empty.
void Reset();

// ---- files: Windows path rules (drive letters, backslashes, any case) ----
void AddFile(const std::string& path, const std::string& content);
void AddDirectory(const std::string& path);  // with its parents
void RemoveFile(const std::string& path);
void SetWindowsDirectory(const std::string& path);

// ---- drives ----
struct Drive {
    bool cdrom = true;
    std::optional<std::string> label;  // nullopt: no disc / not ready
};
void SetDrive(char letter, Drive drive);

// ---- mutexes ----
std::set<std::string>& Mutexes();  // names that exist now

// ---- registry (HKEY_CURRENT_USER) ----
void RegSetString(const std::string& key, const std::string& name, const std::string& value);
void RegSetNumber(const std::string& key, const std::string& name, unsigned value);
bool RegKeyExists(const std::string& key);
std::optional<std::string> RegGetString(const std::string& key, const std::string& name);
void RegFailWrites(bool fail);  // every WriteString fails from now on

// ---- message boxes ----
struct ShownBox {
    const platform::Form* owner;
    std::string text, caption;
    platform::MbButtons buttons;
    platform::MbIcon icon;
    platform::MbDefault def;
};
const std::vector<ShownBox>& Boxes();
// Answers the next box; a box without a queued answer gets its first button.
void QueueAnswer(platform::MbResult answer);

// ---- folder picker ----
struct FolderPick {
    const platform::Form* owner;
    std::string title;
    int root;
};
const std::vector<FolderPick>& FolderPicks();
void QueueFolderPick(std::optional<std::string> chosen);  // nullopt: cancel

// ---- forms ----
// Runs when a form of class `formName` is shown modally, once per showing,
// in the order queued. It must end the modal state (click a button, set a
// modal result); a modal form left open fails the test.
void OnModal(const std::string& formName, std::function<void(platform::Form&)> action);
// Runs on the next app::ProcessMessages call (after posted messages).
void OnProcessMessages(std::function<void()> action);
// What the forms did, in order: "create X", "show X", "hide X", "repaint X",
// "destroy X", "modal X", "progress X.ctl=N", "caption X.ctl=text".
std::vector<std::string>& Events();
// Outer size of a form as the fake reports it: client + (6, 25).
constexpr int kFrameWidth = 6, kFrameHeight = 25;
void SetScreenSize(int width, int height);
// Caption and position of the last showing of a form of class `formName`.
struct Shown {
    std::string caption;
    int left = 0, top = 0;
};
Shown LastShown(const std::string& formName);

}  // namespace fake
