#pragma once

#include <windows.h>

// The access the probe asks for. NT: deletion and writing. A running program
// or a loaded library holds no open handle, only its image, which refuses
// writing ("sharing violation") but not a delete-access open; the sharing of
// any other open refuses one or the other. Windows 95 knows no delete
// access, and its loader keeps a program's file open: a read without
// sharing stands in there, which any other open refuses.
DWORD InUseProbeAccess();

// TRUE when the error of a refused probe says that another process holds
// the file. "Access denied" does not: the file may only be read-only, or
// closed to this user, which the copy reports itself.
BOOL RefusalMeansInUse(DWORD error);

// Files copied from a CD arrive read-only, and the platform refuses to
// delete, overwrite or write a read-only file. Returns the attributes the
// file had, to put back; 0 when it was not read-only (or is not there), so
// a second try would fail the same way.
DWORD ClearReadOnly(const char* path);

// TRUE when another process holds the file so that it could be neither
// deleted nor overwritten: open in another program, or a running program or
// loaded library, read-only or not. A file that is not there, or that
// cannot be opened for another reason, is not in use. The file's
// attributes are as they were.
BOOL FileInUse(const char* path);
