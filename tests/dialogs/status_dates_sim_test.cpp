// What the status and date dialogs show of the simulated printer: a set flag
// ticked and coloured, and dates day first with the month in words.
#include <gtest/gtest.h>

#include <ctime>

#include "dialog_fixtures.h"
#include "dialogs/controls/long_date_picker.h"
#include "dialogs/date_time_dialog.h"
#include "dialogs/fm_dates_dialog.h"
#include "dialogs/status_dialog.h"
#include "driver/status_flags.h"

namespace {

constexpr int kPort = 10;

class StatusDatesSimTest : public SimPrinterDialogTest {
 protected:
  StatusDatesSimTest() : SimPrinterDialogTest(kPort) {}
};

const wxColour kTicked(kStatusTickedColour[0], kStatusTickedColour[1], kStatusTickedColour[2]);

size_t BoxOf(int flag) {
  for (size_t i = 0; i < kStatusBoxes.size(); ++i)
    if (kStatusBoxes[i].flag == flag) return i;
  return kStatusBoxes.size();
}

// Every box ticked, and coloured, exactly when the printer's flags say so.
void ExpectBoxesShow(const StatusDialog& dialog, const std::array<bool, 32>& flags) {
  for (size_t i = 0; i < kStatusBoxes.size(); ++i) {
    const StatusBox& b = kStatusBoxes[i];
    const bool ticked = flags[static_cast<size_t>(b.flag)] != (b.flag == Flag::kJournalBit);
    EXPECT_EQ(dialog.Box(i)->GetValue(), ticked) << b.caption;
    EXPECT_EQ(dialog.Box(i)->GetForegroundColour() == kTicked, ticked) << b.caption;
  }
}

TEST_F(StatusDatesSimTest, ASetFlagIsTickedAndColouredAndClearedAgain) {
  sim_.Inject(Fault::kPaperOut);
  StatusDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Refresh());
  const std::array<bool, 32> withoutPaper = sim_.Flags();
  ASSERT_TRUE(withoutPaper[Flag::kNoPaper]);
  ExpectBoxesShow(dialog, withoutPaper);
  EXPECT_TRUE(dialog.Box(BoxOf(Flag::kNoPaper))->GetValue());

  sim_.Inject(Fault::kPaperOut, 0);
  Click(&dialog, StatusDialog::kIdGetStatus);
  ExpectBoxesShow(dialog, sim_.Flags());
  EXPECT_FALSE(dialog.Box(BoxOf(Flag::kNoPaper))->GetValue());
  EXPECT_NE(dialog.Box(BoxOf(Flag::kNoPaper))->GetForegroundColour(), kTicked);
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(StatusDatesSimTest, DatePickersShowTheDayFirstWithTheMonthInWords) {
  FmDatesDialog report(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(report.ReadAtOpening());
  const DayRange month = PreviousMonth(SplitLocalTime(std::time(nullptr)));
  EXPECT_EQ(report.FromPicker()->GetValue().utf8_string(),
            LongDateText(1, month.from.month, month.from.year));
  EXPECT_EQ(report.ToPicker()->GetValue().utf8_string(),
            LongDateText(month.to.day, month.to.month, month.to.year));

  // The printer's clock at 7 December 2026, read into the clock dialog.
  const std::time_t printerTime = ComposeLocalTime({2026, 12, 7, 10, 30, 0});
  sim_.WithDevice([&](SimDevice& d) { d.State().clockOffset = printerTime - std::time(nullptr); });
  DateTimeDialog clock(nullptr, &ui_, kPort, Services());
  Click(&clock, DateTimeDialog::kIdGetFromPrinter);
  EXPECT_EQ(clock.DatePicker()->GetValue().utf8_string(), "7 декември 2026");
  EXPECT_EQ(clock.PickerFields().day, 7);
  EXPECT_EQ(clock.PickerFields().month, 12);
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

}  // namespace
