// The game in the list of installed programs: the entry an installation
// writes with the uninstaller it keeps, and how every command keeps it
// true.
#include <functional>

#include "install/uninstallercopy.h"
#include "maintenance/appsentry.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/winpath.h"
#include "test_support.h"

namespace {

using platform::MbResult;

constexpr const char* kRecordKey = "Software\\Maker\\ソフト表";
constexpr const char* kEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Maker_ソフト表";
const std::string kDir = "C:\\Games\\ソフト表\\";
const std::string kBase = "C:\\Users\\Player\\AppData\\Local\\TazuStart";
const std::string kKept = kBase + "\\Maker_ソフト表\\";
constexpr std::uint64_t kInstalledBytes = 3000;

class Apps : public FakeMachine {
protected:
    void SetUp() override {
        FakeMachine::SetUp();
        InsertDisc('Q', "QUENDRIL1",
                   (std::string(kBasicSetupInf) + "TazuInstSize=" + std::to_string(kInstalledBytes) +
                    "\r\nVolumeLabel1=QUENDRIL1\r\n[DAT1]\r\nFile1=TazSav00.dat\r\n[TAZ1]\r\nFile1=a.taz\r\n")
                       .c_str());
        for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\TazSav00.dat", "TAZ\\a.taz"})
            fake::AddFile(std::string("Q:\\InstData\\") + f, std::string("disc ") + f);
        fake::AddDirectory("C:\\Games");
        fake::SetToday(platform::Date{2031, 2, 9});
    }
    // `before` sets up what the running menu meets.
    void Install(const std::string& folder = kDir, const std::function<void()>& before = nullptr) {
        RestartUtility();
        if (before) before();
        fake::QueueAnswer(MbResult::Yes);  // create the folder
        fake::QueueAnswer(MbResult::No);   // do not start the game
        frmInstMain->edtInst.SetText(folder);
        frmInstMain->btnStart1.Click();
    }
    static std::optional<std::string> Value(const char* name) { return fake::RegGetString(kEntry, name); }
    static bool KeptFilesThere() {
        return platform::FileExists(kKept + "TazuStart.exe") || platform::FileExists(kKept + "Setup.inf");
    }
};

// What the list shows and starts: the title, the icon in the install
// folder, the folder, the uninstaller kept outside it (quoted: its path
// holds the user's name, which may hold blanks), the size, the date, and
// no buttons to change or repair. Nothing the disc does not say is made up.
TEST_F(Apps, InstallationListsTheGameWithTheUninstallerItKeeps) {
    Install();
    ASSERT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_EQ(Value("DisplayName"), "ソフト表");
    EXPECT_EQ(Value("DisplayIcon"), kDir + "game.ico");
    EXPECT_EQ(Value("InstallLocation"), kDir);
    const std::string exe = "\"" + kKept + "TazuStart.exe\"";
    EXPECT_EQ(Value("UninstallString"), exe + " /uninstall");
    EXPECT_EQ(Value("QuietUninstallString"), exe + " /uninstall /silent");
    // The game's 3000 bytes and the uninstaller's two files, rounded up.
    const std::uint64_t keptBytes = platform::ReadWholeFile(kKept + "TazuStart.exe")->size() +
                               platform::ReadWholeFile(kKept + "Setup.inf")->size();
    EXPECT_EQ(fake::RegGetNumber(kEntry, "EstimatedSize"), EstimatedKilobytes(kInstalledBytes + keptBytes));
    EXPECT_GT(EstimatedKilobytes(kInstalledBytes + keptBytes), 3u);
    EXPECT_EQ(Value("InstallDate"), "20310209");
    EXPECT_EQ(fake::RegGetNumber(kEntry, "NoModify"), 1u);
    EXPECT_EQ(fake::RegGetNumber(kEntry, "NoRepair"), 1u);
    for (const std::string& name : fake::RegValueNames(kEntry))
        EXPECT_TRUE(name != "PUBLISHER" && name != "DISPLAYVERSION") << name;

    // The uninstaller: this program as it ran, and what the uninstall reads
    // of Setup.inf, in lines ending in CR LF; nothing in the install folder.
    EXPECT_EQ(platform::ReadWholeFile(kKept + "TazuStart.exe"), platform::ReadWholeFile("Q:\\TazuStart.exe"));
    const auto inf = platform::ReadWholeFile(kKept + "Setup.inf");
    ASSERT_TRUE(inf);
    const platform::IniFile kept(*inf);
    const platform::IniFile disc(*platform::ReadWholeFile("Q:\\Setup.inf"));
    for (const char* key : {"GameTitle", "DefInstPath", "ProgramFolder", "RegKey", "ShortcutIcon"})
        EXPECT_EQ(kept.ReadString("Setting", key, "<none>"), disc.ReadString("Setting", key, "")) << key;
    EXPECT_EQ(kept.ReadString("TAZ1", "File1", "<none>"), "<none>");
    for (std::size_t at = inf->find('\n'); at != std::string::npos; at = inf->find('\n', at + 1))
        EXPECT_TRUE(at > 0 && (*inf)[at - 1] == '\r') << "a line ending in LF alone";
    EXPECT_EQ(inf->substr(inf->size() - 2), "\r\n");
    EXPECT_FALSE(platform::FileExists(kDir + "TazuStart.exe"));
}

TEST(AppsEntryValues, EstimatedKilobytesRoundUpAndStopAtTheLargestDword) {
    EXPECT_EQ(EstimatedKilobytes(0), 0u);
    EXPECT_EQ(EstimatedKilobytes(1), 1u);
    EXPECT_EQ(EstimatedKilobytes(1024), 1u);
    EXPECT_EQ(EstimatedKilobytes(1025), 2u);
    EXPECT_EQ(EstimatedKilobytes(std::uint64_t(0xFFFFFFFF) * 1024), 0xFFFFFFFFu);
    EXPECT_EQ(EstimatedKilobytes(std::uint64_t(0xFFFFFFFF) * 1024 + 1), 0xFFFFFFFFu);
}

// One name for the uninstaller's folder and the entry's key, whatever the
// maker and the title hold: one component the path model takes as written.
TEST(AppsEntryValues, ProgramNameIsOneValidComponentForAnyMakerAndTitle) {
    const struct {
        const char* regKey;
        std::string title;
        const char* name;
        const char* why;
    } rows[] = {
        {"Maker", "ソフト表", "Maker_ソフト表", "the 0x5C second bytes of ソ and 表 stay"},
        {"A/B", "x:y*?", "A_B_x_y__", "characters no name may hold"},
        {"Maker", "Title\\Sub", "Maker_Title_Sub", "a backslash would make a key below"},
        {"Maker", "Title. ", "Maker_Title", "trailing dots and blanks Windows drops"},
        {"Maker", std::string("Ti\ttle"), "Maker_Ti_tle", "a control byte"},
        {"Maker", std::string("T\x95"), "Maker_T", "a lead byte without its second byte"},
    };
    for (const auto& r : rows) {
        const std::string name = InstalledProgramName(r.regKey, r.title);
        EXPECT_EQ(name, r.name) << r.why;
        EXPECT_FALSE(platform::WinPath::ComponentFault(name)) << r.why;
    }
    // A name of 120 bytes is as it always was; a longer one is cut at a
    // character's end and marked by the whole: two games alike in their
    // first 120 bytes get names of their own.
    std::string title;
    for (int i = 0; i < 59; ++i) title += "表";
    EXPECT_EQ(InstalledProgramName("M", title), "M_" + title);
    title += "表表";
    const std::string a = InstalledProgramName("M", title), b = InstalledProgramName("M", title + "2"),
                      c = InstalledProgramName("M_" + title.substr(0, 2), title.substr(2));
    EXPECT_NE(a, b);
    EXPECT_NE(a, c);  // joined alike, but another maker and title
    for (const std::string& name : {a, b, c}) {
        EXPECT_LE(name.size(), 120u);
        EXPECT_GE(name.size(), 119u);
        EXPECT_FALSE(platform::WinPath::ComponentFault(name));
    }
}

// No list ever shows an entry cut short: wherever the process dies while
// the entry is written, an entry with its name has every other value.
TEST_F(Apps, AnEntryIsNamedOnlyWhenWhole) {
    for (int n = 1;; ++n) {
        TearDown();
        SetUp();
        try {
            Install(kDir, [n] { fake::CrashAtCall(n); });
            break;  // no call left to die at
        } catch (const fake::Crash&) {
        }
        if (Value("DisplayName")) {
            EXPECT_EQ(fake::RegValueNames(kEntry).size(), 9u) << "died at call " << n;
        }
    }
}

// A last step that fails takes the entry and the uninstaller back with
// the rest: the one cut short before its name, and the whole one when the
// record then could not be written.
TEST_F(Apps, AFailedLastStepLeavesNeitherEntryNorUninstaller) {
    for (const char* value : {"DisplayName", "InstPath"}) {
        SCOPED_TRACE(value);
        TearDown();
        SetUp();
        fake::RegFailWritesOf(value);
        Install();
        EXPECT_FALSE(fake::RegGetString(kRecordKey, "InstPath"));
        EXPECT_FALSE(fake::RegKeyExists(kEntry));
        EXPECT_FALSE(KeptFilesThere());
        EXPECT_FALSE(platform::DirectoryExists(kBase));
        EXPECT_FALSE(platform::FileExists(kDir + "Tazu.exe"));
    }
}

// An uninstaller that was there before (its record taken away by hand) is
// replaced by the installation and comes back, byte for byte, with its
// rollback.
TEST_F(Apps, ARollbackPutsBackTheUninstallerFromBefore) {
    fake::RegFailWritesOf("InstPath");
    Install(kDir, [] {
        fake::AddFile(kKept + "TazuStart.exe", "earlier uninstaller");
        fake::AddFile(kKept + "Setup.inf", "earlier Setup.inf");
    });
    EXPECT_EQ(platform::ReadWholeFile(kKept + "TazuStart.exe"), "earlier uninstaller");
    EXPECT_EQ(platform::ReadWholeFile(kKept + "Setup.inf"), "earlier Setup.inf");
    EXPECT_EQ(fake::Tree(kBase).size(), 4u);  // the two folders and the two files, no backup
}

// The rollback takes only what this installation wrote: an entry of
// before stays as it was when the installation failed before its
// uninstaller was planned (a copy that failed), or after but before its
// own entry was written (the uninstaller's Setup.inf could not be made)
// and the entry names another folder.
TEST_F(Apps, ARollbackKeepsAnEntryItDidNotWrite) {
    for (const bool planned : {false, true}) {
        SCOPED_TRACE(planned);
        TearDown();
        SetUp();
        if (planned)
            fake::SetFault(kKept + "Setup.inf", fake::FileFault{true, {}, {}});
        else
            fake::SetFault("Q:\\InstData\\TAZ\\a.taz", fake::FileFault{true, {}, {}});
        // Before its uninstaller was planned, not even an entry naming
        // this very folder is the installation's.
        const std::string other = planned ? "D:\\Other\\" : kDir;
        Install(kDir, [&] {
            fake::RegSetString(kEntry, "InstallLocation", other);
            fake::RegSetString(kEntry, "DisplayName", "ソフト表");
        });
        EXPECT_FALSE(fake::RegGetString(kRecordKey, "InstPath"));
        EXPECT_EQ(fake::RegGetString(kEntry, "InstallLocation"), other);
        EXPECT_FALSE(KeptFilesThere());
    }
}

// The uninstall: complete, the record goes, then the entry and the
// uninstaller; with a game file left, all stay for another try. An
// uninstaller that cannot go now (in use, or its place unknown) keeps
// nothing else: the next start takes it.
TEST_F(Apps, UninstallTakesTheEntryUnlessItCouldNotFinish) {
    enum Case { kComplete, kGameFileHeld, kUninstallerHeld, kNoLocalAppData };
    for (const Case c : {kComplete, kGameFileHeld, kUninstallerHeld, kNoLocalAppData}) {
        SCOPED_TRACE(c);
        TearDown();
        SetUp();
        Install();
        ASSERT_TRUE(fake::RegKeyExists(kEntry));
        const int handle = c == kUninstallerHeld ? fake::HoldOpen(kKept + "TazuStart.exe") : 0;
        if (c == kGameFileHeld) fake::HoldOpen(kDir + "TAZ\\a.taz");
        RestartUtility();
        if (c == kNoLocalAppData) fake::SetLocalAppData(std::nullopt);
        fake::QueueAnswer(MbResult::Yes);
        fake::QueueAnswer(MbResult::Yes);
        frmInstMain->btnDelete.Click();
        const bool kept = c == kGameFileHeld;
        EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath").has_value(), kept);
        EXPECT_EQ(fake::RegKeyExists(kEntry), kept);
        EXPECT_EQ(KeptFilesThere(), c != kComplete);
        EXPECT_EQ(LastBoxId(), kept ? Msg::UninstallIncomplete : Msg::UninstallDone);
        if (kept) continue;
        if (c == kUninstallerHeld) fake::Release(kKept + "TazuStart.exe", handle);
        fake::SetLocalAppData(std::string(fake::kLocalAppData));
        RestartUtility();
        EXPECT_FALSE(platform::DirectoryExists(kBase));
    }
}

// The record removal always takes the record, then the entry: an
// uninstaller that cannot be deleted (in use) does not keep the record;
// the next start takes it.
TEST_F(Apps, RecordRemovalTakesTheRecordEvenWhenTheUninstallerStays) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held);
        TearDown();
        SetUp();
        Install();
        const int handle = held ? fake::HoldOpen(kKept + "TazuStart.exe") : 0;
        RestartUtility();
        fake::QueueAnswer(MbResult::Yes);
        frmInstMain->btnInstInfoDel.Click();
        EXPECT_FALSE(fake::RegGetString(kRecordKey, "InstPath"));
        EXPECT_FALSE(fake::RegKeyExists(kEntry));
        EXPECT_EQ(platform::FileExists(kKept + "TazuStart.exe"), held);
        EXPECT_EQ(LastBoxId(), Msg::RemoveDone);
        EXPECT_TRUE(platform::FileExists(kDir + "Tazu.exe"));  // no game file is touched
        if (held) fake::Release(kKept + "TazuStart.exe", handle);
        RestartUtility();
        EXPECT_FALSE(platform::DirectoryExists(kBase));
    }
}

// The record change points the entry at the new folder and its icon; the
// uninstaller it starts stays where it is. A game without an entry gets
// none: there is no uninstaller for it.
TEST_F(Apps, RecordChangeMovesTheEntryAndMakesNone) {
    const std::string moved = "E:\\移動ソ\\";
    for (const bool listed : {true, false}) {
        SCOPED_TRACE(listed);
        TearDown();
        SetUp();
        Install();
        if (!listed) {
            ASSERT_TRUE(RemoveAppsEntry());
        }
        const auto uninstall = Value("UninstallString");
        for (const std::string& f : fake::Tree(kDir)) {
            if (f.back() == '\\') continue;
            fake::AddFile(moved + f.substr(kDir.size()), *platform::ReadWholeFile(f));
        }
        RestartUtility();
        fake::QueueAnswer(MbResult::Yes);
        fake::QueueFolderPick(moved);
        frmInstMain->btnInstPathChg.Click();
        ASSERT_EQ(fake::RegGetString(kRecordKey, "InstPath"), moved);
        EXPECT_EQ(fake::RegKeyExists(kEntry), listed);
        if (!listed) continue;
        EXPECT_EQ(Value("InstallLocation"), moved);
        EXPECT_EQ(Value("DisplayIcon"), moved + "game.ico");
        EXPECT_EQ(Value("UninstallString"), uninstall);
    }
}

// An entry that cannot be moved ends the change as failed: the record
// keeps its folder and the change's marker stays for the next start,
// which finishes both.
TEST_F(Apps, AnEntryThatCannotMoveIsMovedByTheNextStart) {
    const std::string moved = "E:\\移動ソ\\";
    Install();
    for (const std::string& f : fake::Tree(kDir))
        if (f.back() != '\\') fake::AddFile(moved + f.substr(kDir.size()), *platform::ReadWholeFile(f));
    RestartUtility();
    fake::RegFailWritesOf("InstallLocation");
    fake::QueueAnswer(MbResult::Yes);
    fake::QueueFolderPick(moved);
    frmInstMain->btnInstPathChg.Click();
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kDir);
    EXPECT_EQ(Value("InstallLocation"), kDir);
    fake::RegFailWritesOf("");
    RestartUtility();
    EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), moved);
    EXPECT_EQ(Value("InstallLocation"), moved);
}

}  // namespace
