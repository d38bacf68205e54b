// Keeps the Wine desktop of a test run alive. Without a process attached to
// it, Wine closes the desktop after each program and starts it again for
// the next one; the new desktop process inherits the test runner's output
// and holds it open for a second after every test. This program owns one
// hidden window and waits until the prefix's server ends it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CreateWindowA("STATIC", "desktop keeper", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
