// The main menu: start-up into either state, the states themselves, the
// browse button, quitting, and the form tables.
#include <set>

#include "install/instgetinstallfile.h"
#include "install/tzcdrom.h"
#include "platform/app.h"
#include "platform/shellfolders.h"
#include "shell/instmain.h"
#include "test_support.h"

namespace {

using platform::Control;

class Menu : public FakeMachine {
protected:
    // Starts the menu on disc 1 in Q:, optionally with an installation record.
    void Start(const char* instPath = nullptr) {
        InsertDisc('Q', "QUENDRIL1",
                   (std::string(kBasicSetupInf) + "[DAT1]\r\nFile1=a.dat\r\n").c_str());
        if (instPath) fake::RegSetString("Software\\Maker\\ソフト表", "InstPath", instPath);
        AnswerCdDialogOk();
        menu_.Create();
    }
    std::vector<std::string> VisibleControls() {
        std::vector<std::string> names;
        for (Control* c : menu_.Controls())
            if (c->Visible()) names.push_back(c->Name());
        return names;
    }
    TfrmInstMain menu_;
};

TEST_F(Menu, NotInstalledShowsTheInstallStateWithListsGathered) {
    fake::SetDrive('D', fake::Drive{false, std::string("SYSTEM")});
    fake::SetWindowsDirectory("D:\\WINNT");
    Start();
    EXPECT_TRUE(InstConfig.NeedInstall);
    EXPECT_EQ(menu_.Caption(), "『ソフト表』　起動ユーティリティ");
    EXPECT_EQ(menu_.btnStart1.Caption(), "『ソフト表』　をインストール (通常PCM音源版)");
    EXPECT_EQ(menu_.btnStart2.Caption(), "『ソフト表』　をインストール (M-WAVE対策版)");
    EXPECT_EQ(menu_.edtInst.Text(), "D:\\Program Files\\Game");
    EXPECT_EQ(VisibleControls(), (std::vector<std::string>{"btnStart1", "lblInst", "edtInst", "sbInst", "btnExit",
                                                           "btnS", "btnInstDirectX", "btnStart2"}));
    EXPECT_EQ(InstConfig.Files(0, 1), (FileList{"InstData\\DAT\\a.dat"}));
    EXPECT_EQ(InstConfig.ExeSource, "InstData\\Tazu.exe");
}

// A standard user cannot make a folder in Program Files: the proposal is the
// user's own programs folder, proposed but not made (an installation makes
// what is missing of its folder); the probe leaves no trace.
TEST_F(Menu, StandardUserIsOfferedTheirOwnProgramsFolder) {
    fake::AddFile("C:\\Program Files\\Other\\x.exe", "x");
    const auto programFiles = fake::Tree("C:\\Program Files");
    fake::LockFolder("C:\\Program Files");
    Start();
    EXPECT_EQ(menu_.edtInst.Text(), "C:\\Users\\Player\\AppData\\Local\\Programs\\Game");
    EXPECT_FALSE(platform::DirectoryExists("C:\\Users\\Player\\AppData\\Local\\Programs"));
    EXPECT_EQ(fake::Tree("C:\\Program Files"), programFiles);

    // Where the system names the folder, its name is taken.
    menu_.Destroy();
    fake::SetUserProgramFiles(std::string("E:\\Profile\\Programs"));
    fake::SetDrive('E', fake::Drive{false, std::string("HOME")});
    AnswerCdDialogOk();
    menu_.Create();
    EXPECT_EQ(menu_.edtInst.Text(), "E:\\Profile\\Programs\\Game");
}

// A writable Program Files is proposed even when a killed run left its probe
// folder behind (that probe, empty and ours, is taken away) or a file holds
// a probe's name (the next free name is taken), and it is left as it was.
TEST_F(Menu, WritableProgramFilesIsProposedAndLeftAsItWas) {
    fake::AddFile("C:\\Program Files\\~TazuStart-probe-1", "not a folder");
    const auto programFiles = fake::Tree("C:\\Program Files");
    // The empty probe a killed run left is its own: it goes, and changes nothing.
    fake::AddDirectory("C:\\Program Files\\~TazuStart-probe-0");
    Start();
    EXPECT_EQ(menu_.edtInst.Text(), "C:\\Program Files\\Game");
    EXPECT_EQ(fake::Tree("C:\\Program Files"), programFiles);
    EXPECT_FALSE(platform::DirectoryExists("C:\\Users\\Player\\AppData\\Local\\Programs"));
}

TEST_F(Menu, InstalledShowsStartRemoveAndTheRepairGroupWithoutGathering) {
    Start("C:\\Games\\ソフト表\\");
    EXPECT_FALSE(InstConfig.NeedInstall);
    EXPECT_EQ(InstConfig.InstPath, "C:\\Games\\ソフト表\\");
    EXPECT_EQ(menu_.btnStart1.Caption(), "『ソフト表』　を起動");
    EXPECT_EQ(menu_.btnDelete.Caption(), "『ソフト表』　を削除");
    EXPECT_EQ(VisibleControls(), (std::vector<std::string>{"btnStart1", "sbInst", "btnExit", "btnDelete", "gbInstInfo",
                                                           "btnInstInfoDel", "btnInstPathChg", "btnInstDirectX"}));
    EXPECT_TRUE(InstConfig.Files(0, 1).empty());
    EXPECT_TRUE(InstConfig.ExeSource.empty());
    for (const std::string& e : fake::Events()) EXPECT_EQ(e.find("TfrmGetInstallFile"), std::string::npos) << e;
}

TEST_F(Menu, InstallStateAfterInstalledStateIsExactlyTheInstallState) {
    Start("C:\\Games\\");
    menu_.edtInst.SetText("typed");
    menu_.ShowInstallState();
    EXPECT_TRUE(InstConfig.NeedInstall);
    EXPECT_EQ(menu_.edtInst.Text(), "C:\\Program Files\\Game");
    EXPECT_EQ(menu_.btnStart1.Caption(), "『ソフト表』　をインストール (通常PCM音源版)");
    EXPECT_EQ(VisibleControls(), (std::vector<std::string>{"btnStart1", "lblInst", "edtInst", "sbInst", "btnExit",
                                                           "btnS", "btnInstDirectX", "btnStart2"}));
}

TEST_F(Menu, StartUpRunsInOrderBeforeTheWindowShows) {
    Start();
    const std::vector<std::string> expected{
        "create TfrmInstMain",  "taskbar-icon TfrmInstMain", "create TfrmCdRom",
        "show TfrmCdRom",       "modal TfrmCdRom",           "hide TfrmCdRom",
        "destroy TfrmCdRom",    "create TfrmGetInstallFile", "show TfrmGetInstallFile",
        "repaint TfrmGetInstallFile", "destroy TfrmGetInstallFile"};
    std::vector<std::string> seen;
    for (const std::string& e : fake::Events())
        if (e.compare(0, 8, "caption ") != 0) seen.push_back(e);
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(menu_.Visible());
}

TEST_F(Menu, ShowCentresOnTheScreen) {
    Start();
    fake::SetScreenSize(1280, 1023);
    menu_.Show();
    EXPECT_EQ(menu_.Left(), (1280 - (394 + fake::kFrameWidth)) / 2);
    EXPECT_EQ(menu_.Top(), (1023 - (239 + fake::kFrameHeight)) / 2);
    fake::SetScreenSize(300, 200);  // smaller than the window: negative, truncated toward zero
    menu_.Hide();
    menu_.Show();
    EXPECT_EQ(menu_.Left(), -50);
    EXPECT_EQ(menu_.Top(), -32);
}

TEST_F(Menu, ExitClosesTheMainWindowAndDestroyReleasesSharedObjects) {
    Start();
    platform::app::Run();
    EXPECT_TRUE(menu_.Visible());
    menu_.btnExit.Click();
    EXPECT_TRUE(platform::app::Terminated());
    EXPECT_FALSE(menu_.Visible());
    menu_.Destroy();
    for (auto& list : InstConfig.FileLists) EXPECT_EQ(list, nullptr);
    EXPECT_EQ(InstConfig.SetupInf, nullptr);
    EXPECT_EQ(InstConfig.RecordKey, nullptr);
}

TEST_F(Menu, CloseBoxEndsTheApplicationToo) {
    Start();
    platform::app::Run();
    menu_.Close();
    EXPECT_TRUE(platform::app::Terminated());
}

TEST_F(Menu, ProposalTakesTheDriveOfTheWindowsFolder) {
    EXPECT_EQ(ProposedInstallFolder("C:\\WINDOWS", "Game"), "C:\\Program Files\\Game");
    EXPECT_EQ(ProposedInstallFolder("e:\\win", "ソフト表"), "e:\\Program Files\\ソフト表");
    EXPECT_EQ(ProposedInstallFolder("\\\\server\\share\\Windows", "G"), "\\\\server\\share\\Program Files\\G");
}

// ---- browse ----

class Browse : public Menu {
protected:
    void SetUp() override {
        Menu::SetUp();
        Start();
        menu_.edtInst.SetText("X:\\typed by hand");
    }
};

TEST_F(Browse, DriveRootGetsNoSecondBackslash) {
    fake::QueueFolderPick(std::string("D:\\"));
    menu_.btnS.Click();
    EXPECT_EQ(menu_.edtInst.Text(), "D:\\Game");
    ASSERT_EQ(fake::FolderPicks().size(), 1u);
    EXPECT_EQ(fake::FolderPicks()[0].title, "インストール先フォルダを選択してください。");
    EXPECT_EQ(fake::FolderPicks()[0].root, platform::ShellFolder::Drives);
    EXPECT_EQ(fake::FolderPicks()[0].owner, &menu_);
}

TEST_F(Browse, FolderGetsOneBackslashBeforeTheGameFolder) {
    fake::QueueFolderPick(std::string("D:\\Games"));
    menu_.btnS.Click();
    EXPECT_EQ(menu_.edtInst.Text(), "D:\\Games\\Game");
}

TEST_F(Browse, FolderEndingInA5CTrailByteStillGetsItsBackslash) {
    fake::QueueFolderPick(std::string("D:\\ソ"));
    menu_.btnS.Click();
    EXPECT_EQ(menu_.edtInst.Text(), "D:\\ソ\\Game");
    fake::QueueFolderPick(std::string("D:\\表"));
    menu_.btnS.Click();
    EXPECT_EQ(menu_.edtInst.Text(), "D:\\表\\Game");
}

TEST_F(Browse, CancelOrAnEmptyPathKeepsTheTypedText) {
    fake::QueueFolderPick(std::nullopt);
    menu_.btnS.Click();
    EXPECT_EQ(menu_.edtInst.Text(), "X:\\typed by hand");
    fake::QueueFolderPick(std::string());
    menu_.btnS.Click();
    EXPECT_EQ(menu_.edtInst.Text(), "X:\\typed by hand");
    EXPECT_TRUE(fake::Boxes().empty());
}

// ---- tables ----

TEST(FormTables, AreConsistent) {
    for (const platform::FormDef* form : {&kInstMainForm, &kCdRomForm, &kGetInstallFileForm}) {
        SCOPED_TRACE(form->name);
        std::set<std::string> names;
        std::set<std::pair<std::string, int>> tabs;
        for (std::size_t i = 0; i < form->controlCount; ++i) {
            const platform::ControlDef& c = form->controls[i];
            SCOPED_TRACE(c.name);
            EXPECT_TRUE(names.insert(c.name).second) << "duplicate name";
            const std::string parent = c.parent ? c.parent : "";
            if (c.tab >= 0) {
                EXPECT_TRUE(tabs.insert({parent, c.tab}).second) << "duplicate tab order";
            }
            int width = form->clientWidth, height = form->clientHeight;
            if (c.parent) {
                const platform::ControlDef* p = nullptr;
                for (std::size_t j = 0; j < form->controlCount; ++j)
                    if (std::string(form->controls[j].name) == c.parent) p = &form->controls[j];
                ASSERT_NE(p, nullptr) << "parent not in the table";
                EXPECT_TRUE(p->kind == platform::ControlKind::GroupBox || p->kind == platform::ControlKind::Panel);
                width = p->width;
                height = p->height;
            }
            EXPECT_GE(c.left, 0);
            EXPECT_GE(c.top, 0);
            EXPECT_LE(c.left + c.width, width);
            EXPECT_LE(c.top + c.height, height);
        }
    }
}

TEST(FormTables, EveryNamedHandlerIsBound) {
    InstConfig = TInstConfig();
    fake::Reset();
    TfrmInstMain menu;
    TfrmCdRom cd;
    TfrmGetInstallFile notice;
    for (const platform::Form* form : std::initializer_list<const platform::Form*>{&menu, &cd, &notice}) {
        const platform::FormDef& def = form->Def();
        EXPECT_EQ(form->Controls().size(), def.controlCount) << def.name << ": a row without a member";
        for (std::size_t i = 0; i < def.controlCount; ++i)
            if (def.controls[i].onClick) {
                EXPECT_TRUE(form->HasHandler(def.controls[i].onClick)) << def.controls[i].name;
            }
    }
}

TEST(FormTables, BothStartButtonsRunOneHandler) {
    EXPECT_STREQ(kInstMainForm.controls[0].name, "btnStart1");
    EXPECT_STREQ(kInstMainForm.controls[1].name, "btnStart2");
    EXPECT_STREQ(kInstMainForm.controls[0].onClick, kInstMainForm.controls[1].onClick);
}

}  // namespace
