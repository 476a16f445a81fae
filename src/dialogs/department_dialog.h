#pragma once

#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/spinbutt.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>

#include "dialogs/article_fields.h"
#include "dialogs/printer_dialog.h"

// "Програмиране на департаменти": read and program one department (number,
// name, tax group) and show its turnover and, when the printer reports one,
// its quantity. Nothing is read when the dialog opens. A successful "Set" is
// followed by a "Get" of the same department.
//
// The dialog's own messages (no number, missing name) are stop-icon message
// boxes through the services. Every printer action
// opens its own FiscalPrinter on `line` with `ui` as host and closes it before
// the handler returns. "E&xit", Escape and the close box end the dialog with
// PrinterDialog::kResultDone.
class DepartmentDialog : public PrinterDialog {
 public:
  enum {
    kIdNumber = 1182,
    kIdSpin = 1423,
    kIdSet = 1455,
    kIdGet = 1456,
    kIdName = 1457,
    kIdTaxGroup = 1451,
    kIdTurnover = 1461,
    kIdQuantity = 1462,
    kIdQuantityLabel = 1463,
    kIdExit = 1464,
  };
  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog.
  DepartmentDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                   DialogServices services = {});

  wxTextCtrl* Number() const { return number_; }
  wxTextCtrl* Name() const { return name_; }
  wxChoice* TaxGroup() const { return taxGroup_; }
  wxTextCtrl* Turnover() const { return turnover_; }
  wxTextCtrl* Quantity() const { return quantity_; }
  wxStaticText* QuantityLabel() const { return quantityLabel_; }

 private:
  void OnGet(wxCommandEvent&);
  void OnSet(wxCommandEvent&);
  void ShowQuantity(bool shown);

  wxTextCtrl* number_ = nullptr;
  wxChoice* taxGroup_ = nullptr;
  wxTextCtrl* name_ = nullptr;
  wxTextCtrl* turnover_ = nullptr;
  wxTextCtrl* quantity_ = nullptr;
  wxStaticText* quantityLabel_ = nullptr;
};
