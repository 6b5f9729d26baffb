// tazucheck on generated discs: a clean disc set has no finding, and each
// fault of a disc gives its own finding, with where it comes from.
#include <functional>

#include "disc_builder.h"
#include "tazucheck/check.h"
#include "tazucheck/cli.h"

namespace {

using tazucheck::Report;
using tazucheck::Severity;

const char* const kSetupInf =
    "; テスト用ディスク\r\n"
    "[Setting]\r\n"
    "GameTitle=ソフト表ポ\r\n"  // 表 and ポ end in the bytes '\' and '|'
    "DefInstPath=ソフト表\r\n"
    "ProgramFolder=メーカー\\ソフト表\r\n"
    "RegKey=Maker\r\n"
    "ShortcutIcon=game.ico\r\n"
    "InstBufSize=32768\r\n"
    "TotalDisc=1\r\n"
    "TazuInstSize=145\r\n"
    "DatInstSize=18\r\n"
    "TazInstSize=30\r\n"
    "TzdInstSize=19\r\n"
    "TzsInstSize=52\r\n"
    "TzmInstSize=31\r\n"
    "VolumeLabel1=QUENDRIL1\r\n"
    "DiscName1=ディスク１\r\n"
    "\r\n"
    "[DAT1]\r\nFile1=TazSav00.dat\r\nFile2=:\r\n"
    "[TAZ1]\r\nFile1=表.taz\r\nFile2=b.taz\r\n"
    "[TZD1]\r\nFile1=d.tzd\r\n"
    "[TZS1]\r\nFile1=:sound\r\n"
    "[TZM1]\r\nFile1=m.tzm\r\n";

// A clean one-disc game in a temporary folder: sizes match the files, every
// name exists, and the labels are right.
class Disc {
public:
    Disc() : root(temp_.path() + "/disc1") {
        inf.bytes = kSetupInf;
        const std::pair<const char*, std::size_t> files[] = {
            {"InstData\\Tazu.exe", 100},     {"InstData\\Tazu.env", 10},      {"InstData\\ovit.dll", 20},
            {"InstData\\ovit_mwv.dll", 30},  {"InstData\\game.ico", 5},       {"InstData\\DAT\\TazSav00.dat", 7},
            {"InstData\\DAT\\sys.dat", 11},  {"InstData\\TAZ\\表.taz", 13},   {"InstData\\TAZ\\b.taz", 17},
            {"InstData\\TZD\\d.tzd", 19},    {"InstData\\TZS\\s1.tzs", 23},   {"InstData\\TZS\\s2.tzs", 29},
            {"InstData\\TZM\\m.tzm", 31},    {"Directx8.1b\\DX81jpn.exe", 3}, {"Directx8.1b\\DX81NTjpn.exe", 3}};
        for (const auto& [name, size] : files) Write(name, std::string(size, 'x'));
        Write("SetupDAT1.inf", "sys.dat\r\n");
        Write("SetupTZS1.inf", "s1.tzs\n\ns2.tzs");  // LF ends, a blank line, no final end
        Write("readme.txt", "お読みください。\r\n");
        Write(".windows-label", "QUENDRIL1\n");
    }

    void Write(const std::string& relative, const std::string& bytes) { WriteAt(root, relative, bytes); }
    void Remove(const std::string& relative) { RemoveAt(root, relative); }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        inf.Set(section, key, value);
    }
    void AddSize(const char* key, int bytes) {
        Set("Setting", key, std::to_string(platform::IniFile(inf.bytes).ReadInteger("Setting", key, 0) + bytes));
    }
    // Disc 2 with one TAZ file, in its own folder (then named on the command
    // line) or as the folder QUENDRIL2 of disc 1.
    void MakeSecondDisc(bool insideDiscOne = false) {
        second = insideDiscOne ? root + "/QUENDRIL2" : temp_.path() + "/disc2";
        secondArgument = insideDiscOne ? std::string() : second;
        Set("Setting", "TotalDisc", "2");
        Set("Setting", "VolumeLabel2", "QUENDRIL2");
        Set("TAZ2", "File1", "c.taz");
        AddSize("TazInstSize", 37);
        WriteAt(second, "InstData\\TAZ\\c.taz", std::string(37, 'c'));
        if (!insideDiscOne) WriteAt(second, ".windows-label", "QUENDRIL2\r\n");
    }

    Report Check() {
        if (writeSetup) Write("Setup.inf", inf.bytes);
        return tazucheck::CheckDiscs(root, secondArgument);
    }

private:
    TempFolder temp_;

public:
    const std::string root;
    std::string second, secondArgument;
    SetupText inf;
    bool writeSetup = true;
};

struct Expect {
    Severity severity;
    std::string where;
    std::string fragment;  // part of the text
};

std::string Describe(const Report& report) {
    std::string text;
    for (const auto& f : report.findings)
        text += std::string(f.severity == Severity::Error ? "error: " : "warning: ") + f.where + ": " +
                platform::ShiftJisToUtf8(f.text) + "\n";
    return text.empty() ? "no finding" : text;
}

// Every expected finding is there; with `exact`, nothing else is.
void ExpectFindings(const Report& report, const std::vector<Expect>& expected, bool exact) {
    for (const Expect& e : expected) {
        const bool found = std::any_of(report.findings.begin(), report.findings.end(), [&](const auto& f) {
            return f.severity == e.severity && f.where == e.where && f.text.find(e.fragment) != std::string::npos;
        });
        EXPECT_TRUE(found) << "missing: " << e.where << ": " << platform::ShiftJisToUtf8(e.fragment) << "\ngot:\n"
                           << Describe(report);
    }
    if (exact) {
        EXPECT_EQ(report.findings.size(), expected.size()) << Describe(report);
    }
}

// ---- a clean disc set ----

TEST(CleanDisc, HasNoFindingAndCountsWhatIsCopied) {
    Disc disc;
    const Report report = disc.Check();
    EXPECT_EQ(report.findings.size(), 0u) << Describe(report);
    EXPECT_EQ(report.mainFiles.files, 4);
    EXPECT_EQ(report.mainFiles.bytes, 145u);  // the larger sound library counts
    const std::pair<int, std::uint64_t> groups[] = {{2, 18}, {2, 30}, {1, 19}, {2, 52}, {1, 31}};
    for (int g = 0; g < kGroupCount; ++g) {
        EXPECT_EQ(report.discs[0].groups[g].files, groups[g].first) << kGroups[g];
        EXPECT_EQ(report.discs[0].groups[g].bytes, groups[g].second) << kGroups[g];
    }
    EXPECT_EQ(report.longestPath, "C:\\Program Files\\ソフト表\\TAZ\\表.taz.~TazuStart999");
    EXPECT_TRUE(report.sizeLines.empty());
}

// Saved as UTF-16 (as Notepad's "Unicode"), Setup.inf reads as Windows reads
// it: the same clean disc, no complaint about its encoding.
TEST(CleanDisc, SetupInfInUtf16ReadsLikeShiftJis) {
    Disc disc;
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : sjis::ToUtf16(kSetupInf).value()) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    disc.inf.bytes = bytes;
    const Report report = disc.Check();
    EXPECT_EQ(report.findings.size(), 0u) << Describe(report);
    EXPECT_EQ(report.longestPath, "C:\\Program Files\\ソフト表\\TAZ\\表.taz.~TazuStart999");
}

TEST(CleanDisc, SecondDiscGivenAsItsOwnFolder) {
    Disc disc;
    disc.MakeSecondDisc();
    const Report report = disc.Check();
    EXPECT_EQ(report.findings.size(), 0u) << Describe(report);
    EXPECT_EQ(report.discs[1].groups[1].bytes, 37u);
    EXPECT_EQ(report.discs[1].label, std::optional<std::string>("QUENDRIL2"));
}

TEST(CleanDisc, SecondDiscFoundAsTheFolderNamedLikeItsLabel) {
    Disc disc;
    disc.MakeSecondDisc(true);
    const Report report = disc.Check();
    EXPECT_EQ(report.findings.size(), 0u) << Describe(report);
    EXPECT_EQ(report.discs[1].groups[1].files, 1);
}

TEST(CleanDisc, DAT_EntryListedTwiceIsCountedOnce) {
    // The second copy finds the file installed and skips it.
    Disc disc;
    disc.Set("DAT1", "File3", "sys.dat");
    const Report report = disc.Check();
    EXPECT_EQ(report.discs[0].groups[0].files, 2);
    EXPECT_EQ(report.discs[0].groups[0].bytes, 18u);
}

// ---- one fault, its finding ----

struct Fault {
    const char* name;
    std::function<void(Disc&)> make;
    std::vector<Expect> expected;
    bool exact = true;  // false where the fault has further consequences
};

const std::string kSetting = "Setup.inf [Setting] ";
constexpr Severity E = Severity::Error;
constexpr Severity W = Severity::Warning;

const Fault kFaults[] = {
    // Refused at start.
    {"SetupInfMissing", [](Disc& d) { d.writeSetup = false; }, {{E, "Setup.inf", "missing on disc 1"}}},
    {"RequiredKeyMissing", [](Disc& d) { d.inf.Drop("RegKey="); },
     {{E, kSetting + "RegKey", "missing: the utility stops at start"}}},
    {"RequiredKeyEmpty", [](Disc& d) { d.Set("Setting", "GameTitle", ""); },
     {{E, kSetting + "GameTitle", "empty: the utility stops at start"}}},
    {"TotalDiscAboveTwo", [](Disc& d) { d.Set("Setting", "TotalDisc", "3"); },
     {{E, kSetting + "TotalDisc", "3: the utility stops at start"}, {W, "disc 2", "not given"}}},
    {"Utf8ByteOrderMarkHidesTheSection",
     [](Disc& d) { d.inf.bytes = "\xEF\xBB\xBF" + d.inf.bytes.substr(d.inf.bytes.find('[')); },
     {{E, "Setup.inf line 1", "byte-order mark"}, {E, kSetting + "GameTitle", "missing"}},
     false},
    {"VolumeLabel1NotTheStartLabel", [](Disc& d) { d.Set("Setting", "VolumeLabel1", "quendril1"); },
     {{E, kSetting + "VolumeLabel1", "asks for disc 1 without end"}}},
    // Main files and fixed names.
    {"ShortcutIconEmpty", [](Disc& d) { d.Set("Setting", "ShortcutIcon", ""); },
     {{E, kSetting + "ShortcutIcon", "the fourth main file cannot be copied"}}},
    {"ShortcutIconNamesNoFile", [](Disc& d) { d.Remove("InstData\\game.ico"); },
     {{E, kSetting + "ShortcutIcon", "InstData\\game.ico is missing on disc 1"}}},
    {"ShortcutIconInASubFolder",
     [](Disc& d) {
         d.Remove("InstData\\game.ico");
         d.Write("InstData\\icons\\game.ico", "xxxxx");
         d.Set("Setting", "ShortcutIcon", "icons\\game.ico");
     },
     {{E, kSetting + "ShortcutIcon", "holds a folder"}}},
    {"MainFileMissing", [](Disc& d) { d.Remove("InstData\\Tazu.exe"); },
     {{E, "InstData\\Tazu.exe", "missing on disc 1: every installation fails"}}},
    {"MWaveLibraryMissing", [](Disc& d) { d.Remove("InstData\\ovit_mwv.dll"); },
     {{E, "InstData\\ovit_mwv.dll", "the M-WAVE installation fails"}}},
    {"DirectXSetupMissing", [](Disc& d) { d.Remove("Directx8.1b\\DX81NTjpn.exe"); },
     {{E, "Directx8.1b\\DX81NTjpn.exe", "the DirectX button ends the utility"}}},
    // Lists and entries.
    {"ListFileMissing", [](Disc& d) { d.Remove("SetupTZS1.inf"); },
     {{E, "Setup.inf [TZS1] File1", "SetupTZS1.inf is missing"}}},
    {"EntryOfSetupInfNamesNoFile", [](Disc& d) { d.Remove("InstData\\TZD\\d.tzd"); },
     {{E, "Setup.inf [TZD1] File1", "InstData\\TZD\\d.tzd: no such file on disc 1"}}},
    {"ListFileLineNamesNoFile", [](Disc& d) { d.Remove("InstData\\TZS\\s2.tzs"); },
     {{E, "SetupTZS1.inf line 3", "InstData\\TZS\\s2.tzs: no such file on disc 1"}}},
    {"EntryNamesAFolder",
     [](Disc& d) {
         d.Remove("InstData\\TZD\\d.tzd");
         MakeFolder(d.root, "InstData\\TZD\\d.tzd");
     },
     {{E, "Setup.inf [TZD1] File1", "is a folder on disc 1"}}},
    {"EntryHoldsAForbiddenCharacter", [](Disc& d) { d.Set("TZM1", "File2", "a<b.tzm"); },
     {{E, "Setup.inf [TZM1] File2", "holds '<'"}}},
    {"TwoEntriesOfAGroupWithOneLastName",
     [](Disc& d) {
         d.Write("InstData\\TAZ\\sub\\B.TAZ", std::string(17, 'y'));  // one installed file all the same
         d.Set("TAZ1", "File3", "sub\\B.TAZ");
         d.AddSize("TazInstSize", 17);
     },
     {{W, "Setup.inf [TAZ1] File3", "its sub-folder is not kept"},
      {E, "Setup.inf [TAZ1] File3", "as TAZ\\B.TAZ like InstData\\TAZ\\b.taz (Setup.inf [TAZ1] File2)"}}},
    {"SameLastNameOnBothDiscs",
     [](Disc& d) {
         d.MakeSecondDisc();
         WriteAt(d.second, "InstData\\TAZ\\b.taz", std::string(17, 'z'));
         d.Set("TAZ2", "File2", "b.taz");
         d.AddSize("TazInstSize", 17);
     },
     {{E, "Setup.inf [TAZ2] File2", "only one of them ends up installed"}}},
    {"Disc2LabelDoesNotMatch",
     [](Disc& d) {
         d.MakeSecondDisc();
         WriteAt(d.second, ".windows-label", "QUENDRIL3\n");
     },
     {{E, kSetting + "VolumeLabel2", "'QUENDRIL2', but disc 2 is labelled 'QUENDRIL3'"}}},
    // Sizes.
    {"SizeKeyTooSmall", [](Disc& d) { d.Set("Setting", "TzsInstSize", "51"); },
     {{E, kSetting + "TzsInstSize", "51, but the group copies 52 bytes"}}},
    {"SizeKeyMissing", [](Disc& d) { d.inf.Drop("TzmInstSize="); },
     {{E, kSetting + "TzmInstSize", "missing (taken as 0), but the group copies 31 bytes"}}},
    {"SizeKeyNotANumber", [](Disc& d) { d.Set("Setting", "TzdInstSize", "19x"); },
     {{W, kSetting + "TzdInstSize", "'19x' is not a plain decimal integer: the utility uses 0"},
      {E, kSetting + "TzdInstSize", "'19x' (taken as 0), but the group copies 19 bytes"}}},
    {"MainFilesSizeCountsTheLargerLibrary", [](Disc& d) { d.Set("Setting", "TazuInstSize", "135"); },
     {{E, kSetting + "TazuInstSize", "the main files copy 145 bytes"}}},
    {"SizeKeyTooLarge", [](Disc& d) { d.Set("Setting", "TzsInstSize", "60"); },
     {{W, kSetting + "TzsInstSize", "60, but the group copies 52 bytes"}}},
    // Names the system cannot take.
    {"GameTitleNotAFileName", [](Disc& d) { d.Set("Setting", "GameTitle", "ソフト:表"); },
     {{E, kSetting + "GameTitle", "holds ':', which one registry key and file name cannot hold: the utility stops"}}},
    {"RegKeyOfSeveralKeys", [](Disc& d) { d.Set("Setting", "RegKey", "Microsoft\\Windows\\CurrentVersion\\Run"); },
     {{E, kSetting + "RegKey", "holds '\\', which one registry key and file name cannot hold: the utility stops"}}},
    {"ProgramFolderNotAFolderName", [](Disc& d) { d.Set("Setting", "ProgramFolder", "Maker\\Game?"); },
     {{E, kSetting + "ProgramFolder", "holds '?'"}}},
    {"DefInstPathNotAFolderName", [](Disc& d) { d.Set("Setting", "DefInstPath", "Game|2"); },
     {{E, kSetting + "DefInstPath", "holds '|'"}}},
    {"IconTooLongToMoveAside", [](Disc& d) { d.Set("Setting", "ShortcutIcon", std::string(226, 'i') + ".ico"); },
     {{E, kSetting + "ShortcutIcon", "(270 bytes), longer than 259 bytes: every re-install fails"}},
     false},
    {"InstallFolderTooLongForTheLog", [](Disc& d) { d.Set("Setting", "DefInstPath", std::string(240, 'p')); },
     {{E, kSetting + "DefInstPath", "leaves no room for Setup.log"}},
     false},
    {"PathOnTheDiscTooLong",
     [](Disc& d) {
         const std::string name = std::string(120, 'f') + "\\" + std::string(130, 'n');
         d.Write("InstData\\TZM\\" + name, "12345");
         d.Set("TZM1", "File2", name);
         d.AddSize("TzmInstSize", 5);
     },
     {{W, "Setup.inf [TZM1] File2", "its sub-folder is not kept"},
      {E, "Setup.inf [TZM1] File2", "(267 bytes), longer than 259 bytes"}}},
    // Works, but looks wrong.
    {"ReadmeMissing", [](Disc& d) { d.Remove("readme.txt"); },
     {{W, "readme.txt", "no readme is shown"}}},
    {"NameDiffersInCase", [](Disc& d) { d.Set("TZD1", "File1", "D.TZD"); },
     {{W, "Setup.inf [TZD1] File1", "the disc spells it InstData\\TZD\\d.tzd; it is installed as TZD\\D.TZD"}}},
    {"SubFolderIsFlattened",
     [](Disc& d) {
         d.Remove("InstData\\TZM\\m.tzm");
         d.Write("InstData\\TZM\\曲\\m.tzm", std::string(31, 'x'));
         d.Set("TZM1", "File1", "曲\\m.tzm");
     },
     {{W, "Setup.inf [TZM1] File1", "is installed as TZM\\m.tzm: its sub-folder is not kept"}}},
    {"SetupInfLineNotShiftJis", [](Disc& d) { d.inf.bytes = "; \x85\x40\r\n" + d.inf.bytes; },
     {{W, "Setup.inf line 1", "not valid Shift-JIS"}}},
    {"SetupInfLineInUtf8",
     [](Disc& d) {
         d.Set("Setting", "GameTitle", "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88");  // ソフト in UTF-8
     },
     {{W, "Setup.inf line 3", "UTF-8, not Shift-JIS"}}},
    {"ReadmeNotShiftJis", [](Disc& d) { d.Write("readme.txt", "ok\r\n\xEF\xBB\r\n\x81\r\n"); },
     {{W, "readme.txt line 2", "not valid Shift-JIS (and 1 more lines)"}}},
    {"KeyAfterAGapIsNeverRead", [](Disc& d) { d.Set("TZM1", "File3", "m.tzm"); },
     {{W, "Setup.inf [TZM1] File3", "never read: the list ends at File2"}}},
    {"ListFileWithoutMarker", [](Disc& d) { d.Write("SetupTZM1.inf", "m.tzm\r\n"); },
     {{W, "SetupTZM1.inf", "never read: no File<n> of [TZM1] is ':'"}}},
    {"SecondDiscSectionOfAOneDiscGame", [](Disc& d) { d.Set("DAT2", "File1", "x.dat"); },
     {{W, "Setup.inf [DAT2]", "never read: TotalDisc is 1"}}},
    {"EntryListedTwice", [](Disc& d) { d.Set("DAT1", "File3", "TazSav00.dat"); },
     {{W, "Setup.inf [DAT1] File3", "listed again (first at Setup.inf [DAT1] File1)"}}},
    // Windows' own profile functions would read the number these begin with.
    {"TotalDiscWithAComment", [](Disc& d) { d.Set("Setting", "TotalDisc", "2 ;two"); },
     {{W, kSetting + "TotalDisc",
       "'2 ;two' is not a plain decimal integer: the utility uses 1, not the number it begins with"}}},
    {"InstBufSizeInHexadecimal", [](Disc& d) { d.Set("Setting", "InstBufSize", "0x8000"); },
     {{W, kSetting + "InstBufSize", "'0x8000' is not a plain decimal integer: the utility uses 32768"}}},
    {"InstBufSizeNotPositive", [](Disc& d) { d.Set("Setting", "InstBufSize", "0"); },
     {{W, kSetting + "InstBufSize", "chunks of 32768 bytes"}}},
    {"SecondDiscNotGiven",
     [](Disc& d) {
         d.MakeSecondDisc();
         d.secondArgument.clear();
     },
     {{W, "disc 2", "not given, and disc 1 holds no folder QUENDRIL2"}}},
};

void PrintTo(const Fault& fault, std::ostream* os) { *os << fault.name; }

class OneFault : public ::testing::TestWithParam<Fault> {};

TEST_P(OneFault, GivesItsFinding) {
    Disc disc;
    GetParam().make(disc);
    ExpectFindings(disc.Check(), GetParam().expected, GetParam().exact);
}

INSTANTIATE_TEST_SUITE_P(Tazucheck, OneFault, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& fault) { return std::string(fault.param.name); });

// Each side of a limit the utility draws; every row once caught a checker
// that drew it one off or compared more loosely than the utility.
const Fault kBoundaries[] = {
    {"SettingText511Bytes", [](Disc& d) { d.Set("Setting", "ProgramFolder", std::string(511, 'k')); }, {}},
    {"SettingText512Bytes", [](Disc& d) { d.Set("Setting", "ProgramFolder", std::string(512, 'k')); },
     {{E, kSetting + "ProgramFolder", "longer than 511 bytes"}}},
    // A key name is counted in characters.
    {"RegKey255Characters",
     [](Disc& d) {
         std::string key;
         for (int i = 0; i < 255; ++i) key += "表";
         d.Set("Setting", "RegKey", key);
     },
     {}},
    {"RegKey256Characters", [](Disc& d) { d.Set("Setting", "RegKey", std::string(256, 'k')); },
     {{E, kSetting + "RegKey", "longer than 255 characters"}}},
    // C:\Program Files\ (17) + folder + '\' + TAZ\表.taz.~TazuStart999 (24):
    // the longest name an installation writes, the name a re-install moves
    // a file of the earlier installation aside to.
    {"InstalledPath259Bytes", [](Disc& d) { d.Set("Setting", "DefInstPath", std::string(217, 'p')); }, {}},
    {"InstalledPath260Bytes", [](Disc& d) { d.Set("Setting", "DefInstPath", std::string(218, 'p')); },
     {{E, "Setup.inf [TAZ1] File1", "(260 bytes), longer than 259 bytes: every re-install fails"},
      {E, "SetupTZS1.inf line 1", "(260 bytes), longer than 259 bytes: every re-install fails"},
      {E, "SetupTZS1.inf line 3", "(260 bytes), longer than 259 bytes: every re-install fails"}}},
    // The record key and the shortcut are named after the title.
    {"GameTitleEndingInADot", [](Disc& d) { d.Set("Setting", "GameTitle", "ソフト表."); },
     {{E, kSetting + "GameTitle", "holds a dot or blank at its end"}}},
    {"GameTitleADeviceName", [](Disc& d) { d.Set("Setting", "GameTitle", "conin$"); },
     {{E, kSetting + "GameTitle", "holds the device name conin$"}}},
    // The utility compares the label exactly.
    {"Disc1LabelInOtherCase", [](Disc& d) { d.Write(".windows-label", "Quendril1\n"); },
     {{E, "disc 1", "labelled 'Quendril1'"}}},
    {"NoDiscs", [](Disc& d) { d.Set("Setting", "TotalDisc", "0"); },
     {{W, kSetting + "TotalDisc", "only the main files"},
      {W, "Setup.inf [DAT1]", "never read: TotalDisc is 0"},
      {W, "SetupDAT1.inf", "never read: TotalDisc is 0"},
      {W, "SetupTZS1.inf", "never read: TotalDisc is 0"}},
     false},
};

TEST(Limits, EachSideAsTheUtilityDrawsIt) {
    for (const Fault& row : kBoundaries) {
        SCOPED_TRACE(row.name);
        Disc disc;
        row.make(disc);
        ExpectFindings(disc.Check(), row.expected, row.exact);
    }
}

TEST(Sizes, OffSizeGivesTheLinesToPaste) {
    Disc disc;
    disc.Set("Setting", "TzsInstSize", "51");
    const std::vector<std::string> expected{"TazuInstSize=145", "DatInstSize=18", "TazInstSize=30",
                                            "TzdInstSize=19",   "TzsInstSize=52", "TzmInstSize=31"};
    EXPECT_EQ(disc.Check().sizeLines, expected);
}

TEST(Sizes, NoLinesToPasteWhileAFileIsMissing) {
    Disc disc;
    disc.Set("Setting", "TzsInstSize", "60");
    disc.Remove("InstData\\TZD\\d.tzd");
    const Report report = disc.Check();
    EXPECT_TRUE(report.sizeLines.empty());
    ExpectFindings(report, {{E, "Setup.inf [TZD1] File1", "no such file"}, {W, kSetting + "TzsInstSize", "60"}},
                   true);
}

// ---- disc images ----

// The disc folder mastered by xorriso as <folder>.iso, as a disc author does
// (without .windows-label); false when xorriso is missing or fails.
bool MasterImage(const Disc& disc, const std::string& options, std::string* image) {
    *image = disc.root + ".iso";
    const std::string command = "xorriso -as mkisofs -input-charset utf-8 -m .windows-label " + options + " -o '" +
                                *image + "' '" + disc.root + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

TEST(DiscImage, ChecksTheDiscAsMasteredInTheImage) {
    const std::string longName(70, 'l');
    const struct {
        const char* what;     // the fault the row catches
        const char* options;  // of xorriso
        bool longEntry;       // TAZ1 File3 names a file with a 70-character name
        std::vector<Expect> expected;
        bool exact;
        bool autorun = true;  // the disc has autorun.inf
    } rows[] = {
        {"names from another tree, the label or a file read wrong, a finding where none is", "-J -V QUENDRIL1",
         false, {}, true},
        {"a Joliet name cut to 64 characters goes unexplained", "-J -V QUENDRIL1", true,
         {{E, "Setup.inf [TAZ1] File3", "only as InstData\\TAZ\\" + longName.substr(0, 20)}}, true},
        {"the label not taken from the volume descriptor", "-J -V QUENDRIL2", false,
         {{E, "disc 1", "labelled 'QUENDRIL2'"}}, true},
        // libiso9660 gives the Rock Ridge names xorriso adds, which keep the case.
        {"names of a tree without Joliet not read as Windows reads them", "-iso-level 3 -N -V QUENDRIL1", false,
         {{W, "Setup.inf [TAZ1] File2", "the disc spells it INSTDATA\\TAZ\\B.TAZ"}}, false},
        {"a name mastered with its version suffix not named", "-iso-level 3 -V QUENDRIL1", false,
         {{E, "Setup.inf", "on the image only as SETUP.INF;1 (with the version suffix ;1 that Windows shows)"}}, true},
        {"an image that does not start by itself goes unmentioned", "-J -V QUENDRIL1", false,
         {{W, "autorun.inf", "missing at the root of the image"}}, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Disc disc;
        if (row.autorun) disc.Write("autorun.inf", "[autorun]\r\nopen=TazuStart.exe\r\n");
        if (row.longEntry) {
            disc.Write("InstData\\TAZ\\" + longName + ".taz", "x");
            disc.Set("TAZ1", "File3", longName + ".taz");
            disc.AddSize("TazInstSize", 1);
        }
        disc.Check();  // writes Setup.inf
        std::string image;
        ASSERT_TRUE(MasterImage(disc, row.options, &image)) << "xorriso is needed to master the test images";
        ExpectFindings(tazucheck::CheckDiscs(image, std::string()), row.expected, row.exact);
        if (row.expected.empty()) {
            EXPECT_EQ(tazucheck::Run({image}).exitCode, tazucheck::kExitClean);
        }
    }
}

// ---- the command line ----

TEST(CommandLine, ExitCodesAndUsage) {
    Disc disc;
    disc.Check();  // writes Setup.inf
    EXPECT_EQ(tazucheck::Run({}).exitCode, tazucheck::kExitUsage);
    EXPECT_EQ(tazucheck::Run({"--frobnicate", disc.root}).exitCode, tazucheck::kExitUsage);
    EXPECT_EQ(tazucheck::Run({disc.root, disc.root, disc.root}).exitCode, tazucheck::kExitUsage);
    EXPECT_EQ(tazucheck::Run({disc.root + "/nothing"}).exitCode, tazucheck::kExitUsage);
    const auto usage = tazucheck::Run({});
    EXPECT_NE(usage.err.find("usage: tazucheck DISC1 [DISC2]"), std::string::npos);
    EXPECT_TRUE(usage.out.empty());

    const auto clean = tazucheck::Run({disc.root});
    EXPECT_EQ(clean.exitCode, tazucheck::kExitClean);
    EXPECT_EQ(clean.out.substr(clean.out.rfind('\n', clean.out.size() - 2) + 1), "0 errors, 0 warnings\n");

    disc.Remove("readme.txt");
    EXPECT_EQ(tazucheck::Run({disc.root}).exitCode, tazucheck::kExitClean) << "warnings alone";
    disc.Remove("InstData\\Tazu.env");
    EXPECT_EQ(tazucheck::Run({disc.root}).exitCode, tazucheck::kExitErrors);
}

TEST(CommandLine, HelpNamesTheFindingsAndExitCodes) {
    const auto help = tazucheck::Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* words : {"Errors", "Warnings", "summary", "Exit code: 0 no error", "1 errors", "2 usage error",
                              "VolumeLabel2", "259 bytes"})
        EXPECT_NE(help.out.find(words), std::string::npos) << words;
}

TEST(CommandLine, ReportIsUtf8OneFindingALineWithTheSummary) {
    Disc disc;
    disc.Set("Setting", "TzsInstSize", "51");
    disc.Set("TZD1", "File1", "D.TZD");
    disc.Check();
    const auto run = tazucheck::Run({disc.root + "/"});
    EXPECT_EQ(run.exitCode, tazucheck::kExitErrors);
    const std::string expectedStart =
        "warning: Setup.inf [TZD1] File1: InstData\\TZD\\D.TZD: the disc spells it InstData\\TZD\\d.tzd; "
        "it is installed as TZD\\D.TZD\n"
        "error: Setup.inf [Setting] TzsInstSize: 51, but the group copies 52 bytes: the free-space check can pass a "
        "disk that then fills up, and the progress bars run past 100%\n"
        "\n"
        "The size lines of [Setting] for this disc set, to paste into Setup.inf:\n"
        "TazuInstSize=145\nDatInstSize=18\nTazInstSize=30\nTzdInstSize=19\nTzsInstSize=52\nTzmInstSize=31\n";
    EXPECT_EQ(run.out.substr(0, std::string(expectedStart).size()), expectedStart);
    // "installed under C:\Program Files\ソフト表\" in UTF-8, whatever this file's literals become.
    EXPECT_NE(run.out.find("installed under C:\\Program Files\\\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88\xE8\xA1\xA8\\"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("    TZS       2 files            52 bytes\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  total      12 files           295 bytes\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1 error, 1 warning\n"), std::string::npos) << run.out;
}

}  // namespace
