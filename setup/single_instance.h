#pragma once

#include <windows.h>

// TRUE when another setup.exe or uninstall.exe already runs in this session,
// from anywhere. This one is then to end without writing anything: two
// installs into one folder would delete each other's files.
BOOL AnotherSetupRuns();

// Whether the lock of another run turns this run away, by its owner (the
// account that made it, as far as it can be read: ownerRead) and the
// account this run belongs to (self). Always, but for an administrator's
// run, which deployment tools start, where any user may have made a lock
// of that name first to block every deployment: there only the lock of
// Administrators, SYSTEM or this run's own account counts. An
// administrator may read the owner of every lock that those make, and
// Wine records no owner at all, which counts as well.
BOOL LockCounts(BOOL administrator, BOOL ownerRead, PSID owner, PSID self);
// The lock once more, in a handle that a process started with inherited
// handles holds until it ends, however soon this one ends.
HANDLE InheritableSetupLock();

// The class of setup's host window, which is never shown.
extern const char kHostClass[];

// Brings the window of the other run that the user can act on to the
// front: a setup's, found by its host window, or an uninstaller's question.
void BringSetupForward();
