#pragma once

#include <windows.h>

// What the process's token says of the account it runs as. Windows 95 has
// no tokens, and NT before Vista no elevation: FALSE there.

// TRUE when it runs as LocalSystem, as deployment tools run installers:
// that account's profile is nobody's.
BOOL RunsAsLocalSystem();

// TRUE when the token is elevated (Vista and later).
BOOL RunsElevated();
