#include "runtime/kernel_function.h"

FARPROC KernelProcedure(const char* name)
{
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
}
