#pragma once

#include <wx/combo.h>
#include <wx/datetime.h>

#include <string>

#include "dialogs/controls/refusal_hint.h"
#include "driver/date_words.h"  // LongDateText, MonthName

class CalendarPopup;

// A date picker that shows its date as LongDateText and drops down a calendar.
// Its text is an ordinary text entry, so assistive tools read the date as the
// entry's value (and the label given with SetFieldName as its hint and
// tooltip). The date is picked in the calendar (a click on a day, or the arrow
// keys and Enter) or typed: while the entry has the focus it holds the date as
// day.month.year ("07.12.2026", all selected, so typing replaces it), each
// keystroke must leave a text that can still become a date (typed_date), and
// Enter or leaving the entry takes the date typed. A refused keystroke, or an
// unfinished date on leaving, is refused as number fields refuse (the bell and
// a note); the date then stays what it was. A new date sends
// wxEVT_DATE_CHANGED (a wxDateEvent) with the picker's id. Only the date part
// of the values given and returned counts; the time of day returned is
// midnight.
class LongDatePicker : public wxComboCtrl {
 public:
  LongDatePicker(wxWindow* parent, wxWindowID id, const wxDateTime& date = wxDateTime::Today());

  wxDateTime GetDate() const { return date_; }
  // Shows `date` (an invalid one is ignored); sends no event.
  void SetDate(const wxDateTime& date);

  // Picks `date` as the user would in the calendar: shows it and sends
  // wxEVT_DATE_CHANGED when it differs from the date shown.
  void PickDate(const wxDateTime& date);

  // The caption of the field beside the picker ("От"), for assistive tools.
  void SetFieldName(const wxString& name);

  const RefusalHint& Refusals() const { return hint_; }

 private:
  void OnEntryFocus(wxFocusEvent& event);
  void OnEntryLeave(wxFocusEvent& event);
  void OnEntryChar(wxKeyEvent& event);
  void OnEntryText(wxCommandEvent& event);
  // Takes the typed text as the date, or refuses it; the entry then shows the
  // date in words again unless `stayTyping`.
  void Commit(bool stayTyping);
  void ShowTypedForm();
  void ShowWords();
  void SetEntryText(const wxString& text);

  wxDateTime date_;
  bool typing_ = false;       // the entry has the focus and holds day.month.year
  bool settingText_ = false;  // a text set here is on its way
  std::wstring known_;        // the entry's text after the last accepted change
  RefusalHint hint_{this};
  CalendarPopup* popup_ = nullptr;
};
