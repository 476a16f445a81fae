#pragma once

#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "tools/preflight.h"
#include "tools/restore_plan.h"

// "Възстановяване на настройките": the differences between a backup file and
// the printer, shown before anything is sent. One line per command that would
// be sent; the fiscal-memory differences (tax rates, decimal point) in a list
// of their own, sent only when their tick box is ticked, with the service
// password they need and the number of fiscal-memory records they use. The
// pre-flight's warnings and facts about the printer stand above the lists.
// "Възстановяване" ends the dialog with wxID_OK, "Отказ"
// with wxID_CANCEL; nothing here talks to the printer.
class RestoreDialog : public wxDialog {
 public:
  // `plan` must outlive the dialog; `check` may be null.
  RestoreDialog(wxWindow* parent, const wxString& file, const RestorePlan& plan,
                const Preflight* check = nullptr);

  bool IncludeFiscal() const { return fiscal_ && fiscal_->GetValue(); }
  std::string Password() const;

  // Controls, for tests.
  wxListBox* Changes() const { return changes_; }
  wxListBox* FiscalChanges() const { return fiscalChanges_; }
  wxListBox* Checks() const { return checks_; }
  wxCheckBox* FiscalBox() const { return fiscal_; }
  wxTextCtrl* PasswordField() const { return password_; }
  wxStaticText* Summary() const { return summary_; }

 private:
  void UpdateSummary();

  const RestorePlan& plan_;
  wxListBox* changes_ = nullptr;
  wxListBox* fiscalChanges_ = nullptr;
  wxListBox* checks_ = nullptr;
  wxCheckBox* fiscal_ = nullptr;
  wxTextCtrl* password_ = nullptr;
  wxStaticText* summary_ = nullptr;
  wxButton* restore_ = nullptr;
};

// The summary line: "Промени за запис: 3" and, with fiscal changes ticked,
// how many of them are included. Window-free, for the dialog and its tests.
wxString RestoreSummary(size_t changes, size_t fiscalChanges, bool includeFiscal);
