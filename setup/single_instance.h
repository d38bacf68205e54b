#pragma once

#include <windows.h>

// TRUE when another setup.exe or uninstall.exe already runs in this session,
// from anywhere. This one is then to end without writing anything: two
// installs into one folder would delete each other's files.
BOOL AnotherSetupRuns();

// The lock once more, in a handle that a process started with inherited
// handles holds until it ends, however soon this one ends.
HANDLE InheritableSetupLock();

// The class of setup's host window, which is never shown.
extern const char kHostClass[];

// Brings the window of the other run that the user can act on to the
// front: a setup's, found by its host window, or an uninstaller's question.
void BringSetupForward();
