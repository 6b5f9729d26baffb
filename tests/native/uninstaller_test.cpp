// The uninstaller an installation keeps, as the list of installed programs
// starts it: the hand-over to a copy in the temporary folder, the
// uninstall without the disc, and nothing of the game left afterwards.
#include <functional>

#include "maintenance/appsentry.h"
#include "maintenance/uninstaller.h"
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
    static bool Shown(const std::string& part) {
        for (const fake::ShownBox& b : fake::Boxes())
            if (b.text.find(part) != std::string::npos) return true;
        return false;
    }
};

// From the list without the disc: the kept copy only copies itself into a
// folder of its own in the temporary folder and starts it; the copy asks
// the menu's questions, shows the deleting window and the completion, and
// leaves nothing of the game: install folder, record, shortcut, entry and
// the kept uninstaller. Then it has a hidden command prompt delete itself
// and its folder.
TEST_F(KeptUninstaller, FromTheListWithoutTheDiscNothingOfTheGameStays) {
    const std::string copy = StartFromTheList();
    EXPECT_EQ(fake::StartedProcesses().back().application, kTempCopy);
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
    ASSERT_EQ(fake::Boxes().size(), 3u);
    EXPECT_NE(fake::Boxes()[0].text.find("の削除を開始します"), std::string::npos);
    EXPECT_NE(fake::Boxes()[1].text.find("セーブデータを削除しますか"), std::string::npos);
    EXPECT_EQ(fake::Boxes()[2].text, "『ソフト表』の削除が完了しました。");
    EXPECT_EQ(fake::Boxes()[2].caption, "『ソフト表』　起動ユーティリティ");
    const auto& events = fake::Events();
    EXPECT_NE(std::find(events.begin(), events.end(), "show TfrmDeleteFiles"), events.end());
    EXPECT_TRUE(NothingOfTheGameLeft()) << ::testing::PrintToString(fake::Tree(kBase));

    ASSERT_EQ(fake::StartedProcesses().size(), 2u);
    const fake::Started& removal = fake::StartedProcesses().back();
    EXPECT_TRUE(removal.hidden);
    EXPECT_EQ(removal.application, "C:\\WINDOWS\\System32\\cmd.exe");
    EXPECT_NE(removal.commandLine.find("del /f /q \"" + kTempCopy + "\""), std::string::npos);
    EXPECT_NE(removal.commandLine.find("rmdir \"" + kTempCopyFolder + "\""), std::string::npos);
    EXPECT_TRUE(platform::FileExists(kTempCopy));  // until this process has ended
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
    for (const std::string& folder : {std::string("C:\\"), kDir, kBase, kBase + "\\Other", kBase + "\\None"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(Start(quotedCopy + " /uninstall " + QuotedArgument("/keptcopy=" + folder)), kExitBadArguments);
        EXPECT_TRUE(fake::RegKeyExists(kRecordKey));
        EXPECT_TRUE(platform::FileExists(kDir + "Tazu.exe"));
        EXPECT_TRUE(fake::StartedProcesses().empty());
    }
}

// The copy waits for the kept copy to end before it works, for half a
// minute at most.
TEST_F(KeptUninstaller, TheCopyWaitsForTheKeptCopyToEnd) {
    for (const bool ends : {true, false}) {
        SCOPED_TRACE(ends);
        TearDown();
        SetUp();
        const auto copy = SplitCommandLine(StartFromTheList("QuietUninstallString"));
        // The kept copy still runs, holding on.
        EndProcess();
        const platform::MutexHandle held = platform::CreateOwnedMutex("TazuUninstallHandover");
        bool recordAtWait = true;
        fake::OnWait([&](int waited) {
            recordAtWait = recordAtWait && fake::RegKeyExists(kRecordKey);
            if (ends && waited >= 500) platform::ReleaseOwnedMutex(held);
        });
        fake::SetExecutableFolder(sjis::FolderPart(kTempCopy));
        fake::SetArguments(std::vector<std::string>(copy.begin() + 1, copy.end()));
        EXPECT_EQ(UtilityMain(), kExitDone);
        fake::OnWait(nullptr);
        EXPECT_TRUE(recordAtWait);
        EXPECT_EQ(fake::Waited(), ends ? 500 : 30000);
        EXPECT_FALSE(fake::RegKeyExists(kRecordKey));
    }
}

// An entry whose game is not installed (its record taken away by hand)
// leads to nothing: the entry and the kept uninstaller go.
TEST_F(KeptUninstaller, NothingInstalledTakesTheEntryAndTheUninstaller) {
    fake::RegSetString(kRecordKey, "InstPath", "");
    const std::string copy = StartFromTheList();
    EXPECT_EQ(Start(copy), kExitDone);
    EXPECT_TRUE(fake::Boxes().empty());
    EXPECT_FALSE(fake::RegKeyExists(kEntry));
    EXPECT_TRUE(fake::Tree(kBase).empty());
    EXPECT_TRUE(platform::FileExists(kDir + "Tazu.exe"));  // not ours to delete without a record
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
    EXPECT_TRUE(Shown("の削除を完了できませんでした"));
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
                  fake::HoldOpen(kKept + "Setup.inf");  // the entry cannot go, so the record stays
              }), kExitFailed);
    EXPECT_EQ(fake::Boxes().back().text, TextOf(Msg::RecordNotRemovedApps, {"ソフト表"}));
}

// No copy can be made or started: the user is told, nothing is removed.
TEST_F(KeptUninstaller, AHandOverThatCannotStartSaysSo) {
    for (const bool noTemp : {true, false}) {
        SCOPED_TRACE(noTemp);
        EXPECT_EQ(Start(*fake::RegGetString(kEntry, "UninstallString"),
                        [noTemp] {
                            if (noTemp)
                                fake::SetTempFolder(std::nullopt);
                            else
                                fake::FailNextStart();
                        }),
                  kExitFailed);
        ASSERT_EQ(fake::Boxes().size(), 1u);
        EXPECT_EQ(fake::Boxes()[0].text, "『ソフト表』の削除を開始できませんでした。");
        EXPECT_TRUE(fake::RegKeyExists(kEntry));
        EXPECT_TRUE(fake::Tree(std::string(fake::kTempFolder) + "\\TazuStart-1").empty());
        fake::SetTempFolder(std::string(fake::kTempFolder));
    }
}

}  // namespace
