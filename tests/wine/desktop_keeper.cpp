// Keeps the Wine desktop of a test run alive. Without a process attached to
// it, Wine closes the desktop after each program and starts it again for
// the next one; the new desktop process inherits the test runner's output
// and holds it open for a second after every test. This program owns one
// hidden window and waits until the prefix's server ends it.
//   desktop_keeper READY_FILE
// READY_FILE is created once the desktop exists, so that no test starts
// the desktop itself (its desktop process would then hold that test's
// output open for the whole run).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR readyFile, int)
{
    if (!CreateWindowA("STATIC", "desktop keeper", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL))
        return 1;
    HANDLE ready = CreateFileA(readyFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (ready != INVALID_HANDLE_VALUE)
        CloseHandle(ready);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
