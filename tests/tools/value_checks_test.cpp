// Money in cents and the text checks both file readers share.
#include <gtest/gtest.h>

#include <cmath>

#include "driver/cp1251.h"
#include "tools/value_checks.h"

namespace {

TEST(ValueChecks, MoneyIsExactOrNothing) {
  const struct {
    double value;
    std::optional<long long> cents;
  } rows[] = {
      {0.29, 29},
      {1.20, 120},
      {0.0, 0},
      {999999.99, 99999999},
      {99999999, 9999999900},
      {1.234, std::nullopt},
      {0.005, std::nullopt},
      {99999999.991, std::nullopt},
      {-1, std::nullopt},
      {NAN, std::nullopt},
      {INFINITY, std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(ExactCents(r.value), r.cents) << r.value;
}

TEST(ValueChecks, DecimalModesHoldWhatTheyCan) {
  EXPECT_TRUE(FitsDecimalMode(99999999, '2'));    // 999999.99
  EXPECT_FALSE(FitsDecimalMode(100000000, '2'));  // 1000000.00
  EXPECT_TRUE(FitsDecimalMode(300, '0'));
  EXPECT_FALSE(FitsDecimalMode(120, '0'));  // 1.20 in whole numbers
  EXPECT_TRUE(FitsDecimalMode(9999999900, '0'));
  EXPECT_FALSE(FitsDecimalMode(10000000000, '0'));
  EXPECT_EQ(PriceText(300, '0'), "3");
  EXPECT_EQ(PriceText(120, '0'), "1.20");
  EXPECT_EQ(PriceText(5, '2'), "0.05");
}

TEST(ValueChecks, TextsAreCheckedAsThePrinterTakesThem) {
  std::string bytes;
  EXPECT_EQ(CheckText("Хляб бял", 20, true, bytes), TextIssue::kOk);
  EXPECT_EQ(bytes, Utf8ToCp1251("Хляб бял").value());
  EXPECT_EQ(CheckText("Хляб\r\nбял", 20, true, bytes), TextIssue::kControl);
  EXPECT_EQ(CheckText("a\tb", 20, false, bytes), TextIssue::kControl);
  EXPECT_EQ(CheckText(std::string("a\x7f"), 20, false, bytes), TextIssue::kControl);
  EXPECT_EQ(CheckText("☺", 20, false, bytes), TextIssue::kNotPrintable);
  EXPECT_EQ(CheckText("АБВГД", 4, false, bytes), TextIssue::kTooLong);
  EXPECT_EQ(CheckText("АБВГ", 4, false, bytes), TextIssue::kOk);
  EXPECT_EQ(CheckText("a;b", 20, true, bytes), TextIssue::kSemicolon);
  EXPECT_EQ(CheckText("a;b", 20, false, bytes), TextIssue::kOk);
}

}  // namespace
