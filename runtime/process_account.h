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

// Reads what the process's token holds of kind into data. FALSE where there
// is no token (Windows 95) or it does not fit.
BOOL QueryProcessToken(TOKEN_INFORMATION_CLASS kind, void* data, DWORD size);

// Security identifiers as the platform stores them: LocalSystem (S-1-5-18)
// and the Administrators group (S-1-5-32-544).
extern const BYTE kLocalSystemSid[12];
extern const BYTE kAdministratorsSid[16];

// TRUE when both security identifiers are given and the same.
BOOL SameSid(const void* first, const void* second);
