#include "dialogs/invoice_numbers_dialog.h"

#include <algorithm>
#include <memory>

#include "dialogs/controls/refusal_hint.h"
#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

using namespace layout;

constexpr const char* kDigitsOnlyText = "Полето приема само цифри, до 10.";

// Room for the ten digits and the field's frame.
constexpr int kNumberChars = 13;

wxTextCtrl* NumberField(wxWindow* parent, int id, long style = 0) {
  auto* field = new wxTextCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, style);
  field->SetMaxLength(kInvoiceNumberLength);
  field->SetMinSize(wxSize(parent->GetCharWidth() * kNumberChars + 16, -1));
  return field;
}

// Keeps only the digits of whatever reaches `field` (typing, pasting,
// dropping), with the caret where the user left it; anything else is refused
// aloud, as number fields refuse.
void KeepDigits(wxTextCtrl* field) {
  // Goes with the handler, which the field drops after its children (the note).
  auto hint = std::make_shared<RefusalHint>(field);
  field->Bind(wxEVT_TEXT, [field, hint](wxCommandEvent& e) {
    const std::string text = ToCp1251(field->GetValue());
    const std::string digits = DigitsOnly(text);
    if (digits != text) {
      hint->Show(FromUtf8(kDigitsOnlyText));
      const long caret = field->GetInsertionPoint();
      const long dropped = static_cast<long>(text.size() - digits.size());
      field->ChangeValue(FromCp1251(digits));
      field->SetInsertionPoint(std::max(0L, caret - dropped));
    }
    e.Skip();
  });
}

}  // namespace

InvoiceNumbersDialog::InvoiceNumbersDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                           DialogServices services)
    : PrinterDialog(parent, FromUtf8("Номера на фактури"), ui, line, std::move(services)) {
  first_ = NumberField(this, invoice_ids::kFirst);
  last_ = NumberField(this, invoice_ids::kLast);
  next_ = NumberField(this, invoice_ids::kNext, wxTE_READONLY);
  KeepDigits(first_);
  KeepDigits(last_);

  // Set beside the two numbers it sends, Get beside the number only it fills.
  wxFlexGridSizer* grid = Grid(3);
  grid->Add(Label(this, "Начален номер:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(first_, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(Button(this, invoice_ids::kSet, "Set"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(Label(this, "Краен номер:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(last_, 0, wxALIGN_CENTER_VERTICAL);
  grid->AddSpacer(0);
  grid->Add(Label(this, "Следваш номер:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(next_, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(Button(this, invoice_ids::kGet, "Get"), 0, wxALIGN_CENTER_VERTICAL);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxALL, kGap * 3);
  top->Add(Button(this, wxID_OK, "Exit"), 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM,
           kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(wxID_OK))) exit->SetDefault();
  first_->SetFocus();

  SetExitButton(wxID_OK, kResultDone);
  Bind(wxEVT_BUTTON, &InvoiceNumbersDialog::OnGet, this, invoice_ids::kGet);
  Bind(wxEVT_BUTTON, &InvoiceNumbersDialog::OnSet, this, invoice_ids::kSet);
}

void InvoiceNumbersDialog::OnGet(wxCommandEvent&) {
  auto printer = OpenPrinter();
  if (printer->IsConnected()) GetInvoiceRange(*printer, *this);
}

void InvoiceNumbersDialog::OnSet(wxCommandEvent&) {
  if (!InvoiceRangeComplete(*this)) return;
  bool set = false;
  {
    auto printer = OpenPrinter();
    if (!printer->IsConnected()) return;
    set = SetInvoiceRange(*printer, *this);
  }
  // Read back what the printer now holds, once this button's port is closed.
  if (set) {
    wxCommandEvent get(wxEVT_BUTTON, invoice_ids::kGet);
    get.SetEventObject(this);
    wxPostEvent(this, get);
  }
}

std::string InvoiceNumbersDialog::First() {
  return ToCp1251(first_->GetValue());
}

std::string InvoiceNumbersDialog::Last() {
  return ToCp1251(last_->GetValue());
}

void InvoiceNumbersDialog::SetFirst(const std::string& text) {
  first_->ChangeValue(FromCp1251(text));
}

void InvoiceNumbersDialog::SetLast(const std::string& text) {
  last_->ChangeValue(FromCp1251(text));
}

void InvoiceNumbersDialog::SetNext(const std::string& text) {
  next_->ChangeValue(FromCp1251(text));
}

void InvoiceNumbersDialog::AskForMore() {
  ShowMessage(FromUtf8(kInvoiceMoreInfoText), FromUtf8("Грешка"), wxOK | wxICON_STOP);
}
