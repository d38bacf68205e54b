// Stands in for the installed Velquor program: opens a window titled
// "Velquor" and records its start (process id, working folder and command
// line) in the file named by VELQ_STUB_LOG, where a test can read it.
#include <windows.h>

#include <stdio.h>

static void RecordStart()
{
    char logPath[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("VELQ_STUB_LOG", logPath, sizeof logPath);
    if (length == 0 || length >= sizeof logPath)
        return;
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    FILE* log = fopen(logPath, "ab");
    if (!log)
        return;
    fprintf(log, "pid=%lu\ncwd=%s\ncmdline=%s\n", GetCurrentProcessId(), folder, GetCommandLineA());
    fclose(log);
}

static LRESULT CALLBACK StubWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    RecordStart();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StubWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "VelquorStub";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("VelquorStub", "Velquor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 400, 200, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
