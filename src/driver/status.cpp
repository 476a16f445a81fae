// Status read, the status check run before every command, version and the
// sample service receipt.
#include <cstdint>

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/prompt_style.h"

namespace {

// Prompt styles used here (button set | icon | default button).

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
    {Require::kDailyZeroed, Flag::kDailyNotZeroed, "НЕнулиран Дневен Отчет", Cmd::kDailyReport,
     "Z"},
    {Require::kOperatorZeroed, Flag::kOperatorNotZeroed, "НЕнулиран Операторски Отчет",
     Cmd::kOperatorReport, "Z;0"},
    {Require::kArticleZeroed, Flag::kArticleNotZeroed, "НЕнулиран Отчет по Артикули",
     Cmd::kArticleReport, "Z"},
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
  const std::string reply = Transact(Cmd::kStatus, "");
  if (reply.empty()) return reply;
  if (!DecodeStatus(reply, flags)) {
    // Decoding needs all five status bytes; a shorter answer is a failed read.
    ShowPrompt(PromptId::kIncompleteStatus, "Непълен статус от Фискалния принтер", kError,
               Prompt::kIconStop);
    return std::string();
  }
  return reply;
}

std::string FiscalPrinter::CheckStatus(StatusFlags& flags, uint32_t word) {
  const std::string result = CheckStatusSteps(flags, word);
  // A failed exchange inside the check has recorded its own end; every other
  // stop is the printer's state refusing the command, after a message or a
  // question the user declined.
  if (result.empty() && LastOutcome().Done()) EndAfterPrompt(CallEnd::kStatusRefused);
  return result;
}

std::string FiscalPrinter::CheckStatusSteps(StatusFlags& flags, uint32_t word) {
  const auto has = [word](uint32_t bit) { return (word & bit) != 0; };
  const auto refuse = [this](const char* text) {
    ShowPrompt(PromptId::kStatusRefusal, text, kError, Prompt::kIconStop);
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
      if (ShowPrompt(PromptId::kClockNotSet, step.prompt, kError,
                     Prompt::kIconStop | Prompt::kSetClockCancel) != Prompt::kResultOk)
        return std::string();
      if (RunDateTimeDialogDetached() == Prompt::kResultCancel) return std::string();
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
    ShowPrompt(PromptId::kFewFiscalMemoryRecords,
               Sprintf("ВНИМАНИЕ!!! Остават %1.d Свободни Записи във Фискалната Памет", count),
               "Предупреждение", Prompt::kIconExclamation);
  }

  if (has(Require::kNoOverflow) && flags[Flag::kReportOverflow]) {
    const char* const overflow = "Препълване в натрупванията на отчетите";
    if (ShowPrompt(PromptId::kReportsOverflow, overflow, kError,
                   Prompt::kIconStop | Prompt::kZeroCancel) != Prompt::kResultOk)
      return std::string();
    for (;;) {
      if (ShowPrompt(PromptId::kResetDailyReport, "Желаете ли да нулирате Дневен Отчет?",
                     "Дневен Отчет",
                     Prompt::kIconQuestion | Prompt::kYesNo) == Prompt::kResultYes) {
        if (PrintDailyReport(true).empty()) return std::string();
        WaitUntilNotBusy();
      }
      if (ShowPrompt(PromptId::kResetOperatorReport, "Желаете ли да нулирате Операторски Отчет?",
                     "Операторски Отчет",
                     Prompt::kIconQuestion | Prompt::kYesNo) == Prompt::kResultYes) {
        if (PrintOperatorReport(true, 0).empty()) return std::string();
        WaitUntilNotBusy();
      }
      if (ShowPrompt(PromptId::kResetArticleReport, "Желаете ли да нулирате Отчет по Артикули?",
                     "Отчет по Артикули",
                     Prompt::kIconQuestion | Prompt::kYesNo) == Prompt::kResultYes) {
        if (PrintArticleReport(true).empty()) return std::string();
        WaitUntilNotBusy();
      }
      if (ReadStatus(flags).empty()) return std::string();
      if (!flags[Flag::kReportOverflow]) break;
      if (ShowPrompt(PromptId::kReportsOverflow, overflow, kError,
                     Prompt::kIconStop | Prompt::kZeroCancel) != Prompt::kResultOk)
        return std::string();
    }
  }

  for (const ZeroingStep& step : kZeroingSteps) {
    const size_t flag = static_cast<size_t>(step.flag);
    if (!has(step.requirement) || !flags[flag]) continue;
    if (ShowPrompt(PromptId::kZeroingRequired, step.prompt, kError,
                   Prompt::kIconStop | Prompt::kZeroCancel) != Prompt::kResultOk)
      return std::string();
    for (;;) {
      if (Transact(step.cmd, step.data).empty()) return std::string();
      WaitUntilNotBusy();
      if (ReadStatus(flags).empty()) return std::string();
      if (!flags[flag]) break;
      if (ShowPrompt(PromptId::kZeroingRequired, step.prompt, kError,
                     Prompt::kIconStop | Prompt::kZeroCancel) != Prompt::kResultOk)
        return std::string();
    }
  }

  if (has(Require::kNoOpenReceipt)) {
    if (flags[Flag::kServiceReceiptOpen]) {
      if (ShowPrompt(PromptId::kOpenServiceReceipt, "Отворен Служебен Бон", kError,
                     Prompt::kIconStop | Prompt::kCloseCancel) != Prompt::kResultOk)
        return std::string();
      if (CloseServiceReceipt().empty()) return std::string();
      if (ReadStatus(flags).empty()) return std::string();
      if (flags[Flag::kServiceReceiptOpen]) return refuse("Бонът не може да се затвори");
    }
    if (flags[Flag::kFiscalReceiptOpen]) {
      if (ShowPrompt(PromptId::kOpenFiscalReceipt, "Отворен Фискален Бон", kError,
                     Prompt::kIconStop | Prompt::kCloseCancel) != Prompt::kResultOk)
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
    int answer =
        ShowPrompt(PromptId::kNoPaper, kNoPaper, kError, Prompt::kIconStop | Prompt::kFeedOkCancel);
    for (;;) {
      if (answer == Prompt::kResultFeed) {
        if (FeedPaperNoCheck().empty()) return std::string();
        if (ReadStatus(flags).empty()) return std::string();
        answer = flags[Flag::kNoPaper]
                     ? ShowPrompt(PromptId::kNoPaper, kNoPaper, kError,
                                  Prompt::kIconStop | Prompt::kFeedOkCancel)
                     : ShowPrompt(PromptId::kPaperBack, "Има хартия", "Съобщение",
                                  Prompt::kIconExclamation | Prompt::kFeedOkCancel);
      } else if (answer == Prompt::kResultOk) {
        if (ReadStatus(flags).empty()) return std::string();
        if (!flags[Flag::kNoPaper]) break;
        answer = ShowPrompt(PromptId::kNoPaper, kNoPaper, kError,
                            Prompt::kIconStop | Prompt::kFeedOkCancel);
      } else {
        return std::string();
      }
    }
  }

  return "OK";
}

std::string FiscalPrinter::ReadVersion() {
  return Transact(Cmd::kVersion, "");
}

std::string FiscalPrinter::PrintEmptyServiceReceipt() {
  OperatorRecord op;
  std::string result = ReadOperator(1, op);
  if (result.empty()) return result;
  result = OpenServiceReceipt(op);
  if (result.empty()) return result;
  return CloseServiceReceipt();
}
