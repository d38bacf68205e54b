#pragma once

#include <windows.h>

#include "runtime/path_text.h"

// The machine's registered owner, or an empty text. At most size - 1
// characters, always terminated.
void GetRegisteredOwner(char* buffer, DWORD size);

// The user name left by the platform's older setup program, or an empty
// text. At most size - 1 characters, always terminated.
void GetSetupDefaultName(char* buffer, DWORD size);

// The registered owner, else the name the older setup program left, else
// an empty text.
constexpr DWORD kOwnerNameChars = 60;
void GetDefaultOwnerName(char* buffer, DWORD size);

// Sets one key of the "Owner" section of VelQ.ini in the Windows folder;
// a null value removes the key, a null key the whole section.
void WriteOwnerValue(const char* key, const char* value);

// Records who installed and where: "USER NAME", "DEFAULT NAME" (from the
// registry) and "Dir", in that order.
void WriteOwnerRecord(const char* userName, const char* targetDir);

// The folder that "Dir" names, as stored (ending with "\"), or an empty
// text; at most size - 1 characters.
void ReadOwnerFolder(char* folder, DWORD size);

// Removes the three keys where "Dir" names folder (ending with "\"), and
// VelQ.ini when nothing else is left in it. Other sections and keys stay.
void RemoveOwnerRecord(const char* folder);
