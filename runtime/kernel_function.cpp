#include "runtime/kernel_function.h"

FARPROC LoadedProcedure(const char* module, const char* name)
{
    return GetProcAddress(GetModuleHandleA(module), name);
}
