#include "dialogs/fiscalization_dialog.h"

#include <wx/button.h>

#include "dialogs/cliche_dialog.h"
#include "dialogs/date_time_dialog.h"
#include "dialogs/operators_dialog.h"
#include "dialogs/ui_text.h"

using fiscal::ZeroedReport;

FiscalizationDialog::FiscalizationDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                         DialogServices services)
    : PrinterDialog(parent, FromUtf8("Фискализация, Десетична точка и Данъчни ставки"), ui, line,
                    std::move(services)) {
  BuildControls();
  ShowDecimalChoice(fiscal::DecimalChoice::kFractional);
  for (int g = fiscal::kFirstSwitchable; g < fiscal::kGroups; ++g) {
    RateCheck(g)->SetValue(false);
    Rate(g)->Enable(false);
  }
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(kIdExit))) exit->SetDefault();
  SetExitButton(kIdExit, kResultDone);
  BindButtons();
}

void FiscalizationDialog::BindButtons() {
  const std::pair<int, void (FiscalizationDialog::*)()> buttons[] = {
      {kIdDecimalGet, &FiscalizationDialog::OnDecimalGet},
      {kIdDecimalSet, &FiscalizationDialog::OnDecimalSet},
      {kIdRatesGet, &FiscalizationDialog::OnRatesGet},
      {kIdRatesSet, &FiscalizationDialog::OnRatesSet},
      {kIdTaxNumberGet, &FiscalizationDialog::OnTaxNumberGet},
      {kIdTaxNumberSet, &FiscalizationDialog::OnTaxNumberSet},
      {kIdFiscalize, &FiscalizationDialog::OnFiscalize},
      {kIdFirstReceipt, &FiscalizationDialog::OnFirstReceipt},
      {kIdClicheProgram, &FiscalizationDialog::OnClicheProgram},
      {kIdClichePrint, &FiscalizationDialog::OnClichePrint},
      {kIdOperatorsProgram, &FiscalizationDialog::OnOperatorsProgram},
      {kIdOperatorsPrint, &FiscalizationDialog::OnOperatorsPrint},
      {kIdJournal, &FiscalizationDialog::OnJournal},
      {kIdDateGet, &FiscalizationDialog::OnDateGet},
      {kIdDateSet, &FiscalizationDialog::OnDateSet},
  };
  for (const auto& [id, handler] : buttons)
    Bind(
        wxEVT_BUTTON, [this, h = handler](wxCommandEvent&) { (this->*h)(); }, id);
  const std::pair<int, ZeroedReport> zeroes[] = {{kIdZeroDaily, ZeroedReport::kDaily},
                                                 {kIdZeroOperators, ZeroedReport::kOperators},
                                                 {kIdZeroArticles, ZeroedReport::kArticles}};
  for (const auto& [id, report] : zeroes)
    Bind(
        wxEVT_BUTTON, [this, r = report](wxCommandEvent&) { OnZero(r); }, id);
  for (int g = fiscal::kFirstSwitchable; g < fiscal::kGroups; ++g)
    Bind(
        wxEVT_CHECKBOX, [this, g](wxCommandEvent&) { OnRateCheck(g); }, kIdRateCheck + g);
}

bool FiscalizationDialog::ReadAtOpening() {
  fiscal::FiscalOpening opening;
  bool read = false;
  {
    auto printer = OpenPrinter();
    read = printer->IsConnected() && fiscal::ReadFiscalOpening(*printer, opening);
  }
  if (!read) {
    CloseItself();
    return false;
  }
  ShowDate(opening.time);
  if (opening.display) ShowDisplay(*opening.display);
  taxNumber_->ChangeValue(FromCp1251(opening.taxNumber));
  ShowRates(opening.rates);
  ShowDecimalChoice(fiscal::DecimalChoiceAtOpening(opening.decimalMode));
  return true;
}

std::optional<std::string> FiscalizationDialog::PasswordText() {
  return PrinterText(password_, "Парола");
}

void FiscalizationDialog::ShowDisplay(const fiscal::FiscalDisplay& display) {
  printerNumber_->SetLabel(FromUtf8(display.printerNumber));
  memoryNumber_->SetLabel(FromUtf8(display.memoryNumber));
  Mark(ZeroedReport::kDaily)->SetLabel(fiscal::MarkText(display.dailyNotZeroed));
  Mark(ZeroedReport::kOperators)->SetLabel(fiscal::MarkText(display.operatorNotZeroed));
  Mark(ZeroedReport::kArticles)->SetLabel(fiscal::MarkText(display.articleNotZeroed));
}

void FiscalizationDialog::Refresh(FiscalPrinter& printer) {
  fiscal::FiscalDisplay display;
  if (fiscal::ReadFiscalDisplay(printer, display)) ShowDisplay(display);
}

void FiscalizationDialog::ShowRates(const TaxRates& rates) {
  const auto controls = fiscal::RateControlsFromRead(rates);
  for (int g = 0; g < fiscal::kGroups; ++g) {
    const fiscal::RateControls& c = controls[static_cast<size_t>(g)];
    if (g >= fiscal::kGroupG) Rate(g)->Enable(c.fieldEnabled);
    if (c.value) Rate(g)->SetDecimalValue(*c.value);
    if (wxCheckBox* check = RateCheck(g)) {
      check->SetValue(c.checked);
      check->Enable(c.checkEnabled);
    }
  }
}

void FiscalizationDialog::ShowDecimalChoice(fiscal::DecimalChoice choice) {
  switch (choice) {
    case fiscal::DecimalChoice::kWhole:
      whole_->SetValue(true);
      break;
    case fiscal::DecimalChoice::kFractional:
      fractional_->SetValue(true);
      break;
    case fiscal::DecimalChoice::kNone:
      neither_->SetValue(true);
      break;
  }
}

void FiscalizationDialog::ShowDate(std::time_t time) {
  date_->SetLabel(FromUtf8(fiscal::PrinterDateText(time)));
}

void FiscalizationDialog::OnDecimalGet() {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  char mode = 0;
  if (!CallDone(printer->ReadDecimalPoint(mode), printer->LastOutcome())) return;
  ShowDecimalChoice(fiscal::DecimalChoiceAfterGet(mode));
  Refresh(*printer);
}

void FiscalizationDialog::OnDecimalSet() {
  const auto password = PasswordText();
  if (!password) return;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  const char mode = fiscal::DecimalModeToSet(fractional_->GetValue());
  if (printer->Done(printer->SetDecimalPoint(*password, mode))) Refresh(*printer);
}

void FiscalizationDialog::OnRatesGet() {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  TaxRates rates{};
  if (!CallDone(printer->ReadTaxRates(rates), printer->LastOutcome())) {
    CloseItself();
    return;
  }
  ShowRates(rates);
}

void FiscalizationDialog::OnRatesSet() {
  std::array<fiscal::RateEntry, fiscal::kGroups> entries{};
  for (int g = 0; g < fiscal::kGroups; ++g) {
    auto& e = entries[static_cast<size_t>(g)];
    e.value = Rate(g)->DecimalReading();
    e.checked = !RateCheck(g) || RateCheck(g)->GetValue();
  }
  const fiscal::RatesToSend toSend = fiscal::RatesFromEntries(entries);
  if (toSend.badGroup >= 0) {
    // A rate that is no number would make the printer's programming refuse
    // without a word; say which field it is instead.
    NumericEdit* field = Rate(toSend.badGroup);
    ShowMessage(FromUtf8(FieldValueMessage(fiscal::RateCaption(toSend.badGroup), field->Rule())),
                FromUtf8("Грешка"), wxOK | wxICON_STOP);
    field->SetFocus();
    return;
  }
  const auto password = PasswordText();
  if (!password) return;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (printer->Done(printer->SetTaxRates(*password, toSend.rates))) Refresh(*printer);
}

void FiscalizationDialog::OnRateCheck(int group) {
  Rate(group)->Enable(RateCheck(group)->GetValue());
}

void FiscalizationDialog::OnTaxNumberGet() {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  std::string number;
  if (!CallDone(printer->ReadTaxNumber(number), printer->LastOutcome())) return;
  taxNumber_->ChangeValue(FromCp1251(number));
  Refresh(*printer);
}

void FiscalizationDialog::OnTaxNumberSet() {
  const auto password = PasswordText();
  if (!password) return;
  const auto number = PrinterText(taxNumber_, "Ф. код");
  if (!number) return;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (!printer->Done(printer->SetTaxNumber(*password, *number)))
    taxNumber_->SetFocus();
  else
    Refresh(*printer);
}

void FiscalizationDialog::OnFiscalize() {
  const auto password = PasswordText();
  if (!password) return;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (printer->Done(printer->Fiscalize(*password))) Refresh(*printer);
}

void FiscalizationDialog::OnFirstReceipt() {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (fiscal::RunFirstReceipt(*printer) == fiscal::FirstReceiptEnd::kDone) Refresh(*printer);
}

void FiscalizationDialog::OnClicheProgram() {
  // The layout follows the printer's line width; when header line 1 cannot
  // be read the user has been told and nothing opens.
  const int width = ClicheWidthFromPrinter(Ui(), Line(), Services());
  if (width == 0) return;
  ClicheDialog dialog(this, Ui(), Line(), Services(), width);
  dialog.ShowModal();
}

void FiscalizationDialog::OnClichePrint() {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (printer->Done(printer->PrintEmptyServiceReceipt())) Refresh(*printer);
}

void FiscalizationDialog::OnOperatorsProgram() {
  {
    OperatorsDialog dialog(this, Ui(), Line(), Services());
    dialog.ShowModal();
  }
  auto printer = OpenPrinter();
  if (printer->IsConnected()) Refresh(*printer);
}

void FiscalizationDialog::OnOperatorsPrint() {
  auto printer = OpenPrinter();
  if (printer->IsConnected()) fiscal::PrintOperatorsInReceipt(*printer);
}

void FiscalizationDialog::OnZero(ZeroedReport report) {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (fiscal::ZeroReport(*printer, report)) Mark(report)->SetLabel(wxString());
}

void FiscalizationDialog::OnJournal() {
  auto printer = OpenPrinter();
  if (printer->IsConnected()) printer->PrintJournalReport();
}

void FiscalizationDialog::OnDateGet() {
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  std::time_t time = 0;
  if (CallDone(printer->ReadDateTime(time), printer->LastOutcome())) ShowDate(time);
}

void FiscalizationDialog::OnDateSet() {
  RunDateTimeDialog(this, Ui(), Line(), Services());
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  std::time_t time = 0;
  if (CallDone(printer->ReadDateTime(time), printer->LastOutcome())) ShowDate(time);
  Refresh(*printer);
}
