#include "engine/folder_replication.h"

#include <gtest/gtest.h>

#include "engine/directory_walk.h"
#include "setup/setup_state.h"
#include "tests/common/test_files.h"

namespace {

using Names = std::vector<std::string>;

// A folder holding two files and a nested folder with a file of its own.
std::string MakeTree(const std::string& root)
{
    MakeDir(root + "\\nested");
    WriteText(root + "\\a.txt", "a");
    WriteText(root + "\\b.txt", "b");
    WriteText(root + "\\nested\\c.txt", "c");
    return root;
}

void UseFolders(const std::string& source, const std::string& target)
{
    ASSERT_TRUE(CopyPath(::Setup.SourceDir, (source + "\\").c_str()));
    ASSERT_TRUE(CopyPath(::Setup.TargetDir, (target + "\\").c_str()));
}

}  // namespace

TEST(PathExists, FindsFilesAndFoldersGivenWithoutSeparator)
{
    const std::string dir = ScratchDir("exists");
    WriteText(dir + "\\file.txt", "x");
    EXPECT_TRUE(PathExists(dir.c_str()));
    EXPECT_TRUE(PathExists((dir + "\\file.txt").c_str()));
    EXPECT_FALSE(PathExists((dir + "\\missing").c_str()));
}

TEST(RemoveFolderTree, RemovesNestedContentWithOrWithoutSeparator)
{
    const std::string dir = ScratchDir("remove");
    MakeTree(dir + "\\one");
    MakeTree(dir + "\\two");
    EXPECT_TRUE(RemoveFolderTree((dir + "\\one").c_str()));
    EXPECT_TRUE(RemoveFolderTree((dir + "\\two\\").c_str()));
    EXPECT_EQ(ListNames(dir), Names{});
}

TEST(RemoveFolderTree, FailsAndKeepsTheFolderWhenAFileCannotBeDeleted)
{
    const std::string dir = MakeTree(ScratchDir("remove-held"));
    HANDLE held = CreateFileA((dir + "\\nested\\c.txt").c_str(), GENERIC_READ, 0, NULL,
                              OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(RemoveFolderTree(dir.c_str()));
    CloseHandle(held);
    EXPECT_TRUE(Exists(dir + "\\nested\\c.txt"));
}

TEST(RemoveFolderTree, FailsOnAFolderThatCannotBeListed)
{
    EXPECT_FALSE(RemoveFolderTree("C:\\velq-tests\\no-such-folder"));
}

// A drive root delivers no "." entry: its first entry must be examined too.
TEST(RemoveFolderTree, ExaminesTheFirstEntryOfADriveRoot)
{
    const std::string root = EmptyDriveRoot();
    WriteText(root + "aaa.txt", "first");
    MakeTree(root + "tree");
    // Windows keeps the root itself, Wine removes the folder behind it; either
    // way nothing in it may be left.
    RemoveFolderTree("M:");
    EXPECT_FALSE(Exists(BuildDir() + "\\wine\\drive_m\\aaa.txt"));
    EXPECT_FALSE(Exists(BuildDir() + "\\wine\\drive_m\\tree"));
}

// Windows removes the link itself; Wine cannot, and fails. Either way the
// folder behind it is not touched.
TEST(RemoveFolderTree, NeverRemovesWhatAFolderLinkPointsTo)
{
    const std::string dir = ScratchDir("remove-link");
    const std::string outside = MakeTree(dir + "\\outside");
    MakeDir(dir + "\\tree");
    ASSERT_TRUE(MakeFolderLink(dir + "\\tree\\link", outside));
    RemoveFolderTree((dir + "\\tree").c_str());
    EXPECT_EQ(ListNames(outside), (Names{"a.txt", "b.txt", "nested\\"}));
}

TEST(CopyFolderFiles, CopiesPlainFilesOnlyAndOverwrites)
{
    const std::string dir = ScratchDir("copy");
    const std::string source = MakeTree(dir + "\\source");
    MakeDir(dir + "\\target");
    WriteText(dir + "\\target\\a.txt", "old");
    EXPECT_TRUE(CopyFolderFiles((source + "\\").c_str(), (dir + "\\target\\").c_str()));
    EXPECT_EQ(ListNames(dir + "\\target"), (Names{"a.txt", "b.txt"}));
    EXPECT_EQ(ReadText(dir + "\\target\\a.txt"), "a");
}

TEST(CopyFolderFiles, SucceedsWithNothingToCopy)
{
    const std::string dir = ScratchDir("copy-empty");
    MakeDir(dir + "\\empty");
    MakeDir(dir + "\\target");
    EXPECT_TRUE(CopyFolderFiles((dir + "\\empty\\").c_str(), (dir + "\\target\\").c_str()));
    EXPECT_TRUE(CopyFolderFiles((dir + "\\vanished\\").c_str(), (dir + "\\target\\").c_str()));
    EXPECT_EQ(ListNames(dir + "\\target"), Names{});
}

TEST(CopyFolderFiles, FailsOnAFileThatCannotBeCopied)
{
    const std::string dir = ScratchDir("copy-fails");
    const std::string source = MakeTree(dir + "\\source");
    MakeDir(dir + "\\missing-parent");
    EXPECT_FALSE(
        CopyFolderFiles((source + "\\").c_str(), (dir + "\\missing-parent\\no\\").c_str()));
}

TEST(CopyFolderFiles, FailsWhenAPathWouldNotFit)
{
    const std::string dir = ScratchDir("copy-long");
    const std::string source = MakeTree(dir + "\\source");
    // Fits as a folder, but not with the file names joined to it.
    std::string target = dir + "\\";
    target += std::string(kPathChars - 4 - target.size(), 'x') + "\\";
    EXPECT_FALSE(CopyFolderFiles((source + "\\").c_str(), target.c_str()));
    // As a source, not even with the search pattern "*.*" joined to it.
    MakeDir(target);
    EXPECT_FALSE(CopyFolderFiles(target.c_str(), (dir + "\\").c_str()));
}

TEST(ReplicateFolder, ReplacesAnEarlierInstallationWithExactlyTheMediumsFiles)
{
    const std::string dir = ScratchDir("replicate");
    MakeTree(dir + "\\medium\\exams");
    MakeDir(dir + "\\target\\exams\\stale-folder");
    WriteText(dir + "\\target\\exams\\stale.txt", "stale");
    WriteText(dir + "\\target\\exams\\stale-folder\\x.txt", "stale");
    UseFolders(dir + "\\medium", dir + "\\target");
    EXPECT_TRUE(ReplicateFolder("exams\\"));
    EXPECT_EQ(ListNames(dir + "\\target\\exams"), (Names{"a.txt", "b.txt"}));
}

TEST(ReplicateFolder, CreatesAnEmptyFolderForAnEmptySource)
{
    const std::string dir = ScratchDir("replicate-empty");
    MakeDir(dir + "\\medium\\flags");
    MakeDir(dir + "\\target");
    UseFolders(dir + "\\medium", dir + "\\target");
    EXPECT_TRUE(ReplicateFolder("flags\\"));
    EXPECT_TRUE(IsDir(dir + "\\target\\flags"));
}

TEST(ReplicateFolder, FailsWhenTheSourceFolderPathWouldNotFit)
{
    const std::string dir = ScratchDir("replicate-long");
    MakeDir(dir + "\\target");
    // The medium fits with its separator, but not with "exams\" joined to it.
    std::string medium = dir + "\\";
    medium += std::string(kPathChars - 7 - medium.size(), 'm');
    UseFolders(medium, dir + "\\target");
    EXPECT_FALSE(ReplicateFolder("exams\\"));
}

TEST(CopyRootFile, CopiesFromSourceToTargetOverwriting)
{
    const std::string dir = ScratchDir("root-file");
    MakeDir(dir + "\\medium");
    MakeDir(dir + "\\target");
    WriteText(dir + "\\medium\\velq.hlp", "new");
    WriteText(dir + "\\target\\velq.hlp", "old");
    UseFolders(dir + "\\medium", dir + "\\target");
    WIN32_FIND_DATAA entry;
    FindClose(FindFirstFileA((dir + "\\medium\\velq.hlp").c_str(), &entry));
    EXPECT_TRUE(CopyRootFile("velq.hlp", entry));
    EXPECT_EQ(ReadText(dir + "\\target\\velq.hlp"), "new");
    EXPECT_FALSE(CopyRootFile("missing.dll", entry));
}

// A read-only file of an earlier installation, larger than one piece, is
// replaced and the copy gets the medium's attributes. (Wine, as root, lets
// the first try overwrite it; Windows refuses that try until the attribute
// is cleared.)
TEST(CopyRootFile, ReplacesAReadOnlyEarlierFileLargerThanOnePiece)
{
    const std::string dir = ScratchDir("root-file-large");
    MakeDir(dir + "\\medium");
    MakeDir(dir + "\\target");
    const std::string content(200000, 'n');
    WriteText(dir + "\\medium\\velq.dll", content);
    WriteText(dir + "\\target\\velq.dll", std::string(100000, 'o'));
    ASSERT_TRUE(SetFileAttributesA((dir + "\\target\\velq.dll").c_str(), FILE_ATTRIBUTE_READONLY));
    UseFolders(dir + "\\medium", dir + "\\target");
    WIN32_FIND_DATAA entry;
    ASSERT_TRUE(FindEntry((dir + "\\medium\\velq.dll").c_str(), &entry));
    EXPECT_TRUE(CopyRootFile("velq.dll", entry));
    EXPECT_TRUE(ReadText(dir + "\\target\\velq.dll") == content);
    EXPECT_EQ(GetFileAttributesA((dir + "\\target\\velq.dll").c_str()), entry.dwFileAttributes);
}

namespace {

ULONGLONG noted = 0;

void NoteBytes(const char*, const char*, ULONGLONG bytes)
{
    noted += bytes;
}

}  // namespace

// A file from a CD is read-only: a part of it left by a copy that failed
// could not be deleted, and a retry over it would count its bytes again.
TEST(CopyRootFile, AFailedLargeCopyOfAReadOnlyFileLeavesNothingAndCountsEachByteOnce)
{
    const std::string drive = SmallDrive();
    if (drive.empty())
        GTEST_SKIP() << "SKIPPED: the test environment has no small drive S: (it needs root)";
    const std::string dir = ScratchDir("root-file-full");
    const std::string source = dir + "\\velq.dll";
    WriteText(source, std::string(10 << 20, 'x'));
    ASSERT_TRUE(SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY));
    MakeDir(drive + "\\Velq");
    UseFolders(dir, drive + "\\Velq");
    WIN32_FIND_DATAA entry;
    ASSERT_TRUE(FindEntry(source.c_str(), &entry));
    noted = 0;
    ::Setup.CopyingFile = NoteBytes;
    EXPECT_FALSE(CopyRootFile("velq.dll", entry));
    ::Setup.CopyingFile = nullptr;
    EXPECT_EQ(ListNames(drive + "\\Velq"), Names{});
    EXPECT_LT(noted, FileBytes(entry));
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Only junctions and symbolic links point elsewhere. A cloud-file
// placeholder folder holds its files and is removed as a folder; a reparse
// point without a tag, as Wine gives them, is taken for a link.
TEST(IsLink, OnlyJunctionsSymbolicLinksAndUntaggedReparsePoints)
{
    WIN32_FIND_DATAA entry = {};
    entry.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    for (DWORD tag : {DWORD(IO_REPARSE_TAG_MOUNT_POINT), DWORD(IO_REPARSE_TAG_SYMLINK), 0ul}) {
        entry.dwReserved0 = tag;
        EXPECT_TRUE(IsLink(entry)) << tag;
    }
    entry.dwReserved0 = 0x9000601A;  // a OneDrive placeholder
    EXPECT_FALSE(IsLink(entry));
    entry.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    entry.dwReserved0 = IO_REPARSE_TAG_SYMLINK;
    EXPECT_FALSE(IsLink(entry));
}
