// Status read, the status check run before every command, version and the
// sample service receipt.
#include <cstdint>

#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/text.h"

namespace {

constexpr uint8_t kCmdStatus = 0x20;
constexpr uint8_t kCmdVersion = 0x21;
constexpr uint8_t kCmdDailyReport = 0x7C;
constexpr uint8_t kCmdOperatorReport = 0x7D;
constexpr uint8_t kCmdArticleReport = 0x7E;

// Prompt styles used here (button set | icon | default button).
constexpr unsigned kStopOk = 0x10;
constexpr unsigned kZeroOrCancel = 0x16;      // "Нулиране" / "Отказ"
constexpr unsigned kSetClockOrCancel = 0x17;  // "Сверяване" / "Отказ"
constexpr unsigned kCloseOrCancel = 0x18;     // "Затваряне" / "Отказ"
constexpr unsigned kPaperStop = 0x19;  // "Изтикване" / "OK" / "Отказ", stop icon
constexpr unsigned kPaperExclamation = 0x39;  // the same buttons, exclamation icon
constexpr unsigned kQuestionYesNo = 0x24;
constexpr unsigned kWarningOk = 0x30;

constexpr int kResultOk = 1;
constexpr int kResultYes = 6;
constexpr int kResultFeed = 10;
constexpr int kDialogCancelled = 2;

const char* const kError = "Грешка";
const char* const kNoPaper = "Липсва хартия или е прегрял принтера";

// A clock problem the user can put right with the date and time dialog.
struct ClockStep {
  int flag;
  const char* prompt;
  const char* stillSet;
};
constexpr ClockStep kClockSteps[] = {
    {Flag::kRamReset, "Нулиран RAM. Сверете Дата и Час", "Грешен RAM"},
    {Flag::kClockNotSet, "Несверен часовник. Сверете Дата и Час",
     "Часовникът не може да бъде сверен"},
    {Flag::kClockIncorrect, "Некоректен часовник. Сверете Дата и Час",
     "Часовникът не може да бъде сверен"},
};

// An unzeroed report the check zeroes itself with the report command.
struct ZeroingStep {
  uint32_t requirement;
  int flag;
  const char* prompt;
  uint8_t cmd;
  const char* data;
};
constexpr ZeroingStep kZeroingSteps[] = {
    {Require::kDailyZeroed, Flag::kDailyNotZeroed, "НЕнулиран Дневен Отчет", kCmdDailyReport, "Z"},
    {Require::kOperatorZeroed, Flag::kOperatorNotZeroed, "НЕнулиран Операторски Отчет",
     kCmdOperatorReport, "Z;0"},
    {Require::kArticleZeroed, Flag::kArticleNotZeroed, "НЕнулиран Отчет по Артикули",
     kCmdArticleReport, "Z"},
};

}  // namespace

FlagPosition StatusFlagPosition(int flag) {
  // S4 numbers its flags out of bit order: bit 3 is flag 30, bits 4 and 5 are
  // flags 28 and 29.
  static constexpr FlagPosition kPositions[32] = {
      {0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6},  // 0..6
      {1, 0}, {1, 1}, {1, 3}, {1, 4}, {1, 5}, {1, 6},          // 7..12
      {2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4},                  // 13..17
      {3, 0}, {3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}, {3, 6},  // 18..24
      {4, 0}, {4, 1}, {4, 2}, {4, 4}, {4, 5}, {4, 3}, {4, 6},  // 25..31
  };
  return (flag >= 0 && flag < 32) ? kPositions[flag] : FlagPosition{0, 7};
}

bool DecodeStatus(const std::string& reply, StatusFlags& flags) {
  if (reply.size() < 5) return false;
  for (int f = 0; f < 32; ++f) {
    const FlagPosition p = StatusFlagPosition(f);
    flags[static_cast<size_t>(f)] =
        ((static_cast<uint8_t>(reply[static_cast<size_t>(p.byte)]) >> p.bit) & 1) != 0;
  }
  return true;
}

std::string FiscalPrinter::ReadStatus(StatusFlags& flags) {
  const std::string reply = Transact(kCmdStatus, "");
  if (reply.empty()) return reply;
  if (!DecodeStatus(reply, flags)) {
    // Decoding needs all five status bytes; a shorter answer is a failed read.
    ShowPrompt("Непълен статус от Фискалния принтер", kError, kStopOk);
    return std::string();
  }
  return reply;
}

std::string FiscalPrinter::CheckStatus(StatusFlags& flags, uint32_t word) {
  const auto has = [word](uint32_t bit) { return (word & bit) != 0; };
  const auto refuse = [this](const char* text) {
    ShowPrompt(text, kError, kStopOk);
    return std::string();
  };

  if (ReadStatus(flags).empty()) return std::string();

  if (has(Require::kFiscalMemory)) {
    if (flags[Flag::kFMMissing]) return refuse("Липсва Фискална Памет");
    if (flags[Flag::kFMFaulty]) return refuse("Грешна Фискална Памет");
  }

  if (has(Require::kFactoryNumbers)) {
    if (!flags[Flag::kFactoryNumbers]) return refuse("Незаписани Фабрични Номера");
  } else if (has(Require::kNoFactoryNumbers) && flags[Flag::kFactoryNumbers]) {
    return refuse("Фабричните Номера са вече записани");
  }

  if (has(Require::kClock)) {
    if (flags[Flag::kClockHardware])
      return refuse("Хардуерна грешка в часовника на Фискалния Принтер");
    for (const ClockStep& step : kClockSteps) {
      if (!flags[static_cast<size_t>(step.flag)]) continue;
      if (ShowPrompt(step.prompt, kError, kSetClockOrCancel) != kResultOk) return std::string();
      if (RunDateTimeDialogDetached() == kDialogCancelled) return std::string();
      WaitUntilNotBusy();
      if (ReadStatus(flags).empty()) return std::string();
      if (flags[static_cast<size_t>(step.flag)]) return refuse(step.stillSet);
    }
  } else if (has(Require::kRamReset) && !flags[Flag::kRamReset]) {
    return refuse("НЕнулиран RAM. Командата се изпълнява при Нулиран RAM");
  }

  if (has(Require::kFiscalized)) {
    if (!flags[Flag::kFiscalized]) return refuse("Фискалният принтер е НЕфискализиран");
  } else if (has(Require::kNotFiscalized) && flags[Flag::kFiscalized]) {
    return refuse("Фискалният принтер е вече Фискализиран");
  }

  if (has(Require::kFMNotFull) && flags[Flag::kFMFull])
    return refuse("Фискалният принтер е с пълна Фискална Памет");

  if (has(Require::kWarnFewRecords) && flags[Flag::kFMFewRecords]) {
    int count = 0;
    if (ReadFreeFMRecords(count).empty()) return std::string();
    ShowPrompt(Sprintf("ВНИМАНИЕ!!! Остават %1.d Свободни Записи във Фискалната Памет", count),
               "Предупреждение", kWarningOk);
  }

  if (has(Require::kNoOverflow) && flags[Flag::kReportOverflow]) {
    const char* const overflow = "Препълване в натрупванията на отчетите";
    if (ShowPrompt(overflow, kError, kZeroOrCancel) != kResultOk) return std::string();
    for (;;) {
      if (ShowPrompt("Желаете ли да нулирате Дневен Отчет?", "Дневен Отчет", kQuestionYesNo) ==
          kResultYes) {
        if (PrintDailyReport(true).empty()) return std::string();
        WaitUntilNotBusy();
      }
      if (ShowPrompt("Желаете ли да нулирате Операторски Отчет?", "Операторски Отчет",
                     kQuestionYesNo) == kResultYes) {
        if (PrintOperatorReport(true, 0).empty()) return std::string();
        WaitUntilNotBusy();
      }
      if (ShowPrompt("Желаете ли да нулирате Отчет по Артикули?", "Отчет по Артикули",
                     kQuestionYesNo) == kResultYes) {
        if (PrintArticleReport(true).empty()) return std::string();
        WaitUntilNotBusy();
      }
      if (ReadStatus(flags).empty()) return std::string();
      if (!flags[Flag::kReportOverflow]) break;
      if (ShowPrompt(overflow, kError, kZeroOrCancel) != kResultOk) return std::string();
    }
  }

  for (const ZeroingStep& step : kZeroingSteps) {
    const size_t flag = static_cast<size_t>(step.flag);
    if (!has(step.requirement) || !flags[flag]) continue;
    if (ShowPrompt(step.prompt, kError, kZeroOrCancel) != kResultOk) return std::string();
    for (;;) {
      if (Transact(step.cmd, step.data).empty()) return std::string();
      WaitUntilNotBusy();
      if (ReadStatus(flags).empty()) return std::string();
      if (!flags[flag]) break;
      if (ShowPrompt(step.prompt, kError, kZeroOrCancel) != kResultOk) return std::string();
    }
  }

  if (has(Require::kNoOpenReceipt)) {
    if (flags[Flag::kServiceReceiptOpen]) {
      if (ShowPrompt("Отворен Служебен Бон", kError, kCloseOrCancel) != kResultOk)
        return std::string();
      if (CloseServiceReceipt().empty()) return std::string();
      if (ReadStatus(flags).empty()) return std::string();
      if (flags[Flag::kServiceReceiptOpen]) return refuse("Бонът не може да се затвори");
    }
    if (flags[Flag::kFiscalReceiptOpen]) {
      if (ShowPrompt("Отворен Фискален Бон", kError, kCloseOrCancel) != kResultOk)
        return std::string();
      if (CloseFiscalReceipt().empty()) return std::string();
      if (ReadStatus(flags).empty()) return std::string();
      if (flags[Flag::kFiscalReceiptOpen]) return refuse("Бонът не може да се затвори");
    }
  } else if (has(Require::kServiceReceiptOpen)) {
    if (!flags[Flag::kServiceReceiptOpen]) return refuse("Неотворен Служебен Бон");
  } else if (has(Require::kFiscalReceiptOpen) && !flags[Flag::kFiscalReceiptOpen]) {
    return refuse("Неотворен Фискален Бон");
  }

  if (has(Require::kDuplicatePending) && !flags[Flag::kDuplicatePending])
    return refuse("Дубликатът на бележката е вече отпечатан");

  if (has(Require::kPaper) && flags[Flag::kNoPaper]) {
    int answer = ShowPrompt(kNoPaper, kError, kPaperStop);
    for (;;) {
      if (answer == kResultFeed) {
        if (FeedPaperNoCheck().empty()) return std::string();
        if (ReadStatus(flags).empty()) return std::string();
        answer = flags[Flag::kNoPaper] ? ShowPrompt(kNoPaper, kError, kPaperStop)
                                       : ShowPrompt("Има хартия", "Съобщение", kPaperExclamation);
      } else if (answer == kResultOk) {
        if (ReadStatus(flags).empty()) return std::string();
        if (!flags[Flag::kNoPaper]) break;
        answer = ShowPrompt(kNoPaper, kError, kPaperStop);
      } else {
        return std::string();
      }
    }
  }

  return "OK";
}

std::string FiscalPrinter::ReadVersion() {
  return Transact(kCmdVersion, "");
}

std::string FiscalPrinter::PrintEmptyServiceReceipt() {
  OperatorRecord op;
  std::string result = ReadOperator(1, op);
  if (result.empty()) return result;
  result = OpenServiceReceipt(op);
  if (result.empty()) return result;
  return CloseServiceReceipt();
}
