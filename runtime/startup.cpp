// The process starts here instead of in the C runtime's start-up code, which
// would add 11 KB to setup.exe for things this program does not use: static
// constructors, thread-local data, argument vectors, floating-point set-up,
// exit handlers. Nor does it use the C runtime itself (runtime/c_runtime.cpp).
// The linker looks for this name as the entry point of a GUI program.
//
// Nothing in the program may rely on a constructor of a static object: none
// would run.
#include <windows.h>

// The 32-bit platform enters with the stack aligned to 4 bytes only; the
// compiler's code expects 16. Only the linker names this function, which
// the optimisation at the link must be told.
extern "C" __attribute__((force_align_arg_pointer, used)) void WinMainCRTStartup()
{
    // WinMain gets what follows the program's name, which comes first,
    // quoted when it holds blanks. Its host window is never shown.
    char* arguments = GetCommandLineA();
    if (*arguments == '"') {
        do
            ++arguments;
        while (*arguments && *arguments != '"');
        if (*arguments)
            ++arguments;
    } else {
        while (*arguments && *arguments != ' ' && *arguments != '\t')
            ++arguments;
    }
    ExitProcess(
        static_cast<UINT>(WinMain(GetModuleHandleA(NULL), NULL, arguments, SW_SHOWDEFAULT)));
}
