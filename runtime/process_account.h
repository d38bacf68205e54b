#pragma once

#include <windows.h>

// What the process's token says of the account it runs as. Windows 95 has
// no tokens, and NT before Vista no elevation: FALSE there.
struct ProcessAccount {
    // LocalSystem, as deployment tools run installers: that account's
    // profile is nobody's.
    BOOL LocalSystem;
    // An elevated token (Vista and later).
    BOOL Elevated;
};

void ReadProcessAccount(ProcessAccount* account);
