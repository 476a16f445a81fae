#pragma once

#include <optional>
#include <string>

// A date typed as day.month.year ("15.03.2026"), without any window: which
// texts may stand while the user types, and the date a finished text names.
// Years are 2000..2099, the printer's two-digit years; a finished text may
// give the year in two digits ("15.3.26"). ',', '/' and '-' typed between the
// numbers are taken as the '.'. Wide strings, so positions count characters.
namespace typed_date {

struct Date {
  int day = 0;
  int month = 0;  // 1..12
  int year = 0;
};

constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

// Whether `text` can still grow into a valid date: digits and points only, at
// most three numbers, each within its range, and the day within its month as
// far as that is known (31.04 never can; 29.02 can until a year that is not a
// leap year is complete).
bool CanBecomeDate(const std::wstring& text);

// The date a finished text names; none when it names no date.
std::optional<Date> Read(const std::wstring& text);

// The text to type over: "07.12.2026".
std::wstring Text(const Date& date);

// `text` with the accepted separators made points.
std::wstring Normalised(std::wstring text);

// How the text is typed, for the note shown when a keystroke is refused (UTF-8).
std::string HowToType();

}  // namespace typed_date
