#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "dialogs/clock_setting.h"
#include "driver/fiscal_printer.h"

// Window-free half of the two fiscal-memory report dialogs (by blocks and by
// dates): what they preset from the printer when they open, and which report
// command each button runs.

// The message shown, once, when the fiscal memory holds no report yet; the
// dialog then closes itself.
inline constexpr const char* kNoFiscalReportsText = "Фискалният принтер няма фискални отчети";
inline constexpr const char* kNoFiscalReportsCaption = "Грешка";

// How opening a report dialog went.
enum class FmReportOpening {
  kClose,      // no connection or a failed read: the driver has told the user; close
  kNoReports,  // the fiscal memory holds no report: show the message, then close
  kReady,      // the preset below is valid
};

// Number of days of `month` (1..12) of `year` in the Gregorian calendar.
int DaysInMonth(int year, int month);

// The first and last day of the calendar month before the month of `now`, both
// at now's hour and minute with 0 seconds (December of the year before when
// `now` is in January).
struct DayRange {
  ClockFields from;
  ClockFields to;
};
DayRange PreviousMonth(const ClockFields& now);

// Opening the report by blocks: reads the report counters on an open printer.
// On kReady, `lastReport` is the number N of the last report in the fiscal
// memory and the dialog offers 1..N.
struct FmBlocksPreset {
  FmReportOpening opening = FmReportOpening::kClose;
  int lastReport = 0;
};
FmBlocksPreset ReadFmBlocksPreset(FiscalPrinter& printer);

// Opening the report by dates: the report counters, then the printer's clock.
// On kReady, `range` is the previous calendar month by the printer's clock, or
// none when the clock could not be read (the dialog stays open with its pickers
// as they were).
struct FmDatesPreset {
  FmReportOpening opening = FmReportOpening::kClose;
  std::optional<DayRange> range;
};
FmDatesPreset ReadFmDatesPreset(FiscalPrinter& printer);

// Which of the two reports a button asks for.
enum class FmReportDetail { kShort, kDetailed };

// Runs the report by blocks / by dates of the given detail on an open printer
// and returns the command's result ("" when refused or failed; the driver has
// told the user why). Range checks are the commands' own.
std::string PrintFmReportByBlocks(FiscalPrinter& printer, FmReportDetail detail, int first,
                                  int last);
std::string PrintFmReportByDates(FiscalPrinter& printer, FmReportDetail detail, std::time_t from,
                                 std::time_t to);
