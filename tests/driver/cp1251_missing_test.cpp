// Which characters of a typed text Windows-1251 cannot carry, and how they are named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/cp1251_missing.h"
#include "driver/date_words.h"
#include "driver/text.h"

namespace {

TEST(Cp1251Missing, NamesEachCharacterOnceInOrder) {
  struct Row {
    std::string text;
    std::vector<std::string> missing;
  };
  const Row rows[] = {
      {"", {}},
      {"Кафе и чай № 5 € „Ъ“ ё", {}},  // all in Windows-1251
      {"Łódź ☺ Łódź", {"Ł", "ó", "ź", "☺"}},
      {"a\xF0\x9F\x98\x80z", {"\xF0\x9F\x98\x80"}},  // outside the basic plane
      {"a\xFFz", {"\xEF\xBF\xBD"}},                  // not UTF-8
      {"\xD0", {"\xEF\xBF\xBD"}},                    // cut short
      {"\xE2\x98x", {"\xEF\xBF\xBD"}},               // broken, then an 'x' that fits
  };
  for (const Row& r : rows) EXPECT_EQ(CharsWithoutCp1251(r.text), r.missing) << r.text;
}

TEST(Cp1251Missing, CodePoints) {
  EXPECT_EQ(CodePointName("☺"), "U+263A");
  EXPECT_EQ(CodePointName("ó"), "U+00F3");
  EXPECT_EQ(CodePointName("\xF0\x9F\x98\x80"), "U+1F600");
  EXPECT_EQ(CodePointName("ab"), "");
  EXPECT_EQ(CodePointName("\xFF"), "");
}

TEST(DateWords, ReportDatesBeforeTheFirstReportYearAreBlank) {
  std::tm tm{};
  tm.tm_mday = 7;
  tm.tm_mon = 11;
  tm.tm_year = 126;
  tm.tm_hour = 14;
  tm.tm_min = 5;
  tm.tm_isdst = -1;
  EXPECT_EQ(ReportDateInWords(std::mktime(&tm)), "07 декември 2026  14:05");
  EXPECT_EQ(ReportDateInWords(ParseDateTime("00-00-0000 00:00")), "");
  EXPECT_EQ(ReportDateInWords(ParseDateTime("31-12-1999 23:59")), "");
  EXPECT_EQ(LongDateText(1, 1, 2000), "1 януари 2000");
}

}  // namespace
