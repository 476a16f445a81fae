#include "cli/convert.h"

#include <charconv>
#include <cstring>

#include "driver/cp1251.h"

namespace {

bool IsDigits(const std::string& s, size_t from, size_t count) {
  if (from + count > s.size()) return false;
  for (size_t i = from; i < from + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

int Digits(const std::string& s, size_t from, size_t count) {
  int v = 0;
  for (size_t i = from; i < from + count; ++i) v = v * 10 + (s[i] - '0');
  return v;
}

// Builds a local time and checks that the fields named a real moment (no 31-02,
// no 25:00): mktime normalises impossible fields, which shows as a change.
std::optional<std::time_t> MakeLocal(int day, int month, int year, int hour, int minute,
                                     int second) {
  if (year < 1970 || year > 2099) return std::nullopt;
  std::tm tm{};
  tm.tm_mday = day;
  tm.tm_mon = month - 1;
  tm.tm_year = year - 1900;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  if (tm.tm_mday != day || tm.tm_mon != month - 1 || tm.tm_year != year - 1900) {
    return std::nullopt;
  }
  // A local time skipped by a daylight-saving change moves the hour; refuse it.
  if (tm.tm_hour != hour || tm.tm_min != minute || tm.tm_sec != second) return std::nullopt;
  return t;
}

}  // namespace

std::optional<int64_t> ParseInteger(const std::string& text, int64_t min, int64_t max) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  int base = 10;
  if (text.size() - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= text.size()) return std::nullopt;
  uint64_t magnitude = 0;
  const char* first = text.data() + pos;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, magnitude, base);
  if (ec != std::errc() || end != last) return std::nullopt;
  // The magnitude of INT64_MIN is one more than INT64_MAX.
  if (magnitude > static_cast<uint64_t>(INT64_MAX) + (negative ? 1 : 0)) return std::nullopt;
  const int64_t value =
      negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<double> ParseDecimal(const std::string& text) {
  size_t pos = 0;
  if (!text.empty() && text[0] == '+') pos = 1;  // from_chars takes '-' only
  if (pos >= text.size()) return std::nullopt;
  // Only digits, one sign, '.', and an exponent: this keeps out "inf", "nan" and
  // hexadecimal forms that from_chars would otherwise accept.
  for (size_t i = pos; i < text.size(); ++i) {
    const char c = text[i];
    const bool ok =
        (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' ||
        ((c == '-' || c == '+') && i > pos && (text[i - 1] == 'e' || text[i - 1] == 'E')) ||
        (c == '-' && i == pos && pos == 0);
    if (!ok) return std::nullopt;
  }
  double value = 0;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data() + pos, last, value);
  if (ec != std::errc() || end != last) return std::nullopt;
  return value;
}

std::optional<bool> ParseFlag(const std::string& text) {
  if (text == "0") return false;
  if (text == "1") return true;
  return std::nullopt;
}

std::optional<int> ParseTaxGroup(const std::string& text) {
  if (const auto n = ParseInteger(text, 0, 7)) return static_cast<int>(*n);
  const auto bytes = Utf8ToCp1251(text);
  if (!bytes || bytes->size() != 1) return std::nullopt;
  const auto b = static_cast<unsigned char>((*bytes)[0]);
  if (b >= 0xC0 && b <= 0xC7) return b - 0xC0;  // А..З
  if (b >= 0xE0 && b <= 0xE7) return b - 0xE0;  // а..з
  return std::nullopt;
}

std::optional<std::time_t> ParseCliTime(const std::string& text, std::time_t now) {
  if (text == "now") return now;
  // DD-MM-YYYY HH:MM:SS
  if (text.size() != 19 || text[2] != '-' || text[5] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  if (!IsDigits(text, 0, 2) || !IsDigits(text, 3, 2) || !IsDigits(text, 6, 4) ||
      !IsDigits(text, 11, 2) || !IsDigits(text, 14, 2) || !IsDigits(text, 17, 2)) {
    return std::nullopt;
  }
  return MakeLocal(Digits(text, 0, 2), Digits(text, 3, 2), Digits(text, 6, 4), Digits(text, 11, 2),
                   Digits(text, 14, 2), Digits(text, 17, 2));
}

std::optional<std::time_t> ParseCliDate(const std::string& text) {
  if (text.size() != 10 || text[2] != '-' || text[5] != '-') return std::nullopt;
  if (!IsDigits(text, 0, 2) || !IsDigits(text, 3, 2) || !IsDigits(text, 6, 4)) {
    return std::nullopt;
  }
  return MakeLocal(Digits(text, 0, 2), Digits(text, 3, 2), Digits(text, 6, 4), 0, 0, 0);
}

std::optional<std::string> ParseCliText(const std::string& text) {
  return Utf8ToCp1251(text);
}

std::optional<char> ParseCliChar(const std::string& text) {
  const auto bytes = Utf8ToCp1251(text);
  if (!bytes || bytes->size() != 1) return std::nullopt;
  return (*bytes)[0];
}

std::string FormatCliTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%d-%m-%Y %H:%M:%S", &tm);
  return buf;
}
