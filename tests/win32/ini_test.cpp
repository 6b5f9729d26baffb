// The portable INI reader and writer against the Windows profile-string
// services, on a few hundred generated files, each in Shift-JIS and in UTF-16,
// and on the golden files that hold under Wine.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ini_cases/ini_cases.h"
#include "platform/ini.h"
#include "platform/sjis.h"

namespace {

using platform::IniFile;
using platform::IniWriteString;

// A small generator of our own: the same seed gives the same files with any
// compiler and library, so a failing case can be rebuilt from its number.
class Rng {
public:
    explicit Rng(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
    bool OneIn(int n) { return Below(n) == 0; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(static_cast<int>(N))];
    }

private:
    std::uint32_t state_;
};

// Shift-JIS names whose second byte is 0x5C (表 ソ 能 十), 0x5D (転) or 0x5B (ゼ ー).
const char* const kSections[] = {"Environment", "ENVIRONMENT", "environment", "Setting", "Group1",
                                 "表ソ",        "能十",        "転送",        "ゼロ",    "Environment2"};
const char* const kKeys[] = {"TAZ",       "taz",   "Tzd", "TZS", "tzm", "TZM",  "GameTitle",
                             "File1",     "能",    "表示", "ソ",  "ゼー", "TAZU", "Path"};
const char* const kValues[] = {"H",      "Demo", "\"quoted\"", "'single'", "\"unpaired", "a=b", "ソフト表",
                               "",       ";semi", "x y",       "C:\\表\\ソ", "0"};
const char* const kWriteKeys[] = {"TAZ", "TZD", "TZS", "TZM"};

bool IsDoubleByte(const std::string& s) {
    for (char c : s)
        if (sjis::IsLeadByte(static_cast<unsigned char>(c))) return true;
    return false;
}

struct GeneratedFile {
    std::string bytes;
    std::set<std::string> sections;  // as spelled in the headers
    bool shiftJis = false;           // holds double-byte text
    // Every line already in the form Windows writes lines: CR LF ends, no
    // blanks, no blank lines. Wine rewrites such a file byte for byte.
    bool canonical = false;
};

GeneratedFile Generate(Rng& rng, int index) {
    GeneratedFile file;
    file.canonical = index % 3 == 0;
    const bool withJapanese = index % 2 == 1;
    const bool withoutEnvironment = index % 5 == 4;
    const int lineEndStyle = file.canonical ? 0 : rng.Below(4);  // CR LF, LF, CR, mixed
    auto lineEnd = [&]() -> std::string {
        const int style = lineEndStyle == 3 ? rng.Below(3) : lineEndStyle;
        return style == 0 ? "\r\n" : style == 1 ? "\n" : "\r";
    };
    auto blank = [&]() -> std::string {
        if (file.canonical || rng.OneIn(2)) return "";
        static const char* const kBlanks[] = {" ", "\t", "  \t ", "\x1A", " \x1A"};
        return rng.Pick(kBlanks);
    };
    auto pick = [&](const auto& pool) {
        for (;;) {
            const std::string n = rng.Pick(pool);
            if (!withJapanese && IsDoubleByte(n)) continue;
            if (withoutEnvironment && sjis::EqualsNoCase(n, "Environment")) continue;
            return n;
        }
    };
    auto keyLine = [&]() {
        if (rng.OneIn(10)) return std::string(";note") + lineEnd();  // a comment
        std::string line = blank() + pick(kKeys) + blank();
        if (!rng.OneIn(8))  // else a key without '='
            line += "=" + blank() + pick(kValues) + blank();
        return line + lineEnd();
    };

    if (rng.OneIn(4))  // keys before the first section
        for (int n = 1 + rng.Below(2); n > 0; --n) file.bytes += keyLine();
    for (int s = rng.Below(5); s > 0; --s) {
        const std::string section = pick(kSections);
        file.sections.insert(section);
        file.bytes += blank() + "[" + blank() + section + blank() + "]";
        if (!file.canonical && rng.OneIn(8)) file.bytes += " junk";
        file.bytes += blank() + lineEnd();
        for (int k = rng.Below(5); k > 0; --k) {
            if (!file.canonical && rng.OneIn(5)) file.bytes += blank() + lineEnd();
            file.bytes += keyLine();
        }
        if (!file.canonical && rng.OneIn(3)) file.bytes += lineEnd();
    }
    if (!file.canonical) {
        if (rng.OneIn(4)) {  // no line end after the last line
            while (!file.bytes.empty() && (file.bytes.back() == '\r' || file.bytes.back() == '\n'))
                file.bytes.pop_back();
        }
        if (rng.OneIn(5)) file.bytes += '\x1A';
    }
    // No generated file starts with a UTF-8 byte-order mark: Wine takes one
    // for an encoding mark and reads the first line without it, where Windows
    // keeps the three bytes as part of that line (the native table pins our
    // reader to Windows there).
    file.shiftJis = IsDoubleByte(file.bytes);
    return file;
}

std::string Escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// The same text as a UTF-16 LE file with its byte-order mark, converted by
// the system.
std::string Utf16File(const std::string& sjis) {
    std::wstring wide(sjis.size(), L'\0');
    const int length = MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), &wide[0],
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

constexpr int kFileCount = 360;
constexpr std::uint32_t kSeed = 0x7A2D5u;

// A scratch folder of this test run; every file of a case has its own name,
// so the profile cache of the system never serves an older file's content.
class Win32Ini : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        wdir_ = std::wstring(temp) + L"TazuIni-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(wdir_.c_str(), nullptr));
        char narrow[MAX_PATH * 2];
        WideCharToMultiByte(CP_ACP, 0, wdir_.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
        dir_ = narrow;
        japanese_ = GetACP() == 932;
    }
    void TearDown() override {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
        for (const std::string& name : created_) DeleteFileA(Path(name).c_str());
        RemoveDirectoryW(wdir_.c_str());
        if (skipped_ > 0)
            std::printf("[  SKIPPED ] %d generated files with Shift-JIS text: the ANSI code page is %u, not 932\n",
                        skipped_, GetACP());
    }

    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = Path(name);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
        DWORD done = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(file);
        created_.push_back(name);
        return path;
    }

    static std::string ReadBack(const std::string& path) {
        std::string bytes;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "<missing>";
        char chunk[4096];
        DWORD done = 0;
        while (ReadFile(file, chunk, sizeof chunk, &done, nullptr) && done > 0) bytes.append(chunk, done);
        CloseHandle(file);
        return bytes;
    }

    static std::string WindowsRead(const std::string& path, const std::string& section, const std::string& key) {
        char value[4096];
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "<def>", value, sizeof value, path.c_str());
        return value;
    }

    // The file after the four writes of the installer, done by Windows.
    std::string WindowsWriteEnvironment(const std::string& name, const std::string& bytes) {
        const std::string path = Write(name, bytes);
        for (const char* key : kWriteKeys) WritePrivateProfileStringA("Environment", key, "H", path.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // flush the cached copy
        return ReadBack(path);
    }

    // Wine writes a profile back from what it parsed: lines trimmed, blank
    // lines and text after ']' dropped, every line ended in CR LF. Windows
    // edits the text and leaves the rest of the file alone, as our writer
    // does. To compare the two on a file that is not already in that form,
    // ours is passed through the same rewrite: add a section and delete it.
    std::string WineRewrite(const std::string& name, const std::string& bytes) {
        const std::string path = Write(name, bytes);
        WritePrivateProfileStringA("TazuRewrite", "Key", "1", path.c_str());
        WritePrivateProfileStringA("TazuRewrite", nullptr, nullptr, path.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
        return ReadBack(path);
    }

    // Shift-JIS names need code page 932 as the ANSI code page of the A
    // functions; the test command gets it from LANG=ja_JP.UTF-8.
    bool Skip(const GeneratedFile& file) {
        if (!file.shiftJis || japanese_) return false;
        ++skipped_;
        return true;
    }

    std::wstring wdir_;
    std::string dir_;
    std::vector<std::string> created_;
    bool japanese_ = false;
    int skipped_ = 0;
};

TEST_F(Win32Ini, ReaderAgreesWithWindowsOnGeneratedFiles) {
    Rng rng(kSeed);
    int reads = 0, mismatches = 0;
    for (int i = 0; i < kFileCount; ++i) {
        const GeneratedFile file = Generate(rng, i);
        if (Skip(file)) continue;
        for (const bool utf16 : {false, true}) {
            const std::string bytes = utf16 ? Utf16File(file.bytes) : file.bytes;
            const std::string path = Write("r" + std::to_string(i) + (utf16 ? "u" : "") + ".ini", bytes);
            const IniFile ours(bytes);
            // Every section of the file, in another case too, and one that is
            // nowhere. The nameless section is not asked for: Wine files keys
            // before the first header under it, Windows and our reader do not.
            std::set<std::string> sections = file.sections;
            for (const std::string& s : file.sections) sections.insert(sjis::FoldCase(s));
            sections.insert("Missing");
            for (const std::string& section : sections) {
                for (const char* key : kKeys) {
                    ++reads;
                    const std::string expected = WindowsRead(path, section, key);
                    const std::string actual = ours.ReadString(section, key, "<def>");
                    if (expected != actual && ++mismatches <= 5)
                        ADD_FAILURE() << "file " << i << (utf16 ? " (UTF-16)" : "") << ": " << Escaped(file.bytes)
                                      << "\n[" << section << "] " << key << ": Windows \"" << Escaped(expected)
                                      << "\", ours \"" << Escaped(actual) << "\"";
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 10000);
}

TEST_F(Win32Ini, WriterAgreesWithWindowsOnGeneratedFiles) {
    Rng rng(kSeed);
    int exact = 0, rewritten = 0, mismatches = 0;
    for (int i = 0; i < kFileCount; ++i) {
        const GeneratedFile file = Generate(rng, i);
        if (Skip(file)) continue;
        // An empty file in UTF-16 is the byte-order mark alone, where Wine
        // and Windows differ (see the golden case utf16-mark-only.ini).
        for (const bool utf16 : {false, true}) {
            if (utf16 && file.bytes.empty()) continue;
            const std::string name = std::to_string(i) + (utf16 ? "u" : "") + ".ini";
            const std::string bytes = utf16 ? Utf16File(file.bytes) : file.bytes;
            const std::string windows = WindowsWriteEnvironment("w" + name, bytes);
            std::string ours = bytes;
            for (const char* key : kWriteKeys)
                ours = IniWriteString(ours, "Environment", key, "H").value_or("<refused>");
            // A canonical file must come out byte for byte as Windows writes it;
            // any other goes through Wine's rewrite first (see WineRewrite).
            const std::string compared = file.canonical ? ours : WineRewrite("n" + name, ours);
            ++(file.canonical ? exact : rewritten);
            if (compared != windows && ++mismatches <= 5)
                ADD_FAILURE() << "file " << i << (utf16 ? " in UTF-16" : "")
                              << (file.canonical ? " (exact)" : " (rewritten)") << ": " << Escaped(bytes)
                              << "\nWindows: " << Escaped(windows) << "\nours:    " << Escaped(ours);
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(exact, 80);
    EXPECT_GT(rewritten, 160);
}

// The placement rules, one small canonical file each, so that a change in
// them names itself rather than showing up as a generated case.
struct PlacementRow {
    const char* file;
    const char* section;
    const char* key;
    const char* why;
};

const PlacementRow kPlacements[] = {
    {"[S]\r\nk=v\r\n", "S", "K", "existing key keeps its spelling"},
    {"[S]\r\nA=1\r\n;c\r\n[T]\r\nB=2\r\n", "S", "K", "new key after the section's last line, a comment too"},
    {"[S]\r\n[T]\r\n", "S", "K", "new key in an empty section"},
    {"[S]\r\nA=1\r\n", "T", "K", "new section at the end, no blank line"},
    {"[S]\r\nA=1", "T", "K", "new section after a last line without a line end"},
    {"[S]\r\nA=1", "S", "K", "new key after a last line without a line end"},
    {"", "T", "K", "empty file"},
    {"K=1\r\n[S]\r\n", "S", "K", "a key before the first section is in none"},
    {"[S]\r\nA=1\r\n[s]\r\nK=1\r\n", "S", "K", "first section of the name"},
    {"[S]\r\nK=1\r\nK=2\r\n", "S", "K", "first key of the name"},
    {"[表ソ]\r\n能=1\r\n", "表ソ", "能", "0x5C trail bytes in section and key"},
};

TEST_F(Win32Ini, WriterPlacesLinesAsWindowsDoes) {
    for (std::size_t i = 0; i < std::size(kPlacements); ++i) {
        const PlacementRow& row = kPlacements[i];
        SCOPED_TRACE(row.why);
        if (IsDoubleByte(row.section) && !japanese_) continue;
        const std::string path = Write("p" + std::to_string(i) + ".ini", row.file);
        WritePrivateProfileStringA(row.section, row.key, "x", path.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
        EXPECT_EQ(Escaped(IniWriteString(row.file, row.section, row.key, "x").value_or("<refused>")),
                  Escaped(ReadBack(path)));
    }
}

// The golden files the native tier holds our writer to, held here against
// the system's own writer and reader, where Wine does what Windows does.
TEST_F(Win32Ini, GoldenFilesAreWhatWindowsWrites) {
    int checked = 0;
    for (const ini_cases::Case& c : ini_cases::kCases) {
        SCOPED_TRACE(c.why);
        if (!c.onWine || (IsDoubleByte(std::string(c.section) + c.key + c.value) && !japanese_)) continue;
        const std::string path = Write("g" + std::to_string(checked++) + ".ini", ini_cases::File(c.input));
        WritePrivateProfileStringA(c.section, c.key, c.value, path.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
        EXPECT_EQ(Escaped(ReadBack(path)), Escaped(ini_cases::File(c.written)));
        EXPECT_EQ(WindowsRead(path, c.section, c.key), c.value);
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
