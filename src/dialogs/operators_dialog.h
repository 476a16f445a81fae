#pragma once

#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/sizer.h>

#include <array>
#include <memory>
#include <vector>

#include "dialogs/controls/color_label.h"
#include "dialogs/controls/monospace_edit.h"
#include "dialogs/operator_list.h"
#include "dialogs/printer_dialog.h"

class FiscalPrinter;

// "Програмиране на име и парола на оператор": the names and passwords of the
// printer's nine operators, one row each. A row is read ("Get") or written
// ("Set") alone, the ticked rows together, and the list is printed for the
// ticked rows or for all nine. Nothing is read when the dialog opens.
//
// Passwords are masked unless "Покажи паролите" is ticked. Every printer action
// opens its own FiscalPrinter on `line` with `ui` as host and closes it before
// the handler returns. "Exit", Escape and the close box end the dialog with
// PrinterDialog::kResultDone.
class OperatorsDialog : public PrinterDialog {
 public:
  enum {
    kIdSelectAll = 1246,
    kIdUnselectAll = 1247,
    kIdPrintSelected = 1248,
    kIdFirstGet = 1249,  // 1249..1257, operator 1..9
    kIdFirstSet = 1258,  // 1258..1266
    kIdGetSelected = 1267,
    kIdSetSelected = 1268,
    kIdPrintAll = 1269,
    kIdShowPasswords = 1270,
    kIdExit = 1271,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog.
  OperatorsDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                  DialogServices services = {});

  // Row controls of operator n (1..9) and their identifiers.
  static int TickId(int n);
  static int NameId(int n);
  static int PasswordId(int n);
  static int CounterId(int n);
  wxCheckBox* Tick(int n) const { return Row(n).tick; }
  MonospaceEdit* Name(int n) const { return Row(n).name; }
  MonospaceEdit* Password(int n) const { return Row(n).password; }
  ColorLabel* Counter(int n) const { return Row(n).counter; }

 private:
  struct RowControls {
    wxCheckBox* tick = nullptr;
    MonospaceEdit* name = nullptr;
    MonospaceEdit* password = nullptr;
    ColorLabel* counter = nullptr;
  };
  const RowControls& Row(int n) const { return rows_[static_cast<size_t>(n - 1)]; }
  RowControls& Row(int n) { return rows_[static_cast<size_t>(n - 1)]; }

  void BuildRow(wxFlexGridSizer* grid, int n);
  void OnNameChanged(wxCommandEvent& event);
  void OnShowPasswords(wxCommandEvent&);
  void OnButton(wxCommandEvent& event);
  // The ticked operators, 1..9 in order.
  std::vector<int> Ticked() const;
  void ShowRecord(const OperatorRecord& record);
  bool GetRow(FiscalPrinter& printer, int n);
  bool SetRow(FiscalPrinter& printer, int n);

  std::array<RowControls, kOperatorCount> rows_;
  wxCheckBox* showPasswords_ = nullptr;
};
