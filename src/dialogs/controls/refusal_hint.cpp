#include "dialogs/controls/refusal_hint.h"

#include <wx/popupwin.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

namespace {
constexpr int kShownMs = 4000;
constexpr int kPadding = 4;
}  // namespace

RefusalHint::RefusalHint(wxWindow* field) : field_(field) {}

RefusalHint::~RefusalHint() {
  timer_.Stop();
}

void RefusalHint::Show(const wxString& text) {
  ++count_;
  wxBell();
  if (!popup_) {
    popup_ = new wxPopupWindow(field_, wxBORDER_SIMPLE);
    popup_->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
    label_ = new wxStaticText(popup_, wxID_ANY, wxEmptyString);
    label_->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(label_, 0, wxALL, kPadding);
    popup_->SetSizer(sizer);
  }
  label_->SetLabel(text);
  popup_->GetSizer()->Fit(popup_);
  // Under the field; a window not on screen yet has no place to go under.
  const wxWindow* top = wxGetTopLevelParent(field_);
  if (top && top->IsShown())
    popup_->Move(field_->ClientToScreen(wxPoint(0, field_->GetClientSize().y)));
  popup_->Show();
  timer_.StartOnce(kShownMs);
}

void RefusalHint::Hide() {
  timer_.Stop();
  if (popup_ && popup_->IsShown()) popup_->Hide();
}

wxString RefusalHint::Shown() const {
  return popup_ && popup_->IsShown() ? label_->GetLabel() : wxString();
}
