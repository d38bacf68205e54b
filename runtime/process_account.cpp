#include "runtime/process_account.h"

#include <string.h>

#include "runtime/kernel_function.h"

// Revision 1, the number of sub-authorities, the NT authority 5, then the
// sub-authorities: 18; 32 and 544.
const BYTE kLocalSystemSid[12] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const BYTE kAdministratorsSid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};

BOOL SameSid(const void* first, const void* second)
{
    const BYTE* a = static_cast<const BYTE*>(first);
    const BYTE* b = static_cast<const BYTE*>(second);
    // The second byte counts the sub-authorities, and so gives the length.
    return a && b && a[1] == b[1] && memcmp(a, b, 8 + 4 * a[1]) == 0;
}

BOOL QueryProcessToken(TOKEN_INFORMATION_CLASS kind, void* data, DWORD size)
{
    // Looked up, as Windows 95 may lack them.
    auto open = SecurityFunction<decltype(&OpenProcessToken)>("OpenProcessToken");
    auto query = SecurityFunction<decltype(&GetTokenInformation)>("GetTokenInformation");
    HANDLE token;
    if (!open || !query || !open(GetCurrentProcess(), TOKEN_QUERY, &token))
        return FALSE;
    const BOOL read = query(token, kind, data, size, &size);
    CloseHandle(token);
    return read;
}

void ReadProcessAccount(ProcessAccount* account)
{
    union {
        TOKEN_USER User;
        BYTE Room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } user;
    DWORD elevated = 0;
    account->LocalSystem = QueryProcessToken(TokenUser, &user, sizeof user) &&
                           SameSid(user.User.User.Sid, kLocalSystemSid);
    account->Elevated = QueryProcessToken(TokenElevation, &elevated, sizeof elevated) && elevated;
}
