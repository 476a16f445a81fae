#include "dialogs/fm_report_dialog.h"

#include <wx/button.h>

#include "dialogs/layout.h"
#include "dialogs/ui_text.h"

using namespace layout;

FmReportDialog::FmReportDialog(wxWindow* parent, const char* title, UiHost* ui,
                               const PrinterLine& line, DialogServices services)
    : PrinterDialog(parent, FromUtf8(title), ui, line, std::move(services)) {}

void FmReportDialog::LayOut(wxSizer* fields, int fieldFlags, const ButtonIds& ids) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(fields, 0, fieldFlags | wxALL, kGap * 3);
  top->Add(ButtonRow(this, {{ids.shortReport, "Съкратен"},
                            {ids.detailedReport, "Подробен"},
                            {ids.exit, "Exit"}}),
           0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, kGap * 3);
  SetSizerAndFit(top);
  CentreOnParent();
  if (auto* exit = dynamic_cast<wxButton*>(FindWindow(ids.exit))) {
    exit->SetDefault();
    exit->SetFocus();
  }

  SetExitButton(ids.exit, kResultDone);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { Print(FmReportDetail::kShort); }, ids.shortReport);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { Print(FmReportDetail::kDetailed); },
      ids.detailedReport);
}

bool FmReportDialog::OpeningReady(FmReportOpening opening) {
  if (opening == FmReportOpening::kNoReports)
    ShowMessage(FromUtf8(kNoFiscalReportsText), FromUtf8(kNoFiscalReportsCaption),
                wxOK | wxICON_STOP);
  if (opening == FmReportOpening::kReady) return true;
  CloseItself();
  return false;
}
