#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>

#include "driver/amounts.h"
#include "driver/text.h"

namespace {

// Switches `category` to a Bulgarian locale (decimal comma, Bulgarian month
// names): an installed one, or one compiled into the build tree when the system
// has the locale sources. False when neither is possible.
bool SetBulgarianLocale(int category) {
#ifdef _WIN32
  return std::setlocale(category, "Bulgarian_Bulgaria.1251") || std::setlocale(category, "bg-BG");
#else
  if (std::setlocale(category, "bg_BG.UTF-8")) return true;
  const std::string dir = std::string(FS_BINARY_DIR) + "/test-locales";
  const std::string cmd = "mkdir -p '" + dir + "' && localedef -i bg_BG -f UTF-8 '" + dir +
                          "/bg_BG.UTF-8' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return false;
  setenv("LOCPATH", dir.c_str(), 1);
  return std::setlocale(category, "bg_BG.UTF-8") != nullptr;
#endif
}

TEST(TextFields, FitText) {
  struct Case {
    std::string text;
    int width, alignment;
    char fill;
    std::string expected;
  };
  const Case cases[] = {
      {"ab", 5, 1, '*', "*ab**"},  // an odd surplus puts the extra fill on the right
      {"ab", 6, 1, '*', "**ab**"},
      {"abcdef", 4, 0, ' ', "abcd"},
      {"abcdef", 4, 1, ' ', "abcd"},
      {"abcdef", 4, 2, ' ', "abcd"},
      {"7", 6, 2, ' ', "     7"},
      {"7", 6, 0, ' ', "7     "},
      {"7", 6, 9, ' ', "7     "},   // unknown alignment: left
      {"7", -6, 2, ' ', "     7"},  // negative width: its absolute value
      {"", 3, 1, '_', "___"},
      {"abc", 0, 0, ' ', ""},
      {"\xC0\xC1", 4, 2, '0', "00\xC0\xC1"},  // widths count Windows-1251 bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + std::to_string(c.width));
    EXPECT_EQ(FitText(c.text, c.width, c.alignment, c.fill), c.expected);
  }
  // The fill never adds more than 100 characters on a side.
  EXPECT_EQ(FitText("", 250, 0, ' ').size(), 100u);
}

TEST(TextFields, PadAndRemove) {
  EXPECT_EQ(PadWithChar("x", 150, 0, '-'), std::string(100, '-') + "x");
  EXPECT_EQ(PadWithChar("x", 2, 3, '.'), "..x...");
  EXPECT_EQ(PadWithChar("x", -5, -1, '.'), "x");

  const std::string text = "  a b  ";
  EXPECT_EQ(RemoveChar(text, ' ', 0), "ab");
  EXPECT_EQ(RemoveChar(text, ' ', 1), "a b  ");
  EXPECT_EQ(RemoveChar(text, ' ', 2), "  a b");
  EXPECT_EQ(RemoveChar(text, ' ', 3), text);
  EXPECT_EQ(RemoveChar("    ", ' ', 2), "");
  EXPECT_EQ(RemoveChar("Чек___", '_', 0), "Чек");
}

std::string Show(std::time_t t) {
  return FormatTime(t, "%d.%m.%Y %H:%M:%S");
}

TEST(TextFields, ParseDateTime) {
  EXPECT_EQ(Show(ParseDateTime("07-12-2026 18:45")), "07.12.2026 18:45:00");
  EXPECT_EQ(Show(ParseDateTime("07-12-2026")), "07.12.2026 00:00:00");  // a bare date
  EXPECT_EQ(Show(ParseDateTime("07-12-2026 18:45:59 trailing")), "07.12.2026 18:45:00");
  EXPECT_EQ(Show(ParseDateTime("29-02-2008 23:59")), "29.02.2008 23:59:00");
}

TEST(TextFields, FormatTimeNamesMonthsInBulgarianWhateverTheLocale) {
  std::tm tm{};
  tm.tm_mday = 5;
  tm.tm_mon = 2;
  tm.tm_year = 108;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  EXPECT_EQ(FormatTime(t, "%d %B %Y"), "05 март 2008");
  EXPECT_EQ(FormatTime(t, "%d%m%y;"), "050308;");
  EXPECT_EQ(FormatTime(t, "100%% %B"), "100% март");
  const char* const old = std::setlocale(LC_TIME, nullptr);
  const std::string saved = old ? old : "C";
  if (SetBulgarianLocale(LC_TIME)) {
    EXPECT_NE(FormatTime(t, "%b"), "Mar");  // the locale is in force
    EXPECT_EQ(FormatTime(t, "%d %B %Y"), "05 март 2008");
  }
  std::setlocale(LC_TIME, saved.c_str());
}

TEST(TextFields, FieldsNeverReadPastTheEnd) {
  const std::string r = "12;3.50;x";
  EXPECT_EQ(Field(r, 0, 1), "12");
  EXPECT_EQ(Field(r, 7, 20), ";x");
  EXPECT_EQ(Field(r, 9, 20), "");
  EXPECT_EQ(Field(r, 100, 200), "");
  EXPECT_EQ(FieldInt(r, 0, 1), 12);
  EXPECT_EQ(FieldInt(r, 50, 60), 0);
  EXPECT_DOUBLE_EQ(FieldDouble(r, 3, 6), 3.5);
  EXPECT_DOUBLE_EQ(FieldDouble(r, 3, 4), 3.0);  // a cut field reads what it holds
  EXPECT_EQ(CharAt(r, 8), 'x');
  EXPECT_EQ(CharAt(r, 9), '\0');
}

TEST(TextFields, IntegerFieldsSaturateInsteadOfOverflowing) {
  const int max = std::numeric_limits<int>::max();
  const int min = std::numeric_limits<int>::min();
  const std::pair<std::string, int> cases[] = {
      {"  42x", 42},
      {"+7", 7},
      {"-15;", -15},
      {"x12", 0},
      {"2147483647", max},
      {"2147483648", max},
      {"-2147483648", min},
      {"-2147483649", min},
      {std::string(40, '9'), max},
      {"-" + std::string(40, '9'), min},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(FieldInt(text, 0, text.size()), value) << text;
  EXPECT_EQ(FieldDouble("1" + std::string(400, '0'), 0, 400), HUGE_VAL);
}

TEST(NumberFormat, AmountsByMode) {
  const MoneyFormat two('2');
  const MoneyFormat whole('0');
  EXPECT_EQ(two.Amount(-12.5), "-000012.50");
  EXPECT_EQ(two.Amount(3.2), "0000003.20");
  EXPECT_EQ(whole.Amount(1000000), "001000000");
  EXPECT_EQ(whole.Amount(-5), "-00000005");
  EXPECT_EQ(two.InMessage(12.3), "12.30");
  EXPECT_EQ(whole.InMessage(12), "12");
  EXPECT_TRUE(MoneyFormat('1').Amount(1).size() == 9u);  // any mode but '2' is whole numbers

  EXPECT_TRUE(two.InPriceRange(999999.99));
  EXPECT_TRUE(two.InPriceRange(-999999.99));
  EXPECT_FALSE(two.InPriceRange(1000000));
  EXPECT_FALSE(two.InPriceRange(999999.995));
  EXPECT_TRUE(whole.InPriceRange(99999999));
  EXPECT_FALSE(whole.InPriceRange(100000000));
  // Every accepted amount fits its field width.
  EXPECT_EQ(two.Amount(-two.Max()).size(), 10u);
  EXPECT_EQ(whole.Amount(-whole.Max()).size(), 9u);
}

TEST(NumberFormat, QuantitiesAndPercentages) {
  EXPECT_EQ(QuantityField(2.5), "*000002.500");
  EXPECT_EQ(QuantityField(1), "*000001.000");
  EXPECT_EQ(PercentField(-10), ",-10.00%");
  EXPECT_EQ(PercentField(5), ",005.00%");
  EXPECT_EQ(PercentField5(5), ",05.00%");
  EXPECT_EQ(PercentField5(5.5), ",05.50%");
  EXPECT_EQ(PercentField5(-5.5), ",-5.50%");

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(InQuantityRange(0));
  EXPECT_TRUE(InQuantityRange(999999.999));
  EXPECT_FALSE(InQuantityRange(-0.001));
  EXPECT_FALSE(InQuantityRange(nan));
  EXPECT_TRUE(InPercentRange(-99.99));
  EXPECT_FALSE(InPercentRange(99.991));
  EXPECT_FALSE(InPercentRange(nan));
  EXPECT_FALSE(InRange(inf, 0, 1e300));
  EXPECT_FALSE(MoneyFormat('2').InPriceRange(nan));
}

}  // namespace

namespace {

// Numbers on the wire keep '.' even when the process runs in a locale with a
// decimal comma (a GUI toolkit may switch to the user's locale).
TEST(NumberFormat, WireNumbersIgnoreTheProcessLocale) {
  const char* const old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (!SetBulgarianLocale(LC_NUMERIC)) GTEST_SKIP() << "no locale with a decimal comma available";
  EXPECT_EQ(MoneyFormat('2').Amount(3.2), "0000003.20");
  EXPECT_EQ(PercentField(-10), ",-10.00%");
  EXPECT_DOUBLE_EQ(FieldDouble("0000012.30", 0, 9), 12.3);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
