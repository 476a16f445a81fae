#include "dialogs/operators_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "dialogs/layout.h"
#include "dialogs/line_field.h"
#include "dialogs/ui_text.h"

using layout::kGap;

namespace {

constexpr int kFirstTick = 1214;  // operators 1..8; operator 9 has its own
constexpr int kTick9 = 1244;
constexpr int kFirstName = 1225;  // name and password alternate: 1225, 1226, 1227, ...
const int kCounterIds[kOperatorCount] = {1037, 1039, 1040, 1041, 1222, 1223, 1224, 1243, 1245};

// A password field in the fixed-pitch font, masked or in clear, in place of
// `old` (same slot, identifier, text and limit). The toolkit cannot switch the
// mask of an existing field, so it is re-created.
MonospaceEdit* PasswordEdit(wxTextCtrl* old, bool masked) {
  long style = wxBORDER_SUNKEN | wxTE_NOHIDESEL | (masked ? wxTE_PASSWORD : 0);
  auto* edit = new MonospaceEdit(old->GetParent(), old->GetId(), wxEmptyString, old->GetPosition(),
                                 old->GetSize(), style);
  edit->SetFont(MonospaceFont());
  edit->SetMaxLength(kOperatorPasswordLimit);
  edit->ChangeValue(old->GetValue());
  edit->MoveAfterInTabOrder(old);
  if (wxSizer* sizer = old->GetContainingSizer()) {
    sizer->Replace(old, edit);
    edit->SetMinSize(old->GetMinSize());
  }
  old->Destroy();
  return edit;
}

}  // namespace

int OperatorsDialog::TickId(int n) {
  return n == kOperatorCount ? kTick9 : kFirstTick + n - 1;
}
int OperatorsDialog::NameId(int n) {
  return kFirstName + 2 * (n - 1);
}
int OperatorsDialog::PasswordId(int n) {
  return NameId(n) + 1;
}
int OperatorsDialog::CounterId(int n) {
  return kCounterIds[n - 1];
}

OperatorsDialog::OperatorsDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                                 DialogServices services)
    : PrinterDialog(parent, FromUtf8("Програмиране на име и парола на оператор"), ui, line,
                    std::move(services)) {
  auto* grid = new wxFlexGridSizer(6, kGap, kGap * 2);
  grid->Add(0, 0);
  grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8("Име на оператор")), 0, wxALIGN_CENTER);
  grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8("Оставащи")), 0, wxALIGN_CENTER);
  grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8("Парола")), 0, wxALIGN_CENTER);
  grid->Add(0, 0);
  grid->Add(0, 0);
  for (int n = 1; n <= kOperatorCount; ++n) BuildRow(grid, n);

  showPasswords_ = new wxCheckBox(this, kIdShowPasswords, FromUtf8("Покажи паролите"));

  auto* buttons = new wxGridSizer(2, 4, kGap, kGap);
  const std::pair<int, const char*> common[] = {
      {kIdSelectAll, "Select All"},         {kIdGetSelected, "Get Selected"},
      {kIdPrintSelected, "Print Selected"}, {kIdExit, "Exit"},
      {kIdUnselectAll, "Unselect All"},     {kIdSetSelected, "Set Selected"},
      {kIdPrintAll, "Print All"},
  };
  for (const auto& [id, caption] : common)
    buttons->Add(new wxButton(this, id, caption), 0, wxEXPAND);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxALL, 10);
  top->Add(showPasswords_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(top);
  CentreOnParent();

  for (int n = 1; n <= kOperatorCount; ++n)
    Bind(wxEVT_TEXT, &OperatorsDialog::OnNameChanged, this, NameId(n));
  Bind(wxEVT_CHECKBOX, &OperatorsDialog::OnShowPasswords, this, kIdShowPasswords);
  Bind(wxEVT_BUTTON, &OperatorsDialog::OnButton, this, kIdSelectAll, kIdPrintAll);
  SetExitButton(kIdExit, kResultDone);
}

void OperatorsDialog::BuildRow(wxFlexGridSizer* grid, int n) {
  RowControls& row = Row(n);
  row.tick = new wxCheckBox(this, TickId(n), FromUtf8("Оператор ") + wxString::Format("%d", n));
  auto* name = new wxTextCtrl(this, NameId(n));
  name->SetMinSize(LineFieldSize(this, kOperatorNameLimit));
  row.counter = new ColorLabel(this, CounterId(n), wxString::Format("%d", kOperatorNameLimit),
                               wxDefaultPosition, wxSize(GetCharWidth() * 3, -1), wxALIGN_RIGHT);
  auto* password = new wxTextCtrl(this, PasswordId(n));
  password->SetMinSize(LineFieldSize(this, kOperatorPasswordLimit));

  grid->Add(row.tick, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(name, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(row.counter, 0, wxALIGN_CENTER);
  grid->Add(password, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(new wxButton(this, kIdFirstGet + n - 1, "Get", wxDefaultPosition, wxDefaultSize,
                         wxBU_EXACTFIT),
            0, wxALIGN_CENTER_VERTICAL);
  grid->Add(new wxButton(this, kIdFirstSet + n - 1, "Set", wxDefaultPosition, wxDefaultSize,
                         wxBU_EXACTFIT),
            0, wxALIGN_CENTER_VERTICAL);

  row.name = CreateMonospaceEdit(name, 0, false);
  row.name->SetMaxLength(kOperatorNameLimit);
  row.password = PasswordEdit(password, true);
}

void OperatorsDialog::OnNameChanged(wxCommandEvent& event) {
  const int n = (event.GetId() - kFirstName) / 2 + 1;
  RowControls& row = Row(n);
  const CharCounter c = OperatorNameCounter(static_cast<int>(row.name->GetValue().length()));
  row.counter->SetLabel(c.text);
  row.counter->SetLabelColor(c.red ? *wxRED : *wxBLACK);
  row.tick->SetValue(true);
}

void OperatorsDialog::OnShowPasswords(wxCommandEvent&) {
  const bool masked = !showPasswords_->GetValue();
  for (RowControls& row : rows_) row.password = PasswordEdit(row.password, masked);
  Layout();
}

std::vector<int> OperatorsDialog::Ticked() const {
  std::vector<int> out;
  for (int n = 1; n <= kOperatorCount; ++n)
    if (Row(n).tick->GetValue()) out.push_back(n);
  return out;
}

void OperatorsDialog::ShowRecord(const OperatorRecord& record) {
  if (record.number < 1 || record.number > kOperatorCount) return;
  RowControls& row = Row(record.number);
  SetTextRedraw(row.name, FromCp1251(record.name));
  SetTextRedraw(row.password, FromCp1251(record.password));
}

bool OperatorsDialog::GetRow(FiscalPrinter& printer, int n) {
  OperatorRecord record;
  if (!CallDone(printer.ReadOperator(n, record), printer.LastOutcome())) return false;
  record.number = n;
  ShowRecord(record);
  return true;
}

bool OperatorsDialog::SetRow(FiscalPrinter& printer, int n) {
  const RowControls& row = Row(n);
  const auto name = PrinterText(row.name, "Име на оператор " + std::to_string(n));
  if (!name) return false;
  const auto password = PrinterText(row.password, "Парола " + std::to_string(n));
  if (!password) return false;
  return printer.Done(printer.SetOperator(n, *name, *password));
}

void OperatorsDialog::OnButton(wxCommandEvent& event) {
  const int id = event.GetId();
  if (id == kIdSelectAll || id == kIdUnselectAll) {
    for (RowControls& row : rows_) row.tick->SetValue(id == kIdSelectAll);
    return;
  }
  std::vector<int> operators = Ticked();
  if ((id == kIdGetSelected || id == kIdSetSelected || id == kIdPrintSelected) && operators.empty())
    return;

  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (id >= kIdFirstGet && id < kIdFirstGet + kOperatorCount) {
    GetRow(*printer, id - kIdFirstGet + 1);
  } else if (id >= kIdFirstSet && id < kIdFirstSet + kOperatorCount) {
    SetRow(*printer, id - kIdFirstSet + 1);
  } else if (id == kIdGetSelected || id == kIdSetSelected) {
    for (int n : operators)
      if (!(id == kIdGetSelected ? GetRow(*printer, n) : SetRow(*printer, n))) return;
  } else if (id == kIdPrintSelected || id == kIdPrintAll) {
    const bool all = id == kIdPrintAll;
    if (all) operators = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    PrintOperatorList(*printer, operators, all ? kFeedsAfterAll : kFeedsAfterSelected,
                      [this](const OperatorRecord& r) { ShowRecord(r); });
  }
}
