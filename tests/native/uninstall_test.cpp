// The uninstall command and the one rule of what may be deleted.
#include <tuple>

#include "maintenance/instdeletefiles.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "test_support.h"

namespace {

using platform::MbButtons;
using platform::MbDefault;
using platform::MbIcon;
using platform::MbResult;

constexpr const char* kRecordKey = "Software\\Maker\\ソフト表";
constexpr const char* kLinkFolder = "C:\\Users\\Player\\Start Menu\\Programs\\Maker\\Game";
const std::string kLink = std::string(kLinkFolder) + "\\ソフト表.lnk";
const std::string kDir = "C:\\Games\\ソフト表\\";

// An installed game: what the log lists, the record and the shortcut.
class Uninstall : public FakeMachine {
protected:
    void SetUp() override {
        FakeMachine::SetUp();
        InsertDisc('Q', "QUENDRIL1");
        fake::RegSetString(kRecordKey, "InstPath", kDir);
        std::string log;
        for (const char* name : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\TazSav00.dat",
                                 "DAT\\TAZSAV12.DAT", "DAT\\sys.dat", "TAZ\\a.taz", "TZM\\m.tzm"}) {
            fake::AddFile(kDir + name, name);
            log += kDir + name + "\r\n";
        }
        fake::AddDirectory(kDir + "TZD");
        fake::AddDirectory(kDir + "TZS");
        fake::AddFile(kDir + "Setup.log", log + "\r\n");
        fake::AddFile(kLink, "L");
        AnswerCdDialogOk();
        frmInstMain = new TfrmInstMain;
        frmInstMain->Create();
    }
    void Run(MbResult saveAnswer) {
        fake::QueueAnswer(MbResult::Yes);
        fake::QueueAnswer(saveAnswer);
        frmInstMain->btnDelete.Click();
    }
    std::vector<std::string> Folded(std::initializer_list<std::string> paths) {
        std::vector<std::string> out;
        for (const std::string& p : paths) out.push_back(sjis::FoldCase(p));
        return out;
    }
};

TEST_F(Uninstall, KeepingSaveDataLeavesExactlyTheSavesTheLogAndTheirFolders) {
    Run(MbResult::No);
    EXPECT_EQ(fake::Tree(kDir), Folded({kDir, kDir + "DAT\\", kDir + "DAT\\TAZSAV00.DAT", kDir + "DAT\\TAZSAV12.DAT",
                                        kDir + "SETUP.LOG"}));
    EXPECT_FALSE(platform::FileExists(kLink));
    EXPECT_FALSE(platform::DirectoryExists(kLinkFolder));
    EXPECT_TRUE(platform::DirectoryExists("C:\\Users\\Player\\Start Menu\\Programs\\Maker"));  // only the last level goes
    EXPECT_FALSE(fake::RegKeyExists(kRecordKey));
    EXPECT_FALSE(fake::RegKeyExists("Software\\Maker"));
    EXPECT_TRUE(platform::app::Terminated());

    const std::vector<fake::ShownBox>& boxes = fake::Boxes();
    EXPECT_EQ(BoxIds(), (std::vector<Msg>{Msg::UninstallStart, Msg::DeleteSaves, Msg::UninstallDone}));
    for (const fake::ShownBox& b : boxes)
        EXPECT_EQ(std::tie(b.owner, b.caption),
                  std::make_tuple(static_cast<const platform::Form*>(frmInstMain),
                                  std::string("『ソフト表』　起動ユーティリティ")));

    // The notice is up, under the hourglass, while the files go; its own
    // start message never runs a second pass.
    std::vector<std::string> seen;
    for (const std::string& e : fake::Events())
        if (e.find("TfrmDeleteFiles") != std::string::npos || e.compare(0, 6, "cursor") == 0) seen.push_back(e);
    EXPECT_EQ(seen, (std::vector<std::string>{"cursor busy", "create TfrmDeleteFiles", "show TfrmDeleteFiles",
                                              "repaint TfrmDeleteFiles", "destroy TfrmDeleteFiles", "cursor normal"}));
    EXPECT_EQ(fake::LastShown("TfrmDeleteFiles").caption, frmInstMain->Caption());
}

TEST_F(Uninstall, NoticeIsCentredOverTheMenuWhereTheUserDraggedIt) {
    frmInstMain->Show();  // centred on the screen
    fake::MoveByUser(*frmInstMain, 20, 400);
    Run(MbResult::No);
    // Both outer sizes carry the same frame: the client sizes 394 x 239 and 313 x 87 decide.
    const fake::Shown shown = fake::LastShown("TfrmDeleteFiles");
    EXPECT_EQ(std::tie(shown.left, shown.top), std::make_tuple(20 + (394 - 313) / 2, 400 + (239 - 87) / 2));
}

TEST_F(Uninstall, DeletingSaveDataRemovesTheWholeFolderAndOnlyTheLastShortcutLevel) {
    fake::AddFile(std::string(kLinkFolder) + "\\Manual.lnk", "L");
    fake::RegSetString("Software\\Maker\\Other Game", "InstPath", "D:\\Other\\");
    Run(MbResult::Yes);
    EXPECT_TRUE(fake::Tree(kDir).empty());
    EXPECT_FALSE(platform::FileExists(kLink));
    EXPECT_TRUE(platform::FileExists(std::string(kLinkFolder) + "\\Manual.lnk"));
    EXPECT_FALSE(fake::RegKeyExists(kRecordKey));
    EXPECT_EQ(fake::RegGetString("Software\\Maker\\Other Game", "InstPath"), "D:\\Other\\");
}

TEST_F(Uninstall, FilesTheLogDoesNotListKeepTheirFoldersWithoutAMessage) {
    fake::AddFile(kDir + "TAZ\\mod.taz", "mine");
    Run(MbResult::Yes);
    EXPECT_EQ(fake::Tree(kDir), Folded({kDir, kDir + "TAZ\\", kDir + "TAZ\\MOD.TAZ"}));
    EXPECT_EQ(LastBoxId(), Msg::UninstallDone);
}

TEST_F(Uninstall, AnsweringNoOrAMissingLogChangesNothing) {
    fake::QueueAnswer(MbResult::No);
    frmInstMain->btnDelete.Click();
    EXPECT_EQ(fake::Boxes().size(), 1u);  // the save-data question is not asked

    fake::RemoveFile(kDir + "Setup.log");
    Run(MbResult::Yes);
    EXPECT_EQ(LastBoxId(), Msg::LogMissing);
    EXPECT_TRUE(platform::FileExists(kDir + "DAT\\sys.dat"));
    EXPECT_TRUE(platform::FileExists(kLink));
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_FALSE(platform::app::Terminated());
}

TEST_F(Uninstall, LogLinesOutsideTheInstallFolderAreNeverDeleted) {
    const std::string longName(300, 'n');
    fake::AddFile("C:\\WINDOWS\\win.ini", "x");
    fake::AddFile("C:\\Games\\x.txt", "x");
    fake::AddFile("C:\\Games\\ソフト表2\\x.txt", "x");
    fake::AddFile(kDir + "TAZ\\" + longName + ".taz", "x");
    fake::AddFile(kDir + "TAZ\\sub\\deep.taz", "x");
    fake::AddFile(kDir + "sub\\DAT\\x.dat", "x");  // a DAT folder, but not the installation's
    fake::AddFile("C:\\Users\\X\\Documents\\thesis.doc", "x");
    // What DeleteFileW sees of this line ends at the NUL.
    const std::string nul = std::string("C:\\Users\\X\\Documents\\thesis.doc") + '\0' + "\\..\\..\\..\\..\\" + kDir + "x";
    fake::AddFile(kDir + "Setup.log", "C:\\WINDOWS\\win.ini\r\n" + kDir + "..\\x.txt\r\nC:\\Games\\ソフト表2\\x.txt\r\n" +
                                          kDir + "TAZ\\sub\\deep.taz\r\n" + kDir + "TAZ\\" + longName + ".taz\r\n" + nul +
                                          "\r\n" + kDir + "sub\\DAT\\x.dat\r\n");
    Run(MbResult::Yes);
    for (const char* kept : {"C:\\WINDOWS\\win.ini", "C:\\Games\\x.txt", "C:\\Games\\ソフト表2\\x.txt",
                             "C:\\Users\\X\\Documents\\thesis.doc"})
        EXPECT_TRUE(platform::FileExists(kept)) << kept;
    // Lines that were never the installation's do not count as left behind.
    EXPECT_EQ(LastBoxId(), Msg::UninstallDone);
    EXPECT_TRUE(platform::FileExists(kDir + "TAZ\\sub\\deep.taz"));
    EXPECT_TRUE(platform::FileExists(kDir + "sub\\DAT\\x.dat"));
    EXPECT_FALSE(platform::FileExists(kDir + "TAZ\\" + longName + ".taz"));  // read whole, not in pieces
}

// Keeping save data holds whatever spelling the log gives the save file,
// and a log that lists itself keeps itself.
TEST_F(Uninstall, KeptSaveDataIsKeptUnderEverySpelling) {
    std::string log;
    for (const std::string& line : {kDir + "DAT\\TazSav00.dat\\.", kDir + "DAT/TazSav02.dat",
                                    kDir + "DAT\\TazSav01.dat\\x\\..", kDir + "SETUP.LOG", kDir + "Tazu.exe"})
        log += line + "\r\n";
    for (const char* save : {"DAT\\TazSav00.dat", "DAT\\TazSav01.dat", "DAT\\TazSav02.dat"}) fake::AddFile(kDir + save, "S");
    fake::AddFile(kDir + "Setup.log", log);
    Run(MbResult::No);
    for (const char* kept : {"DAT\\TazSav00.dat", "DAT\\TazSav01.dat", "DAT\\TazSav02.dat", "Setup.log"})
        EXPECT_TRUE(platform::FileExists(kDir + kept)) << kept;
    EXPECT_FALSE(platform::FileExists(kDir + "Tazu.exe"));
}

// A read-only file the installation put down goes; one held open by another
// program stays, with the record and a log of what is left, and the message
// says so. Once it is let go, the uninstall runs to its end.
TEST_F(Uninstall, FilesThatCannotBeDeletedKeepTheRecordAndALogOfThem) {
    fake::SetReadOnly(kDir + "TAZ\\a.taz", true);
    const int held = fake::HoldOpen(kDir + "ovit.dll");
    Run(MbResult::No);
    EXPECT_FALSE(platform::FileExists(kDir + "TAZ\\a.taz"));
    EXPECT_EQ(fake::Tree(kDir), Folded({kDir, kDir + "DAT\\", kDir + "DAT\\TAZSAV00.DAT", kDir + "DAT\\TAZSAV12.DAT",
                                        kDir + "OVIT.DLL", kDir + "SETUP.LOG"}));
    EXPECT_EQ(platform::ReadWholeFile(kDir + "Setup.log"),
              kDir + "ovit.dll\r\n" + kDir + "DAT\\TazSav00.dat\r\n" + kDir + "DAT\\TAZSAV12.DAT\r\n");
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_FALSE(platform::FileExists(kLink));
    EXPECT_EQ(LastBoxId(), Msg::UninstallIncomplete);
    EXPECT_EQ(fake::Boxes().back().text,
              TextOf(Msg::UninstallIncomplete, {"ソフト表", "1", "C:\\Games\\ソフト表", "・ovit.dll\n"}));
    EXPECT_TRUE(platform::app::Terminated());

    fake::Release(kDir + "ovit.dll", held);
    RestartUtility();
    ASSERT_TRUE(frmInstMain->btnDelete.Visible());
    Run(MbResult::Yes);
    EXPECT_EQ(LastBoxId(), Msg::UninstallDone);
    EXPECT_TRUE(fake::Tree(kDir).empty());
    EXPECT_FALSE(fake::RegKeyExists(kRecordKey));
}

// A log that cannot be read is treated as a missing one; a log left under
// its temporary name by an interrupted record change is used.
TEST_F(Uninstall, UnreadableLogChangesNothingAndAnInterruptedRewriteIsRecovered) {
    fake::SetFault(kDir + "Setup.log", fake::FileFault{true, {}, {}});
    Run(MbResult::Yes);
    EXPECT_EQ(LastBoxId(), Msg::LogMissing);
    EXPECT_TRUE(platform::FileExists(kDir + "Tazu.exe"));
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);

    fake::SetFault(kDir + "Setup.log", {});
    platform::RenameFile(kDir + "Setup.log", kDir + "Setup.log.old");
    Run(MbResult::Yes);
    EXPECT_EQ(LastBoxId(), Msg::UninstallDone);
    EXPECT_TRUE(fake::Tree(kDir).empty());
}

// A log that names no file of the installation (empty, garbage, another
// folder's) cannot say what to delete: nothing changes, and the message
// says the log is there but names nothing.
TEST_F(Uninstall, ALogThatNamesNothingIsNoUninstall) {
    for (const std::string& log : {std::string(), std::string("hello\r\n\r\n"), std::string("D:\\Other\\x.taz\r\n")}) {
        SCOPED_TRACE(log);
        fake::AddFile(kDir + "Setup.log", log);
        const auto before = fake::Files();
        Run(MbResult::Yes);
        EXPECT_EQ(LastBoxId(), Msg::LogEmpty);
        EXPECT_EQ(fake::Files(), before);
        EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    }
}

// Lines are judged as Windows names the file: a short (8.3) spelling of the
// folder is the folder, and its files go like the others. A listed file the
// user deleted already is not "left behind".
TEST_F(Uninstall, ShortNamesAreTheLongOnesAndFilesAlreadyGoneAreNotLeft) {
    fake::SetShortName("C:\\Games\\SOFUTO~1", "C:\\Games\\ソフト表");
    fake::AddFile(kDir + "Setup.log", "C:\\Games\\SOFUTO~1\\Tazu.exe\r\nC:\\GAMES\\SOFUTO~1\\TAZ\\a.taz\r\n" + kDir +
                                          "ovit.dll\r\n" + kDir + "TAZ\\deleted-by-the-user.taz\r\n");
    Run(MbResult::Yes);
    EXPECT_FALSE(platform::FileExists(kDir + "Tazu.exe"));
    EXPECT_FALSE(platform::FileExists(kDir + "TAZ\\a.taz"));
    EXPECT_EQ(LastBoxId(), Msg::UninstallDone);
    EXPECT_FALSE(fake::RegKeyExists(kRecordKey));
}

// A group folder that is a junction or symbolic link holds another place's
// files: nothing is deleted through it, it stays, and its files count as left.
TEST_F(Uninstall, NothingIsDeletedThroughALinkedGroupFolder) {
    fake::SetReparsePoint(kDir + "TAZ");
    Run(MbResult::Yes);
    EXPECT_TRUE(platform::FileExists(kDir + "TAZ\\a.taz"));
    EXPECT_FALSE(platform::FileExists(kDir + "TZM\\m.tzm"));
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_EQ(LastBoxId(), Msg::UninstallIncomplete);
}

// A ProgramFolder of "." names the programs folder itself: no shortcut is
// put there, and the uninstall never removes that folder.
TEST_F(Uninstall, AProgramFolderOfDotLeavesTheProgramsFolderAlone) {
    TearDown();
    FakeMachine::SetUp();
    InsertDisc('Q', "QUENDRIL1",
               "[Setting]\r\nGameTitle=ソフト表\r\nDefInstPath=Game\r\nProgramFolder=.\r\nRegKey=Maker\r\n"
               "ShortcutIcon=game.ico\r\nTazuInstSize=4\r\nVolumeLabel1=QUENDRIL1\r\n");
    for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico"}) fake::AddFile(std::string("Q:\\InstData\\") + f, "x");
    RestartUtility();
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueAnswer(MbResult::No);
    frmInstMain->edtInst.SetText(kDir);
    frmInstMain->btnStart1.Click();
    ASSERT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_EQ(fake::Tree(fake::kProgramsFolder), std::vector<std::string>{sjis::FoldCase(fake::kProgramsFolder) + "\\"});
    RestartUtility();
    Run(MbResult::Yes);
    EXPECT_TRUE(platform::DirectoryExists(fake::kProgramsFolder));
}

// The message names what stayed, so that the user knows what to close:
// five files below the folder, then how many more.
TEST_F(Uninstall, AnIncompleteUninstallNamesFiveFilesThenHowManyMore) {
    std::vector<int> held;
    for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\sys.dat", "TAZ\\a.taz", "TZM\\m.tzm"})
        held.push_back(fake::HoldOpen(kDir + f));
    Run(MbResult::Yes);
    EXPECT_EQ(LastBoxId(), Msg::UninstallIncomplete);
    EXPECT_EQ(fake::Boxes().back().text,
              TextOf(Msg::UninstallIncomplete, {"ソフト表", "7", "C:\\Games\\ソフト表",
                                                "・Tazu.exe\n・Tazu.env\n・ovit.dll\n・game.ico\n・DAT\\sys.dat\nほか2個\n"}));
}

}  // namespace
