#include "dialogs/printer_dialog.h"

#include <wx/textctrl.h>

#include <vector>

#include "dialogs/gui_ui_host.h"
#include "dialogs/printer_text.h"
#include "dialogs/ui_text.h"
#include "driver/cp1251_missing.h"

PrinterDialog::PrinterDialog(wxWindow* parent, const wxString& title, UiHost* ui,
                             const PrinterLine& line, DialogServices services, long style)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, style),
      ui_(ui),
      line_(line),
      services_(std::move(services)) {
  if (!ui_) {
    ownHost_ = std::make_unique<GuiUiHost>(this);
    ui_ = ownHost_.get();
  }
}

PrinterDialog::~PrinterDialog() = default;

int PrinterDialog::ShowModal() {
  if (!ReadAtOpening()) return closedResult_;
  return wxDialog::ShowModal();
}

void TellUntoldEnd::operator()(FiscalPrinter* printer) const {
  if (!printer) return;
  const CallOutcome outcome = printer->LastOutcome();
  delete printer;  // the port is free while the message is up
  if (show && outcome.end == CallEnd::kOutOfRange && !outcome.userTold && !outcome.message.empty())
    show(outcome.message);
}

ButtonPrinter PrinterDialog::OpenPrinter() {
  TellUntoldEnd tell{[this](const std::string& message) {
    ShowMessage(FromUtf8(message), FromUtf8("Грешка"), wxOK | wxICON_STOP);
  }};
  return ButtonPrinter(services_.OpenPrinter(ui_, line_).release(), std::move(tell));
}

void PrinterDialog::CloseItself(int result) {
  closedItself_ = true;
  closedResult_ = result;
  Finish(result);
}

void PrinterDialog::Finish(int result) {
  if (IsModal())
    EndModal(result);
  else
    Hide();
}

void PrinterDialog::SetExitButton(int id, int result) {
  SetExitButton(id, [result] { return result; });
}

void PrinterDialog::SetExitButton(int id, std::function<int()> result) {
  Bind(
      wxEVT_BUTTON, [this, result](wxCommandEvent&) { Finish(result()); }, id);
  Bind(wxEVT_CLOSE_WINDOW, [this, result](wxCloseEvent&) { Finish(result()); });
  SetEscapeId(id);
}

std::optional<std::string> PrinterDialog::PrinterText(wxTextCtrl* field, const std::string& name,
                                                      const std::string& frame) {
  const std::string text = field->GetValue().utf8_string();
  const std::vector<std::string> missing = CharsWithoutCp1251(text);
  if (missing.empty()) return Utf8ToCp1251Lossy(text);
  ShowMessage(FromUtf8(UnprintableMessage(name, missing, frame)), FromUtf8("Грешка"),
              wxOK | wxICON_STOP);
  field->SetFocus();
  return std::nullopt;
}

std::optional<double> PrinterDialog::ReadField(wxWindow* control, const wxString& text,
                                               const NumericRule& rule, const std::string& name,
                                               const std::string& frame) {
  if (const auto value = rule.Reading(text.ToStdWstring())) return value;
  ShowMessage(FromUtf8(FieldValueMessage(name, rule, frame)), FromUtf8("Грешка"),
              wxOK | wxICON_STOP);
  control->SetFocus();
  if (auto* edit = dynamic_cast<wxTextCtrl*>(control)) edit->SelectAll();
  return std::nullopt;
}
