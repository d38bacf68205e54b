#pragma once

#include <windows.h>

// The unit tests link their own versions of a few platform calls in place
// of the platform's (the linker's --wrap, tests/CMakeLists.txt), so that a
// test can make a call fail as Windows may and Wine never does, and see the
// fallback behind it. Each passes the call on to the platform unless a test
// asked otherwise. setup.exe holds none of this.

// The next count calls of the function named fail: GetTempPathA (no
// folder), GetModuleFileNameA (a path that did not fit), GetDiskFreeSpaceA
// or RegCreateKeyExA (access denied). A function that the program looks up
// (GetProcAddress) is found, the next count times, as one that refuses
// every call.
void FailCalls(const char* function, int count = 1);

// Looking the function up finds nothing from now on, as on a system that
// lacks it.
void LeaveOut(const char* function);

// The bytes free that GetDiskFreeSpaceExA, looked up from now on, reports;
// 0 gives back the drive's own figure.
void ReportFreeBytes(ULONGLONG bytes);
