// The install command, the copy form's driver and chunked copy, and the
// rollback of a failed installation, on a fake disc in Q:.
#include <algorithm>
#include <map>
#include <tuple>

#include "install/instcommon.h"
#include "install/instcopyfile.h"
#include "install/transaction.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "test_support.h"

namespace {

using platform::MbButtons;
using platform::MbDefault;
using platform::MbIcon;
using platform::MbResult;

constexpr const char* kTitle = "『ソフト表』　起動ユーティリティ";
constexpr const char* kRecordKey = "Software\\Maker\\ソフト表";
constexpr const char* kLink = "C:\\Users\\Player\\Start Menu\\Programs\\Maker\\Game\\ソフト表.lnk";
const std::string kDir = "C:\\Games\\ソフト表\\";  // ソ ends in a 0x5C byte
const std::string kEnv = "; engine\r\n[environment]\r\ntaz=C\r\nSound=PCM\r\n[Other]\r\nTZD=C\r\n";

struct DiscFile {
    const char* path;
    std::string content;
};
const DiscFile kDiscFiles[] = {
    {"InstData\\Tazu.exe", "EXE"},          {"InstData\\Tazu.env", kEnv},
    {"InstData\\ovit.dll", "PCM"},          {"InstData\\ovit_mwv.dll", "MWAVE"},
    {"InstData\\game.ico", "ICO"},          {"InstData\\DAT\\TazSav00.dat", "SAVE-ON-DISC"},
    {"InstData\\DAT\\sys.dat", "SYSTEM"},   {"InstData\\TAZ\\sub\\a.taz", "TAZ-DATA-0123456789"},
    {"InstData\\TZD\\d1.tzd", "D1"},        {"InstData\\TZD\\d2.tzd", ""},
};

std::uint64_t DiscBytes() {
    std::uint64_t total = 0;
    for (const DiscFile& f : kDiscFiles) total += f.content.size();
    return total - 5;  // ovit_mwv.dll is not installed by the PCM variant
}

class Install : public FakeMachine {
protected:
    void SetUp() override {
        FakeMachine::SetUp();
        for (const DiscFile& f : kDiscFiles) fake::AddFile(std::string("Q:\\") + f.path, f.content, {10, 20, 30});
        fake::AddFile("Q:\\SetupTZD1.inf", "d1.tzd\r\nd2.tzd\n");
        fake::AddFile("Q:\\readme.txt", "read me");
    }
    // Setup.inf with the sizes of the disc's files in TazuInstSize and `extra`
    // lines in [Setting].
    void Start(const std::string& extra = "", std::uint64_t size = DiscBytes(), const std::string& sections = "") {
        InsertDisc('Q', "QUENDRIL1",
                   (std::string(kBasicSetupInf) + "InstBufSize=4\r\nTazuInstSize=" + std::to_string(size) +
                    "\r\nDiscName1=ディスク１\r\n" + extra +
                    "VolumeLabel1=QUENDRIL1\r\n[DAT1]\r\nFile1=TazSav00.dat\r\nFile2=sys.dat\r\n[TAZ1]\r\nFile1=sub\\a.taz\r\n"
                    "[TZD1]\r\nFile1=:\r\n" + sections)
                       .c_str());
        AnswerCdDialogOk();
        frmInstMain = new TfrmInstMain;
        frmInstMain->Create();
    }
    TfrmInstMain& Menu() { return *frmInstMain; }
    void ClickInstall(const std::string& folder, bool mwave = false) {
        Menu().edtInst.SetText(folder);
        (mwave ? Menu().btnStart2 : Menu().btnStart1).Click();
    }
    std::string Log() { return platform::ReadWholeFile(kDir + "Setup.log").value_or("<none>"); }
    // Clicks the copy form's Cancel button at the `n`th message pump (1: first).
    static void CancelAtPump(int n) {
        if (n > 1) {
            fake::OnProcessMessages([n] { CancelAtPump(n - 1); });
            return;
        }
        fake::OnProcessMessages([] { frmCopyFile->btnCancel.Click(); });
    }
};

const std::string kFullLog = kDir + "Tazu.exe\r\n" + kDir + "Tazu.env\r\n" + kDir + "ovit.dll\r\n" + kDir +
                             "game.ico\r\n" + kDir + "DAT\\TazSav00.dat\r\n" + kDir + "DAT\\sys.dat\r\n" + kDir +
                             "TAZ\\a.taz\r\n" + kDir + "TZD\\d1.tzd\r\n" + kDir + "TZD\\d2.tzd\r\n";

TEST_F(Install, InstallsEverythingInOrderAndSwitchesToTheInstalledState) {
    Start();
    fake::SetProcessPolls(3);
    std::vector<bool> enabledDuringReadme;
    // Looks at the menu at every pump until the viewer runs.
    std::function<void()> watch = [&] {
        if (fake::StartedProcesses().empty()) {
            fake::OnProcessMessages(watch);
            return;
        }
        for (platform::Control* c : std::initializer_list<platform::Control*>{
                 &Menu().btnStart1, &Menu().btnDelete, &Menu().btnExit, &Menu().btnInstPathChg})
            enabledDuringReadme.push_back(c->Enabled());
    };
    fake::OnProcessMessages(watch);
    fake::QueueAnswer(MbResult::Yes);  // create the folder
    fake::QueueAnswer(MbResult::No);   // do not start the game now
    ClickInstall("C:\\Games\\ソフト表");

    EXPECT_EQ(Log(), kFullLog);
    EXPECT_EQ(platform::ReadWholeFile(kDir + "ovit.dll"), "PCM");
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TAZ\\a.taz"), "TAZ-DATA-0123456789");
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TZD\\d2.tzd"), "");
    EXPECT_TRUE(platform::DirectoryExists(kDir + "TZM"));  // made even for an empty list
    const auto times = fake::TimesOf(kDir + "TAZ\\a.taz");
    ASSERT_TRUE(times);
    EXPECT_EQ(std::tie(times->creation, times->lastAccess, times->lastWrite), std::make_tuple(10u, 20u, 30u));
    // Keys replaced in place whatever their case, a missing one added at the
    // end of its section, nothing else touched.
    EXPECT_EQ(platform::ReadWholeFile(kDir + "Tazu.env"),
              "; engine\r\n[environment]\r\ntaz=H\r\nSound=PCM\r\nTZD=H\r\nTZS=H\r\nTZM=H\r\n[Other]\r\nTZD=C\r\n");
    const auto link = fake::LinkAt(kLink);
    ASSERT_TRUE(link);
    EXPECT_EQ(std::tie(link->target, link->icon), std::make_tuple(kDir + "Tazu.exe", kDir + "game.ico"));
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);

    ASSERT_EQ(fake::StartedProcesses().size(), 1u);
    EXPECT_EQ(fake::StartedProcesses()[0].application, "C:\\WINDOWS\\notepad.exe");
    EXPECT_EQ(fake::StartedProcesses()[0].commandLine, "C:\\WINDOWS\\notepad.exe Q:\\readme.txt");
    EXPECT_EQ(enabledDuringReadme, (std::vector<bool>{false, false, false, true}));
    // The menu comes back to the front for its question, and Enter starts the game.
    const auto& events = fake::Events();
    const auto front = std::find(events.begin(), events.end(), "front TfrmInstMain");
    EXPECT_NE(front, events.end());
    EXPECT_EQ(events.back(), "focus TfrmInstMain.btnStart1");
    EXPECT_EQ(BoxIds(), (std::vector<Msg>{Msg::CreateFolder, Msg::InstallDone}));
    for (const fake::ShownBox& b : fake::Boxes())
        EXPECT_EQ(std::tie(b.owner, b.caption, b.buttons, b.icon, b.def),
                  std::make_tuple(static_cast<const platform::Form*>(&Menu()), std::string(kTitle), MbButtons::YesNo,
                                  MbIcon::Question, MbDefault::Button1));

    EXPECT_FALSE(InstConfig.NeedInstall);
    EXPECT_FALSE(platform::app::Terminated());
    EXPECT_EQ(Menu().btnStart1.Caption(), "『ソフト表』　を開始");
    EXPECT_EQ(Menu().btnDelete.Caption(), "『ソフト表』　を削除");
    using Controls = std::initializer_list<platform::Control*>;
    for (platform::Control* c : Controls{&Menu().btnStart1, &Menu().btnDelete, &Menu().btnExit, &Menu().gbInstInfo,
                                         &Menu().btnInstDirectX})
        EXPECT_TRUE(c->Visible() && c->Enabled()) << c->Name();
    for (platform::Control* c : Controls{&Menu().btnStart2, &Menu().lblInst, &Menu().edtInst, &Menu().btnS})
        EXPECT_FALSE(c->Visible()) << c->Name();

    // Forgetting the installation gives back the install state with both
    // install buttons usable, though the readme left the hidden one disabled.
    fake::QueueAnswer(MbResult::Yes);
    Menu().btnInstInfoDel.Click();
    EXPECT_TRUE(Menu().btnStart2.Visible() && Menu().btnStart2.Enabled());
    InstConfig.NeedInstall = false;
    InstConfig.SetInstPath(platform::WinPath::Parse(kDir));

    // Now the same button starts the game from its folder and ends the menu.
    Menu().btnStart1.Click();
    ASSERT_EQ(fake::ShellOpens().size(), 1u);
    EXPECT_EQ(std::tie(fake::ShellOpens()[0].file, fake::ShellOpens()[0].directory),
              std::make_tuple(kDir + "Tazu.exe", kDir));
    EXPECT_TRUE(platform::app::Terminated());
}

TEST_F(Install, CompletionYesStartsTheGameAndEndsTheMenuOrSaysItCouldNot) {
    for (bool starts : {true, false}) {
        SCOPED_TRACE(starts);
        TearDown();
        SetUp();
        Start();
        fake::RemoveFile("Q:\\readme.txt");  // no viewer: the question follows at once
        fake::FailShellOpen(!starts);
        ClickInstall(kDir);  // the default answers: create, then start now
        ASSERT_EQ(fake::ShellOpens().size(), 1u);
        EXPECT_EQ(std::tie(fake::ShellOpens()[0].file, fake::ShellOpens()[0].directory),
                  std::make_tuple(kDir + "Tazu.exe", kDir));
        EXPECT_TRUE(fake::StartedProcesses().empty());
        EXPECT_EQ(platform::app::Terminated(), starts);
        if (!starts) {
            EXPECT_EQ(LastBoxId(), Msg::StartFailed);
            EXPECT_TRUE(Menu().btnInstDirectX.Visible());
        }
    }
}

TEST_F(Install, MwaveVariantAsksFirstAndInstallsItsLibraryAsOvitDll) {
    Start();
    fake::AddDirectory(kDir);
    fake::QueueAnswer(MbResult::No);
    ClickInstall(kDir, true);
    ASSERT_EQ(fake::Boxes().size(), 1u);
    const fake::ShownBox& notice = fake::Boxes()[0];
    EXPECT_EQ(std::tie(notice.caption, notice.buttons, notice.icon, notice.def),
              std::make_tuple(std::string("M-WAVE音源対策版インストールについて"), MbButtons::YesNo, MbIcon::Question,
                              MbDefault::Button2));
    EXPECT_EQ(IdOf(notice), Msg::MwaveNotice);
    EXPECT_EQ(InstConfig.DllSource, "InstData\\ovit.dll");  // declining changes nothing
    EXPECT_FALSE(platform::FileExists(kDir + "Setup.log"));

    fake::QueueAnswer(MbResult::Yes);
    ClickInstall(kDir, true);
    EXPECT_EQ(InstConfig.DllSource, "InstData\\ovit_mwv.dll");
    EXPECT_EQ(platform::ReadWholeFile(kDir + "ovit.dll"), "MWAVE");
    // The folder existed: only the notice, then the copy.
    EXPECT_EQ(IdOf(fake::Boxes()[2]), Msg::FolderExists);
}

TEST_F(Install, FolderTextIsCheckedBeforeAnythingHappens) {
    const struct {
        const char* text;
        Msg id;
        const char* why;
        const char* found = "";  // what the path model names in the message
    } rows[] = {
        {"", Msg::FolderEmpty, "empty"},
        {"Games", Msg::FolderNotAbsolute, "relative"},
        {"\\Games", Msg::FolderNotAbsolute, "no drive"},
        {"C:Games", Msg::FolderNotAbsolute, "relative to the drive's current folder"},
        {"D:\\", Msg::FolderIsRoot, "a drive root"},
        {"C:", Msg::FolderIsRoot, "a drive without its backslash is its root too"},
        {"C:\\a|b", Msg::FolderNameInvalid, "a character no name may have: absolute all the same", "使用できない文字「|」"},
        {"C:\\CON\\x", Msg::FolderNameInvalid, "a device name", "Windowsが装置の名前として予約している名前「CON」"},
        {"C:\\..\\x", Msg::FolderNameInvalid, "above the root", "ドライブのルートより上を指す「..」"},
        {"D:\\Games\\Quendril.", Msg::FolderEndsInDotOrBlank, "a trailing dot Windows would drop"},
        {"D:\\Games \\Quendril", Msg::FolderEndsInDotOrBlank, "a trailing blank inside the path"},
        {"C:\\WINDOWS\\..", Msg::FolderIsRoot, "a root by climbing"},
        {"\\\\srv\\share", Msg::FolderIsRoot, "a bare share"},
        {"Z:\\Game", Msg::FolderNotMade, "no such drive"},
    };
    Start();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        const std::size_t before = fake::Boxes().size();
        ClickInstall(row.text);
        ASSERT_EQ(fake::Boxes().size(), before + (row.id == Msg::FolderNotMade ? 2 : 1));
        EXPECT_EQ(LastBoxId(), row.id);
        EXPECT_EQ(fake::Boxes().back().text, TextOf(row.id, {row.found}));
    }
    EXPECT_EQ(fake::OpenCount(), 0);
    EXPECT_TRUE(InstConfig.NeedInstall);
    EXPECT_TRUE(InstConfig.InstPath.empty());

    // A share is absolute; declining to create it stops without a word more.
    fake::QueueAnswer(MbResult::No);
    ClickInstall("\\\\server\\share\\Game");
    EXPECT_EQ(LastBoxId(), Msg::CreateFolder);
    EXPECT_TRUE(InstConfig.InstPath.empty());
}

TEST_F(Install, FreeSpaceEqualToTheTotalPassesOneByteLessStopsBeforeAnyPrompt) {
    Start("VolumeLabel1=OTHER\r\n", 3 * 1048576);  // the disc prompt would come next
    fake::AddDirectory(kDir);
    fake::SetFreeSpace('C', 3 * 1048576 - 1);
    ClickInstall(kDir);
    ASSERT_EQ(BoxIds(), (std::vector<Msg>{Msg::FolderExists, Msg::NoSpace, Msg::NotEnded}));
    EXPECT_EQ(fake::Boxes()[1].text, TextOf(Msg::NoSpace, {" 3.0"}));
    EXPECT_NE(fake::Boxes()[1].owner, &Menu());  // the copy form's
    EXPECT_EQ(Log(), "<none>");  // nothing was written but the empty log, which goes too
    EXPECT_TRUE(platform::app::Terminated());

    TearDown();
    SetUp();
    Start("VolumeLabel1=OTHER\r\n", 3 * 1048576);
    fake::AddDirectory(kDir);
    fake::SetFreeSpace('C', 3 * 1048576);
    fake::QueueAnswer(MbResult::Ok);
    fake::QueueAnswer(MbResult::Cancel);
    ClickInstall(kDir);
    EXPECT_EQ(BoxIds()[1], Msg::DiscPrompt);
}

TEST_F(Install, DiscCheckAsksUntilTheLabelMatchesExactlyOrItsFolderIsThere) {
    // A label in another case is another disc.
    Start();
    fake::SetDrive('Q', fake::Drive{true, std::string("quendril1")});
    fake::AddDirectory(kDir);
    fake::QueueAnswer(MbResult::Ok);  // the folder notice
    fake::QueueAnswer(MbResult::Ok);
    fake::QueueAnswer(MbResult::Cancel);
    ClickInstall(kDir);
    EXPECT_EQ(BoxIds(), (std::vector<Msg>{Msg::FolderExists, Msg::DiscPrompt, Msg::DiscPrompt, Msg::NotEnded}));
    EXPECT_FALSE(platform::FileExists(kDir + "Tazu.exe"));

    // A folder named like the label stands in for the disc.
    TearDown();
    SetUp();
    Start();
    fake::SetDrive('Q', fake::Drive{true, std::string("DISC2")});
    for (const DiscFile& f : kDiscFiles) fake::AddFile(std::string("Q:\\QUENDRIL1\\") + f.path, "F:" + f.content);
    ClickInstall(kDir);
    EXPECT_EQ(Log(), kFullLog);
    EXPECT_EQ(platform::ReadWholeFile(kDir + "Tazu.exe"), "F:EXE");
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TAZ\\a.taz"), "F:TAZ-DATA-0123456789");
}

TEST_F(Install, SecondDiscComesFromItsFolderAfterTheFirstDiscsGroups) {
    Start("TotalDisc=2\r\nVolumeLabel2=DISK_B\r\n", DiscBytes(),
          "[TAZ2]\r\nFile1=b.taz\r\n[DAT2]\r\nFile1=sys.dat\r\nFile2=b.dat\r\n");
    fake::AddFile("Q:\\DISK_B\\InstData\\TAZ\\b.taz", "B");
    fake::AddFile("Q:\\DISK_B\\InstData\\DAT\\sys.dat", "B-SYSTEM");
    fake::AddFile("Q:\\DISK_B\\InstData\\DAT\\b.dat", "B-DATA");
    fake::RemoveFile("Q:\\readme.txt");
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueAnswer(MbResult::No);
    ClickInstall(kDir);
    EXPECT_EQ(Log(), kFullLog + kDir + "DAT\\sys.dat\r\n" + kDir + "DAT\\b.dat\r\n" + kDir + "TAZ\\b.taz\r\n");
    EXPECT_EQ(platform::ReadWholeFile(kDir + "DAT\\sys.dat"), "SYSTEM");  // never overwritten
    EXPECT_EQ(platform::ReadWholeFile(kDir + "DAT\\b.dat"), "B-DATA");   // the next one still copied
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TAZ\\b.taz"), "B");
    EXPECT_EQ(fake::Boxes().size(), 2u);  // no disc prompt
}

TEST_F(Install, NoDiscCountStillChecksDiscOneAndInstallsTheMainFiles) {
    Start("TotalDisc=0\r\n");
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueAnswer(MbResult::No);
    ClickInstall(kDir);
    EXPECT_EQ(Log(), kFullLog.substr(0, kFullLog.find(kDir + "DAT")));
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_FALSE(platform::DirectoryExists(kDir + "DAT"));
}

TEST_F(Install, ExistingDataFilesAreLoggedButKeptAndSparedByTheRollback) {
    Start();
    fake::AddFile(kDir + "DAT\\TazSav00.dat", "MY-SAVE");
    fake::AddFile(kDir + "DAT\\sys.dat", "MY-SYSTEM");
    fake::AddFile(kDir + "TAZ\\a.taz", "OLD");
    CancelAtPump(44);  // inside the TAZ file: 40 pumps for the main files, 2 a chunk
    fake::QueueAnswer(MbResult::Ok);   // the folder notice
    fake::QueueAnswer(MbResult::Yes);  // stop the installation
    ClickInstall(kDir);
    EXPECT_EQ(BoxIds(), (std::vector<Msg>{Msg::FolderExists, Msg::CancelQuestion, Msg::NotEnded}));
    EXPECT_NE(fake::Boxes()[1].owner, &Menu());  // owned by the copy form
    // The save data and the log stay, with the DAT folder and the install
    // folder; the TAZ file it replaced is back as it was; the copied files
    // and the folders it made are gone.
    EXPECT_EQ(fake::Tree(kDir), (std::vector<std::string>{
                                    sjis::FoldCase(kDir), sjis::FoldCase(kDir + "DAT\\"),
                                    sjis::FoldCase(kDir + "DAT\\SYS.DAT"), sjis::FoldCase(kDir + "DAT\\TAZSAV00.DAT"),
                                    sjis::FoldCase(kDir + "SETUP.LOG"), sjis::FoldCase(kDir + "TAZ\\"),
                                    sjis::FoldCase(kDir + "TAZ\\A.TAZ")}));
    EXPECT_EQ(platform::ReadWholeFile(kDir + "DAT\\TazSav00.dat"), "MY-SAVE");
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TAZ\\a.taz"), "OLD");
    EXPECT_FALSE(fake::RegGetString(kRecordKey, "InstPath"));
    EXPECT_FALSE(fake::LinkAt(kLink));
    EXPECT_TRUE(platform::app::Terminated());
}

TEST_F(Install, CancelAnsweredNoGoesOnAndYesRollsBackNewSaveDataToo) {
    Start();
    CancelAtPump(3);
    fake::QueueAnswer(MbResult::Yes);  // create
    fake::QueueAnswer(MbResult::No);   // go on
    ClickInstall(kDir);                // finishes: the question came once
    EXPECT_EQ(BoxIds()[1], Msg::CancelQuestion);
    EXPECT_EQ(Log(), kFullLog);

    TearDown();
    SetUp();
    Start();
    CancelAtPump(49);  // inside sys.dat, after TazSav00.dat was copied
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueAnswer(MbResult::Yes);
    ClickInstall(kDir);
    EXPECT_TRUE(fake::Tree(kDir).empty());  // the folder it made is gone too

    // So are the folders above it that the command made, and only those.
    TearDown();
    SetUp();
    Start();
    fake::AddDirectory("C:\\Games");
    CancelAtPump(1);
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueAnswer(MbResult::Yes);
    ClickInstall("C:\\Games\\New\\ソ\\Game");
    EXPECT_EQ(fake::Tree("C:\\Games"), std::vector<std::string>{"C:\\GAMES\\"});
}

TEST_F(Install, FailuresInTheLastStepsEndAsAFailedInstallationWithoutARecord) {
    const std::function<void()> faults[] = {
        [] { fake::FailLinkObject(true); },
        [] { fake::RegFailWritesOf("InstPath"); },
        [] { fake::SetFault(kDir + kEnvReplacement, fake::FileFault{true, {}, {}}); },
        [] { fake::SetFault(kDir + kEnvReplacement, fake::FileFault{false, {}, 10}); },
    };
    const char* const errors[] = {"Class not registered", "インストール情報をレジストリに書き込めませんでした。",
                                  "ファイルに書き込めません。\n\n[ C:\\Games\\ソフト表\\Tazu.env ]",
                                  "ファイルに書き込めません。\n\n[ C:\\Games\\ソフト表\\Tazu.env ]"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(errors[i]);
        TearDown();
        SetUp();
        Start();
        faults[i]();
        ClickInstall(kDir);
        ASSERT_EQ(BoxIds(), (std::vector<Msg>{Msg::CreateFolder, Msg::Error, Msg::NotEnded}));
        EXPECT_EQ(fake::Boxes()[1].text, TextOf(Msg::Error, {errors[i]}));
        EXPECT_FALSE(fake::RegGetString(kRecordKey, "InstPath"));
        EXPECT_FALSE(platform::FileExists(kDir + "Tazu.exe"));
        EXPECT_FALSE(platform::FileExists(kDir + kEnvReplacement));
        EXPECT_FALSE(fake::LinkAt(kLink));  // made a moment before the record, pointing at nothing now
    }

    // Only a missing shell-link object fails the installation: a shortcut
    // that cannot be saved leaves a finished installation as it is.
    TearDown();
    SetUp();
    Start();
    fake::SetFault(kLink, fake::FileFault{true, {}, {}});
    ClickInstall(kDir);
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_TRUE(platform::FileExists(kDir + "Tazu.exe"));
}

// A folder made on the way to an install folder that could not be made,
// and that will not go at once, is taken away by the next start.
TEST_F(Install, FolderMadeOnTheWayThatWouldNotGoIsTakenAwayByTheNextStart) {
    Start();
    // From the answer: the marker and its flush, C:\Games made, the install
    // folder refused, the marker again, C:\Games refusing to go.
    fake::QueueAnswer(MbResult::Yes, [] { fake::FailCalls({4, 6}); });
    ClickInstall(kDir);
    EXPECT_EQ(LastBoxId(), Msg::FolderNotMade);
    EXPECT_TRUE(platform::DirectoryExists("C:\\Games"));
    RestartUtility();
    EXPECT_FALSE(platform::DirectoryExists("C:\\Games"));
}

TEST_F(Install, EmptyShortcutIconFailsTheFourthCopy) {
    Start();
    // What gathering makes of an empty ShortcutIcon: the source is InstData itself.
    InstConfig.ShortcutIcon.clear();
    InstConfig.IconSource = "InstData\\";
    ClickInstall(kDir);
    EXPECT_EQ(LastBoxId(), Msg::NotEnded);
    EXPECT_FALSE(platform::FileExists(kDir + "Tazu.exe"));
}

TEST_F(Install, UnwritableFolderStopsBeforeAnyCopyAndNamesIt) {
    Start();
    fake::AddDirectory(kDir);
    fake::SetFault(kDir + "Setup.log", fake::FileFault{true, {}, {}});
    ClickInstall(kDir);
    ASSERT_EQ(BoxIds(), (std::vector<Msg>{Msg::FolderExists, Msg::NotWritable, Msg::NotEnded}));
    EXPECT_EQ(fake::Boxes()[1].text, TextOf(Msg::NotWritable, {kDir}));
    // Nothing was written: no deleting window.
    for (const std::string& e : fake::Events()) EXPECT_EQ(e.find("TfrmDeleteFiles"), std::string::npos) << e;
    EXPECT_FALSE(platform::FileExists(kDir + "Tazu.exe"));
}

// The record removed and the game installed again in the same run: the
// second installation, failing before it wrote anything, undoes nothing of
// the first.
TEST_F(Install, SecondInstallationOfTheRunRollsBackOnlyItself) {
    Start();
    fake::RemoveFile("Q:\\readme.txt");
    fake::QueueAnswer(MbResult::Yes);  // create
    fake::QueueAnswer(MbResult::No);   // not now
    ClickInstall(kDir);
    fake::QueueAnswer(MbResult::Yes);  // remove the record
    Menu().btnInstInfoDel.Click();
    const auto before = fake::Files();
    fake::SetReadOnly(kDir + "Setup.log", true);
    ClickInstall(kDir);
    EXPECT_EQ(LastBoxId(), Msg::NotEnded);
    EXPECT_EQ(fake::Files(), before);
}

// A DAT file listed on both discs is copied from disc 1; the second listing
// finds this installation's own copy, which the rollback takes away.
// A.taz, there before, is replaced once: moved aside for disc 1's copy, it
// comes back whole though disc 2's copy came after.
TEST_F(Install, DataFileListedOnBothDiscsIsRolledBackAsItsOwnCopy) {
    Start("TotalDisc=2\r\nVolumeLabel2=DISK_B\r\n", DiscBytes(),
          "[DAT2]\r\nFile1=TazSav00.dat\r\n[TAZ2]\r\nFile1=a.taz\r\nFile2=b.taz\r\n");
    fake::AddFile("Q:\\DISK_B\\InstData\\DAT\\TazSav00.dat", "B");
    fake::AddFile("Q:\\DISK_B\\InstData\\TAZ\\a.taz", "B");
    fake::AddFile(kDir + "TAZ\\a.taz", "OLD");
    ClickInstall(kDir);  // b.taz is missing on disc 2
    EXPECT_EQ(LastBoxId(), Msg::NotEnded);
    EXPECT_EQ(fake::Tree(kDir).size(), 3u);  // the two folders and a.taz
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TAZ\\a.taz"), "OLD");
}

// Another program writes a file at a planned destination while the copy
// runs: the copy refuses to empty it, and the rollback leaves it.
TEST_F(Install, FileAnotherProgramPutsAtAPlannedDestinationSurvives) {
    Start();
    fake::OnProcessMessages([] { fake::AddFile(kDir + "TAZ\\a.taz", "THEIRS"); });
    ClickInstall(kDir);
    // Its folder, made by the installation, cannot go now: the next start ends the rollback.
    EXPECT_EQ(LastBoxId(), Msg::RollbackIncomplete);
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TAZ\\a.taz"), "THEIRS");
    RestartUtility();
    EXPECT_EQ(platform::ReadWholeFile(kDir + "TAZ\\a.taz"), "THEIRS");
}

TEST_F(Install, MenuClosedDuringTheReadmeAsksNothingAndStartsNothing) {
    Start();
    fake::SetProcessPolls(3);
    fake::OnProcessMessages([] { fake::OnProcessMessages([] { platform::app::Terminate(); }); });
    fake::QueueAnswer(MbResult::Yes);  // create the folder
    ClickInstall(kDir);
    EXPECT_EQ(fake::Boxes().size(), 1u);
    EXPECT_TRUE(fake::ShellOpens().empty());
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
}

// ---- one file at a time ----------------------------------------------------

class Copy : public Install {
protected:
    void SetUp() override {
        Install::SetUp();
        Start();
        InstConfig.InstPath = "C:\\";  // the copy of one file does not look at the folder
        form_.Create();
        InstConfig.TotalInstSize = 10;
        // The destination is planned, and the installation's own already
        // (a name in two lists): each copy writes it anew.
        installation_.Planned().files.push_back({"C:\\x.bin", PlannedFile::Kind::New, ""});
        installation_.Journal();
        installation_.OpenForWrite("C:\\x.bin");
    }
    bool Run(const std::string& content) {
        fake::AddFile("Q:\\x.bin", content, {7, 8, 9});
        return CopyFileWithProgress(form_, "C:\\x.bin", "Q:\\x.bin");
    }
    std::vector<int> Positions(const char* bar) {
        std::vector<int> seen;
        const std::string prefix = std::string("progress TfrmCopyFile.") + bar + "=";
        for (const std::string& e : fake::Events())
            if (e.compare(0, prefix.size(), prefix) == 0) seen.push_back(std::stoi(e.substr(prefix.size())));
        return seen;
    }
    BoxReporter boxes_;
    TfrmInstMain over_;
    Installation installation_{*platform::WinPath::Parse("C:\\")};
    TfrmCopyFile form_{over_, installation_, boxes_};
};

TEST_F(Copy, CopiesInChunksWithTheBarsLabelsAndTimes) {
    fake::AddFile("C:\\x.bin", std::string(100, 'o'));  // longer: truncated
    EXPECT_FALSE(Run("0123456789"));
    EXPECT_EQ(platform::ReadWholeFile("C:\\x.bin"), "0123456789");
    const auto times = fake::TimesOf("C:\\x.bin");
    EXPECT_EQ(std::tie(times->creation, times->lastAccess, times->lastWrite), std::make_tuple(7u, 8u, 9u));
    EXPECT_EQ(form_.lblInstFile.Caption(), "x.bin をコピーしています...");
    EXPECT_EQ(Positions("pgbFile"), (std::vector<int>{40, 80, 100}));
    EXPECT_EQ(Positions("pgbAll"), (std::vector<int>{40, 80, 100}));
    EXPECT_EQ(form_.lblFilePer.Caption(), "100%");
    EXPECT_EQ(form_.lblAllPer.Caption(), "100%");
    EXPECT_EQ(form_.FTotalCopied, 10u);
}

TEST_F(Copy, ZeroLengthFileIsCreatedEmptyWithoutAChunk) {
    form_.lblFilePer.SetCaption("100%");  // the last file's
    EXPECT_FALSE(Run(""));
    EXPECT_EQ(form_.lblFilePer.Caption(), "  0%");
    EXPECT_EQ(platform::ReadWholeFile("C:\\x.bin"), "");
    EXPECT_EQ(fake::TimesOf("C:\\x.bin")->lastWrite, 9u);
    EXPECT_TRUE(Positions("pgbFile").empty());
}

TEST_F(Copy, FailuresLeaveThePartialFileWithTheSourceTimesAndNoMessage) {
    const struct {
        fake::FileFault source, destination;
        const char* left;
        const char* why;
    } rows[] = {
        {{false, 6, {}}, {}, "0123", "read fails mid-file"},
        {{}, {false, {}, 6}, "012345", "write fails mid-file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        fake::SetFault("Q:\\x.bin", row.source);
        fake::SetFault("C:\\x.bin", row.destination);
        EXPECT_TRUE(Run("0123456789"));
        EXPECT_EQ(platform::ReadWholeFile("C:\\x.bin"), row.left);
        EXPECT_EQ(fake::TimesOf("C:\\x.bin")->creation, 7u);
    }
    EXPECT_TRUE(CopyFileWithProgress(form_, "C:\\y.bin", "Q:\\missing.bin"));
    EXPECT_FALSE(platform::FileExists("C:\\y.bin"));
    EXPECT_TRUE(fake::Boxes().empty());
}

// A chunk that fails to read is read again from its first byte after a
// pause: four failures in a row still give the whole file, a fifth ends
// the copy, within a few seconds.
TEST_F(Copy, FailedReadIsTriedAgainFromWhereTheChunkBegan) {
    for (const int failures : {4, 5}) {
        SCOPED_TRACE(failures);
        fake::SetFault("Q:\\x.bin", fake::FileFault{false, 6, {}, failures});
        const int before = fake::Waited();
        EXPECT_EQ(Run("0123456789"), failures == 5);
        EXPECT_EQ(platform::ReadWholeFile("C:\\x.bin"), failures == 5 ? "0123" : "0123456789");
        EXPECT_GE(fake::Waited() - before, 2000);
        EXPECT_LE(fake::Waited() - before, 10000);
    }
}

TEST_F(Copy, MoreBytesThanConfiguredKeepTheTotalAtTheEndAndTheRemainderAtZero) {
    InstConfig.TotalInstSize = 4;
    InstConfig.RemainInstSize = 4;
    InstConfig.DiskFreeSize = 2.45L * 1048576 + 5;  // " 2.5MB" until the copy's 10 bytes
    form_.ShowSizes();  // measured, as before the first copy
    EXPECT_FALSE(Run("0123456789"));
    EXPECT_EQ(InstConfig.RemainInstSize, 0u);
    EXPECT_EQ(form_.lblAllPer.Caption(), "100%");
    // The panel follows the copy, though only the screen's updates make its text.
    EXPECT_EQ(form_.pnlSize.Caption(), "インストール残り容量： 0.0MB　　インストール先ディスク空き容量： 2.4MB");
}

// The figures of the size panel with their units, as "600.0MB 77.0GB".
std::string Figures(const std::string& caption) {
    std::string figures;
    for (auto at = caption.find("："); at != std::string::npos; at = caption.find("：", at + 1)) {
        std::string figure = caption.substr(at + 2, caption.find("　", at) - at - 2);
        figures += (figures.empty() ? "" : " ") + figure.substr(figure.find_first_not_of(' '));
    }
    return figures;
}

// Too wide for the panel in MB, the free space goes to GB, or TB from 1 TB
// up, and only if that is not enough the remaining size to GB as well.
TEST_F(Copy, SizePanelRaisesUnitsOnlyAsFarAsTheTextNeeds) {
    const std::uint64_t mib = 1 << 20;
    const struct {
        std::uint64_t remain, free;
        const char* figures;
    } rows[] = {
        {600 * mib, 77 * 1024 * mib, "600.0MB 77.0GB"},
        {10 * mib, 1024 * 1024 * mib, "10.0MB 1.0TB"},
        {4096 * mib, 16 * 1024 * 1024 * mib, "4.0GB 16.0TB"},
    };
    for (const auto& row : rows) {
        InstConfig.RemainInstSize = row.remain;
        InstConfig.DiskFreeSize = static_cast<long double>(row.free);
        form_.ShowSizes();
        EXPECT_EQ(Figures(form_.pnlSize.Caption()), row.figures);
    }
}

TEST(CopyMaths, PercentagesAreTruncatedSixtyFourBitAndSafeAtZero) {
    const std::uint64_t big = 5ull << 30;  // 5 GiB
    const struct {
        std::uint64_t done, total;
        int percent;
    } rows[] = {
        {0, 10, 0}, {1, 3, 33}, {2, 3, 66}, {10, 10, 100}, {11, 10, 100},
        {big / 2, big, 50}, {big - 1, big, 99}, {0, 0, 0}, {1, 0, 100},
    };
    for (const auto& r : rows) EXPECT_EQ(PercentOf(r.done, r.total), r.percent) << r.done << "/" << r.total;
}

TEST(SaveData, NamesZeroToTwelveInAnyCaseOnTheFileNamePart) {
    const struct {
        const char* path;
        bool save;
    } rows[] = {
        {"C:\\Games\\DAT\\tazsav07.DAT", true}, {"TazSav00.dat", true}, {"TazSav12.dat", true},
        {"D:TazSav03.dat", true},               {"TazSav13.dat", false}, {"TazSav7.dat", false},
        {"TazSav00.dat.bak", false},            {"TazSav00.dat\\readme.txt", false},
        {"C:\\G\\DAT\\TazSav00.dat\\.", true},  {"C:\\G\\DAT/TazSav02.dat", true},
        {"C:\\G\\DAT\\TazSav01.dat\\x\\..", true},
        {"C:\\ソ\\TazSav01.dat", true},         {"TazSav01.dat ", false},
    };
    for (const auto& r : rows) EXPECT_EQ(IsSaveDataFile(r.path), r.save) << r.path;
}

}  // namespace

namespace {

// A drive at Z:, a Setup.inf laid out with tabs, and the second disc put in
// while the prompt for it is up.
// Disc 1 in the drive, or read from its folder on a disc of another label;
// disc 2 put in at its prompt is then read from the drive itself.
TEST_F(FakeMachine, TwoDiscsSwappedInADriveAtZ) {
    for (const bool disc1FromFolder : {false, true}) {
        SCOPED_TRACE(disc1FromFolder);
        TearDown();
        SetUp();
        const std::string disc1 = disc1FromFolder ? "Z:\\DISK_A\\InstData\\" : "Z:\\InstData\\";
        InsertDisc('Z', "QUENDRIL1",
                   (std::string("[Setting]\r\n"
                                "GameTitle\t\t= ソフト表\r\n"
                                "DefInstPath\t\t= Game\r\n"
                                "ProgramFolder\t= Maker\r\n"
                                "RegKey\t\t\t= Maker\r\n"
                                "ShortcutIcon\t= game.ico\r\n"
                                "TotalDisc\t\t= 2\r\n"
                                "TazuInstSize\t= 1000\r\n"
                                "VolumeLabel1\t= ") +
                    (disc1FromFolder ? "DISK_A" : "QUENDRIL1") +
                    "\r\n"
                    "VolumeLabel2\t= QUENDRIL2\r\n"
                    "DiscName2\t\t= ディスク２\r\n"
                    "[TAZ1]\r\nFile1\t= one.taz\r\n"
                    "[TAZ2]\r\nFile1\t= two.taz\r\n")
                       .c_str());
        for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "TAZ\\one.taz"})
            fake::AddFile(disc1 + f, f);
        // The Tazu.exe of the disc's root is what a folder-mode disc 1 must not copy.
        if (disc1FromFolder) fake::AddFile("Z:\\InstData\\Tazu.exe", "wrong");
        fake::SetExecutableFolder("Z:\\");  // started from the disc
        AnswerCdDialogOk();
        frmInstMain = new TfrmInstMain;
        frmInstMain->Create();
        fake::QueueAnswer(MbResult::Yes);  // create the folder
        fake::QueueAnswer(MbResult::Ok, [] {
            fake::AddFile("Z:\\InstData\\TAZ\\two.taz", "disc two");
            fake::SetDrive('Z', fake::Drive{true, std::string("QUENDRIL2")});
        });
        fake::QueueAnswer(MbResult::No);  // not now
        frmInstMain->edtInst.SetText("C:\\Game");
        frmInstMain->btnStart1.Click();

        ASSERT_EQ(fake::Boxes().size(), 3u);
        EXPECT_EQ(fake::Boxes()[1].text, TextOf(Msg::DiscPrompt, {"ソフト表", "ディスク２"}));
        EXPECT_EQ(platform::ReadWholeFile("C:\\Game\\Setup.log"),
                  "C:\\Game\\Tazu.exe\r\nC:\\Game\\Tazu.env\r\nC:\\Game\\ovit.dll\r\nC:\\Game\\game.ico\r\n"
                  "C:\\Game\\TAZ\\one.taz\r\nC:\\Game\\TAZ\\two.taz\r\n");
        EXPECT_EQ(platform::ReadWholeFile("C:\\Game\\Tazu.exe"), "Tazu.exe");
        EXPECT_EQ(platform::ReadWholeFile("C:\\Game\\TAZ\\two.taz"), "disc two");
        EXPECT_EQ(fake::RegGetString("Software\\Maker\\ソフト表", "InstPath"), "C:\\Game\\");
    }
}

}  // namespace
