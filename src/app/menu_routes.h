#pragma once

#include "app/menu_context.h"

// The action of every menu item that has one (menu_routes.cpp). A new dialog
// joins the menu by adding its row there.
MenuRoutes StandardMenuRoutes();

// Connects the dialogs that the driver opens by itself (the date and time
// dialog) to the windows' UI host. Called once at start-up.
void RegisterDialogHooks();
