#pragma once

#include <windows.h>

// The unit tests link their own versions of a few platform calls in place
// of the platform's (the linker's --wrap, tests/CMakeLists.txt), so that a
// test can make a call fail as Windows may and Wine never does, and see the
// fallback behind it. Each passes the call on to the platform unless a test
// asked otherwise. setup.exe holds none of this.

// The next count calls of the function named fail: GetTempPathA (no
// folder), GetModuleFileNameA (a path that did not fit), GetDiskFreeSpaceA
// or RegCreateKeyExA (access denied). For any function that the program
// looks up (GetProcAddress), the next count look-ups find nothing, as on a
// system that lacks it.
void FailCalls(const char* function, int count = 1);

// What GetDiskFreeSpaceExA, looked up from now on, reports free: bytes, or
// a failure at every call for kUnreadableSpace; 0 gives back the drive's own.
constexpr ULONGLONG kUnreadableSpace = ~0ull;
void ReportFreeBytes(ULONGLONG bytes);
