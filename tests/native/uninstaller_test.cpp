// The uninstaller an installation keeps, as the list of installed programs
// starts it: the hand-over to a copy in the temporary folder, the
// uninstall without the disc, and nothing of the game left afterwards.
#include <functional>

#include "maintenance/appsentry.h"
#include "shell/uninstaller.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/mutex.h"
#include "platform/sjis.h"
#include "shell/cmdline.h"
#include "shell/main.h"
#include "test_support.h"

namespace {

using platform::MbResult;

constexpr const char* kRecordKey = "Software\\Maker\\ソフト表";
constexpr const char* kEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Maker_ソフト表";
const std::string kDir = "C:\\Games\\ソフト表\\";
const std::string kBase = "C:\\Users\\Player\\AppData\\Local\\TazuStart";
const std::string kKept = kBase + "\\Maker_ソフト表\\";
const std::string kTempCopyFolder = std::string(fake::kTempFolder) + "\\TazuStart-1";
const std::string kTempCopy = kTempCopyFolder + "\\TazuStart.exe";
const std::string kLink = "C:\\Users\\Player\\Start Menu\\Programs\\Maker\\Game\\ソフト表.lnk";

// The command line as the system splits it: blanks part arguments outside
// quotes; 2n backslashes before a quote give n and the quote opens or
// closes, 2n+1 give n and a quote; other backslashes stand for themselves.
// The second byte of a double-byte character is no backslash.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false, any = false;
    std::size_t backslashes = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            arg.append(backslashes / 2, '\\');
            if (backslashes % 2) arg += '"';
            else quoted = !quoted;
            backslashes = 0;
            any = true;
            continue;
        }
        arg.append(backslashes, '\\');
        backslashes = 0;
        if ((c == ' ' || c == '\t') && !quoted) {
            if (any || !arg.empty()) args.push_back(arg);
            arg.clear();
            any = false;
            continue;
        }
        arg += c;
        if (sjis::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < line.size()) arg += line[++i];
    }
    arg.append(backslashes, '\\');
    if (any || !arg.empty()) args.push_back(arg);
    return args;
}

TEST(KeptUninstallerArguments, QuotedArgumentsSplitBackWhole) {
    const std::string args[] = {
        "/uninstall", "/log=C:\\log dir\\u.log", "C:\\ends in\\", "say \"hi\"", "a\\\\\"b", "ソ", "表\"", "",
    };
    std::string line = QuotedArgument("C:\\Temp\\TazuStart-1\\TazuStart.exe");
    for (const std::string& arg : args) line += " " + QuotedArgument(arg);
    const auto split = SplitCommandLine(line);
    ASSERT_EQ(split.size(), std::size(args) + 1);
    EXPECT_EQ(split[0], "C:\\Temp\\TazuStart-1\\TazuStart.exe");
    for (std::size_t i = 0; i < std::size(args); ++i) EXPECT_EQ(split[i + 1], args[i]);
}

class KeptUninstaller : public FakeMachine {
protected:
    void SetUp() override {
        FakeMachine::SetUp();
        InsertDisc('Q', "QUENDRIL1",
                   (std::string(kBasicSetupInf) +
                    "TazuInstSize=40\r\nVolumeLabel1=QUENDRIL1\r\n[DAT1]\r\nFile1=TazSav00.dat\r\n[TAZ1]\r\nFile1=a.taz\r\n")
                       .c_str());
        for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\TazSav00.dat", "TAZ\\a.taz"})
            fake::AddFile(std::string("Q:\\InstData\\") + f, std::string("disc ") + f);
        fake::AddDirectory("C:\\Games");
        // Installed from the menu; then the disc is taken out.
        RestartUtility();
        fake::QueueAnswer(MbResult::Yes);
        fake::QueueAnswer(MbResult::No);
        frmInstMain->edtInst.SetText(kDir);
        frmInstMain->btnStart1.Click();
        EndProcess();
        fake::SetDrive('Q', fake::Drive{true, std::nullopt});
        for (const std::string& f : fake::Tree("Q:\\"))
            if (f.back() != '\\') fake::RemoveFile(f);
    }
    void EndProcess() {
        delete frmInstMain;
        frmInstMain = nullptr;
        fake::ProcessDied();
        InstConfig.~TInstConfig();
        new (&InstConfig) TInstConfig();
    }
    // This program started as `commandLine` says; `meanwhile` sets up what
    // this run meets (the answers the user gives).
    int Start(const std::string& commandLine, const std::function<void()>& meanwhile = nullptr) {
        EndProcess();
        if (meanwhile) meanwhile();
        const auto args = SplitCommandLine(commandLine);
        fake::SetExecutableFolder(sjis::FolderPart(args.at(0)));
        fake::SetExecutableName(sjis::LastPathComponent(args.at(0)));
        fake::SetArguments(std::vector<std::string>(args.begin() + 1, args.end()));
        return UtilityMain();
    }
    // The list of programs starts the entry's uninstall string; the kept
    // copy hands over. The command line of the copy it started.
    std::string StartFromTheList(const char* value = "UninstallString") {
        const auto uninstall = fake::RegGetString(kEntry, value);
        EXPECT_TRUE(uninstall);
        EXPECT_EQ(Start(uninstall.value_or("")), kExitDone);
        EXPECT_EQ(fake::StartedProcesses().size(), 1u);
        return fake::StartedProcesses().empty() ? std::string() : fake::StartedProcesses().back().commandLine;
    }
    static bool NothingOfTheGameLeft() {
        return fake::Tree(kDir).empty() && !fake::RegKeyExists(kRecordKey) && !fake::RegKeyExists(kEntry) &&
               !platform::FileExists(kLink) && fake::Tree(kBase).empty();
    }
};

// From the list without the disc: the kept copy only copies itself into a
// folder of its own in the temporary folder and starts it; the copy asks
// the menu's questions, shows the deleting window and the completion, and
// leaves nothing of the game: install folder, record, shortcut, entry and
// the kept uninstaller. Then it has a hidden command prompt delete itself
// and its folder.
TEST_F(KeptUninstaller, FromTheListWithoutTheDiscNothingOfTheGameStays) {
    // A copy a run cut short left goes first; a folder holding another's file stays.
    const std::string temp = std::string(fake::kTempFolder) + "\\";
    fake::AddFile(temp + "TazuStart-10\\TazuStart.exe", "left");
    fake::AddFile(temp + "TazuStart-2\\mine.txt", "MINE");
    const std::string copy = StartFromTheList();
    EXPECT_FALSE(platform::DirectoryExists(temp + "TazuStart-10"));
    EXPECT_TRUE(platform::FileExists(temp + "TazuStart-2\\mine.txt"));
    EXPECT_EQ(fake::StartedProcesses().back().application, kTempCopy);
    EXPECT_EQ(fake::StartedProcesses().back().directory, kTempCopyFolder + "\\");
    EXPECT_EQ(platform::ReadWholeFile(kTempCopy), platform::ReadWholeFile(kKept + "TazuStart.exe"));
    EXPECT_EQ(SplitCommandLine(copy), (std::vector<std::string>{kTempCopy, "/uninstall", "/keptcopy=" + kKept.substr(0, kKept.size() - 1)}));
    EXPECT_TRUE(fake::Boxes().empty());
    EXPECT_TRUE(fake::RegKeyExists(kEntry));  // nothing is removed by the kept copy

    EXPECT_EQ(Start(copy,
                    [] {
                        fake::QueueAnswer(MbResult::Yes);  // start the removal
                        fake::QueueAnswer(MbResult::Yes);  // delete the save data
                    }),
              kExitDone);
    EXPECT_EQ(BoxIds(), (std::vector<Msg>{Msg::UninstallStart, Msg::DeleteSaves, Msg::UninstallDone}));
    EXPECT_EQ(fake::Boxes()[2].caption, "『ソフト表』　起動ユーティリティ");
    const auto& events = fake::Events();
    EXPECT_NE(std::find(events.begin(), events.end(), "show TfrmDeleteFiles"), events.end());
    EXPECT_TRUE(NothingOfTheGameLeft()) << ::testing::PrintToString(fake::Tree(kBase));

    ASSERT_EQ(fake::StartedProcesses().size(), 2u);
    const fake::Started& removal = fake::StartedProcesses().back();
    EXPECT_TRUE(removal.hidden);
    EXPECT_EQ(removal.application, "C:\\WINDOWS\\System32\\cmd.exe");
    // No AutoRun, no delayed expansion, and no text of the user's: the
    // prompt works in the temporary folder by the names this program chose.
    EXPECT_EQ(removal.commandLine.compare(0, 21, "cmd.exe /d /v:off /c "), 0) << removal.commandLine;
    EXPECT_EQ(removal.commandLine.find("Users"), std::string::npos) << removal.commandLine;
    EXPECT_NE(removal.commandLine.find("del /f /q TazuStart-1\\TazuStart.exe "), std::string::npos);
    EXPECT_NE(removal.commandLine.find("rmdir TazuStart-1 "), std::string::npos);
    EXPECT_NE(removal.commandLine.find("(\"C:\\WINDOWS\\System32\\PING.EXE\" -n 2 "), std::string::npos);  // not one of the temporary folder
    EXPECT_EQ(removal.directory, std::string(fake::kTempFolder) + "\\");
    EXPECT_TRUE(platform::FileExists(kTempCopy));  // until this process has ended
    EXPECT_FALSE(platform::FileExists(kTempCopyFolder + "\\TazuStart.result"));
}

// The quiet uninstall string asks nothing and shows nothing, and keeps the
// save data as the command line does by default.
TEST_F(KeptUninstaller, QuietRemovalAsksNothingAndShowsNothing) {
    const std::string copy = StartFromTheList("QuietUninstallString");
    EXPECT_EQ(SplitCommandLine(copy).at(2), "/silent");
    EXPECT_EQ(Start(copy), kExitDone);
    EXPECT_TRUE(fake::Boxes().empty());
    for (const std::string& e : fake::Events()) EXPECT_NE(e.compare(0, 5, "show "), 0) << e;
    EXPECT_EQ(fake::Tree(kDir), (std::vector<std::string>{sjis::FoldCase(kDir), sjis::FoldCase(kDir + "DAT\\"),
                                                          sjis::FoldCase(kDir + "DAT\\TazSav00.dat"),
                                                          sjis::FoldCase(kDir + "Setup.log")}));
    EXPECT_FALSE(fake::RegKeyExists(kEntry));
    EXPECT_TRUE(fake::Tree(kBase).empty());
}

// A copy works only on a kept folder: another folder named to it is
// refused before anything happens.
TEST_F(KeptUninstaller, TheCopyIsRefusedAnyOtherFolder) {
    const std::string quotedCopy = QuotedArgument(kTempCopy);
    fake::AddFile(kTempCopy, "MZ");
    fake::AddFile(kBase + "\\Other\\x.txt", "not an uninstaller");
    fake::AddFile(kKept + "Deeper\\Setup.inf", "[Setting]\r\n");
    for (const std::string& folder :
         {std::string("C:\\"), kDir, kBase, kBase + "\\Other", kBase + "\\None", kKept + "Deeper"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(Start(quotedCopy + " /uninstall " + QuotedArgument("/keptcopy=" + folder)), kExitBadArguments);
        EXPECT_TRUE(fake::RegKeyExists(kRecordKey));
        EXPECT_TRUE(platform::FileExists(kDir + "Tazu.exe"));
        EXPECT_TRUE(fake::StartedProcesses().empty());
    }
}

// The kept copy returns only when the removal has ended, with the
// removal's own code: the one its copy leaves written whole, or the copy's
// own exit code when it ended without one (refused, killed).
TEST_F(KeptUninstaller, TheKeptCopyReturnsTheRemovalsCodeWhenItEnded) {
    const std::string result = kTempCopyFolder + "\\TazuStart.result";
    const struct {
        const char* written;  // at 300 ms
        int polls, exitCode, expected, waited;
    } rows[] = {
        {"6\r\n", 100000, 0, 6, 300},  // the copy runs on after its result
        {"6", 5, 2, 2, 400},             // a result cut short is none
        {nullptr, 5, 0, 0, 400},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.expected);
        const int before = fake::Waited();
        EXPECT_EQ(Start(*fake::RegGetString(kEntry, "UninstallString"),
                        [&] {
                            fake::SetProcessPolls(r.polls, r.exitCode);
                            fake::OnWait([&](int waited) {
                                if (waited - before == 300 && r.written) fake::AddFile(result, r.written);
                            });
                        }),
                  r.expected);
        EXPECT_EQ(fake::Waited() - before, r.waited);
        fake::OnWait(nullptr);
        fake::RemoveFile(result);
    }
}

// The copy leaves its exit code for the waiting kept copy, and deletes the
// kept folder once that has let go of its file (half a minute at most).
TEST_F(KeptUninstaller, TheCopyAnswersFirstAndTakesTheKeptFolderOnceTheKeptCopyEnded) {
    for (const bool ends : {true, false}) {
        SCOPED_TRACE(ends);
        TearDown();
        SetUp();
        const auto copy = SplitCommandLine(StartFromTheList("QuietUninstallString"));
        EndProcess();  // the kept copy still runs, holding on to its file
        const platform::MutexHandle held = platform::CreateOwnedMutex("TazuUninstallHandover");
        const int handle = fake::HoldOpen(kKept + "TazuStart.exe");
        std::optional<std::string> answer;
        fake::OnWait([&](int waited) {
            if (waited == 100) answer = platform::ReadWholeFile(kTempCopyFolder + "\\TazuStart.result");
            if (ends && waited == 500) platform::ReleaseOwnedMutex(held), fake::Release(kKept + "TazuStart.exe", handle);
        });
        fake::SetExecutableFolder(sjis::FolderPart(kTempCopy));
        fake::SetArguments(std::vector<std::string>(copy.begin() + 1, copy.end()));
        EXPECT_EQ(UtilityMain(), kExitDone);
        fake::OnWait(nullptr);
        EXPECT_EQ(answer, "0\r\n");
        EXPECT_EQ(fake::Waited(), ends ? 500 : 30000);
        EXPECT_FALSE(fake::RegKeyExists(kEntry));
        EXPECT_EQ(platform::DirectoryExists(kKept), !ends);
    }
}

// An entry whose game is not installed (its record taken away by hand, or
// a removal cut short) leads to nothing: the entry and the kept
// uninstaller go, and the user who chose Uninstall is told.
TEST_F(KeptUninstaller, NothingInstalledTakesTheEntryAndTheUninstaller) {
    fake::RegSetString(kRecordKey, "InstPath", "");
    EXPECT_EQ(Start(StartFromTheList()), kExitDone);
    EXPECT_EQ(fake::Boxes().size(), 1u);
    EXPECT_FALSE(fake::RegKeyExists(kEntry));
    EXPECT_TRUE(fake::Tree(kBase).empty());
    EXPECT_TRUE(platform::FileExists(kDir + "Tazu.exe"));  // not ours to delete without a record
}

// The install folder deleted by hand: the removal says so and forgets the
// game. Only its log gone: it says the files stay and asks; No keeps all.
TEST_F(KeptUninstaller, AGameWithoutItsFilesCanStillBeRemovedFromTheList) {
    for (const bool folderGone : {true, false}) {
        for (const MbResult answer : {MbResult::Yes, MbResult::No}) {
            TearDown();
            SetUp();
            fake::RemoveFile(kDir + "Setup.log");
            const auto tree = fake::Tree(kDir);
            for (auto it = tree.rbegin(); folderGone && it != tree.rend(); ++it)
                fake::RemoveFile(*it), platform::RemoveEmptyDirectory(*it);
            // Yes to the files that stay is what /silent does.
            const bool silent = !folderGone && answer == MbResult::Yes;
            const int code = Start(StartFromTheList(silent ? "QuietUninstallString" : "UninstallString"), [answer] {
                fake::QueueAnswer(MbResult::Yes);
                fake::QueueAnswer(answer);
            });
            const bool forgotten = folderGone || answer == MbResult::Yes;
            EXPECT_EQ(code, forgotten ? kExitDone : kExitCancelled);
            EXPECT_EQ(fake::RegKeyExists(kEntry) || fake::RegKeyExists(kRecordKey) || platform::FileExists(kLink), !forgotten);
            EXPECT_EQ(fake::Tree(kBase).empty(), forgotten);
            ASSERT_EQ(fake::Boxes().size(), silent ? 0u : 2u);
            if (!silent) {
                EXPECT_EQ(BoxIds()[1], folderGone ? Msg::FolderGoneForgotten : Msg::LogMissingForget);
            }
        }
    }
}

// A removal that could not finish keeps the entry and the uninstaller with
// the record, for another try from the list; the copy still goes.
TEST_F(KeptUninstaller, AnIncompleteRemovalKeepsTheEntryAndTheUninstaller) {
    const std::string copy = StartFromTheList();
    EXPECT_EQ(Start(copy,
                    [] {
                        // The game is started while the question is up.
                        fake::QueueAnswer(MbResult::Yes, [] { fake::HoldOpen(kDir + "TAZ\\a.taz"); });
                        fake::QueueAnswer(MbResult::Yes);
                    }),
              kExitFailed);
    EXPECT_TRUE(Shown(Msg::UninstallIncomplete));
    EXPECT_TRUE(fake::RegKeyExists(kEntry));
    EXPECT_TRUE(platform::FileExists(kKept + "TazuStart.exe"));
    EXPECT_TRUE(platform::FileExists(kKept + "Setup.inf"));
    EXPECT_TRUE(fake::StartedProcesses().back().hidden);
}

// Removed from the list, with no disc at hand: a record that stays is explained for there.
TEST_F(KeptUninstaller, ARecordThatStaysIsExplainedForWhereTheUserIs) {
    EXPECT_EQ(Start(StartFromTheList(), [] {
                  fake::QueueAnswer(MbResult::Yes);
                  fake::QueueAnswer(MbResult::Yes);
                  fake::RegFailDeletes(true);  // neither the record nor the entry can go
                  fake::RegFailWrites(true);
              }), kExitFailed);
    EXPECT_EQ(LastBoxId(), Msg::RecordNotRemovedApps);
}

// No copy can be made or started: the user is told why, nothing is
// removed. A Setup.inf that cannot be read names no game: the message
// names the file instead.
TEST_F(KeptUninstaller, AHandOverThatCannotStartSaysWhy) {
    enum Case { kNoTemp, kNoStart, kUnreadable };
    for (const Case c : {kNoTemp, kNoStart, kUnreadable}) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Start(*fake::RegGetString(kEntry, "UninstallString"),
                        [c] {
                            if (c == kNoTemp) fake::SetTempFolder(std::nullopt);
                            if (c == kNoStart) fake::FailNextStart();
                            if (c == kUnreadable) fake::SetFault(kKept + "Setup.inf", fake::FileFault{true, {}, {}});
                        }),
                  c == kUnreadable ? kExitNoDisc : kExitFailed);
        ASSERT_EQ(fake::Boxes().size(), 1u);
        const Msg id = c == kUnreadable ? Msg::KeptSetupUnreadable : Msg::HandOverFailed;
        const std::vector<std::string> why[] = {
            {"ソフト表", "一時フォルダに作業用のフォルダを作成できませんでした。"},
            {"ソフト表", "一時フォルダのプログラムを起動できませんでした。\n\n[ " + kTempCopy + " ]"},
            {kKept + "Setup.inf"},
        };
        EXPECT_EQ(LastBoxId(), id);
        EXPECT_EQ(fake::Boxes()[0].text, TextOf(id, why[c]));
        EXPECT_EQ(fake::Boxes()[0].caption, c == kUnreadable ? "TAZU Start Up Utility" : "『ソフト表』　起動ユーティリティ");
        EXPECT_TRUE(fake::RegKeyExists(kEntry));
        EXPECT_TRUE(fake::Tree(std::string(fake::kTempFolder) + "\\TazuStart-1").empty());
        fake::SetTempFolder(std::string(fake::kTempFolder));
        fake::SetFault(kKept + "Setup.inf", fake::FileFault{});
    }
}

}  // namespace
