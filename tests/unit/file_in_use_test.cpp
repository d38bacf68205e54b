#include "engine/file_in_use.h"

#include <gtest/gtest.h>

#include "tests/common/test_files.h"

// A running program or a loaded library holds no handle, only its image,
// which refuses writing but not a delete-access open; Wine holds no image,
// so what the probe asks for is what can be checked here.
TEST(FileInUse, AsksOnNtForWritingAndDeletion)
{
    // Wine is NT.
    EXPECT_EQ(InUseProbeAccess(), static_cast<DWORD>(DELETE | FILE_WRITE_DATA));
    EXPECT_TRUE(RefusalMeansInUse(ERROR_SHARING_VIOLATION));  // an image, or another's sharing
    EXPECT_TRUE(RefusalMeansInUse(ERROR_LOCK_VIOLATION));
    // A read-only file (cleared for the probe) or one closed to this user.
    EXPECT_FALSE(RefusalMeansInUse(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(RefusalMeansInUse(ERROR_FILE_NOT_FOUND));
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
    EXPECT_TRUE(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(FileInUse((file + ".missing").c_str()));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}
