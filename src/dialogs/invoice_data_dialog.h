#pragma once

#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <optional>

#include "dialogs/receipt_actions.h"

// "Издаване на фактура": the client data of an invoice receipt. "Издаване"
// accepts (wxID_OK), "Отказ", Escape and the close box cancel (wxID_CANCEL).
// Each field is limited to the width the printer gives it.
class InvoiceDataDialog : public wxDialog {
 public:
  enum {
    kIdRecipient = 1182,  // "Получател:", 26 characters
    kIdBuyer = 1183,      // "Купувач (МОЛ):", 16
    kIdIdNumber = 1129,   // "Идент. №:", 13
    kIdVatNumber = 1131,  // "№ по ЗДДС:", 13
    kIdAddress = 1130,    // "Адрес:", 30
  };

  explicit InvoiceDataDialog(wxWindow* parent);

  // The five texts as Windows-1251 bytes.
  InvoiceData Data() const;

  wxTextCtrl* Field(int id) const;

  // Runs the dialog modally: the data on "Издаване", nothing on cancel.
  static std::optional<InvoiceData> Ask(wxWindow* parent);
};
