#include "dialogs/payment_types_dialog.h"

#include "dialogs/layout.h"
#include "dialogs/ui_text.h"
#include "driver/text.h"

namespace {

using namespace layout;

}  // namespace

PaymentTypesDialog::PaymentTypesDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                       DialogServices services)
    : PrinterDialog(parent, FromUtf8("Програмиране на плащанията"), ui, line, std::move(services)) {
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
    wxButton* get = Button(this, r.getId, "Get");
    wxButton* set = Button(this, r.setId, "Set");
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
      rateRow->Add(Label(this, "Курс валута:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
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

  auto* top = new wxBoxSizer(wxVERTICAL);
  // Payment 0 is cash; its name cannot be changed.
  top->Add(Label(this, "Плащане 0      В БРОЙ"), 0, wxLEFT | wxRIGHT | wxTOP, kGap * 3);
  top->Add(grid, 0, wxEXPAND | wxALL, kGap * 3);
  top->Add(ButtonRow(this, {{payment_ids::kSelectAll, "Select All"},
                            {payment_ids::kUnselectAll, "Unselect All"},
                            {payment_ids::kGetSelected, "Get Selected"},
                            {payment_ids::kSetSelected, "Set Selected"},
                            {wxID_OK, "Exit"}}),
           0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(wxID_OK))) {
    exit->SetDefault();
    exit->SetFocus();
  }
  SetExitButton(wxID_OK, kResultDone);

  for (int id : {payment_ids::kSelectAll, payment_ids::kUnselectAll, payment_ids::kGetSelected,
                 payment_ids::kSetSelected})
    Bind(
        wxEVT_BUTTON, [this, id](wxCommandEvent&) { OnButton(id); }, id);
  for (const PaymentRow& r : kPaymentRows)
    for (int id : {r.getId, r.setId})
      Bind(
          wxEVT_BUTTON, [this, id](wxCommandEvent&) { OnButton(id); }, id);

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
  auto printer = OpenPrinter();
  if (printer->IsConnected()) RunPaymentButton(*printer, *this, id);
}

std::optional<std::string> PaymentTypesDialog::Name(int payment) {
  return PrinterText(names_[Index(payment)], Sprintf("Плащане %d", payment));
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
  ShowMessage(FromUtf8(kRateRefusedText), FromUtf8("Грешка"), wxOK | wxICON_STOP);
}
