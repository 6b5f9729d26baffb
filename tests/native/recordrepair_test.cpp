// Record repair: removing the installation record, and re-pointing the
// record, the installed-file log and the shortcut at a moved game folder.
#include <tuple>

#include "maintenance/recordrepair.h"
#include "platform/files.h"
#include "platform/shellfolders.h"
#include "platform/winpath.h"
#include "test_support.h"

namespace {

using platform::MbResult;

constexpr const char* kRecordKey = "Software\\Maker\\ソフト表";
constexpr const char* kLink = "C:\\Users\\Player\\Start Menu\\Programs\\Maker\\Game\\ソフト表.lnk";
const std::string kMoved = "E:\\移動ソ\\";  // its trail byte 0x5C is no backslash
const std::string kMovedLog = "D:\\Game\\Tazu.exe\r\n\r\nD:\\Game\\TAZ\\表.dat\n";

// A game installed in D:\Game\ and since moved to kMoved.
class Repair : public FakeMachine {
protected:
    void SetUp() override {
        FakeMachine::SetUp();
        InsertDisc('Q', "QUENDRIL1", (std::string(kBasicSetupInf) + "[DAT1]\r\nFile1=a.dat\r\n[TAZ1]\r\nFile1=表.dat\r\n").c_str());
        fake::RegSetString(kRecordKey, "InstPath", "D:\\Game\\");
        fake::AddFile(kMoved + "Tazu.exe", "exe");
        fake::AddFile(kMoved + "Setup.log", kMovedLog);
        AnswerCdDialogOk();
        menu_.Create();
    }
    void ExpectLastBox(Msg id) {
        ASSERT_FALSE(fake::Boxes().empty());
        const fake::ShownBox& b = fake::Boxes().back();
        EXPECT_EQ(IdOf(b), id);
        EXPECT_EQ(std::tie(b.owner, b.caption), std::make_tuple(&menu_, std::string("『ソフト表』　起動ユーティリティ")));
    }
    // Nothing of the log, the record, the memory or the shortcut changed.
    void ExpectUnchanged() {
        EXPECT_EQ(platform::ReadWholeFile(kMoved + "Setup.log"), kMovedLog);
        EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), "D:\\Game\\");
        EXPECT_EQ(InstConfig.InstPath, "D:\\Game\\");
        EXPECT_FALSE(fake::LinkAt(kLink));
    }
    void ExpectRemoval(bool otherGame);
    TfrmInstMain menu_;
};

// The record goes; the maker's own value and another game's key stay. The record key is back,
// empty, either way, and the menu is as a start without a record leaves it.
void Repair::ExpectRemoval(bool otherGame) {
    fake::RegSetString("Software\\Maker", "Own", "1");
    if (otherGame) fake::RegSetString("Software\\Maker\\Other", "InstPath", "C:\\Other\\");
    InstConfig.TotalInstSize = 123;
    InstConfig.Files(0, 1).push_back("stale");
    menu_.btnInstInfoDel.Click();

    EXPECT_EQ(fake::Boxes().size(), 2u);
    ExpectLastBox(Msg::RemoveDone);
    EXPECT_EQ(fake::RegGetString("Software\\Maker", "Own"), "1");
    EXPECT_EQ(fake::RegGetString("Software\\Maker\\Other", "InstPath").has_value(), otherGame);
    EXPECT_TRUE(fake::RegKeyExists(kRecordKey));
    EXPECT_FALSE(fake::RegGetString(kRecordKey, "InstPath"));
    ASSERT_TRUE(InstConfig.RecordKey && InstConfig.RecordKey->WriteString("InstPath", "X:\\"));
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), "X:\\");

    EXPECT_TRUE(InstConfig.NeedInstall);
    EXPECT_TRUE(InstConfig.InstPath.empty());
    EXPECT_EQ(InstConfig.TotalInstSize, 0u);
    EXPECT_EQ(InstConfig.Files(0, 1), (FileList{"InstData\\DAT\\a.dat"}));
    EXPECT_EQ(menu_.edtInst.Text(), "C:\\Program Files\\Game");
    EXPECT_TRUE(menu_.btnStart2.Visible() && !menu_.gbInstInfo.Visible());
}

TEST_F(Repair, RemovalKeepsTheMakersValues) { ExpectRemoval(false); }
TEST_F(Repair, RemovalKeepsTheMakersKeyWhileAnotherGameIsBelowIt) { ExpectRemoval(true); }

TEST(RebaseInstallLog, RerootsEveryLineAtTheNewFolder) {
    const std::string longName(300, 'x');
    const struct {
        std::string old, rebased, why;
    } rows[] = {
        {"D:\\Game\\Tazu.exe\r\n", "E:\\New\\Tazu.exe\r\n", "a main file lies in the folder itself"},
        {"d:\\game\\tzm\\b.dat\n", "E:\\New\\tzm\\b.dat\r\n", "a group folder, in any case, is kept; LF becomes CR LF"},
        {"D:\\Game\\Save\\c.dat\r\n", "E:\\New\\c.dat\r\n", "any other folder is not kept"},
        {"D:\\DAT\\Game\\d.dat\r\n", "E:\\New\\d.dat\r\n", "only the folder directly holding the file counts"},
        {"D:\\Game\\TAZ\\表.dat\r\n", "E:\\New\\TAZ\\表.dat\r\n", "a 0x5C trail byte in the name"},
        {"D:\\Game\\ソDAT\\e.dat\r\n", "E:\\New\\e.dat\r\n", "a 0x5C trail byte before a group-like tail"},
        {"\r\nD:\\G\\b\r\n\nD:\\G\\a\r\n", "E:\\New\\b\r\nE:\\New\\a\r\n", "empty lines go, the rest keep their order"},
        {"D:\\Game\\DAT\\f.dat", "E:\\New\\DAT\\f.dat\r\n", "a last line without its end is whole"},
        {"D:\\Game\\DAT\\" + longName + "\r\n", "E:\\New\\DAT\\" + longName + "\r\n", "a long line is never cut"},
        {"D:\\G\\a\rD:\\G\\TAZ\\b\r", "E:\\New\\a\r\nE:\\New\\TAZ\\b\r\n", "lone CR ends a line as in the profile reader"},
        {std::string("D:\\G\\x\0\\..\\y\r\nD:\\G\\b.\r\nD:\\G\\a\r\n", 31), "E:\\New\\a\r\n",
         "lines Windows would read as another file are dropped"},
        {"", "", "an empty log stays empty"},
    };
    const auto folder = platform::WinPath::Parse("E:\\New\\");
    for (const auto& row : rows) EXPECT_EQ(RebaseInstallLog(row.old, *folder), row.rebased) << row.why;
}

// Each way a command stops early leaves everything as it was.
TEST_F(Repair, AnsweredNoCancelledOrRefusedChangesNothing) {
    const struct {
        platform::Button TfrmInstMain::*button;
        MbResult answer;
        std::optional<std::string> chosen;  // the folder picked; nullopt: cancelled
        const char* missing;                // a file taken from the chosen folder
        Msg last;                           // the last box shown
    } rows[] = {
        {&TfrmInstMain::btnInstInfoDel, MbResult::No, std::nullopt, nullptr, Msg::RemoveQuestion},
        {&TfrmInstMain::btnInstPathChg, MbResult::No, std::nullopt, nullptr, Msg::ChangeQuestion},
        {&TfrmInstMain::btnInstPathChg, MbResult::Yes, std::nullopt, nullptr, Msg::ChangeAbandoned},
        {&TfrmInstMain::btnInstPathChg, MbResult::Yes, "E:\\移動ソ", "Setup.log", Msg::NotInstalledThere},
        {&TfrmInstMain::btnInstPathChg, MbResult::Yes, "E:\\移動ソ", "Tazu.exe", Msg::NotInstalledThere},
        {&TfrmInstMain::btnInstPathChg, MbResult::Yes, "E:\\移動ソ.", nullptr, Msg::NotInstalledThere},  // Windows reads another name
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        if (row.missing) fake::RemoveFile(kMoved + row.missing);
        fake::QueueAnswer(row.answer);
        if (row.answer == MbResult::Yes) fake::QueueFolderPick(row.chosen);
        (menu_.*row.button).Click();
        ExpectLastBox(row.last);
        if (row.missing) fake::AddFile(kMoved + row.missing, row.missing[0] == 'S' ? kMovedLog : "exe");
        ExpectUnchanged();
        EXPECT_FALSE(InstConfig.NeedInstall);
    }
    EXPECT_EQ(fake::FolderPicks().size(), 4u);

    // A root is never an install folder, whatever it holds, and the user is
    // told that rather than "not installed there".
    fake::AddFile("E:\\Tazu.exe", "exe");
    fake::AddFile("E:\\Setup.log", kMovedLog);
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueFolderPick(std::string("E:\\移動ソ\\.."));
    menu_.btnInstPathChg.Click();
    ExpectLastBox(Msg::RootNotInstallFolder);
    EXPECT_EQ(platform::ReadWholeFile("E:\\Setup.log"), kMovedLog);
    ExpectUnchanged();
}

TEST_F(Repair, ChangeRewritesTheLogThenTheRecordAndTheShortcut) {
    fake::QueueFolderPick(std::string("E:\\移動ソ"));
    menu_.btnInstPathChg.Click();
    ASSERT_EQ(fake::FolderPicks().size(), 1u);
    const fake::FolderPick& pick = fake::FolderPicks()[0];
    EXPECT_EQ(std::tie(pick.owner, pick.title, pick.root),
              std::make_tuple(&menu_, std::string("『ソフト表』がインストールされているフォルダを選択して下さい。"),
                              platform::ShellFolder::Drives));
    EXPECT_EQ(fake::Boxes().size(), 2u);
    ExpectLastBox(Msg::ChangeDone);
    EXPECT_EQ(platform::ReadWholeFile(kMoved + "Setup.log"), kMoved + "Tazu.exe\r\n" + kMoved + "TAZ\\表.dat\r\n");
    EXPECT_EQ(fake::Tree(kMoved), (std::vector<std::string>{kMoved, kMoved + "SETUP.LOG", kMoved + "TAZU.EXE"}));
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kMoved);
    EXPECT_EQ(InstConfig.InstPath, kMoved);
    ASSERT_TRUE(fake::LinkAt(kLink));
    EXPECT_EQ(fake::LinkAt(kLink)->target + "|" + fake::LinkAt(kLink)->icon, kMoved + "Tazu.exe|" + kMoved + "game.ico");
    EXPECT_TRUE(menu_.btnDelete.Visible());
}

TEST_F(Repair, ChangeFailingBeforeTheSwapKeepsTheLogAndChangesNothing) {
    const struct {
        std::string path;
        fake::FileFault fault;
    } rows[] = {
        {kMoved + "Setup.log", {true, std::nullopt, std::nullopt}},      // the log cannot be read
        {kMoved + "Setup.log.new", {true, std::nullopt, std::nullopt}},  // the new log cannot be created
        {kMoved + "Setup.log.new", {false, std::nullopt, 5}},            // the disk fills up
        {kMoved + "Setup.log", {}},  // open in another program: it cannot be replaced
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const bool heldOpen = !row.fault.openFails && !row.fault.writeFailsAt;
        const int held = heldOpen ? fake::HoldOpen(row.path) : 0;
        fake::SetFault(row.path, row.fault);
        fake::QueueFolderPick(kMoved);
        menu_.btnInstPathChg.Click();
        fake::SetFault(row.path, {});
        if (heldOpen) fake::Release(row.path, held);
        ExpectLastBox(Msg::ChangeFailed);
        EXPECT_FALSE(platform::FileExists(kMoved + "Setup.log.new"));
        ExpectUnchanged();
    }
}

// The record is written before InstPath and the shortcut change.
TEST_F(Repair, ChangeWithARecordThatCannotBeWrittenEndsInTheErrorReport) {
    fake::RegFailWritesOf("InstPath");
    fake::QueueFolderPick(kMoved);
    menu_.btnInstPathChg.Click();
    EXPECT_EQ(std::tie(fake::Boxes().back().text, fake::Boxes().back().icon),
              std::make_tuple("インストール情報をレジストリに書き込めませんでした。", platform::MbIcon::Error));
    EXPECT_EQ(InstConfig.InstPath, "D:\\Game\\");
    EXPECT_FALSE(fake::LinkAt(kLink));

}

// A log left aside by an interrupted rewrite is put back only where the game
// is: another program's Setup.log.old stays as it is. Where it is, ".new"
// (complete before anything moves it) wins over ".old", and after the
// change no copy of the log is left to stand in for it later.
TEST_F(Repair, ALogLeftAsideIsRecoveredOnlyBesideTheGame) {
    fake::AddFile("E:\\Other\\Setup.log.old", "another program's");
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueFolderPick(std::string("E:\\Other"));
    menu_.btnInstPathChg.Click();
    ExpectLastBox(Msg::NotInstalledThere);
    EXPECT_EQ(platform::ReadWholeFile("E:\\Other\\Setup.log.old"), "another program's");
    EXPECT_FALSE(platform::FileExists("E:\\Other\\Setup.log"));

    for (const bool both : {false, true}) {
        SCOPED_TRACE(both);
        fake::RemoveFile(kMoved + "Setup.log");
        fake::AddFile(kMoved + "Setup.log.new", kMovedLog);
        if (both) fake::AddFile(kMoved + "Setup.log.old", "D:\\Game\\stale.dat\r\n");
        fake::QueueAnswer(MbResult::Yes);
        fake::QueueFolderPick(kMoved);
        menu_.btnInstPathChg.Click();
        ExpectLastBox(Msg::ChangeDone);
        EXPECT_EQ(platform::ReadWholeFile(kMoved + "Setup.log"), kMoved + "Tazu.exe\r\n" + kMoved + "TAZ\\表.dat\r\n");
        EXPECT_FALSE(platform::FileExists(kMoved + "Setup.log.new"));
        EXPECT_FALSE(platform::FileExists(kMoved + "Setup.log.old"));
    }
}

// A record change cut short by a crash is finished by the next start: the
// log, the record and the shortcut all name the chosen folder.
TEST_F(Repair, AnInterruptedChangeIsFinishedByTheNextStart) {
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueFolderPick(kMoved);
    fake::RegFailWritesOf("InstPath");
    menu_.btnInstPathChg.Click();  // the log is rebased, the record is not written
    ASSERT_EQ(fake::RegGetString(kRecordKey, "InstPath"), "D:\\Game\\");
    ASSERT_EQ(platform::ReadWholeFile(kMoved + "Setup.log"), kMoved + "Tazu.exe\r\n" + kMoved + "TAZ\\表.dat\r\n");
    fake::RegFailWritesOf("");
    fake::ProcessDied();
    RestartUtility();
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kMoved);
    EXPECT_EQ(InstConfig.InstPath, kMoved);
    EXPECT_FALSE(fake::RegGetString(kRecordKey, "Moving"));
    ASSERT_TRUE(fake::LinkAt(kLink));
    EXPECT_EQ(fake::LinkAt(kLink)->target, kMoved + "Tazu.exe");
}

// Another game's log, or one naming a file out of its place: the change
// refuses the folder, and the start after a crash does not finish a change
// to it nor put its log left aside back.
TEST_F(Repair, AFolderWhoseLogNamesOtherFilesIsNotTaken) {
    for (const std::string log : {"D:\\G\\TAZ\\other.dat\r\n", "D:\\G\\DAT\\表.dat\r\n", "D:\\G\\Tazu.exe\r\nD:\\G\\x.\r\n"}) {
        fake::AddFile(kMoved + "Setup.log", log);
        fake::QueueFolderPick(kMoved);
        menu_.btnInstPathChg.Click();
        ExpectLastBox(Msg::NotInstalledThere);
        fake::RemoveFile(kMoved + "Setup.log");
        fake::AddFile(kMoved + "Setup.log.old", log);
        fake::RegSetString(kRecordKey, "Moving", kMoved);
        RestartUtility();
        EXPECT_FALSE(platform::FileExists(kMoved + "Setup.log") || fake::RegGetString(kRecordKey, "InstPath") != "D:\\Game\\");
    }
}

const std::string kHead = "TazuStart install journal 1\r\nfolder\t";

// Markers and journals made by hand: the next start touches nothing the
// utility did not write (here, nothing), and leaves a marker it did not
// write as it is. G holds the player's file: G stays, and its marker goes.
// E was not made, whatever the journal says: only the marker says so.
TEST_F(Repair, TheNextStartTrustsOnlyWhatTheUtilityWrites) {
    const std::string d = "C:\\Users\\Player\\Documents\\", g = d + "G\\", gm = kHead + g + "\r\nmade\t" + d + "G\r\nend\r\n";
    for (const char* f : {"thesis.doc", "TazSav00.dat", "G\\Setup.log", "G\\DAT\\sys.dat", "G\\mine.txt"}) fake::AddFile(d + f, f);
    fake::AddDirectory(d + "Saves");
    fake::AddDirectory(d + "E");
    const struct {
        std::string marker, journal, where = "";  // the journal's folder: G when empty
    } rows[] = {
        {kHead + d + "\r\nnew\t" + d + "thesis.doc\r\nend\r\n", ""},
        {kHead + d + "\r\nreplace\t" + d + "Setup.log\tC:\\Users\\Setup.log.~TazuStart1\r\nend\r\n", ""},
        {kHead + d + "\r\nreplace\t" + d + "Setup.log\t" + d + "Setup.log.bak\r\nend\r\n", ""},
        {kHead + d + "\r\nmade\t" + d + "Saves\r\nend\r\n", ""},
        {kHead + "C:\\\r\nend\r\n", ""},
        {kHead + d + "\r\nnew\t" + d + "TazSav00.dat", ""},
        {gm, kHead + d + "\r\nnew\t" + d + "thesis.doc\r\nend\r\n"},
        {gm, kHead + g + "\r\nnew\t" + g + "DAT\\sys.dat\r\n"},
        {gm, kHead + g + "\r\nnew\t" + g + "DAT\\sys.dat\r\nfolder\t" + g + "\r\nend\r\n"},
        {gm, kHead + g + "\r\nnew\t" + g + "Setup.log\r\nkeep\t" + g + "DAT\\gone.dat\r\nkeep\t" + g + "DAT\\sys.dat\r\nend\r\n"},
        {kHead + d + "E\\\r\nend\r\n", kHead + d + "E\\\r\nmade\t" + d + "E\r\nend\r\n", d + "E\\"},
    };
    const auto before = std::make_pair(fake::Files(), fake::Folders());
    for (const auto& [marker, journal, where] : rows) {
        SCOPED_TRACE(marker + "|" + journal);
        fake::RegSetString(kRecordKey, "Installing", marker);
        if (!journal.empty()) fake::AddFile((where.empty() ? g : where) + "~TazuStart.journal", journal);
        RestartUtility();
        fake::RemoveFile((where.empty() ? g : where) + "~TazuStart.journal");
        EXPECT_EQ(std::make_pair(fake::Files(), fake::Folders()), before);
        EXPECT_EQ(fake::RegGetString(kRecordKey, "Installing").has_value(), journal.empty());  // the rows with a journal have a marker of the utility's
    }
}

// A re-install over the recorded folder cut short before its commit is
// undone; one past it is finished (the record written), its marker kept
// while a backup will not go.
TEST_F(Repair, TheNextStartFinishesOnlyACommittedInstallation) {
    const std::string b = "D:\\Game\\", backup = b + "Tazu.exe.~TazuStart1";
    for (const bool committed : {false, true}) {
        fake::AddFile(b + "Tazu.exe", "new");
        fake::AddFile(backup, "old");
        fake::AddFile(b + "~TazuStart.journal", kHead + b + "\r\nreplace\t" + b + "Tazu.exe\t" + backup + "\r\nend\r\n");
        fake::RegSetString(kRecordKey, "InstPath", committed ? "" : b);
        fake::RegSetString(kRecordKey, "Installing", kHead + b + (committed ? "\r\ncommit" : "") + "\r\nend\r\n");
        const int held = fake::HoldOpen(backup + (committed ? "" : "x"));
        RestartUtility();
        EXPECT_EQ(platform::ReadWholeFile(b + "Tazu.exe"), committed ? "new" : "old");
        EXPECT_EQ(fake::RegGetString(kRecordKey, "Installing").has_value(), committed);
        fake::Release(backup, held);
        RestartUtility();
        EXPECT_FALSE(platform::FileExists(backup) || fake::RegGetString(kRecordKey, "Installing") || fake::RegGetString(kRecordKey, "InstPath") != b);
    }
}

}  // namespace
