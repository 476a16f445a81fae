#include "dialogs/invoice_data_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "dialogs/ui_text.h"

InvoiceDataDialog::InvoiceDataDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, FromUtf8("Издаване на фактура")) {
  struct FieldDef {
    int id;
    const char* label;
    int limit;
  };
  const FieldDef fields[] = {{kIdRecipient, "Получател:", 26},
                             {kIdBuyer, "Купувач (МОЛ):", 16},
                             {kIdIdNumber, "Идент. №:", 13},
                             {kIdVatNumber, "№ по ЗДДС:", 13},
                             {kIdAddress, "Адрес:", 30}};
  auto* grid = new wxFlexGridSizer(2, 6, 8);
  grid->AddGrowableCol(1);
  const int charWidth = GetCharWidth();
  for (const FieldDef& d : fields) {
    grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8(d.label)), 0, wxALIGN_CENTER_VERTICAL);
    auto* edit = new wxTextCtrl(this, d.id, wxEmptyString, wxDefaultPosition,
                                wxSize(charWidth * (d.limit + 4), -1));
    edit->SetMaxLength(static_cast<unsigned long>(d.limit));
    grid->Add(edit, 1, wxEXPAND);
  }

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto* issue = new wxButton(this, wxID_OK, FromUtf8("Издаване"));
  issue->SetDefault();
  buttons->Add(issue, 0, wxRIGHT, 8);
  buttons->Add(new wxButton(this, wxID_CANCEL, FromUtf8("Отказ")));

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 1, wxEXPAND | wxALL, 12);
  top->Add(buttons, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, 12);
  SetSizerAndFit(top);
  CentreOnParent();
  FindWindow(kIdRecipient)->SetFocus();
}

wxTextCtrl* InvoiceDataDialog::Field(int id) const {
  return dynamic_cast<wxTextCtrl*>(FindWindow(id));
}

InvoiceData InvoiceDataDialog::Data() const {
  InvoiceData d;
  d.recipient = ToCp1251(Field(kIdRecipient)->GetValue());
  d.buyer = ToCp1251(Field(kIdBuyer)->GetValue());
  d.vatNumber = ToCp1251(Field(kIdVatNumber)->GetValue());
  d.idNumber = ToCp1251(Field(kIdIdNumber)->GetValue());
  d.address = ToCp1251(Field(kIdAddress)->GetValue());
  return d;
}

std::optional<InvoiceData> InvoiceDataDialog::Ask(wxWindow* parent) {
  InvoiceDataDialog dialog(parent);
  if (dialog.ShowModal() != wxID_OK) return std::nullopt;
  return dialog.Data();
}
