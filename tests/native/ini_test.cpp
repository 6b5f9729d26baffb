#include "platform/ini.h"

#include <gtest/gtest.h>

namespace {

using platform::IniFile;

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
    {"[Setting\nGameTitle=x\n", "Setting", "GameTitle", "<def>", "unclosed header opens no section"},
    {"[Setting] trailing\nGameTitle=x\n", "Setting", "GameTitle", "x", "text after ']' is ignored"},
    // Shift-JIS: 表 = 0x95 0x5C and ソ = 0x83 0x5C; 0x88 0x5D, 0x88 0x5B and 0x88 0x3D are
    // characters whose trail bytes look like "]", "[" and "=".
    {"[Setting]\nGameTitle=ソフト表\n", "Setting", "GameTitle", "ソフト表", "0x5C trail bytes in a value"},
    {"[表ソ]\nFile1=a\n", "表ソ", "File1", "a", "0x5C trail bytes in a section name"},
    {"[\x88\x5D]\nFile1=a\n", "\x88\x5D", "File1", "a", "a section name ending in a ']' trail byte"},
    {"[\x88\x5B]\nFile1=a\n", "\x88\x5B", "File1", "a", "a '[' trail byte in a section name"},
    {"[S]\n\x88\x3D=v\n", "S", "\x88\x3D", "v", "an '=' trail byte belongs to the key name"},
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

}  // namespace
