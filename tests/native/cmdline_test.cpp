// Runs from the command line: the arguments read, and each exit code
// reached through the menu's own commands on the fakes.
#include <algorithm>
#include <functional>
#include <set>

#include "install/instcommon.h"
#include "install/instcopyfile.h"
#include "install/report.h"
#include "platform/app.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "shell/main.h"
#include "shell/unattended.h"
#include "test_support.h"

namespace {

TEST(CommandLineArguments, ReadWithoutRegardToCaseAndRefusedWhenTheyDoNotFit) {
    const struct {
        std::vector<std::string> args;
        bool ok;
        const char* why;
        std::function<bool(const CommandLine&)> holds = nullptr;  // what the parse gives
        const char* says = nullptr;                                // part of the refusal
    } rows[] = {
        {{"/install"}, true, "defaults"},
        {{"-INSTALL", "/Dir=D:\\ゲーム", "/variant=MWAVE", "/cd=q:", "/launch", "/readme", "/silent",
          "/disctimeout=30", "/log=C:\\x.log"},
         true, "every install option"},
        {{"/uninstall", "/deletesaves", "/cd=Q", "/passive"}, true, "every uninstall option"},
        {{"/?"}, true, "help"},
        {{"--help"}, true, "help, as other programs spell it"},
        {{}, false, "no command"},
        {{"/install", "/uninstall"}, false, "two commands"},
        {{"/install", "/keepsaves"}, false, "an uninstall option with /install"},
        {{"/uninstall", "/dir=C:\\G"}, false, "an install option with /uninstall"},
        {{"/uninstall", "/keepsaves", "/deletesaves"}, false, "both save-data answers"},
        {{"/install", "/passive", "/silent"}, false, "both window modes", nullptr, "画面の指定"},
        {{"/install", "/variant=opl"}, false, "an unknown variant"},
        {{"/install", "/cd=QQ"}, false, "not a drive letter"},
        {{"/install", "/disctimeout=-1"}, false, "a negative time-out"},
        {{"/install", "/dir="}, false, "an empty folder"},
        {{"/install", "install"}, false, "no / or -"},
        {{"/install", "/force"}, false, "an unknown option"},
        {{"/install"}, true, "the defaults the help gives", [](const CommandLine& c) {
             return c.command == CommandLine::Command::Install && c.dir.empty() && !c.mwave && c.cd == 0 &&
                    !c.launch && !c.readme && !c.silent && c.discTimeout == 0 && c.log.empty() && !c.logToTemp;
         }},
        {{"/uninstall"}, true, "the save data stays unless asked",
         [](const CommandLine& c) { return c.command == CommandLine::Command::Uninstall && !c.deleteSaves; }},
        {{"/uninstall", "/keepsaves"}, true, "/keepsaves keeps", [](const CommandLine& c) { return !c.deleteSaves; }},
        {{"/uninstall", "/DeleteSaves"}, true, "/deletesaves deletes",
         [](const CommandLine& c) { return c.deleteSaves; }},
        {{"/install", "/launch"}, true, "/launch starts the game, nothing else",
         [](const CommandLine& c) { return c.launch && !c.readme; }},
        {{"/install", "/readme"}, true, "/readme shows the readme, nothing else",
         [](const CommandLine& c) { return c.readme && !c.launch; }},
        {{"/install", "/variant=Pcm"}, true, "pcm", [](const CommandLine& c) { return !c.mwave; }},
        {{"/install", "/cd=1"}, false, "a digit is no drive letter"},
        {{"/install", "/cd=@"}, false, "the character before A"},
        {{"/install", "/cd=["}, false, "the character after Z"},
        {{"/install", "/cd=Q\\"}, false, "a letter and a backslash without the colon"},
        {{"/install", "/cd=Q:x"}, false, "three characters that are no root"},
        {{"/install", "/cd=a"}, true, "the first letter, in lower case",
         [](const CommandLine& c) { return c.cd == 'A'; }},
        {{"/install", "/cd=z:\\"}, true, "the last letter, as a root",
         [](const CommandLine& c) { return c.cd == 'Z'; }},
        {{"/install", "/disctimeout=86400"}, true, "a day",
         [](const CommandLine& c) { return c.discTimeout == 86400; }},
        {{"/install", "/disctimeout=86401"}, false, "more than a day"},
        {{"/install", "/disctimeout=59"}, true, "a nine is a digit",
         [](const CommandLine& c) { return c.discTimeout == 59; }},
        {{"/install", "/disctimeout="}, false, "no number"},
        {{"/install", "/disctimeout=4294967326"}, false, "more digits than a number holds (30, wrapped round)"},
        {{"/install", "/verysilent"}, true, "/verysilent is /silent", [](const CommandLine& c) { return c.silent; }},
        {{"/install", "/QUIET"}, true, "/quiet is /silent", [](const CommandLine& c) { return c.silent; }},
        {{"/uninstall", "/qn"}, true, "/qn is /silent", [](const CommandLine& c) { return c.silent; }},
        {{"/install", "/Qb"}, true, "/qb is /passive", [](const CommandLine& c) { return !c.silent; }},
        {{"/uninstall", "/passive"}, true, "/passive shows the progress window",
         [](const CommandLine& c) { return !c.silent; }},
        {{"/install", "/qb", "/qn"}, false, "both window modes, as the system installer spells them"},
        {{"/uninstall", "/verysilent", "/passive"}, false, "both window modes, spelled otherwise"},
        {{"/install", "/qn=1"}, false, "a value to a window mode"},
        {{"/install", "/log"}, true, "/log alone: a log in the temporary folder",
         [](const CommandLine& c) { return c.logToTemp && c.log.empty(); }},
        {{"/uninstall", "/log=C:\\a.log", "/LOG"}, true, "the later /log wins",
         [](const CommandLine& c) { return c.logToTemp && c.log.empty(); }},
        {{"/install", "/log", "/log=C:\\a.log"}, true, "the later /log wins, a file",
         [](const CommandLine& c) { return !c.logToTemp && c.log == "C:\\a.log"; }},
        {{"/install", "/log="}, false, "an empty log name, as a script variable that came out empty gives"},
        // /dir="C:\Games\" /silent /log=C:\x.log as the system splits it:
        // \" is a quote character, and the options after it went into the value.
        {{"/install", "/dir=C:\\Games\" /silent /log=C:\\x.log"}, false, "a quote names what it swallowed", nullptr,
         "「/silent /log=C:\\x.log」まで"},
        {{"/install", "/dir=C:\\Games\""}, false, "a quote at the end says how to write it", nullptr,
         "/dir=\"C:\\Games\" と書いて"},
        {{"/install", "/dir=C:\\Games\""}, false, "or without quotes", nullptr, "/dir=C:\\Games でも"},
        {{"/install", "/log=C:\\My Logs\\表\" /qn"}, false, "a quote in a log with a blank", nullptr,
         "/log=\"C:\\My Logs\\表\" と書いて"},
        {{"/install", "\"/qn"}, false, "a quote before the option", nullptr, "付けないで"},
        {{"/install", "/qn\""}, false, "a quote after an option without a value", nullptr, "付けないで"},
        {{"/install", "/dir=\"C:\\Games\""}, false, "/dir=\\\"C:\\Games\\\": a quote at the start of the value",
         nullptr, "付けないで"},
        {{"/uninstall", "/variant=mwave"}, false, "/variant with /uninstall"},
        {{"/uninstall", "/readme"}, false, "/readme with /uninstall"},
        {{"/uninstall", "/disctimeout=5"}, false, "/disctimeout with /uninstall"},
        {{"/install", "/S"}, true, "/S is /silent", [](const CommandLine& c) { return c.silent && c.notes.size() == 1; }},
        {{"/uninstall", "/s", "/passive"}, false, "/S is a window mode"},
        {{"/uninstall", "/NoRestart", "/suppressmsgboxes", "/SP-"}, true, "habits of deployment scripts, each noted",
         [](const CommandLine& c) {
             return c.notes.size() == 3 && !c.silent && c.notes[0].find("再起動") != std::string::npos &&
                    c.notes[2].find("確認") != std::string::npos;
         }},
        {{"/install", "/norestart=1"}, false, "a value to a habit"},
        {{"/uninstall", "/readme"}, false, "the command is named", nullptr, "/uninstall では"},
    };
    for (const auto& r : rows) {
        std::string error;
        const auto cmd = ParseCommandLine(r.args, error);
        EXPECT_EQ(cmd.has_value(), r.ok) << r.why << ": " << error;
        if (cmd && r.holds) {
            EXPECT_TRUE(r.holds(*cmd)) << r.why;
        }
        if (r.says) {
            EXPECT_NE(error.find(r.says), std::string::npos) << r.why << ": " << error;
        }
    }
    std::string error;
    const auto cmd = ParseCommandLine(rows[1].args, error);
    ASSERT_TRUE(cmd);
    EXPECT_EQ(cmd->dir, "D:\\ゲーム");
    EXPECT_TRUE(cmd->mwave && cmd->launch && cmd->readme && cmd->silent);
    EXPECT_EQ(cmd->cd, 'Q');
    EXPECT_EQ(cmd->discTimeout, 30);
    EXPECT_EQ(cmd->log, "C:\\x.log");
}

constexpr const char* kRecordKey = "Software\\Maker\\ソフト表";
const std::string kDir = "C:\\Games\\ソフト表\\";

// The demo-like disc in Q:, the utility started from it.
class CommandLineRun : public FakeMachine {
protected:
    void SetUp() override {
        FakeMachine::SetUp();
        Disc(kBasicSetupInf);
    }
    void Disc(const std::string& setupInf, const std::string& extra = "") {
        InsertDisc('Q', "QUENDRIL1",
                   (setupInf + "TazuInstSize=24\r\nVolumeLabel1=QUENDRIL1\r\n" + extra + "[TAZ1]\r\nFile1=a.taz\r\n")
                       .c_str());
        for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "ovit_mwv.dll", "game.ico", "TAZ\\a.taz"})
            fake::AddFile(std::string("Q:\\InstData\\") + f, "data");
    }
    int Run(std::vector<std::string> args) {
        try {
            return RunFromCommandLine(args);
        } catch (const fake::ProcessExit& e) {
            return e.code;
        }
    }
    bool Shown(const std::string& form) {
        for (const std::string& e : fake::Events())
            if (e == "show " + form || e == "modal " + form) return true;
        return false;
    }
};

TEST_F(CommandLineRun, InstallThenUninstallWithoutAQuestionAndWithALog) {
    // A marker of another's making (it plans a file) is refused and stays until the installation's own.
    fake::RegSetString(kRecordKey, "Installing", "TazuStart install journal 1\r\nfolder\tC:\\U\\\r\nnew\tC:\\U\\a\r\nend\r\n");
    ASSERT_EQ(Run({"/install", "/dir=" + kDir, "/variant=mwave", "/log=C:\\install.log"}), kExitDone);
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_EQ(platform::ReadWholeFile(kDir + "ovit.dll"), "data");
    EXPECT_TRUE(fake::Boxes().empty());
    EXPECT_TRUE(fake::StartedProcesses().empty());  // no readme
    EXPECT_TRUE(fake::ShellOpens().empty());        // no game
    EXPECT_TRUE(Shown("TfrmCopyFile"));
    EXPECT_FALSE(Shown("TfrmInstMain") || Shown("TfrmCdRom") || Shown("TfrmGetInstallFile"));
    const std::string log = platform::ReadWholeFile("C:\\install.log").value_or("");
    const auto logged = [](Msg id, const std::vector<std::string>& args, const char* answer) {  // on one line
        std::string text = "メッセージ：" + TextOf(id, args) + " → " + answer;
        std::replace(text.begin(), text.end(), '\n', ' ');
        return text;
    };
    for (const std::string& line :
         {std::string("TazuStart /install /dir=C:\\Games\\ソフト表\\ /variant=mwave /log=C:\\install.log\r\n"),
          std::string("コピー：C:\\Games\\ソフト表\\TAZ\\a.taz\r\n"), std::string("空き容量："),
          logged(Msg::MwaveNotice, {}, "はい"), logged(Msg::InstallDone, {"ソフト表"}, "いいえ"),
          std::string("終了コード：0\r\n"), std::string("インストールの記録が正しい形ではないため、何も変更しません\r\n")})
        EXPECT_NE(log.find(platform::Cp932ToUtf8(line)), std::string::npos) << line;
    // A step of a command reaches the log through the reporter it was given.
    EXPECT_NE(log.find(platform::Cp932ToUtf8("プログラムの一覧に登録：")), std::string::npos);

    fake::Events().clear();
    ASSERT_EQ(Run({"/uninstall", "/silent", "/deletesaves"}), kExitDone);
    EXPECT_TRUE(fake::Tree(kDir).empty());
    EXPECT_FALSE(fake::RegKeyExists(kRecordKey));
    EXPECT_TRUE(fake::Boxes().empty());
    EXPECT_FALSE(Shown("TfrmDeleteFiles") || Shown("TfrmInstMain"));
}

TEST_F(CommandLineRun, EachWayToEndHasItsExitCode) {
    const struct {
        const char* why;
        std::function<void()> prepare;
        std::vector<std::string> args;
        int code;
    } rows[] = {
        {"cancelled in the progress window",
         [] { fake::OnProcessMessages([] { frmCopyFile->btnCancel.Click(); }); }, {}, kExitCancelled},
        {"bad arguments", [] { fake::SetConsole(true); }, {"/frobnicate"}, kExitBadArguments},
        {"a root as the folder", nullptr, {"/dir=C:\\"}, kExitBadArguments},
        {"no disc in the drive asked for", nullptr, {"/cd=R"}, kExitNoDisc},
        {"another disc", [] { fake::SetDrive('Q', fake::Drive{true, std::string("OTHER")}); }, {}, kExitNoDisc},
        {"no room", [] { fake::SetFreeSpace('C', 10); }, {}, kExitNoSpace},
        {"a source that cannot be read",
         [] { fake::SetFault("Q:\\InstData\\TAZ\\a.taz", fake::FileFault{true, {}, {}}); }, {}, kExitFailed},
        {"the game is running", [] { fake::Mutexes().insert("TazuEngineUnit"); }, {}, kExitRunning},
        {"another copy is running", [] { fake::Mutexes().insert("TazuUtility"); }, {}, kExitRunning},
        {"a folder that cannot be written", [] { fake::LockFolder("C:\\Games"); }, {}, kExitNotWritable},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        TearDown();
        SetUp();
        fake::AddDirectory("C:\\Games");
        if (r.prepare) r.prepare();
        std::vector<std::string> args{"/install", "/dir=C:\\Games\\ソフト表"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        EXPECT_EQ(Run(args), r.code);
        EXPECT_FALSE(fake::RegGetString(kRecordKey, "InstPath"));
        EXPECT_TRUE(fake::Tree(kDir).empty());
        EXPECT_TRUE(fake::Boxes().empty());
    }
    // /? and bad arguments go to the console the program was started from.
    fake::SetConsole(true);
    EXPECT_EQ(Run({"/?"}), kExitDone);
    EXPECT_NE(fake::ConsoleText().find("終了コード"), std::string::npos);
    EXPECT_TRUE(fake::Boxes().empty());
}

// A source that reads only at the third try installs; the log names the
// file at each try that failed.
TEST_F(CommandLineRun, ReadRetriesAreLoggedWithTheFile) {
    const std::string source = "Q:\\InstData\\TAZ\\a.taz";
    fake::SetFault(source, fake::FileFault{false, 0, {}, 2});
    ASSERT_EQ(Run({"/install", "/dir=" + kDir, "/log=C:\\install.log"}), kExitDone);
    // The copy form says it is retrying, and what it copies once it reads again.
    const auto& e = fake::Events();
    const auto retry = std::find(e.begin(), e.end(), "caption TfrmCopyFile.lblInstFile=a.taz を読み直しています...（2/4回目）");
    EXPECT_NE(std::find(retry, e.end(), "caption TfrmCopyFile.lblInstFile=a.taz をコピーしています..."), e.end());
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TAZ\\a.taz"), "data");
    std::set<std::string> retries;
    for (const std::string& line : LogLines(platform::ReadWholeFile("C:\\install.log").value_or("")))
        if (line.find(platform::Cp932ToUtf8(source)) != std::string::npos) retries.insert(line);
    EXPECT_EQ(retries.size(), 2u);
}

// Disc 2 is waited for up to the time-out, then the installation is rolled
// back; put in while waiting, it is installed from.
TEST_F(CommandLineRun, SecondDiscIsWaitedForUpToTheTimeOut) {
    for (const bool arrives : {false, true}) {
        SCOPED_TRACE(arrives);
        TearDown();
        SetUp();
        Disc(kBasicSetupInf, "TotalDisc=2\r\nVolumeLabel2=QUENDRIL2\r\n[TAZ2]\r\nFile1=b.taz\r\n");
        if (arrives) {
            fake::OnWait([](int waited) {
                if (waited < 2000) return;
                fake::SetDrive('Q', fake::Drive{true, std::string("QUENDRIL2")});
                fake::AddFile("Q:\\InstData\\TAZ\\b.taz", "two");
            });
        }
        fake::SetConsole(true);
        EXPECT_EQ(Run({"/install", "/dir=" + kDir, "/disctimeout=3"}), arrives ? kExitDone : kExitNoDisc);
        // The prompt is a question: the reason is the disc that did not come.
        if (!arrives) {
            EXPECT_NE(fake::ConsoleErrorText().find("3秒待っても"), std::string::npos) << fake::ConsoleErrorText();
        }
        EXPECT_EQ(fake::Waited(), arrives ? 2000 : 3000);
        EXPECT_EQ(platform::FileExists(kDir + "TAZ\\b.taz"), arrives);
        EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath").has_value(), arrives);
    }
}

}  // namespace

namespace {

// The run log lands nowhere the command works on: a log named inside the
// install folder (a save file, Setup.log, a library) is refused before
// anything is written, also when the folder is the proposed one. A guard
// that refuses the run first leaves an existing log file untouched.
TEST_F(CommandLineRun, ALogInsideTheInstallFolderIsRefusedAndNothingIsWritten) {
    struct Row {
        const char* why;
        std::vector<std::string> args;
    };
    const Row rows[] = {
        {"a save of the installed game", {"/uninstall", "/keepsaves", "/log=" + kDir + "DAT\\TazSav01.dat"}},
        {"its Setup.log, spelled otherwise", {"/uninstall", "/log=C:/GAMES/ソフト表/./setup.LOG"}},
        {"a library the install replaces", {"/install", "/dir=C:\\Games\\Other", "/log=C:\\Games\\Other\\ovit.dll"}},
        {"the proposed folder", {"/install", "/log=C:\\Program Files\\Game\\install.log"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        TearDown();
        SetUp();
        if (r.args[0] == "/uninstall") {
            fake::RegSetString(kRecordKey, "InstPath", kDir);
            fake::AddFile(kDir + "Tazu.exe", "exe");
            fake::AddFile(kDir + "DAT\\TazSav01.dat", "SAVE");
            fake::AddFile(kDir + "Setup.log", kDir + "Tazu.exe\r\n" + kDir + "DAT\\TazSav01.dat\r\n");
        }
        fake::AddFile("C:\\Games\\Other\\ovit.dll", "LIB");
        const auto before = fake::Files();
        EXPECT_EQ(Run(r.args), kExitBadArguments);
        EXPECT_EQ(fake::Files(), before);
    }
    // Refused as running: the log named is not even emptied.
    TearDown();
    SetUp();
    fake::AddFile("C:\\keep.log", "EARLIER RUN");
    fake::Mutexes().insert("TazuEngineUnit");
    EXPECT_EQ(Run({"/install", "/log=C:\\keep.log"}), kExitRunning);
    EXPECT_EQ(platform::ReadWholeFile("C:\\keep.log"), "EARLIER RUN");
}

// Installed means the files are there: after an uninstall that could not
// finish, the record stays with Tazu.exe gone, or a listed game file is
// missing; /install says so with its own code. Save data the player
// deleted does not count.
TEST_F(CommandLineRun, InstallOverAnIncompleteInstallationHasItsOwnCode) {
    const auto installed = [&] {
        fake::RegSetString(kRecordKey, "InstPath", kDir);
        for (const char* f : {"Tazu.exe", "TAZ\\a.taz"}) fake::AddFile(kDir + f, "x");
        fake::AddFile(kDir + "Setup.log", kDir + "Tazu.exe\r\n" + kDir + "TAZ\\a.taz\r\n" + kDir + "DAT\\TazSav00.dat\r\n");
    };
    installed();
    EXPECT_EQ(Run({"/install", "/dir=" + kDir}), kExitDone);
    // Installed in another folder: its own code, and nothing is made there.
    EXPECT_EQ(Run({"/install", "/dir=C:\\Elsewhere"}), kExitInstalledElsewhere);
    EXPECT_FALSE(platform::DirectoryExists("C:\\Elsewhere"));
    for (const char* gone : {"Tazu.exe", "TAZ\\a.taz", "Setup.log"}) {
        SCOPED_TRACE(gone);
        TearDown();
        SetUp();
        installed();
        fake::RemoveFile(kDir + gone);
        EXPECT_EQ(Run({"/install", "/dir=" + kDir, "/log=C:\\i.log"}), kExitIncomplete);
        EXPECT_NE(platform::ReadWholeFile("C:\\i.log").value_or("").find(platform::Cp932ToUtf8("インストールが不完全です")),
                  std::string::npos);
    }
}

// A character code page 932 lacks would reach the path model as Windows'
// best fit ("\u00A5" as a backslash): such arguments are refused outright.
TEST_F(CommandLineRun, ArgumentsThatDoNotConvertExactlyAreRefused) {
    fake::SetInexactArguments(true);
    fake::SetArguments({"/install", "/dir=C:\\Games\\X?..?Y"});
    fake::SetConsole(true);
    EXPECT_EQ(UtilityMain(), kExitBadArguments);
    EXPECT_NE(fake::ConsoleErrorText().find("シフトJIS"), std::string::npos);
    EXPECT_TRUE(fake::Tree("C:\\Games").empty());
}

}  // namespace

namespace {

// Each way a command ends has the code the README's table gives it; a new
// outcome without one does not compile (the switches have no default).
TEST(ExitCodes, EachOutcomeHasItsCode) {
    const std::pair<InstallOutcome, int> install[] = {
        {InstallOutcome::Done, kExitDone},          {InstallOutcome::FolderRefused, kExitBadArguments},
        {InstallOutcome::Declined, kExitCancelled}, {InstallOutcome::FolderNotMade, kExitNotWritable},
        {InstallOutcome::NotWritable, kExitNotWritable}, {InstallOutcome::NoSpace, kExitNoSpace},
        {InstallOutcome::NoDisc, kExitNoDisc},      {InstallOutcome::Cancelled, kExitCancelled},
        {InstallOutcome::Failed, kExitFailed},      {InstallOutcome::RollbackIncomplete, kExitRollbackIncomplete},
    };
    for (const auto& [outcome, code] : install) EXPECT_EQ(ExitCodeOf(outcome), code) << static_cast<int>(outcome);
    const std::pair<UninstallOutcome, int> uninstall[] = {
        {UninstallOutcome::Done, kExitDone},         {UninstallOutcome::Declined, kExitCancelled},
        {UninstallOutcome::LogMissing, kExitFailed}, {UninstallOutcome::RecordKept, kExitFailed},
        {UninstallOutcome::Incomplete, kExitFailed},
    };
    for (const auto& [outcome, code] : uninstall) EXPECT_EQ(ExitCodeOf(outcome), code) << static_cast<int>(outcome);
}

// Every question and message, each by its id: its words byte for byte, its
// buttons, icon, default button and caption (none: the application title).
TEST(Messages, EachIdHasExactlyItsDefinition) {
    using platform::MbButtons, platform::MbIcon, platform::MbDefault;
    constexpr MbButtons Ok = MbButtons::Ok, YesNo = MbButtons::YesNo, OkCancel = MbButtons::OkCancel;
    constexpr MbIcon Warning = MbIcon::Warning, Information = MbIcon::Information, Question = MbIcon::Question,
                     Error = MbIcon::Error;
    constexpr MbDefault First = MbDefault::Button1, Second = MbDefault::Button2;
    const struct {
        Msg id;
        const char* text;
        MbButtons buttons;
        MbIcon icon;
        MbDefault def;
        const char* caption = nullptr;
    } rows[] = {
        {Msg::SetupInfMissing, "インストール情報ファイルが見つかりません。\nインストールを中止します。", Ok, Error, First},
        {Msg::SetupInfIncomplete, "インストール情報ファイルに必要な情報が記述されていません。", Ok, Error, First},
        {Msg::FolderEmpty, "インストール先のフォルダを入力して下さい。", Ok, Warning, First},
        {Msg::FolderNotAbsolute, "インストールするフォルダは絶対パスで入力してください。", Ok, Warning, First},
        {Msg::FolderNameInvalid, "フォルダ名に使用できない文字（\\ / : * ? \" < > |）や名前が含まれています。\n\n[ %s ]\n\n"
         "インストール先のフォルダを入力し直して下さい。", Ok, Warning, First},
        {Msg::FolderEndsInDotOrBlank, "フォルダ名の末尾にピリオド（.）や空白は使えません。\n"
         "Windowsはこれを取り除き、別の名前のフォルダとして扱います。", Ok, Warning, First},
        {Msg::FolderIsRoot, "インストールするフォルダにルートは指定できません。", Ok, Warning, First},
        {Msg::MwaveNotice, "IBM社製パソコンAptivaシリーズの「M-WAVE」音源搭載機種や、Maestro系の音源チップ搭載ボード、\n"
         "NEC社製パソコンV20CバリュースターNX、富士通社製FM-Vシリーズ等で問題が発生する場合以外は\n"
         "「通常PCM音源版」でインストールしてください。　（詳しくは取扱説明書をお読みください）\n\n"
         "「M-WAVE対策版」でインストールを行いますか？", YesNo, Question, Second, "M-WAVE音源対策版インストールについて"},
        {Msg::FolderExists, "インストール先のフォルダは既に存在します。\n"
         "セーブデータが残っている場合は、残っているセーブデータがそのまま使用されます。", Ok, Information, First},
        {Msg::CreateFolder, "インストール先のフォルダが存在しません。\n新しく作成しますか？", YesNo, Question, First},
        {Msg::FolderNotMade, "フォルダの作成に失敗しました。", Ok, Warning, First},
        {Msg::NotWritable, "インストール先のフォルダに書き込めません。\n\n[ %s ]\n\n"
         "書き込みできるフォルダを指定して、再度インストールしてください。", Ok, Warning, First},
        {Msg::NoSpace, "インストール先の空き容量が足りません。\n空き容量を十分に確保してから再度インストールしてください。\n\n"
         "必要容量：%sMB", Ok, Warning, First},
        {Msg::DiscPrompt, "『%s』の%sをCD-ROMドライブにセットしてください。", OkCancel, Question, First},
        {Msg::NoMemory, "メモリの確保に失敗しました。\n動作中のアプリケーションを全て終了して再実行してください。", Ok, Error, First},
        {Msg::CancelQuestion, "インストールを中止しますか？\n\n中止すると正しくインストールは行われません。\n"
         "正しくインストールを行うには再度インストールを行う必要があります。", YesNo, Question, Second},
        {Msg::CopyFailed, "ファイルのコピーに失敗しました。\n\n[ %s ]", Ok, Error, First},
        {Msg::NotEnded, "インストールは正しく終了しませんでした。", Ok, Warning, First},
        {Msg::RollbackIncomplete, "インストールは正しく終了しませんでした。\nコピーしたファイルを元に戻す処理を最後まで行えませんでした。\n"
         "次回の起動時に続きを行います。", Ok, Warning, First},
        {Msg::InstallDone, "インストールが完了しました。\n\n『%s』\n\nを今すぐ起動しますか？", YesNo, Question, First},
        {Msg::StartFailed, "『%s』の起動に失敗しました。", Ok, Warning, First},
        {Msg::ReadmeFailed, "Readme.txtの表示に失敗しました。\nReadme.txtを読む場合はCD-ROM内のReadme.txtを参照してください。",
         Ok, Information, First},
        {Msg::UninstallStart, "インストールされている\n\n『%s』\n\nの削除を開始します。", YesNo, Question, Second},
        {Msg::DeleteSaves, "セーブデータを削除しますか？\n\nセーブデータを削除する場合は「はい」を、\n"
         "セーブデータを残す場合は「いいえ」を選択してください。", YesNo, Question, Second},
        {Msg::LogMissing, "Setup.logが見つかりません。\n『%s』の削除は行えません。", Ok, Warning, First},
        {Msg::LogEmpty, "Setup.logに削除するファイルが記録されていません。\n『%s』の削除は行えません。", Ok, Warning, First},
        {Msg::UninstallDone, "『%s』の削除が完了しました。", Ok, Information, First},
        {Msg::RecordNotRemoved, "『%s』のファイルは削除しましたが、インストール情報を削除できませんでした。\n"
         "ゲームのCD-ROMのメニューで「インストール情報削除」を行ってください。", Ok, Warning, First},
        {Msg::RecordNotRemovedApps, "『%s』のファイルは削除しましたが、インストール情報を削除できませんでした。\n"
         "Windowsの「アプリ」（「プログラムと機能」）から、もう一度アンインストールを行ってください。\n"
         "ゲームのCD-ROMのメニューの「インストール情報削除」でも削除できます。", Ok, Warning, First},
        {Msg::UninstallIncomplete, "『%s』の削除を完了できませんでした。\n\n使用中などの理由で削除できなかったファイルが%s個、\n"
         "次のフォルダに残っています。\n\n[ %s ]\n%s\nファイルを使用しているプログラムを終了してから、\n"
         "もう一度削除を行ってください。", Ok, Warning, First},
        {Msg::HandOverFailed, "『%s』の削除を開始できませんでした。\n\n%s", Ok, Warning, First},
        {Msg::KeptSetupUnreadable, "削除に必要なインストール情報ファイルを読み込めないため、\n削除を開始できませんでした。\n\n[ %s ]",
         Ok, Warning, First},
        {Msg::NoLongerInstalled, "『%s』はすでにインストールされていません。\nプログラムの一覧から『%s』の登録を削除しました。",
         Ok, Information, First},
        {Msg::FolderGoneForgotten, "『%s』のインストール先のフォルダが見つかりません。\n\n[ %s ]\n\n"
         "インストール情報とプログラムの一覧の登録を削除しました。", Ok, Information, First},
        {Msg::LogMissingForget, "Setup.logが見つからないため、『%s』のファイルは削除できません。\n次のフォルダのファイルはそのまま残ります。\n"
         "\n[ %s ]\n\nインストール情報とプログラムの一覧の登録だけを削除しますか？", YesNo, Question, Second},
        {Msg::ListEntryForgotten, "『%s』のインストール情報とプログラムの一覧の登録を削除しました。\n次のフォルダのファイルは残っています。\n\n"
         "[ %s ]", Ok, Information, First},
        {Msg::RemoveQuestion, "インストール情報の削除を行います。\n\nこの作業はインストール情報を強制的に削除しますので、\n"
         "ゲームを手で消してしまったなどでインストールが\n行えなくなってしまった場合のみ実行してください。\n"
         "作業終了後、インストールが可能になります。\n\n作業を開始してよろしいですか？", YesNo, Question, Second},
        {Msg::RemoveDone, "インストール情報の削除が完了しました。", Ok, Information, First},
        {Msg::RemoveFailed, "インストール情報を削除できませんでした。\nもう一度「インストール情報削除」を行ってください。", Ok, Warning, First},
        {Msg::ChangeQuestion, "インストール情報の変更を行います。\n\nこの作業はインストール情報を強制的に変更しますので、\n"
         "ドライブ構成が変わったなどでゲームの起動や削除が\n行えなくなってしまった場合のみ実行してください。\n\n"
         "作業を開始してよろしいですか？", YesNo, Question, Second},
        {Msg::ChangeAbandoned, "インストール情報の変更を中止しました。", Ok, Information, First},
        {Msg::NotInstalledThere, "選択されたフォルダにはゲームがインストールされていません。", Ok, Information, First},
        {Msg::RootNotInstallFolder, "ドライブのルートは、ゲームのインストール先にはなりません。\nインストール情報は変更していません。\n"
         "「インストール情報変更」で、ゲームがインストールされているフォルダを選び直して下さい。", Ok, Information, First},
        {Msg::ChangeFailed, "インストール情報を変更できませんでした。\n"
         "選択されたフォルダのSetup.logを書き換えられなかったため、何も変更していません。\n"
         "フォルダに書き込みできることを確かめてから、もう一度「インストール情報変更」を行ってください。", Ok, Error, First},
        {Msg::ChangeDone, "インストール情報の変更が完了しました。", Ok, Information, First},
        {Msg::DirectXMissing, "DirectX 8.1b セットアッププログラムが見つかりません。", Ok, Error, First},
        {Msg::DirectXStartFailed, "DirectX 8.1b セットアッププログラムの起動に失敗しました。", Ok, Warning, First},
        {Msg::Error, "%s", Ok, Error, First},
    };
    // One row per id, in the order of the ids, up to the last.
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(Msg::Error) + 1);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& want = rows[i];
        const MessageDef& m = MessageOf(want.id);
        SCOPED_TRACE(i);
        EXPECT_EQ(static_cast<std::size_t>(want.id), i);
        EXPECT_EQ(m.id, want.id);
        EXPECT_EQ(std::string(m.text), want.text);
        EXPECT_EQ(std::tie(m.buttons, m.icon, m.def), std::tie(want.buttons, want.icon, want.def));
        EXPECT_EQ(std::string(m.caption ? m.caption : "-"), want.caption ? want.caption : "-");
    }
    EXPECT_EQ(TextOf(Msg::DiscPrompt, {"ソフト表", "ディスク２"}), "『ソフト表』のディスク２をCD-ROMドライブにセットしてください。");
}

}  // namespace

namespace {

// Without /log, the reason of a failure still reaches whoever started the
// run from a console: one line on its error output. A log starts with the
// UTF-8 byte-order mark that older tools need to read it as UTF-8.
TEST_F(CommandLineRun, AFailureSaysWhyOnTheConsoleAndTheLogIsMarkedUtf8) {
    fake::SetConsole(true);
    fake::SetFreeSpace('C', 10);
    EXPECT_EQ(Run({"/install", "/dir=" + kDir}), kExitNoSpace);
    const std::string errors = fake::ConsoleErrorText();
    EXPECT_NE(errors.find(TextOf(Msg::NoSpace).substr(0, TextOf(Msg::NoSpace).find('\n'))), std::string::npos) << errors;
    EXPECT_NE(errors.find("（終了コード 4）\n"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1);

    TearDown();
    SetUp();
    fake::SetConsole(true);
    EXPECT_EQ(Run({"/install", "/dir=" + kDir, "/log=C:\\i.log"}), kExitDone);
    EXPECT_EQ(fake::ConsoleErrorText(), "");
    EXPECT_EQ(platform::ReadWholeFile("C:\\i.log").value_or("").substr(0, 3), "\xEF\xBB\xBF");
}

}  // namespace

namespace {

// /? shows in a message box as well as on a console: no blanks that line
// things up in columns (a proportional font lines nothing up), and no line
// wider than a console (a code page 932 byte is a console column).
TEST(CommandLineHelp, ReadsInAMessageBoxAndOnAConsole) {
    const std::string help = kCommandLineHelp;
    std::string line;
    bool blankBefore = true;  // a blank at the start of a line is an indent
    for (std::string::size_type i = 0; i < help.size(); ++i) {
        if (help[i] == '\n') {
            EXPECT_LE(line.size(), 80u) << line;
            line.clear();
            blankBefore = true;
            continue;
        }
        const bool wide = sjis::IsLeadByte(static_cast<unsigned char>(help[i]));
        const std::string c = help.substr(i, wide ? 2 : 1);
        const bool blank = c == " " || c == "　";
        EXPECT_FALSE(blank && blankBefore) << "a blank that lines things up: " << line;
        blankBefore = blank;
        line += c;
        i += c.size() - 1;
    }
    EXPECT_TRUE(line.empty()) << "the help ends with a line end";
}

}  // namespace

namespace {

// /log alone: the log goes to the temporary folder under the program's name
// with the date and time, the console is told where, a second run of the
// same second takes the next name, and every line carries its time.
TEST_F(CommandLineRun, LogAloneGoesToTheTemporaryFolderAndSaysWhere) {
    const std::string first = std::string(fake::kTempFolder) + "\\TazuStart-20240517-123456.log";
    fake::SetConsole(true);
    fake::RegSetString(kRecordKey, "InstPath", "");
    EXPECT_EQ(Run({"/uninstall", "/log"}), kExitDone);
    EXPECT_NE(fake::ConsoleText().find("ログ：" + first + "\n"), std::string::npos) << fake::ConsoleText();
    const std::string log = platform::ReadWholeFile(first).value_or("");
    EXPECT_NE(log.find("\xEF\xBB\xBF" "12:34:56 TazuStart /uninstall /log\r\n"), std::string::npos) << log;
    EXPECT_EQ(Run({"/uninstall", "/log"}), kExitDone);
    EXPECT_TRUE(platform::FileExists(std::string(fake::kTempFolder) + "\\TazuStart-20240517-123456-2.log"));
    EXPECT_EQ(platform::ReadWholeFile(first).value_or(""), log);
}

}  // namespace

namespace {

// A run that ends before its folders are known writes its log (why, and the
// code) only as a new file or over an earlier log; the console has the reason once.
TEST_F(CommandLineRun, ARunThatEndsEarlyWritesItsLogWithTheReason) {
    const struct {
        const char* why;
        std::function<void()> prepare;
        std::vector<std::string> args;
        int code;
        const char* says;
    } rows[] = {
        {"no disc", nullptr, {"/cd=R"}, kExitNoDisc, "Setup.inf のあるディスクが見つかりません"},
        {"another label", [] { fake::SetDrive('Q', fake::Drive{true, std::string("OTHER")}); }, {}, kExitNoDisc,
         "QUENDRIL1 ではありません"},
        {"running", [] { fake::Mutexes().insert("TazuUtility"); }, {}, kExitRunning, "すでに実行中"},
        {"an argument after the log", nullptr, {"/frobnicate"}, kExitBadArguments, "不明な引数です：/frobnicate"},
        {"an incomplete Setup.inf", [] { fake::AddFile("Q:\\Setup.inf", "[Setting]\r\n"); }, {}, kExitNoDisc,
         "インストール情報ファイルに必要な情報が記述されていません。"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        TearDown();
        SetUp();
        fake::SetConsole(true);
        if (r.prepare) r.prepare();
        std::vector<std::string> args{"/install", "/log=C:\\i.log"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        EXPECT_EQ(Run(args), r.code);
        const std::string log = platform::ReadWholeFile("C:\\i.log").value_or("");
        EXPECT_NE(log.find(platform::Cp932ToUtf8(r.says), log.find(platform::Cp932ToUtf8("終了の理由："))), std::string::npos);
        EXPECT_NE(log.find(platform::Cp932ToUtf8("終了コード：" + std::to_string(r.code) + "\r\n")), std::string::npos);
        const std::string errors = fake::ConsoleErrorText();
        EXPECT_NE(errors.find(r.says, errors.find("TazuStart: ")), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_EQ(fake::ConsoleText(), "");  // the help is for /? only; an argument error points at it
        EXPECT_EQ(errors.find("/?") != std::string::npos, r.code == kExitBadArguments) << errors;
    }
    // An earlier run's log is replaced; a file that is none is left as it
    // was, and the console says why there is no log.
    TearDown();
    SetUp();
    fake::SetConsole(true);
    fake::AddFile("C:\\i.log", "\xEF\xBB\xBF" "09:05:07 TazuStart /install\r\n");
    EXPECT_EQ(Run({"/install", "/cd=R", "/log=C:\\i.log"}), kExitNoDisc);
    const std::string log = platform::ReadWholeFile("C:\\i.log").value_or("");
    EXPECT_EQ(log.find("/cd=R"), log.find("TazuStart") + 19) << log;
    fake::AddFile("C:\\keep.log", "\xEF\xBB\xBF" "12:34:56 TazuStar");
    EXPECT_EQ(Run({"/install", "/cd=R", "/log=C:\\keep.log"}), kExitNoDisc);
    EXPECT_EQ(platform::ReadWholeFile("C:\\keep.log"), "\xEF\xBB\xBF" "12:34:56 TazuStar");
    EXPECT_NE(fake::ConsoleErrorText().find("確かめられないため"), std::string::npos);
    EXPECT_NE(fake::ConsoleErrorText().find("TazuStart: Setup.inf のある"), std::string::npos);  // the reason stays
    fake::AddDirectory("C:\\G");  // nowhere /dir names, even before the folders are known
    EXPECT_EQ(Run({"/install", "/cd=R", "/dir=C:\\G", "/log=C:\\G\\i.log"}), kExitNoDisc);
    EXPECT_FALSE(platform::FileExists("C:\\G\\i.log"));
}

// A /dir no installation could go into is refused as such (2) before it is
// compared with the installed game's folder (9); the log says what the path
// model found.
TEST_F(CommandLineRun, ABadDirIsToldBeforeTheInstalledGameIsAskedAbout) {
    const std::pair<const char*, const char*> rows[] = {{"C:\\", "ルートは指定できません"}, {"games", "絶対パスで"},
        {"C:\\a<b", "使用できない文字「<」"}, {"C:\\x.", "末尾にピリオド"}, {"C:\\CON\\x", "予約している名前「CON」"}};
    fake::RegSetString(kRecordKey, "InstPath", kDir);
    fake::AddFile(kDir + "Tazu.exe", "x");
    for (const auto& [dir, says] : rows) {
        SCOPED_TRACE(dir);
        EXPECT_EQ(Run({"/install", std::string("/dir=") + dir, "/log=C:\\i.log"}), kExitBadArguments);
        const std::string log = platform::ReadWholeFile("C:\\i.log").value_or("");
        EXPECT_NE(log.find(platform::Cp932ToUtf8(says)), std::string::npos) << log;
    }
    EXPECT_EQ(Run({"/install", "/dir=C:\\Elsewhere"}), kExitInstalledElsewhere);
}

}  // namespace
