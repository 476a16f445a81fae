#pragma once

#include <wx/font.h>
#include <wx/textctrl.h>

// Edits for printer lines, shown in a fixed-pitch font so that the user sees the
// line as the printer will print it.

// "Courier New", normal weight, with a character cell 17 pixels high. Where that
// face is missing, fontconfig substitutes its metric-compatible twin (Liberation
// Mono), so widths and heights stay the same.
wxFont MonospaceFont();

// A single-line edit that remembers its length limit, so that it survives being
// re-created (the toolkit cannot report a control's limit).
class MonospaceEdit : public wxTextCtrl {
 public:
  MonospaceEdit(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                const wxSize& size, long style);

  void SetMaxLength(unsigned long len) override;
  // 0 = no limit.
  unsigned long MaxLength() const { return maxLength_; }

 private:
  unsigned long maxLength_ = 0;
};

// Replaces `edit` by a new edit in MonospaceFont in the same place: same parent,
// identifier, rectangle, sizer slot, tab position, text and length limit
// (whatever kind of edit `edit` is: its limit is read from the platform when
// `edit` is not a MonospaceEdit). `alignment` is 0 left,
// 1 centred, 2 right (anything else left). The new control has a sunken border,
// is read-only when asked, and is redrawn at once.
// `edit` is destroyed; the new control is returned (owned by the parent, like
// every child window). Event handlers bound to `edit` itself are not carried
// over: bind on the dialog by identifier instead.
MonospaceEdit* CreateMonospaceEdit(wxTextCtrl* edit, int alignment, bool readOnly);

// Sets the text and redraws the control at once.
void SetTextRedraw(wxTextCtrl* edit, const wxString& text);
