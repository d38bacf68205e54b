#include "engine/registration.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

static const char kVelquorKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquor";

static std::string Read(BOOL administrator)
{
    char folder[kPathChars];
    ReadRegisteredFolder(folder, administrator);
    return folder;
}

// Anyone but an administrator reads the machine's key only where the run
// could write it, and the per-user key otherwise; an administrator never
// reads the per-user key.
TEST(ReadRegisteredFolder, ReadsWhereTheRegistrationWouldBeWritten)
{
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kVelquorKey, "InstallLocation", REG_SZ, "C:\\Machine\\",
                    12);
    RegSetKeyValueA(HKEY_CURRENT_USER, kVelquorKey, "InstallLocation", REG_SZ, "C:\\User\\", 9);
    EXPECT_EQ(Read(FALSE), "C:\\Machine\\");
    HKEY key;
    PSECURITY_DESCRIPTOR readOnly;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, NULL));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVelquorKey, 0, WRITE_DAC | DELETE, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    EXPECT_EQ(Read(FALSE), "C:\\User\\");
    EXPECT_EQ(Read(TRUE), "C:\\Machine\\");
    EXPECT_EQ(RegDeleteKeyA(key, ""), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Read(TRUE), "");
    EXPECT_EQ(Read(FALSE), "C:\\User\\");
    RegDeleteKeyA(HKEY_CURRENT_USER, kVelquorKey);
}
