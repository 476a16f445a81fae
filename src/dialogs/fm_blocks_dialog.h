#pragma once

#include <wx/spinbutt.h>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/fm_report_dialog.h"

// "Отчет на ФП по блокове": prints the short or the detailed fiscal-memory
// report for a range of block (report) numbers, and stays open for the next.
//
// Opening reads the number N of the last report in the fiscal memory and
// offers 1..N. Without a connection, after a failed read, or with no report in
// the fiscal memory (after the message "Фискалният принтер няма фискални
// отчети" in the services' message box) the dialog closes itself with
// kResultNotOpened. Each report button opens its own FiscalPrinter and closes
// it before returning; the range checks are the report command's own. "Exit",
// Escape and the close box end it with kResultDone.
class FmBlocksDialog : public FmReportDialog {
 public:
  enum {
    kIdShort = 1121,
    kIdDetailed = 1122,
    kIdFrom = 1123,
    kIdFromSpin = 1124,
    kIdTo = 1125,
    kIdToSpin = 1126,
    kIdExit = wxID_OK,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  FmBlocksDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                 DialogServices services = {});

  // Presets the range from the printer; on failure closes the dialog and
  // returns false.
  bool ReadAtOpening() override;

  NumericEdit* From() const { return from_; }
  NumericEdit* To() const { return to_; }
  wxSpinButton* FromSpin() const { return fromSpin_; }
  wxSpinButton* ToSpin() const { return toSpin_; }

 private:
  void Print(FmReportDetail detail) override;

  NumericEdit* from_ = nullptr;
  NumericEdit* to_ = nullptr;
  wxSpinButton* fromSpin_ = nullptr;
  wxSpinButton* toSpin_ = nullptr;
};
