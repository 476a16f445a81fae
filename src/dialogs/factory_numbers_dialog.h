#pragma once

#include <wx/textctrl.h>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/factory_numbers.h"
#include "dialogs/printer_dialog.h"

// "Запис на Фабрични N": writes the factory numbers of the printer ("NV" and
// six digits) and of its fiscal memory ("50" and six digits) with their check
// digits. A printer takes them once in its life; the menu offers the dialog to
// distributors only. Nothing is read when the dialog opens.
//
// Both numbers must be typed as six digits; otherwise the dialog says so
// (factory_numbers::kSixDigitsText), puts the focus into the field and sends
// nothing. The service password is masked. "Запис" opens its own
// FiscalPrinter on `line` with `ui` as host and closes it before it returns;
// "Exit", Escape and the close box end the dialog with kResultDone.
class FactoryNumbersDialog : public PrinterDialog {
 public:
  enum {
    kIdPrinterNumber = 1182,
    kIdPassword = 1183,
    kIdWrite = 1439,
    kIdMemoryNumber = 1440,
    kIdCheckDigits = 1441,
    kIdExit = wxID_OK,
  };
  static constexpr int kPasswordLength = 6;

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog.
  FactoryNumbersDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                       DialogServices services = {});

  wxTextCtrl* Password() const { return password_; }
  NumericEdit* PrinterNumber() const { return printerNumber_; }
  NumericEdit* MemoryNumber() const { return memoryNumber_; }
  NumericEdit* CheckDigits() const { return checkDigits_; }

 private:
  void OnWrite(wxCommandEvent&);

  wxTextCtrl* password_ = nullptr;
  NumericEdit* printerNumber_ = nullptr;
  NumericEdit* memoryNumber_ = nullptr;
  NumericEdit* checkDigits_ = nullptr;
};
