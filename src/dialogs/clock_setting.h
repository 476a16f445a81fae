#pragma once

#include <ctime>
#include <string>

#include "link/call_outcome.h"

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

// Whether a SetDateTime call set the printer's clock: a non-empty result of a
// call that ended done. "BP" (a date before the last fiscal-memory record,
// nothing sent) and an ACK code the user passed over are not.
inline bool ClockWasSet(const std::string& result, const CallOutcome& outcome) {
  return CallDone(result, outcome);
}

// Modal result of the dialog: 1 when the clock was set at least once, 2 otherwise
// (PrinterDialog::kResultChanged and kResultUnchanged).
inline int DateTimeDialogResult(bool changed) {
  return changed ? 1 : 2;
}
