#include "setup/setup_state.h"

SetupState Setup;
