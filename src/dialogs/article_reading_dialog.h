#pragma once

#include <wx/dialog.h>
#include <wx/spinbutt.h>

#include <memory>

#include "dialogs/article_fields.h"
#include "dialogs/article_form_dialog.h"
#include "dialogs/controls/color_label.h"
#include "dialogs/controls/monospace_edit.h"
#include "dialogs/controls/numeric_edit.h"

// "Четене на Артикули": one article with its sales counters, read from the
// printer. Only the number can be edited. The amount fields follow the
// printer's decimal mode, read when the dialog opens; a printer that cannot be
// read ends the dialog at once (ShowModal returns PrinterDialog::kResultNotOpened without
// showing it).
//
// "Get" opens its own FiscalPrinter on `line` with `ui` as host and closes it
// before it returns. "Exit", Escape and the close box end the dialog with
// PrinterDialog::kResultDone.
class ArticleReadingDialog : public ArticleFormDialog {
 public:
  enum {
    kIdGet = 1426,
    kIdName = 1427,
    kIdPrice = 1428,
    kIdTaxGroup = 1429,
    kIdQuantity = 1431,
    kIdTurnover = 1432,
    kIdReportNumber = 1433,
    kIdReportDate = 1434,
    kIdNumber = 1435,
    kIdNumberSpin = 1436,
    kIdExit = 1437,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog.
  ArticleReadingDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                       DialogServices services = {});

  // Reads the printer's decimal mode and configures the amount fields; false
  // (and the dialog ended) when the printer cannot be read.
  bool Open();

  MonospaceEdit* Name() const { return name_; }
  MonospaceEdit* TaxGroup() const { return taxGroup_; }
  NumericEdit* Price() const { return price_; }
  NumericEdit* Quantity() const { return quantity_; }
  NumericEdit* Turnover() const { return turnover_; }
  NumericEdit* ReportNumber() const { return reportNumber_; }
  ColorLabel* ReportDate() const { return reportDate_; }

 protected:
  bool ReadAtOpening() override { return Open(); }

 private:
  void OnGet(wxCommandEvent&);

  MonospaceEdit* name_ = nullptr;
  MonospaceEdit* taxGroup_ = nullptr;
  NumericEdit* price_ = nullptr;
  NumericEdit* quantity_ = nullptr;
  NumericEdit* turnover_ = nullptr;
  NumericEdit* reportNumber_ = nullptr;
  ColorLabel* reportDate_ = nullptr;
};
