#pragma once

#include <windows.h>

#include <string.h>

#include "runtime/path_text.h"

// The install record, uninstall.dat in the installation folder: what an
// installation made there, and so all that its removal may touch. Plain
// text, one name a line (CRLF), relative to the installation folder, a
// folder's ending with "\", in the order they were made; uninstall.exe and
// the record itself come last.
extern const char kInstallRecordName[];

// The record as the copy builds it, in memory until it is written, in a
// block of the size measured before the copy.
struct InstallRecord {
    char* Text;
    DWORD Length;
    DWORD Capacity;
    // A line did not fit: the record cannot be written whole.
    BOOL Lost;
};

// Starts the record of a copy, with room for the bytes that the measure of
// the selection gave.
void StartInstallRecord(DWORD bytes);

// Notes the file, or folder (name ending with "\"), that the copy has just
// made in targetFolder, TargetDir or a folder below it.
void RecordMade(const char* targetFolder, const char* name);

// The bytes of the record's line for a name relative to the installation
// folder: the room check counts the record before it is written.
inline DWORD RecordLineBytes(const char* name)
{
    return static_cast<DWORD>(strlen(name) + 2);
}

// Adds uninstall.exe and the record itself to what RecordMade noted and
// writes the record into TargetDir. FALSE when it could not be written
// whole; nothing of it is left then.
BOOL WriteInstallRecord();

// The full path that a record entry names inside folder (a full path, as
// the platform resolves it, ending with "\"), or FALSE when the entry is no
// name inside it: empty, too long, absolute, with a drive, a wildcard or a
// ".." part, or resolving elsewhere.
BOOL RecordedPath(const char* folder, const char* entry, char (&path)[kPathChars]);

enum RecordState { kRecordRead, kRecordMissing, kRecordUnreadable };

// Reads the record of the installation in folder (ending with "\") whole
// into Setup.Record, each entry ending with a null character; an empty line
// is an empty entry. A record that does not end with the lines of
// uninstall.exe and uninstall.dat, as the copy writes them, was cut short:
// it is unreadable.
RecordState ReadInstallRecord(const char* folder);
