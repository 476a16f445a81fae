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

FmDatesDialog::FmDatesDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                             DialogServices services)
    : FmReportDialog(parent, "Отчет на ФП по дати", ui, line, std::move(services)) {
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
  LayOut(grid, wxEXPAND, {kIdShort, kIdDetailed, kIdExit});
}

bool FmDatesDialog::ReadAtOpening() {
  FmDatesPreset preset;
  {
    auto printer = OpenPrinter();
    if (printer->IsConnected()) preset = ReadFmDatesPreset(*printer);
  }
  if (!OpeningReady(preset.opening)) return false;
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
