#include "engine/file_in_use.h"

#include "runtime/setup_log.h"

DWORD InUseProbeAccess()
{
    // The high bit of the version marks Windows 95, 98 and Me.
    return (GetVersion() & 0x80000000) ? GENERIC_READ : DELETE;
}

BOOL FileInUse(const char* path)
{
    // No write access: a read-only file refuses it to everyone, with
    // "access denied" before any sharing is looked at.
    HANDLE file =
        CreateFileA(path, InUseProbeAccess(), 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return FALSE;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)
        return FALSE;
    LogLine(kLogInUse, path);
    return TRUE;
}
