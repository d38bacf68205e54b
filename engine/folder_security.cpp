#include "engine/folder_security.h"

#include <aclapi.h>
#include <sddl.h>

#include "engine/target_check.h"
#include "runtime/kernel_function.h"
#include "runtime/path_text.h"
#include "runtime/process_account.h"
#include "runtime/setup_log.h"

// Owned by Administrators, protected ("P"), inherited by folders and files
// ("OICI"): SYSTEM and Administrators full control, then, for an
// installation folder only, Users read and execute.
static const char kFolderSecurity[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
constexpr size_t kPrivateSecurityChars = 39;

// Windows 2000 and later; NT 4.0 cannot make the descriptor.
static auto SecurityFromText()
{
    return SecurityFunction<decltype(&ConvertStringSecurityDescriptorToSecurityDescriptorA)>(
        "ConvertStringSecurityDescriptorToSecurityDescriptorA");
}

BOOL RunsAsAdministrator()
{
    // As Microsoft recommends, where the system has it (Windows 2000 on).
    auto isMember = SecurityFunction<decltype(&CheckTokenMembership)>("CheckTokenMembership");
    BOOL member = FALSE;
    if (isMember)
        return isMember(NULL, const_cast<BYTE*>(kAdministratorsSid), &member) && member;
    // NT 4.0: the token's own groups. A token with more groups than fit is
    // taken for a user's.
    union {
        TOKEN_GROUPS Token;
        BYTE Room[2048];
    } groups;
    if (!QueryProcessToken(TokenGroups, &groups, sizeof groups))
        return FALSE;
    for (DWORD i = 0; i < groups.Token.GroupCount; ++i) {
        const SID_AND_ATTRIBUTES& group = groups.Token.Groups[i];
        if ((group.Attributes & SE_GROUP_ENABLED) && SameSid(group.Sid, kAdministratorsSid))
            return TRUE;
    }
    return FALSE;
}

PSECURITY_DESCRIPTOR MakeFolderSecurity(BOOL installationFolder)
{
    auto fromText = SecurityFromText();
    char text[sizeof kFolderSecurity];
    PSECURITY_DESCRIPTOR descriptor = NULL;
    CopyPath(text, kFolderSecurity);
    if (!installationFolder)
        text[kPrivateSecurityChars] = '\0';
    if (fromText)
        fromText(text, SDDL_REVISION_1, &descriptor, NULL);
    return descriptor;
}

FolderGuard ChooseFolderGuard(BOOL administrator, BOOL listsKnown, UINT driveType)
{
    if (!administrator || !listsKnown)
        return kGuardNone;
    return driveType == DRIVE_FIXED || driveType == DRIVE_RAMDISK ? kGuardList : kGuardNotLocal;
}

// The type of the drive that folder, a full path, lies on: "C:\" or
// "\\server\share\".
static UINT DriveTypeOf(const char* folder)
{
    auto driveType = KernelFunction<decltype(&GetDriveTypeA)>("GetDriveTypeA");
    char root[kPathChars];
    if (!driveType || !CopyPath(root, folder))
        return DRIVE_UNKNOWN;
    root[RootLength(root)] = '\0';
    return driveType(root);
}

// Administrators become the owner of a folder that existed, who may then
// always set its list, which is set next. Into an earlier installation the
// list is passed on to what it holds, as SetNamedSecurityInfoA does; a
// folder of other content keeps what it holds as it was, since
// SetFileSecurityA sets the folder's own list only: a data folder chosen
// by mistake must not lose its users' access to their files.
static BOOL TakeOver(const char* folder, PSECURITY_DESCRIPTOR descriptor, BOOL passOn)
{
    auto readList =
        SecurityFunction<decltype(&GetSecurityDescriptorDacl)>("GetSecurityDescriptorDacl");
    auto setNamed = SecurityFunction<decltype(&SetNamedSecurityInfoA)>("SetNamedSecurityInfoA");
    auto setFile = SecurityFunction<decltype(&SetFileSecurityA)>("SetFileSecurityA");
    BOOL present;
    BOOL defaulted;
    PACL list;
    static const SECURITY_INFORMATION kSteps[] = {OWNER_SECURITY_INFORMATION,
                                                  DACL_SECURITY_INFORMATION |
                                                      PROTECTED_DACL_SECURITY_INFORMATION};
    if (!readList || !setNamed || !setFile || !readList(descriptor, &present, &list, &defaulted))
        return FALSE;
    for (SECURITY_INFORMATION step : kSteps) {
        if (!passOn) {
            if (!setFile(folder, step, descriptor))
                return FALSE;
            continue;
        }
        const DWORD error = setNamed(const_cast<char*>(folder), SE_FILE_OBJECT, step,
                                     const_cast<BYTE*>(kAdministratorsSid), NULL, list, NULL);
        if (error != ERROR_SUCCESS) {
            SetLastError(error);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL GuardInstallationFolder(const char* folder, BOOL passOn, BOOL* created)
{
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, NULL, FALSE};
    const FolderGuard guard =
        ChooseFolderGuard(RunsAsAdministrator(), SecurityFromText() != NULL, DriveTypeOf(folder));
    if (guard == kGuardNotLocal)
        LogLine(kLogNoList, folder);
    BOOL guarded =
        guard != kGuardList || (attributes.lpSecurityDescriptor = MakeFolderSecurity(TRUE)) != NULL;
    *created = guarded && CreateDirectoryA(folder, &attributes);
    if (guarded && !*created && GetLastError() == ERROR_ALREADY_EXISTS &&
        attributes.lpSecurityDescriptor)
        guarded = TakeOver(folder, attributes.lpSecurityDescriptor, passOn);
    LocalFree(attributes.lpSecurityDescriptor);
    if (!guarded)
        LogError(folder);
    return guarded;
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
