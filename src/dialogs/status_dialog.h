#pragma once

#include <wx/dialog.h>
#include <wx/tglbtn.h>

#include <array>
#include <functional>
#include <memory>

#include "dialogs/status_boxes.h"
#include "link/ui_host.h"

// "Status": the printer's 32 status flags as read-only push-like boxes, read
// again with "Get Status"; "Версия" shows the printer's version text and
// "Диагностика" prints the diagnostics. Each button opens its own FiscalPrinter
// on `port` with `ui` as host and closes it before returning.
//
// The status is read when the dialog opens and on "Get Status"; when that read
// fails (no connection, or the user gave up after the link message), the dialog
// closes itself. A failed "Версия" or "Диагностика" leaves it as it was.
class StatusDialog : public wxDialog {
 public:
  enum {
    kIdGetStatus = 1109,
    kIdVersion = 1128,
    kIdDiagnostics = 1127,
  };

  // Shows a message box: text and caption are UTF-8-decoded wxStrings.
  using MessageBoxFn = std::function<void(const wxString& text, const wxString& caption)>;

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  StatusDialog(wxWindow* parent, UiHost* ui, int port);

  // Reads the status first; runs the dialog only when that succeeded.
  int ShowModal() override;

  // Reads the status and sets the boxes. On failure closes the dialog (ends the
  // modal run, or hides a modeless one) and returns false.
  bool Refresh();

  // True once the dialog has closed itself after a failed read.
  bool ClosedItself() const { return closedItself_; }

  // The box that shows flag table entry `index` (0..31, order of kStatusBoxes).
  wxToggleButton* Box(size_t index) const { return boxes_[index]; }

  // Replaces the platform message box used by "Версия" (tests).
  void SetMessageBoxForTesting(MessageBoxFn fn) { messageBox_ = std::move(fn); }

 private:
  void OnGetStatus(wxCommandEvent&);
  void OnVersion(wxCommandEvent&);
  void OnDiagnostics(wxCommandEvent&);
  void CloseItself();

  UiHost* ui_;
  std::unique_ptr<UiHost> ownHost_;
  int port_;
  bool closedItself_ = false;
  std::array<wxToggleButton*, 32> boxes_{};
  std::array<bool, 32> shown_{};  // what each box shows
  MessageBoxFn messageBox_;
};
