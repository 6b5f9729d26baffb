// The registry layer against the real registry: value types and encodings.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace {

using platform::RegKey;

class Win32Registry : public testing::Test {
protected:
    void SetUp() override {
        name_ = "TazuTest-" + std::to_string(GetCurrentProcessId());
        wpath_ = L"Software\\TazuTest-" + std::to_wstring(GetCurrentProcessId());
        key_ = RegKey::OpenOrCreate("Software\\" + name_);
        ASSERT_NE(key_, nullptr);
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wpath_.c_str(), 0, KEY_ALL_ACCESS, &raw_), ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.reset();
        RegCloseKey(raw_);
        RegDeleteTreeW(HKEY_CURRENT_USER, wpath_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, wpath_.c_str());
    }
    std::string name_;
    std::wstring wpath_;
    std::unique_ptr<RegKey> key_;
    HKEY raw_ = nullptr;
};

TEST_F(Win32Registry, DwordValueIsNotAString) {
    const DWORD number = 42;
    ASSERT_EQ(RegSetValueExW(raw_, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number),
              ERROR_SUCCESS);
    EXPECT_EQ(key_->ReadString("Number"), std::nullopt);
}

TEST_F(Win32Registry, BinaryValueIsNotAString) {
    const BYTE bytes[] = {'C', 0, ':', 0, 0, 0};
    ASSERT_EQ(RegSetValueExW(raw_, L"Bytes", 0, REG_BINARY, bytes, sizeof bytes), ERROR_SUCCESS);
    EXPECT_EQ(key_->ReadString("Bytes"), std::nullopt);
}

TEST_F(Win32Registry, ExpandStringReadsUnexpanded) {
    const wchar_t text[] = L"%WINDIR%\\x";
    ASSERT_EQ(RegSetValueExW(raw_, L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
              ERROR_SUCCESS);
    EXPECT_EQ(key_->ReadString("Expand"), std::optional<std::string>("%WINDIR%\\x"));
}

TEST_F(Win32Registry, StringWithoutTerminatorReadsWhole) {
    const wchar_t text[] = {L'A', L'B', L'C'};
    ASSERT_EQ(RegSetValueExW(raw_, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
              ERROR_SUCCESS);
    EXPECT_EQ(key_->ReadString("Bare"), std::optional<std::string>("ABC"));
}

TEST_F(Win32Registry, ShiftJisIsStoredAsUnicode) {
    ASSERT_TRUE(key_->WriteString("InstPath", "C:\\ゲーム表\\"));
    wchar_t buffer[64] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExW(raw_, L"InstPath", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(buffer, L"C:\\ゲーム表\\");
    EXPECT_EQ(size, sizeof(L"C:\\ゲーム表\\"));  // terminator included
}

// The list of programs reads EstimatedSize, NoModify and NoRepair only as
// REG_DWORD.
TEST_F(Win32Registry, DwordIsStoredAsRegDword) {
    ASSERT_TRUE(key_->WriteDword("EstimatedSize", 0x12345678u));
    DWORD value = 0, size = sizeof value, type = 0;
    ASSERT_EQ(RegQueryValueExW(raw_, L"EstimatedSize", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, sizeof(DWORD));
    EXPECT_EQ(value, 0x12345678u);
}

TEST_F(Win32Registry, EmptyNameCannotDeleteTheKeyItself) {
    ASSERT_NE(RegKey::OpenOrCreate("Software\\" + name_ + "\\Sub"), nullptr);
    EXPECT_FALSE(key_->DeleteSubkeyTree(""));
    EXPECT_TRUE(key_->HasSubkeys());
}

}  // namespace
