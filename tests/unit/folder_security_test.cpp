#include "engine/folder_security.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include "tests/common/test_files.h"

// Wine stores no access list (it derives one from the Unix mode), so what is
// checked is the descriptor the program builds, read back as text.

namespace {

std::string AsText(PSECURITY_DESCRIPTOR descriptor)
{
    char* text = nullptr;
    if (!descriptor || !ConvertSecurityDescriptorToStringSecurityDescriptorA(
                           descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, NULL))
        return "<none>";
    const std::string result = text;
    LocalFree(text);
    LocalFree(descriptor);
    return result;
}

}  // namespace

TEST(FolderSecurity, InstallationFolderTakesNothingFromItsParentAndUsersOnlyReadAndRun)
{
    EXPECT_EQ(AsText(MakeFolderSecurity(TRUE)),
              "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    EXPECT_EQ(AsText(MakeFolderSecurity(FALSE)), "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}

// The uninstaller's copy must never run from a folder somebody else made.
TEST(FolderSecurity, APrivateFolderIsCreatedOnlyWhereNoneIs)
{
    const std::string folder = ScratchDir("private") + "\\Velq1";
    EXPECT_TRUE(RunsAsAdministrator());  // root under Wine
    EXPECT_TRUE(CreatePrivateFolder(folder.c_str()));
    EXPECT_TRUE(IsDir(folder));
    EXPECT_FALSE(CreatePrivateFolder(folder.c_str()));
}
