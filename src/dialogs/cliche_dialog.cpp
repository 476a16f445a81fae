#include "dialogs/cliche_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "dialogs/layout.h"
#include "dialogs/line_field.h"
#include "dialogs/ui_text.h"

using layout::kGap;

ClicheDialog::ClicheDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                           DialogServices services, int width)
    : PrinterDialog(parent, FromUtf8("Програмиране на клише и други"), ui, line,
                    std::move(services)),
      width_(width == kClicheWideWidth ? kClicheWideWidth : kClicheNarrowWidth) {
  auto* grid = new wxFlexGridSizer(6, kGap, kGap);
  for (int r = 0; r < kRows; ++r) BuildRow(grid, r);

  // Two rows of three, so that the rows of lines, not the buttons, set the
  // dialog's width (wider in the wide layout).
  auto* buttons = new wxGridSizer(2, 3, kGap, kGap);
  const std::pair<int, const char*> common[] = {
      {kIdSelectAll, "Select All"},     {kIdGetSelected, "Get Selected"}, {kIdTest, "Test"},
      {kIdUnselectAll, "Unselect All"}, {kIdSetSelected, "Set Selected"}, {kIdExit, "Exit"},
  };
  for (const auto& [id, caption] : common)
    buttons->Add(new wxButton(this, id, caption), 0, wxEXPAND);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 1, wxEXPAND | wxALL, 10);
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(top);
  CentreOnParent();

  // Bound on the dialog by identifier: the fields are re-created.
  Bind(wxEVT_TEXT, &ClicheDialog::OnText, this, kIdEdit, kIdEdit + kRows - 1);
  Bind(wxEVT_CHOICE, &ClicheDialog::OnAlignment, this, kIdAlignment, kIdAlignment + kRows - 1);
  Bind(wxEVT_BUTTON, &ClicheDialog::OnRowButton, this, kIdGet, kIdGet + kRows - 1);
  Bind(wxEVT_BUTTON, &ClicheDialog::OnRowButton, this, kIdSet, kIdSet + kRows - 1);
  Bind(wxEVT_BUTTON, &ClicheDialog::OnSelected, this, kIdSelectAll, kIdSetSelected);
  Bind(wxEVT_BUTTON, &ClicheDialog::OnTest, this, kIdTest);
  SetExitButton(kIdExit, kResultDone);
}

void ClicheDialog::BuildRow(wxFlexGridSizer* grid, int r) {
  const ClicheRow& spec = kClicheRows[static_cast<size_t>(r)];
  const int limit = ClicheRowLimit(spec, width_);
  Row& row = rows_[static_cast<size_t>(r)];
  row.tick = new wxCheckBox(this, kIdTick + r, FromUtf8(spec.caption));
  auto* plain = new wxTextCtrl(this, kIdEdit + r);
  plain->SetMinSize(LineFieldSize(this, width_));
  row.counter = new ColorLabel(this, kIdCounter + r, wxString::Format("%d", limit),
                               wxDefaultPosition, wxSize(GetCharWidth() * 3, -1), wxALIGN_RIGHT);
  row.alignment = layout::Choice(this, kIdAlignment + r, {"Left", "Centered", "Right"}, 0);

  grid->Add(row.tick, 0, wxALIGN_CENTER_VERTICAL);
  // The label and the greeting are short: their fields keep the full width so
  // that the columns line up.
  grid->Add(plain, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
  grid->Add(row.counter, 0, wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT);
  grid->Add(row.alignment, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(new wxButton(this, kIdGet + r, "Get", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT),
            0, wxALIGN_CENTER_VERTICAL);
  grid->Add(new wxButton(this, kIdSet + r, "Set", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT),
            0, wxALIGN_CENTER_VERTICAL);

  row.edit = CreateMonospaceEdit(plain, 0, false);
  row.edit->SetMaxLength(static_cast<unsigned long>(limit));
}

void ClicheDialog::Realign(int r, int alignment) {
  Row& row = rows_[static_cast<size_t>(r)];
  row.edit = CreateMonospaceEdit(row.edit, alignment, false);
  Layout();
}

void ClicheDialog::UpdateCounter(int r) {
  Row& row = rows_[static_cast<size_t>(r)];
  const CharCounter c = ClicheCounter(kClicheRows[static_cast<size_t>(r)], width_,
                                      static_cast<int>(row.edit->GetValue().length()));
  row.counter->SetLabel(c.text);
  row.counter->SetLabelColor(c.red ? *wxRED : *wxBLACK);
}

void ClicheDialog::OnText(wxCommandEvent& event) {
  const int r = event.GetId() - kIdEdit;
  UpdateCounter(r);
  rows_[static_cast<size_t>(r)].tick->SetValue(true);
}

void ClicheDialog::OnAlignment(wxCommandEvent& event) {
  const int r = event.GetId() - kIdAlignment;
  Realign(r, rows_[static_cast<size_t>(r)].alignment->GetSelection());
}

bool ClicheDialog::GetRow(FiscalPrinter& printer, int r) {
  const ClicheRow& spec = kClicheRows[static_cast<size_t>(r)];
  HeaderLine read;
  if (!CallDone(printer.ReadHeaderLine(spec.line, read), printer.LastOutcome())) return false;
  Row& row = rows_[static_cast<size_t>(r)];
  row.alignment->SetSelection(read.alignment);
  Realign(r, read.alignment);
  SetTextRedraw(row.edit, FromCp1251(ClicheFieldText(spec, read.text)));
  return true;
}

bool ClicheDialog::SetRow(FiscalPrinter& printer, int r) {
  const ClicheRow& spec = kClicheRows[static_cast<size_t>(r)];
  const Row& row = rows_[static_cast<size_t>(r)];
  const auto text = PrinterText(row.edit, spec.caption);
  if (!text) return false;
  return printer.Done(printer.SetHeaderLine(spec.line, *text, row.alignment->GetSelection(),
                                            ClicheRowLimit(spec, width_)));
}

void ClicheDialog::OnRowButton(wxCommandEvent& event) {
  const bool get = event.GetId() < kIdSet;
  const int r = event.GetId() - (get ? kIdGet : kIdSet);
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  if (get)
    GetRow(*printer, r);
  else
    SetRow(*printer, r);
}

void ClicheDialog::OnSelected(wxCommandEvent& event) {
  switch (event.GetId()) {
    case kIdSelectAll:
      TickAll(true);
      return;
    case kIdUnselectAll:
      TickAll(false);
      return;
    default:
      break;
  }
  const bool get = event.GetId() == kIdGetSelected;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  for (int r = 0; r < kRows; ++r) {
    if (!rows_[static_cast<size_t>(r)].tick->GetValue()) continue;
    if (!(get ? GetRow(*printer, r) : SetRow(*printer, r))) return;
  }
}

void ClicheDialog::OnTest(wxCommandEvent&) {
  auto printer = OpenPrinter();
  if (printer->IsConnected()) printer->PrintEmptyServiceReceipt();
}

void ClicheDialog::TickAll(bool on) {
  for (Row& row : rows_) row.tick->SetValue(on);
}

int ClicheWidthFromPrinter(UiHost* ui, const PrinterLine& line, const DialogServices& services) {
  const std::unique_ptr<FiscalPrinter> printer = services.OpenPrinter(ui, line);
  if (!printer->IsConnected()) return 0;
  HeaderLine line1;
  if (!CallDone(printer->ReadHeaderLine(1, line1), printer->LastOutcome())) return 0;
  return ClicheWidthForLine1(line1);
}

void RunClicheDialogFromMenu(UiHost* ui, const PrinterLine& line, const DialogServices& services) {
  const int width = ClicheWidthFromPrinter(ui, line, services);
  if (width == 0) return;
  ClicheDialog dialog(nullptr, nullptr, line, services, width);
  dialog.ShowModal();
}
