#pragma once

#include <windows.h>

// TRUE when another setup.exe already runs in this session, from any medium.
// This one is then to end without writing anything: two installs into one
// folder would delete each other's files.
BOOL AnotherSetupRuns();

// Brings the window of the other run that the user can act on to the
// front; hostClass finds that run.
void BringSetupForward(const char* hostClass);
