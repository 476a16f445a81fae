#pragma once

#include "app/menu_context.h"

// The "Инструменти" menu's backup, restore and CSV items (tools_id), each
// running its job on the main window's line with the main window as owner of its windows
// and its UI host for the driver's prompts. Adds them to `routes`.
void AddToolRoutes(MenuRoutes& routes);
