// Printed reports (X and Z), the fiscal-memory reports by blocks and by dates,
// and the download of the fiscal-memory stream into a file.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/link_result.h"
#include "link/prompt_style.h"

namespace {

constexpr uint32_t kReportX = Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kPaper |
                              Require::kClock | Require::kFiscalMemory;
constexpr uint32_t kReportZWithWarning = Require::kWarnFewRecords | Require::kFMNotFull |
                                         Require::kFactoryNumbers | Require::kNoOpenReceipt |
                                         Require::kPaper | Require::kClock | Require::kFiscalMemory;
constexpr uint32_t kFMReport = Require::kFactoryNumbers | Require::kFiscalized |
                               Require::kNoOpenReceipt | Require::kPaper | Require::kFiscalMemory;
constexpr uint32_t kDownload =
    Require::kFactoryNumbers | Require::kFiscalized | Require::kPaper | Require::kFiscalMemory;

constexpr char kDownloadTerminator = '@';
const char* const kError = "Грешка";

char Kind(bool zero) {
  return zero ? 'Z' : 'X';
}

// Calendar day of `t` at 00:00:00 local time.
std::time_t StartOfDay(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  tm.tm_hour = 0;
  tm.tm_min = 0;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

}  // namespace

std::string FiscalPrinter::PrintDailyReport(bool zero) {
  StatusFlags flags{};
  if (CheckStatus(flags, zero ? kReportZWithWarning : kReportX).empty()) return std::string();
  if (zero && !flags[Flag::kDailyNotZeroed] &&
      ShowPrompt(PromptId::kZeroDailyReport, "Искате да направите Нулев Дневен Отчет?",
                 "Нулев Дневен Отчет",
                 Prompt::kIconExclamation | Prompt::kYesNo) != Prompt::kResultYes)
    return EndAfterPrompt(CallEnd::kCancelled);
  return Transact(Cmd::kDailyReport, std::string(1, Kind(zero)));
}

std::string FiscalPrinter::PrintArticleReport(bool zero) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReportX).empty()) return std::string();
  if (zero && !flags[Flag::kArticleNotZeroed] &&
      ShowPrompt(PromptId::kZeroArticleReport, "Искате да направите Нулев Артикулен Отчет?",
                 "Нулев Артикулен Отчет",
                 Prompt::kIconExclamation | Prompt::kYesNo) != Prompt::kResultYes)
    return EndAfterPrompt(CallEnd::kCancelled);
  return Transact(Cmd::kArticleReport, std::string(1, Kind(zero)));
}

std::string FiscalPrinter::PrintExtendedDailyReport(bool zero) {
  StatusFlags flags{};
  if (CheckStatus(flags, zero ? kReportZWithWarning : kReportX).empty()) return std::string();
  if (zero && !flags[Flag::kArticleNotZeroed] && !flags[Flag::kDailyNotZeroed] &&
      ShowPrompt(PromptId::kZeroDailyAndArticleReport,
                 "Искате да направите Нулеви Дневен и Артикулен Отчет?",
                 "Нулеви Дневен и Артикулен Отчет",
                 Prompt::kIconExclamation | Prompt::kYesNo) != Prompt::kResultYes)
    return EndAfterPrompt(CallEnd::kCancelled);
  return Transact(Cmd::kExtendedDailyReport, std::string(1, Kind(zero)));
}

std::string FiscalPrinter::PrintOperatorReport(bool zero, int op) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReportX).empty()) return std::string();
  if (zero) {
    op = 0;  // a Z report always zeroes every operator
    if (!flags[Flag::kOperatorNotZeroed] &&
        ShowPrompt(PromptId::kZeroOperatorReport, "Искате да направите Нулев Операторски Отчет?",
                   "Нулев Операторски Отчет",
                   Prompt::kIconExclamation | Prompt::kYesNo) != Prompt::kResultYes)
      return EndAfterPrompt(CallEnd::kCancelled);
  } else if (op < 0 || op > Limit::kLastOperator) {  // 0: every operator
    return EndOutOfRange(RangeMessage("Номерът на оператора", 0, Limit::kLastOperator));
  }
  return Transact(Cmd::kOperatorReport, Sprintf("%c;%.1d", Kind(zero), op));
}

std::string FiscalPrinter::PrintSpecialFMReport() {
  StatusFlags flags{};
  if (CheckStatus(flags, kFMReport).empty()) return std::string();
  return Transact(Cmd::kSpecialFMReport, "");
}

namespace {
struct BlockReport {
  uint8_t cmd;
  const char* lastBeforeFirst;
};
}  // namespace

static std::string PrintFMReportByBlocks(FiscalPrinter& printer, const BlockReport& kind, int first,
                                         int last) {
  StatusFlags flags{};
  if (printer.CheckStatus(flags, kFMReport).empty()) return std::string();
  if (first < Limit::kFirstFMBlock || first > Limit::kLastFMBlock || last < Limit::kFirstFMBlock ||
      last > Limit::kLastFMBlock)
    return printer.EndOutOfRange(
        RangeMessage("Номерът на блок", Limit::kFirstFMBlock, Limit::kLastFMBlock));
  DailyReportInfo info;
  const std::string read = printer.ReadDailyReportInfo(info);
  if (read.empty()) return read;
  if (info.lastFMReport == 0) {
    printer.ShowPrompt(PromptId::kNoFiscalReports, "Фискалният принтер няма фискални отчети",
                       kError, Prompt::kIconStop);
    return printer.EndAfterPrompt(CallEnd::kStatusRefused);
  }
  if (last > info.lastFMReport) {
    printer.ShowPrompt(PromptId::kReportRangeInvalid,
                       Sprintf("Зададеният Краен блок е извън диапазона от записани отчети.\n"
                               "Последния блок във Фискалната памет е с номер: %1.d.",
                               info.lastFMReport),
                       kError, Prompt::kIconStop);
    return printer.EndAfterPrompt(CallEnd::kOutOfRange);
  }
  if (last < first) {
    printer.ShowPrompt(PromptId::kReportRangeInvalid, kind.lastBeforeFirst, kError,
                       Prompt::kIconStop, 0);
    return printer.EndAfterPrompt(CallEnd::kOutOfRange);
  }
  return printer.Transact(kind.cmd, Sprintf("%.4d;%.4d", first, last));
}

std::string FiscalPrinter::PrintDetailedFMReportByBlocks(int first, int last) {
  return PrintFMReportByBlocks(
      *this, {Cmd::kDetailedFMReportByBlocks, "Зададеният Краен е преди началния"}, first, last);
}

std::string FiscalPrinter::PrintShortFMReportByBlocks(int first, int last) {
  return PrintFMReportByBlocks(
      *this, {Cmd::kShortFMReportByBlocks, "Зададеният Краен блок е преди началния"}, first, last);
}

// `correctClock` hands the port to the date and time dialog and waits for the
// printer; it returns false when the dialog was cancelled.
static std::string PrintFMReportByDates(FiscalPrinter& printer, uint8_t cmd, std::time_t from,
                                        std::time_t to, const std::function<bool()>& correctClock) {
  StatusFlags flags{};
  if (printer.CheckStatus(flags, kFMReport).empty()) return std::string();
  DailyReportInfo info;
  const std::string read = printer.ReadDailyReportInfo(info);
  if (read.empty()) return read;
  if (info.lastFMReport == 0) {
    printer.ShowPrompt(PromptId::kNoFiscalReports, "Фискалният принтер няма фискални отчети",
                       kError, Prompt::kIconStop);
    return printer.EndAfterPrompt(CallEnd::kStatusRefused);
  }
  from = StartOfDay(from);
  to = StartOfDay(to);
  if (to < from) {
    printer.ShowPrompt(PromptId::kReportRangeInvalid, "Зададената Крайна дата е преди Началната",
                       kError, Prompt::kIconStop);
    return printer.EndAfterPrompt(CallEnd::kOutOfRange);
  }
  std::time_t now = 0;
  std::string clock = printer.ReadDateTime(now);
  if (clock.empty()) return clock;
  if (now < to) {
    const std::string text = "Зададената Крайна дата е след\n Сегашната във Фискалния Принтер\n(" +
                             FormatTime(now, "%d %B %Y") +
                             ")\nМожете да сверите датата във Фискалния Принтер";
    if (printer.ShowPrompt(PromptId::kReportEndAfterClock, text, kError,
                           Prompt::kIconStop | Prompt::kSetClockCancel) != Prompt::kResultOk)
      return printer.EndAfterPrompt(CallEnd::kCancelled);
    if (!correctClock()) return printer.EndAfterPrompt(CallEnd::kCancelled);
    // The corrected clock is read again but not compared: the user has seen it.
    clock = printer.ReadDateTime(now);
    if (clock.empty()) return clock;
  }
  return printer.Transact(cmd, FormatTime(from, "%d%m%y;") + FormatTime(to, "%d%m%y"));
}

std::string FiscalPrinter::PrintDetailedFMReportByDates(std::time_t from, std::time_t to) {
  return PrintFMReportByDates(*this, Cmd::kDetailedFMReportByDates, from, to, [this] {
    if (RunDateTimeDialogDetached() == Prompt::kResultCancel) return false;
    WaitUntilNotBusy();
    return true;
  });
}

std::string FiscalPrinter::PrintShortFMReportByDates(std::time_t from, std::time_t to) {
  return PrintFMReportByDates(*this, Cmd::kShortFMReportByDates, from, to, [this] {
    if (RunDateTimeDialogDetached() == Prompt::kResultCancel) return false;
    WaitUntilNotBusy();
    return true;
  });
}

std::string FiscalPrinter::DownloadFMToFile(std::FILE* file) {
  if (file == nullptr) {
    // Nowhere to write: refuse before the printer starts streaming.
    ShowPrompt(PromptId::kReportFileWriteError, "Грешка при запис файл!", kError,
               Prompt::kIconStop);
    return EndAfterPrompt(CallEnd::kFileFailed);
  }
  StatusFlags flags{};
  if (CheckStatus(flags, kDownload).empty()) return std::string();
  const std::string started = Transact(Cmd::kDownloadFM, "");
  if (started.empty()) return started;
  // The stream comes outside the frame protocol, one byte at a time.
  for (;;) {
    SerialPort* port = Serial();
    std::string byte;
    bool received = false;
    if (port != nullptr) {
      byte = port->Receive(1, Timeouts().reply);
      // The port reads a zero byte as an empty text without an error; in this
      // stream it is data like any other byte.
      received = port->TakeError() == LinkResult::kOk;
      if (received && byte.empty()) byte.assign(1, '\0');
    }
    if (!received || byte.empty()) {
      ShowPrompt(PromptId::kReportDataTimeout, "Просрочено време за получаване на данните!", kError,
                 Prompt::kIconStop);
      return EndAfterPrompt(CallEnd::kLinkFailed);
    }
    // Flushed byte by byte, so that a full disk shows at the byte that failed
    // and everything received before it is in the file.
    if (std::fputc(static_cast<unsigned char>(byte[0]), file) == EOF || std::fflush(file) != 0) {
      ShowPrompt(PromptId::kReportFileWriteError, "Грешка при запис файл!", kError,
                 Prompt::kIconStop);
      return EndAfterPrompt(CallEnd::kFileFailed);
    }
    if (byte[0] == kDownloadTerminator) return "OK";
  }
}
