#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Runs the real setup.exe and acts on it as a user would: finds its windows,
// reads and answers its message boxes, waits for it to end.

struct SetupRun {
    PROCESS_INFORMATION process = {};
    ~SetupRun();  // a run that is still going when a test ends is stopped
    DWORD Id() const { return process.dwProcessId; }
};

struct ShownMessage {
    std::string caption;
    std::string text;
};

// A time-out in milliseconds, stretched by VELQUOR_WAIT_SCALE for runs whose
// programs are emulated and start in about a minute instead of a second. The
// waits below stretch theirs.
DWORD Scaled(DWORD ms);

// Starts setupExe with the medium as its current directory; the stand-in
// VelQ.exe that it may start records its start in stubLog.
bool StartSetup(SetupRun& run, const std::string& setupExe, const std::string& medium,
                const std::string& stubLog);

// A visible top-level window of the process with this title (any title when
// null) and window class (any class when null), or null.
HWND FindProcessWindow(DWORD processId, const char* title, const char* windowClass);
HWND WaitForProcessWindow(DWORD processId, const char* title, const char* windowClass,
                          DWORD timeoutMs = 15000);

// The text of a control of a window of another process.
std::string ControlText(HWND dialog, int controlId);

// Types text into a control, replacing what it held.
void SetControlText(HWND dialog, int controlId, const std::string& text);

// Clicks a button (or ticks a check box) as the mouse would. Posted, so the
// modal loops that a click opens do not block the caller.
void ClickButton(HWND dialog, int controlId);

// The install dialog of the run, once it shows.
HWND WaitForInstallDialog(const SetupRun& run, DWORD timeoutMs = 15000);

// The folder chooser that "..." opens: the common Save dialog, as Wine shows
// it. Null when it does not show.
HWND WaitForChooser(const SetupRun& run, DWORD timeoutMs = 15000);

// Opens the folder in the chooser and presses OK, as a user who picked it.
void ChooseFolder(HWND chooser, const std::string& folder);

// Closes the chooser with Cancel.
void CancelChooser(HWND chooser);

// Waits for a message box of the run, reads it and presses its OK button.
bool AnswerMessageBox(const SetupRun& run, ShownMessage* shown, DWORD timeoutMs = 15000);

// Waits for the run to end, pressing OK on every message box meanwhile and
// keeping what they said. Returns the exit code, STILL_ACTIVE on time-out.
DWORD WaitForExit(SetupRun& run, std::vector<ShownMessage>* shown, DWORD timeoutMs = 30000);

// What the stand-in VelQ.exe recorded in its log: "pid", "cwd" and
// "cmdline", or nothing when it did not start.
struct StubStart {
    bool started = false;
    DWORD processId = 0;
    std::string folder;
    std::string commandLine;
};
StubStart ReadStubStart(const std::string& stubLog);

// Closes the stand-in's window, so no started program outlives its test.
void CloseStub(const StubStart& stub);
