#include "runtime/process_account.h"

#include <string.h>

#include "runtime/kernel_function.h"

void ReadProcessAccount(ProcessAccount* account)
{
    // S-1-5-18 as the platform stores it: revision 1, one sub-authority, the
    // NT authority 5, and 18.
    static const BYTE kLocalSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    *account = ProcessAccount();
    // Looked up, as Windows 95 may lack them.
    auto open = SecurityFunction<decltype(&OpenProcessToken)>("OpenProcessToken");
    auto query = SecurityFunction<decltype(&GetTokenInformation)>("GetTokenInformation");
    HANDLE token;
    if (!open || !query || !open(GetCurrentProcess(), TOKEN_QUERY, &token))
        return;
    union {
        TOKEN_USER User;
        BYTE Room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } user;
    DWORD elevated = 0;
    DWORD size;
    account->LocalSystem = query(token, TokenUser, &user, sizeof user, &size) &&
                           memcmp(user.User.User.Sid, kLocalSystem, sizeof kLocalSystem) == 0;
    account->Elevated = query(token, TokenElevation, &elevated, sizeof elevated, &size) && elevated;
    CloseHandle(token);
}
