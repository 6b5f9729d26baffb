// Every command run once per failure point: the Nth fallible platform call
// fails (N = 1, 2, ... until a run has nothing left to fail); then once per
// pair of failures, the second inside whatever the first set off (the
// rollback, the restore, the recovery); then once per point from which every
// call fails (the drive went away); then once per crash point, where the
// power goes at call N, taking what was not flushed or written through
// (file data, renames, registry values), and the next start recovers.
// After each run, and again after the next start, the
// user's data must be as the commands promise: the state before the command
// or the state after it, never anything between.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "install/instcommon.h"
#include "install/installedfile.h"
#include "install/instcopyfile.h"
#include "install/transaction.h"
#include "maintenance/instdeletefiles.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/main.h"
#include "shell/unattended.h"
#include "test_support.h"

namespace {

using platform::MbResult;
using platform::WinPath;

constexpr const char* kRecordKey = "Software\\Maker\\ソフト表";
constexpr const char* kStartMenu = "C:\\Users\\Player\\Start Menu";
constexpr const char* kLink = "C:\\Users\\Player\\Start Menu\\Programs\\Maker\\Game\\ソフト表.lnk";
const std::string kDir = "C:\\Games\\ソフト表\\";
const std::string kMoved = "E:\\移動ソ\\";
// The game in the list of installed programs, and the uninstaller it starts.
constexpr const char* kEntryKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Maker_ソフト表";
const std::string kKeptBase = "C:\\Users\\Player\\AppData\\Local\\TazuStart\\";
const std::string kKept = kKeptBase + "Maker_ソフト表\\";
const std::string kTempCopy = std::string(fake::kTempFolder) + "\\TazuStart-1\\TazuStart.exe";
constexpr int kMaxPoints = 3000;  // a command that makes more calls than this is itself a fault

// Every single fault and every crash point is tried; of the pairs of faults
// and the crashes of the recovery, every kth with TAZU_SWEEP_STRIDE=k. The
// test command tries them all (k = 1) in the plain build and every ninth
// under the sanitizers; a run by hand tries every seventh, so that it
// takes seconds, not minutes.
int Stride() {
    const char* text = std::getenv("TAZU_SWEEP_STRIDE");
    const int k = text ? std::atoi(text) : 7;
    return k > 0 ? k : 1;
}

// Every file with its content and every folder, folded.
using Snapshot = std::map<std::string, std::string>;
Snapshot Take() {
    Snapshot s = fake::Files();
    for (const std::string& folder : fake::Folders()) s[folder + "\\"] = "<folder>";
    return s;
}
std::string At(const Snapshot& s, const std::string& path) {
    const auto it = s.find(sjis::FoldCase(path));
    return it == s.end() ? "<gone>" : it->second;
}

bool ShownText(const std::string& text) {
    for (const fake::ShownBox& b : fake::Boxes())
        if (b.text.find(text) != std::string::npos) return true;
    return false;
}
bool Below(const std::string& path, const std::string& folder) {
    const auto p = WinPath::Parse(path), f = WinPath::Parse(folder);
    return p && f && (p->IsBelow(*f) || *p == *f);
}
std::optional<std::string> Record() {
    auto r = fake::RegGetString(kRecordKey, "InstPath");
    if (r && r->empty()) r.reset();
    return r;
}

struct Counts {
    int single = 0, doubles = 0, persistent = 0, crashes = 0;
};
std::map<std::string, Counts>& Tally() {
    static std::map<std::string, Counts> t;
    return t;
}

class Sweep : public FakeMachine {
protected:
    static void TearDownTestSuite() {
        for (const auto& [name, c] : Tally())
            std::printf("[ sweep    ] %-42s %5d single, %6d double, %5d persistent, %5d crash points\n",
                        name.c_str(), c.single, c.doubles, c.persistent, c.crashes);
    }

    // The disc in Q: (and disc 2 as a folder on it), a document of the user's.
    void Machine(bool twoDiscs = false) {
        std::string inf = std::string(kBasicSetupInf) + "TazuInstSize=40\r\nVolumeLabel1=QUENDRIL1\r\n" +
                          (twoDiscs ? "TotalDisc=2\r\nVolumeLabel2=QUENDRIL2\r\n" : "") +
                          "[DAT1]\r\nFile1=TazSav00.dat\r\nFile2=sys.dat\r\n[TAZ1]\r\nFile1=a.taz\r\n";
        if (twoDiscs) inf += "[TAZ2]\r\nFile1=b.taz\r\n[DAT2]\r\nFile1=sys.dat\r\n";
        InsertDisc('Q', "QUENDRIL1", inf.c_str());
        for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\TazSav00.dat", "DAT\\sys.dat",
                              "TAZ\\a.taz"})
            fake::AddFile(std::string("Q:\\InstData\\") + f, std::string("disc ") + f);
        if (twoDiscs) {
            fake::AddFile("Q:\\QUENDRIL2\\InstData\\TAZ\\b.taz", "disc 2 b.taz");
            fake::AddFile("Q:\\QUENDRIL2\\InstData\\DAT\\sys.dat", "disc 2 sys.dat");
        }
        fake::AddFile("C:\\Users\\Player\\thesis.doc", "MINE");
        fake::AddDirectory("C:\\Games");
        // Beside the record and the entry: the maker's own value, another
        // game of the maker's, and a program the user starts with Windows.
        fake::RegSetString("Software\\Maker", "SharedSerial", "MAKER-0001");
        fake::RegSetString("Software\\Maker\\Other Game", "InstPath", "D:\\Other\\");
        fake::RegSetNumber("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Helper", 7);
        fake::RegSetString("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Mail", "C:\\mail.exe");
    }
    // Files of the player's beside the installation's, under names no
    // installation plans: they stay byte for byte whatever happens.
    void PlaceStrangers(const std::string& folder) {
        const char* names[] = {"Tazu.env.old", "Tazu.env.new", "Setup.log.bak", "readme-mine.txt",
                               "TAZ\\a.taz.old", "TAZ\\notes.txt", "DAT\\sys.dat.bak"};
        for (const char* name : names) {
            const std::string path = folder + name;
            fake::AddFile(path, "the player's " + std::string(name));
            strangers_[sjis::FoldCase(path)] = "the player's " + std::string(name);
        }
    }
    // An earlier installation in the folder, without a record (removed, or
    // made by another user): its files, a Tazu.env the user edited, save
    // data, a file of the user's, its log and its shortcut.
    void EarlierInstallation() {
        for (const char* f : {"Tazu.exe", "ovit.dll", "game.ico", "TAZ\\a.taz", "DAT\\sys.dat"})
            fake::AddFile(kDir + f, std::string("earlier ") + f);
        fake::AddFile(kDir + "Tazu.env", "[Environment]\r\nTAZ=H\r\nVolume=3 ; edited by the player\r\n");
        fake::AddFile(kDir + "DAT\\TazSav00.dat", "MY SAVE");
        fake::AddFile(kDir + "notes.txt", "MY NOTES");
        std::string log;
        for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\TazSav00.dat", "DAT\\sys.dat", "TAZ\\a.taz"})
            log += kDir + f + "\r\n";
        fake::AddFile(kDir + "Setup.log", log);
        fake::AddFile(kLink, "earlier shortcut");
        PlaceStrangers(kDir);
    }
    // What an interrupted rewrite or installation of before left: a copy of
    // the log under .new and .old, a backup name already taken.
    void StaleLeftovers() {
        fake::AddFile(kDir + "Setup.log.new", "stale new");
        fake::AddFile(kDir + "Setup.log.old", "stale old");
        fake::AddFile(kDir + "Tazu.exe.~TazuStart1", "somebody's only copy");
        fake::AddFile(kDir + kEnvReplacement, "an edited Tazu.env never swapped in");
    }
    void Install(const std::string& folder) {
        frmInstMain->edtInst.SetText(folder);
        frmInstMain->btnStart1.Click();
    }
    void InstallFromTheMenu(bool earlier) {
        fake::QueueAnswer(earlier ? MbResult::Ok : MbResult::Yes);  // notice, or create
        fake::QueueAnswer(MbResult::No);                            // do not start now
        Install(kDir);
    }

    // The next start: the menu comes up, recovering first.
    void NextStart() {
        fake::ProcessDied();
        const auto from = static_cast<std::ptrdiff_t>(fake::Events().size());
        RestartUtility();
        // A rollback before the menu says why its window is there.
        const auto seen = [from](const char* e) { return std::count(fake::Events().begin() + from, fake::Events().end(), e); };
        EXPECT_EQ(seen("caption TfrmDeleteFiles.Label1=前回中断されたインストールを元に戻しています。"), seen("modal TfrmDeleteFiles"));
    }

    // ---- invariants ----

    // The registry but for the record key and the entry, by a plain rule of
    // its own: a value whose folded key path begins with one of those two.
    static std::map<std::string, std::string> OutsideRegistry() {
        auto values = fake::RegValues();
        for (const char* mine : {kRecordKey, kEntryKey}) {
            const std::string prefix = sjis::FoldCase(mine) + "\\";
            for (auto it = values.begin(); it != values.end();)
                it = it->first.compare(0, prefix.size(), prefix) == 0 ? values.erase(it) : std::next(it);
        }
        return values;
    }
    // Nothing outside the plan changed: the player's files beside the
    // installation's, and every registry value but the record's and the entry's.
    void ExpectStrangersKept() {
        const auto files = fake::Files();
        for (const auto& [path, content] : strangers_) {
            const auto it = files.find(path);
            EXPECT_EQ(it == files.end() ? "<gone>" : it->second, content) << path;
        }
        EXPECT_EQ(OutsideRegistry(), registryBefore_);
    }

    // A record names a folder whose log lists files that are all there.
    void ExpectRecordTrue() {
        const auto record = Record();
        if (!record) return;
        const auto folder = WinPath::Parse(*record);
        ASSERT_TRUE(folder) << *record;
        const auto log = platform::ReadWholeFile(*record + "Setup.log");
        ASSERT_TRUE(log) << "the record names a folder without a readable log";
        EXPECT_TRUE(LogNamesInstallation(*log, *folder));
        for (const std::string& line : LogLines(*log)) {
            const auto file = WinPath::Parse(line);
            if (file && IsInstalledFile(*file, *folder)) {
                EXPECT_TRUE(platform::FileExists(line)) << line;
            }
        }
    }
    // The list's entry names an installation only while it is there: its
    // folder holds the game (an uninstall that could not finish keeps the
    // entry with the record, for another try), and the uninstaller it
    // starts is in place. Once the next start settled every command, the
    // record names the same folder.
    void ExpectEntryTrue(bool settled, bool gameThere = true) {
        if (!fake::RegKeyExists(kEntryKey)) return;
        const auto location = fake::RegGetString(kEntryKey, "InstallLocation");
        ASSERT_TRUE(location) << "an entry that names no folder";
        EXPECT_TRUE(fake::RegGetString(kEntryKey, "DisplayName")) << "an entry cut short";
        if (gameThere) {
            EXPECT_TRUE(platform::FileExists(*location + "Tazu.exe")) << "the entry names a folder without the game";
            const auto log = platform::ReadWholeFile(*location + "Setup.log");
            EXPECT_TRUE(log && LogNamesInstallation(*log, *WinPath::Parse(*location)));
        }
        for (const char* file : {"TazuStart.exe", "Setup.inf"})
            EXPECT_TRUE(platform::FileExists(kKept + file)) << "the entry's uninstaller lacks " << file;
        if (settled) {
            EXPECT_EQ(Record(), location) << "the entry and the record name different folders";
            EXPECT_EQ(fake::RegGetString(kEntryKey, "DisplayIcon"), *location + "game.ico");
        }
    }
    // No entry and no uninstaller of the game are left.
    void ExpectNoEntry() {
        EXPECT_FALSE(fake::RegKeyExists(kEntryKey)) << "an entry without an installation";
        for (const char* file : {"TazuStart.exe", "Setup.inf"})
            EXPECT_FALSE(platform::FileExists(kKept + file)) << "the uninstaller's " << file << " is left";
    }
    // After an uninstall and the next start: complete, with nothing of the
    // game left but the save data kept as asked; or kept with the record
    // and a log of what is left.
    void ExpectUninstalledOrKept(const Snapshot& before, bool deleteSaves) {
        ExpectOutsideUnchanged(before, {kDir, kKeptBase});
        ExpectEntryTrue(true, /*gameThere=*/false);
        const Snapshot after = Take();
        if (!deleteSaves) {
            for (const char* save : {"DAT\\TazSav00.dat", "DAT\\TazSav01.dat"})
                EXPECT_EQ(At(after, kDir + save), At(before, kDir + save)) << save;
        }
        const auto record = Record();
        if (!record) {
            // Complete: every game file is gone, whatever was shown.
            for (const char* gone : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\sys.dat", "TAZ\\a.taz"})
                EXPECT_EQ(At(after, kDir + gone), "<gone>") << gone;
            ExpectNoEntry();
            return;
        }
        // Kept: the log lists every game file still there, for another
        // try (with none left, the message sends the user to the
        // record removal), and the entry leads to it.
        EXPECT_FALSE(Shown(Msg::UninstallDone));
        EXPECT_TRUE(fake::RegKeyExists(kEntryKey)) << "a record without its entry";
        const auto log = platform::ReadWholeFile(kDir + "Setup.log");
        for (const char* f : {"Tazu.exe", "Tazu.env", "ovit.dll", "game.ico", "DAT\\sys.dat", "TAZ\\a.taz"})
            if (At(after, kDir + f) != "<gone>") {
                ASSERT_TRUE(log);
                EXPECT_NE(log->find(kDir + f), std::string::npos) << f;
            }
    }
    // Outside the install folders and the start menu, every file and folder is as it was.
    void ExpectOutsideUnchanged(const Snapshot& before, std::initializer_list<std::string> folders) {
        // This runs after every one of many thousand runs, over paths that
        // repeat: each is read once.
        static std::map<std::string, std::optional<WinPath>> read;
        std::vector<WinPath> parsed{*WinPath::Parse(kStartMenu)};
        for (const std::string& f : folders) parsed.push_back(*WinPath::Parse(f));
        const auto inside = [&](const std::string& text) {
            auto it = read.find(text);
            if (it == read.end()) it = read.emplace(text, WinPath::Parse(text)).first;
            const auto& p = it->second;
            for (const WinPath& f : parsed)
                if (p && (p->IsBelow(f) || *p == f)) return true;
            return false;
        };
        const Snapshot after = Take();
        for (const auto& [path, content] : before)
            if (!inside(path)) {
                EXPECT_EQ(At(after, path), content) << path;
            }
        for (const auto& [path, content] : after)
            if (!inside(path)) {
                EXPECT_TRUE(before.count(path)) << "new outside: " << path;
            }
    }
    // Right after a failed installation: nothing from before is lost, though
    // a file may still wait under its backup name for the next start.
    void ExpectNothingLost(const Snapshot& before) {
        const Snapshot after = Take();
        for (const auto& [path, content] : before) {
            if (content == "<folder>" || At(after, path) == content) continue;
            bool kept = false;
            for (const auto& [other, c] : after)
                kept = kept || (c == content && other.compare(0, path.size(), path) == 0 && IsReservedName(other));
            EXPECT_TRUE(kept) << "lost: " << path;
        }
    }
    // The installation's state: the one before, exactly, or the installed one.
    void ExpectOldOrNew(const Snapshot& before) {
        EXPECT_FALSE(fake::RegGetString(kRecordKey, kInstallingValue)) << "an installation is still marked as running";
        if (!Record()) {
            const Snapshot after = Take();
            for (const auto& [path, content] : before) {
                EXPECT_EQ(At(after, path), content) << path;
            }
            for (const auto& [path, content] : after) {
                EXPECT_TRUE(before.count(path)) << "left behind: " << path;
            }
            EXPECT_FALSE(fake::RegKeyExists(kEntryKey)) << "an entry without an installation";
            return;
        }
        EXPECT_EQ(*Record(), kDir);
        ExpectOutsideUnchanged(before, {kDir, kKeptBase});
        ExpectRecordTrue();
        ExpectEntryTrue(true);
        const Snapshot after = Take();
        // A power cut may take the data of copies not yet written out (the
        // copy does not flush every file); their names stay. Tazu.env is
        // replaced in one flushed step.
        for (const char* f : {"Tazu.exe", "ovit.dll", "game.ico", "TAZ\\a.taz"})
            if (!crashed_) {
                EXPECT_EQ(At(after, kDir + f), std::string("disc ") + f);
            }
        EXPECT_NE(At(after, kDir + "Tazu.env").find("TZM=H"), std::string::npos);
        // What the installation does not overwrite stays, and no backup of it.
        for (const char* mine : {"DAT\\TazSav00.dat", "notes.txt", "Tazu.exe.~TazuStart1", "Setup.log.new"})
            if (before.count(sjis::FoldCase(kDir + mine))) {
                EXPECT_EQ(At(after, kDir + mine), At(before, kDir + mine)) << mine;
            }
        for (const auto& [path, content] : after)
            if (IsReservedName(path)) {
                EXPECT_TRUE(before.count(path)) << "left behind: " << path;
            }
    }

    // ---- the engine ----

    // One run on a machine `prepare` made: `fail` lists calls that fail,
    // `crash` the call at which the process dies. The number of fallible
    // calls the command made.
    int Once(const std::function<void()>& prepare, const std::function<void()>& command, const std::vector<int>& fail,
             int crash = 0, int failFrom = 0) {
        TearDown();
        SetUp();
        strangers_.clear();
        prepare();
        registryBefore_ = OutsideRegistry();
        fake::WriteBackCaches();
        if (crash)
            fake::CrashAtCall(crash);
        else if (failFrom) {
            fake::FailFromCall(failFrom);
            fake::GiveUpOnUnqueuedBoxes();
        }
        else
            fake::FailCalls(fail);
        crashed_ = false;
        try {
            command();
        } catch (const fake::ProcessExit&) {
        } catch (const fake::Crash&) {
            crashed_ = true;
        } catch (const std::logic_error& e) {  // a fake's guard against a loop: the run's fault, with its trace
            ADD_FAILURE() << e.what() << "; a box in the middle: "
                          << (fake::Boxes().empty() ? std::string() : fake::Boxes()[fake::Boxes().size() / 2].text);
        }
        const int calls = fake::CallCount();
        fake::StopFailing();
        return calls;
    }

    // Runs `command` for every single fault, every double fault whose second
    // failure comes after the first, every point from which all calls fail,
    // and every crash point; `checkRun` looks at each run's outcome,
    // `checkStart` at the machine after the next start.
    void Run(const char* name, const std::function<void()>& prepare, const std::function<void()>& command,
             const std::function<void()>& checkRun, const std::function<void()>& checkStart) {
        Counts& counts = Tally()[name];
        const auto afterRun = [&] {
            checkRun();
            ExpectStrangersKept();
        };
        const auto afterStart = [&] {
            checkStart();
            ExpectStrangersKept();
        };
        const int total = Once(prepare, command, {});
        ASSERT_LT(total, kMaxPoints) << name << " never ran out of calls to fail";
        for (int n = 1; n <= total && !HasFailure(); ++n) {
            SCOPED_TRACE(std::string(name) + ", failing call " + std::to_string(n));
            const int calls = Once(prepare, command, {n});
            ASSERT_LT(calls, kMaxPoints);
            afterRun();
            NextStart();
            afterStart();
            ++counts.single;
            for (int m = n + 1; m <= calls && !HasFailure(); m += Stride()) {
                SCOPED_TRACE("and call " + std::to_string(m));
                Once(prepare, command, {n, m});
                afterRun();
                NextStart();
                afterStart();
                ++counts.doubles;
            }
        }
        for (int n = 1; n <= total && !HasFailure(); ++n) {
            SCOPED_TRACE(std::string(name) + ", every call failing from call " + std::to_string(n));
            Once(prepare, command, {}, 0, n);
            afterRun();
            NextStart();
            afterStart();
            ++counts.persistent;
        }
        for (int n = 1; n <= total && !HasFailure(); ++n) {
            SCOPED_TRACE(std::string(name) + ", crash at call " + std::to_string(n));
            Once(prepare, command, {}, n);
            ASSERT_TRUE(crashed_);
            ExpectStrangersKept();
            // The start after the crash, itself crashing at each of its
            // calls once, then the one after it.
            fake::ProcessDied(true);
            fake::FailCalls({});
            try {
                RestartUtility();
            } catch (const fake::ProcessExit&) {
            }
            const int recoveryCalls = fake::CallCount();
            afterStart();
            ++counts.crashes;
            for (int m = 1; m <= recoveryCalls && !HasFailure(); m += Stride()) {
                SCOPED_TRACE("and the recovery crashing at call " + std::to_string(m));
                Once(prepare, command, {}, n);
                fake::ProcessDied(true);
                fake::CrashAtCall(m);
                try {
                    RestartUtility();
                } catch (const fake::Crash&) {
                }
                fake::StopFailing();
                fake::ProcessDied(true);
                RestartUtility();
                afterStart();
                ++counts.crashes;
            }
        }
    }

    bool crashed_ = false;
    std::map<std::string, std::string> strangers_;  // folded path -> content
    std::map<std::string, std::string> registryBefore_;
};

TEST_F(Sweep, InstallFromEveryStartingState) {
    struct State {
        const char* name;
        bool earlier, stale, twoDiscs;
    };
    const State states[] = {
        {"install", false, false, false},
        {"install over an earlier installation", true, false, false},
        {"install over stale leftovers", true, true, false},
        {"install from two discs", false, false, true},
    };
    for (const State& st : states) {
        Snapshot before;
        Run(
            st.name,
            [&] {
                Machine(st.twoDiscs);
                if (st.earlier) EarlierInstallation();
                if (st.stale) StaleLeftovers();
                RestartUtility();
                before = Take();
            },
            [&] { InstallFromTheMenu(st.earlier); },
            [&] {
                if (crashed_) return;
                EXPECT_EQ(Shown(Msg::InstallDone), Record().has_value());
                ExpectOutsideUnchanged(before, {kDir, kKeptBase});
                ExpectRecordTrue();
                // A rollback that could not finish leaves its marker, and says so: the next start ends it.
                if (!fake::RegGetString(kRecordKey, kInstallingValue)) ExpectEntryTrue(true);
                if (!Record() && !Shown(Msg::FolderNotMade) &&
                    !ShownText("インストール情報をレジストリに書き込めませんでした")) {
                    EXPECT_EQ(Shown(Msg::RollbackIncomplete), fake::RegGetString(kRecordKey, kInstallingValue).has_value());
                }
                if (!Record()) ExpectNothingLost(before);
            },
            [&] { ExpectOldOrNew(before); });
    }
}

TEST_F(Sweep, CancelAtEveryPointOfAReinstall) {
    // The player stops a re-install over an edited Tazu.env at each round of
    // messages; every cancel ends in the state before, byte for byte.
    Snapshot before;
    int points = 0;
    for (int pump = 1; pump < 200; ++pump) {
        SCOPED_TRACE("cancel at round " + std::to_string(pump));
        TearDown();
        SetUp();
        Machine();
        EarlierInstallation();
        RestartUtility();
        before = Take();
        bool asked = false;
        std::function<void(int)> arm = [&](int left) {
            fake::OnProcessMessages([&, left] {
                if (left > 1) return arm(left - 1);
                if (frmCopyFile) frmCopyFile->btnCancel.Click();
            });
        };
        arm(pump);
        fake::QueueAnswer(MbResult::Ok);  // the folder notice
        fake::QueueAnswer(MbResult::Yes, [&] {  // stop the installation
            asked = LastBoxId() == Msg::CancelQuestion;
        });
        Install(kDir);
        if (!asked) break;  // the installation ended before this round
        ++points;
        ExpectOldOrNew(before);
        EXPECT_FALSE(Record());
        if (HasFailure()) break;
    }
    Tally()["cancel of a re-install"].single = points;
    EXPECT_GT(points, 10);
}

TEST_F(Sweep, InstallFromTheCommandLine) {
    Snapshot before;
    int code = 0;
    Run(
        "install from the command line",
        [&] {
            Machine();
            EarlierInstallation();
            before = Take();
            fake::SetArguments({"/install", "/dir=" + kDir, "/passive"});
        },
        [&] { code = RunFromCommandLine(*platform::app::Arguments()); },
        [&] {
            if (crashed_) return;
            EXPECT_EQ(code == 0, Record().has_value()) << code;
            ExpectRecordTrue();
            if (!fake::RegGetString(kRecordKey, kInstallingValue)) ExpectEntryTrue(true);
            if (!Record()) ExpectNothingLost(before);
        },
        [&] { ExpectOldOrNew(before); });
}

TEST_F(Sweep, UninstallWithBothAnswers) {
    for (const bool deleteSaves : {false, true}) {
        Snapshot before;
        Run(
            deleteSaves ? "uninstall deleting save data" : "uninstall keeping save data",
            [&] {
                Machine();
                RestartUtility();
                InstallFromTheMenu(false);
                ASSERT_TRUE(Record());
                fake::AddFile(kDir + "DAT\\TazSav01.dat", "PLAYED");
                PlaceStrangers(kDir);
                RestartUtility();
                before = Take();
                fake::QueueAnswer(MbResult::Yes);
                fake::QueueAnswer(deleteSaves ? MbResult::Yes : MbResult::No);
            },
            [&] { frmInstMain->btnDelete.Click(); },
            [&] {},
            [&] { ExpectUninstalledOrKept(before, deleteSaves); });
    }
}

// The uninstall the list of programs starts: the copy of the kept
// uninstaller in the temporary folder, asking the user.
TEST_F(Sweep, UninstallFromTheList) {
    Snapshot before;
    Run(
        "uninstall from the list",
        [&] {
            Machine();
            RestartUtility();
            InstallFromTheMenu(false);
            ASSERT_TRUE(Record());
            // The kept copy handed over to its copy and ended.
            delete frmInstMain;
            frmInstMain = nullptr;
            InstConfig.~TInstConfig();
            new (&InstConfig) TInstConfig();
            PlaceStrangers(kDir);
            before = Take();
            fake::AddFile(kTempCopy, "copy");
            fake::SetArguments({"/uninstall", "/keptcopy=" + kKept.substr(0, kKept.size() - 1)});
            fake::QueueAnswer(MbResult::Yes);
            fake::QueueAnswer(MbResult::No);
        },
        [&] {
            // The copy runs; the next start is the disc's.
            struct Back {
                ~Back() { fake::SetExecutableFolder("Q:\\"); }
            } back;
            fake::SetExecutableFolder(sjis::FolderPart(kTempCopy));
            UtilityMain();
        },
        [&] {}, [&] { ExpectUninstalledOrKept(before, false); });
}

TEST_F(Sweep, RecordRemovalAndChange) {
    Snapshot before;
    const std::string movedLog = "D:\\Game\\Tazu.exe\r\nD:\\Game\\TAZ\\a.taz\r\nD:\\Game\\DAT\\TazSav00.dat\r\n";
    const std::string rebased = kMoved + "Tazu.exe\r\n" + kMoved + "TAZ\\a.taz\r\n" + kMoved + "DAT\\TazSav00.dat\r\n";
    const auto prepare = [&] {
        Machine();
        fake::RegSetString(kRecordKey, "InstPath", "D:\\Game\\");
        for (const char* f : {"Tazu.exe", "TAZ\\a.taz", "DAT\\TazSav00.dat"}) fake::AddFile(kMoved + f, f);
        fake::AddFile(kMoved + "Setup.log", movedLog);
        PlaceStrangers(kMoved);
        // The installation's entry in the list of programs, and its uninstaller.
        fake::RegSetString(kEntryKey, "InstallLocation", "D:\\Game\\");
        fake::RegSetString(kEntryKey, "DisplayIcon", "D:\\Game\\game.ico");
        fake::RegSetString(kEntryKey, "DisplayName", "ソフト表");
        fake::AddFile(kKept + "TazuStart.exe", "uninstaller");
        fake::AddFile(kKept + "Setup.inf", "uninstaller's Setup.inf");
        RestartUtility();
        before = Take();
        fake::QueueAnswer(MbResult::Yes);
    };
    // The record removal touches no file but the uninstaller's, which goes
    // with the entry, after the record; what of them a failure left, the
    // next start takes.
    // Right after the run, a probe of Program Files that a drive going away
    // left (the menu looks for a place to propose) waits for the next start.
    const auto expectRemovedOrNot = [&](bool settled) {
        Snapshot expected = before, after = Take();
        const auto ignored = [&](const std::string& path) {
            return Below(path, kKeptBase) || (!settled && path.find("\\~TAZUSTART-PROBE-") != std::string::npos);
        };
        for (Snapshot* s : {&expected, &after})
            for (auto it = s->begin(); it != s->end();) it = ignored(it->first) ? s->erase(it) : std::next(it);
        EXPECT_EQ(after, expected);
        if (!Record() && settled) ExpectNoEntry();
        if (Record()) {
            EXPECT_TRUE(fake::RegKeyExists(kEntryKey));
            EXPECT_EQ(At(Take(), kKept + "TazuStart.exe"), "uninstaller");
        }
    };
    Run("record removal", prepare, [&] { frmInstMain->btnInstInfoDel.Click(); },
        [&] {
            if (crashed_) return;
            expectRemovedOrNot(false);
            EXPECT_EQ(Shown(Msg::RemoveDone), !Record());
        },
        [&] { expectRemovedOrNot(true); });
    Run(
        "record change",
        [&] {
            prepare();
            fake::QueueFolderPick(kMoved);
        },
        [&] { frmInstMain->btnInstPathChg.Click(); },
        [&] {
            if (crashed_) return;
            if (Shown(Msg::ChangeDone)) {
                EXPECT_EQ(platform::ReadWholeFile(kMoved + "Setup.log"), rebased);
                EXPECT_EQ(Record(), kMoved);
                EXPECT_EQ(fake::RegGetString(kEntryKey, "InstallLocation"), kMoved);
            }
        },
        [&] {
            ExpectOutsideUnchanged(before, {kMoved});
            // The entry follows the record, its icon with it.
            EXPECT_EQ(fake::RegGetString(kEntryKey, "InstallLocation"), Record());
            EXPECT_EQ(fake::RegGetString(kEntryKey, "DisplayIcon"), *Record() + "game.ico");
            // The log is never lost or shortened: the old one or the new one,
            // whole, and the record goes with it once the start settled it.
            const auto log = platform::ReadWholeFile(kMoved + "Setup.log");
            ASSERT_TRUE(log);
            EXPECT_TRUE(*log == movedLog || *log == rebased) << *log;
            EXPECT_FALSE(platform::FileExists(kMoved + "Setup.log.new"));
            EXPECT_FALSE(platform::FileExists(kMoved + "Setup.log.old"));
            // A record on the moved folder comes with the rebased log.
            if (Record() == kMoved) {
                EXPECT_EQ(*log, rebased);
            }
            if (!fake::RegGetString(kRecordKey, kMovingValue) && *log == rebased) {
                EXPECT_EQ(Record(), kMoved);
            }
        });
}

// The same removal, settled by the next start from the list while the game
// still has an entry there: the kept copy, then the copy it starts.
TEST_F(Sweep, UninstallFromTheListEndedByTheList) {
    Counts& counts = Tally()["uninstall from the list, then the list"];
    const std::string keptCopy = "/keptcopy=" + kKept.substr(0, kKept.size() - 1);
    Snapshot before;
    const auto startAs = [&](const std::string& folder, const std::vector<std::string>& args) {
        delete frmInstMain;
        frmInstMain = nullptr;
        InstConfig.~TInstConfig();
        new (&InstConfig) TInstConfig();
        struct Back {
            ~Back() { fake::SetExecutableFolder("Q:\\"); }
        } back;
        fake::SetExecutableFolder(folder);
        fake::SetArguments(args);
        UtilityMain();
    };
    const auto prepare = [&] {
        Machine();
        RestartUtility();
        InstallFromTheMenu(false);
        before = Take();
        fake::AddFile(kTempCopy, "copy");
    };
    const auto command = [&] { startAs(sjis::FolderPart(kTempCopy), {"/uninstall", "/silent", keptCopy}); };
    const int total = Once(prepare, command, {});
    for (int n = 1, crash = 0; crash < 2 && !HasFailure(); n = n < total ? n + 1 : (++crash, 1)) {
        SCOPED_TRACE((crash ? "crash at call " : "failing call ") + std::to_string(n));
        Once(prepare, command, crash ? std::vector<int>{} : std::vector<int>{n}, crash ? n : 0);
        fake::ProcessDied(crashed_);
        if (fake::RegKeyExists(kEntryKey)) {
            startAs(kKept, {"/uninstall", "/silent"});
            fake::ProcessDied();
            const std::string copy = fake::StartedProcesses().back().application;
            startAs(sjis::FolderPart(copy), {"/uninstall", "/silent", keptCopy});
            // The run that just ended leaves its copy to its command prompt.
            fake::RemoveFile(copy);
            platform::RemoveEmptyDirectory(sjis::FolderPart(copy));
        } else {
            RestartUtility();
        }
        ExpectUninstalledOrKept(before, false);
        ++(crash ? counts.crashes : counts.single);
    }
}

}  // namespace
