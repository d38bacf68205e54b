#pragma once

#include <windows.h>

// The access the probe asks for: delete access on NT, which a read-only
// file still grants (until the delete itself) and which the sharing of any
// other open refuses; Windows 95 knows no delete access, so there a read
// without sharing stands in: any other open refuses it, the loader's hold
// on a running program included.
DWORD InUseProbeAccess();

// TRUE when another process holds the file so that it could be neither
// deleted nor overwritten: open in another program, or a running program.
// A file that is not there, or that cannot be opened for another reason,
// is not in use.
BOOL FileInUse(const char* path);
