#include "engine/folder_replication.h"

#include "engine/directory_walk.h"
#include "engine/file_in_use.h"
#include "engine/install_record.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"

BOOL FindEntry(const char* path, WIN32_FIND_DATAA* entry)
{
    // Wine never fills in the reparse tag (see IsLink).
    entry->dwReserved0 = 0;
    HANDLE find = FindFirstFileA(path, entry);
    if (find == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(find);
    return TRUE;
}

BOOL IsLinkAt(const char* path)
{
    WIN32_FIND_DATAA entry;
    return FindEntry(path, &entry) && IsLink(entry);
}

BOOL PathExists(const char* path)
{
    WIN32_FIND_DATAA entry;
    return FindEntry(path, &entry);
}

BOOL IsFile(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The attribute is cleared only when it stands in the way, so the copies
// keep the medium's attributes and nothing else is touched.
BOOL DeleteInstalledFile(const char* path)
{
    return DeleteFileA(path) || (ClearReadOnly(path) && DeleteFileA(path));
}

BOOL RemoveEntry(const char* path, const WIN32_FIND_DATAA& entry, BOOL everyName)
{
    if (!IsFolder(entry))
        return DeleteInstalledFile(path);
    // A junction or folder link goes, the folder it points to stays.
    if (IsLink(entry))
        return RemoveDirectoryA(path);
    return RemoveFolderTree(path, everyName);
}

BOOL RemoveFolderTree(const char* path, BOOL everyName)
{
    // A path that already ends with "\" gives doubled separators here; the
    // platform accepts them.
    char pattern[kPathChars];
    if (!JoinPath(pattern, path, "\\*.*"))
        return FALSE;
    const BOOL listed = WalkFolder(
        pattern,
        [=](const WIN32_FIND_DATAA& entry) {
            char child[kPathChars];
            // Clearing a large earlier installation takes a while too.
            NoteFileCopy(NULL, NULL, 0);
            return JoinPath(child, path, "\\", entry.cFileName) &&
                   RemoveEntry(child, entry, everyName);
        },
        everyName);
    if (!listed)
        return FALSE;
    return RemoveDirectoryA(path);
}

void NoteFileCopy(const char* targetFolder, const char* name, ULONGLONG bytes)
{
    if (Setup.CopyingFile)
        Setup.CopyingFile(targetFolder, name, bytes);
}

// Files larger than this are copied in pieces of this size, and their
// watcher hears of every piece: 64 KB take about 100 ms from a 4x CD-ROM.
constexpr DWORD kCopyPieceBytes = 0x10000;

// The attributes that a copy takes over from its source, as CopyFileA does.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Copies a large file as CopyFileA does (overwriting, with the source's
// attributes and time of the last change, and no part left after a
// failure), but tells the watcher of every piece, so that the progress
// window answers during a file of hundreds of megabytes. CopyFileExA would
// call back as well, but Windows 95 lacks it and Wine never calls back.
static BOOL CopyInPieces(const char* source, const char* target, const char* targetFolder,
                         const char* name, const WIN32_FIND_DATAA& entry)
{
    HANDLE from = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (from == INVALID_HANDLE_VALUE)
        return FALSE;
    // Made without attributes, which are set last: a read-only part left by
    // a failed copy could not be deleted.
    HANDLE to =
        CreateFileA(target, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    BOOL copied = to != INVALID_HANDLE_VALUE;
    // Not on the stack: a frame this large needs stack probes, which the
    // program's own start-up code does without.
    static char piece[kCopyPieceBytes];
    DWORD read = 0;
    while (copied && (copied = ReadFile(from, piece, sizeof piece, &read, NULL)) && read != 0) {
        NoteFileCopy(targetFolder, name, read);
        DWORD written = 0;
        copied = WriteFile(to, piece, read, &written, NULL) && written == read;
    }
    CloseHandle(from);
    if (to == INVALID_HANDLE_VALUE)
        return FALSE;
    copied = copied && SetFileTime(to, NULL, NULL, &entry.ftLastWriteTime);
    CloseHandle(to);
    const DWORD attributes = entry.dwFileAttributes & kCopiedAttributes;
    copied = copied && SetFileAttributesA(target, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    if (!copied)
        DeleteFileA(target);
    return copied;
}

// Copies the file of entry from sourceFolder into targetFolder under name,
// overwriting, and tells the watcher.
static BOOL CopyInto(const char* sourceFolder, const char* targetFolder, const char* name,
                     const WIN32_FIND_DATAA& entry)
{
    char source[kPathChars];
    char target[kPathChars];
    if (!JoinPath(source, sourceFolder, name) || !JoinPath(target, targetFolder, name))
        return FALSE;
    const ULONGLONG bytes = FileBytes(entry);
    const BOOL inPieces = bytes > kCopyPieceBytes;
    if (!inPieces)
        NoteFileCopy(targetFolder, name, bytes);
    auto copy = [&] {
        return inPieces ? CopyInPieces(source, target, targetFolder, name, entry)
                        : CopyFileA(source, target, FALSE);
    };
    if (!copy() && !(ClearReadOnly(target) && copy())) {
        LogError(target);
        return FALSE;
    }
    RecordMade(targetFolder, name);
    LogLine(kLogCopied, targetFolder, name, LogFigure(bytes));
    return TRUE;
}

BOOL CopyFolderFiles(const char* sourceFolder, const char* targetFolder)
{
    BOOL copied = TRUE;
    const BOOL fits = WalkFolderFiles(sourceFolder, [&](const WIN32_FIND_DATAA& entry) {
        copied = CopyInto(sourceFolder, targetFolder, entry.cFileName, entry);
        return copied;
    });
    return fits && copied;
}

// Logs the last error for path, and tells whoever shows it.
static void ReportLastError(const char* path)
{
    LogError(path);
    if (Setup.FolderNotMade)
        Setup.FolderNotMade(GetLastError());
}

// An earlier installation's folder is emptied and removed. When it is a
// junction or folder link, the folder behind it belongs to somebody else:
// only the link is removed, and nothing is listed or deleted through it.
// FALSE when the link is still there (Windows removes it; Wine cannot).
static BOOL ClearTargetFolder(const char* target)
{
    char folder[kPathChars];
    CopyPath(folder, target);
    DropSeparator(folder);
    WIN32_FIND_DATAA entry;
    if (!FindEntry(folder, &entry))
        return TRUE;
    if (!IsLink(entry)) {
        // What cannot be removed shows when the folder is created anew.
        RemoveFolderTree(target);
        return TRUE;
    }
    return RemoveDirectoryA(folder);
}

BOOL ReplicateFolder(const char* name)
{
    char target[kPathChars];
    char source[kPathChars];
    if (!JoinPath(target, Setup.TargetDir, name)) {
        ReportLastError(name);
        return FALSE;
    }
    // Both paths are known before anything of an earlier installation goes.
    if (!JoinPath(source, Setup.SourceDir, name))
        return FALSE;
    // Files of an earlier installation that are no longer on the medium must
    // not survive.
    if (!ClearTargetFolder(target)) {
        ReportLastError(target);
        return FALSE;
    }
    if (CreateDirectoryA(target, NULL))
        LogLine(kLogCreated, target);
    else
        ReportLastError(target);
    // Also when it could not be made anew: its files are installed into
    // what is left of it.
    RecordMade(Setup.TargetDir, name);
    return CopyFolderFiles(source, target);
}

BOOL CopyRootFile(const char* name, const WIN32_FIND_DATAA& entry)
{
    return CopyInto(Setup.SourceDir, Setup.TargetDir, name, entry);
}
