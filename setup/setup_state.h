#pragma once

#include <windows.h>
#include <commdlg.h>

#include "engine/install_record.h"
#include "engine/install_transaction.h"
#include "engine/selection_size.h"
#include "runtime/path_text.h"

// Everything the setup program knows during its run. One record, in static
// storage, zero at start.
struct SetupState {
    HINSTANCE Instance;
    // /S: nobody is there to see or answer anything (dialogs/message_box.h).
    BOOL Silent;
    // What the process returns: how the run ended (a system error code,
    // 0 for a complete installation).
    DWORD ExitCode;
    char UserName[kFieldChars];
    // The starting folder (/D=, an earlier installation or "C:\Velq") or
    // the last chooser result until Install is accepted, then the folder
    // field's text ending with "\".
    char TargetDir[kFieldChars];
    // The medium: the current directory at start, followed by "\".
    char SourceDir[kPathChars];
    // What the copy into the accepted TargetDir writes.
    SelectionSize Selection;
    int AddToStartMenu;
    char* ReadmeText;
    HGLOBAL ReadmeMemory;
    // Set at every press of "...": 1 when that press had to create TargetDir.
    int CreatedForBrowse;
    OPENFILENAMEA ChooserParams;
    // Told of every file, or piece of a large one, just before the copy
    // writes it: the target folder (ending with "\"), the name and the bytes;
    // and, with a null name, of every step of clearing an earlier
    // installation (engine/folder_replication.h). Null while nobody watches.
    void (*CopyingFile)(const char* targetFolder, const char* name, ULONGLONG bytes);
    // Told of a listed folder that the copy cannot make, with the error,
    // before the copy goes on. Null while nobody is told.
    void (*FolderNotMade)(DWORD error);
    // What the copy made, for the record that it leaves.
    InstallRecord Record;
    // The earlier installation that the copy replaces, kept until the new
    // one is complete.
    Replacement Replacing;
    // During the copy: the progress window, the bytes copied so far, and the
    // share of them, the folder and the time it last showed.
    HWND ProgressWindow;
    ULONGLONG BytesCopied;
    int PercentCopied;
    char ShownFolder[kPathChars];
    DWORD ProgressShownAt;
    // The removal of an installation: the first thing it could not remove.
    char LeftBehind[kPathChars];
    // In the temporary copy that removes the uninstaller: the uninstaller's
    // process (/wait=); TargetDir (/D=) is the folder it lay in.
    HANDLE UninstallerProcess;
    // The log's file (/LOG), or empty for none.
    char LogFile[kPathChars];
    // The shortcuts go into the all-users folders: the run has no user of
    // its own (LocalSystem).
    BOOL ForEveryUser;
    char ChooserFile[kFieldChars];
    char ChooserFileTitle[kFieldChars];
};

extern SetupState Setup;
