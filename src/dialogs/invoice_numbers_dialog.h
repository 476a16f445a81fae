#pragma once

#include <wx/textctrl.h>

#include "dialogs/invoice_range_logic.h"
#include "dialogs/printer_dialog.h"

// "Номера на фактури": reads and programs the range of invoice numbers.
//
// "Начален номер:" and "Краен номер:" take up to ten digits (anything else
// typed or pasted is dropped); "Следваш номер:" is read-only. "Get" empties
// the three fields and fills them from the printer. "Set" with a number
// missing says "Моля въведете повече информация!" (services' message box,
// stop icon) and sends nothing; otherwise it programs the range and, when the
// printer took it, reads it back as "Get" does. Nothing is read when the dialog
// opens. Each button opens its own FiscalPrinter and closes it before
// returning. "Exit", Escape and the close box end the dialog with kResultDone.
class InvoiceNumbersDialog : public PrinterDialog, private InvoiceRangeForm {
 public:
  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  InvoiceNumbersDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                       DialogServices services = {});

  wxTextCtrl* FirstField() const { return first_; }
  wxTextCtrl* LastField() const { return last_; }
  wxTextCtrl* NextField() const { return next_; }

 private:
  void OnGet(wxCommandEvent&);
  void OnSet(wxCommandEvent&);

  // InvoiceRangeForm
  std::string First() override;
  std::string Last() override;
  void SetFirst(const std::string& text) override;
  void SetLast(const std::string& text) override;
  void SetNext(const std::string& text) override;
  void AskForMore() override;

  wxTextCtrl* first_ = nullptr;
  wxTextCtrl* last_ = nullptr;
  wxTextCtrl* next_ = nullptr;
};
