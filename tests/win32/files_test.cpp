// Files and folders with Shift-JIS names.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "contract/contract_support.h"
#include "platform/files.h"
#include "platform/win32/wintext.h"

namespace {

// A scratch folder of this test run, removed afterwards.
class Win32Files : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        wdir_ = std::wstring(temp) + L"TazuFiles-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(wdir_.c_str(), nullptr));
        char narrow[MAX_PATH * 2];
        WideCharToMultiByte(932, 0, wdir_.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
        dir_ = narrow;
    }
    void TearDown() override {
        for (const std::wstring& file : created_) DeleteFileW(file.c_str());
        RemoveDirectoryW(wdir_.c_str());
    }
    // Writes `bytes` to dir\<wname>.
    void Write(const std::wstring& wname, const std::string& bytes) {
        const std::wstring path = wdir_ + L"\\" + wname;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(file);
        created_.push_back(path);
    }
    std::wstring wdir_;
    std::string dir_;
    std::vector<std::wstring> created_;
};

TEST_F(Win32Files, ReadsAFileWithAJapaneseName) {
    // 表 and ソ end in the byte 0x5C in Shift-JIS.
    const std::string content("line1\r\n\0binary\xff", 15);
    Write(L"表ソ.txt", content);
    EXPECT_EQ(platform::ReadWholeFile(dir_ + "\\表ソ.txt"), std::optional<std::string>(content));
}

TEST_F(Win32Files, ReadsAnEmptyFile) {
    Write(L"empty.txt", "");
    EXPECT_EQ(platform::ReadWholeFile(dir_ + "\\empty.txt"), std::optional<std::string>(""));
}

TEST_F(Win32Files, MissingFileReadsNothing) { EXPECT_EQ(platform::ReadWholeFile(dir_ + "\\none.txt"), std::nullopt); }

TEST_F(Win32Files, FileAndFolderAreTellApart) {
    Write(L"ゲーム.dat", "x");
    EXPECT_TRUE(platform::FileExists(dir_ + "\\ゲーム.dat"));
    EXPECT_FALSE(platform::DirectoryExists(dir_ + "\\ゲーム.dat"));
    EXPECT_TRUE(platform::DirectoryExists(dir_));
    EXPECT_FALSE(platform::FileExists(dir_));
    EXPECT_FALSE(platform::FileExists(dir_ + "\\none.dat"));
    EXPECT_FALSE(platform::DirectoryExists(dir_ + "\\none"));
}

TEST(Win32FilesPlain, WindowsDirectoryIsAFolder) {
    const std::string windows = platform::WindowsDirectory();
    ASSERT_GE(windows.size(), 3u);
    EXPECT_EQ(windows[1], ':');
    EXPECT_TRUE(platform::DirectoryExists(windows));
}

}  // namespace

namespace contract {
void MakeReadOnly(const std::string& path) {
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(932, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size())) - 1));
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
}
std::optional<std::uint32_t> ReadDword(const std::string& key, const std::string& name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, platform::win32::Widen(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    const LSTATUS status = RegQueryValueExW(handle, platform::win32::Widen(name).c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}
}  // namespace contract
