#include <windows.h>

#include "res/resource.h"
#include "runtime/kernel_function.h"
#include "runtime/process_account.h"
#include "runtime/setup_log.h"
#include "setup/command_line.h"
#include "setup/install_sequence.h"
#include "setup/setup_state.h"
#include "setup/single_instance.h"
#include "setup/uninstall_sequence.h"

#ifndef _WIN64
static_assert(sizeof(WNDCLASSEXA) == 48, "the 32-bit class record is 48 bytes");
#endif

static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    RECT client;
    BeginPaint(window, &paint);
    GetClientRect(window, &client);
    EndPaint(window, &paint);
}

static void OnTimer(HWND window, WPARAM timerId)
{
    if (timerId != kCloseTimerId)
        return;
    KillTimer(window, kCloseTimerId);
    RequestClose(window);
}

static void OnDestroy()
{
    if (Setup.ReadmeMemory) {
        GlobalUnlock(Setup.ReadmeMemory);
        GlobalFree(Setup.ReadmeMemory);
    }
    PostQuitMessage(static_cast<int>(Setup.ExitCode));
}

LRESULT CALLBACK SetupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return RunInstallSequence(window);
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_TIMER:
        OnTimer(window, wParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The resources hold no icon 130: the class ends up with no icon of its own.
static ATOM RegisterSetupClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SetupWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HOST_WINDOW));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1);
    windowClass.lpszClassName = kHostClass;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HOST_WINDOW));
    return RegisterClassExA(&windowClass);
}

// DLLs that the common dialogs and the shell load on demand would otherwise
// be looked for in the program's own folder and the current directory, both
// the install medium, where anyone could have put a DLL of the same name.
// Where the platform offers it (since Windows 8, or with update KB2533623),
// only the system folder is searched; elsewhere the current directory at
// least leaves the search order, while the program's own folder stays.
static void RestrictDllSearchPath()
{
    if (auto setDefault =
            KernelFunction<decltype(&SetDefaultDllDirectories)>("SetDefaultDllDirectories"))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else if (auto setDirectory = KernelFunction<decltype(&SetDllDirectoryA)>("SetDllDirectoryA"))
        setDirectory("");
}

// Where the run starts: the system and the account, which decide where the
// shortcuts go.
static void LogStart(const ProcessAccount& account)
{
    LogLine(kLogCommandLine, GetCommandLineA());
    const DWORD version = GetVersion();
    LogLine(kLogSystem, LOBYTE(version), HIBYTE(version), HIWORD(version) & 0x7FFF,
            account.Elevated, account.LocalSystem);
}

static int Run(HINSTANCE instance)
{
    // A person is shown the running setup or uninstaller; a script, and
    // every uninstaller, is told to try later: two removals, or a removal
    // and an installation, would race each other. The uninstaller's
    // temporary copy runs when its uninstaller has ended: it takes no turn.
    if (!Setup.UninstallerProcess && AnotherSetupRuns()) {
        if (!Setup.Silent)
            BringSetupForward();
        return Setup.Silent || IsUninstaller() ? ERROR_INSTALL_ALREADY_RUNNING : 0;
    }
    if (IsUninstaller())
        return static_cast<int>(RunUninstallSequence());
    RegisterSetupClass(instance);
    Setup.Instance = instance;

    // The whole installation runs inside this call (WM_CREATE); the window
    // itself is never shown.
    HWND window = CreateWindowExA(0, kHostClass, kHostClass, WS_OVERLAPPEDWINDOW, 100, 100, 300,
                                  100, NULL, NULL, instance, NULL);
    // Nothing was installed: a script must not read that as success.
    if (!window)
        return ERROR_INSTALL_FAILURE;

    // The resources define no accelerator table: nothing is translated.
    HACCEL accelerators = LoadAcceleratorsA(Setup.Instance, MAKEINTRESOURCEA(IDA_HOST_WINDOW));
    MSG message = {};
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    RestrictDllSearchPath();
    const bool understood = ReadCommandLine(arguments);
    ProcessAccount account;
    ReadProcessAccount(&account);
    Setup.ForEveryUser = account.LocalSystem;
    if (OpenSetupLog(Setup.LogFile))
        LogStart(account);
    if (!understood)
        ShowSwitches();
    const int exitCode = understood ? Run(instance) : static_cast<int>(Setup.ExitCode);
    LogLine(kLogExit, exitCode);
    return exitCode;
}
