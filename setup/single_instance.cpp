#include "setup/single_instance.h"

// The front-most window of the process that takes input. EnumWindows lists
// top-level windows front to back; while the chooser or a message box is
// open, the install dialog beneath it is visible but disabled.
static BOOL CALLBACK BringForwardIfUsable(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != static_cast<DWORD>(processId) || !IsWindowVisible(window) ||
        !IsWindowEnabled(window))
        return TRUE;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return FALSE;
}

BOOL AnotherSetupRuns(const char* hostClass)
{
    // The handle is kept until the process ends. A plain name: Windows 95 and
    // NT 4.0 know no "Local\" prefix, and where there are sessions a plain
    // name is already per session.
    CreateMutexA(NULL, FALSE, "Velquor Setup");
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return FALSE;
    // Nothing shows while the other run is just starting, or closing after it
    // started the program: nothing is brought forward then.
    if (HWND host = FindWindowA(hostClass, NULL)) {
        DWORD processId = 0;
        GetWindowThreadProcessId(host, &processId);
        EnumWindows(BringForwardIfUsable, processId);
    }
    return TRUE;
}
