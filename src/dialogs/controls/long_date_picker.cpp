#include "dialogs/controls/long_date_picker.h"

#include <wx/calctrl.h>
#include <wx/choice.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dateevt.h>
#include <wx/generic/calctrlg.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "dialogs/controls/control_letter.h"
#include "dialogs/controls/numeric_rule.h"
#include "dialogs/controls/typed_date.h"

namespace {

wxDateTime DateOnly(const wxDateTime& date) {
  return wxDateTime(date.GetDay(), date.GetMonth(), date.GetYear());
}

typed_date::Date AsTyped(const wxDateTime& date) {
  return {date.GetDay(), static_cast<int>(date.GetMonth()) + 1, date.GetYear()};
}

}  // namespace

// The drop-down: the toolkit's own calendar (the native one would name the
// months in the process locale), with the months named like the picker's text.
class CalendarPopup : public wxGenericCalendarCtrl, public wxComboPopup {
 public:
  explicit CalendarPopup(LongDatePicker* picker) : picker_(picker) {}

  bool Create(wxWindow* parent) override {
    if (!wxGenericCalendarCtrl::Create(parent, wxID_ANY, picker_->GetDate(), wxDefaultPosition,
                                       wxDefaultSize,
                                       wxCAL_MONDAY_FIRST | wxCAL_SHOW_SURROUNDING_WEEKS)) {
      return false;
    }
    if (auto* months = dynamic_cast<wxChoice*>(GetMonthControl())) {
      for (int m = 0; m < 12 && m < static_cast<int>(months->GetCount()); ++m)
        months->SetString(static_cast<unsigned>(m), wxString::FromUTF8(MonthName(m + 1)));
    }
    // Enter or a double click takes the day; so does a single click on one.
    Bind(wxEVT_CALENDAR_DOUBLECLICKED, [this](wxCalendarEvent&) { Take(); });
    Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& e) {
      e.Skip();
      if (HitTest(e.GetPosition()) == wxCAL_HITTEST_DAY) Take();
    });
    return true;
  }
  wxWindow* GetControl() override { return this; }
  void SetStringValue(const wxString&) override { SetDate(picker_->GetDate()); }
  wxString GetStringValue() const override { return picker_->GetValue(); }
  wxSize GetAdjustedSize(int minWidth, int, int) override {
    const wxSize best = GetBestSize();
    return wxSize(std::max(best.x, minWidth), best.y);
  }

 private:
  void Take() {
    Dismiss();
    picker_->PickDate(GetDate());
  }

  LongDatePicker* picker_;
};

LongDatePicker::LongDatePicker(wxWindow* parent, wxWindowID id, const wxDateTime& date)
    : wxComboCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER) {
  popup_ = new CalendarPopup(this);
  SetPopupControl(popup_);
  SetPopupAnchor(wxRIGHT);  // the calendar drops down under the control's right edge
  SetDate(date.IsValid() ? date : wxDateTime::Today());
  // Room for the longest date ("30 септември 2026") and the button.
  SetMinSize(wxSize(GetTextExtent(wxString::FromUTF8("30 септември 2026")).x + 48, -1));

  wxTextCtrl* entry = GetTextCtrl();
  entry->Bind(wxEVT_SET_FOCUS, &LongDatePicker::OnEntryFocus, this);
  entry->Bind(wxEVT_KILL_FOCUS, &LongDatePicker::OnEntryLeave, this);
  entry->Bind(wxEVT_CHAR, &LongDatePicker::OnEntryChar, this);
  // The toolkit's own paste never runs: a paste is typing.
  entry->Bind(wxEVT_TEXT_PASTE, [this](wxClipboardTextEvent&) {
    wxString clip;
    if (wxTheClipboard->Open()) {
      wxTextDataObject data;
      if (wxTheClipboard->IsSupported(wxDF_UNICODETEXT) && wxTheClipboard->GetData(data))
        clip = data.GetText();
      wxTheClipboard->Close();
    }
    for (const wxUniChar c : clip) {
      wxKeyEvent key(wxEVT_CHAR);
      key.m_keyCode = static_cast<int>(c.GetValue());
      key.m_uniChar = static_cast<wxChar>(c.GetValue());
      OnEntryChar(key);
    }
  });
  entry->Bind(wxEVT_TEXT, &LongDatePicker::OnEntryText, this);
  Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { Commit(true); });
}

void LongDatePicker::SetFieldName(const wxString& name) {
  const wxString how = wxString::FromUTF8(typed_date::HowToType());
  GetTextCtrl()->SetHint(name + wxString::FromUTF8(" (ден.месец.година)"));
  SetToolTip(name + ": " + how);
}

void LongDatePicker::SetEntryText(const wxString& text) {
  settingText_ = true;
  SetText(text);
  settingText_ = false;
  known_ = GetTextCtrl()->GetValue().ToStdWstring();
}

void LongDatePicker::ShowTypedForm() {
  typing_ = true;
  SetEntryText(wxString(typed_date::Text(AsTyped(date_))));
  GetTextCtrl()->SelectAll();
}

void LongDatePicker::ShowWords() {
  typing_ = false;
  SetEntryText(wxString::FromUTF8(
      LongDateText(date_.GetDay(), static_cast<int>(date_.GetMonth()) + 1, date_.GetYear())));
}

void LongDatePicker::SetDate(const wxDateTime& date) {
  if (!date.IsValid()) return;
  date_ = DateOnly(date);
  if (typing_)
    ShowTypedForm();
  else
    ShowWords();
}

void LongDatePicker::PickDate(const wxDateTime& date) {
  if (!date.IsValid() || DateOnly(date) == date_) return;
  SetDate(date);
  wxDateEvent event(this, date_, wxEVT_DATE_CHANGED);
  ProcessWindowEvent(event);
}

void LongDatePicker::OnEntryFocus(wxFocusEvent& event) {
  event.Skip();
  ShowTypedForm();
}

void LongDatePicker::OnEntryLeave(wxFocusEvent& event) {
  event.Skip();
  if (typing_) Commit(false);
}

void LongDatePicker::Commit(bool stayTyping) {
  const std::wstring text = GetTextCtrl()->GetValue().ToStdWstring();
  if (text != typed_date::Text(AsTyped(date_))) {
    if (const auto typed = typed_date::Read(text)) {
      hint_.Hide();
      PickDate(wxDateTime(static_cast<wxDateTime::wxDateTime_t>(typed->day),
                          static_cast<wxDateTime::Month>(typed->month - 1), typed->year));
    } else {
      hint_.Show(wxString::FromUTF8(typed_date::HowToType()));
    }
  }
  if (stayTyping)
    ShowTypedForm();
  else
    ShowWords();
}

void LongDatePicker::OnEntryChar(wxKeyEvent& event) {
  wxTextCtrl* entry = GetTextCtrl();
  const int key = event.GetKeyCode();
  if (event.AltDown()) {  // mnemonics, and Alt+Down for the calendar
    event.Skip();
    return;
  }
  if (event.ControlDown() || event.RawControlDown()) {
    const int letter = ControlLetter(key);
    if (letter == 'A') {
      entry->SelectAll();
    } else if (letter == 'C' || letter == 'X' || letter == 'V' || letter == 'Z' || letter == 0) {
      event.Skip();  // copy, cut and undo as the entry does them; paste comes back above
    }
    return;
  }
  if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
    Commit(true);
    return;
  }
  const wxChar typed = event.GetUnicodeKey();
  if (typed == WXK_NONE || typed < 32) {
    event.Skip();  // Tab, Escape, Backspace, Delete and the keys that move
    return;
  }
  if (!typing_) ShowTypedForm();
  long from = 0;
  long to = 0;
  entry->GetSelection(&from, &to);
  const std::wstring text = entry->GetValue().ToStdWstring();
  const auto start = static_cast<size_t>(std::clamp<long>(from, 0, static_cast<long>(text.size())));
  const auto end = static_cast<size_t>(std::clamp<long>(to, from, static_cast<long>(text.size())));
  const std::wstring candidate =
      typed_date::Normalised(text.substr(0, start) + std::wstring(1, typed) + text.substr(end));
  if (!typed_date::CanBecomeDate(candidate)) {
    hint_.Show(wxString::FromUTF8(typed_date::HowToType()));
    return;
  }
  hint_.Hide();
  SetEntryText(wxString(candidate));
  entry->SetInsertionPoint(static_cast<long>(start) + 1);
}

void LongDatePicker::OnEntryText(wxCommandEvent& event) {
  event.Skip();
  if (settingText_ || !typing_) return;
  // A change that came another way (Backspace, Delete, cut, a drop, an input
  // method): removing characters is free, anything else must still be able to
  // become a date.
  const std::wstring now = GetTextCtrl()->GetValue().ToStdWstring();
  if (NumericRule::IsDeletionOf(known_, now) || typed_date::CanBecomeDate(now)) {
    known_ = now;
    return;
  }
  const wxString before(known_);
  settingText_ = true;
  GetTextCtrl()->ChangeValue(before);
  settingText_ = false;
  hint_.Show(wxString::FromUTF8(typed_date::HowToType()));
}
