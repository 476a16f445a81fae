#pragma once

#include <functional>
#include <vector>

#include <wx/choice.h>
#include <wx/frame.h>

#include "app/menu_context.h"
#include "dialogs/gui_ui_host.h"
#include "driver/port_scan.h"

// The program's only main window: the COM and speed lists, "Exit" and the
// menu through which every operation is reached. A frame (a dialog cannot carry
// a menu bar) that is not resizable and looks like a dialog; closing it ends
// the program.
//
// Opening selects COM 1 and 9600 (the line of Context(), which every action uses)
// and reads the distributor switch, which alone enables "Записване на Фабрични
// Номера". Menu items run their route; items without one are greyed out.
// "Търсене" beside the port list looks for the printer on every port and
// speed (PortScanner, without prompts) and selects the port and speed found.
class MainDialog : public wxFrame {
 public:
  static constexpr int kPortList = 1437;
  static constexpr int kSpeedList = 1438;
  static constexpr int kSearchButton = 1439;

  // `routes` defaults to the program's; tests pass their own.
  explicit MainDialog(MenuRoutes routes);
  MainDialog();

  bool DistributorMode() const { return distributorMode_; }
  // The action context (tests replace the file dialog and the message box).
  MenuContext& Context() { return context_; }
  // The port and speed chosen in the lists.
  const PrinterLine& Line() const { return context_.line; }
  // Whether the menu offers item `id` (a command identifier) right now.
  bool IsItemEnabled(int id) const;
  // Runs item `id` as if it had been chosen (does nothing for a greyed item).
  void RunItem(int id);

  // What "Търсене" tries (tests narrow it); by default PortScanner::Candidates().
  void SetScanCandidates(std::function<std::vector<ScanCandidate>()> f) {
    scanCandidates_ = std::move(f);
  }
  // Runs "Търсене": scans, selects what was found and tells the user through
  // the context's message box. Returns the report.
  ScanReport Search();

 private:
  bool ItemAllowed(int id) const;
  void UpdateItems();
  void OnPortChosen(wxCommandEvent& event);
  void OnSpeedChosen(wxCommandEvent& event);
  void OnMenuItem(wxCommandEvent& event);
  void OnUpdateItem(wxUpdateUIEvent& event);
  void OnAbout(wxCommandEvent& event);
  // Selects COM `port` (1..8) and `baud` in the lists and the context's line.
  void Select(int port, int baud);

  MenuRoutes routes_;
  GuiUiHost host_;
  MenuContext context_;
  bool distributorMode_ = false;
  wxChoice* ports_ = nullptr;
  wxChoice* speeds_ = nullptr;
  std::function<std::vector<ScanCandidate>()> scanCandidates_;
};

// The entry of the speed list for `baud`; 0 (9600) for a speed it does not hold.
int IndexForBaudRate(int baud);

// The speed for an entry of the speed list: 19200, 38400, 57600, 115200 for
// entries 1 to 4, 9600 for entry 0 and anything else.
int BaudRateForIndex(int index);
