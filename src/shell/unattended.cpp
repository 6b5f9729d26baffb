// The run from the command line.
#include "shell/unattended.h"

#include <cstdio>
#include <memory>

#include "platform/app.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/forms.h"
#include "platform/msgbox.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "install/instcommand.h"
#include "install/instcommon.h"
#include "install/report.h"
#include "maintenance/instdeletefiles.h"
#include "maintenance/uninstall.h"
#include "maintenance/uninstaller.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"
#include "shell/kivanlib.h"

using platform::MbButtons;
using platform::MbIcon;
using platform::MbResult;

namespace {

// Answers the questions with what the command line chose, or with the answer
// that keeps the user's data, and logs each message with its answer.
class CommandLineReporter : public Reporter {
public:
    // `asksUser`: the user answers in message boxes, as in the menu.
    CommandLineReporter(const CommandLine& cmd, bool asksUser) : cmd_(cmd), asksUser_(asksUser) {}

    MbResult Ask(const platform::Form* owner, Msg id, const std::vector<std::string>& args) override {
        const MbResult answer = asksUser_ ? boxes_.Ask(owner, id, args) : AnswerTo(id);
        std::string line = "メッセージ：";
        for (const char c : TextOf(id, args)) line += c == '\n' ? ' ' : c;
        Note(line + " → " + AnswerName(answer));
        const MbIcon icon = MessageOf(id).icon;
        // The first problem told is the reason; what follows ("did not end
        // correctly") only follows from it.
        if (reason_.empty() && (icon == MbIcon::Warning || icon == MbIcon::Error))
            reason_ = line.substr(std::string("メッセージ：").size());
        // A start that ends the process on the spot says why only here.
        if (id == Msg::SetupInfMissing || id == Msg::SetupInfIncomplete) platform::app::SetExitCode(kExitNoDisc);
        return answer;
    }
    void Note(const std::string& line) override { RunLog(line); }
    // The first problem a message told of, for a line on the console.
    const std::string& Reason() const { return reason_; }

private:
    MbResult AnswerTo(Msg id) {
        switch (id) {
            case Msg::CreateFolder: case Msg::MwaveNotice: case Msg::UninstallStart:
                return MbResult::Yes;
            case Msg::CancelQuestion:  // only the progress window's Cancel button asks this
                return MbResult::Yes;
            case Msg::DeleteSaves:
                return cmd_.deleteSaves ? MbResult::Yes : MbResult::No;
            case Msg::InstallDone:
                return cmd_.launch ? MbResult::Yes : MbResult::No;
            case Msg::DiscPrompt:
                // The prompt for the next disc: wait for it up to the time-out.
                if (discWaitedMs_ >= cmd_.discTimeout * 1000) return MbResult::Cancel;
                Note("ディスクを待っています");
                platform::app::Wait(1000);
                discWaitedMs_ += 1000;
                return MbResult::Ok;
            default: {
                const MessageDef& m = MessageOf(id);
                return m.buttons == MbButtons::YesNo || m.buttons == MbButtons::YesNoCancel ? MbResult::No : MbResult::Ok;
            }
        }
    }
    static const char* AnswerName(MbResult answer) {
        switch (answer) {
            case MbResult::Ok: return "OK";
            case MbResult::Cancel: return "キャンセル";
            case MbResult::Abort: return "中止";
            case MbResult::Retry: return "再試行";
            case MbResult::Ignore: return "無視";
            case MbResult::Yes: return "はい";
            case MbResult::No: return "いいえ";
        }
        return "";
    }

    const CommandLine& cmd_;
    bool asksUser_;
    BoxReporter boxes_;
    int discWaitedMs_ = 0;
    std::string reason_;
};

struct Run {
    CommandLine cmd;
    std::unique_ptr<platform::File> log;
    // Lines from before the log may be opened: it is opened only once the
    // guards passed and the install folder is known.
    std::vector<std::string> pending;
    std::string lastLine;  // the last step noted, the reason when no message gave one
};
Run* current = nullptr;

// A message box that no command asked through the reporter (the general
// error report of an error that ended the command): logged and answered.
MbResult AnswerBox(const std::string& text, MbButtons buttons, MbIcon) {
    std::string line = "メッセージ：";
    for (const char c : text) line += c == '\n' ? ' ' : c;
    RunLog(line + " → OK");
    return buttons == MbButtons::YesNo ? MbResult::No : MbResult::Ok;
}

}  // namespace

int ExitCodeOf(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::Done: return kExitDone;
        case InstallOutcome::FolderRefused: return kExitBadArguments;
        case InstallOutcome::Declined: return kExitCancelled;
        case InstallOutcome::FolderNotMade: return kExitNotWritable;
        case InstallOutcome::NotWritable: return kExitNotWritable;
        case InstallOutcome::NoSpace: return kExitNoSpace;
        case InstallOutcome::NoDisc: return kExitNoDisc;
        case InstallOutcome::Cancelled: return kExitCancelled;
        case InstallOutcome::Failed: return kExitFailed;
        case InstallOutcome::RollbackIncomplete: return kExitRollbackIncomplete;
    }
    return kExitFailed;
}

int ExitCodeOf(UninstallOutcome outcome) {
    switch (outcome) {
        case UninstallOutcome::Done: return kExitDone;
        case UninstallOutcome::Declined: return kExitCancelled;
        case UninstallOutcome::LogMissing: return kExitFailed;
        case UninstallOutcome::RecordKept: return kExitFailed;
        case UninstallOutcome::Incomplete: return kExitFailed;
    }
    return kExitFailed;
}

namespace {

// The drive of disc 1: the one asked for; else the utility's own drive when
// it holds Setup.inf; else the first CD-ROM drive that does.
char FindDisc(char asked) {
    const auto holds = [](char letter) {
        return platform::FileExists(std::string(1, letter) + ":\\Setup.inf");
    };
    if (asked) return holds(asked) ? asked : 0;
    const auto own = platform::WinPath::Parse(platform::ExecutableFolder());
    if (own) {
        const std::string root = own->RootText();
        if (root.size() == 3 && holds(root[0])) return static_cast<char>(root[0] & ~0x20);
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (platform::IsCdRomDrive(std::string(1, letter) + ":\\") && holds(letter)) return letter;
    return 0;
}

// Opens the log the command line asked for, unless it would land in a
// folder the command works on: there it could take the place of a save,
// of Setup.log or of a game file. False when it cannot or may not be opened.
void WriteLogLine(const std::string& line) {
    const std::string bytes = platform::Cp932ToUtf8(line) + "\r\n";
    current->log->Write(bytes.data(), bytes.size());
}

// /log alone: the temporary folder, under the program's name and the date
// and time of the start ("TazuStart-20261208-093015.log"); a second run in
// the same second takes "-2", and so on. nullopt with no temporary folder.
std::optional<platform::WinPath> TempLogPath() {
    const auto temp = platform::TempFolder();
    const auto folder = temp ? platform::WinPath::Parse(*temp) : std::nullopt;
    if (!folder) return std::nullopt;
    const platform::Clock now = platform::Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", now.date.year, now.date.month, now.date.day, now.hour,
                  now.minute, now.second);
    for (int n = 1; n < 100; ++n) {
        const auto path = folder->Child(std::string("TazuStart-") + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".log");
        if (path && platform::Probe(path->Text()) == platform::PathKind::Missing) return path;
    }
    return std::nullopt;
}

// Opens the log the command line asked for, unless it would land in a
// folder the command works on: there it could take the place of a save,
// of Setup.log or of a game file. False when it cannot or may not be opened.
bool OpenRunLog(const std::vector<std::string>& folders) {
    const CommandLine& cmd = current->cmd;
    if (cmd.log.empty() && !cmd.logToTemp) return true;
    std::optional<platform::WinPath> path;
    if (cmd.logToTemp) {
        path = TempLogPath();
    } else if (const auto full = platform::FullPathName(cmd.log)) {
        path = platform::WinPath::Parse(*full);
    }
    std::string refusal;
    if (!path || path->IsRoot())
        refusal = cmd.logToTemp ? std::string("一時フォルダにログファイルを作成できません")
                                : "ログファイルの指定が正しくありません： " + cmd.log;
    for (const std::string& folder : folders) {
        const auto f = platform::WinPath::Parse(sjis::WithTrailingBackslash(folder));
        if (refusal.empty() && f && (path->IsBelow(*f) || *path == *f))
            refusal = "ログファイルはインストール先のフォルダの中には作れません： " + path->Text();
    }
    if (refusal.empty() && !(current->log = cmd.logToTemp ? platform::File::CreateNew(path->Text())
                                                            : platform::File::Create(path->Text())))
        refusal = "ログファイルを作成できません： " + path->Text();
    if (!refusal.empty()) {
        current->lastLine = refusal;
        return false;
    }
    // A byte-order mark, so that older tools (Windows PowerShell 5.1 among
    // them) read the Japanese as UTF-8.
    current->log->Write("\xEF\xBB\xBF", 3);
    if (cmd.logToTemp) platform::app::WriteToParentConsole("ログ：" + path->Text() + "\n");
    for (const std::string& line : current->pending) WriteLogLine(line);
    current->pending.clear();
    return true;
}

// The game files an installation in `folder` lists, as far as they are
// missing (save data may be gone: the player deletes saves); Tazu.exe and
// a readable log that names the installation come first.
std::vector<std::string> MissingGameFiles(const platform::WinPath& folder) {
    const platform::WinPath* parsed = &folder;
    const std::string exe = parsed->Child("Tazu.exe")->Text(), logPath = parsed->Child("Setup.log")->Text();
    if (!platform::FileExists(exe)) return {exe};
    const auto log = platform::ReadWholeFile(logPath);
    if (!log || !LogNamesInstallation(*log, *parsed)) return {logPath};
    std::vector<std::string> missing;
    for (const std::string& line : LogLines(*log)) {
        const auto file = LoggedPath(line);
        if (file && IsInstalledFile(*file, *parsed) && !IsSaveDataName(file->Last()) &&
            !platform::FileExists(file->Text()))
            missing.push_back(file->Text());
    }
    return missing;
}

int RunCommand(Reporter& report) {
    const CommandLine& cmd = current->cmd;
    if (!KeptSetupFolder()) {  // the kept uninstaller reads the Setup.inf beside it: no disc
        const char drive = FindDisc(cmd.cd);
        const auto label = drive ? platform::VolumeLabel(std::string(1, drive) + ":\\") : std::nullopt;
        if (!label || *label != kDiscLabel) {
            RunLog(drive ? std::string("ドライブ ") + drive + ": のディスクは " + kDiscLabel + " ではありません"
                         : std::string("Setup.inf のあるディスクが見つかりません"));
            return kExitNoDisc;
        }
        RunLog(std::string("ディスク1：") + drive + ":");
        InstConfig.CdDrive = drive;
        InstConfig.DriveGiven = true;
    }

    platform::app::Initialize();
    platform::app::SetTitle(kStartTitle);
    frmInstMain = new TfrmInstMain;
    frmInstMain->SetReporter(report);
    frmInstMain->Create();
    frmInstMain->CenterOnScreen();  // the progress windows centre over it

    const bool installed = !InstConfig.NeedInstall;
    const bool install = cmd.command == CommandLine::Command::Install;
    const std::string folder = cmd.dir.empty() ? frmInstMain->edtInst.Text() : cmd.dir;
    std::vector<std::string> folders;
    if (installed) folders.push_back(InstConfig.InstPath);
    if (install) folders.push_back(folder);
    if (!OpenRunLog(folders)) return kExitBadArguments;

    if (install && installed) {
        const auto& there = InstConfig.InstFolder;
        const auto wanted = platform::WinPath::Parse(sjis::WithTrailingBackslash(cmd.dir));
        RunLog("インストール済み：" + InstConfig.InstPath);
        if (!cmd.dir.empty() && !(there && wanted && *there == *wanted)) {
            RunLog("別のフォルダにインストールされています：" + InstConfig.InstPath);
            return kExitInstalledElsewhere;
        }
        // Installed means the files are there: an uninstall that could
        // not finish leaves the record with files gone.
        // Installed: the record named a folder the path model read (InstFolder).
        const auto missing = MissingGameFiles(*InstConfig.InstFolder);
        for (const std::string& path : missing) RunLog("ファイルがありません：" + path);
        if (!missing.empty()) {
            RunLog("インストールが不完全です：" + InstConfig.InstPath);
            return kExitIncomplete;
        }
        return kExitDone;
    }
    if (install) {
        const InstallOutcome outcome = InstallGame(folder, cmd.mwave, *frmInstMain, report);
        if (outcome == InstallOutcome::Done) frmInstMain->AfterInstallation(cmd.readme);
        return ExitCodeOf(outcome);
    }
    if (!installed) {
        RunLog("インストールされていません");
        return kExitDone;
    }
    return ExitCodeOf(UninstallGame(*frmInstMain, report));
}

}  // namespace


void RunLog(const std::string& text) {
    if (!current) return;
    current->lastLine = text;
    // Every line with the time it was written.
    const platform::Clock now = platform::Now();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    const std::string line = stamp + text;
    if (!current->log) {
        if (!current->cmd.log.empty() || current->cmd.logToTemp) current->pending.push_back(line);
        return;
    }
    WriteLogLine(line);
}

int RefuseInexactArguments() {
    const std::string text =
        "引数に、シフトJIS（コードページ932）で表せない文字が含まれています。\n"
        "Windowsが似た文字に置き換えると別のフォルダを指すため、この指定では実行できません。\n"
        "フォルダ名などは、シフトJISで表せる文字だけで指定してください。";
    if (!platform::app::WriteToParentConsole(text + "\n"))
        platform::ShowMessageBox(nullptr, text, kStartTitle, MbButtons::Ok, MbIcon::Warning);
    return kExitBadArguments;
}

int RunFromCommandLine(const std::vector<std::string>& args) {
    std::string error;
    const auto cmd = ParseCommandLine(args, error);
    if (!cmd || cmd->command == CommandLine::Command::Help) {
        const std::string text = cmd ? std::string(kCommandLineHelp) : error + "\n\n" + kCommandLineHelp;
        if (!platform::app::WriteToParentConsole(text))
            platform::ShowMessageBox(nullptr, text, kStartTitle, MbButtons::Ok,
                                     cmd ? MbIcon::Information : MbIcon::Warning);
        return cmd ? kExitDone : kExitBadArguments;
    }

    Run run{*cmd, nullptr, {}, {}};
    current = &run;
    CommandLineReporter reporter(run.cmd, KeptRunAsks());
    // Also when the process ends on the spot (a test's fake ends it by unwinding).
    struct Leave {
        ~Leave() {
            platform::SetFormFilter(nullptr);
            platform::SetBoxAnswerer(nullptr);
            current = nullptr;
        }
    } leave;
    std::string line = "TazuStart";
    for (const std::string& a : args) line += " " + a;
    RunLog(line);

    int code = kExitRunning;
    if (IsMutexPresent("TazuEngineUnit")) {
        RunLog("ゲームが実行中です");
    } else if (!TryTakeSingleInstanceMutex("TazuUtility")) {
        RunLog("ユーティリティがすでに実行中です");
    } else {
        platform::app::SetExitCode(kExitDone);
        // The kept uninstaller asks as the menu does, unless /passive or /silent.
        if (!KeptRunAsks()) platform::SetBoxAnswerer(AnswerBox);
        // /passive: the progress windows only; /silent: nothing.
        platform::SetFormFilter([silent = cmd->silent](const platform::FormDef& def) {
            const std::string name = def.name;
            return !silent && (name == "TfrmCopyFile" || name == "TfrmDeleteFiles");
        });
        try {
            code = RunCommand(reporter);
        } catch (const std::exception& e) {
            platform::app::ShowError(e.what());
            code = kExitFailed;
        }
        if (frmInstMain) {
            frmInstMain->Destroy();
            delete frmInstMain;
            frmInstMain = nullptr;
        }
        ReleaseSingleInstanceMutex();
    }
    RunLog("終了コード：" + std::to_string(code));
    // Without a log the reason still reaches whoever started the run from a
    // console: one line on its error output.
    if (code != kExitDone) {
        const std::string why = !reporter.Reason().empty() ? reporter.Reason() : run.lastLine;
        platform::app::WriteErrorToParentConsole("TazuStart: " + why + "（終了コード " + std::to_string(code) + "）\n");
    }
    return code;
}
