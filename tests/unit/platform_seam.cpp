#include "tests/unit/platform_seam.h"

#include <aclapi.h>
#include <string.h>

namespace {

// Plain data, zero before anything runs: the C runtime's start-up looks
// functions up too.
struct Failure {
    const char* Function;
    int Count;
    bool Missing;
};
Failure failures[8];
ULONGLONG freeBytes;

// The failure asked for the function, counted, or null.
const Failure* Fails(const char* function)
{
    for (Failure& failure : failures) {
        if (failure.Function && strcmp(failure.Function, function) == 0 && failure.Count > 0) {
            --failure.Count;
            return &failure;
        }
    }
    return NULL;
}

void Ask(const char* function, int count, bool missing)
{
    for (Failure& failure : failures) {
        if (!failure.Function || strcmp(failure.Function, function) == 0) {
            failure = Failure{function, count, missing};
            return;
        }
    }
}

BOOL WINAPI ReportedFreeSpace(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER total,
                              PULARGE_INTEGER free)
{
    available->QuadPart = total->QuadPart = free->QuadPart = freeBytes;
    return TRUE;
}

// Stands in for a function that is looked up and refuses: the ones that
// tell success by a BOOL return FALSE, whatever their arguments (the
// 64-bit calling convention leaves them to the caller).
BOOL WINAPI Refused()
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

DWORD WINAPI RefusedSecurity(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL)
{
    return ERROR_ACCESS_DENIED;
}

template <typename Function>
FARPROC AsProcedure(Function function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

void FailCalls(const char* function, int count)
{
    Ask(function, count, false);
}

void LeaveOut(const char* function)
{
    Ask(function, 0x7FFFFFFF, true);
}

void ReportFreeBytes(ULONGLONG bytes)
{
    freeBytes = bytes;
}

// The import pointers that the program's calls go through (MinGW calls
// every DLL function through __imp_NAME), wrapped.
extern "C" {
extern decltype(&GetTempPathA) __real___imp_GetTempPathA;
extern decltype(&GetModuleFileNameA) __real___imp_GetModuleFileNameA;
extern decltype(&GetDiskFreeSpaceA) __real___imp_GetDiskFreeSpaceA;
extern decltype(&RegCreateKeyExA) __real___imp_RegCreateKeyExA;
extern decltype(&GetProcAddress) __real___imp_GetProcAddress;
}

static DWORD WINAPI SeamTempPath(DWORD size, LPSTR buffer)
{
    if (!Fails("GetTempPathA"))
        return __real___imp_GetTempPathA(size, buffer);
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
}

// Told as a path that filled the buffer, which the platform then cuts:
// what the buffer holds still names a file, which must not be used.
static DWORD WINAPI SeamModuleFileName(HMODULE module, LPSTR buffer, DWORD size)
{
    const DWORD length = __real___imp_GetModuleFileNameA(module, buffer, size);
    if (!Fails("GetModuleFileNameA"))
        return length;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

static BOOL WINAPI SeamFreeSpace(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                                 LPDWORD freeClusters, LPDWORD clusters)
{
    if (!Fails("GetDiskFreeSpaceA"))
        return __real___imp_GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters,
                                              clusters);
    SetLastError(ERROR_NOT_READY);
    return FALSE;
}

static LONG WINAPI SeamCreateKey(HKEY root, LPCSTR name, DWORD reserved, LPSTR keyClass,
                                 DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                                 PHKEY key, LPDWORD disposition)
{
    if (Fails("RegCreateKeyExA"))
        return ERROR_ACCESS_DENIED;
    return __real___imp_RegCreateKeyExA(root, name, reserved, keyClass, options, access, security,
                                        key, disposition);
}

static FARPROC WINAPI SeamProcAddress(HMODULE module, LPCSTR name)
{
    // An ordinal rather than a name.
    if (!HIWORD(reinterpret_cast<ULONG_PTR>(name)))
        return __real___imp_GetProcAddress(module, name);
    if (freeBytes && strcmp(name, "GetDiskFreeSpaceExA") == 0)
        return AsProcedure(ReportedFreeSpace);
    const Failure* failure = Fails(name);
    if (!failure)
        return __real___imp_GetProcAddress(module, name);
    if (failure->Missing)
        return NULL;
    return strcmp(name, "SetNamedSecurityInfoA") == 0 ? AsProcedure(RefusedSecurity)
                                                      : AsProcedure(Refused);
}

extern "C" {
decltype(&GetTempPathA) __wrap___imp_GetTempPathA = SeamTempPath;
decltype(&GetModuleFileNameA) __wrap___imp_GetModuleFileNameA = SeamModuleFileName;
decltype(&GetDiskFreeSpaceA) __wrap___imp_GetDiskFreeSpaceA = SeamFreeSpace;
decltype(&RegCreateKeyExA) __wrap___imp_RegCreateKeyExA = SeamCreateKey;
decltype(&GetProcAddress) __wrap___imp_GetProcAddress = SeamProcAddress;
}
