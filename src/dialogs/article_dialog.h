#pragma once

#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/spinbutt.h>

#include <memory>

#include "dialogs/article_fields.h"
#include "dialogs/article_form_dialog.h"
#include "dialogs/controls/monospace_edit.h"
#include "dialogs/controls/numeric_edit.h"

// "Програмиране на Артикули": read and program one article (number 1..1000,
// name, price, tax group, department). The price field follows the printer's
// decimal mode, read when the dialog opens; a printer that cannot be read ends
// the dialog at once (ShowModal returns PrinterDialog::kResultNotOpened without
// showing it).
//
// Every printer action opens its own FiscalPrinter on `line` with `ui` as host
// and closes it before the handler returns. "Exit", Escape and the close box
// end the dialog with PrinterDialog::kResultDone.
class ArticleDialog : public ArticleFormDialog {
 public:
  enum {
    kIdNumber = 1182,
    kIdNumberSpin = 1418,
    kIdName = 1419,
    kIdSet = 1420,
    kIdPrice = 1421,
    kIdDepartment = 1422,
    kIdDepartmentSpin = 1423,
    kIdGet = 1425,
    kIdTaxGroup = 1451,
    kIdExit = 1452,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog.
  ArticleDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                DialogServices services = {});

  // Reads the printer's decimal mode and configures the price field; false
  // (and the dialog ended) when the printer cannot be read.
  bool Open();

  MonospaceEdit* Name() const { return name_; }
  NumericEdit* Price() const { return price_; }
  wxChoice* TaxGroup() const { return taxGroup_; }
  wxTextCtrl* Department() const { return department_; }
  const NumericFieldConfig& PriceConfig() const { return priceConfig_; }

 protected:
  bool ReadAtOpening() override { return Open(); }

 private:
  void OnGet(wxCommandEvent&);
  void OnSet(wxCommandEvent&);

  MonospaceEdit* name_ = nullptr;
  NumericEdit* price_ = nullptr;
  NumericFieldConfig priceConfig_;
  wxChoice* taxGroup_ = nullptr;
  wxTextCtrl* department_ = nullptr;
};
