#pragma once

#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <optional>

#include "dialogs/dialog_services.h"
#include "dialogs/receipt_actions.h"

// "Издаване на фактура": the client data of an invoice receipt. "Издаване"
// accepts (wxID_OK), "Отказ", Escape and the close box cancel (wxID_CANCEL).
// Each field is limited to the width the printer gives it. "Издаване" does not
// accept a field holding a character Windows-1251 has no byte for: a stop
// message (through `services`) names the field and the characters, and the
// dialog stays open with the caret in that field.
class InvoiceDataDialog : public wxDialog {
 public:
  enum {
    kIdRecipient = 1182,  // "Получател:", 26 characters
    kIdBuyer = 1183,      // "Купувач (МОЛ):", 16
    kIdIdNumber = 1129,   // "Идент. №:", 13
    kIdVatNumber = 1131,  // "№ по ЗДДС:", 13
    kIdAddress = 1130,    // "Адрес:", 30
  };

  explicit InvoiceDataDialog(wxWindow* parent, DialogServices services = {});

  // The five texts as Windows-1251 bytes.
  InvoiceData Data() const;

  wxTextCtrl* Field(int id) const;

  // Runs the dialog modally: the data on "Издаване", nothing on cancel.
  static std::optional<InvoiceData> Ask(wxWindow* parent, const DialogServices& services = {});

 private:
  // Whether every field can go to the printer; tells the user when one cannot.
  bool Printable();

  DialogServices services_;
};
