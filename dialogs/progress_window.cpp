#include "dialogs/progress_window.h"

#include <stddef.h>

#include "res/resource.h"
#include "setup/setup_state.h"

// Redrawn, and answering, at most this often: between files and pieces of
// a large file, but never for every one.
constexpr DWORD kProgressIntervalMs = 100;

// A classic dialog template in the install dialog's font: three static
// controls, the last one drawn as the bar. Its window text, the percentage,
// is what a reader of the window (or a test) sees of the bar.
#include <pshpack2.h>
struct ProgressItem {
    DLGITEMTEMPLATE Item;
    WORD ClassAtom[2];
    WORD Text;
    WORD CreationData;
    WORD Padding;  // the next item starts on a DWORD
};
struct ProgressTemplate {
    DLGTEMPLATE Dialog;
    WORD Menu;
    WORD WindowClass;
    WCHAR Title[14];
    WORD PointSize;
    WCHAR Font[14];
    ProgressItem Items[3];
};
#include <poppack.h>
static_assert(offsetof(ProgressTemplate, Items) % 4 == 0, "items start on a DWORD");
static_assert(sizeof(ProgressItem) % 4 == 0, "items start on a DWORD");

constexpr WORD kStaticAtom = 0x0082;
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX;

alignas(4) static const ProgressTemplate kProgressTemplate = {
    {WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT | DS_CENTER, 0, 3, 0, 0, 200,
     46},
    0,
    0,
    L"Velquor Setup",
    10,
    L"Comic Sans MS",
    {
        {{kTextStyle | SS_PATHELLIPSIS, 0, 7, 7, 186, 9, IDC_PROGRESS_FOLDER},
         {0xFFFF, kStaticAtom},
         0,
         0,
         0},
        {{kTextStyle, 0, 7, 17, 186, 9, IDC_PROGRESS_FILE}, {0xFFFF, kStaticAtom}, 0, 0, 0},
        {{WS_CHILD | WS_VISIBLE | WS_BORDER | SS_OWNERDRAW, 0, 7, 30, 186, 10, IDC_PROGRESS_BAR},
         {0xFFFF, kStaticAtom},
         0,
         0,
         0},
    },
};

// The part of the bar that is done in the highlight colour, the rest in the
// window colour: the window manager's own calls, no drawing library.
static void DrawBar(const DRAWITEMSTRUCT& item)
{
    RECT done = item.rcItem;
    RECT rest = item.rcItem;
    done.right = rest.left = done.left + (done.right - done.left) * Setup.PercentCopied / 100;
    FillRect(item.hDC, &done, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
    FillRect(item.hDC, &rest, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

static INT_PTR CALLBACK ProgressProc(HWND, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_DRAWITEM)
        return FALSE;
    DrawBar(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
}

// Shows the file being copied, and the folder and the share of the bytes
// done where they changed: every text set is drawn at once, and drawing is
// most of what an update costs.
static void ShowFile(const char* folder, const char* name)
{
    HWND window = Setup.ProgressWindow;
    // In kilobytes, and in quarter megabytes beyond 16 GB, so that a
    // hundred times either fits 32 bits.
    DWORD done = static_cast<DWORD>(Setup.BytesCopied >> 10);
    DWORD total = static_cast<DWORD>(Setup.Selection.CopiedBytes >> 10);
    if (total > 0xFFFFFF) {
        done >>= 8;
        total >>= 8;
    }
    // More than the measure only where the medium changed meanwhile; less
    // than a kilobyte in all is done at once.
    const int percent = done >= total ? 100 : done * 100 / total;
    if (lstrcmpiA(folder, Setup.ShownFolder) != 0) {
        CopyPath(Setup.ShownFolder, folder);
        SetDlgItemTextA(window, IDC_PROGRESS_FOLDER, folder);
    }
    SetDlgItemTextA(window, IDC_PROGRESS_FILE, name);
    if (percent != Setup.PercentCopied) {
        char text[8];
        wsprintfA(text, "%d%%", percent);
        Setup.PercentCopied = percent;
        // The bar repaints with its text.
        SetDlgItemTextA(window, IDC_PROGRESS_BAR, text);
    }
}

// Shows the file, unless there is none, then lets the window repaint, be
// moved and answer while the copy runs on the one thread: only its own
// messages, so nothing else of the program runs meanwhile.
static void ShowProgress(const char* folder, const char* name)
{
    if (name)
        ShowFile(folder, name);
    MSG message;
    while (PeekMessageA(&message, Setup.ProgressWindow, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

// Told of every file, or piece of a large file, before it is copied, and of
// every step of clearing an earlier installation; shows it, its bytes
// counted, when the last update is long enough ago, so the window answers
// at least that often, and at the last file, so that the bar ends full.
static void NoteCopying(const char* folder, const char* name, ULONGLONG bytes)
{
    const DWORD now = GetTickCount();
    Setup.BytesCopied += bytes;
    if (now - Setup.ProgressShownAt >= kProgressIntervalMs ||
        (bytes && Setup.BytesCopied >= Setup.Selection.CopiedBytes)) {
        Setup.ProgressShownAt = now;
        ShowProgress(folder, name);
    }
}

void OpenProgressWindow(HWND owner)
{
    Setup.ProgressWindow = CreateDialogIndirectParamA(Setup.Instance, &kProgressTemplate.Dialog,
                                                      owner, ProgressProc, 0);
    if (!Setup.ProgressWindow)
        return;
    Setup.ProgressShownAt = GetTickCount();
    Setup.PercentCopied = -1;
    ShowProgress(Setup.TargetDir, "");
    Setup.CopyingFile = NoteCopying;
}

void CloseProgressWindow()
{
    Setup.CopyingFile = NULL;
    DestroyWindow(Setup.ProgressWindow);
}
