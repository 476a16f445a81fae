#include "dialogs/prompt_dialog.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/utils.h>

#include "dialogs/program_icon.h"

namespace {

constexpr int kIconSize = 32;

wxString Caption(const wxString& caption) {
  if (!caption.empty()) return caption;
  return wxTheApp ? wxTheApp->GetAppDisplayName() : wxString();
}

long TextAlignment(int textStyle) {
  if (textStyle & 1) return wxALIGN_CENTRE_HORIZONTAL;
  if (textStyle & 2) return wxALIGN_RIGHT;
  return wxALIGN_LEFT;
}

}  // namespace

PromptDialog::PromptDialog(wxWindow* owner, const wxString& text, const wxString& caption,
                           unsigned style, int textStyle)
    : wxDialog(owner, wxID_ANY, Caption(caption), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      style_(PromptStyle::Decode(style)) {
  // Icon, buttons with their captions and results, default button.
  icon_ = new wxStaticBitmap(this, kIconId, IconBitmap());
  for (size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i] = new wxButton(this, kButtonIds[i], wxEmptyString);
    buttons_[i]->Hide();
  }
  const int shown = std::min<int>(static_cast<int>(style_.buttons.size()), 4);
  int buttonW = 0;
  int buttonH = 0;
  for (int i = 0; i < shown; ++i) {
    wxButton* b = buttons_[static_cast<size_t>(i)];
    b->SetLabel(wxString::FromUTF8(style_.buttons[static_cast<size_t>(i)].caption));
    b->Show();
    const wxSize best = b->GetBestSize();
    buttonW = std::max(buttonW, best.x);
    buttonH = std::max(buttonH, best.y);
  }
  if (style_.defaultButton >= 0 && style_.defaultButton < shown) {
    buttons_[static_cast<size_t>(style_.defaultButton)]->SetDefault();
  }

  text_ = new wxStaticText(this, kTextId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                           wxST_NO_AUTORESIZE | TextAlignment(textStyle));
  text_->SetLabelText(text);
  MeasureText(text);

  const wxSize iconSize =
      icon_->GetBitmap().IsOk() ? icon_->GetBitmap().GetSize() : wxSize(kIconSize, kIconSize);
  layout_ =
      LayoutPrompt({iconSize.x, iconSize.y, buttonW, buttonH, textSize_.x, textSize_.y, shown});
  icon_->SetSize(layout_.icon.x, layout_.icon.y, layout_.icon.w, layout_.icon.h);
  text_->SetSize(layout_.text.x, layout_.text.y, layout_.text.w, layout_.text.h);
  for (int i = 0; i < shown && i < static_cast<int>(layout_.buttons.size()); ++i) {
    const PromptRect& r = layout_.buttons[static_cast<size_t>(i)];
    buttons_[static_cast<size_t>(i)]->SetSize(r.x, r.y, r.w, r.h);
  }
  SetClientSize(layout_.clientW, layout_.clientH);

  if (style_.focusDefault && style_.defaultButton >= 0 && style_.defaultButton < shown) {
    buttons_[static_cast<size_t>(style_.defaultButton)]->SetFocus();
  } else if (shown > 0) {
    buttons_[0]->SetFocus();
  }
  if (owner) {
    CentreOnParent();
  } else {
    Centre();
  }

  Bind(wxEVT_BUTTON, &PromptDialog::OnButton, this);
  Bind(wxEVT_CLOSE_WINDOW, &PromptDialog::OnClose, this);
  Bind(wxEVT_CHAR_HOOK, &PromptDialog::OnCharHook, this);
}

wxBitmap PromptDialog::IconBitmap() const {
  const wxSize size(kIconSize, kIconSize);
  wxBitmap bitmap;
  switch (style_.icon) {
    case PromptIcon::kStop:
      bitmap = wxArtProvider::GetBitmap(wxART_ERROR, wxART_MESSAGE_BOX, size);
      break;
    case PromptIcon::kQuestion:
      bitmap = wxArtProvider::GetBitmap(wxART_QUESTION, wxART_MESSAGE_BOX, size);
      break;
    case PromptIcon::kExclamation:
      bitmap = wxArtProvider::GetBitmap(wxART_WARNING, wxART_MESSAGE_BOX, size);
      break;
    case PromptIcon::kApplication:
      break;
  }
  if (!bitmap.IsOk()) bitmap = ProgramIconBitmap(kIconSize);
  return bitmap;
}

void PromptDialog::MeasureText(const wxString& text) {
  int widest = 0;
  int leading = 0;
  const std::vector<std::string> lines = SplitPromptLines(text.utf8_string());
  for (const std::string& line : lines) {
    int w = 0;
    int h = 0;
    int descent = 0;
    int externalLeading = 0;
    text_->GetTextExtent(wxString::FromUTF8(line), &w, &h, &descent, &externalLeading);
    widest = std::max(widest, w);
    leading = std::max(leading, externalLeading);
  }
  lineHeight_ = text_->GetCharHeight() + leading;
  textSize_ = wxSize(widest, static_cast<int>(lines.size()) * lineHeight_);
}

void PromptDialog::OnButton(wxCommandEvent& event) {
  const int shown = static_cast<int>(std::min<size_t>(style_.buttons.size(), 4));
  for (int i = 0; i < shown; ++i) {
    if (event.GetId() == kButtonIds[static_cast<size_t>(i)]) {
      Finish(style_.buttons[static_cast<size_t>(i)].result);
      return;
    }
  }
  event.Skip();
}

void PromptDialog::OnClose(wxCloseEvent&) {
  Finish(kPromptClosedResult);
}

void PromptDialog::OnCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_ESCAPE) {
    Finish(kPromptClosedResult);
    return;
  }
  event.Skip();
}

void PromptDialog::Finish(int result) {
  if (IsModal()) {
    EndModal(result);
  } else {
    SetReturnCode(result);
    Hide();
  }
}

int PromptDialog::ShowModal() {
  wxBell();
  return wxDialog::ShowModal();
}
