#pragma once

#include <wx/checkbox.h>
#include <wx/textctrl.h>

#include <array>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/payment_rows.h"
#include "dialogs/printer_dialog.h"

// "Програмиране на плащанията": reads and programs the names of payment types
// 1 to 4 and the exchange rate of payment 4 (the foreign currency), row by row
// or for the ticked rows. Editing a row, or a Get writing into it, ticks it.
//
// Nothing is read when the dialog opens. Every printer button opens its own
// FiscalPrinter, reads the payment names first (nothing else happens when that
// fails) and closes the printer before returning. "Get Selected" and "Set
// Selected" with no row ticked do nothing. A rate that is no number is not
// sent; the services' message box says so. "Exit", Escape and the close box
// end the dialog with kResultDone.
class PaymentTypesDialog : public PrinterDialog, private PaymentForm {
 public:
  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  PaymentTypesDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                     DialogServices services = {});

  wxCheckBox* Tick(int payment) const { return ticks_[Index(payment)]; }
  wxTextCtrl* NameField(int payment) const { return names_[Index(payment)]; }
  NumericEdit* RateField() const { return rate_; }

 private:
  static size_t Index(int payment) { return static_cast<size_t>(payment - 1); }
  void OnButton(int id);
  void TickAll(bool on);

  // PaymentForm
  std::optional<std::string> Name(int payment) override;
  void SetName(int payment, const std::string& name) override;
  double Rate() override;
  void SetRateText(const std::string& text) override;
  bool Ticked(int payment) override;
  void RateRefused() override;

  std::array<wxCheckBox*, 4> ticks_{};
  std::array<wxTextCtrl*, 4> names_{};
  NumericEdit* rate_ = nullptr;
};
