#pragma once

#include <windows.h>

// The address of a function of a DLL that the process has loaded already
// (kernel32, user32, advapi32: the program imports from them), or null
// where the system lacks it.
FARPROC LoadedProcedure(const char* module, const char* name);

// A procedure's address as the function it is.
template <typename Function>
Function FunctionOf(FARPROC procedure)
{
    // Through void (*)() so the compiler accepts the change of signature.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(procedure));
}

// The same, typed: functions that older systems lack are looked up at run
// time so that the program still starts there.
template <typename Function>
Function LoadedFunction(const char* module, const char* name)
{
    return FunctionOf<Function>(LoadedProcedure(module, name));
}

// Windows 95, 98 and Me: the high bit of the version marks them.
inline BOOL IsWindows9x()
{
    return (GetVersion() & 0x80000000) != 0;
}

template <typename Function>
Function KernelFunction(const char* name)
{
    return LoadedFunction<Function>("kernel32.dll", name);
}

// Windows 95 has no security at all, and NT 4.0 lacks most of what the
// program uses of it: every function of it is looked up.
template <typename Function>
Function SecurityFunction(const char* name)
{
    return LoadedFunction<Function>("advapi32.dll", name);
}
