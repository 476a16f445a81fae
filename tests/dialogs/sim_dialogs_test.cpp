// The status and date-time dialogs against the simulated printer.
#include <gtest/gtest.h>

#include "dialog_fixtures.h"
#include "dialogs/date_time_dialog.h"
#include "dialogs/status_dialog.h"

namespace {

constexpr int kPort = 7;

class SimDialogsTest : public SimPrinterDialogTest {
 protected:
  SimDialogsTest() : SimPrinterDialogTest(kPort) {}

  void ExpectBoxesMatchPrinter(const StatusDialog& dialog) {
    const StatusFlags flags = sim_.Flags();
    for (size_t i = 0; i < kStatusBoxes.size(); ++i)
      EXPECT_EQ(dialog.Box(i)->GetValue(), StatusBoxTicked(kStatusBoxes[i], flags))
          << kStatusBoxes[i].caption;
  }
};

TEST_F(SimDialogsTest, StatusBoxesMatchThePrinter) {
  StatusDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Refresh());
  ExpectBoxesMatchPrinter(dialog);
  // A fiscalized printer working with decimals, journal box by its own rule.
  EXPECT_TRUE(dialog.Box(23)->GetValue());  // "Фискализиран"
  EXPECT_TRUE(dialog.Box(22)->GetValue());  // "Дробни числа"
  EXPECT_EQ(dialog.Box(30)->GetValue(), !sim_.Flags()[30]);

  sim_.Inject(Fault::kPaperOut);
  sim_.Inject(Fault::kClockNotSet);
  sim_.Inject(Fault::kFmNearlyFull);
  Click(&dialog, StatusDialog::kIdGetStatus);
  ExpectBoxesMatchPrinter(dialog);
  EXPECT_TRUE(dialog.Box(7)->GetValue());   // "Няма хартия"
  EXPECT_TRUE(dialog.Box(3)->GetValue());   // "Несверен Часовник"
  EXPECT_TRUE(dialog.Box(19)->GetValue());  // "Под 50 записа във ФП"
  EXPECT_TRUE(ui_.prompts.empty());
}

TEST_F(SimDialogsTest, ClockSetOnThePrinterIsReadBack) {
  sim_.Inject(Fault::kClockNotSet);
  DateTimeDialog dialog(nullptr, &ui_, kPort, Services());
  // Half an hour behind the computer: less than two days after the last
  // fiscal-memory record (yesterday) at any hour, so no confirmation is needed.
  ClockFields f = SplitLocalTime(std::time(nullptr) - 1800);
  f.second = 0;
  dialog.SetPickers(ComposeLocalTime(f));
  Click(&dialog, DateTimeDialog::kIdSetToPrinter);
  EXPECT_TRUE(dialog.Changed());
  EXPECT_FALSE(sim_.Flags()[3]) << "the printer's clock is still not set";

  dialog.SetPickers(ComposeLocalTime({2001, 1, 1, 0, 0, 0}));
  Click(&dialog, DateTimeDialog::kIdGetFromPrinter);
  const ClockFields back = dialog.PickerFields();
  EXPECT_EQ(back.year, f.year);
  EXPECT_EQ(back.month, f.month);
  EXPECT_EQ(back.day, f.day);
  EXPECT_EQ(back.hour, f.hour);
  EXPECT_EQ(back.minute, f.minute);
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

}  // namespace
