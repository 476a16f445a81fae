#pragma once

#include <array>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "link/prompt_style.h"

// The program's message dialog: an icon, a text of one or more lines and one to
// three buttons whose captions and results come from a PromptStyle word. It sizes
// itself to the measured text (LayoutPrompt) and centres on its owner.
//
// ShowModal beeps, runs the dialog and returns the pressed button's result; the
// close box and Escape return 2 (kPromptClosedResult). Enter presses the default
// button, if the style names one.
class PromptDialog : public wxDialog {
 public:
  // Identifiers of the four buttons (first to fourth), the icon and the text.
  static constexpr std::array<int, 4> kButtonIds = {1173, 1170, 1171, 1172};
  static constexpr int kIconId = 1167;
  static constexpr int kTextId = 1168;

  // `owner` may be null (centred on the screen then). An empty caption shows the
  // application's name. `textStyle` bit 0 centres the text, bit 1 right-aligns it.
  PromptDialog(wxWindow* owner, const wxString& text, const wxString& caption, unsigned style,
               int textStyle);

  int ShowModal() override;

  // For inspection (tests, pictures): the decoded style, the layout applied, the
  // four buttons (hidden ones included) and the two fields.
  const PromptStyle& Style() const { return style_; }
  const PromptLayout& Layout() const { return layout_; }
  wxButton* Button(int index) const { return buttons_.at(static_cast<size_t>(index)); }
  wxStaticBitmap* IconField() const { return icon_; }
  wxStaticText* TextField() const { return text_; }
  // The measured text: widest line, and lines x (character height + leading).
  wxSize TextSize() const { return textSize_; }
  // Height of one text line as measured.
  int LineHeight() const { return lineHeight_; }

 private:
  wxBitmap IconBitmap() const;
  void MeasureText(const wxString& text);
  void OnButton(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void Finish(int result);

  PromptStyle style_;
  PromptLayout layout_{};
  std::array<wxButton*, 4> buttons_{};
  wxStaticBitmap* icon_ = nullptr;
  wxStaticText* text_ = nullptr;
  wxSize textSize_;
  int lineHeight_ = 0;
};
