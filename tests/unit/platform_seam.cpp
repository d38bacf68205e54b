#include "tests/unit/platform_seam.h"

#include <aclapi.h>
#include <string.h>

// Plain data, zero before anything runs: the start-up code looks functions
// up too.
static struct {
    const char* Function;
    int Count;
    bool Missing;
} failures[8];
static ULONGLONG freeBytes;

static void Ask(const char* function, int count, bool missing)
{
    int i = 0;
    while (failures[i].Function && strcmp(failures[i].Function, function) != 0)
        ++i;
    failures[i] = {function, count, missing};
}

void FailCalls(const char* function, int count)
{
    Ask(function, count, false);
}

void LeaveOut(const char* function)
{
    Ask(function, 1 << 30, true);
}

void ReportFreeBytes(ULONGLONG bytes)
{
    freeBytes = bytes;
}

// 0 where the call goes on; 1 where it fails, 2 where it is left out.
static int Fails(const char* function)
{
    for (auto& failure : failures) {
        if (failure.Function && strcmp(failure.Function, function) == 0 && failure.Count > 0) {
            --failure.Count;
            return failure.Missing ? 2 : 1;
        }
    }
    return 0;
}

static BOOL WINAPI ReportedFreeSpace(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER total,
                                     PULARGE_INTEGER free)
{
    available->QuadPart = total->QuadPart = free->QuadPart = freeBytes;
    return TRUE;
}

// Stands in for any looked-up function that tells success by a BOOL: the
// 64-bit calling convention leaves its arguments to the caller.
static BOOL WINAPI Refused()
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

static DWORD WINAPI RefusedSecurity(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL,
                                    PACL)
{
    return ERROR_ACCESS_DENIED;
}

// MinGW calls every DLL function through its import pointer __imp_NAME.
extern "C" {
extern decltype(&GetTempPathA) __real___imp_GetTempPathA;
extern decltype(&GetModuleFileNameA) __real___imp_GetModuleFileNameA;
extern decltype(&RegCreateKeyExA) __real___imp_RegCreateKeyExA;
extern decltype(&GetProcAddress) __real___imp_GetProcAddress;
}

static DWORD WINAPI SeamTempPath(DWORD size, LPSTR buffer)
{
    return Fails("GetTempPathA") ? 0 : __real___imp_GetTempPathA(size, buffer);
}

// Told as a path that filled the buffer and was cut: the buffer still
// names a file, which must not be used.
static DWORD WINAPI SeamModuleFileName(HMODULE module, LPSTR buffer, DWORD size)
{
    const DWORD length = __real___imp_GetModuleFileNameA(module, buffer, size);
    return Fails("GetModuleFileNameA") ? size : length;
}

static LONG WINAPI SeamCreateKey(HKEY root, LPCSTR name, DWORD reserved, LPSTR keyClass,
                                 DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                                 PHKEY key, LPDWORD disposition)
{
    return Fails("RegCreateKeyExA")
               ? ERROR_ACCESS_DENIED
               : __real___imp_RegCreateKeyExA(root, name, reserved, keyClass, options, access,
                                              security, key, disposition);
}

static FARPROC WINAPI SeamProcAddress(HMODULE module, LPCSTR name)
{
    void (*function)() = NULL;
    // Not an ordinal.
    if (!HIWORD(reinterpret_cast<ULONG_PTR>(name)))
        return __real___imp_GetProcAddress(module, name);
    if (freeBytes && strcmp(name, "GetDiskFreeSpaceExA") == 0)
        function = reinterpret_cast<void (*)()>(ReportedFreeSpace);
    else if (const int failure = Fails(name))
        function = failure == 2 ? NULL
                   : strcmp(name, "SetNamedSecurityInfoA") == 0
                       ? reinterpret_cast<void (*)()>(RefusedSecurity)
                       : reinterpret_cast<void (*)()>(Refused);
    else
        return __real___imp_GetProcAddress(module, name);
    return reinterpret_cast<FARPROC>(function);
}

extern "C" {
decltype(&GetTempPathA) __wrap___imp_GetTempPathA = SeamTempPath;
decltype(&GetModuleFileNameA) __wrap___imp_GetModuleFileNameA = SeamModuleFileName;
decltype(&RegCreateKeyExA) __wrap___imp_RegCreateKeyExA = SeamCreateKey;
decltype(&GetProcAddress) __wrap___imp_GetProcAddress = SeamProcAddress;
}
