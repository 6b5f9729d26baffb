// Shell links and a full disk, on the real system.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "platform/drives.h"
#include "platform/files.h"
#include "platform/shellfolders.h"
#include "platform/win32/wintext.h"

namespace {

struct ReadLink {
    std::wstring target, icon;
    int iconIndex = -1;
};

// What the link file says, read back through the shell's own link object.
bool Read(const std::string& path, ReadLink& out) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              SUCCEEDED(file->Load(platform::win32::Widen(path).c_str(), STGM_READ));
    if (ok) {
        wchar_t buffer[MAX_PATH] = {};
        link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
        out.target = buffer;
        link->GetIconLocation(buffer, MAX_PATH, &out.iconIndex);
        out.icon = buffer;
    }
    if (file) file->Release();
    link->Release();
    return ok;
}

// The folder the shell's item list names: what earlier programs asked for.
// A place they kept something in must be found again by the shorter call.
TEST(Win32Links, SpecialFoldersAreTheFoldersTheirItemListsName) {
    for (const auto& [folder, csidl] : {std::pair{platform::ShellFolder::Programs, CSIDL_PROGRAMS},
                                       std::pair{platform::ShellFolder::LocalAppData, CSIDL_LOCAL_APPDATA}}) {
        LPITEMIDLIST list = nullptr;
        wchar_t path[MAX_PATH] = {};
        ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) && list);
        ASSERT_TRUE(SHGetPathFromIDListW(list, path));
        CoTaskMemFree(list);
        EXPECT_EQ(platform::SpecialFolderPath(folder), platform::win32::NarrowPath(path)) << csidl;
    }
}

TEST(Win32Links, SavedLinkPointsAtTheGameWithItsIconAndIsReplacedByTheNext) {
    const auto programs = platform::SpecialFolderPath(platform::ShellFolder::Programs);
    ASSERT_TRUE(programs);
    const std::string folder = *programs + "\\TazuLinkTest\\ソ表";
    ASSERT_TRUE(platform::CreateDirectoryTree(folder));
    const std::string path = folder + "\\クエンド　～ソラの表～.lnk";
    ASSERT_EQ(platform::SaveShellLink(path, "C:\\Games\\ソラの表\\Tazu.exe", "C:\\Games\\ソラの表\\Q.ico"),
              platform::LinkSave::Saved);
    ASSERT_EQ(platform::SaveShellLink(path, "D:\\移動\\Tazu.exe", "D:\\移動\\Q.ico"), platform::LinkSave::Saved);
    ReadLink link;
    ASSERT_TRUE(Read(path, link));
    EXPECT_EQ(platform::win32::Narrow(link.target), "D:\\移動\\Tazu.exe");
    EXPECT_EQ(platform::win32::Narrow(link.icon), "D:\\移動\\Q.ico");
    EXPECT_EQ(link.iconIndex, 0);

    // A name the file system cannot hold gives no link, and no error object.
    std::string error;
    EXPECT_EQ(platform::SaveShellLink(folder + "\\a|b.lnk", "C:\\x.exe", "C:\\x.ico", &error),
              platform::LinkSave::NotSaved);
    EXPECT_TRUE(platform::RemoveFile(path));
    EXPECT_TRUE(platform::RemoveEmptyDirectory(folder));
    EXPECT_TRUE(platform::RemoveEmptyDirectory(*programs + "\\TazuLinkTest"));
}

// TAZU_SMALL_DRIVE names a drive with little room (the test command maps a
// 1 MiB tmpfs there); without it the case cannot be made and is skipped.
TEST(Win32Disk, WriteBeyondTheFreeSpaceFails) {
    const char* drive = std::getenv("TAZU_SMALL_DRIVE");
    if (!drive || !*drive) GTEST_SKIP() << "no small drive mapped (TAZU_SMALL_DRIVE)";
    const std::string root = std::string(drive) + "\\";
    const auto free = platform::FreeBytesAvailable(root);
    ASSERT_TRUE(free);
    ASSERT_LT(*free, 8u << 20);
    const std::string path = root + "full.bin";
    {
        auto file = platform::File::Create(path);
        ASSERT_TRUE(file);
        const std::string chunk(64 * 1024, 'x');
        bool failed = false;
        for (std::uint64_t written = 0; written <= *free + chunk.size() && !failed; written += chunk.size())
            failed = !file->Write(chunk.data(), chunk.size());
        EXPECT_TRUE(failed);
    }
    EXPECT_TRUE(platform::RemoveFile(path));
}

}  // namespace
