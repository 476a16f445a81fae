#include "driver/text.h"

#include "driver/date_words.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include <locale.h>

namespace {

// Numbers on the wire always use '.' as the decimal point. A GUI toolkit may
// switch the process to the user's locale (where it can be ','), so number
// formatting and parsing run under the "C" locale on this thread.
#ifdef _WIN32
// Windows has no uselocale: the thread gets its own locale for the duration.
class CNumericLocale {
 public:
  CNumericLocale() : mode_(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
    const char* current = setlocale(LC_NUMERIC, nullptr);
    previous_ = current ? current : "C";
    setlocale(LC_NUMERIC, "C");
  }
  ~CNumericLocale() {
    setlocale(LC_NUMERIC, previous_.c_str());
    _configthreadlocale(mode_);
  }
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

 private:
  int mode_;
  std::string previous_;
};
#else
class CNumericLocale {
 public:
  CNumericLocale() : previous_(uselocale(Locale())) {}
  ~CNumericLocale() { uselocale(previous_); }
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

 private:
  static locale_t Locale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c ? c : LC_GLOBAL_LOCALE;
  }
  locale_t previous_;
};
#endif

}  // namespace

std::string PadWithChar(const std::string& text, int before, int after, char fill) {
  before = std::clamp(before, 0, 100);
  after = std::clamp(after, 0, 100);
  return std::string(static_cast<size_t>(before), fill) + text +
         std::string(static_cast<size_t>(after), fill);
}

std::string FitText(const std::string& text, int width, int alignment, char fill) {
  const size_t w = static_cast<size_t>(width < 0 ? -static_cast<long>(width) : width);
  std::string cut = text.size() > w ? text.substr(0, w) : text;
  const int d = static_cast<int>(w - cut.size());
  switch (alignment) {
    case 2:
      return PadWithChar(cut, d, 0, fill);
    case 1:
      return PadWithChar(cut, d / 2, d - d / 2, fill);
    default:
      return PadWithChar(cut, 0, d, fill);
  }
}

std::string RemoveChar(const std::string& text, char ch, int mode) {
  switch (mode) {
    case 0: {
      std::string out;
      out.reserve(text.size());
      for (char c : text)
        if (c != ch) out += c;
      return out;
    }
    case 1: {
      size_t i = 0;
      while (i < text.size() && text[i] == ch) ++i;
      return text.substr(i);
    }
    case 2: {
      size_t n = text.size();
      while (n > 0 && text[n - 1] == ch) --n;
      return text.substr(0, n);
    }
    default:
      return text;
  }
}

std::string Field(const std::string& text, size_t from, size_t to) {
  if (from >= text.size() || to < from) return std::string();
  return text.substr(from, std::min(to, text.size() - 1) - from + 1);
}

int FieldInt(const std::string& text, size_t from, size_t to) {
  // Read like atoi (leading spaces, a sign, the digits up to the first
  // non-digit), but a run of digits too long for an int saturates at the int's
  // limit: a garbled reply must not overflow.
  const std::string field = Field(text, from, to);
  size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                   : std::numeric_limits<int>::max();
  long long value = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i)
    value = std::min(value * 10 + (field[i] - '0'), limit);
  return static_cast<int>(negative ? -value : value);
}

double FieldDouble(const std::string& text, size_t from, size_t to) {
  const CNumericLocale c;
  // strtod rather than atof: a value out of range gives ±HUGE_VAL, not undefined behaviour.
  return std::strtod(Field(text, from, to).c_str(), nullptr);
}

char CharAt(const std::string& text, size_t pos) {
  return pos < text.size() ? text[pos] : '\0';
}

std::time_t ParseDateTime(const std::string& text) {
  const std::string t = FitText(text, 16, 0, '0');
  std::tm tm{};
  tm.tm_mday = FieldInt(t, 0, 1);
  tm.tm_mon = FieldInt(t, 3, 4) - 1;
  tm.tm_year = FieldInt(t, 6, 9) - 1900;
  tm.tm_hour = FieldInt(t, 11, 12);
  tm.tm_min = FieldInt(t, 14, 15);
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

std::string Sprintf(const char* format, ...) {
  const CNumericLocale c;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), format, args);
    out.assign(buf.data(), static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

std::string FormatTime(std::time_t t, const char* format) {
  std::tm tm{};
  localtime_r(&t, &tm);
  // Expand %B ourselves so that the month name never depends on the locale.
  // A '%' in a month name would be read as a conversion; none has one.
  std::string fmt;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 'B') {
      fmt += MonthName(tm.tm_mon + 1);
      ++p;
    } else if (p[0] == '%' && p[1] == '%') {
      fmt += "%%";
      ++p;
    } else {
      fmt += *p;
    }
  }
  if (fmt.empty()) return std::string();
  std::vector<char> buf(fmt.size() * 4 + 64);
  const size_t n = std::strftime(buf.data(), buf.size(), fmt.c_str(), &tm);
  return std::string(buf.data(), n);
}

std::string RangeMessage(const char* what, long lo, long hi) {
  return Sprintf("%s трябва да е от %ld до %ld", what, lo, hi);
}
