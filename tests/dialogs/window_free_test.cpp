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
  EXPECT_TRUE(ClockWasSet("00"));
  EXPECT_FALSE(ClockWasSet(""));
  EXPECT_FALSE(ClockWasSet("BP"));
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

TEST(ReceiptForm, PriceAndPaymentFieldsFollowTheDecimalMode) {
  const NumericFieldConfig twoPrice{true, 0.01, 999999.99, 2, 9, 0.01};
  const NumericFieldConfig wholeMoney{false, 1, 99999999, 0, 8, 1};
  EXPECT_EQ(PriceFieldConfig('2'), twoPrice);
  EXPECT_EQ(PriceFieldConfig('0'), wholeMoney);
  EXPECT_EQ(PaymentFieldConfig('0'), wholeMoney);
  const NumericFieldConfig twoPay{true, 0, 999999.99, 2, 9, 0.01};
  EXPECT_EQ(PaymentFieldConfig('2'), twoPay);
  EXPECT_EQ(AmountDisplayFieldConfig('2').decimals, 2);
  EXPECT_EQ(AmountDisplayFieldConfig('0').decimals, 0);
  EXPECT_TRUE(AmountDisplayFieldConfig('0').decimal);
  EXPECT_EQ(DecimalModeFromStatus([] {
              StatusFlags f{};
              f[22] = true;
              return f;
            }()),
            '2');
  EXPECT_EQ(DecimalModeFromStatus(StatusFlags{}), '0');
}

TEST(ReceiptForm, SubtotalValueSwitchesBetweenAmountAndPercentage) {
  // Back to a percentage: the value stays only when it is a valid percentage.
  EXPECT_EQ(SubtotalValueConfig(false, '2', 12.5).fallback, 12.5);
  EXPECT_EQ(SubtotalValueConfig(false, '2', 150).fallback, 0);
  EXPECT_EQ(SubtotalValueConfig(false, '0', -99.99).fallback, -99.99);
  EXPECT_EQ(SubtotalValueConfig(false, '0', -100).maximum, 99.99);
  // To an amount: two decimals keep the value, whole numbers start at 0.
  const NumericFieldConfig two{true, -999999.99, 999999.99, 2, 10, 250.75};
  EXPECT_EQ(SubtotalValueConfig(true, '2', 250.75), two);
  const NumericFieldConfig whole{false, -99999999, 99999999, 0, 8, 0};
  EXPECT_EQ(SubtotalValueConfig(true, '0', 250), whole);
}
