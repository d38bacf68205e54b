#include "dialogs/message_box.h"

#include "runtime/setup_log.h"
#include "setup/setup_state.h"

int ShowMessage(HWND owner, const char* text, const char* caption, UINT style)
{
    LogLine(kLogMessage, text);
    if (!Setup.Silent)
        return MessageBoxA(owner, text, caption, style);
    return (style & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
}
