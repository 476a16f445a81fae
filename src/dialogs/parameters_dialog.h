#pragma once

#include <wx/checkbox.h>

#include <array>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/parameters_logic.h"
#include "dialogs/printer_dialog.h"

// "Параметри": reads and programs the fiscal device number ("No.ФУ", 0..9999)
// and the six print options (logo, drawer, automatic cutter, transparent
// display, short electronic journal, currency printing).
//
// Opening reads the printer's record; without a connection or when the read
// fails the dialog closes itself with kResultNotOpened and shows nothing of
// its own. "Get" reads the record again, "Set" programs what the dialog shows;
// each opens its own FiscalPrinter and closes it before returning. A failed
// command leaves the controls as they were. "Exit", Escape and the close box
// end the dialog with kResultDone.
class ParametersDialog : public PrinterDialog, private ParametersForm {
 public:
  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  ParametersDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                   DialogServices services = {});

  bool ReadAtOpening() override;

  NumericEdit* DeviceNumber() const { return number_; }
  wxCheckBox* Tick(size_t i) const { return ticks_[i]; }

 private:
  void OnButton(int id);

  // ParametersForm
  void Show(const PrintParameters& params) override;
  std::optional<PrintParameters> Entered() override;

  NumericEdit* number_ = nullptr;
  std::array<wxCheckBox*, kParameterTicks.size()> ticks_{};
};
