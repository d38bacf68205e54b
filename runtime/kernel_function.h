#pragma once

#include <windows.h>

// The address of a function of a system DLL that the program imports, and
// so has loaded (kernel32, advapi32, shell32), or null where the system
// lacks it.
FARPROC SystemProcedure(const char* module, const char* name);

// The same, typed: functions that older systems lack are looked up at run
// time so that the program still starts there.
template <typename Function>
Function SystemFunction(const char* module, const char* name)
{
    // Through void (*)() so the compiler accepts the change of signature.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(SystemProcedure(module, name)));
}

template <typename Function>
Function KernelFunction(const char* name)
{
    return SystemFunction<Function>("kernel32.dll", name);
}

// Windows 95 has no security at all, and NT 4.0 lacks most of what the
// program uses of it: every function of it is looked up.
template <typename Function>
Function SecurityFunction(const char* name)
{
    return SystemFunction<Function>("advapi32.dll", name);
}
