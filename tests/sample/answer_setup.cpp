// Runs setup.exe on a medium and answers it as a user who keeps the default
// entries would, reporting every step on standard output. At each step worth
// a picture it prints "SNAP <name>" and waits for a line on standard input,
// so the calling script can take a screenshot first.
//   answer_setup SETUP_EXE MEDIUM STUB_LOG
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "tests/driver/setup_driver.h"

static void Snap(const char* name)
{
    Sleep(1000);  // lets the windows finish painting
    printf("SNAP %s\n", name);
    fflush(stdout);
    char answer[64];
    if (!fgets(answer, sizeof answer, stdin))
        Sleep(1000);
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: answer_setup SETUP_EXE MEDIUM STUB_LOG\n");
        return 2;
    }
    SetupRun run;
    if (!StartSetup(run, argv[1], argv[2], argv[3])) {
        printf("setup.exe did not start (error %lu)\n", GetLastError());
        return 1;
    }
    printf("setup.exe started in %s\n", argv[2]);

    HWND dialog = WaitForInstallDialog(run);
    if (!dialog) {
        printf("the install dialog did not show\n");
        return 1;
    }
    SetControlText(dialog, 1005, "Sample User");
    Snap("install-dialog");
    ClickButton(dialog, 1000);
    if (HWND chooser = WaitForChooser(run)) {
        Snap("folder-chooser");
        CancelChooser(chooser);
    }
    printf("installing for \"Sample User\" into %s\n", ControlText(dialog, 1001).c_str());
    ClickButton(dialog, IDOK);
    // The progress window, for a medium large enough to catch it.
    HWND progress = WaitForProcessWindow(run.Id(), "Velquor Setup", "#32770", 5000);
    if (progress && GetDlgItem(progress, 1012))
        Snap("progress-window");

    std::vector<ShownMessage> shown;
    const DWORD exitCode = WaitForExit(run, &shown, 60000);
    for (const ShownMessage& message : shown)
        printf("message box \"%s\": %s\n", message.caption.c_str(), message.text.c_str());
    if (exitCode == STILL_ACTIVE) {
        printf("setup.exe did not end within a minute\n");
        return 1;
    }
    printf("setup.exe ended with exit code %lu\n", exitCode);

    const StubStart program = ReadStubStart(argv[3]);
    if (!program.started) {
        printf("the installed program was not started\n");
        return 1;
    }
    printf("the installed program started in %s: %s\n", program.folder.c_str(),
           program.commandLine.c_str());
    if (WaitForProcessWindow(program.processId, "Velquor", NULL, 5000))
        Snap("installed-program");
    CloseStub(program);
    return exitCode == 0 && shown.empty() ? 0 : 1;
}
