#pragma once

#include <windows.h>

// The address of a function of kernel32, or null where the system lacks it.
FARPROC KernelProcedure(const char* name);

// The same, typed: functions that older systems lack are looked up at run
// time so that the program still starts there.
template <typename Function>
Function KernelFunction(const char* name)
{
    // Through void (*)() so the compiler accepts the change of signature.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(KernelProcedure(name)));
}
