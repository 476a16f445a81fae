#pragma once

#include <wx/timectrl.h>

#include <ctime>

#include "dialogs/clock_setting.h"
#include "dialogs/controls/long_date_picker.h"
#include "dialogs/printer_dialog.h"

// "Сверяване на дата и час": pick a date and a time and write them to the
// printer's clock, or take them from the computer or from the printer.
//
// Every printer action opens its own FiscalPrinter on `line` with `ui` as its
// host and closes it before the handler returns; an opener that holds the port
// must release it first. The modal result is kResultChanged (1) when at least
// one setting reached the printer (the changed flag), kResultUnchanged (2)
// otherwise; "Exit", Escape and the close box all end the dialog that way.
class DateTimeDialog : public PrinterDialog {
 public:
  enum {
    kIdGetFromSystem = 1101,
    kIdSetFromSystem = 1102,
    kIdGetFromPrinter = 1103,
    kIdSetToPrinter = 1104,
    kIdExit = 1105,
    kIdDate = 1106,
    kIdTime = 1107,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  DateTimeDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                 DialogServices services = {});

  bool Changed() const { return changed_; }
  int Result() const { return DateTimeDialogResult(changed_); }

  // The time the pickers hold, and setting both pickers to a time.
  ClockFields PickerFields() const;
  void SetPickers(std::time_t t);

  LongDatePicker* DatePicker() const { return date_; }
  wxTimePickerCtrl* TimePicker() const { return time_; }

 private:
  void OnGetFromSystem(wxCommandEvent&);
  void OnSetFromSystem(wxCommandEvent&);
  void OnGetFromPrinter(wxCommandEvent&);
  void OnSetToPrinter(wxCommandEvent&);

  // Sends `t` to the printer and sets the changed flag when it was taken.
  void SetPrinterClock(std::time_t t);

  bool changed_ = false;
  LongDatePicker* date_ = nullptr;
  wxTimePickerCtrl* time_ = nullptr;
};

// Runs the dialog modally and returns its result (1 set, 2 not set). This is
// what the GUI's UI host runs when the driver asks for the date and time dialog.
int RunDateTimeDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                      DialogServices services = {});

// Makes this dialog the one the windows' UI host runs when the driver asks for
// the date and time dialog (status check, fiscalization, reports by dates). It
// is that already unless another runner was registered; the program calls it
// once at start-up all the same.
void RegisterDateTimeDialog();
