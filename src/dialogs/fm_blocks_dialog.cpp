#include "dialogs/fm_blocks_dialog.h"

#include <algorithm>

#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

namespace {

using namespace layout;

constexpr int kBlockDigits = 4;

// A block number field with its up-down control beside it; the two follow
// each other.
wxSizer* BlockField(wxWindow* parent, const char* caption, NumericEdit*& edit, int editId,
                    wxSpinButton*& spin, int spinId) {
  edit = new NumericEdit(parent, editId, wxDefaultPosition, wxDefaultSize, wxTE_RIGHT);
  edit->SetMinSize(wxSize(parent->GetCharWidth() * 7 + 16, -1));
  spin = new wxSpinButton(parent, spinId, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
  spin->Bind(wxEVT_SPIN, [edit, spin](wxSpinEvent&) { edit->SetIntegerValue(spin->GetValue()); });
  edit->Bind(wxEVT_TEXT, [edit, spin](wxCommandEvent& e) {
    spin->SetValue(std::clamp(edit->GetIntegerValue(), spin->GetMin(), spin->GetMax()));
    e.Skip();
  });
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(Label(parent, caption), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap * 2);
  row->Add(edit, 0, wxALIGN_CENTER_VERTICAL);
  row->Add(spin, 0, wxEXPAND);
  return row;
}

}  // namespace

FmBlocksDialog::FmBlocksDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                               DialogServices services)
    : FmReportDialog(parent, "Отчет на ФП по блокове", ui, line, std::move(services)) {
  auto* fields = new wxBoxSizer(wxHORIZONTAL);
  fields->Add(BlockField(this, "От", from_, kIdFrom, fromSpin_, kIdFromSpin), 0, wxRIGHT, kGap * 4);
  fields->Add(BlockField(this, "До", to_, kIdTo, toSpin_, kIdToSpin));
  LayOut(fields, wxALIGN_CENTER, {kIdShort, kIdDetailed, kIdExit});
}

bool FmBlocksDialog::ReadAtOpening() {
  FmBlocksPreset preset;
  {
    auto printer = OpenPrinter();
    if (printer->IsConnected()) preset = ReadFmBlocksPreset(*printer);
  }
  if (!OpeningReady(preset.opening)) return false;
  const int last = preset.lastReport;
  fromSpin_->SetRange(1, last);
  toSpin_->SetRange(1, last);
  from_->ConfigureInteger(1, last, kBlockDigits, 1);
  to_->ConfigureInteger(1, last, kBlockDigits, last);
  return true;
}

void FmBlocksDialog::Print(FmReportDetail detail) {
  // An emptied field would otherwise go out as block 0.
  const auto from = ReadField(from_, "От");
  if (!from) return;
  const auto to = ReadField(to_, "До");
  if (!to) return;
  auto printer = OpenPrinter();
  if (printer->IsConnected())
    PrintFmReportByBlocks(*printer, detail, static_cast<int>(*from), static_cast<int>(*to));
}
