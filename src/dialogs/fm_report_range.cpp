#include "dialogs/fm_report_range.h"

#include <chrono>

int DaysInMonth(int year, int month) {
  using namespace std::chrono;
  const year_month_day_last last{std::chrono::year{year} /
                                 std::chrono::month{static_cast<unsigned>(month)} /
                                 std::chrono::last};
  return static_cast<int>(static_cast<unsigned>(last.day()));
}

DayRange PreviousMonth(const ClockFields& now) {
  int year = now.year;
  int month = now.month - 1;
  if (month < 1) {
    month = 12;
    --year;
  }
  DayRange r;
  r.from = {year, month, 1, now.hour, now.minute, 0};
  r.to = {year, month, DaysInMonth(year, month), now.hour, now.minute, 0};
  return r;
}

namespace {

// The counters read and checked for a report: kClose, kNoReports or kReady.
FmReportOpening ReadReportCount(FiscalPrinter& printer, int& lastReport) {
  DailyReportInfo info;
  if (!CallDone(printer.ReadDailyReportInfo(info), printer.LastOutcome()))
    return FmReportOpening::kClose;
  lastReport = info.lastFMReport;
  return info.lastFMReport <= 0 ? FmReportOpening::kNoReports : FmReportOpening::kReady;
}

}  // namespace

FmBlocksPreset ReadFmBlocksPreset(FiscalPrinter& printer) {
  FmBlocksPreset preset;
  preset.opening = ReadReportCount(printer, preset.lastReport);
  return preset;
}

FmDatesPreset ReadFmDatesPreset(FiscalPrinter& printer) {
  FmDatesPreset preset;
  int lastReport = 0;
  preset.opening = ReadReportCount(printer, lastReport);
  if (preset.opening != FmReportOpening::kReady) return preset;
  std::time_t now = 0;
  if (CallDone(printer.ReadDateTime(now), printer.LastOutcome()))
    preset.range = PreviousMonth(SplitLocalTime(now));
  return preset;
}

std::string PrintFmReportByBlocks(FiscalPrinter& printer, FmReportDetail detail, int first,
                                  int last) {
  return detail == FmReportDetail::kShort ? printer.PrintShortFMReportByBlocks(first, last)
                                          : printer.PrintDetailedFMReportByBlocks(first, last);
}

std::string PrintFmReportByDates(FiscalPrinter& printer, FmReportDetail detail, std::time_t from,
                                 std::time_t to) {
  return detail == FmReportDetail::kShort ? printer.PrintShortFMReportByDates(from, to)
                                          : printer.PrintDetailedFMReportByDates(from, to);
}
