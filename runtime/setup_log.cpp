#include "runtime/setup_log.h"

#include <stdarg.h>
#include <string.h>

#include "runtime/kernel_function.h"

// The texts lie in the code's section: in a section of their own they would
// cost the file another 512-byte step of its own.
#define LOG_TEXT [[gnu::section(".text$log")]]

LOG_TEXT const char kLogDefaultName[] = "Velquor Setup.log";
LOG_TEXT const char kLogCommandLine[] = "Command line: %s";
LOG_TEXT const char kLogSystem[] = "Windows %u.%u.%u; elevated %d; LocalSystem %d";
LOG_TEXT const char kLogEarlier[] = "%s names %s: %s";
LOG_TEXT const char kLogNoEarlier[] = "No earlier installation found: starting from %s";
LOG_TEXT const char kLogInstalling[] = "Installing from %s into %s";
LOG_TEXT const char kLogFolderVerdict[] = "Folder %s: %s";
LOG_TEXT const char kLogRoom[] = "Room on %s needs %lu KB, has %lu KB: %s";
LOG_TEXT const char kLogInUse[] = "In use: %s";
LOG_TEXT const char kLogCreated[] = "Cleared and created %s";
LOG_TEXT const char kLogCopied[] = "Copied %s%s, %lu bytes";
LOG_TEXT const char kLogMessage[] = "Message: %s";
LOG_TEXT const char kLogShortcut[] = "Shortcut %s: result 0x%lX";
LOG_TEXT const char kLogOwner[] = "Owner record: %s, %s";
LOG_TEXT const char kLogRegistered[] = "Registered version %s, publisher %s";
LOG_TEXT const char kLogRemoved[] = "Removed %s";
LOG_TEXT const char kLogNoList[] = "No access list on %s: not a local fixed drive";
LOG_TEXT const char kLogSettled[] = "Replacement in %s: %s";
LOG_TEXT const char kLogSettledStates[] = "rolled back\0committed\0unfinished\0";
LOG_TEXT const char kLogExit[] = "Exit code %lu";
LOG_TEXT const char kLogVerdicts[] =
    "accepted\0not a full path\0holds the medium\0in use\0too little room\0a root\0"
    "not an installation\0a folder link\0";

// The open log, or null. In static storage: zero at start, as nothing of
// the program's own runs before WinMain.
static HANDLE logFile;
static int(WINAPI* formatLine)(LPSTR, LPCSTR, va_list);
static decltype(&GetLocalTime) readClock;
static decltype(&SetFilePointer) seek;

DWORD LogFigure(ULONGLONG value)
{
    return value >> 32 ? 0xFFFFFFFF : static_cast<DWORD>(value);
}

const char* NthText(const char* block, int index)
{
    for (; index > 0 && *block; --index)
        block += strlen(block) + 1;
    return block;
}

BOOL OpenSetupLog(const char* path)
{
    // In every Windows, but looked up: only a run with a log needs them,
    // and a lookup costs the program less than an import.
    formatLine = LoadedFunction<decltype(formatLine)>("user32.dll", "wvsprintfA");
    readClock = KernelFunction<decltype(readClock)>("GetLocalTime");
    seek = KernelFunction<decltype(seek)>("SetFilePointer");
    if (!path[0] || !formatLine || !readClock || !seek)
        return FALSE;
    // Another run may append to the same log meanwhile. On NT a handle that
    // may only append writes every line at the end, whatever the other
    // wrote; Windows 95, 98 and Me know no such access, and seek to the end
    // before every line.
    HANDLE file = CreateFileA(path, IsWindows9x() ? GENERIC_WRITE : FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    logFile = file;
    return TRUE;
}

void LogLine(const char* format, ...)
{
    if (!logFile)
        return;
    // The time, at most 1,024 characters of the event (the formatter's own
    // bound, terminator included) and the line's end.
    char line[32 + 1024 + 2];
    SYSTEMTIME now;
    readClock(&now);
    int length = wsprintfA(line, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay,
                           now.wHour, now.wMinute, now.wSecond);
    va_list arguments;
    va_start(arguments, format);
    const int end = length + formatLine(line + length, format, arguments);
    va_end(arguments);
    // One event a line: the platform's texts and the messages hold breaks.
    for (; length < end; ++length) {
        if (line[length] == '\r' || line[length] == '\n')
            line[length] = ' ';
    }
    line[length++] = '\r';
    line[length++] = '\n';
    DWORD written;
    seek(logFile, 0, NULL, FILE_END);
    WriteFile(logFile, line, static_cast<DWORD>(length), &written, NULL);
}

void GetErrorText(DWORD error, char (&text)[kErrorTextChars])
{
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error,
                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, kErrorTextChars, NULL))
        text[0] = '\0';
}

void LogError(const char* what)
{
    const DWORD error = GetLastError();
    char text[kErrorTextChars];
    GetErrorText(error, text);
    LogLine("%s: error %lu: %s", what, error, text);
    SetLastError(error);
}
