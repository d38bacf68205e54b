// Installs the sample medium (scripts/make_medium.py) with the 32-bit
// setup.exe, as a user who opens the folder chooser, cancels it, types a name
// and installs to the default folder; then checks what the installation left:
// the copied files, VelQ.ini, the shortcuts and the started program. A
// 64-bit program, it runs natively beside the setup even where the setup is
// emulated. Prints a line per check and "N passed, M failed"; exits nonzero
// on any failure.
//   install_scenario SETUP_EXE MEDIUM STUB_LOG
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/driver/setup_driver.h"

// How long each step may take. The driver stretches it where the setup is
// emulated (VELQUOR_WAIT_SCALE).
constexpr DWORD kStepMs = 15000;

static const char kName[] = "Sample User";
static const char kOwner[] = "Velquor Tester";
static const char kTarget[] = "C:\\Velq";
static const char kSettings[] = "C:\\windows\\VelQ.ini";
static const char kDescription[] = "Velquor - for all your FCC Exams";

// What installing the sample medium gives: the listed folders in their own
// spelling with their plain files only, the listed files lower-cased, and
// the uninstaller with its record.
static const char* const kInstalled[] = {
    "dibs\\",
    "dibs\\dib001.dib",
    "dibs\\dib002.dib",
    "exams\\",
    "exams\\element1.dat",
    "exams\\element3.dat",
    "exams\\element8.dat",
    "exercise\\",
    "exercise\\drill.dat",
    "Figures\\",
    "Figures\\fig1.bmp",
    "Figures\\fig2.bmp",
    "flags\\",
    "flags\\ca.bmp",
    "flags\\us.bmp",
    "btnbtnvb.vbx",
    "fadervb.vbx",
    "framevb.vbx",
    "knobvb.vbx",
    "ledvb.vbx",
    "spinvb.vbx",
    "ss3d.vbx",
    "readme.txt",
    "velq.dll",
    "velq.exe",
    "velq.hlp",
    // The installation's own: the uninstaller, a copy of setup.exe, and its
    // record.
    "uninstall.dat",
    "uninstall.exe",
};

static int passed;
static int failed;

static bool Check(bool ok, const std::string& what, const std::string& detail = "")
{
    printf("%s: %s%s%s\n", ok ? "ok" : "FAIL", what.c_str(), ok ? "" : " -- ",
           ok ? "" : detail.c_str());
    fflush(stdout);
    ++(ok ? passed : failed);
    return ok;
}

static bool CheckEqual(const std::string& got, const std::string& expected, const std::string& what)
{
    return Check(got == expected, what, "got \"" + got + "\", expected \"" + expected + "\"");
}

static std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

// Every entry below folder, as paths relative to it; folders end with "\".
static void ListTree(const std::string& folder, const std::string& prefix,
                     std::vector<std::string>* names)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            names->push_back(prefix + name + "\\");
            ListTree(folder + "\\" + name, prefix + name + "\\", names);
        } else {
            names->push_back(prefix + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

static std::string ReadAll(const std::string& path)
{
    std::string content;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "<unreadable>";
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got > 0)
        content.append(chunk, got);
    CloseHandle(file);
    return content;
}

static std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

static void CheckInstalledFiles(const std::string& medium, const std::string& setupExe)
{
    std::vector<std::string> names;
    ListTree(kTarget, "", &names);
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected(std::begin(kInstalled), std::end(kInstalled));
    std::sort(expected.begin(), expected.end());
    if (!CheckEqual(Joined(names), Joined(expected), "C:\\Velq holds the selection"))
        return;
    int same = 0;
    int files = 0;
    for (const std::string& name : names) {
        if (name.back() == '\\')
            continue;
        if (name == "uninstall.dat")
            continue;
        ++files;
        // The medium's names differ in case only; Windows finds them all the same.
        const std::string source = name == "uninstall.exe" ? setupExe : medium + "\\" + name;
        same += ReadAll(std::string(kTarget) + "\\" + name) == ReadAll(source);
    }
    Check(same == files, "every installed file equals its medium file, uninstall.exe setup.exe",
          std::to_string(files - same) + " differ");
}

static std::string OwnerValue(const char* key)
{
    char value[1024];
    GetPrivateProfileStringA("Owner", key, "<missing>", value, sizeof value, kSettings);
    return value;
}

static void CheckOwnerRecord()
{
    CheckEqual(OwnerValue("USER NAME"), kName, "VelQ.ini USER NAME");
    CheckEqual(OwnerValue("DEFAULT NAME"), kOwner, "VelQ.ini DEFAULT NAME");
    CheckEqual(OwnerValue("Dir"), "C:\\Velq\\", "VelQ.ini Dir");
}

struct Shortcut {
    bool loaded = false;
    std::string target, folder, description;
};

static Shortcut ReadShortcut(const std::string& path)
{
    Shortcut shortcut;
    IShellLinkA* link = NULL;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return shortcut;
    IPersistFile* file = NULL;
    WCHAR widePath[MAX_PATH];
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) &&
            SUCCEEDED(file->Load(widePath, STGM_READ))) {
            char text[1024] = "";
            link->GetPath(text, sizeof text, NULL, SLGP_RAWPATH);
            shortcut.target = text;
            link->GetWorkingDirectory(text, sizeof text);
            shortcut.folder = text;
            link->GetDescription(text, sizeof text);
            shortcut.description = text;
            shortcut.loaded = true;
        }
        file->Release();
    }
    link->Release();
    return shortcut;
}

// The test prefix points the desktop and the Start Menu at these folders;
// the Start Menu box is left ticked, so all three shortcuts are made.
static void CheckShortcuts()
{
    const char* const links[] = {"C:\\velq-shell\\Desktop\\Velquor.lnk",
                                 "C:\\velq-shell\\Start Menu\\Programs\\Velquor.lnk",
                                 "C:\\velq-shell\\Start Menu\\Velquor.lnk"};
    for (const char* path : links) {
        const Shortcut shortcut = ReadShortcut(path);
        if (!Check(shortcut.loaded, std::string("shortcut ") + path, "missing or unreadable"))
            continue;
        CheckEqual(Lower(shortcut.target), "c:\\velq\\velq.exe", "  its target");
        CheckEqual(shortcut.folder, "C:\\Velq\\", "  its working folder");
        CheckEqual(shortcut.description, kDescription, "  its description");
    }
}

// What the setup offers as the default owner name, in the 32-bit registry
// view that the 32-bit setup reads.
static bool SetRegisteredOwner()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, NULL,
                        0, KEY_SET_VALUE | KEY_WOW64_32KEY, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(key, "RegisteredOwner", 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(kOwner), sizeof kOwner);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Why the run cannot go on: it ended, or the step did not come in its time.
static std::string NotThere(const SetupRun& run)
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(run.process.hProcess, &code);
    if (code != STILL_ACTIVE)
        return "setup.exe ended with code " + std::to_string(code);
    return "not within " + std::to_string(Scaled(kStepMs) / 1000) + " s";
}

// The install dialog as it opens, the chooser (which needs the 32-bit
// OPENFILENAMEA), then Install with a name. False when the run cannot go on.
static bool AnswerSetup(const SetupRun& run)
{
    HWND dialog = WaitForInstallDialog(run, kStepMs);
    if (!Check(dialog != NULL, "the install dialog shows", NotThere(run)))
        return false;
    CheckEqual(ControlText(dialog, IDC_FOLDER), kTarget, "the folder field starts at C:\\Velq");
    Check(ControlText(dialog, IDC_README).find("Velquor - for all your FCC Exams") == 0,
          "the readme field shows the medium's readme.txt", ControlText(dialog, IDC_README));
    Check(ButtonState(dialog, IDC_START_MENU) == BST_CHECKED, "the Start Menu box starts ticked");

    ClickButton(dialog, IDC_BROWSE);
    HWND chooser = WaitForChooser(run, kStepMs);
    if (!Check(chooser != NULL, "\"...\" opens the folder chooser", NotThere(run)))
        return false;
    CancelChooser(chooser);
    CheckEqual(ControlText(dialog, IDC_FOLDER), kTarget, "cancelling the chooser keeps the folder");

    SetControlText(dialog, IDC_NAME, kName);
    ClickButton(dialog, IDOK);
    return true;
}

// The installed program's start, as it records it. Waited for only while it
// can still come: while the setup runs or a program it started does. One
// that records nothing in time is named as hung.
static StubStart WaitForProgram(const SetupRun& run, const std::string& stubLog)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const StubStart program = ReadStubStart(stubLog);
        const std::vector<RunProcess> started = StartedProcesses(run);
        if (program.started || (!IsRunning(run) && started.empty()))
            return program;
        if (GetTickCount() - start >= Scaled(kStepMs)) {
            for (const RunProcess& process : started)
                printf("%s (process %lu), started by the setup, hung: no start recorded within "
                       "%lu s\n",
                       process.name.c_str(), process.id, Scaled(kStepMs) / 1000);
            return program;
        }
        Sleep(500);
    }
}

static void InstallAndCheck(SetupRun& run, const std::string& setupExe, const std::string& medium,
                            const std::string& stubLog)
{
    const bool started = StartSetup(run, setupExe, medium, stubLog);
    if (!Check(started, "setup.exe starts", "error " + std::to_string(GetLastError())))
        return;
    if (!AnswerSetup(run))
        return;

    std::vector<ShownMessage> shown;
    const DWORD exitCode = WaitForExit(run, &shown, kStepMs);
    Check(exitCode == 0, "setup.exe ends with exit code 0",
          exitCode == STILL_ACTIVE ? NotThere(run) : "code " + std::to_string(exitCode));
    if (exitCode == STILL_ACTIVE) {
        // Hung; the program it started, if any, is waited for on its own.
        printf("ending setup.exe (process %lu)\n", run.Id());
        TerminateProcess(run.process.hProcess, 1);
    }
    for (const ShownMessage& message : shown)
        Check(false, "no message box", message.caption + ": " + message.text);

    const StubStart program = WaitForProgram(run, stubLog);
    if (Check(program.started, "the installed program starts", "it recorded no start")) {
        CheckEqual(Lower(program.folder), "c:\\velq", "  in the installation folder");
        Check(Lower(program.commandLine).find("velq.exe") != std::string::npos, "  as VelQ.exe",
              program.commandLine);
    }
    CheckInstalledFiles(medium, setupExe);
    CheckOwnerRecord();
    CheckShortcuts();
    CloseStub(program);
}

static void RunScenario(const std::string& setupExe, const std::string& medium,
                        const std::string& stubLog)
{
    DeleteFileA(stubLog.c_str());
    DeleteFileA(kSettings);
    if (!Check(SetRegisteredOwner(), "the prefix has a registered owner"))
        return;
    SetupRun run;
    InstallAndCheck(run, setupExe, medium, stubLog);
    // Whatever still runs would outlive the scenario and keep its output open.
    for (const RunProcess& process : EndRun(run))
        printf("ended %s (process %lu), still running at the end\n", process.name.c_str(),
               process.id);
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: install_scenario SETUP_EXE MEDIUM STUB_LOG\n");
        return 2;
    }
    CoInitialize(NULL);
    const DWORD start = GetTickCount();
    RunScenario(argv[1], argv[2], argv[3]);
    CoUninitialize();
    printf("scenario took %lu s\n", (GetTickCount() - start) / 1000);
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
