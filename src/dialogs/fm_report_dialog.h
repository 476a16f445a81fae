#pragma once

#include <wx/sizer.h>

#include "dialogs/fm_report_range.h"
#include "dialogs/printer_dialog.h"

// What the two fiscal-memory report dialogs ("Отчет на ФП по блокове", "Отчет
// на ФП по дати") share: their range fields above the row "Съкратен",
// "Подробен", "Exit" (Exit the default button, with the focus, ending the
// dialog with kResultDone), the report buttons each running Print, and the
// opening read's end (the message when the fiscal memory holds no report).
class FmReportDialog : public PrinterDialog {
 public:
  // The command identifiers of the button row.
  struct ButtonIds {
    int shortReport;
    int detailedReport;
    int exit;
  };

 protected:
  FmReportDialog(wxWindow* parent, const char* title, UiHost* ui, const PrinterLine& line,
                 DialogServices services);

  // Lays out `fields` (added with `fieldFlags`) above the button row and binds
  // the buttons. Called once, at the end of the derived constructor.
  void LayOut(wxSizer* fields, int fieldFlags, const ButtonIds& ids);

  // The end of the opening read: tells the user when there is no report, and
  // closes the dialog (false) unless the preset is ready.
  bool OpeningReady(FmReportOpening opening);

  // Prints the report of the fields' range; each call opens its own printer.
  virtual void Print(FmReportDetail detail) = 0;
};
