#include "dialogs/eeprom_dialog.h"

#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

using namespace layout;

// The service password: six characters, sent right-aligned.
constexpr int kPasswordLength = 6;
constexpr int kPasswordChars = 10;
// Wide enough for the title to show whole in the window's title bar.
constexpr int kDialogChars = 36;

}  // namespace

EepromDialog::EepromDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                           DialogServices services)
    : PrinterDialog(parent, FromUtf8("Изтриване на EEPROM"), ui, line, std::move(services)) {
  password_ = new wxTextCtrl(this, kIdPassword, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                             wxTE_RIGHT | wxTE_PASSWORD);
  password_->SetMaxLength(kPasswordLength);
  password_->SetMinSize(wxSize(GetCharWidth() * kPasswordChars + 16, -1));

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->SetMinSize(wxSize(GetCharWidth() * kDialogChars, -1));
  top->Add(Row({Label(this, "Парола:"), password_}), 0, wxALIGN_CENTER | wxALL, kGap * 3);
  top->Add(ButtonRow(this, {{kIdErase, "Изтриване"}, {kIdExit, "Exit"}}), 0,
           wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(kIdExit))) exit->SetDefault();
  password_->SetFocus();

  SetExitButton(kIdExit, kResultDone);
  Bind(wxEVT_BUTTON, &EepromDialog::OnErase, this, kIdErase);
}

void EepromDialog::OnErase(wxCommandEvent&) {
  const auto password = PrinterText(password_, "Парола");
  if (!password) return;
  auto printer = OpenPrinter();
  if (printer->IsConnected()) printer->EraseEeprom(*password);
}
