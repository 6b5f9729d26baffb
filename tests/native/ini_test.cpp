#include "platform/ini.h"

#include <gtest/gtest.h>

#include "ini_cases/ini_cases.h"

namespace {

using platform::IniFile;
using platform::IniWriteString;

struct ReadRow {
    const char* file;
    const char* section;
    const char* key;
    const char* expected;  // with default "<def>"
    const char* why;
};

const ReadRow kReads[] = {
    {"[Setting]\r\nGameTitle=Demo\r\n", "Setting", "GameTitle", "Demo", "CR LF lines"},
    {"[Setting]\nGameTitle=Demo", "Setting", "GameTitle", "Demo", "LF lines, no final line end"},
    {"[setting]\ngametitle=Demo\n", "SETTING", "GAMETITLE", "Demo", "names ignore case"},
    {"[Setting]\n  GameTitle  =  Demo  \n", "Setting", "GameTitle", "Demo", "blanks around name and value"},
    {"  [Setting]\nGameTitle=Demo\n", "Setting", "GameTitle", "Demo", "blanks before a section header"},
    {"[Setting]\nGameTitle=\"  Demo \"\n", "Setting", "GameTitle", "  Demo ", "paired double quotes"},
    {"[Setting]\nGameTitle='Demo'\n", "Setting", "GameTitle", "Demo", "paired single quotes"},
    {"[Setting]\nGameTitle=\"Demo'\n", "Setting", "GameTitle", "\"Demo'", "unpaired quotes stay"},
    {"[Setting]\nGameTitle=\"\n", "Setting", "GameTitle", "\"", "a lone quote stays"},
    {"[Setting]\nGameTitle=\"\"\n", "Setting", "GameTitle", "", "empty quotes give empty"},
    {"[Setting]\nGameTitle=\n", "Setting", "GameTitle", "", "empty value is empty, not the default"},
    {"[Setting]\nGameTitle\n", "Setting", "GameTitle", "<def>", "a key without '=' has no value"},
    {"[Setting]\nA=1\n", "Setting", "GameTitle", "<def>", "missing key"},
    {"[Other]\nGameTitle=Demo\n", "Setting", "GameTitle", "<def>", "missing section"},
    {"GameTitle=Demo\n[Setting]\n", "Setting", "GameTitle", "<def>", "keys before any section belong to none"},
    {"[Setting]\nGameTitle=One\nGameTitle=Two\n", "Setting", "GameTitle", "One", "first key wins"},
    {"[Setting]\nGameTitle=One\n[Setting]\nGameTitle=Two\nDefInstPath=X\n", "Setting", "DefInstPath", "<def>",
     "only the first section of a name counts"},
    {"[Setting]\nGameTitle=a=b\n", "Setting", "GameTitle", "a=b", "value keeps later '='"},
    {"[Setting]\nGameTitle=x ;not a comment\n", "Setting", "GameTitle", "x ;not a comment", "no inline comments"},
    {"[Setting\nGameTitle=x\n", "Setting", "GameTitle", "x", "a header without ']' names its section"},
    {"[Setting] trailing\nGameTitle=x\n", "Setting", "GameTitle", "x", "text after ']' is ignored"},
    // Shift-JIS: 表 = 0x95 0x5C and ソ = 0x83 0x5C; 0x88 0x5D, 0x88 0x5B and 0x88 0x3D are
    // characters whose trail bytes look like "]", "[" and "=".
    {"[Setting]\nGameTitle=ソフト表\n", "Setting", "GameTitle", "ソフト表", "0x5C trail bytes in a value"},
    {"[表ソ]\nFile1=a\n", "表ソ", "File1", "a", "0x5C trail bytes in a section name"},
    {"[\x88\x5D]\nFile1=a\n", "\x88\x5D", "File1", "a", "a section name ending in a ']' trail byte"},
    {"[\x88\x5B]\nFile1=a\n", "\x88\x5B", "File1", "a", "a '[' trail byte in a section name"},
    {"[S]\n\x88\x3D=v\n", "S", "\x88\x3D", "v", "an '=' trail byte belongs to the key name"},
    {"[S]\nア=v\n", "S", "ヂ", "<def>", "a trail byte in a..z is not a letter (ヂ is 0x83 0x61, ア 0x83 0x41)"},
    // Line ends: Windows ends a line at CR LF, LF or a lone CR.
    {"[S]\rK=v\r", "S", "K", "v", "a lone CR ends a line"},
    {"[S]\rA=1\rK=v", "S", "A", "1", "a lone CR ends a value"},
    {"[S]\r\r\nK=v\r\r\n", "S", "K", "v", "CR then CR LF is an empty line between"},
    // Section names are trimmed inside their brackets.
    {"[ S ]\nK=v", "S", "K", "v", "blanks inside the brackets"},
    {"[\tS\t]\nK=v", "S", "K", "v", "tabs inside the brackets"},
    {"[ 表ソ ]\nK=v", "表ソ", "K", "v", "blanks around a name ending in a 0x5C trail byte"},
    // 0x1A, the DOS end-of-file mark, is a blank.
    {"[S]\nK=v\x1A", "S", "K", "v", "0x1A at the end of the file"},
    {"[S]\n\x1AK\x1A=\x1Av\x1A\n", "S", "K", "v", "0x1A around a key and a value"},
    {"[\x1AS\x1A]\nK=v\n", "S", "K", "v", "0x1A inside the brackets"},
    // What stays different from a reader that knows encodings.
    {"\xEF\xBB\xBF[S]\nK=v\n", "S", "K", "<def>", "a UTF-8 byte-order mark is not skipped"},
    {"K=v\n[]\n", "", "K", "<def>", "keys before the first section are not the [] section"},
    {"[]\nK=w\n", "", "K", "w", "[] is a section like any other"},
};

TEST(Ini, ReadsStringsWithTheProfileRules) {
    for (const ReadRow& row : kReads) {
        SCOPED_TRACE(row.why);
        IniFile ini(row.file);
        EXPECT_EQ(ini.ReadString(row.section, row.key, "<def>"), row.expected);
    }
}

struct IntRow {
    const char* value;  // nullptr: key missing
    int expected;       // with default 7
    const char* why;
};

const IntRow kInts[] = {
    {"32768", 32768, "plain"},
    {"-5", -5, "negative"},
    {"+5", 5, "explicit plus"},
    {"0", 0, "zero"},
    {"", 7, "empty value gives the default"},
    {nullptr, 7, "missing key gives the default"},
    {"12abc", 7, "trailing text gives the default"},
    {"abc", 7, "no digits gives the default"},
    {"0x10", 7, "not decimal"},
    {"2147483647", 2147483647, "largest int"},
    {"-2147483648", -2147483647 - 1, "smallest int"},
    {"2147483648", 7, "overflow gives the default"},
    {"99999999999999999999", 7, "long overflow gives the default"},
    {"-", 7, "sign alone"},
    {" 42 ", 42, "blanks are trimmed by the reader"},
};

TEST(Ini, ReadsDecimalIntegersOrTheDefault) {
    for (const IntRow& row : kInts) {
        SCOPED_TRACE(row.why);
        const std::string file = row.value ? std::string("[S]\nN=") + row.value + "\n" : std::string("[S]\n");
        EXPECT_EQ(IniFile(file).ReadInteger("S", "N", 7), row.expected);
    }
}

TEST(Ini, LargeFilesAreParsedOnce) {
    std::string file = "[DAT1]\r\n";
    for (int i = 1; i <= 50000; ++i) file += "File" + std::to_string(i) + "=name" + std::to_string(i) + ".dat\r\n";
    IniFile ini(file);
    EXPECT_EQ(ini.ReadString("dat1", "File1", ""), "name1.dat");
    EXPECT_EQ(ini.ReadString("DAT1", "file50000", ""), "name50000.dat");
    EXPECT_EQ(ini.ReadString("DAT1", "File50001", ""), "");
}

struct WriteRow {
    const char* file;
    const char* section;
    const char* key;
    const char* expected;  // after writing the value "x"
    const char* why;
};

// Files written by hand or by old tools: every byte the writer does not have
// to touch must survive, whatever line ends and blanks the file uses.
const WriteRow kWrites[] = {
    // An existing key: its line becomes key=value, the key spelled as in the file.
    {"[S]\r\nK=v\r\nB=2\r\n", "S", "K", "[S]\r\nK=x\r\nB=2\r\n", "value replaced in place"},
    {"[S]\r\n  k  =  \"v\"  \r\n", "S", "K", "[S]\r\nk=x\r\n", "key in another case, blanks and quotes"},
    {"[ s ]\r\nK=v\r\n", "S", "K", "[ s ]\r\nK=x\r\n", "section header left as written"},
    {"[S]\r\nK\r\n", "S", "K", "[S]\r\nK=x\r\n", "a key without '=' gets one"},
    {"[S]\r\nK=x\r\n", "S", "K", "[S]\r\nK=x\r\n", "the same value leaves the file as it was"},
    {"[S]\r\nK=1\r\nK=2\r\n", "S", "K", "[S]\r\nK=x\r\nK=2\r\n", "only the first key of a name"},
    {"[S]\r\nA=1\r\n[s]\r\nK=1\r\n", "S", "K", "[S]\r\nA=1\r\nK=x\r\n[s]\r\nK=1\r\n",
     "only the first section of a name"},
    {"K=1\r\n[S]\r\n", "S", "K", "K=1\r\n[S]\r\nK=x\r\n", "a key before the first section is in none"},
    {"[T]\r\nK=1\r\n[S]\r\nA=1\r\n", "S", "K", "[T]\r\nK=1\r\n[S]\r\nA=1\r\nK=x\r\n",
     "the same key in another section is not touched"},
    {"[S]\r\nK=v\x1A", "S", "K", "[S]\r\nK=x", "0x1A after the value goes with it"},
    // A missing key: after the last non-blank line of its section.
    {"[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n", "S", "K", "[S]\r\nA=1\r\nK=x\r\n\r\n[T]\r\nB=2\r\n",
     "blank lines before the next section stay there"},
    {"[S]\r\nA=1\r\n;c\r\n \t\r\n[T]\r\n", "S", "K", "[S]\r\nA=1\r\n;c\r\nK=x\r\n \t\r\n[T]\r\n",
     "a comment is a line of the section"},
    {"[S]\r\n[T]\r\n", "S", "K", "[S]\r\nK=x\r\n[T]\r\n", "an empty section"},
    {"[S]\r\nA=1", "S", "K", "[S]\r\nA=1\r\nK=x\r\n", "a last line without a line end gets one"},
    {"[S]", "S", "K", "[S]\r\nK=x\r\n", "a header without a line end gets one"},
    {"[S]\r\nA=1\r\n\x1A", "S", "K", "[S]\r\nA=1\r\nK=x\r\n\x1A", "a final 0x1A stays last"},
    {"[S] junk\r\nA=1\r\n", "S", "K", "[S] junk\r\nA=1\r\nK=x\r\n", "text after ']' stays"},
    // A missing section: appended at the end, no blank line before it.
    {"[S]\r\nA=1\r\n", "T", "K", "[S]\r\nA=1\r\n[T]\r\nK=x\r\n", "new section at the end"},
    {"[S]\r\nA=1", "T", "K", "[S]\r\nA=1\r\n[T]\r\nK=x\r\n", "after a last line without a line end"},
    {"[S]\r\nA=1\r\n\r\n", "T", "K", "[S]\r\nA=1\r\n\r\n[T]\r\nK=x\r\n", "after the file's blank lines"},
    {"", "T", "K", "[T]\r\nK=x\r\n", "empty file"},
    {"K=1\r\n", "T", "K", "K=1\r\n[T]\r\nK=x\r\n", "a file of keys without a section"},
    {"[Tx]\r\n", "T", "K", "[Tx]\r\n[T]\r\nK=x\r\n", "a longer name is another section"},
    {"[S]\r\nA=1\r\n", "  T  ", " K ", "[S]\r\nA=1\r\n[T]\r\nK=x\r\n", "names given are trimmed"},
    // Files with other line ends keep them; written lines end in CR LF.
    {"[S]\nA=1\nB=2\n", "S", "A", "[S]\nA=x\nB=2\n", "LF file, value replaced"},
    {"[S]\nA=1\nB=2\n", "S", "K", "[S]\nA=1\nB=2\nK=x\r\n", "LF file, key added"},
    {"[S]\nA=1\n", "T", "K", "[S]\nA=1\n[T]\r\nK=x\r\n", "LF file, section added"},
    {"[S]\rA=1\rB=2\r", "S", "A", "[S]\rA=x\rB=2\r", "lone CR file, value replaced"},
    {"[S]\rA=1\rB=2\r", "S", "K", "[S]\rA=1\rB=2\rK=x\r\n", "lone CR file, key added"},
    {"[S]\rA=1\r[T]\rB=2", "S", "K", "[S]\rA=1\rK=x\r\n[T]\rB=2", "lone CR ends the section's last line"},
    {"; head\r\n[S]\n\t A = 1 \r\n\r\n[T]\rB=2", "S", "A", "; head\r\n[S]\nA=x\r\n\r\n[T]\rB=2",
     "mixed line ends around the edited line"},
    // Shift-JIS: 表 = 0x95 0x5C, ソ = 0x83 0x5C, 転 = 0x93 0x5D, ゼ = 0x83 0x5B.
    {"[表ソ]\r\n能=1\r\n", "表ソ", "能", "[表ソ]\r\n能=x\r\n", "0x5C trail bytes in section and key"},
    {"[表]\r\nソ=1\r\n", "表", "表", "[表]\r\nソ=1\r\n表=x\r\n", "表 and ソ share their trail byte only"},
    {"[転]\r\nA=1\r\n", "転", "K", "[転]\r\nA=1\r\nK=x\r\n", "a ']' trail byte does not close the header"},
    {"[S]\r\nゼ=1\r\n", "S", "ゼ", "[S]\r\nゼ=x\r\n", "a '[' trail byte starting nothing"},
    {"[S]\r\nア=1\r\n", "S", "ヂ", "[S]\r\nア=1\r\nヂ=x\r\n", "a trail byte in a..z does not fold"},
    {"[表]\r\n", "ソ", "K", "[表]\r\n[ソ]\r\nK=x\r\n", "another double-byte section"},
};

TEST(Ini, WritesStringsWithTheProfileRules) {
    for (const WriteRow& row : kWrites) {
        SCOPED_TRACE(row.why);
        const std::string written = IniWriteString(row.file, row.section, row.key, "x").value_or("<refused>");
        EXPECT_EQ(written, row.expected);
        EXPECT_EQ(IniFile(written).ReadString(row.section, row.key, "<def>"), "x");
    }
}

TEST(Ini, WritesValuesAsGiven) {
    // Values are written untrimmed and unquoted; the reader trims them again.
    EXPECT_EQ(IniWriteString("[S]\r\n", "S", "K", " a b "), "[S]\r\nK= a b \r\n");
    EXPECT_EQ(IniWriteString("[S]\r\nK=1\r\n", "S", "K", ""), "[S]\r\nK=\r\n");
    EXPECT_EQ(IniWriteString("[S]\r\n", "S", "K", "ソフト表"), "[S]\r\nK=ソフト表\r\n");
}

TEST(Ini, NewKeysFollowOneAnotherInWritingOrder) {
    std::string file = "[Setting]\r\nGameTitle=Demo\r\n\r\n";
    for (const char* key : {"TAZ", "TZD", "TZS", "TZM"}) file = IniWriteString(file, "Environment", key, "H").value();
    EXPECT_EQ(file, "[Setting]\r\nGameTitle=Demo\r\n\r\n[Environment]\r\nTAZ=H\r\nTZD=H\r\nTZS=H\r\nTZM=H\r\n");
    file = IniWriteString(file, "environment", "tzd", "Q").value();
    EXPECT_EQ(file, "[Setting]\r\nGameTitle=Demo\r\n\r\n[Environment]\r\nTAZ=H\r\nTZD=Q\r\nTZS=H\r\nTZM=H\r\n");
}

// The golden files of tests/ini_cases: after one write, the file holds the
// bytes Windows leaves there, and the value reads back from them.
TEST(Ini, WritesTheGoldenFilesAsWindowsDoes) {
    for (const ini_cases::Case& c : ini_cases::kCases) {
        SCOPED_TRACE(c.why);
        const auto written = IniWriteString(ini_cases::File(c.input), c.section, c.key, c.value);
        EXPECT_EQ(written.value_or("<refused>"), ini_cases::File(c.written));
        EXPECT_EQ(IniFile(ini_cases::File(c.written)).ReadString(c.section, c.key, "<def>"), c.value);
    }
}

std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// Text that code page 932 cannot hold is never passed on as a lookalike
// ("e" for "é" names another folder): such a value reads as missing, and a
// value that is no Shift-JIS text is not written into a UTF-16 file.
TEST(Ini, Utf16TextCrossesOnlyWhatConvertsExactly) {
    const std::string file = Utf16File(u"[S]\r\nK=caf\u00E9\r\n");
    EXPECT_EQ(IniFile(file).ReadString("S", "K", "<def>"), "<def>");
    EXPECT_EQ(IniFile(file).ReadString("S", "\x81", "<def>"), "<def>");  // a name no file can hold
    EXPECT_EQ(IniWriteString(file, "S", "K", "C:\\\x81"), std::nullopt);
}

// A UTF-16 file cut after an odd byte keeps that byte last, behind what is added.
TEST(Ini, OddLastByteOfAUtf16FileStaysLast) {
    EXPECT_EQ(IniWriteString(Utf16File(u"[S]\r\n") + "x", "S", "K", "v"), Utf16File(u"[S]\r\nK=v\r\n") + "x");
}

}  // namespace
