#include "dialogs/service_sums_dialog.h"

#include "dialogs/controls/numeric_rule.h"
#include "dialogs/field_spin.h"
#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

using namespace layout;

constexpr const char* kOperatorCaption = "Номер на оператор";
constexpr const char* kAmountCaption = "Сума:";
// The amount field as a message names it.
constexpr const char* kAmountName = "Сума";
// Room for the digits and the field's frame.
constexpr int kOperatorChars = 3;
constexpr int kAmountChars = 12;
constexpr int kCashPayment = 0;

}  // namespace

ServiceSumsDialog::ServiceSumsDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                     DialogServices services)
    : PrinterDialog(parent, FromUtf8("Във./Изв.на Служебни суми"), ui, line, std::move(services)) {
  operator_ = new NumericEdit(this, service_sum_ids::kOperator, wxDefaultPosition, wxDefaultSize,
                              wxTE_RIGHT);
  operator_->SetMinSize(wxSize(GetCharWidth() * kOperatorChars + 16, -1));
  operatorSpin_ = new wxSpinButton(this, service_sum_ids::kOperatorSpin, wxDefaultPosition,
                                   wxDefaultSize, wxSP_VERTICAL);
  amount_ =
      new NumericEdit(this, service_sum_ids::kAmount, wxDefaultPosition, wxDefaultSize, wxTE_RIGHT);
  amount_->SetMinSize(wxSize(GetCharWidth() * kAmountChars + 16, -1));
  paymentType_ =
      Choice(this, service_sum_ids::kPaymentType, {"0", "1", "2", "3", "4"}, kCashPayment);

  wxFlexGridSizer* grid = Grid(2);
  LabelledPair(grid, this, kOperatorCaption, Row({operator_, operatorSpin_}));
  LabelledPair(grid, this, kAmountCaption, amount_);
  LabelledPair(grid, this, "Вид плащане:", paymentType_);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxALL, kGap * 3);
  top->Add(ButtonRow(this, {{service_sum_ids::kDeposit, "Въвеждане"},
                            {service_sum_ids::kWithdrawal, "Извеждане"},
                            {wxID_OK, "Exit"}}),
           0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(wxID_OK))) exit->SetDefault();
  amount_->SetFocus();

  SetExitButton(wxID_OK, kResultDone);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { OnButton(ServiceSumKind::kDeposit); },
      service_sum_ids::kDeposit);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { OnButton(ServiceSumKind::kWithdrawal); },
      service_sum_ids::kWithdrawal);

  ConfigureNumber(operator_, ServiceOperatorConfig());
  operatorSpin_->SetRange(service_sums::kFirstOperator, service_sums::kLastOperator);
  operatorSpin_->SetValue(service_sums::kFirstOperator);
  TieSpinToField(operatorSpin_, operator_);
}

bool ServiceSumsDialog::ReadAtOpening() {
  StatusFlags flags{};
  auto printer = OpenPrinter();
  if (!printer->IsConnected() || !CallDone(printer->ReadStatus(flags), printer->LastOutcome())) {
    CloseItself();
    return false;
  }
  ConfigureNumber(amount_, ServiceAmountConfig(DecimalModeFromStatus(flags)));
  return true;
}

void ServiceSumsDialog::OnButton(ServiceSumKind kind) {
  auto printer = OpenPrinter();
  if (printer->IsConnected()) RunServiceSum(*printer, *this, kind);
}

void ServiceSumsDialog::RefuseField(NumericEdit* field, const char* name) {
  ShowMessage(FromUtf8(FieldValueMessage(name, field->Rule())), FromUtf8("Грешка"),
              wxOK | wxICON_STOP);
  field->SetFocus();
}

std::optional<int> ServiceSumsDialog::Operator() {
  const std::optional<int> number = operator_->IntegerReading();
  if (!number) RefuseField(operator_, kOperatorCaption);
  return number;
}

std::optional<double> ServiceSumsDialog::Amount() {
  const std::optional<double> amount = amount_->DecimalReading();
  if (!amount) RefuseField(amount_, kAmountName);
  return amount;
}

int ServiceSumsDialog::PaymentType() {
  return paymentType_->GetSelection();
}
