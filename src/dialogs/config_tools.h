#pragma once

#include <wx/window.h>

#include <functional>

#include "dialogs/dialog_services.h"
#include "tools/restore_plan.h"
#include "tools/table_csv.h"

// The "Инструменти" menu's actions: backup and restore of the printer's
// programming, CSV export and import of its tables. Each asks for a file, opens
// one printer on `line` for the whole job (prompts through `ui`), shows a
// progress window that can be cancelled between two commands, and ends with a
// message box that says what was done. `owner` owns the file dialogs, the
// progress window and the message boxes (may be null).
struct ConfigTools {
  wxWindow* owner = nullptr;
  UiHost* ui = nullptr;
  PrinterLine line;  // the main window's port and speed
  DialogServices services;
  // Shows the differences and lets the user choose; true to send. Default:
  // RestoreDialog, modal. Tests answer without a window.
  std::function<bool(const wxString& file, const RestorePlan& plan, RestoreOptions& options)>
      confirmRestore;

  void Backup() const;
  void Restore() const;
  void Export(CsvTable table) const;
  void Import(CsvTable table) const;
};
