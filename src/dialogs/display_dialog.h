#pragma once

#include <wx/choice.h>
#include <wx/dialog.h>

#include <array>
#include <memory>

#include "dialogs/controls/monospace_edit.h"
#include "dialogs/printer_dialog.h"

// "Програмиране външен дисплей": text for the customer display's first line,
// its second line or one text over both, each with its alignment; the
// printer's date and time; clearing the display. The display has two lines of
// 20 characters; texts are sent as typed and the printer's commands fit them.
//
// Every button opens its own FiscalPrinter on `line` with `ui` as host and
// closes it before the handler returns. "Exit", Escape and the close box end
// the dialog with PrinterDialog::kResultDone.
class DisplayDialog : public PrinterDialog {
 public:
  enum {
    kIdClear = 1183,
    kIdDateTime = 1184,
    kIdBothText = 1186,
    kIdLine2Text = 1185,
    kIdSendLine1 = 1187,
    kIdSendLine2 = 1188,
    kIdSendBoth = 1189,
    kIdLine1Text = 1190,
    kIdLine1Alignment = 1191,
    kIdLine2Alignment = 1192,
    kIdBothAlignment = 1193,
    kIdExit = 1194,
  };
  // The three texts: first line, second line, both lines.
  static constexpr int kTexts = 3;

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself. `services` as for every PrinterDialog.
  DisplayDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                DialogServices services = {});

  MonospaceEdit* Text(int i) const { return texts_[static_cast<size_t>(i)]; }
  wxChoice* Alignment(int i) const { return alignments_[static_cast<size_t>(i)]; }

 private:
  void OnAlignment(wxCommandEvent& event);
  void OnSend(wxCommandEvent& event);

  std::array<MonospaceEdit*, kTexts> texts_{};
  std::array<wxChoice*, kTexts> alignments_{};
};
