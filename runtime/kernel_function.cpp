#include "runtime/kernel_function.h"

FARPROC SystemProcedure(const char* module, const char* name)
{
    return GetProcAddress(GetModuleHandleA(module), name);
}
