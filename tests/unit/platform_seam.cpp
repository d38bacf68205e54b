#include "tests/unit/platform_seam.h"

#include <string.h>

namespace {

// Plain data, zero before anything runs: the C runtime's start-up looks
// functions up too.
struct Failure {
    const char* Function;
    int Count;
};
Failure failures[8];
ULONGLONG freeBytes;

bool Fails(const char* function)
{
    for (Failure& failure : failures) {
        if (failure.Function && strcmp(failure.Function, function) == 0 && failure.Count > 0) {
            --failure.Count;
            return true;
        }
    }
    return false;
}

BOOL WINAPI ReportedFreeSpace(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER total,
                              PULARGE_INTEGER free)
{
    available->QuadPart = total->QuadPart = free->QuadPart = freeBytes;
    SetLastError(ERROR_NOT_READY);
    return freeBytes != kUnreadableSpace;
}

}  // namespace

void FailCalls(const char* function, int count)
{
    for (Failure& failure : failures) {
        if (!failure.Function || strcmp(failure.Function, function) == 0) {
            failure = Failure{function, count};
            return;
        }
    }
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
    if (Fails(name))
        return NULL;
    if (freeBytes && strcmp(name, "GetDiskFreeSpaceExA") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(ReportedFreeSpace));
    return __real___imp_GetProcAddress(module, name);
}

extern "C" {
decltype(&GetTempPathA) __wrap___imp_GetTempPathA = SeamTempPath;
decltype(&GetModuleFileNameA) __wrap___imp_GetModuleFileNameA = SeamModuleFileName;
decltype(&GetDiskFreeSpaceA) __wrap___imp_GetDiskFreeSpaceA = SeamFreeSpace;
decltype(&RegCreateKeyExA) __wrap___imp_RegCreateKeyExA = SeamCreateKey;
decltype(&GetProcAddress) __wrap___imp_GetProcAddress = SeamProcAddress;
}
