#include "runtime/process_account.h"

#include <string.h>

#include "runtime/kernel_function.h"

// Reads one kind of information of the process's token into data. The token
// functions are looked up, as Windows 95 may lack them.
static BOOL QueryToken(TOKEN_INFORMATION_CLASS kind, void* data, DWORD size)
{
    auto open = LoadedFunction<decltype(&OpenProcessToken)>("advapi32.dll", "OpenProcessToken");
    auto query =
        LoadedFunction<decltype(&GetTokenInformation)>("advapi32.dll", "GetTokenInformation");
    HANDLE token;
    if (!open || !query || !open(GetCurrentProcess(), TOKEN_QUERY, &token))
        return FALSE;
    DWORD returned;
    const BOOL read = query(token, kind, data, size, &returned);
    CloseHandle(token);
    return read;
}

BOOL RunsAsLocalSystem()
{
    // S-1-5-18 as the platform stores it: revision 1, one sub-authority, the
    // NT authority 5, and 18.
    static const BYTE kLocalSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    union {
        TOKEN_USER User;
        BYTE Room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } token;
    return QueryToken(TokenUser, &token, sizeof token) &&
           memcmp(token.User.User.Sid, kLocalSystem, sizeof kLocalSystem) == 0;
}

BOOL RunsElevated()
{
    DWORD elevated = 0;
    return QueryToken(TokenElevation, &elevated, sizeof elevated) && elevated;
}
