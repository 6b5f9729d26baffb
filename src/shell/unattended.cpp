// The run from the command line.
#include "shell/unattended.h"

#include <memory>

#include "platform/app.h"
#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/forms.h"
#include "platform/msgbox.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "install/instcommon.h"
#include "maintenance/instdeletefiles.h"
#include "maintenance/uninstaller.h"
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
    // Lines from before the log may be opened: it is opened only once the
    // guards passed and the install folder is known.
    std::vector<std::string> pending;
    int discWaitedMs = 0;
};
Run* current = nullptr;

// The exit code a message stands for, when it ends the command; the first
// such message of a run decides (a later "did not end correctly" only
// follows from it).
struct Outcome {
    const char* text;
    int code;
};
const Outcome kOutcomes[] = {
    {"インストール情報ファイルが見つかりません", kExitNoDisc},
    {"インストール情報ファイルに必要な情報が記述されていません", kExitNoDisc},
    {"インストール先のフォルダを入力して下さい", kExitBadArguments},
    {"インストールするフォルダは絶対パスで入力してください", kExitBadArguments},
    {"インストールするフォルダにルートは指定できません", kExitBadArguments},
    {"インストール先の空き容量が足りません", kExitNoSpace},
    {"インストール先のフォルダに書き込みできません", kExitNotWritable},
    {"フォルダの作成に失敗しました", kExitNotWritable},
    {"インストールは正しく終了しませんでした", kExitFailed},
    {"の削除を完了できませんでした", kExitFailed},
    {"インストール情報を削除できませんでした", kExitFailed},
    {"Setup.logが見つかりません", kExitFailed},
};

void Settle(int code) {
    if (platform::app::ExitCode() == kExitDone) platform::app::SetExitCode(code);
}

bool Says(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The answer that keeps the user's data, or the one the command line chose.
MbResult Answer(const std::string& text, MbButtons buttons, MbIcon icon) {
    const CommandLine& cmd = current->cmd;
    MbResult answer = MbResult::Ok;
    if (buttons == MbButtons::YesNo) {
        answer = MbResult::No;
        if (Says(text, "新しく作成しますか") || Says(text, "「M-WAVE対策版」でインストールを行いますか") ||
            Says(text, "の削除を開始します"))
            answer = MbResult::Yes;
        else if (Says(text, "セーブデータを削除しますか"))
            answer = cmd.deleteSaves ? MbResult::Yes : MbResult::No;
        else if (Says(text, "を今すぐ起動しますか"))
            answer = cmd.launch ? MbResult::Yes : MbResult::No;
        else if (Says(text, "インストールを中止しますか")) {
            // Only the progress window's Cancel button asks this.
            answer = MbResult::Yes;
            Settle(kExitCancelled);
        }
    } else if (buttons == MbButtons::OkCancel) {
        // The prompt for the next disc: wait for it up to the time-out.
        if (current->discWaitedMs < cmd.discTimeout * 1000) {
            RunLog("ディスクを待っています");
            platform::app::Wait(1000);
            current->discWaitedMs += 1000;
        } else {
            answer = MbResult::Cancel;
            Settle(kExitNoDisc);
        }
    }
    for (const Outcome& o : kOutcomes)
        if (Says(text, o.text)) Settle(o.code);
    // Any other error report ends a command that failed.
    if (icon == MbIcon::Error) Settle(kExitFailed);
    std::string line = "メッセージ：";
    for (const char c : text) line += c == '\n' ? ' ' : c;
    const char* names[] = {"OK", "キャンセル", "中止", "再試行", "無視", "はい", "いいえ"};  // in MbResult order
    RunLog(line + " → " + names[static_cast<int>(answer)]);
    return answer;
}

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
bool OpenRunLog(const std::vector<std::string>& folders) {
    const CommandLine& cmd = current->cmd;
    if (cmd.log.empty()) return true;
    const auto full = platform::FullPathName(cmd.log);
    const auto path = full ? platform::WinPath::Parse(*full) : std::nullopt;
    std::string refusal;
    if (!path || path->IsRoot()) refusal = "ログファイルの指定が正しくありません： " + cmd.log;
    for (const std::string& folder : folders) {
        const auto f = platform::WinPath::Parse(sjis::WithTrailingBackslash(folder));
        if (refusal.empty() && f && (path->IsBelow(*f) || *path == *f))
            refusal = "ログファイルはインストール先のフォルダの中には作れません： " + path->Text();
    }
    if (refusal.empty() && !(current->log = platform::File::Create(path->Text())))
        refusal = "ログファイルを作成できません： " + path->Text();
    if (!refusal.empty()) {
        platform::app::WriteToParentConsole(refusal + "\n");
        return false;
    }
    for (const std::string& line : current->pending) RunLog(line);
    current->pending.clear();
    return true;
}

// The game files an installation in `folder` lists, as far as they are
// missing (save data may be gone: the player deletes saves); Tazu.exe and
// a readable log that names the installation come first.
std::vector<std::string> MissingGameFiles(const std::string& folder) {
    const auto parsed = platform::WinPath::Parse(folder);
    if (!parsed || parsed->IsRoot()) return {folder};
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

int RunCommand() {
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
    frmInstMain->Create();
    frmInstMain->CenterOnScreen();  // the progress windows centre over it

    const bool installed = !InstConfig.NeedInstall;
    const bool install = cmd.command == CommandLine::Command::Install;
    std::vector<std::string> folders;
    if (installed) folders.push_back(InstConfig.InstPath);
    if (install) folders.push_back(cmd.dir.empty() ? frmInstMain->edtInst.Text() : cmd.dir);
    if (!OpenRunLog(folders)) return kExitBadArguments;
    if (install) {
        if (installed) {
            const auto there = platform::WinPath::Parse(InstConfig.InstPath);
            const auto wanted = platform::WinPath::Parse(sjis::WithTrailingBackslash(cmd.dir));
            RunLog("インストール済み：" + InstConfig.InstPath);
            if (!cmd.dir.empty() && !(there && wanted && *there == *wanted)) return kExitFailed;
            // Installed means the files are there: an uninstall that could
            // not finish leaves the record with files gone.
            const auto missing = MissingGameFiles(InstConfig.InstPath);
            for (const std::string& path : missing) RunLog("ファイルがありません：" + path);
            if (!missing.empty()) {
                RunLog("インストールが不完全です：" + InstConfig.InstPath);
                return kExitIncomplete;
            }
            return kExitDone;
        }
        if (!cmd.dir.empty()) frmInstMain->edtInst.SetText(cmd.dir);
        RunLog("インストール先：" + frmInstMain->edtInst.Text() + (cmd.mwave ? "（M-WAVE対策版）" : "（通常PCM音源版）"));
        (cmd.mwave ? frmInstMain->btnStart2 : frmInstMain->btnStart1).Click();
        if (InstConfig.NeedInstall) Settle(kExitFailed);
    } else {
        if (!installed) {
            RunLog("インストールされていません");
            return kExitDone;
        }
        RunLog("削除するフォルダ：" + InstConfig.InstPath);
        frmInstMain->btnDelete.Click();
        const auto record = InstConfig.RecordKey ? InstConfig.RecordKey->ReadString("InstPath") : std::nullopt;
        if (platform::app::ExitCode() == kExitDone && record && !record->empty()) Settle(kExitFailed);
    }
    return platform::app::ExitCode();
}

}  // namespace

const CommandLine* UnattendedCommand() { return current ? &current->cmd : nullptr; }

void RunLog(const std::string& line) {
    if (!current) return;
    if (!current->log) {
        if (!current->cmd.log.empty()) current->pending.push_back(line);
        return;
    }
    const std::string bytes = platform::Cp932ToUtf8(line) + "\r\n";
    current->log->Write(bytes.data(), bytes.size());
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

    Run run{*cmd, nullptr, {}, 0};
    current = &run;
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
        if (!KeptRunAsks()) platform::SetBoxAnswerer(Answer);  // the kept uninstaller asks as the menu does
        // /passive: the progress windows only; /silent: nothing.
        platform::SetFormFilter([silent = cmd->silent](const platform::FormDef& def) {
            const std::string name = def.name;
            return !silent && (name == "TfrmCopyFile" || name == "TfrmDeleteFiles");
        });
        try {
            code = RunCommand();
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
    return code;
}
