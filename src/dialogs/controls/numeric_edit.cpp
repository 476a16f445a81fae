#include "dialogs/controls/numeric_edit.h"

#include <algorithm>
#include <optional>

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

#include "dialogs/controls/control_letter.h"

NumericEdit::NumericEdit(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                         long style)
    : wxTextCtrl(parent, id, wxEmptyString, pos, size, style) {
  rule_.SetReadOnly((style & wxTE_READONLY) != 0);
  Bind(wxEVT_CHAR, &NumericEdit::OnChar, this);
  Bind(wxEVT_TEXT_PASTE, &NumericEdit::OnPasteEvent, this);
  Bind(wxEVT_KILL_FOCUS, &NumericEdit::OnKillFocus, this);
  Bind(wxEVT_TEXT, &NumericEdit::OnText, this);
}

void NumericEdit::DoSetValue(const wxString& value, int flags) {
  settingText_ = true;
  wxTextCtrl::DoSetValue(value, flags);
  settingText_ = false;
  known_ = GetValue().ToStdWstring();
}

void NumericEdit::OnText(wxCommandEvent& event) {
  if (settingText_ || event.GetEventObject() != this) {
    event.Skip();
    return;
  }
  const std::wstring now = GetValue().ToStdWstring();
  if (const auto kept = rule_.ForeignChange(known_, now)) {
    if (*kept != now) {  // a comma made a point
      const long caret = GetInsertionPoint();
      ChangeValue(wxString(*kept));
      SetInsertionPoint(caret);
    }
    known_ = *kept;
    event.Skip();
    return;
  }
  // Refused: back to the text before, caret where the insertion began. The
  // dialog never hears of the refused text.
  size_t at = 0;
  while (at < now.size() && at < known_.size() && now[at] == known_[at]) ++at;
  const wxString before(known_);
  ChangeValue(before);
  SetInsertionPoint(static_cast<long>(at));
  if (!rule_.ReadOnly()) Refuse();
}

void NumericEdit::Refuse() {
  // The note goes after a while; the tooltip (read by screen readers too) stays.
  const wxString text = wxString::FromUTF8(rule_.AcceptsText());
  SetToolTip(text);
  hint_.Show(text);
}

void NumericEdit::ConfigureDecimal(double minimum, double maximum, int decimals, int maxLength,
                                   double defaultValue) {
  const auto text = rule_.ConfigureDecimal(minimum, maximum, decimals, maxLength, defaultValue);
  ApplyLimit();
  if (text) SetTextWhole(*text);
}

void NumericEdit::ConfigureInteger(int minimum, int maximum, int maxLength, int defaultValue) {
  const auto text = rule_.ConfigureInteger(minimum, maximum, maxLength, defaultValue);
  ApplyLimit();
  if (text) SetTextWhole(*text);
}

void NumericEdit::SetDecimalRange(double minimum, double maximum) {
  rule_.SetDecimalRange(minimum, maximum);
}

void NumericEdit::SetIntegerRange(int minimum, int maximum) {
  rule_.SetIntegerRange(minimum, maximum);
}

void NumericEdit::SetDecimals(int n) {
  rule_.SetDecimals(n);
}

void NumericEdit::SetMaxLength(int n) {
  rule_.SetMaxLength(n);
  ApplyLimit();
}

void NumericEdit::ApplyLimit() {
  // A limit of 0 would mean "no limit" to the toolkit; the rule still binds.
  limitSet_ = rule_.EditLimit() > 0;
  wxTextCtrl::SetMaxLength(limitSet_ ? static_cast<unsigned long>(rule_.EditLimit()) : 0);
}

void NumericEdit::SetDecimalValue(double v) {
  if (const auto text = rule_.DecimalText(v)) SetTextWhole(*text);
}

void NumericEdit::SetIntegerValue(int v) {
  if (const auto text = rule_.IntegerText(v)) SetTextWhole(*text);
}

int NumericEdit::GetIntegerValue() const {
  return NumericRule::LeadingInteger(GetValue().ToStdWstring());
}

double NumericEdit::GetDecimalValue() const {
  return NumericRule::DecimalValueOf(GetValue().ToStdWstring());
}

bool NumericEdit::IsAcceptable(const wxString& text) const {
  return rule_.IsAcceptable(text.ToStdWstring());
}

std::optional<double> NumericEdit::DecimalReading() const {
  return rule_.Reading(GetValue().ToStdWstring());
}

std::optional<int> NumericEdit::IntegerReading() const {
  const auto value = rule_.Reading(GetValue().ToStdWstring());
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

void NumericEdit::SetEditable(bool editable) {
  rule_.SetReadOnly(!editable);
  wxTextCtrl::SetEditable(editable);
}

NumericRule::EditState NumericEdit::State() const {
  long from = 0;
  long to = 0;
  GetSelection(&from, &to);
  return {GetValue().ToStdWstring(), from, to};
}

void NumericEdit::SetTextWhole(const wxString& text) {
  // The toolkit would refuse or cut a text longer than its limit; a text set by
  // the program is not bound by it, so the limit widens to hold it.
  wxTextCtrl::SetMaxLength(0);
  SetValue(text);
  if (limitSet_) {
    const size_t limit = std::max(static_cast<size_t>(rule_.EditLimit()), text.length());
    wxTextCtrl::SetMaxLength(static_cast<unsigned long>(limit));
  }
}

void NumericEdit::Apply(const NumericRule::EditResult& result) {
  hint_.Hide();
  SetTextWhole(result.text);
  SetInsertionPoint(result.caret);
  ShowPosition(result.caret);
}

void NumericEdit::Paste() {
  if (rule_.ReadOnly()) return;
  wxString clip;
  if (wxTheClipboard->Open()) {
    if (wxTheClipboard->IsSupported(wxDF_UNICODETEXT) || wxTheClipboard->IsSupported(wxDF_TEXT)) {
      wxTextDataObject data;
      if (wxTheClipboard->GetData(data)) clip = data.GetText();
    }
    wxTheClipboard->Close();
  }
  if (const auto result = rule_.Paste(State(), clip.ToStdWstring()))
    Apply(*result);
  else if (!clip.empty())
    Refuse();
}

void NumericEdit::OnPasteEvent(wxClipboardTextEvent& event) {
  // Not skipped: the toolkit's own paste never runs.
  if (event.GetEventObject() == this) Paste();
}

void NumericEdit::OnChar(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  const wxChar uni = event.GetUnicodeKey();
  if (event.AltDown()) {  // mnemonics of the dialog
    event.Skip();
    return;
  }
  if (event.ControlDown() || event.RawControlDown()) {
    const int letter = ControlLetter(key);
    if (rule_.ReadOnly() && letter != 'C' && letter != 'A' && letter != 0) return;
    switch (letter) {
      case 'A':
        SelectAll();
        return;
      case 'C':
        Copy();
        return;
      case 'V':
        Paste();
        return;
      case 'X':
        Cut();
        return;
      case 'Z':
        Undo();
        return;
      case 0:
        event.Skip();
        return;
      default:
        return;  // other control characters are not passed on
    }
  }
  if (key == WXK_BACK) {
    const NumericRule::EditState state = State();
    if (const auto result = rule_.Backspace(state))
      Apply(*result);
    else if (!rule_.ReadOnly() && (state.selStart != state.selEnd || state.selStart > 0))
      Refuse();  // something to remove, but what would be left is no number
    return;
  }
  if (key == WXK_DELETE || key == WXK_NUMPAD_DELETE) {
    if (!rule_.ReadOnly()) event.Skip();  // the control's own, unchecked
    return;
  }
  wxChar typed = uni;
  // The keypad's decimal key with no character of its own is the point.
  if (key == WXK_NUMPAD_DECIMAL && (typed == WXK_NONE || typed < 32)) typed = L'.';
  if (typed != WXK_NONE && typed >= 32) {
    if (const auto result = rule_.TypeChar(State(), static_cast<wchar_t>(typed)))
      Apply(*result);
    else if (!rule_.ReadOnly())
      Refuse();
    return;
  }
  // Tab, Enter, Escape and the keys that move or delete: the control's own.
  event.Skip();
}

void NumericEdit::OnKillFocus(wxFocusEvent& event) {
  event.Skip();
  hint_.Hide();
  if (const auto text = rule_.OnLeave(GetValue().ToStdWstring())) SetTextWhole(*text);
}
