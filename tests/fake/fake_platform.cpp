// Fakes of files, drives, mutexes, registry, message boxes, the folder
// picker and the application.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <deque>
#include <map>
#include <stdexcept>

#include <iconv.h>

#include "fake.h"
#include "platform/codepage.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/mutex.h"
#include "platform/process.h"
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

struct FileData {
    std::string content;
    platform::FileTimes times;
    std::string durable;  // what a power cut leaves: the content at the last flush
    std::uint64_t id = 0;  // the file itself, whatever its name: set when first asked
};
// A rename not yet written through: a power cut takes it back.
struct PendingRename {
    std::string from, to;  // folded
    std::uint64_t id;
};

// An open file as the system sees it: what it may do and what it lets others do.
enum Access { kRead = 1, kWrite = 2, kDelete = 4 };
struct OpenHandle {
    int id;
    int access, share;
};

struct ProcessPlan {
    int polls = 1;
};

struct State {
    std::map<std::string, FileData> files;  // folded path -> file
    std::set<std::string> dirs{"C:\\WINDOWS"};  // folded paths, no trailing backslash but for roots
    std::map<std::string, FileFault> faults;  // folded path
    std::map<char, std::uint64_t> freeSpace;  // drive letter -> bytes
    int openCount = 0;
    std::map<std::string, std::vector<OpenHandle>> handles;  // folded path
    int nextHandleId = 1;
    std::set<std::string> readOnly;  // folded paths
    std::set<std::string> openedForWriting;  // folded paths
    std::set<std::string> lockedDirs;  // folded: nothing can be made in them
    int calls = 0;
    std::set<int> failCalls;
    std::optional<int> failFrom;  // this call and every later one fail
    std::optional<int> crashCall;  // this call kills the process
    std::map<std::string, std::string> shortNames;  // folded short path -> long path as given
    std::set<std::string> reparsePoints;  // folded
    std::string windowsDir = "C:\\WINDOWS";
    std::string exeFolder = "Q:\\";
    std::string exeName = "TazuStart.exe";
    std::optional<std::string> tempFolder = std::string(kTempFolder);
    platform::Date today{2024, 5, 17};
    std::optional<std::string> programsFolder = std::string(kProgramsFolder);
    std::optional<std::string> localAppData = std::string(kLocalAppData);
    std::optional<std::string> userProgramFiles;  // not answered, as under Wine 8
    std::map<std::string, Link> links;  // folded path
    bool failLinkObject = false;
    std::vector<Started> started;
    bool failNextStart = false;
    int nextPolls = 1, nextExitCode = 0;
    std::vector<Opened> opened;
    bool failShellOpen = false;
    bool win9x = false;
    // A fresh machine: Windows on C:, whatever test runs first.
    std::map<char, Drive> drives{{'C', Drive{false, std::string("SYSTEM")}}};
    std::set<std::string> mutexes;
    std::map<platform::MutexHandle, std::string> owned;
    platform::MutexHandle nextHandle = 1;
    std::map<std::string, RegNode> reg;  // folded key path
    // What a power cut leaves of the registry: the keys as last flushed.
    std::map<std::string, RegNode> durableReg;
    std::vector<PendingRename> pendingRenames;
    std::uint64_t nextFileId = 1;
    bool regFailWrites = false;
    bool regFailDeletes = false;
    std::set<std::string> regFailNames;  // folded value names
    std::vector<ShownBox> boxes;
    std::deque<std::pair<platform::MbResult, std::function<void()>>> answers;
    bool givingUp = false;
    std::vector<FolderPick> picks;
    std::deque<std::optional<std::string>> pickResults;
    std::string title;
    platform::Form* mainForm = nullptr;
    bool terminated = false;
    int screenWidth = 1024, screenHeight = 768;
    int exitCode = 0;
    std::vector<std::string> arguments;
    bool inexactArguments = false;
    std::optional<std::string> console;
    std::string consoleErrors;
    int waited = 0;
    std::function<void(int)> onWait;
};
// A fresh machine: Windows with its folders, the user's profile folders
// (Windows makes them with the profile) and its command prompt.
State Fresh() {
    State s;
    const auto addFolder = [&s](const std::string& path) {
        std::string p = sjis::FoldCase(path);
        for (;;) {
            s.dirs.insert(p);
            const auto pos = sjis::FindLast(p, '\\');
            if (pos == std::string::npos || pos < 3) break;
            p = p.substr(0, pos);
        }
    };
    for (const char* folder : {kProgramsFolder, kLocalAppData, kTempFolder, "C:\\Program Files", "C:\\WINDOWS\\System32"})
        addFolder(folder);
    const std::string shell = "C:\\WINDOWS\\System32\\cmd.exe";
    s.files[sjis::FoldCase(shell)] = FileData{"MZ command prompt", {1, 2, 3}, "MZ command prompt"};
    return s;
}
State& S() {
    static State s = Fresh();
    return s;
}

std::string NormPath(const std::string& path) {
    std::string p = sjis::FoldCase(path);
    while (p.size() > 3 && sjis::EndsWithBackslash(p)) p.pop_back();
    // A short name reads as the long one; the longest such prefix wins.
    for (auto it = S().shortNames.rbegin(); it != S().shortNames.rend(); ++it) {
        const std::string& from = it->first;
        if (p.compare(0, from.size(), from) == 0 && (p.size() == from.size() || p[from.size()] == '\\'))
            return sjis::FoldCase(it->second) + p.substr(from.size());
    }
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

bool Injected();

class FakeRegKey : public platform::RegKey {
public:
    explicit FakeRegKey(std::string folded) : path_(std::move(folded)) {}
    std::optional<std::string> ReadString(const std::string& name) const override {
        auto k = S().reg.find(path_);
        if (k == S().reg.end() || Injected()) return std::nullopt;
        auto v = k->second.values.find(sjis::FoldCase(name));
        if (v == k->second.values.end() || !v->second.isString) return std::nullopt;
        return v->second.data;
    }
    bool WriteString(const std::string& name, const std::string& value) override {
        auto k = S().reg.find(path_);
        if (k == S().reg.end() || S().regFailWrites || S().regFailNames.count(sjis::FoldCase(name)) || Injected())
            return false;
        k->second.values[sjis::FoldCase(name)] = Value{true, value};
        return true;
    }
    bool WriteDword(const std::string& name, std::uint32_t value) override {
        auto k = S().reg.find(path_);
        if (k == S().reg.end() || S().regFailWrites || S().regFailNames.count(sjis::FoldCase(name)) || Injected())
            return false;
        k->second.values[sjis::FoldCase(name)] = Value{false, std::to_string(value)};
        return true;
    }
    bool DeleteSubkeyTree(const std::string& name) override {
        if (!S().reg.count(path_) || S().regFailDeletes || Injected()) return false;
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
    bool DeleteValue(const std::string& name) override {
        auto k = S().reg.find(path_);
        if (k == S().reg.end() || Injected()) return false;
        k->second.values.erase(sjis::FoldCase(name));
        return true;
    }
    bool HasSubkeys() const override {
        // Asking can fail; the answer is then "none", as RegQueryInfoKey's caller reads it.
        if (Injected()) return false;
        const std::string prefix = path_ + "\\";
        auto it = S().reg.upper_bound(path_);
        return it != S().reg.end() && it->first.compare(0, prefix.size(), prefix) == 0;
    }
    std::optional<bool> HasValue(const std::string& name) const override {
        auto k = S().reg.find(path_);
        if (k == S().reg.end() || Injected()) return std::nullopt;
        return k->second.values.count(sjis::FoldCase(name)) != 0;
    }
    std::optional<bool> HasValues() const override {
        auto k = S().reg.find(path_);
        if (k == S().reg.end() || Injected()) return std::nullopt;
        return !k->second.values.empty();
    }
    // The key, the keys below it and the way to it, as they are now, are
    // what a power cut leaves of them.
    bool Flush() override {
        if (!S().reg.count(path_) || Injected()) return false;
        auto& durable = S().durableReg;
        const auto below = [this](const std::string& k) {
            return k == path_ || k.compare(0, path_.size() + 1, path_ + "\\") == 0;
        };
        for (auto it = durable.begin(); it != durable.end();) it = below(it->first) ? durable.erase(it) : std::next(it);
        for (const auto& [k, node] : S().reg)
            if (below(k)) durable[k] = node;
        for (auto pos = sjis::FindLast(path_, '\\'); pos != std::string::npos; pos = sjis::FindLast(path_.substr(0, pos), '\\'))
            durable[path_.substr(0, pos)];
        return true;
    }
    std::optional<bool> HasSubkey(const std::string& name) const override {
        if (!S().reg.count(path_) || Injected()) return std::nullopt;
        if (NormKey(name).empty()) return false;
        return S().reg.count(path_ + "\\" + NormKey(name)) != 0;
    }

private:
    std::string path_;
};


bool IsAbsolute(const std::string& folded) {
    return folded.size() >= 3 && folded[0] >= 'A' && folded[0] <= 'Z' && folded[1] == ':' && folded[2] == '\\';
}
bool IsDriveRoot(const std::string& root) {
    return root.size() == 3 && IsAbsolute(sjis::FoldCase(root));
}
std::uint64_t& Free(char drive) {
    auto it = S().freeSpace.find(drive);
    if (it == S().freeSpace.end()) it = S().freeSpace.emplace(drive, std::uint64_t(1) << 40).first;
    return it->second;
}
bool FolderExists(const std::string& folded) {
    if (folded.size() == 3 && IsAbsolute(folded)) return S().drives.count(folded[0]) || S().dirs.count(folded);
    return S().dirs.count(folded) != 0;
}
std::vector<std::string> Components(const std::string& relative) {
    std::vector<std::string> parts;
    std::string::size_type pos = 0;
    while (pos <= relative.size()) {
        auto next = sjis::FindFirst(relative, '\\', pos);
        if (next == std::string::npos) next = relative.size();
        if (next > pos) parts.push_back(relative.substr(pos, next - pos));
        pos = next + 1;
    }
    return parts;
}
// What a Windows file name may not hold; a trail byte is never one of them.
bool ValidName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (std::string::size_type i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (sjis::IsLeadByte(c) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (c < 0x20 || std::strchr("<>:\"/\\|?*", c)) return false;
    }
    return true;
}

// Windows' sharing rule: a new open must allow what every open handle does,
// and every open handle must allow what the new one wants.
bool SharingAllows(const std::string& folded, int access, int share) {
    auto it = S().handles.find(folded);
    if (it == S().handles.end()) return true;
    for (const OpenHandle& h : it->second)
        if ((access & ~h.share) != 0 || (h.access & ~share) != 0) return false;
    return true;
}
int OpenHandleOn(const std::string& folded, int access, int share) {
    const int id = S().nextHandleId++;
    S().handles[folded].push_back(OpenHandle{id, access, share});
    return id;
}
void CloseHandleOn(const std::string& folded, int id) {
    auto it = S().handles.find(folded);
    if (it == S().handles.end()) return;
    auto& list = it->second;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const OpenHandle& h) { return h.id == id; }), list.end());
    if (list.empty()) S().handles.erase(it);
}
// Deleting or renaming opens the file for delete, sharing everything.
bool MayDelete(const std::string& folded) {
    // The file of the running program is in use as long as it runs.
    return !S().readOnly.count(folded) && folded != NormPath(S().exeFolder + S().exeName) &&
           SharingAllows(folded, kDelete, kRead | kWrite | kDelete);
}
// One fallible platform call: true when it is the one chosen to fail; the
// process dies there instead when a crash was chosen.
bool Injected() {
    ++S().calls;

    if (S().crashCall && S().calls == *S().crashCall) {
        S().crashCall.reset();
        throw Crash{};
    }
    return S().failCalls.count(S().calls) != 0 || (S().failFrom && S().calls >= *S().failFrom);
}

class FakeFile : public platform::File {
public:
    // The win32 backend reads sharing reads only, and writes sharing writes only.
    FakeFile(std::string path, bool writing)
        : path_(std::move(path)), writing_(writing),
          handle_(OpenHandleOn(path_, writing ? kWrite : kRead, writing ? kWrite : kRead)) {}
    ~FakeFile() override { CloseHandleOn(path_, handle_); }
    FakeFile(const FakeFile&) = delete;
    FakeFile& operator=(const FakeFile&) = delete;
    std::optional<std::uint64_t> Size() const override {
        auto it = S().files.find(path_);
        if (it == S().files.end() || Injected()) return std::nullopt;
        return it->second.content.size();
    }
    std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
        auto it = S().files.find(path_);
        if (writing_ || it == S().files.end() || Injected()) return std::nullopt;
        const std::string& c = it->second.content;
        if (pos_ >= c.size()) return std::size_t(0);
        const std::size_t n = std::min<std::size_t>(size, c.size() - pos_);
        FileFault& fault = S().faults[path_];
        if (fault.readFailsAt && pos_ + n > *fault.readFailsAt && fault.readFailures != 0) {
            if (fault.readFailures > 0) --fault.readFailures;
            pos_ += n;
            return std::nullopt;
        }
        std::memcpy(buffer, c.data() + pos_, n);
        pos_ += n;
        return n;
    }
    bool Seek(std::uint64_t offset) override {
        if (!S().files.count(path_) || Injected()) return false;
        pos_ = offset;
        return true;
    }
    bool Write(const char* data, std::size_t size) override {
        auto it = S().files.find(path_);
        if (!writing_ || it == S().files.end() || Injected()) return false;
        std::size_t n = size;
        const auto failAt = S().faults[path_].writeFailsAt;
        if (failAt && pos_ + n > *failAt) n = *failAt > pos_ ? static_cast<std::size_t>(*failAt - pos_) : 0;
        std::uint64_t& free = Free(path_[0]);
        if (n > free) n = static_cast<std::size_t>(free);
        std::string& c = it->second.content;
        if (c.size() < pos_ + n) {
            free -= pos_ + n - c.size();
            c.resize(pos_ + n);
        }
        std::memcpy(&c[pos_], data, n);
        pos_ += n;
        return n == size;
    }
    bool Flush() override {
        auto it = S().files.find(path_);
        if (!writing_ || it == S().files.end() || Injected()) return false;
        it->second.durable = it->second.content;
        return true;
    }
    std::optional<platform::FileTimes> Times() const override {
        auto it = S().files.find(path_);
        if (it == S().files.end() || Injected()) return std::nullopt;
        return it->second.times;
    }
    bool SetTimes(const platform::FileTimes& times) override {
        auto it = S().files.find(path_);
        if (!writing_ || it == S().files.end() || Injected()) return false;
        it->second.times = times;
        return true;
    }

private:
    std::string path_;
    bool writing_;
    int handle_;
    std::uint64_t pos_ = 0;
};

class FakeChild : public platform::ChildProcess {
public:
    FakeChild(int polls, int exitCode) : polls_(polls), exitCode_(exitCode) {}
    bool Ended() override {
        ++polled_;
        if (polled_ > 100000) throw std::logic_error("a started program was waited on forever");
        return polled_ >= polls_;
    }
    void WaitForEndOrMessage() override {}
    bool WaitForEnd(int ms) override {
        if (Ended()) return true;
        platform::app::Wait(ms);
        return false;
    }
    std::optional<int> ExitCode() override {
        if (polled_ < polls_) return std::nullopt;
        return exitCode_;
    }

private:
    int polls_, exitCode_;
    int polled_ = 0;
};
}  // namespace

void ResetForms();  // fake_forms.cpp

void Reset() {
    S() = Fresh();
    ResetForms();
}

void AddFile(const std::string& path, const std::string& content, platform::FileTimes times) {
    AddDirectory(sjis::FolderPart(path));
    S().files[NormPath(path)] = FileData{content, times, content};
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
void SetExecutableFolder(const std::string& folder) { S().exeFolder = folder; }
void SetExecutableName(const std::string& name) { S().exeName = name; }
void SetTempFolder(std::optional<std::string> folder) {
    if (folder) AddDirectory(*folder);
    S().tempFolder = std::move(folder);
}
void SetToday(platform::Date date) { S().today = date; }
std::optional<platform::FileTimes> TimesOf(const std::string& path) {
    auto it = S().files.find(NormPath(path));
    if (it == S().files.end()) return std::nullopt;
    return it->second.times;
}
std::vector<std::string> Tree(const std::string& folder) {
    const std::string root = NormPath(folder);
    const std::string prefix = sjis::WithTrailingBackslash(root);
    std::vector<std::string> out;
    auto below = [&](const std::string& p) { return p == root || p.compare(0, prefix.size(), prefix) == 0; };
    for (const auto& f : S().files)
        if (below(f.first)) out.push_back(f.first);
    for (const auto& d : S().dirs)
        if (below(d)) out.push_back(sjis::WithTrailingBackslash(d));
    std::sort(out.begin(), out.end());
    return out;
}
void SetFault(const std::string& path, FileFault fault) { S().faults[NormPath(path)] = fault; }
void SetReadOnly(const std::string& path, bool readOnly) {
    if (readOnly)
        S().readOnly.insert(NormPath(path));
    else
        S().readOnly.erase(NormPath(path));
}
bool IsReadOnly(const std::string& path) { return S().readOnly.count(NormPath(path)) != 0; }
int HoldOpen(const std::string& path) { return OpenHandleOn(NormPath(path), kRead, kRead); }
void Release(const std::string& path, int id) { CloseHandleOn(NormPath(path), id); }
std::map<std::string, std::string> Files() {
    std::map<std::string, std::string> out;
    for (const auto& f : S().files) out[f.first] = f.second.content;
    return out;
}
void FailCall(int n) { FailCalls({n}); }
void FailCalls(const std::vector<int>& ns) {
    S().calls = 0;
    S().failCalls = std::set<int>(ns.begin(), ns.end());
    S().failFrom.reset();
    S().crashCall.reset();
}
void FailFromCall(int n) {
    FailCalls({});
    S().failFrom = n;
}
bool StopFailing() {
    int last = 0;
    if (!S().failCalls.empty()) last = *S().failCalls.rbegin();
    if (S().crashCall) last = *S().crashCall;
    if (S().failFrom) last = *S().failFrom;
    const bool reached = S().calls >= last;
    S().failCalls.clear();
    S().failFrom.reset();
    S().crashCall.reset();
    return reached;
}
void CrashAtCall(int n) {
    S().calls = 0;
    S().failCalls.clear();
    S().failFrom.reset();
    S().crashCall = n;
}
void ProcessDied(bool powerCut) {
    if (powerCut) {
        for (auto& [path, data] : S().files) data.content = data.durable;
        // The renames not written through are taken back, the last first;
        // a file made since at the old name came after it and is lost too.
        auto& pending = S().pendingRenames;
        for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
            auto at = S().files.find(it->to);
            if (at == S().files.end() || at->second.id != it->id || S().dirs.count(it->from)) continue;
            FileData data = std::move(at->second);
            S().files.erase(at);
            S().files[it->from] = std::move(data);
        }
        S().reg = S().durableReg;
    }
    S().pendingRenames.clear();
    S().handles.clear();
    S().answers.clear();
    S().givingUp = false;
    S().pickResults.clear();
    S().boxes.clear();
    S().owned.clear();
    S().mutexes.clear();
    S().terminated = false;
    S().exitCode = 0;
    S().failCalls.clear();
    S().crashCall.reset();
    ResetForms();
}
std::set<std::string> Folders() { return S().dirs; }
void WriteBackCaches() {
    for (auto& [path, data] : S().files) data.durable = data.content;
    S().pendingRenames.clear();
    S().durableReg = S().reg;
}
void SetShortName(const std::string& shortPath, const std::string& longPath) {
    S().shortNames[NormPath(shortPath)] = longPath;
}
void SetReparsePoint(const std::string& folder) { S().reparsePoints.insert(NormPath(folder)); }
int CallCount() { return S().calls; }
const std::set<std::string>& OpenedForWriting() { return S().openedForWriting; }
void SetFreeSpace(char drive, std::uint64_t bytes) { S().freeSpace[static_cast<char>(drive & ~0x20)] = bytes; }
int OpenCount() { return S().openCount; }
void SetUserProgramFiles(std::optional<std::string> path) { S().userProgramFiles = std::move(path); }
void LockFolder(const std::string& path) { S().lockedDirs.insert(NormPath(path)); }
void SetProgramsFolder(std::optional<std::string> path) {
    if (path) AddDirectory(*path);
    S().programsFolder = std::move(path);
}
std::optional<Link> LinkAt(const std::string& path) {
    auto it = S().links.find(NormPath(path));
    if (it == S().links.end() || !S().files.count(NormPath(path))) return std::nullopt;
    return it->second;
}
void FailLinkObject(bool fail) { S().failLinkObject = fail; }
const std::vector<Started>& StartedProcesses() { return S().started; }
void FailNextStart() { S().failNextStart = true; }
void SetLocalAppData(std::optional<std::string> path) { S().localAppData = std::move(path); }
void SetProcessPolls(int polls, int exitCode) {
    S().nextPolls = polls;
    S().nextExitCode = exitCode;
}
const std::vector<Opened>& ShellOpens() { return S().opened; }
void FailShellOpen(bool fail) { S().failShellOpen = fail; }
void SetWin9x(bool win9x) { S().win9x = win9x; }
void SetWindowsDirectory(const std::string& path) {
    S().windowsDir = path;
    AddDirectory(path);
    // Windows is installed with its Program Files beside it.
    if (path.size() > 2 && path[1] == ':') AddDirectory(path.substr(0, 2) + "\\Program Files");
}
void SetDrive(char letter, Drive drive) { S().drives[static_cast<char>(letter & ~0x20)] = std::move(drive); }
std::set<std::string>& Mutexes() { return S().mutexes; }

// Set-up is on the disk already, as AddFile's files are.
void RegSetString(const std::string& key, const std::string& name, const std::string& value) {
    CreateKeyPath(NormKey(key));
    S().reg[NormKey(key)].values[sjis::FoldCase(name)] = Value{true, value};
    S().durableReg = S().reg;
}
void RegSetNumber(const std::string& key, const std::string& name, unsigned value) {
    CreateKeyPath(NormKey(key));
    S().reg[NormKey(key)].values[sjis::FoldCase(name)] = Value{false, std::to_string(value)};
    S().durableReg = S().reg;
}
bool RegKeyExists(const std::string& key) { return S().reg.count(NormKey(key)) != 0; }
std::optional<unsigned> RegGetNumber(const std::string& key, const std::string& name) {
    auto k = S().reg.find(NormKey(key));
    if (k == S().reg.end()) return std::nullopt;
    auto v = k->second.values.find(sjis::FoldCase(name));
    if (v == k->second.values.end() || v->second.isString) return std::nullopt;
    return static_cast<unsigned>(std::stoul(v->second.data));
}
std::vector<std::string> RegValueNames(const std::string& key) {
    std::vector<std::string> names;
    auto k = S().reg.find(NormKey(key));
    if (k != S().reg.end())
        for (const auto& [name, value] : k->second.values) names.push_back(name);
    return names;
}
std::optional<std::string> RegGetString(const std::string& key, const std::string& name) {
    return FakeRegKey(NormKey(key)).ReadString(name);
}
std::map<std::string, std::string> RegValues() {
    std::map<std::string, std::string> out;
    for (const auto& [key, node] : S().reg)
        for (const auto& [name, value] : node.values) out[key + "\\" + name] = (value.isString ? "" : "#") + value.data;
    return out;
}
void RegFailWrites(bool fail) { S().regFailWrites = fail; }
void RegFailDeletes(bool fail) { S().regFailDeletes = fail; }
void RegFailWritesOf(const std::string& name) {
    if (name.empty())
        S().regFailNames.clear();
    else
        S().regFailNames.insert(sjis::FoldCase(name));
}

const std::vector<ShownBox>& Boxes() { return S().boxes; }
void QueueAnswer(platform::MbResult answer, std::function<void()> meanwhile) {
    S().answers.emplace_back(answer, std::move(meanwhile));
}
void GiveUpOnUnqueuedBoxes() { S().givingUp = true; }
const std::vector<FolderPick>& FolderPicks() { return S().picks; }
void QueueFolderPick(std::optional<std::string> chosen) { S().pickResults.push_back(std::move(chosen)); }
void SetArguments(std::vector<std::string> arguments) { S().arguments = std::move(arguments); }
void SetInexactArguments(bool inexact) { S().inexactArguments = inexact; }
void SetConsole(bool attached) { S().console = attached ? std::optional<std::string>("") : std::nullopt; }
std::string ConsoleText() { return S().console.value_or(""); }
std::string ConsoleErrorText() { return S().consoleErrors; }
void OnWait(std::function<void(int)> action) { S().onWait = std::move(action); }
int Waited() { return S().waited; }
void SetScreenSize(int width, int height) {
    S().screenWidth = width;
    S().screenHeight = height;
}

void RunProcessMessages();  // fake_forms.cpp

}  // namespace fake

namespace platform {
using fake::S;

// Asking can fail as any call can: the answer is then "no", as it is from
// GetFileAttributes.
bool FileExists(const std::string& path) { return S().files.count(fake::NormPath(path)) != 0 && !fake::Injected(); }
bool DirectoryExists(const std::string& path) {
    return fake::FolderExists(fake::NormPath(path)) && !fake::Injected();
}
PathKind Probe(const std::string& path) {
    const std::string p = fake::NormPath(path);
    if (fake::Injected()) return PathKind::Unknown;
    if (S().files.count(p)) return PathKind::File;
    return fake::FolderExists(p) ? PathKind::Folder : PathKind::Missing;
}
bool IsMissing(const std::string& path) {
    const std::string p = fake::NormPath(path);
    return !S().files.count(p) && !fake::FolderExists(p) && !fake::Injected();
}
std::optional<std::string> LongPathName(const std::string& path) {
    const std::string p = fake::NormPath(path);
    if ((!S().files.count(p) && !fake::FolderExists(p)) || fake::Injected()) return std::nullopt;
    // Long components stay as written; a short one becomes its long name.
    const std::string folded = sjis::FoldCase(path);
    for (auto it = S().shortNames.rbegin(); it != S().shortNames.rend(); ++it) {
        const std::string& from = it->first;
        if (folded.compare(0, from.size(), from) == 0 && (folded.size() == from.size() || folded[from.size()] == '\\'))
            return it->second + path.substr(from.size());
    }
    return path;
}
bool IsReparsePoint(const std::string& path) {
    return S().reparsePoints.count(fake::NormPath(path)) != 0 && !fake::Injected();
}
std::optional<std::string> ReadWholeFile(const std::string& path) {
    const std::string p = fake::NormPath(path);
    auto it = S().files.find(p);
    if (it == S().files.end() || S().faults[p].openFails) return std::nullopt;
    if (!fake::SharingAllows(p, fake::kRead, fake::kRead) || fake::Injected()) return std::nullopt;
    return it->second.content;
}
std::optional<std::string> FullPathName(const std::string& path) {
    // The current folder of a test's process is C:\Users\Player.
    if (fake::IsAbsolute(sjis::FoldCase(path)) || path.compare(0, 2, "\\\\") == 0) return path;
    if (path.size() >= 2 && path[1] == ':') return std::nullopt;
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return "C:" + path;
    return "C:\\Users\\Player\\" + path;
}
std::string WindowsDirectory() { return S().windowsDir; }
std::string ExecutableFolder() { return S().exeFolder; }
std::string ExecutablePath() { return S().exeFolder + S().exeName; }
std::optional<std::string> TempFolder() {
    if (fake::Injected() || !S().tempFolder) return std::nullopt;
    return sjis::WithTrailingBackslash(*S().tempFolder);
}
Date Today() { return S().today; }
Clock Now() { return Clock{S().today, 12, 34, 56}; }

bool CreateDirectoryTree(const std::string& path) {
    const std::string p = fake::NormPath(path);
    if (!fake::IsAbsolute(p) || !S().drives.count(p[0]) || fake::Injected()) return fake::FolderExists(p);
    // Every level must be a valid name that no file already holds.
    std::string level = p.substr(0, 2);
    for (const std::string& part : fake::Components(p.substr(3))) {
        const std::string parent = level.size() == 2 ? level + "\\" : level;
        level += "\\" + part;
        if (!fake::ValidName(part) || S().files.count(level)) return fake::FolderExists(p);
        if (!S().dirs.count(level) && S().lockedDirs.count(parent)) return fake::FolderExists(p);
        S().dirs.insert(level);
    }
    return fake::FolderExists(p);
}

bool MakeFolder(const std::string& path) {
    const std::string p = fake::NormPath(path);
    if (!fake::IsAbsolute(p) || p.size() <= 3 || !S().drives.count(p[0])) return false;
    const std::string parent = fake::NormPath(sjis::FolderPart(p));
    if (!fake::FolderExists(parent) || S().dirs.count(p) || S().files.count(p)) return false;
    if (!fake::ValidName(sjis::LastPathComponent(p)) || S().lockedDirs.count(parent) || fake::Injected()) return false;
    S().dirs.insert(p);
    return true;
}

bool RemoveFile(const std::string& path) {
    const std::string p = fake::NormPath(path);
    auto it = S().files.find(p);
    if (it == S().files.end() || !fake::MayDelete(p) || fake::Injected()) return false;
    fake::Free(p[0]) += it->second.content.size();
    S().files.erase(it);
    return true;
}

bool ClearReadOnly(const std::string& path) {
    const std::string p = fake::NormPath(path);
    if (!S().files.count(p) || fake::Injected()) return false;
    S().readOnly.erase(p);
    return true;
}

bool RemoveEmptyDirectory(const std::string& path) {
    const std::string p = fake::NormPath(path);
    if (!S().dirs.count(p) || p.size() <= 3 || fake::Injected()) return false;  // a drive root never goes
    const std::string prefix = p + "\\";
    auto below = [&](const std::string& q) { return q.compare(0, prefix.size(), prefix) == 0; };
    for (const auto& f : S().files)
        if (below(f.first)) return false;
    for (const auto& d : S().dirs)
        if (below(d)) return false;
    S().dirs.erase(p);
    return true;
}

namespace {
// A move written through writes the volume's journal up to itself: every
// rename on that volume before it is on the disk too.
void WriteThroughOn(char drive) {
    auto& pending = S().pendingRenames;
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [drive](const fake::PendingRename& r) { return r.to[0] == drive; }),
                  pending.end());
}
bool Rename(const std::string& from, const std::string& to, bool writeThrough) {
    const std::string f = fake::NormPath(from), t = fake::NormPath(to);
    auto it = S().files.find(f);
    if (it == S().files.end() || S().files.count(t) || S().dirs.count(t) || !fake::MayDelete(f) || fake::Injected())
        return false;
    if (!fake::FolderExists(fake::NormPath(sjis::FolderPart(t))) || !fake::ValidName(sjis::LastPathComponent(t)))
        return false;
    fake::FileData data = std::move(it->second);
    S().files.erase(it);
    if (data.id == 0) data.id = S().nextFileId++;
    if (writeThrough)
        WriteThroughOn(t[0]);
    else if (f != t)
        S().pendingRenames.push_back(fake::PendingRename{f, t, data.id});
    S().files[t] = std::move(data);
    return true;
}
}  // namespace

bool RenameFile(const std::string& from, const std::string& to) { return Rename(from, to, false); }
bool RenameFileWrittenThrough(const std::string& from, const std::string& to) { return Rename(from, to, true); }

std::unique_ptr<File> File::CreateNew(const std::string& path) {
    if (S().files.count(fake::NormPath(path))) return nullptr;
    return Create(path);
}

bool MoveReplacing(const std::string& from, const std::string& to) {
    const std::string f = fake::NormPath(from), t = fake::NormPath(to);
    if (!S().files.count(f) || S().dirs.count(t) || !fake::MayDelete(f)) return false;
    if (S().files.count(t) && !fake::MayDelete(t)) return false;
    if (fake::Injected()) return false;
    if (!fake::FolderExists(fake::NormPath(sjis::FolderPart(t))) || !fake::ValidName(sjis::LastPathComponent(t)))
        return false;
    WriteThroughOn(t[0]);
    if (f == t) return true;
    auto old = S().files.find(t);
    if (old != S().files.end()) {
        fake::Free(t[0]) += old->second.content.size();
        S().files.erase(old);
    }
    fake::FileData data = std::move(S().files[f]);
    S().files.erase(f);
    S().files[t] = std::move(data);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    auto file = File::Create(path);
    return file && file->Write(bytes.data(), bytes.size()) && file->Flush();
}

std::unique_ptr<File> File::OpenRead(const std::string& path) {
    const std::string p = fake::NormPath(path);
    if (!S().files.count(p) || S().faults[p].openFails) return nullptr;
    if (!fake::SharingAllows(p, fake::kRead, fake::kRead) || fake::Injected()) return nullptr;
    ++S().openCount;
    return std::make_unique<fake::FakeFile>(p, false);
}

std::unique_ptr<File> File::Create(const std::string& path) {
    const std::string p = fake::NormPath(path);
    if (!fake::IsAbsolute(p) || p.size() <= 3 || S().dirs.count(p) || S().faults[p].openFails) return nullptr;
    if (!fake::FolderExists(fake::NormPath(sjis::FolderPart(p))) || !fake::ValidName(sjis::LastPathComponent(p)))
        return nullptr;
    if (S().lockedDirs.count(fake::NormPath(sjis::FolderPart(p)))) return nullptr;
    auto it = S().files.find(p);
    if (it != S().files.end() && (S().readOnly.count(p) || !fake::SharingAllows(p, fake::kWrite, fake::kWrite)))
        return nullptr;
    if (fake::Injected()) return nullptr;
    S().openedForWriting.insert(p);
    if (it != S().files.end()) {
        fake::Free(p[0]) += it->second.content.size();
        it->second.content.clear();
        it->second.durable.clear();  // emptying is a change of the file's size: the journal keeps it
    } else {
        S().files[p] = fake::FileData{};
    }
    ++S().openCount;
    return std::make_unique<fake::FakeFile>(p, true);
}

std::optional<std::uint64_t> FreeBytesAvailable(const std::string& path) {
    if (fake::Injected()) return std::nullopt;
    // Like the system: a folder ending in its backslash, on a drive that is there.
    if (!sjis::EndsWithBackslash(path) || !fake::IsAbsolute(fake::NormPath(path))) return std::nullopt;
    const char drive = static_cast<char>(path[0] & ~0x20);
    if (!S().drives.count(drive) || !fake::FolderExists(fake::NormPath(path))) return std::nullopt;
    return fake::Free(drive);
}

// The system wants a drive root with its backslash: "Q:" alone fails.
bool IsCdRomDrive(const std::string& root) {
    if (!fake::IsDriveRoot(root) || fake::Injected()) return false;
    auto it = S().drives.find(static_cast<char>(root[0] & ~0x20));
    return it != S().drives.end() && it->second.cdrom;
}
std::string CdRomDrives() {
    std::string letters;
    if (fake::Injected()) return letters;
    for (const auto& [letter, drive] : S().drives)
        if (drive.cdrom) letters += letter;
    return letters;
}
std::optional<std::string> VolumeLabel(const std::string& root) {
    if (!fake::IsDriveRoot(root) || fake::Injected()) return std::nullopt;
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
    if (folded.empty() || fake::Injected()) return nullptr;
    fake::CreateKeyPath(folded);
    return std::make_unique<fake::FakeRegKey>(folded);
}

MbResult ShowSystemMessageBox(const Form* owner, const std::string& text, const std::string& caption,
                              MbButtons buttons, MbIcon icon, MbDefault def, int tag) {
    S().boxes.push_back(fake::ShownBox{owner, text, caption, buttons, icon, def, tag});
    // A loop that keeps asking would otherwise never end.
    if (S().boxes.size() > 1000) throw std::logic_error("more than 1000 message boxes: a loop keeps asking");
    if (!S().answers.empty()) {
        auto [r, meanwhile] = std::move(S().answers.front());
        S().answers.pop_front();
        if (meanwhile) meanwhile();
        return r;
    }
    if (S().givingUp) {
        switch (buttons) {
            case MbButtons::Ok: return MbResult::Ok;
            case MbButtons::YesNo: return MbResult::No;
            case MbButtons::OkCancel: case MbButtons::YesNoCancel: case MbButtons::RetryCancel: return MbResult::Cancel;
        }
    }
    switch (buttons) {
        case MbButtons::Ok: case MbButtons::OkCancel: return MbResult::Ok;
        case MbButtons::YesNo: case MbButtons::YesNoCancel: return MbResult::Yes;
        case MbButtons::RetryCancel: return MbResult::Retry;
    }
    return MbResult::Ok;
}

std::optional<std::string> PickFolder(const Form* owner, const std::string& title, ShellFolder root) {
    S().picks.push_back(fake::FolderPick{owner, title, root});
    if (fake::Injected()) {
        if (!S().pickResults.empty()) S().pickResults.pop_front();
        return std::nullopt;
    }
    assert(!S().pickResults.empty() && "folder picker shown without a queued answer");
    if (S().pickResults.empty()) return std::nullopt;
    auto r = S().pickResults.front();
    S().pickResults.pop_front();
    return r;
}

std::optional<std::string> SpecialFolderPath(ShellFolder folder) {
    if (fake::Injected()) return std::nullopt;
    if (folder == ShellFolder::LocalAppData) return S().localAppData;
    if (folder != ShellFolder::Programs) return std::nullopt;
    return S().programsFolder;
}
std::optional<std::string> UserProgramFilesFolder() {
    if (fake::Injected()) return std::nullopt;
    return S().userProgramFiles;
}

LinkSave SaveShellLink(const std::string& linkPath, const std::string& target, const std::string& iconPath,
                       std::string* error) {
    if (S().failLinkObject) {
        if (error) *error = "Class not registered";
        return LinkSave::NoLinkObject;
    }
    if (fake::Injected()) return LinkSave::NotSaved;
    auto file = File::Create(linkPath);
    if (!file || !file->Write("L", 1)) return LinkSave::NotSaved;
    S().links[fake::NormPath(linkPath)] = fake::Link{target, iconPath};
    return LinkSave::Saved;
}

bool ShellOpen(const std::string& file, const std::string& directory) {
    S().opened.push_back(fake::Opened{file, directory});
    return !S().failShellOpen && FileExists(file) && !fake::Injected();
}

std::unique_ptr<ChildProcess> StartProcess(const std::string& application, const std::string& commandLine,
                                           const std::string& directory) {
    S().started.push_back(fake::Started{application, commandLine, false, directory});
    const int polls = S().nextPolls, exitCode = S().nextExitCode;
    S().nextPolls = 1;
    S().nextExitCode = 0;
    if (S().failNextStart || (!directory.empty() && !fake::FolderExists(fake::NormPath(directory))) || fake::Injected()) {
        S().failNextStart = false;
        return nullptr;
    }
    return std::make_unique<fake::FakeChild>(polls, exitCode);
}

bool StartHidden(const std::string& application, const std::string& commandLine, const std::string& directory) {
    S().started.push_back(fake::Started{application, commandLine, true, directory});
    // As CreateProcess, a current folder that is not there fails the start.
    if (!S().files.count(fake::NormPath(application)) || (!directory.empty() && !fake::FolderExists(fake::NormPath(directory))) ||
        S().failNextStart || fake::Injected()) {
        S().failNextStart = false;
        return false;
    }
    return true;
}

bool IsWin9xFamily() { return S().win9x; }

std::string Cp932ToUtf8(const std::string& text) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
    std::string in = text, out(text.size() * 3 + 4, '\0');
    char* src = &in[0];
    char* dst = &out[0];
    std::size_t left = in.size(), room = out.size();
    const std::size_t done = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) throw std::runtime_error("not CP932 text");
    out.resize(out.size() - room);
    return out;
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
void ProcessMessagesNow() { fake::RunProcessMessages(); }
void SetBusyCursor(bool busy) { fake::Events().push_back(busy ? "cursor busy" : "cursor normal"); }
void FlushUpdates() {}
void ShowError(const std::string& text) {
    ShowMessageBox(MainForm(), text, Title(), MbButtons::Ok, MbIcon::Error);
}
void SetTaskbarIcon(Form& form) { fake::Events().push_back("taskbar-icon " + std::string(form.Def().name)); }
[[noreturn]] void ExitProcessNow() { throw fake::ProcessExit{S().exitCode}; }
void SetExitCode(int code) { S().exitCode = code; }
int ExitCode() { return S().exitCode; }
std::optional<std::vector<std::string>> Arguments() {
    if (S().inexactArguments) return std::nullopt;
    return S().arguments;
}
bool WriteErrorToParentConsole(const std::string& text) {
    if (!S().console) return false;
    S().consoleErrors += text;
    return true;
}
bool WriteToParentConsole(const std::string& text) {
    if (!S().console) return false;
    *S().console += text;
    return true;
}
void Wait(int ms) {
    S().waited += ms;
    if (S().waited > 3600 * 1000) throw std::logic_error("waited more than an hour: a wait loop never ends");
    if (S().onWait) S().onWait(S().waited);
}
Size ScreenSize() { return Size{S().screenWidth, S().screenHeight}; }
}  // namespace app

}  // namespace platform
