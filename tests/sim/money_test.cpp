// The device's arithmetic: parsing the wire's numbers and rounding.
#include <gtest/gtest.h>

#include "sim/money.h"

namespace {
TEST(MoneyTest, ParsesTheWireForms) {
  struct Case {
    const char* text;
    char mode;
    std::optional<Money> want;
  };
  const Case cases[] = {
      {"0000003.20", '2', 320},   {"-000012.50", '2', -1250}, {"001000000", '0', 100000000},
      {"12.6", '0', 1300},        {"0000000.005", '2', 1},    {"", '2', std::nullopt},
      {"12a", '2', std::nullopt}, {"1e3", '2', std::nullopt}, {"9999999999999", '2', std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseMoney(c.text, c.mode), c.want) << c.text;
}

TEST(MoneyTest, RoundsHalfAwayFromZeroInTheModesUnit) {
  EXPECT_EQ(Scale(120, 2500, '2'), 300);  // 1.20 x 2.5
  EXPECT_EQ(Scale(333, 1500, '2'), 500);  // 4.995 -> 5.00
  EXPECT_EQ(Scale(-333, 1500, '2'), -500);
  EXPECT_EQ(Percent(1000, -1000, '2'), -100);  // -10 % of 10.00
  EXPECT_EQ(Percent(1560, -500, '2'), -78);
  EXPECT_EQ(Percent(250, 1000, '2'), 25);
  EXPECT_EQ(Percent(1500, 333, '0'), 0);  // 0.4995 of a unit
  EXPECT_EQ(Scale(1200, 1500, '0'), 1800);
  EXPECT_EQ(RoundToMode(150, '0'), 200);
  EXPECT_EQ(RoundToMode(-150, '0'), -200);
}

TEST(MoneyTest, TextAndFields) {
  EXPECT_EQ(MoneyText(-5, '2'), "-0.05");
  EXPECT_EQ(MoneyText(123456, '2'), "1234.56");
  EXPECT_EQ(MoneyText(1250, '0'), "13");
  EXPECT_EQ(MoneyField(1482, '2', 10), "0000014.82");
  EXPECT_EQ(MoneyField(-1250, '2'), "-0000012.50");
  EXPECT_EQ(MoneyField(1200, '0', 9), "000000012");
  EXPECT_EQ(QuantityText(2500), "2.500");
  EXPECT_EQ(PercentText(-550), "-5.50");
}
}  // namespace
