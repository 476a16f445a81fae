#pragma once

#include "dialogs/controls/long_date_picker.h"
#include "dialogs/fm_report_dialog.h"

// "Отчет на ФП по дати": prints the short or the detailed fiscal-memory report
// for a range of days, and stays open for the next.
//
// Opening presets the previous calendar month by the printer's clock (first to
// last day, at the printer's hour and minute). Without a connection, after a
// failed read of the report counters, or with no report in the fiscal memory
// (after the message "Фискалният принтер няма фискални отчети" in the services'
// message box) the dialog closes itself with kResultNotOpened; when only the
// clock cannot be read it opens with the pickers as they were. Each report
// button opens its own FiscalPrinter and closes it before returning; the range
// checks (and the offer to set the clock) are the report command's own.
// "Exit", Escape and the close box end it with kResultDone.
class FmDatesDialog : public FmReportDialog {
 public:
  enum {
    kIdFrom = 1116,
    kIdTo = 1117,
    kIdShort = 1119,
    kIdDetailed = 1120,
    kIdExit = wxID_OK,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  FmDatesDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                DialogServices services = {});

  // Presets the range from the printer; on failure closes the dialog and
  // returns false.
  bool ReadAtOpening() override;

  // The pickers' days at the preset hour and minute.
  ClockFields FromFields() const;
  ClockFields ToFields() const;
  // Sets both pickers and the time of day the reports go out with.
  void SetRange(const DayRange& range);

  LongDatePicker* FromPicker() const { return from_; }
  LongDatePicker* ToPicker() const { return to_; }

 private:
  void Print(FmReportDetail detail) override;
  ClockFields PickerFields(const LongDatePicker* picker) const;

  LongDatePicker* from_ = nullptr;
  LongDatePicker* to_ = nullptr;
  // The pickers hold days; the reports go out at this time of day.
  int hour_ = 0;
  int minute_ = 0;
};
