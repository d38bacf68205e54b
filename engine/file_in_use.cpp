#include "engine/file_in_use.h"

#include "runtime/kernel_function.h"
#include "runtime/setup_log.h"

DWORD InUseProbeAccess()
{
    return IsWindows9x() ? GENERIC_READ : DELETE | FILE_WRITE_DATA;
}

BOOL RefusalMeansInUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

DWORD ClearReadOnly(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
        return 0;
    const DWORD others = attributes & ~FILE_ATTRIBUTE_READONLY;
    return SetFileAttributesA(path, others ? others : FILE_ATTRIBUTE_NORMAL) ? attributes : 0;
}

BOOL FileInUse(const char* path)
{
    // A read-only file refuses writing to everyone, "access denied" before
    // its image or any sharing is looked at: the attribute is cleared for
    // the probe's moment.
    const DWORD readOnly = ClearReadOnly(path);
    HANDLE file =
        CreateFileA(path, InUseProbeAccess(), 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    const BOOL inUse = file == INVALID_HANDLE_VALUE && RefusalMeansInUse(GetLastError());
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (readOnly)
        SetFileAttributesA(path, readOnly);
    if (inUse)
        LogLine(kLogInUse, path);
    return inUse;
}
