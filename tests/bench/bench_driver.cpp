// Takes one measurement for scripts/benchmark.sh and prints it in
// milliseconds on standard output:
//   bench_driver install SETUP_EXE MEDIUM TARGET STUB_LOG [ARGUMENTS]
//       Install pressed until the installed program records its start.
//   bench_driver loop COPY_LOOP MEDIUM TARGET LIST STUB_LOG [remove]
//       the copy loop's go until the program it starts records its start.
//   bench_driver xcopy SOURCE TARGET
//       Wine's xcopy of the tree, from its process start to its exit.
//   bench_driver nsis INSTALLER TARGET
//       the silent NSIS peer installer, from its process start to its exit.
//   bench_driver startup PROGRAM FOLDER
//       process start until the program's first dialog is visible.
//   bench_driver program TARGET STUB_LOG
//       the start of the installed program alone, made as setup.exe makes it.
// MEDIUM and TARGET of the loop end with "\"; TARGET of install does not.
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "res/resource.h"
#include "tests/bench/bench_signals.h"
#include "tests/driver/setup_driver.h"

namespace {

// The largest media take minutes under Wine.
constexpr double kRunLimitMs = 30 * 60 * 1000.0;

double NowMs()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int Fail(const char* what)
{
    fprintf(stderr, "bench_driver: %s\n", what);
    return 1;
}

int PrintMs(double ms)
{
    printf("%.1f\n", ms);
    return 0;
}

bool HasEnded(const SetupRun& run)
{
    return WaitForSingleObject(run.process.hProcess, 0) == WAIT_OBJECT_0;
}

// Polls every millisecond: one attribute query, cheap next to a copy, and
// the same for every program measured. failed() is asked now and then.
template <typename Failed>
bool WaitForFile(const std::string& path, Failed failed)
{
    const double start = NowMs();
    for (unsigned polls = 1; GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; ++polls) {
        if (polls % 100 == 0 && (failed() || NowMs() - start > kRunLimitMs))
            return false;
        Sleep(1);
    }
    return true;
}

// The log exists as soon as the stand-in opens it; its lines follow.
StubStart WaitForStub(const std::string& stubLog)
{
    StubStart stub = ReadStubStart(stubLog);
    for (int i = 0; i < 500 && !stub.started; ++i) {
        Sleep(10);
        stub = ReadStubStart(stubLog);
    }
    return stub;
}

// Quoted for the command line; trailing "\" are doubled so that they do not
// escape the closing quote.
std::string Quote(const std::string& argument)
{
    const size_t kept = argument.find_last_not_of('\\') + 1;
    return "\"" + argument + std::string(argument.size() - kept, '\\') + "\"";
}

// With a quiet start the program's standard handles go to NUL, so that only
// the figure reaches the driver's output.
bool StartProcess(SetupRun& run, std::string commandLine, const char* folder, bool quiet = false)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    HANDLE nul = quiet ? CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, 0, &inherited,
                                     OPEN_EXISTING, 0, NULL)
                       : INVALID_HANDLE_VALUE;
    if (nul != INVALID_HANDLE_VALUE) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    }
    const bool started = StartProgram(&run.process, commandLine, folder, quiet, &startup);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    return started;
}

DWORD ExitCodeAfter(SetupRun& run, DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(run.process.hProcess, timeoutMs);
    GetExitCodeProcess(run.process.hProcess, &code);
    return code;
}

// After Install, a message box means the install failed, and no program
// will start.
bool InstallFailed(const SetupRun& run)
{
    return FindMessageBox(run.Id()) || HasEnded(run);
}

int TimeInstall(char** args)
{
    const std::string stubLog = args[3];
    DeleteFileA(stubLog.c_str());
    SetupRun run;
    if (!StartSetup(run, args[0], args[1], stubLog, args[4] ? args[4] : ""))
        return Fail("setup.exe did not start");
    HWND dialog = WaitForInstallDialog(run);
    if (!dialog)
        return Fail("the install dialog did not show");
    SetControlText(dialog, IDC_NAME, "Bench User");
    SetControlText(dialog, IDC_FOLDER, args[2]);
    const double start = NowMs();
    ClickButton(dialog, IDOK);
    if (!WaitForFile(stubLog, [&] { return InstallFailed(run); }))
        return Fail("setup.exe did not start the installed program");
    const double elapsed = NowMs() - start;
    CloseStub(WaitForStub(stubLog));
    // A reinstall deletes what it moved aside once the program has started:
    // the next measurement must not meet that. Closing setup.exe's host
    // window spares its close timer.
    HWND host = FindWindowA("VelSetup", NULL);
    DWORD owner = 0;
    GetWindowThreadProcessId(host, &owner);
    if (owner == run.Id())
        PostMessageA(host, WM_CLOSE, 0, 0);
    if (ExitCodeAfter(run, static_cast<DWORD>(kRunLimitMs)) != 0)
        return Fail("setup.exe did not end well");
    return PrintMs(elapsed);
}

struct LoopEvents {
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, kLoopReadyEvent);
    HANDLE go = CreateEventA(NULL, TRUE, FALSE, kLoopGoEvent);
    ~LoopEvents()
    {
        CloseHandle(ready);
        CloseHandle(go);
    }
};

std::string LoopCommand(char** args, int count)
{
    std::string command;
    for (int i = 0; i < 4; ++i)
        command += Quote(args[i]) + " ";
    return command + (count == 6 ? args[5] : "");
}

int TimeLoop(char** args, int count)
{
    const std::string stubLog = args[4];
    DeleteFileA(stubLog.c_str());
    SetEnvironmentVariableA("VELQ_STUB_LOG", stubLog.c_str());
    LoopEvents events;
    SetupRun run;
    if (!events.ready || !events.go || !StartProcess(run, LoopCommand(args, count), NULL))
        return Fail("the copy loop did not start");
    HANDLE waits[] = {events.ready, run.process.hProcess};
    if (WaitForMultipleObjects(2, waits, FALSE, 60000) != WAIT_OBJECT_0)
        return Fail("the copy loop did not get ready");
    const double start = NowMs();
    SetEvent(events.go);
    if (!WaitForFile(stubLog, [&] { return HasEnded(run) && ExitCodeAfter(run, 0) != 0; }))
        return Fail("the copy loop did not start the installed program");
    const double elapsed = NowMs() - start;
    CloseStub(WaitForStub(stubLog));
    if (ExitCodeAfter(run, 60000) != 0)
        return Fail("the copy loop failed to copy");
    return PrintMs(elapsed);
}

// Times a program from its start to its exit, which must report success.
static int TimeProcess(const std::string& command, const std::string& name)
{
    SetupRun run;
    const double start = NowMs();
    if (!StartProcess(run, command, NULL, true))
        return Fail((name + " did not start").c_str());
    const DWORD code = ExitCodeAfter(run, static_cast<DWORD>(kRunLimitMs));
    const double elapsed = NowMs() - start;
    if (code != 0)
        return Fail((name + " failed").c_str());
    return PrintMs(elapsed);
}

int TimeXcopy(char** args)
{
    return TimeProcess("xcopy.exe " + Quote(args[0]) + " " + Quote(args[1]) + " /E /I /Q /Y",
                       "xcopy");
}

// /D= must come last and unquoted, even with spaces in the folder.
int TimeNsis(char** args)
{
    return TimeProcess(Quote(args[0]) + " /D=" + args[1], "the NSIS installer");
}

int TimeStartup(char** args)
{
    SetupRun run;
    const double start = NowMs();
    if (!StartProcess(run, Quote(args[0]), args[1]))
        return Fail("the program did not start");
    while (!FindProcessWindow(run.Id(), NULL, "#32770")) {
        if (HasEnded(run) || NowMs() - start > 60000)
            return Fail("the program showed no dialog");
        Sleep(1);
    }
    // The run's end terminates the program.
    return PrintMs(NowMs() - start);
}

int TimeProgramStart(char** args)
{
    const std::string stubLog = args[1];
    DeleteFileA(stubLog.c_str());
    SetEnvironmentVariableA("VELQ_STUB_LOG", stubLog.c_str());
    const std::string folder = args[0];
    const std::string program = folder + "\\VelQ.exe";
    const double start = NowMs();
    ShellExecuteA(NULL, "open", program.c_str(), "", folder.c_str(), SW_SHOW);
    if (!WaitForFile(stubLog, [] { return false; }))
        return Fail("the installed program did not start");
    const double elapsed = NowMs() - start;
    CloseStub(WaitForStub(stubLog));
    return PrintMs(elapsed);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const int count = argc - 2;
    char** args = argv + 2;
    if (mode == "install" && (count == 4 || count == 5))
        return TimeInstall(args);
    if (mode == "loop" && (count == 5 || count == 6))
        return TimeLoop(args, count);
    if (mode == "xcopy" && count == 2)
        return TimeXcopy(args);
    if (mode == "nsis" && count == 2)
        return TimeNsis(args);
    if (mode == "startup" && count == 2)
        return TimeStartup(args);
    if (mode == "program" && count == 2)
        return TimeProgramStart(args);
    fprintf(stderr, "usage: bench_driver install|loop|xcopy|nsis|startup|program ARGS...\n");
    return 2;
}
