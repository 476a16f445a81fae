#pragma once

#include <ctime>
#include <string>

// Window-free pieces of the date and time dialog.

// A point on the computer's local clock as the two pickers hold it.
struct ClockFields {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Calendar time of `fields` in local time; daylight saving is left to the C
// library (tm_isdst = -1).
std::time_t ComposeLocalTime(const ClockFields& fields);

// The fields of local time `t`.
ClockFields SplitLocalTime(std::time_t t);

// Whether a SetDateTime result means the printer's clock was set: any non-empty
// result except "BP" (a date before the last fiscal-memory record, nothing sent).
inline bool ClockWasSet(const std::string& result) {
  return !result.empty() && result != "BP";
}

// Modal result of the dialog: 1 when the clock was set at least once, 2 otherwise
// (PrinterDialog::kResultChanged and kResultUnchanged).
inline int DateTimeDialogResult(bool changed) {
  return changed ? 1 : 2;
}
