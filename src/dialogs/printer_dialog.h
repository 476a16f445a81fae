#pragma once

#include <wx/dialog.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/dialog_services.h"
#include "driver/fiscal_printer.h"
#include "link/ui_host.h"

// The base of every dialog that works on a printer. It holds what each of them
// needs and does the same way:
//  - the UI host for prompts: the one given, or (when none is given) a
//    GuiUiHost of its own, owned by the dialog, that shows prompts over it;
//  - the COM port and the DialogServices (message box, file choosers, the
//    driver factory, link time-outs);
//  - OpenPrinter(): a short-lived FiscalPrinter for one button. Open it at the
//    top of the handler and let it go out of scope before the handler returns,
//    so that the port is free again for the next button, for the date and time
//    dialog the driver may run, and for other programs. When it goes, a last
//    call the driver refused without a word (a value outside its range) is
//    told to the user: dialogs show nothing more for an empty result;
//  - the opening read: ShowModal() first calls ReadAtOpening(); when that
//    returns false the dialog has closed itself (CloseItself) and never shows;
//  - one set of modal results (below).
//
// A new dialog, in short (see date_time_dialog.* for a whole one):
//
//   class HeaderDialog : public PrinterDialog {
//    public:
//     enum { kIdRead = 1201, kIdWrite = 1202, kIdExit = 1203 };
//     HeaderDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line, DialogServices services =
//     {})
//         : PrinterDialog(parent, FromUtf8("Заглавие"), ui, line, std::move(services)) {
//       // controls and sizers (layout.h), then:
//       SetExitButton(kIdExit, kResultDone);
//       Bind(wxEVT_BUTTON, &HeaderDialog::OnRead, this, kIdRead);
//     }
//
//    protected:
//     bool ReadAtOpening() override {    // only if it must read before showing
//       auto printer = OpenPrinter();
//       if (!printer->IsConnected() || !printer->Done(printer->ReadHeader(lines_))) {
//         CloseItself();
//         return false;
//       }
//       ShowLines();
//       return true;
//     }
//
//    private:
//     void OnRead(wxCommandEvent&) {
//       auto printer = OpenPrinter();
//       if (!printer->IsConnected()) return;  // the user has been told
//       ... printer->ReadHeader(...) ...; the window-free half decides what to show
//     }
//   };
//
// Tests construct it with a ScriptedUi and DialogServices holding short
// time-outs (tests/dialogs/dialog_fixtures.h), run it with RunModal and click
// its buttons by id.
//
// Deletes a button's driver, then shows the message of its last call when that
// ended outside the driver's range with nobody told (LastOutcome: kOutOfRange,
// userTold false): nothing was sent, and an amount limit that depends on the
// printer's decimal mode cannot be put on the field beforehand.
struct TellUntoldEnd {
  std::function<void(const std::string& message)> show;  // UTF-8
  void operator()(FiscalPrinter* printer) const;
};
using ButtonPrinter = std::unique_ptr<FiscalPrinter, TellUntoldEnd>;

// UI-thread only. The UI host given (not owned) must outlive the dialog.
class PrinterDialog : public wxDialog {
 public:
  // The modal results printer dialogs end with. Which ones a dialog returns is
  // part of its header contract.
  //  kResultChanged / kResultUnchanged: for dialogs whose opener wants to know
  //    whether the printer was changed (the date and time dialog answers the
  //    driver's request with them; they match the prompt's 1 and 2).
  //  kResultDone: ended by the user (Exit, Escape, the close box).
  //  kResultNotOpened: closed itself because the printer could not be read.
  static constexpr int kResultChanged = 1;
  static constexpr int kResultUnchanged = 2;
  static constexpr int kResultDone = wxID_OK;
  static constexpr int kResultNotOpened = wxID_CANCEL;

  PrinterDialog(wxWindow* parent, const wxString& title, UiHost* ui, const PrinterLine& line,
                DialogServices services = {}, long style = wxDEFAULT_DIALOG_STYLE);
  ~PrinterDialog() override;

  // Runs ReadAtOpening() first, and the dialog only when that succeeded;
  // otherwise returns the result CloseItself was given, without showing.
  int ShowModal() override;

  // True once the dialog has closed itself after a failed read.
  bool ClosedItself() const { return closedItself_; }

  UiHost* Ui() const { return ui_; }
  int Port() const { return line_.port; }
  // The printer's line (COM number and speed) the dialog was opened on: every
  // driver and every dialog it opens uses it.
  const PrinterLine& Line() const { return line_; }
  const DialogServices& Services() const { return services_; }

 protected:
  // A driver on the dialog's port with its UI host, for one action; never
  // null. When the port cannot be opened the user has already been told and
  // IsConnected() is false. A silent refusal of its last call is told when it
  // goes (TellUntoldEnd).
  ButtonPrinter OpenPrinter();

  // What must be read before the user may act. Return false after calling
  // CloseItself() when it could not be read. The default reads nothing.
  virtual bool ReadAtOpening() { return true; }

  // The printer cannot be read: ends the modal run with `result` (or hides a
  // modeless dialog) and marks the dialog as closed by itself.
  void CloseItself(int result = kResultNotOpened);

  // Ends the modal run with `result`, or hides the dialog when it is not modal.
  void Finish(int result);

  // Makes `id` the exit button: a click on it, Escape and the close box all
  // end the dialog with `result`.
  void SetExitButton(int id, int result);

  // The same, with the result decided when the dialog ends.
  void SetExitButton(int id, std::function<int()> result);

  // Message box through the services (information icon by default).
  int ShowMessage(const wxString& text, const wxString& caption,
                  long style = wxOK | wxICON_INFORMATION) {
    return services_.ShowMessage(this, text, caption, style);
  }

  // The number a field holds for a command, checked by `rule` (see
  // NumericRule::Reading). When it holds none, tells the user which field and
  // what it takes (a stop message, FieldValueMessage with `name` and `frame`,
  // UTF-8), puts the caret into `control` and returns none: the caller then
  // sends nothing. `control` is the field itself, `text` its text.
  std::optional<double> ReadField(wxWindow* control, const wxString& text, const NumericRule& rule,
                                  const std::string& name, const std::string& frame = "");
  // The text of `field` in Windows-1251 for the printer. When it holds
  // characters the printer has no byte for, names them in a stop message
  // (UnprintableMessage with `name`, UTF-8), puts the caret into the field and
  // returns none: the caller then sends nothing. Passwords and numbers go the
  // same way: a character replaced on the way would send a wrong one.
  std::optional<std::string> PrinterText(wxTextCtrl* field, const std::string& name,
                                         const std::string& frame = "");
  // The same for a number field under its own rule.
  std::optional<double> ReadField(NumericEdit* edit, const std::string& name,
                                  const std::string& frame = "") {
    return ReadField(edit, edit->GetValue(), edit->Rule(), name, frame);
  }

 private:
  UiHost* ui_;
  std::unique_ptr<UiHost> ownHost_;
  PrinterLine line_;
  DialogServices services_;
  bool closedItself_ = false;
  int closedResult_ = kResultNotOpened;
};
