// Fakes of files, drives, mutexes, registry, message boxes, the folder
// picker and the application.
#include <cassert>
#include <deque>
#include <map>

#include "fake.h"
#include "platform/app.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/mutex.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"
#include "platform/sjis.h"

namespace fake {
namespace {

struct Value {
    bool isString;
    std::string data;
};
struct RegNode {
    std::map<std::string, Value> values;  // folded name
};

struct State {
    std::map<std::string, std::string> files;  // folded path -> content
    std::set<std::string> dirs;                // folded paths, no trailing backslash
    std::string windowsDir = "C:\\WINDOWS";
    std::map<char, Drive> drives;
    std::set<std::string> mutexes;
    std::map<platform::MutexHandle, std::string> owned;
    platform::MutexHandle nextHandle = 1;
    std::map<std::string, RegNode> reg;  // folded key path
    bool regFailWrites = false;
    std::vector<ShownBox> boxes;
    std::deque<platform::MbResult> answers;
    std::vector<FolderPick> picks;
    std::deque<std::optional<std::string>> pickResults;
    std::string title;
    platform::Form* mainForm = nullptr;
    bool terminated = false;
    int screenWidth = 1024, screenHeight = 768;
};
State& S() {
    static State s;
    return s;
}

std::string NormPath(const std::string& path) {
    std::string p = sjis::FoldCase(path);
    while (p.size() > 3 && sjis::EndsWithBackslash(p)) p.pop_back();
    return p;
}
std::string NormKey(const std::string& key) {
    std::string k = sjis::FoldCase(key);
    while (!k.empty() && sjis::EndsWithBackslash(k)) k.pop_back();
    return k;
}

void CreateKeyPath(const std::string& folded) {
    std::string::size_type pos = 0;
    while (true) {
        pos = sjis::FindFirst(folded, '\\', pos);
        S().reg[folded.substr(0, pos)];
        if (pos == std::string::npos) break;
        ++pos;
    }
}

class FakeRegKey : public platform::RegKey {
public:
    explicit FakeRegKey(std::string folded) : path_(std::move(folded)) {}
    std::optional<std::string> ReadString(const std::string& name) const override {
        auto k = S().reg.find(path_);
        if (k == S().reg.end()) return std::nullopt;
        auto v = k->second.values.find(sjis::FoldCase(name));
        if (v == k->second.values.end() || !v->second.isString) return std::nullopt;
        return v->second.data;
    }
    bool WriteString(const std::string& name, const std::string& value) override {
        auto k = S().reg.find(path_);
        if (k == S().reg.end() || S().regFailWrites) return false;
        k->second.values[sjis::FoldCase(name)] = Value{true, value};
        return true;
    }
    bool DeleteSubkeyTree(const std::string& name) override {
        if (!S().reg.count(path_)) return false;
        const std::string child = path_ + "\\" + NormKey(name);
        if (!S().reg.count(child)) return false;
        for (auto it = S().reg.begin(); it != S().reg.end();) {
            if (it->first == child || it->first.compare(0, child.size() + 1, child + "\\") == 0)
                it = S().reg.erase(it);
            else
                ++it;
        }
        return true;
    }
    bool HasSubkeys() const override {
        const std::string prefix = path_ + "\\";
        auto it = S().reg.upper_bound(path_);
        return it != S().reg.end() && it->first.compare(0, prefix.size(), prefix) == 0;
    }

private:
    std::string path_;
};

}  // namespace

void ResetForms();  // fake_forms.cpp

void Reset() {
    S() = State();
    S().drives['C'] = Drive{false, std::string("SYSTEM")};
    S().dirs.insert("C:\\WINDOWS");
    ResetForms();
}

void AddFile(const std::string& path, const std::string& content) {
    AddDirectory(sjis::FolderPart(path));
    S().files[NormPath(path)] = content;
}
void AddDirectory(const std::string& path) {
    std::string p = NormPath(path);
    while (p.size() > 2) {
        S().dirs.insert(p);
        const auto pos = sjis::FindLast(p, '\\');
        if (pos == std::string::npos) break;
        p = p.substr(0, pos);
    }
}
void RemoveFile(const std::string& path) { S().files.erase(NormPath(path)); }
void SetWindowsDirectory(const std::string& path) {
    S().windowsDir = path;
    AddDirectory(path);
}
void SetDrive(char letter, Drive drive) { S().drives[static_cast<char>(letter & ~0x20)] = std::move(drive); }
std::set<std::string>& Mutexes() { return S().mutexes; }

void RegSetString(const std::string& key, const std::string& name, const std::string& value) {
    CreateKeyPath(NormKey(key));
    S().reg[NormKey(key)].values[sjis::FoldCase(name)] = Value{true, value};
}
void RegSetNumber(const std::string& key, const std::string& name, unsigned value) {
    CreateKeyPath(NormKey(key));
    S().reg[NormKey(key)].values[sjis::FoldCase(name)] = Value{false, std::to_string(value)};
}
bool RegKeyExists(const std::string& key) { return S().reg.count(NormKey(key)) != 0; }
std::optional<std::string> RegGetString(const std::string& key, const std::string& name) {
    return FakeRegKey(NormKey(key)).ReadString(name);
}
void RegFailWrites(bool fail) { S().regFailWrites = fail; }

const std::vector<ShownBox>& Boxes() { return S().boxes; }
void QueueAnswer(platform::MbResult answer) { S().answers.push_back(answer); }
const std::vector<FolderPick>& FolderPicks() { return S().picks; }
void QueueFolderPick(std::optional<std::string> chosen) { S().pickResults.push_back(std::move(chosen)); }
void SetScreenSize(int width, int height) {
    S().screenWidth = width;
    S().screenHeight = height;
}

void RunProcessMessages();  // fake_forms.cpp

}  // namespace fake

namespace platform {
using fake::S;

bool FileExists(const std::string& path) { return S().files.count(fake::NormPath(path)) != 0; }
bool DirectoryExists(const std::string& path) { return S().dirs.count(fake::NormPath(path)) != 0; }
std::optional<std::string> ReadWholeFile(const std::string& path) {
    auto it = S().files.find(fake::NormPath(path));
    if (it == S().files.end()) return std::nullopt;
    return it->second;
}
std::string WindowsDirectory() { return S().windowsDir; }

bool IsCdRomDrive(const std::string& root) {
    if (root.size() < 2 || root[1] != ':') return false;
    auto it = S().drives.find(static_cast<char>(root[0] & ~0x20));
    return it != S().drives.end() && it->second.cdrom;
}
std::optional<std::string> VolumeLabel(const std::string& root) {
    if (root.size() < 2 || root[1] != ':') return std::nullopt;
    auto it = S().drives.find(static_cast<char>(root[0] & ~0x20));
    if (it == S().drives.end()) return std::nullopt;
    return it->second.label;
}

bool MutexExists(const std::string& name) { return S().mutexes.count(name) != 0; }
MutexHandle CreateOwnedMutex(const std::string& name) {
    S().mutexes.insert(name);
    const MutexHandle h = S().nextHandle++;
    S().owned[h] = name;
    return h;
}
void ReleaseOwnedMutex(MutexHandle handle) {
    auto it = S().owned.find(handle);
    if (it == S().owned.end()) return;
    S().mutexes.erase(it->second);
    S().owned.erase(it);
}

std::unique_ptr<RegKey> RegKey::OpenOrCreate(const std::string& path) {
    const std::string folded = fake::NormKey(path);
    if (folded.empty()) return nullptr;
    fake::CreateKeyPath(folded);
    return std::make_unique<fake::FakeRegKey>(folded);
}

MbResult ShowMessageBox(const Form* owner, const std::string& text, const std::string& caption,
                        MbButtons buttons, MbIcon icon, MbDefault def) {
    S().boxes.push_back(fake::ShownBox{owner, text, caption, buttons, icon, def});
    if (!S().answers.empty()) {
        const MbResult r = S().answers.front();
        S().answers.pop_front();
        return r;
    }
    switch (buttons) {
        case MbButtons::Ok: case MbButtons::OkCancel: return MbResult::Ok;
        case MbButtons::YesNo: case MbButtons::YesNoCancel: return MbResult::Yes;
        case MbButtons::RetryCancel: return MbResult::Retry;
    }
    return MbResult::Ok;
}

std::optional<std::string> PickFolder(const Form* owner, const std::string& title, int rootCsidl) {
    S().picks.push_back(fake::FolderPick{owner, title, rootCsidl});
    assert(!S().pickResults.empty() && "folder picker shown without a queued answer");
    if (S().pickResults.empty()) return std::nullopt;
    auto r = S().pickResults.front();
    S().pickResults.pop_front();
    return r;
}

namespace app {
void Initialize() {}
const std::string& Title() { return S().title; }
void SetTitle(const std::string& title) { S().title = title; }
Form* MainForm() { return S().mainForm; }
void SetMainForm(Form* form) { S().mainForm = form; }
void Run() {
    S().terminated = false;
    if (S().mainForm) S().mainForm->Show();
    // Tests drive the form directly; the loop only delivers what is pending.
    fake::RunProcessMessages();
}
void Terminate() { S().terminated = true; }
bool Terminated() { return S().terminated; }
void ProcessMessages() { fake::RunProcessMessages(); }
void FlushUpdates() {}
void ShowError(const std::string& text) {
    ShowMessageBox(MainForm(), text, Title(), MbButtons::Ok, MbIcon::Error);
}
void SetTaskbarIcon(Form& form) { fake::Events().push_back("taskbar-icon " + std::string(form.Def().name)); }
[[noreturn]] void ExitProcessNow() { throw fake::ProcessExit{0}; }
Size ScreenSize() { return Size{S().screenWidth, S().screenHeight}; }
}  // namespace app

}  // namespace platform
