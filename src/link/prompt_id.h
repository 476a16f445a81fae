#pragma once

// Which of the driver's prompts is shown, named once and for good: a host that
// answers prompts without a person (fiscal-server's policy) decides by this,
// never by the wording, so that rewording a prompt cannot turn one question's
// answer into another's. Prompts without a decision to take (notices, errors
// with OK only) are kUnnamed; a host that meets a question it does not know
// refuses it.
enum class PromptId {
  kUnnamed,
  kLinkFault,     // a link fault: "Повтори" resends the command
  kPrinterError,  // the printer refused a command with its error code
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
};
