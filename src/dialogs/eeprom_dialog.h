#pragma once

#include <wx/textctrl.h>

#include "dialogs/printer_dialog.h"

// "Изтриване на EEPROM": erases the printer's programmed tables (articles,
// departments, operator names and passwords, payment names, invoice range,
// logo) with the service password.
//
// The dialog asks nothing of its own: the erase command's status check makes
// the printer's conditions (working memory just reset, factory numbers
// written, paper, fiscal memory) and tells the user when one is not met, and
// the printer itself refuses a wrong password. The password field is masked
// and takes at most six characters. "Изтриване" opens its own FiscalPrinter
// and closes it before returning. "Exit", Escape and the close box end the
// dialog with kResultDone.
class EepromDialog : public PrinterDialog {
 public:
  enum { kIdPassword = 1448, kIdErase = 1449, kIdExit = wxID_OK };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  EepromDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line, DialogServices services = {});

  wxTextCtrl* Password() const { return password_; }

 private:
  void OnErase(wxCommandEvent&);

  wxTextCtrl* password_ = nullptr;
};
