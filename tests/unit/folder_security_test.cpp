#include "engine/folder_security.h"

#include <sddl.h>

#include <gtest/gtest.h>

// Wine stores no access list (it derives one from the Unix mode), so what is
// checked is the descriptor the program builds, read back as text.
static std::string AsText(PSECURITY_DESCRIPTOR descriptor)
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

TEST(FolderSecurity, TakesNothingFromTheParentAndLetsUsersOnlyReadAndRunAnInstallation)
{
    EXPECT_EQ(AsText(MakeFolderSecurity(TRUE)),
              "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    EXPECT_EQ(AsText(MakeFolderSecurity(FALSE)), "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}
