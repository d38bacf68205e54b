#include "engine/folder_security.h"

#include <aclapi.h>
#include <sddl.h>

#include "runtime/kernel_function.h"
#include "runtime/path_text.h"

// Protected ("P"), inherited by folders and files ("OICI"): SYSTEM and
// Administrators full control, then, for an installation folder only,
// Users read and execute.
static const char kFolderSecurity[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
constexpr size_t kPrivateSecurityChars = 35;

BOOL RunsAsAdministrator()
{
    auto isAdministrator = LoadedFunction<BOOL(WINAPI*)()>("shell32.dll", "IsUserAnAdmin");
    return isAdministrator && isAdministrator();
}

PSECURITY_DESCRIPTOR MakeFolderSecurity(BOOL installationFolder)
{
    auto fromText =
        SecurityFunction<decltype(&ConvertStringSecurityDescriptorToSecurityDescriptorA)>(
            "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    char text[sizeof kFolderSecurity];
    PSECURITY_DESCRIPTOR descriptor = NULL;
    CopyPath(text, kFolderSecurity);
    if (!installationFolder)
        text[kPrivateSecurityChars] = '\0';
    if (fromText)
        fromText(text, SDDL_REVISION_1, &descriptor, NULL);
    return descriptor;
}

void ProtectInstallationFolder(const char* folder)
{
    auto readList =
        SecurityFunction<decltype(&GetSecurityDescriptorDacl)>("GetSecurityDescriptorDacl");
    auto setSecurity = SecurityFunction<decltype(&SetNamedSecurityInfoA)>("SetNamedSecurityInfoA");
    // A user without those rights keeps the folder he can change himself.
    if (!RunsAsAdministrator())
        return;
    PSECURITY_DESCRIPTOR descriptor = MakeFolderSecurity(TRUE);
    BOOL present;
    BOOL defaulted;
    PACL list;
    // Unlike SetFileSecurityA, this passes the list on to what an earlier
    // installation left inside.
    if (descriptor && readList(descriptor, &present, &list, &defaulted))
        setSecurity(const_cast<char*>(folder), SE_FILE_OBJECT,
                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, NULL, NULL,
                    list, NULL);
    LocalFree(descriptor);
}

BOOL CreatePrivateFolder(const char* folder)
{
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, NULL, FALSE};
    if (RunsAsAdministrator())
        attributes.lpSecurityDescriptor = MakeFolderSecurity(FALSE);
    const BOOL created = CreateDirectoryA(folder, &attributes);
    LocalFree(attributes.lpSecurityDescriptor);
    return created;
}
