// Start-up: guards, disc search, [Setting] and the installation record.
#include <algorithm>

#include "install/tzcdrom.h"
#include "platform/app.h"
#include "shell/instmain.h"
#include "shell/kivanlib.h"
#include "shell/main.h"
#include "test_support.h"

namespace {

using platform::MbIcon;

int CountEvents(const std::string& e) {
    return static_cast<int>(std::count(fake::Events().begin(), fake::Events().end(), e));
}

class Startup : public FakeMachine {};

TEST_F(Startup, GameRunningEndsSilentlyWithoutTakingTheMutex) {
    fake::Mutexes().insert("TazuEngineUnit");
    EXPECT_EQ(UtilityMain(), 0);
    EXPECT_EQ(fake::Mutexes().count("TazuUtility"), 0u);
    EXPECT_TRUE(fake::Events().empty());
    EXPECT_TRUE(fake::Boxes().empty());
}

TEST_F(Startup, SecondCopyEndsSilentlyAndLeavesTheFirstCopysMutex) {
    fake::Mutexes().insert("TazuUtility");
    EXPECT_EQ(UtilityMain(), 0);
    EXPECT_EQ(fake::Mutexes().count("TazuUtility"), 1u);
    EXPECT_TRUE(fake::Events().empty());
}

TEST_F(Startup, NormalRunHoldsTheMutexUntilTheMenuCloses) {
    InsertDisc('Q', "QUENDRIL1");
    AnswerCdDialogOk();
    bool heldWhileRunning = false;
    fake::OnProcessMessages([&] { heldWhileRunning = fake::Mutexes().count("TazuUtility") == 1; });
    EXPECT_EQ(UtilityMain(), 0);
    EXPECT_TRUE(heldWhileRunning);
    EXPECT_EQ(fake::Mutexes().count("TazuUtility"), 0u);
    EXPECT_EQ(CountEvents("show TfrmInstMain"), 1);
    EXPECT_EQ(CountEvents("destroy TfrmInstMain"), 1);
    EXPECT_EQ(platform::app::Title(), "『ソフト表』　起動ユーティリティ");
}

TEST_F(Startup, MutexOperationsTakeTestAndRelease) {
    EXPECT_FALSE(IsMutexPresent("TazuUtility"));
    EXPECT_TRUE(TryTakeSingleInstanceMutex("TazuUtility"));
    EXPECT_TRUE(IsMutexPresent("TazuUtility"));
    EXPECT_FALSE(TryTakeSingleInstanceMutex("TazuUtility"));  // a second taker must quit
    ReleaseSingleInstanceMutex();
    EXPECT_FALSE(IsMutexPresent("TazuUtility"));
}

TEST_F(Startup, CancelInTheCdDialogEndsTheProcessAndTheNextStartPasses) {
    InsertDisc('Q', "QUENDRIL1");
    AnswerCdDialogCancel();
    try {
        UtilityMain();
        FAIL() << "the process should have ended";
    } catch (const fake::ProcessExit& e) {
        EXPECT_EQ(e.code, 0);
    }
    EXPECT_TRUE(fake::Boxes().empty());
    // The operating system drops the mutex of an ended process.
    fake::Mutexes().clear();
    EXPECT_FALSE(IsMutexPresent("TazuUtility"));
}

TEST_F(Startup, EscapedErrorIsReportedAndTheMutexReleased) {
    InsertDisc('Q', "QUENDRIL1");
    fake::OnModal("TfrmCdRom", [](platform::Form&) { throw std::runtime_error("boom"); });
    EXPECT_EQ(UtilityMain(), 0);
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, "boom");
    EXPECT_EQ(fake::Boxes()[0].caption, "TAZU Start Up Utility");
    EXPECT_EQ(fake::Boxes()[0].icon, MbIcon::Error);
    EXPECT_EQ(fake::Mutexes().count("TazuUtility"), 0u);
}

// ---- disc search ----

class DiscSearch : public FakeMachine {};

TEST_F(DiscSearch, WrongDiscsBringTheDialogBackWithoutAMessage) {
    InsertDisc('E', "quendril1");  // lower case is another label
    InsertDisc('F', "QUENDRIL2");
    fake::SetDrive('G', fake::Drive{true, std::nullopt});  // empty drive
    InsertDisc('Q', "QUENDRIL1");
    auto pick = [](int index) {
        fake::OnModal("TfrmCdRom", [index](platform::Form& f) {
            auto& dlg = static_cast<TfrmCdRom&>(f);
            dlg.cbCdRom.SetItemIndex(index);
            dlg.btnOK.Click();
        });
    };
    pick(0);
    pick(1);
    pick(2);
    pick(3);
    FindInstallDisc();
    EXPECT_EQ(InstConfig.CdDrive, 'Q');
    EXPECT_EQ(CountEvents("modal TfrmCdRom"), 4);
    EXPECT_TRUE(fake::Boxes().empty());
}

TEST_F(DiscSearch, CancelAfterAWrongDiscEndsTheProcess) {
    InsertDisc('Q', "QUENDRIL2");
    AnswerCdDialogOk();
    AnswerCdDialogCancel();
    EXPECT_THROW(FindInstallDisc(), fake::ProcessExit);
    EXPECT_EQ(CountEvents("modal TfrmCdRom"), 2);
    EXPECT_EQ(CountEvents("destroy TfrmCdRom"), 1);
}

TEST_F(DiscSearch, DialogListsCdDrivesInOrderAndPreselectsTheFirstEveryTime) {
    InsertDisc('Q', "X");
    InsertDisc('E', "X");
    fake::SetDrive('D', fake::Drive{false, std::string("DATA")});  // a hard disk
    TfrmCdRom dlg;
    dlg.Create();
    fake::OnModal("TfrmCdRom", [](platform::Form& f) {
        auto& d = static_cast<TfrmCdRom&>(f);
        ASSERT_EQ(d.cbCdRom.ItemCount(), 2);
        EXPECT_EQ(d.cbCdRom.Item(0), "E: ドライブ");
        EXPECT_EQ(d.cbCdRom.Item(1), "Q: ドライブ");
        EXPECT_EQ(d.cbCdRom.ItemIndex(), 0);
        d.cbCdRom.SetItemIndex(1);
        d.btnOK.Click();
    });
    EXPECT_EQ(dlg.ShowModal(), platform::mrOK);
    EXPECT_EQ(InstConfig.CdDrive, 'Q');
    InsertDisc('A', "X");  // attached between two showings
    fake::OnModal("TfrmCdRom", [](platform::Form& f) {
        auto& d = static_cast<TfrmCdRom&>(f);
        ASSERT_EQ(d.cbCdRom.ItemCount(), 3);
        EXPECT_EQ(d.cbCdRom.Item(0), "A: ドライブ");
        EXPECT_EQ(d.cbCdRom.ItemIndex(), 0);
        d.btnOK.Click();
    });
    EXPECT_EQ(dlg.ShowModal(), platform::mrOK);
    EXPECT_EQ(InstConfig.CdDrive, 'A');
    const platform::app::Size screen = platform::app::ScreenSize();
    EXPECT_EQ(dlg.Left(), (screen.width - (298 + fake::kFrameWidth)) / 2);
    EXPECT_EQ(dlg.Top(), (screen.height - (123 + fake::kFrameHeight)) / 2);
}

TEST_F(DiscSearch, NoCdDriveLeavesOnlyCancel) {
    InstConfig.CdDrive = 'K';
    TfrmCdRom dlg;
    dlg.Create();
    fake::OnModal("TfrmCdRom", [](platform::Form& f) {
        auto& d = static_cast<TfrmCdRom&>(f);
        ASSERT_EQ(d.cbCdRom.ItemCount(), 1);
        EXPECT_EQ(d.cbCdRom.Item(0), "CD-ROMドライブが存在しません。");
        EXPECT_EQ(d.cbCdRom.ItemIndex(), 0);
        EXPECT_FALSE(d.cbCdRom.Enabled());
        EXPECT_FALSE(d.btnOK.Enabled());
        EXPECT_TRUE(d.btnCancel.Enabled());
        d.btnCancel.Click();
    });
    EXPECT_EQ(dlg.ShowModal(), platform::mrCancel);
    EXPECT_EQ(InstConfig.CdDrive, 'K');
    EXPECT_TRUE(fake::Boxes().empty());
}

TEST_F(DiscSearch, CloseBoxCancels) {
    TfrmCdRom dlg;
    dlg.Create();
    fake::OnModal("TfrmCdRom", [](platform::Form& f) { f.Close(); });
    EXPECT_EQ(dlg.ShowModal(), platform::mrCancel);
}

// ---- [Setting] ----

class Setting : public FakeMachine {
protected:
    // Reads the given Setup.inf from disc 1 in Q: and returns the boxes shown;
    // `ended` tells whether the process ended.
    void Read(const char* inf) {
        InsertDisc('Q', "QUENDRIL1", inf);
        InstConfig.CdDrive = 'Q';
        form_.Create();
        try {
            BoxReporter boxes;
            ReadSettingSection(form_, boxes);
        } catch (const fake::ProcessExit&) {
            ended_ = true;
        }
    }
    void ExpectIncomplete() {
        EXPECT_TRUE(ended_);
        ASSERT_EQ(BoxIds(), std::vector<Msg>{Msg::SetupInfIncomplete});
        EXPECT_EQ(fake::Boxes()[0].owner, &form_);
    }
    struct Probe : platform::Form {
        Probe() : Form(kInstMainForm) {}
    } form_;
    bool ended_ = false;
};

TEST_F(Setting, MissingKeysTakeTheirDefaults) {
    Read(kBasicSetupInf);
    EXPECT_FALSE(ended_);
    EXPECT_TRUE(fake::Boxes().empty());
    EXPECT_EQ(InstConfig.CdRoot, "Q:\\");
    EXPECT_EQ(InstConfig.SetupInfPath, "Q:\\Setup.inf");
    EXPECT_EQ(InstConfig.GameTitle, "ソフト表");
    EXPECT_EQ(InstConfig.DefInstPath, "Game");
    EXPECT_EQ(InstConfig.ProgramFolder, "Maker\\Game");
    EXPECT_EQ(InstConfig.RegKey, "Maker");
    EXPECT_EQ(InstConfig.ShortcutIcon, "game.ico");
    EXPECT_EQ(InstConfig.InstBufSize, 32768);
    EXPECT_EQ(InstConfig.TotalDisc, 1);
    EXPECT_EQ(InstConfig.TazuInstSize + InstConfig.DatInstSize + InstConfig.TazInstSize + InstConfig.TzdInstSize +
                  InstConfig.TzsInstSize + InstConfig.TzmInstSize,
              0);
    EXPECT_EQ(platform::app::Title(), "『ソフト表』　起動ユーティリティ");
    EXPECT_EQ(form_.Caption(), platform::app::Title());
}

TEST_F(Setting, NumbersAreReadEachIntoItsField) {
    std::string inf = kBasicSetupInf;
    inf += "InstBufSize=65536\r\nTotalDisc=2\r\nTazuInstSize=1\r\nDatInstSize=2\r\nTazInstSize=3\r\n"
           "TzdInstSize=4\r\nTzsInstSize=5\r\nTzmInstSize=6\r\n";
    Read(inf.c_str());
    EXPECT_FALSE(ended_);
    EXPECT_EQ(InstConfig.InstBufSize, 65536);
    EXPECT_EQ(InstConfig.TotalDisc, 2);
    EXPECT_EQ(InstConfig.TazuInstSize, 1);
    EXPECT_EQ(InstConfig.DatInstSize, 2);
    EXPECT_EQ(InstConfig.TazInstSize, 3);
    EXPECT_EQ(InstConfig.TzdInstSize, 4);
    EXPECT_EQ(InstConfig.TzsInstSize, 5);
    EXPECT_EQ(InstConfig.TzmInstSize, 6);
}

TEST_F(Setting, UnusableBufferSizesFallBackTo32K) {
    for (const char* value : {"0", "-1", "abc"}) {
        SCOPED_TRACE(value);
        fake::Reset();
        std::string inf = std::string(kBasicSetupInf) + "InstBufSize=" + value + "\r\n";
        Read(inf.c_str());
        EXPECT_FALSE(ended_);
        EXPECT_EQ(InstConfig.InstBufSize, 32768);
        form_.Destroy();
    }
}

TEST_F(Setting, MissingFileIsReportedUnderTheStartTitle) {
    platform::app::SetTitle("TAZU Start Up Utility");
    Read(nullptr);
    EXPECT_TRUE(ended_);
    ASSERT_EQ(BoxIds(), std::vector<Msg>{Msg::SetupInfMissing});
    EXPECT_EQ(fake::Boxes()[0].caption, "TAZU Start Up Utility");
}

TEST_F(Setting, EachRequiredKeyEmptyIsRefusedUnderTheGameTitle) {
    const char* keys[] = {"GameTitle", "DefInstPath", "ProgramFolder", "RegKey"};
    for (const char* key : keys) {
        SCOPED_TRACE(key);
        fake::Reset();
        ended_ = false;
        std::string inf = "[Setting]\r\n";
        for (const char* k : keys) inf += std::string(k) + "=" + (k == key ? "" : "Value") + "\r\n";
        Read(inf.c_str());
        ExpectIncomplete();
        const std::string title = key == keys[0] ? "" : "Value";
        EXPECT_EQ(fake::Boxes()[0].caption, "『" + title + "』　起動ユーティリティ");
        form_.Destroy();
    }
}

TEST_F(Setting, MoreThanTwoDiscsIsRefused) {
    Read((std::string(kBasicSetupInf) + "TotalDisc=3\r\n").c_str());
    ExpectIncomplete();
}

TEST_F(Setting, TextLongerThanItsFieldIsRefused) {
    Read((std::string(kBasicSetupInf) + "DefInstPath=" + std::string(512, 'x') + "\r\n").c_str());
    EXPECT_FALSE(ended_);  // first key wins: the earlier DefInstPath is used
    form_.Destroy();
    fake::Reset();
    std::string inf = "[Setting]\r\nGameTitle=T\r\nDefInstPath=D\r\nProgramFolder=" + std::string(512, 'x') +
                      "\r\nRegKey=R\r\n";
    Read(inf.c_str());
    ExpectIncomplete();
}

// The record is Software\<RegKey>\<GameTitle>: each is one name that a key
// and a file can both have, counted in characters as the registry does.
TEST_F(Setting, RegKeyAndGameTitleAreEachOneName) {
    std::string kanji255;
    for (int i = 0; i < 255; ++i) kanji255 += "表";
    const std::pair<std::string, bool> rows[] = {
        {"RegKey=Microsoft\\Windows\\CurrentVersion\\Run", false}, {"GameTitle=Maker/Game", false},
        {"RegKey=..", false}, {"GameTitle=ソフト表.", false}, {"GameTitle=\"ソフト表 \"", false}, {"RegKey=con", false},
        {"GameTitle=a\x01", false}, {"GameTitle=" + std::string(256, 'x'), false},
        {"RegKey=" + std::string(255, 'x'), true}, {"GameTitle=" + kanji255, true}};
    for (const auto& [setting, taken] : rows) {
        SCOPED_TRACE(setting);
        fake::Reset();
        ended_ = false;
        Read(("[Setting]\r\nDefInstPath=D\r\nProgramFolder=P\r\n" + setting + "\r\nGameTitle=T\r\nRegKey=R\r\n").c_str());
        if (taken) EXPECT_FALSE(ended_);
        else ExpectIncomplete();
        form_.Destroy();
    }
}

TEST_F(Setting, TextOfExactly511BytesIsAccepted) {
    std::string inf = "[Setting]\r\nGameTitle=T\r\nDefInstPath=D\r\nProgramFolder=" + std::string(511, 'x') +
                      "\r\nRegKey=R\r\n";
    Read(inf.c_str());
    EXPECT_FALSE(ended_);
}

// ---- installation record ----

class Record : public FakeMachine {
protected:
    void SetUp() override {
        FakeMachine::SetUp();
        InstConfig.RegKey = "Maker";
        InstConfig.GameTitle = "ソフト表";
    }
    const std::string key_ = "Software\\Maker\\ソフト表";
};

TEST_F(Record, AbsentRecordCreatesTheEmptyKeyAndMeansNotInstalled) {
    EXPECT_FALSE(ReadInstallationRecord());
    EXPECT_TRUE(fake::RegKeyExists(key_));
    EXPECT_EQ(InstConfig.InstPath, "");
    EXPECT_NE(InstConfig.RecordKey, nullptr);
}

TEST_F(Record, EmptyOrNonStringValueMeansNotInstalled) {
    fake::RegSetString(key_, "InstPath", "");
    EXPECT_FALSE(ReadInstallationRecord());
    fake::RegSetNumber(key_, "InstPath", 42);
    EXPECT_FALSE(ReadInstallationRecord());
    EXPECT_EQ(InstConfig.InstPath, "");
}

TEST_F(Record, FolderIsReadWithItsTrailingBackslash) {
    fake::RegSetString(key_, "InstPath", "C:\\Games\\ソ\\");
    EXPECT_TRUE(ReadInstallationRecord());
    EXPECT_EQ(InstConfig.InstPath, "C:\\Games\\ソ\\");
    fake::RegSetString(key_, "InstPath", "C:\\Games\\ソ");  // ends in a 0x5C trail byte
    EXPECT_TRUE(ReadInstallationRecord());
    EXPECT_EQ(InstConfig.InstPath, "C:\\Games\\ソ\\");
}

// The uninstall works over the record's folder: a root, or a folder Windows
// reads otherwise than written, names no installation.
TEST_F(Record, FolderThatIsARootOrReadOtherwiseMeansNotInstalled) {
    for (const char* value : {"C:\\", "C:\\Games\\..\\", "\\\\srv\\share\\", "C:", "D:\\Games\\Quendril.",
                              "C:\\Games\\a\tb"}) {
        fake::RegSetString(key_, "InstPath", value);
        EXPECT_FALSE(ReadInstallationRecord()) << value;
        EXPECT_EQ(InstConfig.InstPath, "") << value;
    }
    fake::RegSetString(key_, "InstPath", "C:/Games/./Q");
    EXPECT_TRUE(ReadInstallationRecord());
    EXPECT_EQ(InstConfig.InstPath, "C:\\Games\\Q\\");
}

TEST_F(Record, RemovalTakesTheMakerKeyWhenNothingElseIsBelowIt) {
    fake::RegSetString(key_, "InstPath", "C:\\G\\");
    ReadInstallationRecord();
    RemoveInstallationRecord();
    EXPECT_EQ(InstConfig.RecordKey, nullptr);
    EXPECT_FALSE(fake::RegKeyExists(key_));
    EXPECT_FALSE(fake::RegKeyExists("Software\\Maker"));
    EXPECT_TRUE(fake::RegKeyExists("Software"));
}

TEST_F(Record, RemovalKeepsTheMakerKeyWhileAnotherGameIsBelowIt) {
    fake::RegSetString(key_, "InstPath", "C:\\G\\");
    fake::RegSetString(key_ + "\\Deeper", "x", "y");
    fake::RegSetString("Software\\Maker\\Other Game", "InstPath", "C:\\O\\");
    ReadInstallationRecord();
    RemoveInstallationRecord();
    EXPECT_FALSE(fake::RegKeyExists(key_));
    EXPECT_FALSE(fake::RegKeyExists(key_ + "\\Deeper"));
    EXPECT_EQ(fake::RegGetString("Software\\Maker\\Other Game", "InstPath"), "C:\\O\\");
}

}  // namespace
