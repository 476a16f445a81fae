// Identity and fiscal set-up of the printer: tax number and fiscalization, the
// clock, the decimal-point mode, the tax rates, the factory numbers and the
// EEPROM erase.

#include <ctime>

#include "driver/commands.h"
#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/prompt_style.h"

namespace {

// Requirement words of CheckStatus (bits explained in status.cpp).
constexpr uint32_t kReqTaxNumber = Require::kNotFiscalized | Require::kFactoryNumbers |
                                   Require::kNoOpenReceipt | Require::kDailyZeroed |
                                   Require::kPaper | Require::kClock | Require::kFiscalMemory;
constexpr uint32_t kReqReadTaxNumber = Require::kClock | Require::kFiscalMemory;
constexpr uint32_t kReqFiscalMemory = Require::kFiscalMemory;
constexpr uint32_t kReqSetDateTime =
    Require::kFactoryNumbers | Require::kPaper | Require::kFiscalMemory;
constexpr uint32_t kReqReadDecimalPoint = Require::kFactoryNumbers | Require::kFiscalMemory;
constexpr uint32_t kReqSetDecimalPoint = Require::kWarnFewRecords | Require::kFMNotFull |
                                         Require::kNoOpenReceipt | Require::kOperatorZeroed |
                                         Require::kArticleZeroed | Require::kDailyZeroed |
                                         Require::kPaper | Require::kClock;
constexpr uint32_t kReqSetTaxRates = Require::kWarnFewRecords | Require::kFMNotFull |
                                     Require::kFactoryNumbers | Require::kNoOpenReceipt |
                                     Require::kDailyZeroed | Require::kPaper | Require::kClock;
constexpr uint32_t kReqSetFactoryNumbers =
    Require::kNoFactoryNumbers | Require::kPaper | Require::kFiscalMemory;
constexpr uint32_t kReqReadFactoryNumbers = Require::kFactoryNumbers | Require::kFiscalMemory;
constexpr uint32_t kReqEraseEeprom =
    Require::kRamReset | Require::kFactoryNumbers | Require::kPaper | Require::kFiscalMemory;

constexpr long kSecondsPerDay = 86400;

// A service or operator password right-aligned in six characters.
std::string Password6(const std::string& password) {
  return FitText(password, Limit::kServicePassword, 2, ' ');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// One check digit of the tax number: `digits` weighted by `first`; when that
// leaves 10, weighted by `second`; a second 10 counts as 0.
int CheckDigit(const std::string& digits, size_t from, const int* first, const int* second,
               size_t count) {
  int s = 0;
  for (size_t k = 0; k < count; ++k) s += first[k] * (digits[from + k] - '0');
  int c = s % 11;
  if (c != 10) return c;
  s = 0;
  for (size_t k = 0; k < count; ++k) s += second[k] * (digits[from + k] - '0');
  c = s % 11;
  return c == 10 ? 0 : c;
}

}  // namespace

bool IsValidTaxNumber(const std::string& text) {
  if (text.size() != 9 && text.size() != 13) return false;
  for (char c : text)
    if (!IsDigit(c)) return false;

  static const int kFirst9[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  static const int kSecond9[8] = {3, 4, 5, 6, 7, 8, 9, 10};
  if (CheckDigit(text, 0, kFirst9, kSecond9, 8) != text[8] - '0') return false;
  if (text.size() == 9) return true;

  static const int kFirst13[4] = {2, 7, 3, 5};
  static const int kSecond13[4] = {4, 9, 5, 7};
  return CheckDigit(text, 8, kFirst13, kSecond13, 4) == text[12] - '0';
}

std::string FiscalPrinter::SetTaxNumber(const std::string& password, const std::string& taxNumber) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqTaxNumber).empty()) return "";
  if (!IsValidTaxNumber(taxNumber)) {
    if (ShowPrompt(PromptId::kInvalidTaxNumberContinue,
                   "Невалиден Булстат.\n\nДа продължи ли процедурата?", "Предупреждение",
                   Prompt::kDefaultSecond | Prompt::kIconExclamation | Prompt::kYesNo,
                   1) != Prompt::kResultYes)
      return EndAfterPrompt(CallEnd::kCancelled);
  }
  return Transact(Cmd::kSetTaxNumber, Password6(password) + ";1;" +
                                          FitText(taxNumber, Limit::kTaxNumberDigits, 2, ' '));
}

std::string FiscalPrinter::ReadTaxNumber(std::string& taxNumber) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadTaxNumber).empty()) return "";
  const std::string reply = Transact(Cmd::kReadTaxNumber, "");
  if (reply.empty()) return "";
  std::string number = RemoveChar(reply, ' ', 0);
  if (!number.empty()) number.pop_back();  // the printer's closing character
  taxNumber = number;
  return "OK";
}

std::string FiscalPrinter::ReadHeaderTaxNumber(std::string& taxNumber) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqFiscalMemory).empty()) return "";
  const std::string reply = Transact(Cmd::kReadHeaderLine, "7");
  if (reply.empty()) return "";

  // "7;" + line text + closing character; the spaces of the line do not matter.
  std::string line = reply.size() > 3 ? reply.substr(2, reply.size() - 3) : std::string();
  line = RemoveChar(line, ' ', 0);
  if (line.empty()) {
    taxNumber.clear();
    return "OK";
  }

  size_t i = 0;
  while (i < line.size() && !IsDigit(line[i])) ++i;
  if (i == line.size()) i = line.size() - 1;

  // The number starts at its first digit when the character before it ends the
  // label ("...Т", "...т" or ":"); otherwise that character is kept as the
  // number's letter prefix. Letters 0x80..0xBF are taken 0x40 higher first.
  size_t start = i;
  if (i > 0) {
    unsigned char b = static_cast<unsigned char>(line[i - 1]);
    if (b >= 0x80 && b <= 0xBF) {
      b = static_cast<unsigned char>(b + 0x40);
      line[i - 1] = static_cast<char>(b);
    }
    if (b != 0xD2 && b != 0xF2 && b != ':') start = i - 1;
  }
  taxNumber = line.substr(start);
  return "OK";
}

std::string FiscalPrinter::Fiscalize(const std::string& password) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqTaxNumber).empty()) return "";

  std::string fiscalCode;
  if (ReadTaxNumber(fiscalCode).empty()) return "";
  std::string headerNumber;
  if (ReadHeaderTaxNumber(headerNumber).empty()) return "";

  std::time_t t = 0;
  if (ReadDateTime(t).empty()) return "";

  const int answer =
      ShowPrompt(PromptId::kFiscalizationDateCheck,
                 "Датата във Фискалния Принтер е " + FormatTime(t, "%d %B %Y  %H:%M"),
                 "Потвърждение", Prompt::kIconExclamation | Prompt::kSetClockContinueCancel, 1);
  if (answer == Prompt::kResultOk) {
    if (RunDateTimeDialogDetached() == Prompt::kResultCancel)
      return EndAfterPrompt(CallEnd::kCancelled);
    WaitUntilNotBusy();
    if (ReadDateTime(t).empty()) return "";
  } else if (answer != Prompt::kResultContinue) {
    return EndAfterPrompt(CallEnd::kCancelled);
  }

  const std::string question =
      Sprintf("Сигурни ли сте?\n Фискален код: %s\nДата: %s", Cp1251ToUtf8(fiscalCode).c_str(),
              FormatTime(t, "%d %B %Y  %H:%M").c_str());
  if (ShowPrompt(PromptId::kFiscalizationConfirm, question, "Потвърждение",
                 Prompt::kIconExclamation | Prompt::kYesNo, 1) != Prompt::kResultYes)
    return EndAfterPrompt(CallEnd::kCancelled);

  return Transact(Cmd::kSetTaxNumber, Password6(password) + ";2");
}

std::string FiscalPrinter::SetDateTime(std::time_t time) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqSetDateTime).empty()) return "";

  FMRecordInfo record;
  if (ReadLastFMRecord(record).empty()) return "";
  const std::time_t lastRecord = record.date;

  // The printer's own clock is the reference unless it is known to be wrong.
  std::time_t reference = lastRecord;
  if (!flags[Flag::kClockNotSet] && !flags[Flag::kClockIncorrect]) {
    const std::string now = Transact(Cmd::kReadDateTime, "");
    if (now.empty()) return "";
    reference = ParseDateTime(now);
  }

  // A date before the last fiscal-memory record is never sent, whatever the
  // printer's clock says: records in the fiscal memory must stay in date order.
  if (time < lastRecord) {
    ShowPrompt(PromptId::kClockBeforeFiscalMemory,
               "Въведената дата е преди\nпоследната дата във фискалната памет", "Грешка",
               Prompt::kIconStop, 1);
    EndAfterPrompt(CallEnd::kOutOfRange);
    return "BP";
  }

  if (time >= reference) {
    const long days = static_cast<long>(std::difftime(time, reference)) / kSecondsPerDay;
    if (days > 363) {
      const std::string stop = Sprintf(
          "Въведената дата е с над 1 година разлика\nИскате ли да прекратите сверяването?\n%s",
          FormatTime(time, "%d %B %Y         %H:%M:%S").c_str());
      if (ShowPrompt(PromptId::kClockMoveStopQuestion, stop, "Потвърждение",
                     Prompt::kIconExclamation | Prompt::kYesNoCancel, 1) != Prompt::kResultNo)
        return EndAfterPrompt(CallEnd::kCancelled);
      const std::string sure = Sprintf("Сигурни ли сте?\n%s",
                                       FormatTime(time, "%d-%m-%Y година        %H:%M:%S").c_str());
      if (ShowPrompt(PromptId::kClockMoveConfirm, sure, "Последно потвърждение",
                     Prompt::kIconExclamation | Prompt::kYesNo, 1) != Prompt::kResultYes)
        return EndAfterPrompt(CallEnd::kCancelled);
    } else if (days >= 2) {
      const std::string sure =
          Sprintf("Сигурни ли сте?\n%s", FormatTime(time, "%d %B %Y        %H:%M:%S").c_str());
      if (ShowPrompt(PromptId::kClockMoveConfirm, sure, "Потвърждение",
                     Prompt::kIconExclamation | Prompt::kYesNo, 1) != Prompt::kResultYes)
        return EndAfterPrompt(CallEnd::kCancelled);
    }
  }

  return Transact(Cmd::kSetDateTime, FormatTime(time, "%d-%m-%y %H:%M:%S"));
}

std::string FiscalPrinter::SetDecimalPoint(const std::string& password, char mode) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadDecimalPoint).empty()) return "";
  const std::string current = Transact(Cmd::kReadDecimalPoint, "");
  // A read refused and passed over returns the ACK code, not the mode.
  if (!Done(current)) return "";
  if (current[0] == mode) {
    ShowPrompt(
        PromptId::kDecimalPointAlreadySet,
        "Десетичната точка, \nкоято искате да зададете, \nвече е въведена във Фискалния Принтер",
        "Грешка", Prompt::kIconStop, 1);
    return current;
  }
  if (CheckStatus(flags, kReqSetDecimalPoint).empty()) return "";
  return Transact(Cmd::kSetDecimalPoint, Sprintf("%s;%c", Password6(password).c_str(), mode));
}

std::string FiscalPrinter::ReadTaxRates(TaxRates& rates) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqFiscalMemory).empty()) return "";
  const std::string reply = Transact(Cmd::kReadTaxRates, "");
  if (reply.empty()) return reply;

  // Fields "dd.dd%;" of seven characters; the printer has three to eight groups.
  const size_t length = reply.size();
  for (size_t k = 0; k < rates.size(); ++k) {
    const bool present = k < 3 || length >= 7 * k + 5;
    rates[k] = present ? FieldDouble(reply, 7 * k, 7 * k + 4) : -2.0;
  }
  return reply;
}

std::string FiscalPrinter::SetTaxRates(const std::string& password, const TaxRates& rates) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqFiscalMemory).empty()) return "";

  // Groups А..Г always exist; Д..З may be switched off with -1.
  for (size_t k = 0; k < rates.size(); ++k) {
    const double low = k < 4 ? 0.0 : -1.0;
    if (!(rates[k] >= low && rates[k] <= Limit::kMaxTaxRate))
      return EndOutOfRange(
          Sprintf("Данъчната ставка трябва да е от %.2f до %.2f", low, Limit::kMaxTaxRate));
  }

  TaxRates current{};
  if (ReadTaxRates(current).empty()) return "";
  if (CheckStatus(flags, kReqSetTaxRates).empty()) return "";

  std::string data = Password6(password);
  for (double r : rates) data += Sprintf(";%05.2f%%", r);
  return Transact(Cmd::kSetTaxRates, data);
}

std::string FiscalPrinter::SetFactoryNumbers(const std::string& password, int printerNumber,
                                             int memoryNumber, int checkDigits) {
  for (int n : {printerNumber, memoryNumber, checkDigits})
    if (n < 0 || n > Limit::kLastFactoryNumber)
      return EndOutOfRange(RangeMessage("Фабричният номер", 0, Limit::kLastFactoryNumber));
  StatusFlags flags{};
  if (CheckStatus(flags, kReqSetFactoryNumbers).empty()) return "";
  return Transact(Cmd::kSetFactoryNumbers, Sprintf("%s;%.6d;%.6d;%.6d", Password6(password).c_str(),
                                                   printerNumber, memoryNumber, checkDigits));
}

std::string FiscalPrinter::ReadFactoryNumbers(FactoryNumbers& numbers) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadFactoryNumbers).empty()) return "";
  const std::string reply = Transact(Cmd::kReadFactoryNumbers, "");
  if (reply.empty()) return reply;
  numbers.printerNumber = FieldInt(reply, 2, 7);
  numbers.memoryNumber = FieldInt(reply, 11, 16);
  numbers.checkDigits = 0;
  return reply;
}

std::string FiscalPrinter::EraseEeprom(const std::string& password) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqEraseEeprom).empty()) return "";
  return Transact(Cmd::kEraseEeprom, Password6(password));
}
