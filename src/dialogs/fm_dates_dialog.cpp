#include "dialogs/fm_dates_dialog.h"

#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

using namespace layout;

wxDateTime Day(const ClockFields& f) {
  return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(f.day),
                    static_cast<wxDateTime::Month>(f.month - 1), f.year);
}

}  // namespace

FmDatesDialog::FmDatesDialog(wxWindow* parent, UiHost* ui, int port, DialogServices services)
    : PrinterDialog(parent, FromUtf8("Отчет на ФП по дати"), ui, port, std::move(services)) {
  const wxDateTime today = wxDateTime::Today();
  // Day first with the month in words, whatever the computer's locale.
  from_ = new LongDatePicker(this, kIdFrom, today);
  to_ = new LongDatePicker(this, kIdTo, today);
  from_->SetFieldName(FromUtf8("От"));
  to_->SetFieldName(FromUtf8("До"));

  wxFlexGridSizer* grid = Grid(2);
  grid->AddGrowableCol(1);
  LabelledPair(grid, this, "От", from_);
  LabelledPair(grid, this, "До", to_);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxEXPAND | wxALL, kGap * 3);
  top->Add(ButtonRow(this, {{kIdShort, "Съкратен"}, {kIdDetailed, "Подробен"}, {kIdExit, "Exit"}}),
           0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(kIdExit))) {
    exit->SetDefault();
    exit->SetFocus();
  }

  SetExitButton(kIdExit, kResultDone);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { Print(FmReportDetail::kShort); }, kIdShort);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { Print(FmReportDetail::kDetailed); }, kIdDetailed);
}

bool FmDatesDialog::ReadAtOpening() {
  FmDatesPreset preset;
  {
    auto printer = OpenPrinter();
    if (printer->IsConnected()) preset = ReadFmDatesPreset(*printer);
  }
  if (preset.opening == FmReportOpening::kNoReports)
    ShowMessage(FromUtf8(kNoFiscalReportsText), FromUtf8(kNoFiscalReportsCaption),
                wxOK | wxICON_STOP);
  if (preset.opening != FmReportOpening::kReady) {
    CloseItself();
    return false;
  }
  if (preset.range) SetRange(*preset.range);
  return true;
}

void FmDatesDialog::SetRange(const DayRange& range) {
  from_->SetDate(Day(range.from));
  to_->SetDate(Day(range.to));
  hour_ = range.from.hour;
  minute_ = range.from.minute;
}

ClockFields FmDatesDialog::PickerFields(const LongDatePicker* picker) const {
  const wxDateTime d = picker->GetDate();
  return {d.GetYear(), static_cast<int>(d.GetMonth()) + 1, d.GetDay(), hour_, minute_, 0};
}

ClockFields FmDatesDialog::FromFields() const {
  return PickerFields(from_);
}

ClockFields FmDatesDialog::ToFields() const {
  return PickerFields(to_);
}

void FmDatesDialog::Print(FmReportDetail detail) {
  auto printer = OpenPrinter();
  if (printer->IsConnected())
    PrintFmReportByDates(*printer, detail, ComposeLocalTime(FromFields()),
                         ComposeLocalTime(ToFields()));
}
