#include "tests/driver/setup_driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::vector<PROCESSENTRY32> Processes()
{
    std::vector<PROCESSENTRY32> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return processes;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    return processes;
}

std::string ProcessName(DWORD processId)
{
    for (const PROCESSENTRY32& entry : Processes())
        if (entry.th32ProcessID == processId)
            return entry.szExeFile;
    return "a process";
}

// Ends the process when it still runs and waits for its end; false when it
// had ended.
bool EndProcess(HANDLE process)
{
    if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT)
        return false;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    return true;
}

bool EndProcessById(DWORD processId)
{
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
    if (!process)
        return false;
    const bool ended = EndProcess(process);
    CloseHandle(process);
    return ended;
}

}  // namespace

SetupRun::~SetupRun()
{
    if (!process.hProcess)
        return;
    EndProcess(process.hProcess);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

bool StartProgram(PROCESS_INFORMATION* process, std::string commandLine, const char* folder,
                  BOOL inheritHandles, STARTUPINFOA* startup)
{
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(NULL, &commandLine[0], NULL, NULL, inheritHandles, 0, NULL, folder,
                           startup, process))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 2)
            return false;
        fprintf(stderr, "CreateProcessA failed with error %lu for %s; starting it once more\n",
                error, commandLine.c_str());
    }
}

// The tests of the shipped 32-bit program (VELQUOR_PRODUCT) must run it,
// never the 64-bit test build in its place, and the others the 64-bit one.
static bool RunsAsExpected(HANDLE process, const std::string& program)
{
    BOOL wow64 = FALSE;
    const bool expected32 = getenv("VELQUOR_PRODUCT") != NULL;
    if (IsWow64Process(process, &wow64) && (wow64 != FALSE) == expected32)
        return true;
    fprintf(stderr, "%s runs as a %s process, where the test expects the %s build\n",
            program.c_str(), wow64 ? "32-bit" : "64-bit", expected32 ? "32-bit" : "64-bit");
    return false;
}

bool StartSetup(SetupRun& run, const std::string& setupExe, const std::string& medium,
                const std::string& stubLog, const std::string& arguments)
{
    SetEnvironmentVariableA("VELQ_STUB_LOG", stubLog.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!StartProgram(&run.process, "\"" + setupExe + "\" " + arguments, medium.c_str(), FALSE,
                      &startup))
        return false;
    if (RunsAsExpected(run.process.hProcess, setupExe))
        return true;
    EndRun(run);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return false;
}

bool IsRunning(const SetupRun& run)
{
    return WaitForSingleObject(run.process.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {

// How long a window of the program under test may take to answer a message
// (stretched like the waits) before the driver takes its program for hung.
constexpr DWORD kAnswerMs = 10000;

// Sends a message to a control of another process's dialog. A control that
// is there but does not answer in time belongs to a hung program: it is
// named and ended, so that its run does not wait out every later step.
bool SendToControl(HWND dialog, int controlId, UINT message, const char* messageName, WPARAM wParam,
                   LPARAM lParam, DWORD_PTR* result)
{
    HWND control = GetDlgItem(dialog, controlId);
    if (!control)
        return false;
    if (SendMessageTimeoutA(control, message, wParam, lParam, SMTO_ABORTIFHUNG, Scaled(kAnswerMs),
                            result))
        return true;
    if (!IsWindow(control))
        return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(control, &processId);
    char title[256] = "";
    GetWindowTextA(dialog, title, sizeof title);
    fprintf(stderr,
            "%s (process %lu) hung: \"%s\" did not answer %s to control %d within %lu s; "
            "ending it\n",
            ProcessName(processId).c_str(), processId, title, messageName, controlId,
            Scaled(kAnswerMs) / 1000);
    EndProcessById(processId);
    return false;
}

struct WindowSearch {
    DWORD processId;
    const char* title;
    const char* windowClass;
    bool (*accept)(HWND window);
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    char text[512] = "";
    if (search->title) {
        GetWindowTextA(window, text, sizeof text);
        if (strcmp(text, search->title) != 0)
            return TRUE;
    }
    if (search->windowClass) {
        GetClassNameA(window, text, sizeof text);
        if (strcmp(text, search->windowClass) != 0)
            return TRUE;
    }
    if (search->accept && !search->accept(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

// A message box is a dialog whose text is the static control 0xFFFF and
// which, unlike the install dialog and the chooser, has no edit field.
bool IsMessageBox(HWND dialog)
{
    return GetDlgItem(dialog, 0xFFFF) && !FindWindowExA(dialog, NULL, "Edit", NULL);
}

ShownMessage ReadAndAnswer(HWND box, int button = IDOK)
{
    ShownMessage shown;
    char caption[512] = "";
    GetWindowTextA(box, caption, sizeof caption);
    shown.caption = caption;
    shown.text = ControlText(box, 0xFFFF);
    PostMessageA(box, WM_COMMAND, button, 0);
    // Let the box go before looking for the next one.
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i)
        Sleep(25);
    return shown;
}

}  // namespace

HWND FindMessageBox(DWORD processId)
{
    WindowSearch search = {processId, NULL, "#32770", IsMessageBox, NULL};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD Scaled(DWORD ms)
{
    char scale[16] = "";
    GetEnvironmentVariableA("VELQUOR_WAIT_SCALE", scale, sizeof scale);
    const DWORD factor = strtoul(scale, NULL, 10);
    return factor > 1 ? ms * factor : ms;
}

HWND FindProcessWindow(DWORD processId, const char* title, const char* windowClass)
{
    WindowSearch search = {processId, title, windowClass, NULL, NULL};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForProcessWindow(DWORD processId, const char* title, const char* windowClass,
                          DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    do {
        if (HWND window = FindProcessWindow(processId, title, windowClass))
            return window;
        Sleep(50);
    } while (GetTickCount() - start < Scaled(timeoutMs));
    return NULL;
}

std::vector<RunProcess> StartedProcesses(const SetupRun& run)
{
    // Found by their parents' ids: the setup's stays its own while the run
    // holds its handle, a started program's while it runs.
    const std::vector<PROCESSENTRY32> processes = Processes();
    std::vector<DWORD> parents = {run.Id()};
    std::vector<RunProcess> started;
    for (size_t i = 0; i < parents.size(); ++i) {
        for (const PROCESSENTRY32& entry : processes) {
            const DWORD id = entry.th32ProcessID;
            if (entry.th32ParentProcessID != parents[i] ||
                std::find(parents.begin(), parents.end(), id) != parents.end())
                continue;
            parents.push_back(id);
            started.push_back({id, entry.szExeFile});
        }
    }
    return started;
}

std::vector<RunProcess> EndRun(SetupRun& run)
{
    std::vector<RunProcess> ended;
    if (!run.process.hProcess)
        return ended;
    // The setup first, so that it starts nothing more.
    const std::string setupName = ProcessName(run.Id());
    if (EndProcess(run.process.hProcess))
        ended.push_back({run.Id(), setupName});
    for (const RunProcess& started : StartedProcesses(run))
        if (EndProcessById(started.id))
            ended.push_back(started);
    return ended;
}

std::string ControlText(HWND dialog, int controlId)
{
    char text[4096] = "";
    DWORD_PTR length = 0;
    SendToControl(dialog, controlId, WM_GETTEXT, "WM_GETTEXT", sizeof text,
                  reinterpret_cast<LPARAM>(text), &length);
    return text;
}

std::string StaticText(HWND dialog, int controlId)
{
    char text[4096] = "";
    GetWindowTextA(GetDlgItem(dialog, controlId), text, sizeof text);
    return text;
}

void SetControlText(HWND dialog, int controlId, const std::string& text)
{
    DWORD_PTR done = 0;
    SendToControl(dialog, controlId, WM_SETTEXT, "WM_SETTEXT", 0,
                  reinterpret_cast<LPARAM>(text.c_str()), &done);
}

LRESULT ButtonState(HWND dialog, int controlId)
{
    DWORD_PTR state = 0;
    if (!SendToControl(dialog, controlId, BM_GETCHECK, "BM_GETCHECK", 0, 0, &state))
        return -1;
    return static_cast<LRESULT>(state);
}

void ClickButton(HWND dialog, int controlId)
{
    PostMessageA(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

namespace {

// A dialog of the run; null at once when the run has ended, since an
// emulated run gets longer time-outs.
HWND WaitForRunDialog(const SetupRun& run, const char* title, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    do {
        if (HWND window = FindProcessWindow(run.Id(), title, "#32770"))
            return window;
        Sleep(50);
    } while (IsRunning(run) && GetTickCount() - start < Scaled(timeoutMs));
    return NULL;
}

}  // namespace

HWND WaitForInstallDialog(const SetupRun& run, DWORD timeoutMs)
{
    return WaitForRunDialog(run, "Velquor Install Dialog", timeoutMs);
}

HWND WaitForChooser(const SetupRun& run, DWORD timeoutMs)
{
    return WaitForRunDialog(run, "Save As", timeoutMs);
}

// Wine shows the Explorer-style dialog, whose file-name field takes a full
// path: the dummy name in the chosen folder.
void ChooseFolder(HWND chooser, const std::string& folder)
{
    SetControlText(chooser, 1152, folder + "\\zarn.ini");
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
}

void CancelChooser(HWND chooser)
{
    PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
}

bool AnswerMessageBox(const SetupRun& run, ShownMessage* shown, DWORD timeoutMs, int button)
{
    const DWORD start = GetTickCount();
    do {
        if (HWND box = FindMessageBox(run.Id())) {
            *shown = ReadAndAnswer(box, button);
            return true;
        }
        Sleep(50);
    } while (IsRunning(run) && GetTickCount() - start < Scaled(timeoutMs));
    return false;
}

DWORD WaitForExit(SetupRun& run, std::vector<ShownMessage>* shown, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (IsRunning(run) && GetTickCount() - start < Scaled(timeoutMs)) {
        if (HWND box = FindMessageBox(run.Id()))
            shown->push_back(ReadAndAnswer(box));
        Sleep(50);
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(run.process.hProcess, &code);
    return code;
}

StubStart ReadStubStart(const std::string& stubLog)
{
    StubStart stub;
    std::ifstream lines(stubLog, std::ios::binary);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string key = line.substr(0, line.find('='));
        const std::string value = line.substr(line.find('=') + 1);
        if (key == "pid")
            stub.processId = strtoul(value.c_str(), NULL, 10);
        else if (key == "cwd")
            stub.folder = value;
        else if (key == "cmdline")
            stub.commandLine = value;
    }
    stub.started = stub.processId != 0;
    return stub;
}

void CloseStub(const StubStart& stub)
{
    if (!stub.started)
        return;
    if (HWND window = WaitForProcessWindow(stub.processId, "Velquor", NULL, 5000))
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, stub.processId)) {
        if (WaitForSingleObject(process, 5000) == WAIT_TIMEOUT)
            TerminateProcess(process, 1);
        CloseHandle(process);
    }
}
