// The kept uninstaller's run: the hand-over to a copy in the temporary
// folder, the uninstall without the disc, and the copy's own removal.
#include "shell/uninstaller.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "install/report.h"
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
// copy in the temporary folder waits for it to go before it deletes the
// kept folder.
constexpr const char* kHandoverMutex = "TazuUninstallHandover";
constexpr int kHandoverWaitMs = 30000, kPollMs = 100;
// The removal of the copy: tried once a second (ping waits that long on
// every Windows) until its file is gone, for half a minute at most.
constexpr int kRemovalTries = 30;

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

std::optional<WinPath> TempFolderPath() {
    const auto temp = platform::TempFolder();
    const auto parsed = temp ? WinPath::Parse(*temp) : std::nullopt;
    if (!parsed || parsed->IsRoot()) return std::nullopt;
    return parsed;
}

// A new folder for the copy in the temporary folder, made by this call;
// nullopt when none could be made.
std::optional<WinPath> NewTempFolder(const WinPath& temp) {
    for (int n = 1; n <= kMaxTempCopies; ++n) {
        const auto folder = temp.Child(kTempCopyPrefix + std::to_string(n));
        if (folder && platform::MakeFolder(folder->Text())) return folder;
    }
    return std::nullopt;
}

// The exit code a copy left for the kept copy: a number and CR LF, written
// whole; nullopt for anything else (not yet written, or written part way).
std::optional<int> ReadResult(const std::string& path) {
    const auto text = platform::ReadWholeFile(path);
    if (!text || text->size() < 3 || text->size() > 12 || text->compare(text->size() - 2, 2, "\r\n") != 0)
        return std::nullopt;
    int code = 0;
    for (std::size_t i = 0; i + 2 < text->size(); ++i) {
        const char c = (*text)[i];
        if (c < '0' || c > '9') return std::nullopt;
        code = code * 10 + (c - '0');
    }
    return code;
}

// The kept copy: a copy of itself in the temporary folder does the
// removal; this one waits for its result and returns it, so that whoever
// started the uninstall string learns when the game is gone, and whether.
int HandOver(const WinPath& kept, const std::vector<std::string>& args, bool asks) {
    BoxReporter boxes;
    const auto setupInf = kept.Child(kUninstallerSetupName);
    const auto inf = platform::IniFile::Open(setupInf->Text());
    const std::string title = inf ? inf->ReadString("Setting", "GameTitle", "") : std::string();
    platform::app::SetTitle(title.empty() ? std::string(kStartTitle) : ApplicationTitleFor(title));
    if (title.empty()) {
        if (asks) boxes.Ask(nullptr, Msg::KeptSetupUnreadable, {setupInf->Text()});
        return kExitNoDisc;
    }
    // What runs cut short left is taken away first, so that its folders
    // do not pile up.
    RemoveLeftoverTempCopies();
    const auto temp = TempFolderPath();
    const auto folder = temp ? NewTempFolder(*temp) : std::nullopt;
    const auto copy = folder ? folder->Child(kUninstallerExeName) : std::nullopt;
    std::unique_ptr<platform::ChildProcess> child;
    std::string why;
    if (!copy) {
        why = "一時フォルダに作業用のフォルダを作成できませんでした。" +
              (temp ? "\n\n[ " + temp->Text() + " ]" : std::string());
    } else {
        const auto program = platform::ReadWholeFile(platform::ExecutablePath());
        auto file = program ? platform::File::CreateNew(copy->Text()) : nullptr;
        const bool written = file && file->Write(program->data(), program->size()) && file->Flush();
        file.reset();
        std::string line = QuotedArgument(copy->Text());
        for (const std::string& arg : args) line += " " + QuotedArgument(arg);
        line += " " + QuotedArgument("/keptcopy=" + kept.Text());
        if (!written) {
            why = "一時フォルダにプログラムをコピーできませんでした。\n\n[ " + copy->Text() + " ]";
        } else if (platform::CreateOwnedMutex(kHandoverMutex) == 0 ||  // held until this process ends
                   !(child = platform::StartProcess(copy->Text(), line, folder->FolderText()))) {
            why = "一時フォルダのプログラムを起動できませんでした。\n\n[ " + copy->Text() + " ]";
        }
        if (!child) {
            platform::RemoveFile(copy->Text());
            platform::RemoveEmptyDirectory(folder->Text());
        }
    }
    if (!child) {
        if (asks) boxes.Ask(nullptr, Msg::HandOverFailed, {title, why});
        return kExitFailed;
    }
    const std::string result = folder->Child(kTempResultName)->Text();
    for (;;) {
        const bool ended = child->WaitForEnd(kPollMs);
        if (const auto code = ReadResult(result)) return *code;
        // A copy that ended without a result says why by its own code.
        if (ended) return child->ExitCode().value_or(kExitFailed);
    }
}

// The folder of this program when it is a copy of the kept uninstaller in
// the temporary folder: a folder of the copies' names directly in it.
std::optional<WinPath> OwnTempCopyFolder() {
    const auto self = WinPath::Parse(platform::ExecutablePath());
    const auto temp = TempFolderPath();
    const auto folder = self ? self->Parent() : std::nullopt;
    if (!folder || !temp || !sjis::EqualsNoCase(self->Last(), kUninstallerExeName)) return std::nullopt;
    for (int n = 1; n <= kMaxTempCopies; ++n)
        if (temp->Child(kTempCopyPrefix + std::to_string(n)) == folder) return folder;
    return std::nullopt;
}

// The program the command prompt waits with, by its full name when the
// Windows folder's name needs no quoting care; else as the path finds it.
std::string PingProgram() {
    const std::string windows = platform::WindowsDirectory();
    for (const char c : windows)
        if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr(":\\ _.-", c)) return "ping";
    return "\"" + windows + "\\System32\\PING.EXE\"";
}

// The copy has a hidden command prompt delete its file and then its folder
// once this process has ended and let go of the file. The prompt starts in
// the temporary folder and names the copy's folder and file by the names
// this program gave them: no text of the user's is read by it as a
// command (no variables, no AutoRun, no delayed expansion).
void ArrangeOwnRemoval(const WinPath& folder) {
    const auto temp = folder.Parent();
    if (!temp) return;
    const std::string name = folder.Last(), exe = name + "\\" + kUninstallerExeName,
                      result = name + "\\" + kTempResultName;
    const std::string shell = platform::WindowsDirectory() + "\\System32\\cmd.exe";
    platform::StartHidden(shell,
                          "cmd.exe /d /v:off /c for /l %i in (1,1," + std::to_string(kRemovalTries) + ") do @(" +
                              PingProgram() + " -n 2 127.0.0.1 >nul & del /f /q " + exe + " 2>nul & if not exist " +
                              exe + " (del /f /q " + result + " 2>nul & rmdir " + name + " 2>nul & exit))",
                          temp->FolderText());
}

// The copy in the temporary folder: the uninstall with the kept Setup.inf,
// its result for the kept copy, then, once the kept copy has ended, the
// kept folder when the entry is gone, and the copy itself.
int RunCopy(const WinPath& kept, const std::vector<std::string>& args, bool asks) {
    int code = kExitFailed;
    {
        InstConfig.KeptFolder = kept.FolderText();
        InstConfig.KeptAsks = asks;
        // Also when the process ends on the spot (a test's fake ends it by unwinding).
        struct Leave {
            ~Leave() {
                InstConfig.KeptFolder.clear();
                InstConfig.KeptAsks = false;
            }
        } leave;
        InstConfig.CdDrive = kept.RootText()[0];
        InstConfig.DriveGiven = true;
        code = RunFromCommandLine(args);
    }
    // Nothing installed: the entry that led here goes (the start may have
    // taken it already), and the user who chose it is told.
    if (code == kExitDone && InstConfig.NeedInstall) {
        ReadInstallationRecord();
        if (RecordSurelyAbsent()) RemoveAppsEntry();  // the kept copy's own file waits until it has ended
        if (RecordSurelyAbsent() && AppsEntryThere() == std::optional<bool>(false)) {
            if (asks) BoxReporter().Ask(nullptr, Msg::NoLongerInstalled, {InstConfig.GameTitle, InstConfig.GameTitle});
        } else {
            code = kExitFailed;
        }
        InstConfig.RecordKey.reset();
    }
    const auto own = OwnTempCopyFolder();
    const auto result = own ? own->Child(kTempResultName) : std::nullopt;
    if (result) platform::WriteWholeFile(result->Text(), std::to_string(code) + "\r\n");
    // The kept copy ends once it has read the result; its file can go only then.
    for (int waited = 0; waited < kHandoverWaitMs && platform::MutexExists(kHandoverMutex); waited += kPollMs)
        platform::app::Wait(kPollMs);
    if (AppsEntryThere() == std::optional<bool>(false)) RemoveKeptUninstaller();
    if (own) {
        platform::RemoveFile(result->Text());
        ArrangeOwnRemoval(*own);
    }
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
