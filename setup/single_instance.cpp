#include "setup/single_instance.h"

#include <aclapi.h>

#include "engine/folder_security.h"
#include "runtime/kernel_function.h"
#include "runtime/process_account.h"

// The front-most visible window of the process. EnumWindows lists top-level
// windows front to back, and an owned window always lies in front of its
// owner: while the chooser or a message box is open, that is the one the
// user can act on, not the disabled install dialog beneath it. None of
// these windows can be minimised.
static BOOL CALLBACK BringForwardIfVisible(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != static_cast<DWORD>(processId) || !IsWindowVisible(window))
        return TRUE;
    SetForegroundWindow(window);
    return FALSE;
}

static const char kLockName[] = "Velquor Setup";

BOOL LockCounts(BOOL administrator, BOOL ownerRead, PSID owner, PSID self)
{
    return !administrator ||
           (ownerRead && (!owner || SameSid(owner, kAdministratorsSid) ||
                          SameSid(owner, kLocalSystemSid) || SameSid(owner, self)));
}

// Whether the lock that another run made turns this run away: its owner is
// read where it can be.
static BOOL OtherLockCounts()
{
    auto open = KernelFunction<decltype(&OpenMutexA)>("OpenMutexA");
    auto read = SecurityFunction<decltype(&GetSecurityInfo)>("GetSecurityInfo");
    union {
        TOKEN_USER Token;
        BYTE Room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } self;
    PSID owner = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    HANDLE lock = open ? open(READ_CONTROL, FALSE, kLockName) : NULL;
    const BOOL ownerRead = lock && read &&
                           read(lock, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, NULL,
                                NULL, NULL, &descriptor) == ERROR_SUCCESS;
    const BOOL counts =
        LockCounts(RunsAsAdministrator(), ownerRead, owner,
                   QueryProcessToken(TokenUser, &self, sizeof self) ? self.Token.User.Sid : NULL);
    LocalFree(descriptor);
    CloseHandle(lock);
    return counts;
}

BOOL AnotherSetupRuns()
{
    // The handle is kept until the process ends. A plain name: Windows 95 and
    // NT 4.0 know no "Local\" prefix, and where there are sessions a plain
    // name is already per session. A setup that runs elevated makes a mutex
    // that a setup without those rights may not open: it runs all the same.
    CreateMutexA(NULL, FALSE, kLockName);
    const DWORD error = GetLastError();
    return (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) && OtherLockCounts();
}

HANDLE InheritableSetupLock()
{
    SECURITY_ATTRIBUTES inherited = {};
    inherited.nLength = sizeof inherited;
    inherited.bInheritHandle = TRUE;
    return CreateMutexA(&inherited, FALSE, kLockName);
}

const char kHostClass[] = "VelSetup";

void BringSetupForward()
{
    // Nothing shows while the other run is just starting, or closing after it
    // started the program: nothing is brought forward then.
    HWND host = FindWindowA(kHostClass, NULL);
    if (!host)
        host = FindWindowA(NULL, "Velquor Setup");
    if (host) {
        DWORD processId = 0;
        GetWindowThreadProcessId(host, &processId);
        EnumWindows(BringForwardIfVisible, processId);
    }
}
