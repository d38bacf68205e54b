#include "engine/file_in_use.h"

#include <gtest/gtest.h>

#include "tests/common/test_files.h"

// A read-only file refuses write access to everyone, "access denied" before
// any sharing is looked at, so a probe asking for it never finds a read-only
// program in use. Root, as which Wine runs the tests, ignores the read-only
// bit: only the access asked for can show it here.
TEST(FileInUse, AsksForNoWriteAccessAndOnNtForDeletion)
{
    const DWORD writing = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA |
                          FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES | WRITE_DAC | WRITE_OWNER;
    EXPECT_EQ(InUseProbeAccess() & writing, 0u);
    // Wine is NT.
    EXPECT_EQ(InUseProbeAccess(), static_cast<DWORD>(DELETE));
}

// The loader holds a running program's file for reading and shares only
// reading.
TEST(FileInUse, FindsAReadOnlyFileHeldAsTheLoaderHoldsAProgram)
{
    const std::string file = ScratchDir("file-in-use") + "\\velq.exe";
    WriteText(file, "program");
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE held =
        CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FileInUse(file.c_str()));
    CloseHandle(held);
    EXPECT_FALSE(FileInUse(file.c_str()));
    EXPECT_FALSE(FileInUse((file + ".missing").c_str()));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}
