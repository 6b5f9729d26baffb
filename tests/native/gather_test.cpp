// Install file lists: Setup.inf group sections and list files.
#include <algorithm>

#include "install/instgetinstallfile.h"
#include "shell/instmain.h"
#include "test_support.h"

namespace {

class Gather : public FakeMachine {
protected:
    // Disc 1 in Q: with the given group sections after a complete [Setting].
    void Disc(const std::string& sections, int totalDisc = 1) {
        const std::string inf = std::string(kBasicSetupInf) + "TotalDisc=" + std::to_string(totalDisc) + "\r\n" + sections;
        InsertDisc('Q', "QUENDRIL1", inf.c_str());
        InstConfig.CdDrive = 'Q';
        main_.Create();
        BoxReporter boxes;
        ReadSettingSection(main_, boxes);
        for (auto& list : InstConfig.FileLists) list = std::make_unique<FileList>();
        GatherInstallFileInfo(main_);
    }
    FileList& List(const char* group, int disc) {
        const int g = static_cast<int>(std::find_if(std::begin(kGroups), std::end(kGroups),
                                                    [&](const char* n) { return std::string(n) == group; }) -
                                       std::begin(kGroups));
        return InstConfig.Files(g, disc);
    }
    struct Probe : platform::Form {
        Probe() : Form(kGetInstallFileForm) {}
    } main_;
};

TEST_F(Gather, NamesAndListMarkersKeepKeyOrder) {
    fake::AddFile("Q:\\SetupDAT1.inf", "l1.dat\r\nsub\\l2.dat\r\n");
    Disc("[DAT1]\r\nFile1=a.dat\r\nFile2=:\r\nFile3=b.dat\r\nFile4=:anything here\r\nFile5=TazSav00.dat\r\n");
    EXPECT_EQ(List("DAT", 1), (FileList{"InstData\\DAT\\a.dat", "InstData\\DAT\\l1.dat", "InstData\\DAT\\sub\\l2.dat",
                                        "InstData\\DAT\\b.dat", "InstData\\DAT\\l1.dat", "InstData\\DAT\\sub\\l2.dat",
                                        "InstData\\DAT\\TazSav00.dat"}));
}

TEST_F(Gather, ReadingStopsAtTheFirstGapOrEmptyValue) {
    Disc("[TAZ1]\r\nFile1=one\r\nFile3=three\r\n[TZD1]\r\nFile1=x\r\nFile2=\r\nFile3=y\r\n");
    EXPECT_EQ(List("TAZ", 1), (FileList{"InstData\\TAZ\\one"}));
    EXPECT_EQ(List("TZD", 1), (FileList{"InstData\\TZD\\x"}));
}

TEST_F(Gather, ListFileLineEndsAndBlankLines) {
    fake::AddFile("Q:\\SetupTZS1.inf", "a\r\n\r\nb\r\n  \r\nc");  // CR LF, blank line, blanks, no final end
    fake::AddFile("Q:\\SetupTZM1.inf", "a\n\nb\n  \nc\n");       // LF
    Disc("[TZS1]\r\nFile1=:\r\n[TZM1]\r\nFile1=:\r\n");
    const FileList expectedTzs{"InstData\\TZS\\a", "InstData\\TZS\\b", "InstData\\TZS\\  ", "InstData\\TZS\\c"};
    EXPECT_EQ(List("TZS", 1), expectedTzs);
    EXPECT_EQ(List("TZM", 1), (FileList{"InstData\\TZM\\a", "InstData\\TZM\\b", "InstData\\TZM\\  ", "InstData\\TZM\\c"}));
}

TEST_F(Gather, MissingListFileAddsNothing) {
    Disc("[DAT1]\r\nFile1=a\r\nFile2=:\r\nFile3=b\r\n");
    EXPECT_EQ(List("DAT", 1), (FileList{"InstData\\DAT\\a", "InstData\\DAT\\b"}));
}

TEST_F(Gather, ShiftJisNamesAreKeptAsWritten) {
    fake::AddFile("Q:\\SetupDAT1.inf", "表示.dat\r\n");
    Disc("[DAT1]\r\nFile1=ソフト.DAT\r\nFile2=:\r\n");
    EXPECT_EQ(List("DAT", 1), (FileList{"InstData\\DAT\\ソフト.DAT", "InstData\\DAT\\表示.dat"}));
}

TEST_F(Gather, EachGroupAndDiscHasItsOwnList) {
    fake::AddFile("Q:\\SetupTZD2.inf", "two\r\n");
    Disc("[DAT1]\r\nFile1=d1\r\n[DAT2]\r\nFile1=d2\r\n[TZD2]\r\nFile1=:\r\n[TZM1]\r\nFile1=m1\r\n", 2);
    EXPECT_EQ(List("DAT", 1), (FileList{"InstData\\DAT\\d1"}));
    EXPECT_EQ(List("DAT", 2), (FileList{"InstData\\DAT\\d2"}));
    EXPECT_EQ(List("TZD", 2), (FileList{"InstData\\TZD\\two"}));
    EXPECT_EQ(List("TZM", 1), (FileList{"InstData\\TZM\\m1"}));
    EXPECT_TRUE(List("TAZ", 1).empty());
    EXPECT_TRUE(List("TZD", 1).empty());
}

TEST_F(Gather, SecondDiscIsIgnoredForAOneDiscGame) {
    Disc("[DAT1]\r\nFile1=d1\r\n[DAT2]\r\nFile1=d2\r\n", 1);
    EXPECT_TRUE(List("DAT", 2).empty());
}

TEST_F(Gather, NoDiscsGiveNoListsButTheSingleFileSources) {
    for (int total : {0, -3}) {
        SCOPED_TRACE(total);
        fake::Reset();
        Disc("[DAT1]\r\nFile1=d1\r\n", total);
        for (auto& list : InstConfig.FileLists) EXPECT_TRUE(list->empty());
        EXPECT_EQ(InstConfig.ExeSource, "InstData\\Tazu.exe");
        EXPECT_EQ(InstConfig.EnvSource, "InstData\\Tazu.env");
        EXPECT_EQ(InstConfig.DllSource, "InstData\\ovit.dll");
        EXPECT_EQ(InstConfig.IconSource, "InstData\\game.ico");
        main_.Destroy();
    }
}

TEST_F(Gather, NoticeIsPaintedOnceBeforeTheWorkAndCentred) {
    Disc("");
    for (auto& list : InstConfig.FileLists) list->clear();
    fake::AddFile("Q:\\Setup.inf", std::string(kBasicSetupInf) + "[DAT1]\r\nFile1=a\r\n");
    InstConfig.SetupInf = platform::IniFile::Open("Q:\\Setup.inf");
    fake::Events().clear();
    GatherInstallFileInfo(main_);
    const std::vector<std::string> expected{"create TfrmGetInstallFile", "show TfrmGetInstallFile",
                                            "repaint TfrmGetInstallFile", "destroy TfrmGetInstallFile"};
    EXPECT_EQ(fake::Events(), expected);
    EXPECT_EQ(List("DAT", 1).size(), 1u);
}

TEST_F(Gather, NoticeTakesTheMenuCaptionAndCentresOnTheScreen) {
    Disc("");
    fake::SetScreenSize(1001, 700);
    main_.SetCaption("『ソフト表』　起動ユーティリティ");
    GatherInstallFileInfo(main_);
    const fake::Shown shown = fake::LastShown("TfrmGetInstallFile");
    EXPECT_EQ(shown.caption, "『ソフト表』　起動ユーティリティ");
    EXPECT_EQ(shown.left, (1001 - (313 + fake::kFrameWidth)) / 2);
    EXPECT_EQ(shown.top, (700 - (60 + fake::kFrameHeight)) / 2);
}

TEST_F(Gather, GatheringAgainAfterEmptyingGivesTheSameLists) {
    fake::AddFile("Q:\\SetupDAT1.inf", "l1\r\n");
    Disc("[DAT1]\r\nFile1=a\r\nFile2=:\r\n[TZM1]\r\nFile1=m\r\n");
    const FileList first = List("DAT", 1);
    for (auto& list : InstConfig.FileLists) list->clear();
    GatherInstallFileInfo(main_);
    EXPECT_EQ(List("DAT", 1), first);
    EXPECT_EQ(List("TZM", 1), (FileList{"InstData\\TZM\\m"}));
}

TEST_F(Gather, LongEntriesAreKeptWhole) {
    const std::string longName(400, 'n');
    fake::AddFile("Q:\\SetupTAZ1.inf", longName + "\r\n");
    Disc("[TAZ1]\r\nFile1=:\r\n");
    ASSERT_EQ(List("TAZ", 1).size(), 1u);
    EXPECT_EQ(List("TAZ", 1)[0], "InstData\\TAZ\\" + longName);
}

}  // namespace
