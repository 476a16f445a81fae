#include "dialogs/controls/typed_date.h"

#include <string>
#include <vector>

namespace typed_date {

namespace {

constexpr size_t kMaxParts = 3;
constexpr size_t kDayMonthDigits = 2;
constexpr size_t kYearDigits = 4;
constexpr size_t kShortYearDigits = 2;
constexpr int kMonthsInYear = 12;

bool IsLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(int month, int year) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeap(year)) return 29;
  return kDays[month - 1];
}

int ValueOf(const std::wstring& digits) {
  int v = 0;
  for (wchar_t c : digits) v = v * 10 + (c - L'0');
  return v;
}

// The numbers between the points; none when a character is neither.
std::optional<std::vector<std::wstring>> Split(const std::wstring& text) {
  std::vector<std::wstring> parts(1);
  for (wchar_t c : text) {
    if (c == L'.') {
      parts.emplace_back();
    } else if (c >= L'0' && c <= L'9') {
      parts.back() += c;
    } else {
      return std::nullopt;
    }
  }
  return parts;
}

// A day or month number: `done` when more follows it, so it must be complete.
bool PartFits(const std::wstring& part, bool done, int maximum) {
  if (part.size() > kDayMonthDigits) return false;
  if (part.empty()) return !done;
  const int v = ValueOf(part);
  if (part.size() == kDayMonthDigits || done) return v >= 1 && v <= maximum;
  return v <= maximum;
}

}  // namespace

std::wstring Normalised(std::wstring text) {
  for (wchar_t& c : text)
    if (c == L',' || c == L'/' || c == L'-') c = L'.';
  return text;
}

bool CanBecomeDate(const std::wstring& raw) {
  const auto parts = Split(Normalised(raw));
  if (!parts || parts->size() > kMaxParts) return false;
  const auto& p = *parts;
  const bool dayDone = p.size() > 1;
  if (!PartFits(p[0], dayDone, 31)) return false;
  if (p.size() == 1) return true;
  const bool monthDone = p.size() > 2;
  if (!PartFits(p[1], monthDone, kMonthsInYear)) return false;
  const bool monthKnown = monthDone || p[1].size() == kDayMonthDigits;
  if (monthKnown && ValueOf(p[0]) > DaysIn(ValueOf(p[1]), 2000)) return false;  // a leap year
  if (p.size() == 2) return true;
  const std::wstring& year = p[2];
  if (year.size() > kYearDigits) return false;
  // Three digits can only be the start of a four-digit year of this century.
  if (year.size() >= 3 && year.compare(0, 2, L"20") != 0) return false;
  if (year.size() == kYearDigits) return Read(raw).has_value();
  return true;
}

std::optional<Date> Read(const std::wstring& raw) {
  const auto parts = Split(Normalised(raw));
  if (!parts || parts->size() != kMaxParts) return std::nullopt;
  const auto& p = *parts;
  if (p[0].empty() || p[0].size() > kDayMonthDigits || p[1].empty() ||
      p[1].size() > kDayMonthDigits)
    return std::nullopt;
  if (p[2].size() != kYearDigits && p[2].size() != kShortYearDigits) return std::nullopt;
  Date d{ValueOf(p[0]), ValueOf(p[1]), ValueOf(p[2])};
  if (p[2].size() == kShortYearDigits) d.year += kFirstYear;
  if (d.year < kFirstYear || d.year > kLastYear) return std::nullopt;
  if (d.month < 1 || d.month > kMonthsInYear) return std::nullopt;
  if (d.day < 1 || d.day > DaysIn(d.month, d.year)) return std::nullopt;
  return d;
}

std::wstring Text(const Date& date) {
  auto digits = [](int v, size_t width) {
    std::wstring out = std::to_wstring(v);
    if (out.size() < width) out.insert(0, width - out.size(), L'0');
    return out;
  };
  return digits(date.day, 2) + L"." + digits(date.month, 2) + L"." + digits(date.year, 4);
}

std::string HowToType() {
  return "Датата се пише ден.месец.година, например 15.03.2026 (години от 2000 до 2099).";
}

}  // namespace typed_date
