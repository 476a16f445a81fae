#pragma once

#include <ctime>
#include <string>

// Dates in words, as every window, prompt and question of the system writes
// them: the month by its Bulgarian name whatever the process locale ("%B" of
// FormatTime, the date pickers, the clock and fiscalization questions). UTF-8.

// The name of `month` (1..12) in a date ("декември"); "" otherwise.
std::string MonthName(int month);

// Day, month name and full year: "7 декември 2026". "" for an invalid month.
std::string LongDateText(int day, int month, int year);

// The date and time of a report as the dialogs show it: "07 декември 2026  14:05"
// (local time, "%d %B %Y  %H:%M"). "" for a printer that has no such report
// yet: it reports the date as all zeros, which reads as a time before 2000,
// when no printer of this kind kept a fiscal memory. "" as well when the time
// cannot be converted.
std::string ReportDateInWords(std::time_t t);
