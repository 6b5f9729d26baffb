// The kept uninstaller's run: the hand-over to a copy in the temporary
// folder, the uninstall without the disc, and the copy's own removal.
#include "maintenance/uninstaller.h"

#include "install/uninstallercopy.h"
#include "maintenance/appsentry.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/msgbox.h"
#include "platform/mutex.h"
#include "platform/process.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/cmdline.h"
#include "shell/instconfig.h"
#include "shell/unattended.h"

using platform::WinPath;

namespace {

constexpr const char* kKeptCopyOption = "KEPTCOPY";
// Held by the kept copy until it ends (the system lets go of it then): the
// copy in the temporary folder waits for it to go.
constexpr const char* kHandoverMutex = "TazuUninstallHandover";
constexpr int kHandoverWaitMs = 30000, kHandoverPollMs = 100;
constexpr int kMaxTempFolders = 100;
constexpr const char* kTempFolderPrefix = "TazuStart-";
// The removal of the copy: tried once a second (ping waits that long on
// every Windows) until its file is gone, for half a minute at most.
constexpr int kRemovalTries = 30;

struct KeptRun {
    std::string folder;
    bool asks = false;
};
std::optional<KeptRun>& Current() {
    static std::optional<KeptRun> run;
    return run;
}

// The value of "/name=value" or "-name=value" (name in any case); nullopt
// for any other argument.
std::optional<std::string> OptionValue(const std::string& arg, const char* name) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return std::nullopt;
    const auto eq = arg.find('=');
    if (eq == std::string::npos || sjis::FoldCase(arg.substr(1, eq - 1)) != name) return std::nullopt;
    return arg.substr(eq + 1);
}

// The kept folder `text` names, when it is one: directly in the base
// folder, holding a Setup.inf.
std::optional<WinPath> KeptFolder(const std::string& text) {
    const auto folder = WinPath::Parse(text);
    const auto base = UninstallerBase();
    const auto setupInf = folder ? folder->Child(kUninstallerSetupName) : std::nullopt;
    if (!base || !setupInf || !folder->IsDirectlyIn(*base) || !platform::FileExists(setupInf->Text())) return std::nullopt;
    return folder;
}

// The game's title as the kept Setup.inf has it, for a message before the
// uninstall has read it.
std::string KeptTitle(const WinPath& kept) {
    const auto inf = platform::IniFile::Open(kept.Child(kUninstallerSetupName)->Text());
    return inf ? inf->ReadString("Setting", "GameTitle", "") : std::string();
}

// A new folder in the temporary folder, made by this call; nullopt when
// none could be made.
std::optional<WinPath> NewTempFolder() {
    const auto temp = platform::TempFolder();
    const auto parsed = temp ? WinPath::Parse(*temp) : std::nullopt;
    if (!parsed || parsed->IsRoot()) return std::nullopt;
    for (int n = 1; n <= kMaxTempFolders; ++n) {
        const auto folder = parsed->Child(kTempFolderPrefix + std::to_string(n));
        if (folder && platform::MakeFolder(folder->Text())) return folder;
    }
    return std::nullopt;
}

// The kept copy: a copy of itself in the temporary folder takes over.
int HandOver(const WinPath& kept, const std::vector<std::string>& args, bool asks) {
    const auto folder = NewTempFolder();
    const auto copy = folder ? folder->Child(kUninstallerExeName) : std::nullopt;
    bool started = false;
    if (copy) {
        const auto program = platform::ReadWholeFile(platform::ExecutablePath());
        auto file = program ? platform::File::CreateNew(copy->Text()) : nullptr;
        const bool written = file && file->Write(program->data(), program->size()) && file->Flush();
        file.reset();
        std::string line = QuotedArgument(copy->Text());
        for (const std::string& arg : args) line += " " + QuotedArgument(arg);
        line += " " + QuotedArgument("/keptcopy=" + kept.Text());
        // Held until this process ends, which is what the copy waits for.
        started = written && platform::CreateOwnedMutex(kHandoverMutex) != 0 &&
                  platform::StartProcess(copy->Text(), line) != nullptr;
        if (!started) {
            platform::RemoveFile(copy->Text());
            platform::RemoveEmptyDirectory(folder->Text());
        }
    }
    if (started) return kExitDone;
    if (asks) {
        const std::string title = KeptTitle(kept);
        platform::ShowMessageBox(nullptr, "『" + title + "』の削除を開始できませんでした。", ApplicationTitleFor(title),
                                 platform::MbButtons::Ok, platform::MbIcon::Warning);
    }
    return kExitFailed;
}

// The copy in the temporary folder has a hidden command prompt delete its
// file and then its folder, once this process has ended and let go of the
// file. Only a copy in a folder of its own directly in the temporary
// folder does so.
void ArrangeOwnRemoval() {
    const auto self = WinPath::Parse(platform::ExecutablePath());
    const auto temp = platform::TempFolder();
    const auto tempFolder = temp ? WinPath::Parse(*temp) : std::nullopt;
    const auto folder = self ? self->Parent() : std::nullopt;
    if (!folder || !tempFolder || !folder->IsDirectlyIn(*tempFolder)) return;
    const std::string shell = platform::WindowsDirectory() + "\\System32\\cmd.exe";
    const std::string exe = QuotedArgument(self->Text());
    platform::StartHidden(shell, QuotedArgument(shell) + " /c for /l %i in (1,1," + std::to_string(kRemovalTries) +
                                     ") do @(ping -n 2 127.0.0.1 >nul & del /f /q " + exe + " 2>nul & if not exist " +
                                     exe + " (rmdir " + QuotedArgument(folder->Text()) + " 2>nul & exit))");
}

// The copy in the temporary folder: the uninstall with the kept Setup.inf.
int RunCopy(const WinPath& kept, const std::vector<std::string>& args, bool asks) {
    // The kept copy ends right after it started this one; its file can go only then.
    for (int waited = 0; waited < kHandoverWaitMs && platform::MutexExists(kHandoverMutex); waited += kHandoverPollMs)
        platform::app::Wait(kHandoverPollMs);
    Current() = KeptRun{kept.FolderText(), asks};
    // Also when the process ends on the spot (a test's fake ends it by unwinding).
    struct Leave {
        ~Leave() { Current().reset(); }
    } leave;
    InstConfig.CdDrive = kept.RootText()[0];
    InstConfig.DriveGiven = true;
    const int code = RunFromCommandLine(args);
    // Nothing installed: the entry that led here and the kept uninstaller go.
    if (code == kExitDone && InstConfig.NeedInstall) RemoveAppsEntry();
    ArrangeOwnRemoval();
    return code;
}

}  // namespace

std::string QuotedArgument(const std::string& arg) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (std::size_t i = 0; i < arg.size(); ++i) {
        const char c = arg[i];
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double only before a quote.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
        if (sjis::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < arg.size()) quoted += arg[++i];
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

const std::string* KeptSetupFolder() { return Current() ? &Current()->folder : nullptr; }

bool KeptRunAsks() { return Current() && Current()->asks; }

std::optional<int> RunKeptUninstaller(const std::vector<std::string>& args) {
    std::vector<std::string> rest;
    std::optional<std::string> keptText;
    for (const std::string& arg : args) {
        if (const auto value = OptionValue(arg, kKeptCopyOption))
            keptText = value;
        else
            rest.push_back(arg);
    }
    std::string error;
    const auto cmd = ParseCommandLine(rest, error);
    const bool uninstall = cmd && cmd->command == CommandLine::Command::Uninstall;
    if (keptText) {
        const auto kept = KeptFolder(*keptText);
        if (!kept || !uninstall) return kExitBadArguments;
        return RunCopy(*kept, rest, !cmd->windowsGiven);
    }
    if (!uninstall) return std::nullopt;
    // Started from a kept folder with /uninstall: the copy takes over.
    const auto own = KeptFolder(platform::ExecutableFolder());
    if (!own) return std::nullopt;
    return HandOver(*own, rest, !cmd->windowsGiven);
}
