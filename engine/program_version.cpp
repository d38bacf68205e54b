#include "engine/program_version.h"

#include "runtime/kernel_function.h"

using VersionSize = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using VersionInfo = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using VersionQuery = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

// The values of the resource in data, read with query.
static void ReadValues(void* data, VersionQuery query, char (&version)[kVersionChars],
                       char (&publisher)[kPathChars])
{
    VS_FIXEDFILEINFO* fixed;
    WORD* translation;
    char* company;
    UINT length;
    if (query(data, "\\", reinterpret_cast<void**>(&fixed), &length) && length >= sizeof *fixed)
        wsprintfA(version, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                  LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                  LOWORD(fixed->dwFileVersionLS));
    if (!query(data, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
               &length) ||
        length < 2 * sizeof(WORD))
        return;
    // Bounded by construction: two numbers of four digits in a fixed text.
    char name[48];
    wsprintfA(name, "\\StringFileInfo\\%04x%04x\\CompanyName", translation[0], translation[1]);
    if (query(data, name, reinterpret_cast<void**>(&company), &length) && length > 0 &&
        !CopyPath(publisher, company))
        publisher[0] = '\0';
}

void ReadProgramVersion(const char* program, char (&version)[kVersionChars],
                        char (&publisher)[kPathChars])
{
    version[0] = publisher[0] = '\0';
    // A DLL named version.dll beside the setup on the medium must never be
    // the one loaded: not a name, but the system folder's file.
    char library[kPathChars];
    auto systemFolder = KernelFunction<decltype(&GetSystemDirectoryA)>("GetSystemDirectoryA");
    auto load = KernelFunction<decltype(&LoadLibraryA)>("LoadLibraryA");
    auto unload = KernelFunction<decltype(&FreeLibrary)>("FreeLibrary");
    const UINT length = systemFolder ? systemFolder(library, kPathChars) : 0;
    HMODULE module = length && length < kPathChars && load && unload &&
                             JoinPath(library, library, "\\version.dll")
                         ? load(library)
                         : NULL;
    if (!module)
        return;
    auto size = FunctionOf<VersionSize>(GetProcAddress(module, "GetFileVersionInfoSizeA"));
    auto info = FunctionOf<VersionInfo>(GetProcAddress(module, "GetFileVersionInfoA"));
    auto query = FunctionOf<VersionQuery>(GetProcAddress(module, "VerQueryValueA"));
    DWORD ignored;
    const DWORD bytes = size && info && query ? size(program, &ignored) : 0;
    if (void* data = bytes ? GlobalAlloc(GMEM_FIXED, bytes) : NULL) {
        if (info(program, 0, bytes, data))
            ReadValues(data, query, version, publisher);
        GlobalFree(data);
    }
    unload(module);
}
