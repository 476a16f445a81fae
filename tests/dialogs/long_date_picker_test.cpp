// The day-first date picker as a real control (run under Xvfb).
#include "dialogs/controls/long_date_picker.h"

#include <gtest/gtest.h>
#include <wx/dateevt.h>
#include <wx/dialog.h>

#include "gui_test_support.h"

namespace {

TEST(LongDateTest, DayFirstWithTheMonthInWords) {
  EXPECT_EQ(LongDateText(7, 12, 2026), "7 декември 2026");
  EXPECT_EQ(LongDateText(29, 2, 2028), "29 февруари 2028");
  EXPECT_EQ(LongDateText(1, 1, 2000), "1 януари 2000");
  EXPECT_EQ(LongDateText(1, 0, 2000), "");
  EXPECT_EQ(LongDateText(1, 13, 2000), "");
}

TEST(LongDateTest, ThePickerShowsAndSendsItsDate) {
  auto* dialog = new wxDialog(nullptr, wxID_ANY, "date");
  auto* picker = new LongDatePicker(dialog, 1106, wxDateTime(7, wxDateTime::Dec, 2026, 15, 30));
  EXPECT_EQ(picker->GetValue().utf8_string(), "7 декември 2026");
  EXPECT_EQ(picker->GetDate(), wxDateTime(7, wxDateTime::Dec, 2026));  // the day only

  std::vector<wxDateTime> sent;
  dialog->Bind(wxEVT_DATE_CHANGED, [&](wxDateEvent& e) { sent.push_back(e.GetDate()); });
  picker->SetDate(wxDateTime(12, wxDateTime::Jul, 2026));  // the program's: no event
  EXPECT_EQ(picker->GetValue().utf8_string(), "12 юли 2026");
  picker->PickDate(wxDateTime(12, wxDateTime::Jul, 2026));  // unchanged: no event
  EXPECT_TRUE(sent.empty());
  picker->PickDate(wxDateTime(1, wxDateTime::Mar, 2027));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], wxDateTime(1, wxDateTime::Mar, 2027));
  EXPECT_EQ(picker->GetValue().utf8_string(), "1 март 2027");

  picker->SetDate(wxInvalidDateTime);
  EXPECT_EQ(picker->GetDate(), wxDateTime(1, wxDateTime::Mar, 2027));
  dialog->Destroy();
  ProcessPending();
}

}  // namespace
