#pragma once

// Which of the driver's prompts is shown, named once and for good: a host that
// answers prompts without a person (fiscal-server's policy) decides by this,
// never by the wording or the buttons, so that rewording a prompt or giving it
// other buttons cannot turn one prompt's answer into another's. Every prompt
// the link and the driver show carries one; kUnnamed is left for prompts from
// outside the driver, and a host that meets one it does not know refuses it.
// New prompts get a new name (and a row in the policy's test), never a reused one.
enum class PromptId {
  kUnnamed,
  // The link.
  kLinkFault,     // a link fault: "Повтори" resends the command
  kPrinterError,  // the printer refused a command with its error code
  kCommandTooLong,  // "Командата е твърде дълга за един кадър" (notice)
  // Zero reports a Z report would print on a day without sales.
  kZeroDailyReport,    // "Искате да направите Нулев Дневен Отчет?"
  kZeroArticleReport,  // "... Нулев Артикулен Отчет?"
  kZeroDailyAndArticleReport,  // "... Нулеви Дневен и Артикулен Отчет?"
  kZeroOperatorReport,         // "... Нулев Операторски Отчет?"
  // Zeroing the reports whose totals overflowed, one by one.
  kResetDailyReport,  // "Желаете ли да нулирате Дневен Отчет?"
  kResetOperatorReport,  // "Желаете ли да нулирате Операторски Отчет?"
  kResetArticleReport,  // "Желаете ли да нулирате Отчет по Артикули?"
  // Moving the clock far: "Да" to the first stops; the second confirms.
  kClockMoveStopQuestion,  // "Въведената дата е с над 1 година разлика ... прекратите ...?"
  kClockMoveConfirm,       // "Сигурни ли сте?" with the new date
  // Fiscalization: irreversible.
  kFiscalizationConfirm,  // "Сигурни ли сте?" with the fiscal code and date
  kInvalidTaxNumberContinue,  // "Невалиден Булстат. Да продължи ли процедурата?"
  kFiscalizationDateCheck,  // "Датата във Фискалния Принтер е ..." (set clock / go on)
  // The status check before a command: corrections it offers.
  kReportsOverflow,  // "Препълване в натрупванията на отчетите" ("Нулиране" leads to the resets)
  kZeroingRequired,  // a report must be zeroed first ("Нулиране" prints it)
  kClockNotSet,      // the clock was reset or is wrong ("Свери" sets it)
  kOpenServiceReceipt,  // "Отворен Служебен Бон" ("Затвори" closes it)
  kOpenFiscalReceipt,  // "Отворен Фискален Бон" ("Затвори" closes it, paying the rest in cash)
  kNoPaper,  // "Липсва хартия или е прегрял принтера" (feed / retry / cancel)
  kPaperBack,  // "Има хартия" after feeding
  // Notices: the status check refused the command, or warns.
  kIncompleteStatus,        // "Непълен статус от Фискалния принтер"
  kStatusRefusal,           // the printer's state refuses the command (missing memory, ...)
  kFewFiscalMemoryRecords,  // "ВНИМАНИЕ!!! Остават ... Свободни Записи ..."
  // Receipts.
  kPaymentFinished,  // "Плащането е завършено" ("Продължи" goes on, pays nothing)
  kUnfinishedReceipt,  // a receipt left unfinished ("Приключи" pays the rest and closes it)
  // Notices of the other commands.
  kClockBeforeFiscalMemory,  // "Въведената дата е преди ... последната дата във фискалната памет"
  kDecimalPointAlreadySet,  // "Десетичната точка ... вече е въведена ..."
  kNoFiscalReports,  // "Фискалният принтер няма фискални отчети"
  kReportRangeInvalid,    // a report's block or date range is out of range or reversed
  kReportEndAfterClock,   // the end date is after the printer's clock ("Свери" sets it)
  kReportFileWriteError,  // "Грешка при запис файл!"
  kReportDataTimeout,  // "Просрочено време за получаване на данните!"
  kLogoLoadError,       // "Грешка при зареждане на лого"
  kPaymentNameMissing,  // "Моля въведете име на плащане!"
};
