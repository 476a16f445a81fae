#pragma once

#include <wx/combo.h>
#include <wx/datetime.h>

#include <string>

// The date as the dialogs show it: day first, the month in words, the year in
// full ("7 декември 2026"), the same whatever the process locale. `month` is
// 1..12; UTF-8. An invalid month gives "".
std::string LongDateText(int day, int month, int year);

// The Bulgarian name of `month` (1..12) in a date ("декември"); "" otherwise.
std::string MonthName(int month);

class CalendarPopup;

// A date picker that shows its date as LongDateText and drops down a calendar.
// The text cannot be typed into; the date is picked in the calendar (a click
// on a day, or the arrow keys and Enter) and the picker then sends
// wxEVT_DATE_CHANGED (a wxDateEvent) with its id. Only the date part of the
// values given and returned counts; the time of day returned is midnight.
class LongDatePicker : public wxComboCtrl {
 public:
  LongDatePicker(wxWindow* parent, wxWindowID id, const wxDateTime& date = wxDateTime::Today());

  wxDateTime GetDate() const { return date_; }
  // Shows `date` (an invalid one is ignored); sends no event.
  void SetDate(const wxDateTime& date);

  // Picks `date` as the user would in the calendar: shows it and sends
  // wxEVT_DATE_CHANGED when it differs from the date shown.
  void PickDate(const wxDateTime& date);

 private:
  wxDateTime date_;
  CalendarPopup* popup_ = nullptr;
};
