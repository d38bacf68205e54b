#pragma once

// Places Velquor.lnk on the desktop, in the Start Menu's Programs folder and,
// when chosen, at the top of the Start Menu.
void MakeShortcuts();
