#include "dialogs/invoice_data_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <string>
#include <vector>

#include "dialogs/printer_text.h"
#include "dialogs/ui_text.h"
#include "driver/cp1251_missing.h"

namespace {

struct FieldDef {
  int id;
  const char* name;  // the caption on screen is the name and a colon
  int limit;
};
constexpr FieldDef kFields[] = {{InvoiceDataDialog::kIdRecipient, "Получател", 26},
                                {InvoiceDataDialog::kIdBuyer, "Купувач (МОЛ)", 16},
                                {InvoiceDataDialog::kIdIdNumber, "Идент. №", 13},
                                {InvoiceDataDialog::kIdVatNumber, "№ по ЗДДС", 13},
                                {InvoiceDataDialog::kIdAddress, "Адрес", 30}};

}  // namespace

InvoiceDataDialog::InvoiceDataDialog(wxWindow* parent, DialogServices services)
    : wxDialog(parent, wxID_ANY, FromUtf8("Издаване на фактура")), services_(std::move(services)) {
  auto* grid = new wxFlexGridSizer(2, 6, 8);
  grid->AddGrowableCol(1);
  const int charWidth = GetCharWidth();
  for (const FieldDef& d : kFields) {
    grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8(std::string(d.name) + ":")), 0,
              wxALIGN_CENTER_VERTICAL);
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
  Bind(
      wxEVT_BUTTON,
      [this](wxCommandEvent&) {
        if (Printable()) EndModal(wxID_OK);
      },
      wxID_OK);
}

bool InvoiceDataDialog::Printable() {
  for (const FieldDef& d : kFields) {
    wxTextCtrl* field = Field(d.id);
    const std::vector<std::string> missing = CharsWithoutCp1251(field->GetValue().utf8_string());
    if (missing.empty()) continue;
    services_.ShowMessage(this, FromUtf8(UnprintableMessage(d.name, missing)), FromUtf8("Грешка"),
                          wxOK | wxICON_STOP);
    field->SetFocus();
    return false;
  }
  return true;
}

wxTextCtrl* InvoiceDataDialog::Field(int id) const {
  return dynamic_cast<wxTextCtrl*>(FindWindow(id));
}

// Printable() has let every field through, so nothing is replaced here.
InvoiceData InvoiceDataDialog::Data() const {
  InvoiceData d;
  d.recipient = ToCp1251(Field(kIdRecipient)->GetValue());
  d.buyer = ToCp1251(Field(kIdBuyer)->GetValue());
  d.vatNumber = ToCp1251(Field(kIdVatNumber)->GetValue());
  d.idNumber = ToCp1251(Field(kIdIdNumber)->GetValue());
  d.address = ToCp1251(Field(kIdAddress)->GetValue());
  return d;
}

std::optional<InvoiceData> InvoiceDataDialog::Ask(wxWindow* parent,
                                                  const DialogServices& services) {
  InvoiceDataDialog dialog(parent, services);
  if (dialog.ShowModal() != wxID_OK) return std::nullopt;
  return dialog.Data();
}
