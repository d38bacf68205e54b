#include "engine/shortcut_maker.h"

void MakeShortcuts()
{
}
