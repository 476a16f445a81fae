// The plain logic behind the receipt, status and clock dialogs.
#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "dialogs/clock_setting.h"
#include "dialogs/receipt_fields.h"
#include "dialogs/status_boxes.h"

TEST(StatusBoxes, EveryFlagOnceInThreeColumnsOfTenUnitRows) {
  std::set<int> flags, ids;
  for (const StatusBox& b : kStatusBoxes) {
    flags.insert(b.flag);
    ids.insert(b.id);
    EXPECT_TRUE(b.x == 7 || b.x == 102 || b.x == 196) << b.caption;
    EXPECT_EQ((b.y - 7) % 10, 0) << b.caption;
    EXPECT_LE(b.y, 107) << b.caption;
    EXPECT_EQ(b.inverted, b.flag == 30) << b.caption;
  }
  EXPECT_EQ(flags.size(), 32u);
  EXPECT_EQ(ids.size(), 32u);
  // No two boxes share a place.
  std::set<std::pair<int, int>> places;
  for (const StatusBox& b : kStatusBoxes) places.insert({b.x, b.y});
  EXPECT_EQ(places.size(), 32u);
}

TEST(StatusBoxes, JournalBoxIsTickedWhenItsFlagIsClear) {
  StatusFlags flags{};
  for (const StatusBox& b : kStatusBoxes)
    EXPECT_EQ(StatusBoxTicked(b, flags), b.flag == 30) << b.caption;
  flags.fill(true);
  for (const StatusBox& b : kStatusBoxes)
    EXPECT_EQ(StatusBoxTicked(b, flags), b.flag != 30) << b.caption;
}

TEST(ClockSetting, OnlyASentSettingCountsAsSet) {
  const CallOutcome done;
  const CallOutcome beforeRecord{CallEnd::kOutOfRange, "", true, ""};
  const CallOutcome passedOver{CallEnd::kPrinterRefused, "31", true, ""};
  EXPECT_TRUE(ClockWasSet("00", done));
  EXPECT_FALSE(ClockWasSet("", done));
  EXPECT_FALSE(ClockWasSet("BP", beforeRecord));
  EXPECT_FALSE(ClockWasSet("31", passedOver));
  EXPECT_EQ(DateTimeDialogResult(true), 1);
  EXPECT_EQ(DateTimeDialogResult(false), 2);
}

TEST(ClockSetting, PickerFieldsMakeLocalTimeAndBack) {
  const ClockFields f{2026, 3, 29, 14, 7, 42};  // a day on which clocks change in Europe
  const ClockFields back = SplitLocalTime(ComposeLocalTime(f));
  EXPECT_EQ(back.year, 2026);
  EXPECT_EQ(back.month, 3);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 14);
  EXPECT_EQ(back.minute, 7);
  EXPECT_EQ(back.second, 42);
}

TEST(ReceiptForm, DepartmentNumberIsTheLeadingInteger) {
  const struct {
    const char* text;
    int value;
  } cases[] = {{"7abc", 7}, {"12", 12},  {"abc", 0},   {"", 0},
               {" 3", 3},   {"-2x", -2}, {"19.5", 19}, {"99999999999999", INT_MAX}};
  for (const auto& c : cases) EXPECT_EQ(LeadingInteger(c.text), c.value) << c.text;
}
