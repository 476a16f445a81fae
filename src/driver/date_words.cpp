#include "driver/date_words.h"

#include "driver/text.h"

namespace {

constexpr const char* kMonths[] = {"януари",    "февруари", "март",    "април",
                                   "май",       "юни",      "юли",     "август",
                                   "септември", "октомври", "ноември", "декември"};

// Reports carry two-digit years of this century.
constexpr int kFirstReportYear = 2000;

}  // namespace

std::string MonthName(int month) {
  if (month < 1 || month > 12) return "";
  return kMonths[month - 1];
}

std::string LongDateText(int day, int month, int year) {
  const std::string name = MonthName(month);
  if (name.empty()) return "";
  return std::to_string(day) + " " + name + " " + std::to_string(year);
}

std::string ReportDateInWords(std::time_t t) {
  std::tm tm{};
  if (!localtime_r(&t, &tm) || tm.tm_year + 1900 < kFirstReportYear) return "";
  return FormatTime(t, "%d %B %Y  %H:%M");
}
