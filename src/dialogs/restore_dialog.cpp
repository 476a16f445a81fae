#include "dialogs/restore_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

namespace {

constexpr int kPasswordWidth = 6;
constexpr int kListWidth = 560;
constexpr int kListHeight = 220;
constexpr int kFiscalListHeight = 60;
constexpr int kChecksHeight = 60;

wxString U(const std::string& utf8) {
  return wxString::FromUTF8(utf8);
}

}  // namespace

wxString RestoreSummary(size_t changes, size_t fiscalChanges, bool includeFiscal) {
  const size_t total = changes + (includeFiscal ? fiscalChanges : 0);
  if (total == 0) return U("Няма какво да бъде записано.");
  wxString s = U("Промени за запис: ") + wxString::Format("%zu", total);
  if (includeFiscal && fiscalChanges > 0)
    s += U(" (от тях във фискалната памет: ") + wxString::Format("%zu)", fiscalChanges);
  return s;
}

RestoreDialog::RestoreDialog(wxWindow* parent, const wxString& file, const RestorePlan& plan,
                             const Preflight* check)
    : wxDialog(parent, wxID_ANY, U("Възстановяване на настройките"), wxDefaultPosition,
               wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      plan_(plan) {
  auto* all = new wxBoxSizer(wxVERTICAL);
  all->Add(new wxStaticText(this, wxID_ANY, U("Файл: ") + file), 0, wxALL, 10);
  if (check && !check->items.empty()) {
    checks_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(kListWidth, kChecksHeight));
    for (const CheckItem& item : check->items)
      checks_->Append(U(item.level == CheckLevel::kWarning ? "Внимание: " + item.text : item.text));
    all->Add(checks_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  }
  all->Add(new wxStaticText(this, wxID_ANY, U("Разлики спрямо принтера (нищо не е изпратено):")), 0,
           wxLEFT | wxRIGHT, 10);
  changes_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(kListWidth, kListHeight));
  for (const RestoreStep& step : plan.steps) changes_->Append(U(DescribeStep(step, true)));
  all->Add(changes_, 1, wxEXPAND | wxALL, 10);

  if (!plan.fiscalLeftOut.empty()) {
    auto* box = new wxStaticBoxSizer(wxVERTICAL, this, U("Фискална памет"));
    fiscalChanges_ = new wxListBox(box->GetStaticBox(), wxID_ANY, wxDefaultPosition,
                                   wxSize(kListWidth, kFiscalListHeight));
    for (const RestoreStep& step : plan.fiscalLeftOut)
      fiscalChanges_->Append(U(DescribeStep(step, true)));
    box->Add(fiscalChanges_, 0, wxEXPAND | wxALL, 4);
    fiscal_ = new wxCheckBox(
        box->GetStaticBox(), wxID_ANY,
        wxString::Format(U("Запиши и тези промени: %zu запис(а) във фискалната памет, всеки "
                           "окончателен"),
                         plan.fiscalLeftOut.size()));
    box->Add(fiscal_, 0, wxALL, 4);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(box->GetStaticBox(), wxID_ANY, U("Сервизна парола:")), 0,
             wxALIGN_CENTRE_VERTICAL | wxRIGHT, 6);
    password_ = new wxTextCtrl(box->GetStaticBox(), wxID_ANY, kDefaultServicePassword);
    password_->SetMaxLength(kPasswordWidth);
    password_->Enable(false);
    row->Add(password_, 0);
    box->Add(row, 0, wxALL, 4);
    all->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    fiscal_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
      password_->Enable(fiscal_->GetValue());
      UpdateSummary();
    });
  }

  summary_ = new wxStaticText(this, wxID_ANY, wxString());
  all->Add(summary_, 0, wxALL, 10);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  restore_ = new wxButton(this, wxID_OK, U("Възстановяване"));
  buttons->Add(restore_, 0, wxRIGHT, 8);
  buttons->Add(new wxButton(this, wxID_CANCEL, U("Отказ")), 0);
  all->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(all);
  UpdateSummary();
  SetEscapeId(wxID_CANCEL);
}

std::string RestoreDialog::Password() const {
  return password_ ? std::string(password_->GetValue().utf8_str()) : std::string();
}

void RestoreDialog::UpdateSummary() {
  summary_->SetLabel(
      RestoreSummary(plan_.steps.size(), plan_.fiscalLeftOut.size(), IncludeFiscal()));
  const bool anything = !plan_.steps.empty() || IncludeFiscal();
  restore_->Enable(anything);
  if (anything) restore_->SetDefault();
}
