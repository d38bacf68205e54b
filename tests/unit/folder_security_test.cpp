#include "engine/folder_security.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include "tests/unit/platform_seam.h"

// Wine stores no access list (it derives one from the Unix mode), so what is
// checked is the descriptor the program builds, read back as text.
static std::string AsText(PSECURITY_DESCRIPTOR descriptor)
{
    char* text = nullptr;
    if (!descriptor || !ConvertSecurityDescriptorToStringSecurityDescriptorA(
                           descriptor, SDDL_REVISION_1,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, NULL))
        return "<none>";
    const std::string result = text;
    LocalFree(text);
    LocalFree(descriptor);
    return result;
}

TEST(FolderSecurity, TakesNothingFromTheParentAndLetsUsersOnlyReadAndRunAnInstallation)
{
    EXPECT_EQ(AsText(MakeFolderSecurity(TRUE)),
              "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    EXPECT_EQ(AsText(MakeFolderSecurity(FALSE)), "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}

// Which folder gets the list: an administrator's on a local fixed drive,
// however it came to exist; no other, and none where the system cannot
// make it (Windows 95, NT 4.0).
TEST(FolderSecurity, OnlyAnAdministratorsFolderOnALocalFixedDriveIsGuarded)
{
    EXPECT_EQ(ChooseFolderGuard(TRUE, TRUE, DRIVE_FIXED), kGuardList);
    EXPECT_EQ(ChooseFolderGuard(TRUE, TRUE, DRIVE_RAMDISK), kGuardList);
    for (UINT drive : {DRIVE_REMOTE, DRIVE_REMOVABLE, DRIVE_CDROM, DRIVE_UNKNOWN})
        EXPECT_EQ(ChooseFolderGuard(TRUE, TRUE, drive), kGuardNotLocal) << drive;
    EXPECT_EQ(ChooseFolderGuard(FALSE, TRUE, DRIVE_FIXED), kGuardNone);
    EXPECT_EQ(ChooseFolderGuard(TRUE, FALSE, DRIVE_FIXED), kGuardNone);
}

// NT 4.0 has neither CheckTokenMembership nor the shell's IsUserAnAdmin:
// the token's groups tell. Wine's token holds Administrators, enabled.
TEST(FolderSecurity, AnAdministratorIsToldByTheTokensGroupsWhereNothingElseTells)
{
    LeaveOut("CheckTokenMembership");
    LeaveOut("IsUserAnAdmin");
    EXPECT_TRUE(RunsAsAdministrator());
}
