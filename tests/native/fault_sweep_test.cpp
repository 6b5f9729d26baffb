// Every command run once per failure point: the Nth fallible platform call
// fails, N = 1, 2, ... until a run has nothing left to fail. After each run
// the user's data must be as the commands promise.
#include <cstdio>
#include <functional>
#include <map>

#include "install/instcommon.h"
#include "install/instcopyfile.h"
#include "maintenance/instdeletefiles.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "test_support.h"

namespace {

using platform::MbResult;
using platform::WinPath;

constexpr const char* kRecordKey = "Software\\Maker\\ソフト表";
constexpr const char* kLink = "C:\\Users\\Player\\Start Menu\\Programs\\Maker\\Game\\ソフト表.lnk";
const std::string kDir = "C:\\Games\\ソフト表\\";
const std::string kMoved = "E:\\移動ソ\\";
const std::string kThesis = "C:\\Users\\Player\\thesis.doc";
constexpr int kMaxPoints = 5000;  // a command that makes more calls than this is itself a fault

// Which texts mean the command says it did everything.
bool Shown(const std::string& text) {
    for (const fake::ShownBox& b : fake::Boxes())
        if (b.text.find(text) != std::string::npos) return true;
    return false;
}

std::optional<WinPath> Folder(const std::string& path) { return WinPath::Parse(path); }
bool Below(const std::string& path, const std::string& folder) {
    const auto p = WinPath::Parse(path), f = WinPath::Parse(folder);
    return p && f && p->IsBelow(*f);
}

class Sweep : public FakeMachine {
protected:
    // The disc in Q:, a document of the user's, the menu started.
    void Machine() {
        InsertDisc('Q', "QUENDRIL1",
                   (std::string(kBasicSetupInf) +
                    "TazuInstSize=40\r\nVolumeLabel1=QUENDRIL1\r\n[DAT1]\r\nFile1=TazSav00.dat\r\nFile2=sys.dat\r\n"
                    "[TAZ1]\r\nFile1=a.taz\r\n")
                       .c_str());
        for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\TazSav00.dat", "DAT\\sys.dat",
                              "TAZ\\a.taz"})
            fake::AddFile(std::string("Q:\\InstData\\") + f, std::string("disc ") + f);
        fake::AddFile(kThesis, "MINE");
    }
    void StartMenu() { RestartUtility(); }
    void Install(const std::string& folder) {
        frmInstMain->edtInst.SetText(folder);
        frmInstMain->btnStart1.Click();
    }
    // The log's installed files of the folder the record names, all present.
    void ExpectRecordTrue() {
        const auto record = fake::RegGetString(kRecordKey, "InstPath");
        if (!record || record->empty()) return;
        const auto folder = Folder(*record);
        ASSERT_TRUE(folder);
        const auto log = platform::ReadWholeFile(*record + "Setup.log");
        if (!log) return;
        for (const std::string& line : LogLines(*log)) {
            const auto file = WinPath::Parse(line);
            if (file && IsInstalledFile(*file, *folder)) {
                EXPECT_TRUE(platform::FileExists(line)) << line;
            }
        }
    }
    // Nothing outside the install folders and the start menu changed.
    void ExpectOutsideUnchanged(const std::map<std::string, std::string>& before,
                                std::initializer_list<std::string> folders) {
        const auto inside = [&](const std::string& p) {
            if (Below(p, "C:\\Users\\Player\\Start Menu")) return true;
            for (const std::string& f : folders)
                if (Below(p, f)) return true;
            return false;
        };
        const auto after = fake::Files();
        for (const auto& [path, content] : before)
            if (!inside(path)) {
                EXPECT_EQ(after.count(path) ? after.at(path) : "<gone>", content) << path;
            }
        for (const auto& [path, content] : after)
            if (!inside(path)) {
                EXPECT_TRUE(before.count(path)) << "new outside: " << path;
            }
    }
    // Runs `command` once per failure point; `check` looks at each outcome.
    // Returns the number of failure points tried.
    int Run(const char* name, const std::function<void()>& prepare, const std::function<void()>& command,
            const std::function<void(int)>& check) {
        int n = 1;
        for (; n <= kMaxPoints; ++n) {
            SCOPED_TRACE(std::string(name) + ", failing call " + std::to_string(n));
            TearDown();
            SetUp();
            prepare();
            fake::FailCall(n);
            try {
                command();
            } catch (const fake::ProcessExit&) {
            }
            const bool injected = fake::CallCount() >= n;
            check(injected ? n : 0);
            if (HasFailure()) break;
            if (!injected) break;
        }
        EXPECT_LE(n, kMaxPoints) << name << " never ran out of calls to fail";
        std::printf("[ sweep    ] %s: %d failure points\n", name, n - 1);
        return n - 1;
    }
};

TEST_F(Sweep, InstallAndItsRollbackAtEveryFailurePoint) {
    std::map<std::string, std::string> before;
    for (const bool reinstall : {false, true}) {
        // Fresh: the folder is made. Reinstall: the folder holds save data,
        // an earlier game file with its log, and a file of the user's.
        Run(
            reinstall ? "install over an earlier installation" : "install",
            [&] {
                Machine();
                if (reinstall) {
                    fake::AddFile(kDir + "DAT\\TazSav00.dat", "MY SAVE");
                    fake::AddFile(kDir + "TAZ\\a.taz", "EARLIER");
                    fake::AddFile(kDir + "notes.txt", "MY NOTES");
                    fake::AddFile(kDir + "Setup.log", kDir + "TAZ\\a.taz\r\n" + kDir + "DAT\\TazSav00.dat\r\n");
                }
                StartMenu();
                // As an earlier command answering "delete save data" left it.
                InstConfig.DeleteSaveData = reinstall;
                before = fake::Files();
                fake::QueueAnswer(reinstall ? MbResult::Ok : MbResult::Yes);  // notice, or create
                fake::QueueAnswer(MbResult::No);                             // do not start now
            },
            [&] { Install(kDir); },
            [&](int) {
                ExpectOutsideUnchanged(before, {kDir});
                ExpectRecordTrue();
                const auto files = fake::Files();
                const bool installed = fake::RegGetString(kRecordKey, "InstPath").has_value();
                EXPECT_EQ(Shown("インストールが完了しました。"), installed);
                if (!installed) {
                    EXPECT_TRUE(Shown("インストールは正しく終了しませんでした。") || Shown("フォルダの作成に失敗しました。"));
                    EXPECT_FALSE(fake::LinkAt(kLink));
                    // What was there before and never opened for writing is as it was.
                    for (const auto& [path, content] : before) {
                        const bool written = fake::OpenedForWriting().count(path) != 0;
                        if (Below(path, kDir) && !written) {
                            EXPECT_EQ(files.count(path) ? files.at(path) : "<gone>", content) << path;
                        }
                    }
                }
                if (reinstall) {
                    EXPECT_EQ(files.at(sjis::FoldCase(kDir + "DAT\\TazSav00.dat")), "MY SAVE");
                    // The earlier installation's log is back after a rollback.
                    const std::string log = sjis::FoldCase(kDir + "Setup.log");
                    if (!installed) {
                        EXPECT_EQ(files.count(log) ? files.at(log) : "<gone>", before.at(log));
                    }
                }
            });
    }
}

TEST_F(Sweep, CancelledInstallAtEveryFailurePoint) {
    std::map<std::string, std::string> before;
    Run(
        "cancel",
        [&] {
            Machine();
            StartMenu();
            before = fake::Files();
            fake::OnProcessMessages([] { fake::OnProcessMessages([] { frmCopyFile->btnCancel.Click(); }); });
            fake::QueueAnswer(MbResult::Yes);  // create
            fake::QueueAnswer(MbResult::Yes);  // stop the installation
        },
        [&] { Install("C:\\Games\\New\\ソフト表"); },
        [&](int) {
            ExpectOutsideUnchanged(before, {"C:\\Games\\New"});
            EXPECT_FALSE(fake::RegGetString(kRecordKey, "InstPath"));
            EXPECT_FALSE(Shown("インストールが完了しました。"));
            EXPECT_FALSE(fake::LinkAt(kLink));
        });
}

TEST_F(Sweep, UninstallWithBothAnswersAtEveryFailurePoint) {
    std::map<std::string, std::string> before;
    for (const bool deleteSaves : {false, true}) {
        Run(
            deleteSaves ? "uninstall deleting save data" : "uninstall keeping save data",
            [&] {
                Machine();
                StartMenu();
                fake::QueueAnswer(MbResult::Yes);
                fake::QueueAnswer(MbResult::No);
                Install(kDir);
                ASSERT_TRUE(fake::RegGetString(kRecordKey, "InstPath"));
                fake::AddFile(kDir + "DAT\\TazSav01.dat", "PLAYED");
                StartMenu();
                before = fake::Files();
                fake::QueueAnswer(MbResult::Yes);
                fake::QueueAnswer(deleteSaves ? MbResult::Yes : MbResult::No);
            },
            [&] { frmInstMain->btnDelete.Click(); },
            [&](int) {
                ExpectOutsideUnchanged(before, {kDir});
                ExpectRecordTrue();
                const auto files = fake::Files();
                if (!deleteSaves) {
                    for (const char* save : {"DAT\\TazSav00.dat", "DAT\\TazSav01.dat"})
                        EXPECT_EQ(files.at(sjis::FoldCase(kDir + save)), before.at(sjis::FoldCase(kDir + save)));
                }
                if (Shown("の削除が完了しました。")) {
                    const auto record = fake::RegGetString(kRecordKey, "InstPath");
                    EXPECT_TRUE(!record || record->empty());
                    for (const char* gone : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\sys.dat", "TAZ\\a.taz"})
                        EXPECT_FALSE(platform::FileExists(kDir + gone)) << gone;
                }
            });
    }
}

TEST_F(Sweep, RecordRemovalAndChangeAtEveryFailurePoint) {
    std::map<std::string, std::string> before;
    const std::string movedLog = "D:\\Game\\Tazu.exe\r\nD:\\Game\\TAZ\\a.taz\r\nD:\\Game\\DAT\\TazSav00.dat\r\n";
    const auto prepare = [&] {
        Machine();
        fake::RegSetString(kRecordKey, "InstPath", "D:\\Game\\");
        for (const char* f : {"Tazu.exe", "TAZ\\a.taz", "DAT\\TazSav00.dat"}) fake::AddFile(kMoved + f, f);
        fake::AddFile(kMoved + "Setup.log", movedLog);
        StartMenu();
        before = fake::Files();
        fake::QueueAnswer(MbResult::Yes);
    };
    Run("record removal", prepare, [&] { frmInstMain->btnInstInfoDel.Click(); },
        [&](int) {
            EXPECT_EQ(fake::Files(), before);
            const auto record = fake::RegGetString(kRecordKey, "InstPath");
            if (Shown("インストール情報の削除が完了しました。")) {
                EXPECT_TRUE(!record || record->empty());
            }
        });
    Run(
        "record change",
        [&] {
            prepare();
            fake::QueueFolderPick(kMoved);
        },
        [&] { frmInstMain->btnInstPathChg.Click(); },
        [&](int) {
            ExpectOutsideUnchanged(before, {kMoved});
            ExpectRecordTrue();
            // The log is never lost or shortened: the old one or the new one, whole.
            const auto log = platform::ReadWholeFile(kMoved + "Setup.log");
            ASSERT_TRUE(log);
            const std::string rebased = kMoved + "Tazu.exe\r\n" + kMoved + "TAZ\\a.taz\r\n" + kMoved + "DAT\\TazSav00.dat\r\n";
            EXPECT_TRUE(*log == movedLog || *log == rebased) << *log;
            EXPECT_FALSE(platform::FileExists(kMoved + "Setup.log.new"));
            if (Shown("インストール情報の変更が完了しました。")) {
                EXPECT_EQ(*log, rebased);
                EXPECT_EQ(fake::RegGetString(kRecordKey, "InstPath"), kMoved);
            }
        });
}

}  // namespace
