#include "dialogs/install_dialog.h"

// Until the dialog exists, Install is taken at once with the default folder.
INT_PTR RunInstallDialog(HWND)
{
    return 1;
}
