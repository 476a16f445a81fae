#include "dialogs/controls/long_date_picker.h"

#include <wx/calctrl.h>
#include <wx/choice.h>
#include <wx/dateevt.h>
#include <wx/generic/calctrlg.h>

#include <algorithm>

namespace {

constexpr const char* kMonths[] = {"януари",    "февруари", "март",    "април",
                                   "май",       "юни",      "юли",     "август",
                                   "септември", "октомври", "ноември", "декември"};

wxDateTime DateOnly(const wxDateTime& date) {
  return wxDateTime(date.GetDay(), date.GetMonth(), date.GetYear());
}

}  // namespace

std::string MonthName(int month) {
  if (month < 1 || month > 12) return "";
  return kMonths[month - 1];
}

std::string LongDateText(int day, int month, int year) {
  const std::string name = MonthName(month);
  if (name.empty()) return "";
  return std::to_string(day) + " " + name + " " + std::to_string(year);
}

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
    : wxComboCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxCB_READONLY) {
  popup_ = new CalendarPopup(this);
  SetPopupControl(popup_);
  SetPopupAnchor(wxRIGHT);  // the calendar drops down under the control's right edge
  SetDate(date.IsValid() ? date : wxDateTime::Today());
  // Room for the longest date ("30 септември 2026") and the button.
  SetMinSize(wxSize(GetTextExtent(wxString::FromUTF8("30 септември 2026")).x + 48, -1));
}

void LongDatePicker::SetDate(const wxDateTime& date) {
  if (!date.IsValid()) return;
  date_ = DateOnly(date);
  SetText(wxString::FromUTF8(
      LongDateText(date_.GetDay(), static_cast<int>(date_.GetMonth()) + 1, date_.GetYear())));
}

void LongDatePicker::PickDate(const wxDateTime& date) {
  if (!date.IsValid() || DateOnly(date) == date_) return;
  SetDate(date);
  wxDateEvent event(this, date_, wxEVT_DATE_CHANGED);
  ProcessWindowEvent(event);
}
