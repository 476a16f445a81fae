#pragma once

// The windows' UI host lives with the dialogs (which create drivers of their
// own); the application includes it from here as well.
#include "dialogs/gui_ui_host.h"
