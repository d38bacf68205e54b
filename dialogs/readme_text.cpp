#include "dialogs/readme_text.h"

int LoadReadme()
{
    return 0;
}
