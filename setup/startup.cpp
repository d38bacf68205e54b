// The process starts here instead of in the C runtime's start-up code, which
// would add 11 KB to setup.exe for things this program does not use: static
// constructors, thread-local data, argument vectors, floating-point set-up,
// exit handlers. Nor does it use the C runtime itself (setup/c_runtime.cpp).
// The linker looks for this name as the entry point of a GUI program.
//
// Nothing in the program may rely on a constructor of a static object: none
// would run.
#include <windows.h>

// The command line after the program's name, as WinMain gets it.
static char* ArgumentsOf(char* commandLine)
{
    char* rest = commandLine;
    if (*rest == '"') {
        do
            ++rest;
        while (*rest && *rest != '"');
        if (*rest == '"')
            ++rest;
    } else {
        while (*rest && *rest != ' ' && *rest != '\t')
            ++rest;
    }
    while (*rest == ' ' || *rest == '\t')
        ++rest;
    return rest;
}

static int ShowCommand()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

// The 32-bit platform enters with the stack aligned to 4 bytes only; the
// compiler's code expects 16.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup()
{
    ExitProcess(static_cast<UINT>(
        WinMain(GetModuleHandleA(NULL), NULL, ArgumentsOf(GetCommandLineA()), ShowCommand())));
}
