// The smallest program that shows a modal dialog from its resources, as
// setup.exe does: the start-up of setup.exe is measured against it. Built a
// second time with IMPORT_LIKE_SETUP, it also loads the DLLs that setup.exe
// imports, which tells their share of the start-up apart.
#include <windows.h>

#ifdef IMPORT_LIKE_SETUP
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

// Referenced, never called: the loader maps these DLLs (and theirs) at start.
using AnyFunction = void (*)();
static AnyFunction const volatile kSetupImports[] = {
    reinterpret_cast<AnyFunction>(&GetSaveFileNameA),
    reinterpret_cast<AnyFunction>(&ShellExecuteA),
    reinterpret_cast<AnyFunction>(&CoInitialize),
    reinterpret_cast<AnyFunction>(&RegOpenKeyExA),
};
static bool HasImports()
{
    return kSetupImports[0] != NULL;
}
#else
static bool HasImports()
{
    return true;
}
#endif

static INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL))
        EndDialog(dialog, 0);
    return message == WM_INITDIALOG;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (!HasImports())
        return 1;
    return static_cast<int>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(1), NULL, MinimalDialogProc, 0));
}
