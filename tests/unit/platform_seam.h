#pragma once

#include <windows.h>

// The unit test program links its own versions of a few platform calls in
// place of the platform's (the linker's --wrap, tests/CMakeLists.txt), so
// that a test can make one fail as Windows may and Wine never does. Each
// passes the call on unless a test asked otherwise. setup.exe holds none.

// The next count calls fail: GetTempPathA, GetModuleFileNameA (a path that
// did not fit) or RegCreateKeyExA (access denied). A function that the
// program looks up (GetProcAddress) is found, the next count times, as one
// that refuses every call.
void FailCalls(const char* function, int count = 1);

// Looking the function up finds nothing from now on.
void LeaveOut(const char* function);

// The bytes free that GetDiskFreeSpaceExA, looked up from now on, reports;
// 0 for the drive's own figure.
void ReportFreeBytes(ULONGLONG bytes);
