#include "dialogs/fm_dates_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "dialogs/ui_text.h"

namespace {

wxDateTime Day(const ClockFields& f) {
  return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(f.day),
                    static_cast<wxDateTime::Month>(f.month - 1), f.year);
}

}  // namespace

FmDatesDialog::FmDatesDialog(wxWindow* parent, UiHost* ui, int port, DialogServices services)
    : PrinterDialog(parent, FromUtf8("Отчет на ФП по дати"), ui, port, std::move(services)) {
  const wxDateTime today = wxDateTime::Today();
  const long style = wxDP_DROPDOWN | wxDP_SHOWCENTURY;
  from_ = new wxDatePickerCtrl(this, kIdFrom, today, wxDefaultPosition, wxDefaultSize, style);
  to_ = new wxDatePickerCtrl(this, kIdTo, today, wxDefaultPosition, wxDefaultSize, style);

  auto* grid = new wxFlexGridSizer(2, 6, 8);
  grid->AddGrowableCol(1);
  grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8("От")), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(from_, 1, wxEXPAND);
  grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8("До")), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(to_, 1, wxEXPAND);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(this, kIdShort, FromUtf8("Съкратен")), 0, wxRIGHT, 6);
  buttons->Add(new wxButton(this, kIdDetailed, FromUtf8("Подробен")), 0, wxRIGHT, 6);
  auto* exitButton = new wxButton(this, wxID_OK, "Exit");
  exitButton->SetDefault();
  exitButton->SetFocus();
  buttons->Add(exitButton);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxEXPAND | wxALL, 12);
  top->Add(buttons, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, 12);
  SetSizerAndFit(top);
  SetEscapeId(wxID_OK);
  CentreOnParent();

  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { Print(FmReportDetail::kShort); }, kIdShort);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { Print(FmReportDetail::kDetailed); }, kIdDetailed);
}

bool FmDatesDialog::Preset() {
  FmDatesPreset preset;
  {
    const auto opened = OpenPrinter();
    FiscalPrinter& printer = *opened;
    if (printer.IsConnected()) preset = ReadFmDatesPreset(printer);
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
  from_->SetValue(Day(range.from));
  to_->SetValue(Day(range.to));
  hour_ = range.from.hour;
  minute_ = range.from.minute;
}

ClockFields FmDatesDialog::PickerFields(const wxDatePickerCtrl* picker) const {
  const wxDateTime d = picker->GetValue();
  return {d.GetYear(), static_cast<int>(d.GetMonth()) + 1, d.GetDay(), hour_, minute_, 0};
}

ClockFields FmDatesDialog::FromFields() const {
  return PickerFields(from_);
}

ClockFields FmDatesDialog::ToFields() const {
  return PickerFields(to_);
}

void FmDatesDialog::Print(FmReportDetail detail) {
  const auto opened = OpenPrinter();
  FiscalPrinter& printer = *opened;
  if (printer.IsConnected())
    PrintFmReportByDates(printer, detail, ComposeLocalTime(FromFields()),
                         ComposeLocalTime(ToFields()));
}
