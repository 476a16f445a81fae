#pragma once

#include <wx/choice.h>
#include <wx/spinbutt.h>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/printer_dialog.h"
#include "dialogs/service_sums_logic.h"

// "Във./Изв.на Служебни суми": a service deposit ("Въвеждане") or withdrawal
// ("Извеждане") of an amount in payment type 0 to 4, booked to an operator
// 1..9 whose password is read from the printer (the user does not type it).
//
// Opening reads the printer's status to learn whether amounts carry two
// decimals (0.01..999999.99) or are whole numbers (1..99999999); without a
// connection or when that read fails the dialog closes itself with
// kResultNotOpened. A field holding no number within its range is named in
// the services' message box (stop icon) and nothing is sent. Each button
// opens its own FiscalPrinter and closes it before returning. "Exit", Escape
// and the close box end the dialog with kResultDone.
class ServiceSumsDialog : public PrinterDialog, private ServiceSumForm {
 public:
  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  ServiceSumsDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                    DialogServices services = {});

  bool ReadAtOpening() override;

  NumericEdit* OperatorField() const { return operator_; }
  wxSpinButton* OperatorSpin() const { return operatorSpin_; }
  NumericEdit* AmountField() const { return amount_; }
  wxChoice* PaymentTypeChoice() const { return paymentType_; }

 private:
  void OnButton(ServiceSumKind kind);
  // Shows the stop message naming the field, and puts the focus there.
  void RefuseField(NumericEdit* field, const char* name);

  // ServiceSumForm
  std::optional<int> Operator() override;
  std::optional<double> Amount() override;
  int PaymentType() override;

  NumericEdit* operator_ = nullptr;
  wxSpinButton* operatorSpin_ = nullptr;
  NumericEdit* amount_ = nullptr;
  wxChoice* paymentType_ = nullptr;
};
