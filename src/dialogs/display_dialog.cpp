#include "dialogs/display_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "dialogs/layout.h"
#include "dialogs/line_field.h"
#include "dialogs/ui_text.h"

namespace {

constexpr int kGap = 6;
constexpr int kAlignCentre = 1;
constexpr int kLineChars = 20;  // one line of the display

struct TextRow {
  int textId, alignmentId, sendId;
  const char* send;
  int limit;
};
const TextRow kRows[DisplayDialog::kTexts] = {
    {DisplayDialog::kIdLine1Text, DisplayDialog::kIdLine1Alignment, DisplayDialog::kIdSendLine1,
     "Първи Ред", kLineChars},
    {DisplayDialog::kIdLine2Text, DisplayDialog::kIdLine2Alignment, DisplayDialog::kIdSendLine2,
     "Втори Ред", kLineChars},
    {DisplayDialog::kIdBothText, DisplayDialog::kIdBothAlignment, DisplayDialog::kIdSendBoth,
     "И на двата реда", 2 * kLineChars},
};

int RowOfAlignment(int id) {
  for (int i = 0; i < DisplayDialog::kTexts; ++i)
    if (kRows[i].alignmentId == id) return i;
  return 0;
}

}  // namespace

DisplayDialog::DisplayDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                             DialogServices services)
    : PrinterDialog(parent, FromUtf8("Програмиране външен дисплей"), ui, line,
                    std::move(services)) {
  auto* grid = new wxFlexGridSizer(3, kGap, kGap);
  grid->AddGrowableCol(0);
  for (int i = 0; i < kTexts; ++i) {
    const TextRow& r = kRows[i];
    auto* plain = new wxTextCtrl(this, r.textId);
    plain->SetMinSize(LineFieldSize(this, r.limit));
    auto* alignment =
        layout::Choice(this, r.alignmentId, {"Left", "Centered", "Right"}, kAlignCentre);
    alignments_[static_cast<size_t>(i)] = alignment;
    grid->Add(plain, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
    grid->Add(alignment, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(new wxButton(this, r.sendId, FromUtf8(r.send)), 0, wxEXPAND);
    texts_[static_cast<size_t>(i)] = CreateMonospaceEdit(plain, kAlignCentre, false);
    texts_[static_cast<size_t>(i)]->SetMaxLength(static_cast<unsigned long>(r.limit));
  }

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(this, kIdDateTime, FromUtf8("Дата и Час")), 1, wxRIGHT, kGap);
  buttons->Add(new wxButton(this, kIdClear, "Clear"), 1, wxRIGHT, kGap);
  buttons->Add(new wxButton(this, kIdExit, "Exit"), 1);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxEXPAND | wxALL, 10);
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(top);
  CentreOnParent();

  Bind(wxEVT_CHOICE, &DisplayDialog::OnAlignment, this, kIdLine1Alignment, kIdBothAlignment);
  for (int id : {kIdSendLine1, kIdSendLine2, kIdSendBoth, kIdDateTime, kIdClear})
    Bind(wxEVT_BUTTON, &DisplayDialog::OnSend, this, id);
  SetExitButton(kIdExit, kResultDone);
}

void DisplayDialog::OnAlignment(wxCommandEvent& event) {
  const size_t i = static_cast<size_t>(RowOfAlignment(event.GetId()));
  texts_[i] = CreateMonospaceEdit(texts_[i], alignments_[i]->GetSelection(), false);
  Layout();
}

void DisplayDialog::OnSend(wxCommandEvent& event) {
  const int id = event.GetId();
  // The line's text is checked before the port is opened: nothing goes out
  // with a character the display cannot show.
  std::string line;
  for (int i = 0; i < kTexts; ++i) {
    if (kRows[i].sendId != id) continue;
    const auto text = PrinterText(texts_[static_cast<size_t>(i)], kRows[i].send);
    if (!text) return;
    line = *text;
  }
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return;
  auto alignment = [this](int i) { return alignments_[static_cast<size_t>(i)]->GetSelection(); };
  switch (id) {
    case kIdSendLine1:
      printer->DisplayLine(1, line, alignment(0));
      break;
    case kIdSendLine2:
      printer->DisplayLine(2, line, alignment(1));
      break;
    case kIdSendBoth:
      printer->DisplayBothLines(line, alignment(2));
      break;
    case kIdDateTime:
      printer->DisplayDateTime();
      break;
    case kIdClear:
      printer->ClearDisplay();
      break;
    default:
      break;
  }
}
