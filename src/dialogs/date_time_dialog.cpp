#include "dialogs/date_time_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "dialogs/gui_ui_host.h"
#include "dialogs/ui_text.h"

namespace {

wxDateTime ToWx(const ClockFields& f) {
  return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(f.day),
                    static_cast<wxDateTime::Month>(f.month - 1), f.year,
                    static_cast<wxDateTime::wxDateTime_t>(f.hour),
                    static_cast<wxDateTime::wxDateTime_t>(f.minute),
                    static_cast<wxDateTime::wxDateTime_t>(f.second));
}

}  // namespace

DateTimeDialog::DateTimeDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                               DialogServices services)
    : PrinterDialog(parent, FromUtf8("Сверяване на дата и час"), ui, line, std::move(services)) {
  const wxDateTime now = wxDateTime::Now();
  // Day first with the month in words, whatever the computer's locale.
  date_ = new LongDatePicker(this, kIdDate, now);
  date_->SetFieldName(FromUtf8("Дата"));
  time_ = new wxTimePickerCtrl(this, kIdTime, now);

  auto* pickers = new wxBoxSizer(wxHORIZONTAL);
  pickers->Add(date_, 1, wxEXPAND | wxRIGHT, 8);
  pickers->Add(time_, 0, wxEXPAND);

  auto* grid = new wxGridSizer(2, 2, 6, 6);
  grid->Add(new wxButton(this, kIdGetFromSystem, "Get From System"), 0, wxEXPAND);
  grid->Add(new wxButton(this, kIdSetFromSystem, "Set From System"), 0, wxEXPAND);
  grid->Add(new wxButton(this, kIdGetFromPrinter, "Get From Printer"), 0, wxEXPAND);
  grid->Add(new wxButton(this, kIdSetToPrinter, "Set To Printer"), 0, wxEXPAND);

  auto* exitButton = new wxButton(this, kIdExit, "Exit");
  exitButton->SetDefault();

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(pickers, 0, wxEXPAND | wxALL, 12);
  top->Add(grid, 0, wxEXPAND | wxLEFT | wxRIGHT, 12);
  top->Add(exitButton, 0, wxALIGN_CENTER | wxALL, 12);
  SetSizerAndFit(top);
  SetExitButton(kIdExit, [this] { return Result(); });
  CentreOnParent();

  Bind(wxEVT_BUTTON, &DateTimeDialog::OnGetFromSystem, this, kIdGetFromSystem);
  Bind(wxEVT_BUTTON, &DateTimeDialog::OnSetFromSystem, this, kIdSetFromSystem);
  Bind(wxEVT_BUTTON, &DateTimeDialog::OnGetFromPrinter, this, kIdGetFromPrinter);
  Bind(wxEVT_BUTTON, &DateTimeDialog::OnSetToPrinter, this, kIdSetToPrinter);
}

ClockFields DateTimeDialog::PickerFields() const {
  const wxDateTime d = date_->GetDate();
  int h = 0, m = 0, s = 0;
  time_->GetTime(&h, &m, &s);
  ClockFields f;
  f.year = d.GetYear();
  f.month = static_cast<int>(d.GetMonth()) + 1;
  f.day = d.GetDay();
  f.hour = h;
  f.minute = m;
  f.second = s;
  return f;
}

void DateTimeDialog::SetPickers(std::time_t t) {
  const wxDateTime value = ToWx(SplitLocalTime(t));
  date_->SetDate(value);
  time_->SetValue(value);
}

void DateTimeDialog::SetPrinterClock(std::time_t t) {
  const auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  const std::string result = printer->SetDateTime(t);
  if (ClockWasSet(result, printer->LastOutcome())) changed_ = true;
}

void DateTimeDialog::OnGetFromSystem(wxCommandEvent&) {
  SetPickers(std::time(nullptr));
}

void DateTimeDialog::OnSetFromSystem(wxCommandEvent&) {
  // The time sent is the one taken now, however long the confirmations last.
  const std::time_t now = std::time(nullptr);
  SetPickers(now);
  SetPrinterClock(now);
}

void DateTimeDialog::OnGetFromPrinter(wxCommandEvent&) {
  const auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  std::time_t t = 0;
  if (!CallDone(printer->ReadDateTime(t), printer->LastOutcome())) return;
  ClockFields f = SplitLocalTime(t);
  f.second = 0;
  SetPickers(ComposeLocalTime(f));
}

void DateTimeDialog::OnSetToPrinter(wxCommandEvent&) {
  SetPrinterClock(ComposeLocalTime(PickerFields()));
}

int RunDateTimeDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                      DialogServices services) {
  DateTimeDialog dialog(parent, ui, line, std::move(services));
  return dialog.ShowModal();
}

void RegisterDateTimeDialog() {
  SetDateTimeDialogRunner([](wxWindow* owner, const PrinterLine& line) {
    return RunDateTimeDialog(owner, nullptr, line);
  });
}
