#include "dialogs/payment_types_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "dialogs/ui_text.h"
#include "driver/text.h"

namespace {

constexpr int kGap = 4;

}  // namespace

PaymentTypesDialog::PaymentTypesDialog(wxWindow* parent, UiHost* ui, int port,
                                       DialogServices services)
    : PrinterDialog(parent, FromUtf8("Програмиране на плащанията"), ui, port, std::move(services)) {
  const int nameWidth = GetCharWidth() * (kPaymentNameLength + 4) + 16;
  // Columns: tick box, caption or name field, Get, Set.
  auto* grid = new wxFlexGridSizer(4, kGap, kGap * 2);
  grid->AddGrowableCol(1);
  for (const PaymentRow& r : kPaymentRows) {
    const size_t i = Index(r.payment);
    ticks_[i] = new wxCheckBox(this, r.tickId, FromUtf8(Sprintf("Плащане %d", r.payment)));
    names_[i] = new wxTextCtrl(this, r.nameId);
    names_[i]->SetMaxLength(kPaymentNameLength);
    names_[i]->SetMinSize(wxSize(nameWidth, -1));
    auto* get = new wxButton(this, r.getId, "Get");
    auto* set = new wxButton(this, r.setId, "Set");
    grid->Add(ticks_[i], 0, wxALIGN_CENTER_VERTICAL);
    if (r.payment != 4) {
      grid->Add(names_[i], 0, wxEXPAND);
      grid->Add(get, 0, wxALIGN_CENTER_VERTICAL);
      grid->Add(set, 0, wxALIGN_CENTER_VERTICAL);
    } else {
      // Payment 4: the name and, under it, the exchange rate; its Get and Set
      // belong to both.
      rate_ =
          new NumericEdit(this, payment_ids::kRate, wxDefaultPosition, wxDefaultSize, wxTE_RIGHT);
      auto* rateRow = new wxBoxSizer(wxHORIZONTAL);
      rateRow->Add(new wxStaticText(this, wxID_ANY, FromUtf8("Курс валута:")), 0,
                   wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
      rateRow->Add(rate_, 1);
      auto* column = new wxBoxSizer(wxVERTICAL);
      column->Add(names_[i], 0, wxEXPAND | wxBOTTOM, kGap);
      column->Add(rateRow, 0, wxEXPAND);
      grid->Add(column, 0, wxEXPAND);
      grid->Add(get, 0, wxEXPAND);
      grid->Add(set, 0, wxEXPAND);
    }
    Bind(
        wxEVT_TEXT, [this, i](wxCommandEvent&) { ticks_[i]->SetValue(true); }, r.nameId);
  }
  Bind(
      wxEVT_TEXT, [this](wxCommandEvent&) { ticks_[3]->SetValue(true); }, payment_ids::kRate);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  const std::pair<int, const char*> common[] = {{payment_ids::kSelectAll, "Select All"},
                                                {payment_ids::kUnselectAll, "Unselect All"},
                                                {payment_ids::kGetSelected, "Get Selected"},
                                                {payment_ids::kSetSelected, "Set Selected"}};
  for (const auto& [id, caption] : common)
    buttons->Add(new wxButton(this, id, caption), 0, wxRIGHT, kGap);
  auto* exitButton = new wxButton(this, wxID_OK, "Exit");
  exitButton->SetDefault();
  exitButton->SetFocus();
  buttons->Add(exitButton, 0, wxLEFT, kGap * 2);

  auto* top = new wxBoxSizer(wxVERTICAL);
  // Payment 0 is cash; its name cannot be changed.
  top->Add(new wxStaticText(this, wxID_ANY, FromUtf8("Плащане 0      В БРОЙ")), 0,
           wxLEFT | wxRIGHT | wxTOP, 12);
  top->Add(grid, 0, wxEXPAND | wxALL, 12);
  top->Add(buttons, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, 12);
  SetSizerAndFit(top);
  SetEscapeId(wxID_OK);
  CentreOnParent();

  Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) {
    if (e.GetId() == wxID_OK) {
      e.Skip();
      return;
    }
    OnButton(e.GetId());
  });

  rate_->ConfigureDecimal(0, kRateMaximum, kRateDecimals, kRateLength, 0);
  rate_->SetValue(kInitialRateText);
  // Showing the initial rate ticked payment 4; the dialog opens with no row ticked.
  TickAll(false);
}

void PaymentTypesDialog::TickAll(bool on) {
  for (wxCheckBox* tick : ticks_) tick->SetValue(on);
}

void PaymentTypesDialog::OnButton(int id) {
  if (id == payment_ids::kSelectAll || id == payment_ids::kUnselectAll) {
    TickAll(id == payment_ids::kSelectAll);
    return;
  }
  if (!PaymentButtonNeedsPrinter(id, *this)) return;
  const auto opened = OpenPrinter();
  FiscalPrinter& printer = *opened;
  if (printer.IsConnected()) RunPaymentButton(printer, *this, id);
}

std::string PaymentTypesDialog::Name(int payment) {
  return ToCp1251(names_[Index(payment)]->GetValue());
}

void PaymentTypesDialog::SetName(int payment, const std::string& name) {
  names_[Index(payment)]->SetValue(FromCp1251(name));
}

double PaymentTypesDialog::Rate() {
  return rate_->GetDecimalValue();
}

void PaymentTypesDialog::SetRateText(const std::string& text) {
  rate_->SetValue(FromCp1251(text));
}

bool PaymentTypesDialog::Ticked(int payment) {
  return ticks_[Index(payment)]->GetValue();
}

void PaymentTypesDialog::RateRefused() {
  ShowMessage(FromUtf8("Моля въведете валиден курс на валутата!"), FromUtf8("Грешка"),
              wxOK | wxICON_STOP);
}
