#include "engine/install_record.h"

#include <string.h>

#include "engine/registration.h"
#include "runtime/characters.h"
#include "runtime/kernel_function.h"
#include "setup/setup_state.h"

const char kInstallRecordName[] = "uninstall.dat";

// A record larger than this is no record of ours: 50,000 files with long
// names take a tenth of it.
constexpr DWORD kLargestRecord = 0x4000000;

void StartInstallRecord(DWORD bytes)
{
    InstallRecord& record = Setup.Record;
    if (record.Text)
        GlobalFree(record.Text);
    // With the terminator that each join writes.
    record.Text = static_cast<char*>(GlobalAlloc(GMEM_FIXED, bytes + 1));
    record.Capacity = record.Text ? bytes + 1 : 0;
    record.Length = 0;
    record.Lost = FALSE;
}

// Appends a line to the record.
static BOOL AddLine(const char* first, const char* second)
{
    InstallRecord& record = Setup.Record;
    if (!JoinPath(record.Text + record.Length, record.Capacity - record.Length, first, second,
                  "\r\n"))
        return FALSE;
    record.Length += strlen(record.Text + record.Length);
    return TRUE;
}

void RecordMade(const char* targetFolder, const char* name)
{
    // targetFolder lies in TargetDir, so it is at least as long.
    const size_t inFolder = strlen(Setup.TargetDir);
    if (strlen(targetFolder) < inFolder || !AddLine(targetFolder + inFolder, name))
        Setup.Record.Lost = TRUE;
}

BOOL WriteInstallRecord()
{
    char path[kPathChars];
    InstallRecord& record = Setup.Record;
    if (record.Lost || !AddLine(kUninstallerName, "") || !AddLine(kInstallRecordName, "") ||
        !JoinPath(path, Setup.TargetDir, kInstallRecordName))
        return FALSE;
    // An earlier record that is hidden or a system file would refuse to be
    // replaced as a normal one.
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    // On the disk before the registration points at it: after a power cut,
    // a record the system still held back would be empty.
    auto flush = KernelFunction<decltype(&FlushFileBuffers)>("FlushFileBuffers");
    DWORD written = 0;
    const BOOL whole = WriteFile(file, record.Text, record.Length, &written, NULL) &&
                       written == record.Length && flush && flush(file);
    if (!CloseHandle(file) || !whole) {
        DeleteFileA(path);
        return FALSE;
    }
    return TRUE;
}

BOOL RecordedPath(const char* folder, const char* entry, char (&path)[kPathChars])
{
    // Resolved as the platform resolves it, the path must stay as it was
    // written: no "." or ".." part, no doubled or leading separator, no "/".
    // A colon would name a drive or a stream of a file; the others are no
    // characters of a name, and wildcards to the platform.
    char resolved[kPathChars];
    for (const char* refused = ":*?<>\"|"; *refused; ++refused) {
        if (FindCharacter(entry, *refused))
            return FALSE;
    }
    if (!*entry || !JoinPath(path, folder, entry))
        return FALSE;
    const DWORD length = GetFullPathNameA(path, kPathChars, resolved, NULL);
    return length != 0 && length < kPathChars && lstrcmpiA(resolved, path) == 0;
}

RecordState ReadInstallRecord(const char* folder)
{
    char path[kPathChars];
    if (!JoinPath(path, folder, kInstallRecordName))
        return kRecordUnreadable;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kRecordMissing
                                                                              : kRecordUnreadable;
    }
    InstallRecord& record = Setup.Record;
    const DWORD size = GetFileSize(file, NULL);
    DWORD read = 0;
    record.Text =
        size < kLargestRecord ? static_cast<char*>(GlobalAlloc(GMEM_FIXED, size + 1)) : NULL;
    const BOOL whole =
        record.Text && ReadFile(file, record.Text, size, &read, NULL) && read == size;
    CloseHandle(file);
    if (!whole)
        return kRecordUnreadable;
    for (DWORD at = 0; at < size; ++at) {
        if (record.Text[at] == '\r' || record.Text[at] == '\n')
            record.Text[at] = '\0';
    }
    record.Text[size] = '\0';
    record.Length = size;
    // The copy writes these two lines last: a record that does not end with
    // them was cut short, as a power cut may leave it, and would have the
    // removal leave what it no longer lists.
    static const char kLastLines[] = "uninstall.exe\0\0uninstall.dat\0";
    if (size < sizeof kLastLines)
        return kRecordUnreadable;
    const char* last = record.Text + size - sizeof kLastLines;
    return memcmp(last, kLastLines, sizeof kLastLines) == 0 &&
                   (last == record.Text || last[-1] == '\0')
               ? kRecordRead
               : kRecordUnreadable;
}
