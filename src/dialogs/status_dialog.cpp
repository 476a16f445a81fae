#include "dialogs/status_dialog.h"

#include <wx/button.h>

#include <algorithm>

#include "dialogs/ui_text.h"

namespace {

// Dialog-unit geometry of the window and its button row.
constexpr int kClientWidth = 297;
constexpr int kClientHeight = 150;
constexpr int kButtonY = 129;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

}  // namespace

StatusDialog::StatusDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                           DialogServices services)
    : PrinterDialog(parent, "Status", ui, line, std::move(services)) {
  // Dialog units follow the dialog's font. Where the toolkit cannot draw a
  // check box as low as ten units, or a caption as narrow as the box, the
  // whole window is stretched in that direction so that the proportions stay.
  const wxSize unit = ConvertDialogToPixels(wxSize(100, 100));
  double ux = unit.x / 100.0;
  double uy = unit.y / 100.0;

  for (size_t i = 0; i < kStatusBoxes.size(); ++i) {
    const StatusBox& b = kStatusBoxes[i];
    boxes_[i] = new wxCheckBox(this, b.id, FromUtf8(b.caption));
    // Read-only: the boxes show what the printer reported. They stay enabled so
    // that a tick reads clearly (a disabled box is greyed out); a click is
    // simply undone, and they take no keyboard focus.
    boxes_[i]->DisableFocusFromKeyboard();
  }
  Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& e) {
    for (size_t i = 0; i < boxes_.size(); ++i)
      if (boxes_[i]->GetId() == e.GetId()) boxes_[i]->SetValue(shown_[i]);
  });
  wxSize best;
  for (auto* box : boxes_) best.IncTo(box->GetBestSize());
  ux = std::max(ux, best.x / static_cast<double>(kStatusBoxWidth));
  uy = std::max(uy, best.y / static_cast<double>(kStatusBoxHeight));
  auto px = [&](int x, int y) {
    return wxPoint(static_cast<int>(x * ux + 0.5), static_cast<int>(y * uy + 0.5));
  };
  auto size = [&](int w, int h) {
    return wxSize(static_cast<int>(w * ux + 0.5), static_cast<int>(h * uy + 0.5));
  };

  for (size_t i = 0; i < kStatusBoxes.size(); ++i) {
    const StatusBox& b = kStatusBoxes[i];
    boxes_[i]->SetSize(wxRect(px(b.x, b.y), size(kStatusBoxWidth, kStatusBoxHeight)));
  }

  struct ButtonDef {
    int id;
    const char* caption;
    int x;
  };
  const ButtonDef buttons[] = {{kIdGetStatus, "Get Status", 11},
                               {wxID_OK, "Exit", 86},
                               {kIdVersion, "Версия", 161},
                               {kIdDiagnostics, "Диагностика", 236}};
  for (const ButtonDef& d : buttons) {
    auto* button = new wxButton(this, d.id, FromUtf8(d.caption));
    // The button row keeps the toolkit's own button height.
    const wxSize s(size(kButtonWidth, kButtonHeight).x, button->GetBestSize().y);
    button->SetSize(wxRect(px(d.x, kButtonY), s));
    if (d.id == wxID_OK) button->SetDefault();
  }
  SetClientSize(size(kClientWidth, kClientHeight));
  SetExitButton(wxID_OK, kResultDone);
  Centre();

  Bind(wxEVT_BUTTON, &StatusDialog::OnGetStatus, this, kIdGetStatus);
  Bind(wxEVT_BUTTON, &StatusDialog::OnVersion, this, kIdVersion);
  Bind(wxEVT_BUTTON, &StatusDialog::OnDiagnostics, this, kIdDiagnostics);
}

bool StatusDialog::Refresh() {
  StatusFlags flags{};
  {
    const auto printer = OpenPrinter();
    if (!printer->IsConnected() || !CallDone(printer->ReadStatus(flags), printer->LastOutcome())) {
      CloseItself();
      return false;
    }
  }
  for (size_t i = 0; i < kStatusBoxes.size(); ++i)
    ShowBox(i, StatusBoxTicked(kStatusBoxes[i], flags));
  return true;
}

void StatusDialog::ShowBox(size_t index, bool ticked) {
  shown_[index] = ticked;
  wxCheckBox* box = boxes_[index];
  box->SetValue(ticked);
  const wxColour colour(kStatusTickedColour[0], kStatusTickedColour[1], kStatusTickedColour[2]);
  box->SetForegroundColour(ticked ? colour : wxNullColour);
  box->Refresh();
}

void StatusDialog::OnGetStatus(wxCommandEvent&) {
  Refresh();
}

void StatusDialog::OnVersion(wxCommandEvent&) {
  std::string version;
  {
    const auto printer = OpenPrinter();
    if (printer->IsConnected()) version = printer->ReadVersion();
  }
  if (!version.empty()) ShowMessage(FromCp1251(version), FromUtf8("Версия"));
}

void StatusDialog::OnDiagnostics(wxCommandEvent&) {
  const auto printer = OpenPrinter();
  if (printer->IsConnected()) printer->PrintDiagnostics();
}
