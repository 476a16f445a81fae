#pragma once

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/sizer.h>

#include <array>
#include <memory>

#include "dialogs/cliche_lines.h"
#include "dialogs/controls/color_label.h"
#include "dialogs/controls/monospace_edit.h"
#include "dialogs/printer_dialog.h"

class FiscalPrinter;

// "Програмиране на клише и други": the ten lines the printer keeps for its
// receipts (seven header lines, the advertisement line, the label before the
// tax number and the greeting). Each row is read ("Get") and written ("Set")
// alone, or all ticked rows at once; "Test" prints a service receipt that shows
// them. Nothing is read when the dialog opens.
//
// `width` is the printer's line width: kClicheNarrowWidth (38) or
// kClicheWideWidth (42); the wide layout only has wider fields. Every printer
// action opens its own FiscalPrinter on `line` with `ui` as host and closes it
// before the handler returns. "Exit", Escape and the close box end the dialog
// with PrinterDialog::kResultDone.
class ClicheDialog : public PrinterDialog {
 public:
  enum {
    kIdSelectAll = 1600,
    kIdUnselectAll,
    kIdGetSelected,
    kIdSetSelected,
    kIdTest,
    kIdExit,
    // Per row r (0..9, in dialog order): base + r.
    kIdTick = 1610,
    kIdEdit = 1620,
    kIdCounter = 1630,
    kIdAlignment = 1640,
    kIdGet = 1650,
    kIdSet = 1660,
  };
  static constexpr int kRows = 10;

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog.
  ClicheDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line, DialogServices services = {},
               int width = kClicheNarrowWidth);

  int LineWidth() const { return width_; }
  wxCheckBox* Tick(int row) const { return rows_[static_cast<size_t>(row)].tick; }
  MonospaceEdit* Edit(int row) const { return rows_[static_cast<size_t>(row)].edit; }
  ColorLabel* Counter(int row) const { return rows_[static_cast<size_t>(row)].counter; }
  wxChoice* Alignment(int row) const { return rows_[static_cast<size_t>(row)].alignment; }

 private:
  struct Row {
    wxCheckBox* tick = nullptr;
    MonospaceEdit* edit = nullptr;
    ColorLabel* counter = nullptr;
    wxChoice* alignment = nullptr;
  };

  void BuildRow(wxFlexGridSizer* grid, int r);
  // Re-creates row `r`'s field with `alignment`, keeping its text and limit.
  void Realign(int r, int alignment);
  void UpdateCounter(int r);
  void OnText(wxCommandEvent& event);
  void OnAlignment(wxCommandEvent& event);
  void OnRowButton(wxCommandEvent& event);
  void OnSelected(wxCommandEvent& event);
  void OnTest(wxCommandEvent&);
  void TickAll(bool on);
  // One row's read or write on an open printer; false when it failed.
  bool GetRow(FiscalPrinter& printer, int r);
  bool SetRow(FiscalPrinter& printer, int r);

  int width_;
  std::array<Row, kRows> rows_;
};

// The layout for the printer on `line`: header line 1 is read (prompts through
// `ui`) and its width decides (kClicheWideWidth or kClicheNarrowWidth); 0 when
// it cannot be read. The port is closed again before this returns.
int ClicheWidthFromPrinter(UiHost* ui, const PrinterLine& line,
                           const DialogServices& services = {});

// The menu's way in: opens the dialog modally in the layout the printer asks
// for, or nothing when header line 1 cannot be read.
void RunClicheDialogFromMenu(UiHost* ui, const PrinterLine& line,
                             const DialogServices& services = {});
