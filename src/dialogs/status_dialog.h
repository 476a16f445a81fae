#pragma once

#include <wx/checkbox.h>

#include <array>

#include "dialogs/printer_dialog.h"
#include "dialogs/status_boxes.h"

// "Status": the printer's 32 status flags as read-only check boxes, read again
// with "Get Status"; a box is ticked, and its caption drawn in
// kStatusTickedColour, when it shows its flag as set; "Версия" shows the printer's version text and
// "Диагностика" prints the diagnostics. Each button opens its own FiscalPrinter
// on `line` with `ui` as host and closes it before returning.
//
// The status is read when the dialog opens and on "Get Status"; when that read
// fails (no connection, or the user gave up after the link message), the dialog
// closes itself with kResultNotOpened (wxID_CANCEL). A failed "Версия" or
// "Диагностика" leaves it as it was. "Exit", Escape and the close box end it
// with kResultDone (wxID_OK). The version is shown in the services' message box.
class StatusDialog : public PrinterDialog {
 public:
  enum {
    kIdGetStatus = 1109,
    kIdVersion = 1128,
    kIdDiagnostics = 1127,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  StatusDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line, DialogServices services = {});

  // Reads the status and sets the boxes. On failure closes the dialog (ends the
  // modal run, or hides a modeless one) and returns false.
  bool Refresh();

  // The box that shows flag table entry `index` (0..31, order of kStatusBoxes).
  wxCheckBox* Box(size_t index) const { return boxes_[index]; }

 protected:
  // The status is read before the dialog shows.
  bool ReadAtOpening() override { return Refresh(); }

 private:
  void OnGetStatus(wxCommandEvent&);
  void OnVersion(wxCommandEvent&);
  void OnDiagnostics(wxCommandEvent&);

  // Shows entry `index` ticked or clear.
  void ShowBox(size_t index, bool ticked);

  std::array<wxCheckBox*, 32> boxes_{};
  std::array<bool, 32> shown_{};  // what each box shows
};
