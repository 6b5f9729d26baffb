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
#include "install/installedfile.h"
#include "install/instcopyfile.h"
#include "install/report.h"
#include "maintenance/instdeletefiles.h"
#include "maintenance/uninstall.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"
#include "shell/kivanlib.h"

using platform::MbButtons;
using platform::MbIcon;
using platform::MbResult;

namespace {

struct Run {
    CommandLine cmd;
    std::unique_ptr<platform::File> log;
    // Lines from before the log may be opened: it is opened once the guards
    // passed and the install folder is known, or at the end of a run that
    // ended before.
    std::vector<std::string> pending;
    std::string lastLine;  // the last step noted, the reason when no message gave one
    std::string reason;    // the first problem a message told of
    std::string logRefusal;  // why the log was not made, once it was refused
    bool argumentError = false;
    bool ended = false;
};
Run* current = nullptr;

// One line in the run's log (Shift-JIS text; written as UTF-8 and straight
// through to the file, so that it survives the program being killed).
// Nothing without a log.
void RunLog(const std::string& line);

// The end of the run: the reason and the code as the log's last lines and,
// on a failure, as one line on the console's error output.
void EndRun(int code);

// The first sentence of a message, as one line: up to its first "。" or
// line break. Shift-JIS aware: "。" is matched as a whole character.
std::string FirstSentence(const std::string& text) {
    std::string sentence;
    for (std::size_t i = 0; i < text.size() && text[i] != '\n'; ++i) {
        // A lead byte at the very end gives a character of one byte.
        const std::string c = text.substr(i, sjis::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1);
        sentence += c;
        i += c.size() - 1;
        if (c == "。") break;
    }
    return sentence;
}

void TakeReason(const std::string& text) {
    if (current && current->reason.empty()) current->reason = FirstSentence(text);
}

// Answers the questions with what the command line chose, or with the answer
// that keeps the user's data, and logs each message with its answer.
class CommandLineReporter : public Reporter {
public:
    // `asksUser`: the user answers in message boxes, as in the menu.
    CommandLineReporter(const CommandLine& cmd, bool asksUser) : cmd_(cmd), asksUser_(asksUser) {}

    MbResult Ask(const platform::Form* owner, Msg id, const std::vector<std::string>& args) override {
        // Removed from the list of programs, the user has no disc at hand:
        // the advice is what works from there.
        if (id == Msg::RecordNotRemoved && !InstConfig.KeptFolder.empty()) id = Msg::RecordNotRemovedApps;
        const MbResult answer = asksUser_ ? boxes_.Ask(owner, id, args) : AnswerTo(id, args);
        std::string line = "メッセージ：";
        for (const char c : TextOf(id, args)) line += c == '\n' ? ' ' : c;
        Note(line + " → " + AnswerName(answer));
        const MbIcon icon = MessageOf(id).icon;
        // The first problem told is the reason; what follows ("did not end
        // correctly") only follows from it.
        if (icon == MbIcon::Warning || icon == MbIcon::Error) TakeReason(TextOf(id, args));
        // A start that ends the process on the spot says why only here.
        if (id == Msg::SetupInfMissing || id == Msg::SetupInfIncomplete) {
            platform::app::SetExitCode(kExitNoDisc);
            EndRun(kExitNoDisc);
        }
        return answer;
    }
    void Note(const std::string& line) override { RunLog(line); }

private:
    MbResult AnswerTo(Msg id, const std::vector<std::string>& args) {
        switch (id) {
            case Msg::CreateFolder: case Msg::MwaveNotice: case Msg::UninstallStart: case Msg::LogMissingForget:
                return MbResult::Yes;
            case Msg::CancelQuestion:  // only the progress window's Cancel button asks this
                return MbResult::Yes;
            case Msg::DeleteSaves:
                return cmd_.deleteSaves ? MbResult::Yes : MbResult::No;
            case Msg::InstallDone:
                return cmd_.launch ? MbResult::Yes : MbResult::No;
            case Msg::DiscPrompt:
                // The prompt for the next disc: wait for it up to the time-out.
                // A question is never a reason by itself: the disc's absence is.
                if (discWaitedMs_ >= cmd_.discTimeout * 1000) {
                    const std::string disc = "『" + args.at(0) + "』の" + args.at(1);  // the title, the disc
                    TakeReason(cmd_.discTimeout == 0
                                   ? disc + "がCD-ROMドライブにありません（/disctimeout で待つ秒数を指定できます）"
                                   : disc + "が" + std::to_string(cmd_.discTimeout) +
                                         "秒待ってもCD-ROMドライブにセットされませんでした");
                    return MbResult::Cancel;
                }
                Note("ディスクを待っています");
                platform::app::Wait(1000);
                discWaitedMs_ += 1000;
                return MbResult::Ok;
            // Told, or asked where No keeps the user's data.
            case Msg::SetupInfMissing: case Msg::SetupInfIncomplete: case Msg::FolderEmpty:
            case Msg::FolderNotAbsolute: case Msg::FolderNameInvalid: case Msg::FolderEndsInDotOrBlank:
            case Msg::FolderIsRoot: case Msg::FolderExists: case Msg::FolderNotMade: case Msg::NotWritable:
            case Msg::NoSpace: case Msg::NoMemory: case Msg::CopyFailed: case Msg::NotEnded:
            case Msg::RollbackIncomplete: case Msg::StartFailed: case Msg::ReadmeFailed: case Msg::LogMissing:
            case Msg::LogEmpty: case Msg::UninstallDone: case Msg::RecordNotRemoved: case Msg::RecordNotRemovedApps:
            case Msg::UninstallIncomplete: case Msg::HandOverFailed: case Msg::KeptSetupUnreadable:
            case Msg::NoLongerInstalled: case Msg::FolderGoneForgotten: case Msg::ListEntryForgotten:
            case Msg::RemoveQuestion: case Msg::RemoveDone: case Msg::RemoveFailed: case Msg::ChangeQuestion:
            case Msg::ChangeAbandoned: case Msg::NotInstalledThere: case Msg::RootNotInstallFolder:
            case Msg::ChangeFailed: case Msg::ChangeDone: case Msg::DirectXMissing: case Msg::DirectXStartFailed:
            case Msg::Error:
                break;
        }
        const MessageDef& m = MessageOf(id);
        return m.buttons == MbButtons::YesNo || m.buttons == MbButtons::YesNoCancel ? MbResult::No : MbResult::Ok;
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
};

// A message box that no command asked through the reporter (the general
// error report of an error that ended the command): logged and answered.
MbResult AnswerBox(const std::string& text, MbButtons buttons, MbIcon) {
    std::string line = "メッセージ：";
    for (const char c : text) line += c == '\n' ? ' ' : c;
    RunLog(line + " → OK");
    TakeReason(text);
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
    for (const char letter : platform::CdRomDrives())
        if (holds(letter)) return letter;
    return 0;
}

// One line into the open log, as UTF-8.
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

// A file this utility wrote as a run's log: the byte-order mark, a time
// and the program's name, as the first line of every run log begins.
bool IsRunLog(const std::string& path) {
    const auto file = platform::File::OpenRead(path);
    char head[22];
    std::size_t got = 0;
    while (file && got < sizeof head) {
        const auto n = file->Read(head + got, sizeof head - got);
        if (!n || *n == 0) break;
        got += *n;
    }
    const std::string text(head, got);
    const auto digits = [&text](std::size_t at) { return text[at] >= '0' && text[at] <= '9' && text[at + 1] >= '0' && text[at + 1] <= '9'; };
    return got == sizeof head && text.compare(0, 3, "\xEF\xBB\xBF") == 0 && digits(3) && text[5] == ':' && digits(6) &&
           text[8] == ':' && digits(9) && text.compare(11, 11, " TazuStart ") == 0;
}

// Opens the log the command line asked for, unless it would land in a
// folder the command works on: there it could take the place of a save,
// of Setup.log or of a game file. `folders` are those folders; without
// `foldersKnown` (a run that ended before it knew the installed game's
// folder) the log is made only as a new file, or in the place of an
// earlier run's log, so that it can take the place of nothing else.
// False when it cannot or may not be opened.
bool OpenRunLog(const std::vector<std::string>& folders, bool foldersKnown) {
    const CommandLine& cmd = current->cmd;
    if ((cmd.log.empty() && !cmd.logToTemp) || current->log) return true;
    if (!current->logRefusal.empty()) return false;
    std::optional<platform::WinPath> path;
    if (cmd.logToTemp) {
        path = TempLogPath();
    } else if (const auto full = platform::FullPathName(cmd.log)) {
        path = platform::WinPath::Parse(*full);
    }
    std::string refusal;
    if (!path || path->IsRoot())
        refusal = cmd.logToTemp ? std::string("一時フォルダにログファイルを作成できません")
                                : "ログファイルの指定が正しくありません：" + cmd.log;
    for (const std::string& folder : folders) {
        const auto f = platform::WinPath::Parse(sjis::WithTrailingBackslash(folder));
        if (refusal.empty() && f && (path->IsBelow(*f) || *path == *f))
            refusal = "ログファイルはインストール先のフォルダの中には作れません：" + path->Text();
    }
    if (refusal.empty()) {
        if (cmd.logToTemp) {
            current->log = platform::File::CreateNew(path->Text());
        } else if (foldersKnown) {
            current->log = platform::File::Create(path->Text());
        } else if (!(current->log = platform::File::CreateNew(path->Text())) && platform::FileExists(path->Text())) {
            if (IsRunLog(path->Text()))
                current->log = platform::File::Create(path->Text());
            else
                // Also the log of a copy that is running: it is open, and cannot be read.
                refusal = "同じ名前のファイルがあり、このユーティリティの以前のログと確かめられないため、上書きしません：" +
                          path->Text();
        }
    }
    if (refusal.empty() && !current->log) refusal = "ログファイルを作成できません：" + path->Text();
    if (!refusal.empty()) {
        current->lastLine = refusal;
        current->logRefusal = refusal;
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
    const std::string exe = folder.Child("Tazu.exe")->Text(), logPath = folder.Child(kSetupLogName)->Text();
    if (!platform::FileExists(exe)) return {exe};
    const auto log = platform::ReadWholeFile(logPath);
    if (!log || !LogNamesInstallation(*log, folder)) return {logPath};
    std::vector<std::string> missing;
    for (const std::string& line : LogLines(*log)) {
        const auto file = LoggedPath(line);
        if (file && IsInstalledFile(*file, folder) && !IsSaveDataName(file->Last()) &&
            !platform::FileExists(file->Text()))
            missing.push_back(file->Text());
    }
    return missing;
}

int RunCommand(Reporter& report) {
    const CommandLine& cmd = current->cmd;
    if (InstConfig.KeptFolder.empty()) {  // the kept uninstaller reads the Setup.inf beside it: no disc
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
    // A folder no installation could go into is told as such before it
    // is compared with the installed game's; nothing is made in it, so
    // it does not keep the log out.
    const bool usable = !install || cmd.dir.empty() || CheckInstallFolder(*frmInstMain, report, cmd.dir);
    std::vector<std::string> folders;
    if (installed) folders.push_back(InstConfig.InstPath);
    if (install && usable) folders.push_back(folder);
    if (!OpenRunLog(folders, true) || !usable) return kExitBadArguments;

    if (install && installed) {
        const auto& there = InstConfig.InstFolder;
        const auto wanted = platform::WinPath::Parse(sjis::WithTrailingBackslash(cmd.dir));
        RunLog("インストール済み：" + InstConfig.InstPath);
        if (!cmd.dir.empty() && !(there && wanted && *there == *wanted)) {
            RunLog("別のフォルダにインストールされています：" + InstConfig.InstPath);
            return kExitInstalledElsewhere;
        }
        // Installed means the files are there: an uninstall that could
        // not finish leaves the record with files gone. The record named a
        // folder the path model read (InstFolder).
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
    return ExitCodeOf(UninstallGame(*frmInstMain, report, !InstConfig.KeptFolder.empty()));
}

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

}  // namespace

int RefuseInexactArguments() {
    const std::string text =
        "引数に、シフトJIS（コードページ932）で表せない文字が含まれています。\n"
        "Windowsが似た文字に置き換えると別のフォルダを指すため、この指定では実行できません。\n"
        "フォルダ名などは、シフトJISで表せる文字だけで指定してください。";
    if (!platform::app::WriteErrorToParentConsole("TazuStart: " + FirstSentence(text) + "（終了コード 2）\n"))
        platform::ShowMessageBox(nullptr, text, kStartTitle, MbButtons::Ok, MbIcon::Warning);
    return kExitBadArguments;
}

namespace {

void EndRun(int code) {
    if (!current || current->ended) return;
    current->ended = true;
    const CommandLine& cmd = current->cmd;
    // Why the run ended, from before a refusal of the log is noted.
    const std::string why = !current->reason.empty() ? current->reason : current->lastLine;
    // A run that ended before it knew the folders it works on: the log goes
    // nowhere /dir names, and only where it takes the place of nothing.
    // A log opened or refused before stays as it is.
    std::vector<std::string> folders;
    const auto dir = platform::WinPath::Parse(sjis::WithTrailingBackslash(cmd.dir));
    if (cmd.command == CommandLine::Command::Install && dir && !dir->IsRoot()) folders.push_back(cmd.dir);
    OpenRunLog(folders, false);
    if (code != kExitDone) RunLog("終了の理由：" + why);
    RunLog("終了コード：" + std::to_string(code));
    if (const auto& refusal = current->logRefusal; !refusal.empty() && refusal != why)
        platform::app::WriteErrorToParentConsole("TazuStart: " + refusal + "\n");
    if (code == kExitDone) return;
    // Without a log the reason still reaches whoever started the run from a
    // console: one line on its error output. Arguments it could not read
    // are told in a box when there is no console.
    const std::string help = current->argumentError ? "　使い方は TazuStart.exe /? で表示されます。" : "";
    if (!platform::app::WriteErrorToParentConsole("TazuStart: " + why + "（終了コード " + std::to_string(code) + "）" +
                                                  help + "\n") &&
        current->argumentError)
        platform::ShowMessageBox(nullptr, why + "\n\n使い方は TazuStart.exe /? で表示されます。", kStartTitle,
                                 MbButtons::Ok, MbIcon::Warning);
}

}  // namespace

int RunFromCommandLine(const std::vector<std::string>& args) {
    std::string error;
    const auto cmd = ParseCommandLine(args, error);
    if (cmd && cmd->command == CommandLine::Command::Help) {
        if (!platform::app::WriteToParentConsole(kCommandLineHelp))
            platform::ShowMessageBox(nullptr, kCommandLineHelp, kStartTitle, MbButtons::Ok, MbIcon::Information);
        return kExitDone;
    }

    Run run;
    run.cmd = cmd ? *cmd : LogOptionsOf(args);
    current = &run;
    CommandLineReporter reporter(run.cmd, InstConfig.KeptAsks);
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
    if (!cmd) {
        run.argumentError = true;
        run.reason = error;
        EndRun(kExitBadArguments);
        return kExitBadArguments;
    }
    for (const std::string& note : cmd->notes) RunLog(note);

    int code = kExitRunning;
    if (IsMutexPresent("TazuEngineUnit")) {
        RunLog("ゲームが実行中です");
    } else if (!TryTakeSingleInstanceMutex("TazuUtility")) {
        RunLog("ユーティリティがすでに実行中です");
    } else {
        platform::app::SetExitCode(kExitDone);
        // The kept uninstaller asks as the menu does, unless /passive or /silent.
        if (!InstConfig.KeptAsks) platform::SetBoxAnswerer(AnswerBox);
        // /passive: the progress windows only; /silent: nothing.
        platform::SetFormFilter([silent = cmd->silent](const platform::FormDef& def) {
            return !silent && (&def == &kCopyFileForm || &def == &kDeleteFilesForm);
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
    EndRun(code);
    return code;
}
