#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Runs the real setup.exe and acts on it as a user would: finds its windows,
// reads and answers its message boxes, waits for it to end. Every wait and
// every message sent to the program has a time-out: a window that does not
// answer in time belongs to a hung program, which the driver names on
// standard error and ends, so that the later waits of its run end at once.

struct SetupRun {
    PROCESS_INFORMATION process = {};
    ~SetupRun();  // a run that is still going when a test ends is stopped
    DWORD Id() const { return process.dwProcessId; }
};

// A process that a run started, or the setup itself.
struct RunProcess {
    DWORD id;
    std::string name;  // the program's file name, such as "VelQ.exe"
};

struct ShownMessage {
    std::string caption;
    std::string text;
};

// A time-out in milliseconds, stretched by VELQUOR_WAIT_SCALE for runs whose
// programs are emulated, and run a few times slower. The waits below stretch
// theirs.
DWORD Scaled(DWORD ms);

// CreateProcessA, tried once more, saying so on standard error, when Wine
// fails to start the program: that happens now and then, and the program
// has not run then.
bool StartProgram(PROCESS_INFORMATION* process, std::string commandLine, const char* folder,
                  BOOL inheritHandles, STARTUPINFOA* startup);

// Starts setupExe with the medium as its current directory and the
// arguments after its name; the stand-in VelQ.exe that it may start records
// its start in stubLog. Where VELQUOR_PRODUCT is set, the run is of the
// shipped 32-bit program: a setupExe that does not run as a 32-bit process
// is ended and fails the start (ERROR_BAD_EXE_FORMAT), as a 32-bit one does
// where it is not set.
bool StartSetup(SetupRun& run, const std::string& setupExe, const std::string& medium,
                const std::string& stubLog, const std::string& arguments = "");

bool IsRunning(const SetupRun& run);

// The processes that the run's setup started and that still run, with the
// ones those started in turn.
std::vector<RunProcess> StartedProcesses(const SetupRun& run);

// Ends the setup when it still runs, then every process it started, found
// by their ids. Returns what it ended. Started programs inherit the test's
// output: one left running would hold the test runner's pipe open.
std::vector<RunProcess> EndRun(SetupRun& run);

// A visible top-level window of the process with this title (any title when
// null) and window class (any class when null), or null.
HWND FindProcessWindow(DWORD processId, const char* title, const char* windowClass);
HWND WaitForProcessWindow(DWORD processId, const char* title, const char* windowClass,
                          DWORD timeoutMs = 15000);

// A message box of the process, or null. The install dialog, the chooser
// and the progress window are not message boxes.
HWND FindMessageBox(DWORD processId);

// The text of a control of a window of another process; empty when it did
// not answer.
std::string ControlText(HWND dialog, int controlId);

// The text of a static control of a window of another process, as the
// system holds it: read without waiting for that process to answer, which
// a busy program does only now and then.
std::string StaticText(HWND dialog, int controlId);

// The state of a check box of a window of another process (BM_GETCHECK):
// BST_CHECKED, BST_UNCHECKED, or -1 when it did not answer.
LRESULT ButtonState(HWND dialog, int controlId);

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
// Yes or No (button) answers a question.
bool AnswerMessageBox(const SetupRun& run, ShownMessage* shown, DWORD timeoutMs = 15000,
                      int button = IDOK);

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
