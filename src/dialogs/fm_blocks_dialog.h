#pragma once

#include <wx/dialog.h>
#include <wx/spinbutt.h>

#include <functional>
#include <memory>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/fm_report_range.h"
#include "dialogs/printer_dialog.h"

// "Отчет на ФП по блокове": prints the short or the detailed fiscal-memory
// report for a range of block (report) numbers, and stays open for the next.
//
// Opening reads the number N of the last report in the fiscal memory and
// offers 1..N; without a connection, after a failed read, or with no report in
// the fiscal memory (after the message "Фискалният принтер няма фискални
// отчети") the dialog closes itself. Each report button opens its own
// FiscalPrinter on `port` with `ui` as host and closes it before returning;
// the range checks are the report command's own.
class FmBlocksDialog : public PrinterDialog {
 public:
  enum {
    kIdShort = 1121,
    kIdDetailed = 1122,
    kIdFrom = 1123,
    kIdFromSpin = 1124,
    kIdTo = 1125,
    kIdToSpin = 1126,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  FmBlocksDialog(wxWindow* parent, UiHost* ui, int port, DialogServices services = {});

  // Reads the range from the printer. On failure closes the dialog and
  // returns false.
  bool Preset();

  NumericEdit* From() const { return from_; }
  NumericEdit* To() const { return to_; }
  wxSpinButton* FromSpin() const { return fromSpin_; }
  wxSpinButton* ToSpin() const { return toSpin_; }

 protected:
  bool ReadAtOpening() override { return Preset(); }

 private:
  void Print(FmReportDetail detail);

  NumericEdit* from_ = nullptr;
  NumericEdit* to_ = nullptr;
  wxSpinButton* fromSpin_ = nullptr;
  wxSpinButton* toSpin_ = nullptr;
};
