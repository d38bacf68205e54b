#include "dialogs/readme_text.h"

#include "setup/setup_state.h"

// Reads the whole of an open file into ReadmeText, NUL-terminated after the
// last byte read. Nothing is loaded for an empty file.
static void LoadReadmeFrom(HANDLE file)
{
    const DWORD size = GetFileSize(file, NULL);
    // An invalid size (INVALID_FILE_SIZE) would not fit the block either.
    if (size == 0 || size == INVALID_FILE_SIZE)
        return;
    Setup.ReadmeMemory = GlobalAlloc(GMEM_MOVEABLE, size + 1);
    if (!Setup.ReadmeMemory)
        return;
    // Stays locked until the host window is destroyed.
    Setup.ReadmeText = static_cast<char*>(GlobalLock(Setup.ReadmeMemory));
    if (!Setup.ReadmeText)
        return;
    DWORD read = 0;
    ReadFile(file, Setup.ReadmeText, size, &read, NULL);
    Setup.ReadmeText[read] = '\0';
}

int LoadReadme()
{
    char path[kPathChars];
    if (!JoinPath(path, Setup.SourceDir, "readme.txt"))
        return 0;
    // OPEN_ALWAYS: a medium that can be written gets an empty readme.txt,
    // which the copy then installs like any listed file.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_ARCHIVE, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LoadReadmeFrom(file);
    CloseHandle(file);
    return 0;
}
