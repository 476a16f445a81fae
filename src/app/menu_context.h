#pragma once

#include <functional>
#include <map>

#include <wx/string.h>
#include <wx/window.h>

#include "link/settings.h"
#include "link/ui_host.h"

// What a menu action gets from the main window.
struct MenuContext {
  wxWindow* window = nullptr;  // the main window: owner of its prompts and boxes
  UiHost* ui = nullptr;        // the main window's UI host (drivers report through it)
  // The port and speed chosen in the main window's lists: every printer an
  // action opens, and every dialog it runs, uses this line.
  PrinterLine line;

  // The save dialog of "Във Файл": returns the chosen path, or "" when cancelled.
  std::function<wxString(wxWindow* owner)> chooseSaveFile;
  // The platform's message box with an OK button and no icon.
  std::function<void(wxWindow* owner, const wxString& text, const wxString& caption)> messageBox;
};

// One action per menu item. Items without an action are greyed out, so an item
// whose dialog does not exist yet cannot be chosen.
using MenuAction = std::function<void(MenuContext&)>;
using MenuRoutes = std::map<int, MenuAction>;
