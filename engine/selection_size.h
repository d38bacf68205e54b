#pragma once

#include <windows.h>

// Files by their own sizes, and the space they take on a volume: every file
// in whole clusters and at least one, which also stands for its entry in
// the folder (a FAT directory slot, an NTFS file record), and a cluster for
// every folder.
struct SpaceTally {
    ULONGLONG Bytes;
    ULONGLONG Space;
};

// What installing the medium's selection into a folder writes (its Bytes
// are what the copy's progress counts), and what of an earlier installation
// there it deletes or overwrites. Both are counted the same way, so that a
// reinstall of the same files always fits where the earlier one was.
struct SelectionSize {
    SpaceTally Written;
    SpaceTally Replaced;
    // The bytes that the copy tells of as it goes (Setup.CopyingFile): all
    // it writes but uninstall.exe and the record, which the registration
    // writes after it.
    ULONGLONG CopiedBytes;
    // The most space the copy takes beyond what it has freed, at any step.
    ULONGLONG Peak;
    // The bytes of the install record that lists what the copy writes.
    DWORD RecordBytes;
    // Another process holds a file that the copy would delete or overwrite.
    BOOL InUse;
    // The volume has room for the new installation beside the earlier one,
    // which then stays until the new one is complete
    // (engine/install_transaction.h).
    BOOL SideBySide;
};

// Measures the selection of the current directory, the medium, for
// targetDir (ending with "\"), in clusters of clusterBytes, as the copy
// goes: one listed entry after the other in the medium's order, each first
// freeing what it replaces. Probes every file it would replace on the way.
void MeasureSelection(const char* targetDir, DWORD clusterBytes, SelectionSize* size);
