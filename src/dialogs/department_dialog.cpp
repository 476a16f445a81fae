#include "dialogs/department_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/valtext.h>

#include "dialogs/field_spin.h"
#include "dialogs/ui_text.h"

namespace {
constexpr int kGap = 6;
constexpr int kNameChars = 20;
}  // namespace

DepartmentDialog::DepartmentDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                   DialogServices services)
    : PrinterDialog(parent, FromUtf8("Програмиране на департаменти"), ui, line,
                    std::move(services)) {
  const int charWidth = GetCharWidth();
  number_ = new wxTextCtrl(this, kIdNumber, "1", wxDefaultPosition, wxSize(charWidth * 4 + 16, -1),
                           0, wxTextValidator(wxFILTER_DIGITS));
  number_->SetMaxLength(kDepartmentFieldLength);
  auto* spin = new wxSpinButton(this, kIdSpin, wxDefaultPosition, wxDefaultSize,
                                wxSP_VERTICAL | wxSP_ARROW_KEYS);
  spin->SetRange(kDepartmentMin, kDepartmentMax);
  spin->SetValue(1);
  taxGroup_ = new wxChoice(this, kIdTaxGroup);
  for (const char* g : kTaxGroupItems) taxGroup_->Append(FromUtf8(g));
  taxGroup_->SetSelection(kDefaultTaxGroup);
  name_ =
      new wxTextCtrl(this, kIdName, wxEmptyString, wxDefaultPosition, wxSize(charWidth * 30, -1));
  name_->SetMaxLength(kNameChars);
  const wxSize amountSize(charWidth * 14, -1);
  turnover_ = new wxTextCtrl(this, kIdTurnover, wxEmptyString, wxDefaultPosition, amountSize,
                             wxTE_READONLY);
  quantity_ = new wxTextCtrl(this, kIdQuantity, wxEmptyString, wxDefaultPosition, amountSize,
                             wxTE_READONLY);
  quantityLabel_ = new wxStaticText(this, kIdQuantityLabel, FromUtf8("Количество:"));

  auto* grid = new wxFlexGridSizer(2, kGap, kGap);
  auto label = [&](const char* caption) {
    grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8(caption)), 0, wxALIGN_CENTER_VERTICAL);
  };
  label("Номер:");
  auto* numberRow = new wxBoxSizer(wxHORIZONTAL);
  numberRow->Add(number_, 0, wxALIGN_CENTER_VERTICAL);
  numberRow->Add(spin, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(numberRow);
  label("Дан.Група:");
  grid->Add(taxGroup_);
  label("Име:");
  grid->Add(name_);
  label("Оборот:");
  grid->Add(turnover_);
  grid->Add(quantityLabel_, 0, wxALIGN_CENTER_VERTICAL | wxRESERVE_SPACE_EVEN_IF_HIDDEN);
  grid->Add(quantity_, 0, wxRESERVE_SPACE_EVEN_IF_HIDDEN);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(this, kIdGet, "Get"), 1, wxRIGHT, kGap);
  buttons->Add(new wxButton(this, kIdSet, "Set"), 1, wxRIGHT, kGap);
  buttons->Add(new wxButton(this, kIdExit, "E&xit"), 1);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxALL, 10);
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(top);
  // Hidden until a department with a quantity is read; the room stays, so the
  // dialog does not jump.
  ShowQuantity(false);
  CentreOnParent();

  TieSpinToField(spin, number_);
  Bind(wxEVT_BUTTON, &DepartmentDialog::OnGet, this, kIdGet);
  Bind(wxEVT_BUTTON, &DepartmentDialog::OnSet, this, kIdSet);
  SetExitButton(kIdExit, kResultDone);
}

void DepartmentDialog::ShowQuantity(bool shown) {
  quantity_->Show(shown);
  quantityLabel_->Show(shown);
}

void DepartmentDialog::OnGet(wxCommandEvent&) {
  const std::string numberText = ToCp1251(number_->GetValue());
  if (const std::string problem = DepartmentGetProblem(numberText); !problem.empty()) {
    ShowMessage(FromUtf8(problem), FromUtf8("Грешка"), wxOK | wxICON_STOP);
    return;
  }
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  Department department;
  // The check above has made sure the text names a department.
  department.number = static_cast<uint8_t>(DepartmentNumber(numberText).value_or(0));
  if (!CallDone(printer->ReadDepartment(department), printer->LastOutcome())) return;
  name_->SetValue(FromCp1251(department.name));
  // A group the selector does not have (the printer reports 8..15) shows as
  // none chosen: a Set then asks for one rather than writing the group of the
  // department shown before.
  taxGroup_->SetSelection(TaxGroupSelection(department.taxGroup));
  turnover_->SetValue(DepartmentAmount(department.turnover));
  if (department.quantity < 0) {
    ShowQuantity(false);
  } else {
    quantity_->SetValue(DepartmentAmount(department.quantity));
    ShowQuantity(true);
  }
}

void DepartmentDialog::OnSet(wxCommandEvent&) {
  const std::string numberText = ToCp1251(number_->GetValue());
  const std::string typedName = ToCp1251(name_->GetValue());
  if (const std::string problem = DepartmentSetProblem(numberText, typedName); !problem.empty()) {
    ShowMessage(FromUtf8(problem), FromUtf8("Грешка"), wxOK | wxICON_STOP);
    return;
  }
  if (taxGroup_->GetSelection() == wxNOT_FOUND) {
    ShowMessage(FromUtf8(kChooseTaxGroupText), FromUtf8("Грешка"), wxOK | wxICON_STOP);
    taxGroup_->SetFocus();
    return;
  }
  const auto name = PrinterText(name_, "Име");
  if (!name) return;
  Department department;
  department.number = static_cast<uint8_t>(DepartmentNumber(numberText).value_or(0));
  department.name = *name;
  department.taxGroup = static_cast<uint8_t>(taxGroup_->GetSelection());
  {
    auto printer = OpenPrinter();
    if (!printer->IsConnected() || !printer->Done(printer->SetDepartment(department))) return;
  }
  // Read back what the printer now holds, once this printer has let the port go.
  wxCommandEvent get(wxEVT_BUTTON, kIdGet);
  get.SetEventObject(this);
  wxPostEvent(this, get);
}
