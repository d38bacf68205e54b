#pragma once

#include <windows.h>

// A function of kernel32 that older systems lack, looked up at run time so
// that the program still starts there; null where it is missing.
template <typename Function>
Function KernelFunction(const char* name)
{
    // Through void (*)() so the compiler accepts the change of signature.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}
