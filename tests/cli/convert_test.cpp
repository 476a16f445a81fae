#include "cli/convert.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(CliConvert, Integers) {
  struct Case {
    const char* text;
    int64_t min, max;
    std::optional<int64_t> want;
  };
  const Case cases[] = {
      {"0", 0, 9, 0},
      {"42", INT32_MIN, INT32_MAX, 42},
      {"-25", INT32_MIN, INT32_MAX, -25},
      {"+7", 0, 9, 7},
      {"0x1F", 0, 255, 31},
      {"0X1f", 0, 255, 31},
      {"-0x10", -100, 100, -16},
      {"0x2080F", 0, 0xFFFFFFFF, 0x2080F},
      {"0xFFFFFFFF", 0, 0xFFFFFFFF, 0xFFFFFFFF},
      {"0000", 0, 9, 0},  // leading zeros are decimal, not octal
      {"010", 0, 99, 10},
      {"256", 0, 255, std::nullopt},
      {"-1", 0, 255, std::nullopt},
      {"", INT32_MIN, INT32_MAX, std::nullopt},
      {"-", INT32_MIN, INT32_MAX, std::nullopt},
      {"0x", 0, 255, std::nullopt},
      {"12a", INT32_MIN, INT32_MAX, std::nullopt},
      {" 1", INT32_MIN, INT32_MAX, std::nullopt},
      {"1.0", INT32_MIN, INT32_MAX, std::nullopt},
      {"0xG", 0, 255, std::nullopt},
      {"99999999999999999999", INT64_MIN, INT64_MAX, std::nullopt},
      {"-9223372036854775808", INT64_MIN, INT64_MAX, INT64_MIN},
      {"2147483648", INT32_MIN, INT32_MAX, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseInteger(c.text, c.min, c.max), c.want) << c.text;
  }
}

TEST(CliConvert, Decimals) {
  struct Case {
    const char* text;
    std::optional<double> want;
  };
  const Case cases[] = {
      {"1.20", 1.2}, {"-25", -25.0}, {"+3.5", 3.5}, {"0.001", 0.001}, {"1e3", 1000.0},
      {"1,20", {}},  {"", {}},       {"inf", {}},   {"nan", {}},      {"0x10", {}},
      {"1.2.3", {}}, {"--1", {}},    {"+-1", {}},   {"1e", {}},       {".", {}},
      {"1e999", {}}, {" 1", {}},     {"12abc", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseDecimal(c.text), c.want) << c.text;
  }
}

TEST(CliConvert, FlagsAndTaxGroups) {
  EXPECT_EQ(ParseFlag("0"), false);
  EXPECT_EQ(ParseFlag("1"), true);
  EXPECT_EQ(ParseFlag("2"), std::nullopt);
  EXPECT_EQ(ParseFlag("true"), std::nullopt);

  struct Case {
    const char* text;
    std::optional<int> want;
  };
  const Case groups[] = {
      {"0", 0},   {"7", 7},  {"А", 0},   {"Б", 1},  {"В", 2},  {"З", 7},
      {"б", 1},   {"8", {}}, {"-1", {}}, {"И", {}}, {"A", {}},  // Latin A is not a tax group
      {"АБ", {}}, {"", {}},
  };
  for (const auto& c : groups) EXPECT_EQ(ParseTaxGroup(c.text), c.want) << c.text;
}

class CliTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "Europe/Sofia", 1);
    tzset();
  }
  void TearDown() override {
    if (savedTz_) {
      setenv("TZ", savedTz_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::optional<std::string> savedTz_;
};

TEST_F(CliTimeTest, TimesAndDates) {
  const auto t = ParseCliTime("07-12-2026 14:05:09", 0);
  ASSERT_TRUE(t);
  EXPECT_EQ(FormatCliTime(*t), "07-12-2026 14:05:09");
  EXPECT_EQ(ParseCliTime("now", 12345), 12345);

  const auto d = ParseCliDate("29-02-2024");
  ASSERT_TRUE(d);
  EXPECT_EQ(FormatCliTime(*d), "29-02-2024 00:00:00");

  const char* badTimes[] = {
      "31-02-2026 10:00:00", "07-12-2026 24:00:00", "07-12-2026 10:60:00", "7-12-2026 10:00:00",
      "07-12-2026",          "07/12/2026 10:00:00", "07-12-2026T10:00:00", "NOW",
      "00-01-2026 10:00:00", "07-13-2026 10:00:00", "07-12-2026 10:00:0a"};
  for (const char* s : badTimes) EXPECT_FALSE(ParseCliTime(s, 0)) << s;
  const char* badDates[] = {"29-02-2025", "1-1-2026", "01-01-26", "01-01-2026 00:00:00", ""};
  for (const char* s : badDates) EXPECT_FALSE(ParseCliDate(s)) << s;
}

TEST(CliConvert, TextsBecomeWindows1251) {
  EXPECT_EQ(ParseCliText("Хляб"), std::string("\xD5\xEB\xFF\xE1"));
  EXPECT_EQ(ParseCliText("abc 1"), "abc 1");
  EXPECT_FALSE(ParseCliText("кафе ☕"));    // no Windows-1251 form
  EXPECT_FALSE(ParseCliText("\xC3\x28"));  // not UTF-8
  EXPECT_EQ(ParseCliChar("."), '.');
  EXPECT_EQ(ParseCliChar("Т"), '\xD2');
  EXPECT_FALSE(ParseCliChar("ab"));
  EXPECT_FALSE(ParseCliChar(""));
}

}  // namespace
