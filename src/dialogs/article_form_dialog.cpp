#include "dialogs/article_form_dialog.h"

#include <wx/button.h>
#include <wx/stattext.h>

#include "dialogs/article_fields.h"
#include "dialogs/field_spin.h"
#include "dialogs/ui_text.h"
#include "driver/limits.h"
#include "driver/status_flags.h"

namespace {
constexpr int kGap = 6;
constexpr int kBorder = 10;
}  // namespace

ArticleFormDialog::ArticleFormDialog(wxWindow* parent, const char* title, UiHost* ui,
                                     const PrinterLine& line, DialogServices services, int numberId,
                                     int numberSpinId)
    : PrinterDialog(parent, FromUtf8(title), ui, line, std::move(services)) {
  number_ = new NumericEdit(this, numberId, wxDefaultPosition, wxSize(GetCharWidth() * 6 + 16, -1));
  ConfigureNumber(number_, ArticleNumberConfig());
  auto* spin = new wxSpinButton(this, numberSpinId, wxDefaultPosition, wxDefaultSize,
                                wxSP_VERTICAL | wxSP_ARROW_KEYS);
  spin->SetRange(Limit::kFirstArticle, Limit::kLastArticle);
  spin->SetValue(1);
  TieSpinToField(spin, number_);
  grid_ = new wxFlexGridSizer(2, kGap, kGap);
  AddRow("Артикул Номер:", number_, spin);
}

void ArticleFormDialog::AddRow(const char* caption, wxWindow* control, wxWindow* spin) {
  grid_->Add(new wxStaticText(this, wxID_ANY, FromUtf8(caption)), 0, wxALIGN_CENTER_VERTICAL);
  if (!spin) {
    grid_->Add(control, 0, wxALIGN_CENTER_VERTICAL);
    return;
  }
  auto* pair = new wxBoxSizer(wxHORIZONTAL);
  pair->Add(control, 0, wxALIGN_CENTER_VERTICAL);
  pair->Add(spin, 0, wxALIGN_CENTER_VERTICAL);
  grid_->Add(pair);
}

wxSizer* ArticleFormDialog::Arrange(std::initializer_list<std::pair<int, const char*>> buttons) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  size_t n = 0;
  for (const auto& [id, label] : buttons)
    row->Add(new wxButton(this, id, label), 1, ++n < buttons.size() ? wxRIGHT : 0, kGap);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid_, 0, wxALL, kBorder);
  top->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);
  return top;
}

std::optional<char> ArticleFormDialog::ReadDecimalMode() {
  auto printer = OpenPrinter();
  StatusFlags flags{};
  if (!printer->IsConnected() || !printer->Done(printer->ReadStatus(flags))) {
    CloseItself();
    return std::nullopt;
  }
  return DecimalModeFromStatus(flags);
}

std::optional<ArticleRecord> ArticleFormDialog::ReadTypedArticle() {
  const auto number = ReadField(number_, "Артикул Номер");
  if (!number) return std::nullopt;
  auto printer = OpenPrinter();
  if (!printer->IsConnected()) return std::nullopt;
  ArticleRecord article;
  if (!printer->Done(printer->ReadArticle(static_cast<int>(*number), article))) return std::nullopt;
  return article;
}
