#pragma once

#include <windows.h>

// TRUE when another setup.exe already runs in this session, from any medium.
// Its window that the user can act on is then brought to the front, and this
// one is to end without showing or writing anything: two installs into one
// folder would delete each other's files. hostClass finds the other run.
BOOL AnotherSetupRuns(const char* hostClass);
