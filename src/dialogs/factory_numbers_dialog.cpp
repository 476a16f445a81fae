#include "dialogs/factory_numbers_dialog.h"

#include "dialogs/app_title.h"
#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

using namespace layout;

// Characters wide enough for six digits and the field's margins.
constexpr int kFieldChars = 14;

NumericEdit* NumberField(wxWindow* parent, int id) {
  auto* edit = new NumericEdit(parent, id, wxDefaultPosition, wxDefaultSize, wxTE_RIGHT);
  edit->SetMinSize(wxSize(parent->GetCharWidth() * kFieldChars + 16, -1));
  edit->ConfigureInteger(0, factory_numbers::kMaximum, factory_numbers::kDigits, 0);
  return edit;
}

// A row of the grid: caption, the fixed prefix (or nothing) and the field.
void AddRow(wxFlexGridSizer* grid, wxWindow* parent, const char* caption, const char* prefix,
            wxWindow* field) {
  grid->Add(Label(parent, caption), 0, wxALIGN_CENTER_VERTICAL);
  if (prefix)
    grid->Add(Label(parent, prefix), 0, wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT);
  else
    grid->AddSpacer(0);
  grid->Add(field, 0, wxEXPAND);
}

}  // namespace

FactoryNumbersDialog::FactoryNumbersDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                           DialogServices services)
    : PrinterDialog(parent, FromUtf8("Запис на Фабрични N"), ui, line, std::move(services)) {
  password_ = new wxTextCtrl(this, kIdPassword, wxString(), wxDefaultPosition, wxDefaultSize,
                             wxTE_RIGHT | wxTE_PASSWORD);
  password_->SetMaxLength(kPasswordLength);
  printerNumber_ = NumberField(this, kIdPrinterNumber);
  memoryNumber_ = NumberField(this, kIdMemoryNumber);
  checkDigits_ = NumberField(this, kIdCheckDigits);

  wxFlexGridSizer* grid = Grid(3);
  grid->AddGrowableCol(2);
  AddRow(grid, this, "Парола:", nullptr, password_);
  AddRow(grid, this, "ФПр N:", "NV", printerNumber_);
  AddRow(grid, this, "ФП N:", "50", memoryNumber_);
  AddRow(grid, this, "Контр.цифри:", nullptr, checkDigits_);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxEXPAND | wxALL, kGap * 3);
  top->Add(ButtonRow(this, {{kIdWrite, "Запис"}, {kIdExit, "Exit"}}), 0,
           wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  password_->SetFocus();

  SetExitButton(kIdExit, kResultDone);
  Bind(wxEVT_BUTTON, &FactoryNumbersDialog::OnWrite, this, kIdWrite);
}

void FactoryNumbersDialog::OnWrite(wxCommandEvent&) {
  const auto password = PrinterText(password_, "Парола");
  if (!password) return;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  factory_numbers::Entry entry;
  entry.password = *password;
  // The numbers must be six digits; anything else is refused below.
  entry.printerNumber = ToCp1251(printerNumber_->GetValue());
  entry.memoryNumber = ToCp1251(memoryNumber_->GetValue());
  entry.checkDigits = checkDigits_->GetIntegerValue();
  const factory_numbers::Field bad = factory_numbers::FirstBadField(entry);
  if (bad != factory_numbers::Field::kNone) {
    ShowMessage(FromUtf8(factory_numbers::kSixDigitsText), ApplicationTitle(), wxOK | wxICON_STOP);
    (bad == factory_numbers::Field::kPrinterNumber ? printerNumber_ : memoryNumber_)->SetFocus();
    return;
  }
  factory_numbers::Write(*printer, entry);
}
