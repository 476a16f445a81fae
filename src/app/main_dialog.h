#pragma once

#include <wx/choice.h>
#include <wx/frame.h>

#include "app/menu_context.h"
#include "dialogs/gui_ui_host.h"

// The program's only main window: the COM and speed lists, "Exit" and the
// menu through which every operation is reached. A frame (a dialog cannot carry
// a menu bar) that is not resizable and looks like a dialog; closing it ends
// the program.
//
// Opening selects COM 1 and 9600 (and sets CurrentPort/CurrentBaudRate to them)
// and reads the distributor switch, which alone enables "Записване на Фабрични
// Номера". Menu items run their route; items without one are greyed out.
class MainDialog : public wxFrame {
 public:
  static constexpr int kPortList = 1437;
  static constexpr int kSpeedList = 1438;

  // `routes` defaults to the program's; tests pass their own.
  explicit MainDialog(MenuRoutes routes);
  MainDialog();

  bool DistributorMode() const { return distributorMode_; }
  // The action context (tests replace the file dialog and the message box).
  MenuContext& Context() { return context_; }
  // Whether the menu offers item `id` (a command identifier) right now.
  bool IsItemEnabled(int id) const;
  // Runs item `id` as if it had been chosen (does nothing for a greyed item).
  void RunItem(int id);

 private:
  bool ItemAllowed(int id) const;
  void UpdateItems();
  void OnPortChosen(wxCommandEvent& event);
  void OnSpeedChosen(wxCommandEvent& event);
  void OnMenuItem(wxCommandEvent& event);
  void OnUpdateItem(wxUpdateUIEvent& event);
  void OnAbout(wxCommandEvent& event);

  MenuRoutes routes_;
  GuiUiHost host_;
  MenuContext context_;
  bool distributorMode_ = false;
  wxChoice* ports_ = nullptr;
  wxChoice* speeds_ = nullptr;
};

// The speed for an entry of the speed list: 19200, 38400, 57600, 115200 for
// entries 1 to 4, 9600 for entry 0 and anything else.
int BaudRateForIndex(int index);
