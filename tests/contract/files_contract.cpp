// File and folder rules both backends share, on a scratch folder of drive C:.
#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "contract/contract_support.h"
#include "platform/drives.h"
#include "platform/files.h"

namespace {

using platform::File;

class FilesContract : public testing::Test {
protected:
    void SetUp() override {
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = "C:\\TazuContract-" + std::to_string(ticks % 1000000000) + "\\";
        ASSERT_TRUE(platform::CreateDirectoryTree(dir_ + "ソ表\\DAT"));
    }
    void TearDown() override {
        for (const char* name : {"ソ表\\DAT\\a.dat", "ソ表\\a.bin", "ソ表\\b.bin", "ソ表\\c.bin"})
            platform::RemoveFile(dir_ + name);
        platform::RemoveEmptyDirectory(dir_ + "ソ表\\DAT");
        platform::RemoveEmptyDirectory(dir_ + "ソ表");
        platform::RemoveEmptyDirectory(dir_);
    }
    void Put(const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(platform::WriteWholeFile(dir_ + name, bytes));
    }
    std::string dir_;
};

TEST_F(FilesContract, CreatedFileReadsBackInChunksWithItsTimes) {
    Put("ソ表\\a.bin", std::string(100, 'x'));
    auto out = File::Create(dir_ + "ソ表\\a.bin");  // an existing longer file is emptied
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Write("0123456789", 10));
    const platform::FileTimes times{130000000000000000ull, 130000000100000000ull, 130000000200000000ull};
    ASSERT_TRUE(out->SetTimes(times));
    out.reset();

    auto in = File::OpenRead(dir_ + "ソ表\\a.bin");
    ASSERT_TRUE(in);
    EXPECT_EQ(in->Size(), std::optional<std::uint64_t>(10));
    char buffer[8];
    EXPECT_EQ(in->Read(buffer, sizeof buffer), std::optional<std::size_t>(8));
    EXPECT_EQ(in->Read(buffer, sizeof buffer), std::optional<std::size_t>(2));
    EXPECT_EQ(std::string(buffer, 2), "89");
    EXPECT_EQ(in->Read(buffer, sizeof buffer), std::optional<std::size_t>(0));
    const auto back = in->Times();
    ASSERT_TRUE(back);
    // Wine keeps no creation time on the host's file systems; the last write
    // time is what a copy's reader sees anywhere.
    EXPECT_EQ(back->lastWrite, times.lastWrite);
}

// What a copy that reads a chunk again relies on: after a seek, reading
// goes on from that offset, whatever was read before; past the end it gives 0.
TEST_F(FilesContract, SeekMakesTheNextReadStartAtTheOffset) {
    Put("ソ表\\a.bin", "0123456789");
    auto in = File::OpenRead(dir_ + "ソ表\\a.bin");
    ASSERT_TRUE(in);
    char buffer[8];
    ASSERT_EQ(in->Read(buffer, sizeof buffer), std::optional<std::size_t>(8));
    ASSERT_TRUE(in->Seek(3));
    ASSERT_EQ(in->Read(buffer, 4), std::optional<std::size_t>(4));
    EXPECT_EQ(std::string(buffer, 4), "3456");
    ASSERT_TRUE(in->Seek(12));
    EXPECT_EQ(in->Read(buffer, sizeof buffer), std::optional<std::size_t>(0));
    ASSERT_TRUE(in->Seek(8));
    ASSERT_EQ(in->Read(buffer, sizeof buffer), std::optional<std::size_t>(2));
    EXPECT_EQ(std::string(buffer, 2), "89");
}

TEST_F(FilesContract, CreationNeedsAnExistingFolderAndAValidName) {
    EXPECT_FALSE(File::Create(dir_ + "missing\\a.bin"));
    EXPECT_FALSE(File::Create(dir_ + "a|b.bin"));
    EXPECT_FALSE(File::Create(dir_ + "ソ表"));  // a folder
    EXPECT_FALSE(File::OpenRead(dir_ + "ソ表"));
    EXPECT_FALSE(File::OpenRead(dir_ + "ソ表\\missing.bin"));
    EXPECT_TRUE(platform::CreateDirectoryTree(dir_ + "ソ表\\DAT"));  // already there is fine
    EXPECT_FALSE(platform::CreateDirectoryTree(dir_ + "a|b"));
}

TEST_F(FilesContract, FoldersGoOnlyWhenEmptyAndRenamesNeverReplace) {
    Put("ソ表\\DAT\\a.dat", "a");
    EXPECT_FALSE(platform::RemoveEmptyDirectory(dir_ + "ソ表\\DAT"));
    EXPECT_FALSE(platform::RemoveFile(dir_ + "ソ表\\DAT\\missing.dat"));
    EXPECT_FALSE(platform::RemoveFile(dir_ + "ソ表\\DAT"));
    Put("ソ表\\b.bin", "b");
    Put("ソ表\\c.bin", "c");
    EXPECT_FALSE(platform::RenameFile(dir_ + "ソ表\\b.bin", dir_ + "ソ表\\c.bin"));
    EXPECT_TRUE(platform::MoveReplacing(dir_ + "ソ表\\b.bin", dir_ + "ソ表\\c.bin"));
    EXPECT_FALSE(platform::FileExists(dir_ + "ソ表\\b.bin"));
    EXPECT_EQ(platform::ReadWholeFile(dir_ + "ソ表\\c.bin"), std::optional<std::string>("b"));
    EXPECT_TRUE(platform::RenameFile(dir_ + "ソ表\\c.bin", dir_ + "ソ表\\b.bin"));
    // Written through or not, a rename never replaces.
    Put("ソ表\\c.bin", "c");
    EXPECT_FALSE(platform::RenameFileWrittenThrough(dir_ + "ソ表\\b.bin", dir_ + "ソ表\\c.bin"));
    EXPECT_TRUE(platform::RemoveFile(dir_ + "ソ表\\c.bin"));
    EXPECT_TRUE(platform::RenameFileWrittenThrough(dir_ + "ソ表\\b.bin", dir_ + "ソ表\\c.bin"));
    EXPECT_EQ(platform::ReadWholeFile(dir_ + "ソ表\\c.bin"), std::optional<std::string>("b"));
    EXPECT_TRUE(platform::RenameFile(dir_ + "ソ表\\c.bin", dir_ + "ソ表\\b.bin"));
    EXPECT_TRUE(platform::RemoveFile(dir_ + "ソ表\\DAT\\a.dat"));
    EXPECT_TRUE(platform::RemoveEmptyDirectory(dir_ + "ソ表\\DAT"));
}

// What the installation's plan and its undo rely on: a new file is never
// made over an existing one, a folder is made only where none is, and a
// probe tells a file, a folder and nothing apart (the undo deletes only
// what it knows to be there).
TEST_F(FilesContract, NewFilesAndFoldersNeverTakeAnExistingPlace) {
    Put("ソ表\\a.bin", "from before");
    EXPECT_FALSE(File::CreateNew(dir_ + "ソ表\\a.bin"));
    EXPECT_EQ(platform::ReadWholeFile(dir_ + "ソ表\\a.bin"), std::optional<std::string>("from before"));
    auto fresh = File::CreateNew(dir_ + "ソ表\\b.bin");
    ASSERT_TRUE(fresh);
    fresh.reset();
    EXPECT_FALSE(platform::MakeFolder(dir_ + "ソ表\\DAT"));
    EXPECT_FALSE(platform::MakeFolder(dir_ + "ソ表\\a.bin"));
    EXPECT_FALSE(platform::MakeFolder(dir_ + "ソ表\\x\\y"));  // one level only
    EXPECT_TRUE(platform::MakeFolder(dir_ + "ソ表\\c.bin"));
    EXPECT_TRUE(platform::RemoveEmptyDirectory(dir_ + "ソ表\\c.bin"));
    EXPECT_EQ(platform::Probe(dir_ + "ソ表\\a.bin"), platform::PathKind::File);
    EXPECT_EQ(platform::Probe(dir_ + "ソ表\\DAT"), platform::PathKind::Folder);
    EXPECT_EQ(platform::Probe(dir_ + "ソ表\\none.bin"), platform::PathKind::Missing);
    EXPECT_EQ(platform::Probe(dir_ + "none\\none.bin"), platform::PathKind::Missing);
    EXPECT_TRUE(platform::IsMissing(dir_ + "ソ表\\none.bin"));
    EXPECT_FALSE(platform::IsMissing(dir_ + "ソ表\\DAT"));
    // A file names itself in its long form; a missing one has none.
    EXPECT_EQ(platform::LongPathName(dir_ + "ソ表\\a.bin"), std::optional<std::string>(dir_ + "ソ表\\a.bin"));
    EXPECT_EQ(platform::LongPathName(dir_ + "ソ表\\none.bin"), std::nullopt);
    EXPECT_FALSE(platform::IsReparsePoint(dir_ + "ソ表\\DAT"));
}

// What the rollback and the uninstall rely on: a file open in the copy (or
// in another program) can be neither read whole, deleted nor replaced; a
// read-only file cannot be deleted or emptied until its attribute is cleared.
TEST_F(FilesContract, OpenAndReadOnlyFilesStayUntilLetGo) {
    const std::string a = dir_ + "ソ表\\a.bin", b = dir_ + "ソ表\\b.bin";
    Put("ソ表\\b.bin", "new");
    {
        auto writer = File::Create(a);
        ASSERT_TRUE(writer);
        EXPECT_FALSE(platform::ReadWholeFile(a));
        EXPECT_FALSE(File::OpenRead(a));
        EXPECT_FALSE(platform::RemoveFile(a));
        EXPECT_FALSE(platform::MoveReplacing(b, a));
    }
    {
        auto reader = File::OpenRead(a);
        ASSERT_TRUE(reader);
        EXPECT_TRUE(platform::ReadWholeFile(a));
        EXPECT_FALSE(platform::RemoveFile(a));
    }
    contract::MakeReadOnly(a);
    EXPECT_FALSE(platform::RemoveFile(a));
    // Windows also refuses to empty it (and the fake does); Wine run as root
    // does not, so that case is not held against both.
    EXPECT_TRUE(platform::FileExists(a));
    EXPECT_TRUE(platform::ClearReadOnly(a));
    EXPECT_TRUE(platform::RemoveFile(a));
    EXPECT_FALSE(platform::ClearReadOnly(a));
}

TEST_F(FilesContract, VolumeQueriesAnswerForFoldersThatExist) {
    EXPECT_TRUE(platform::FreeBytesAvailable("C:\\"));
    EXPECT_TRUE(platform::FreeBytesAvailable(dir_));
    EXPECT_FALSE(platform::FreeBytesAvailable("C:\\no such folder\\"));
    EXPECT_TRUE(platform::VolumeLabel("C:\\"));
    EXPECT_FALSE(platform::IsCdRomDrive("C:\\"));
    std::string cdroms;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (platform::IsCdRomDrive(std::string(1, letter) + ":\\")) cdroms += letter;
    EXPECT_EQ(platform::CdRomDrives(), cdroms);
    // Windows also refuses "C:" without its backslash for the label, and the
    // fake does; Wine answers it, so the case is not held against both.
}

}  // namespace
