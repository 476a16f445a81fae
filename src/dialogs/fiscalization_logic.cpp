#include "dialogs/fiscalization_logic.h"

#include <vector>

#include "dialogs/operator_list.h"
#include "driver/cp1251.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/link_result.h"

namespace fiscal {

namespace {

constexpr int kAlignLeft = 0;
constexpr int kFeedsAfterOperators = 2;

// The first receipt: operator 1 sells one item at 1 in group А, paid in cash.
constexpr int kFirstOperator = 1;
constexpr const char* kFirstReceiptItem = "Фискализация";
constexpr int kFirstReceiptGroup = 0;
constexpr double kFirstReceiptPrice = 1.0;
constexpr double kFirstReceiptQuantity = 1.0;
constexpr int kCashPayment = 0;
constexpr int kChangeType = 1;

constexpr const char* kGroupLetters[kGroups] = {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З"};

bool IsSwitchable(int group) {
  return group >= kFirstSwitchable;
}

}  // namespace

std::string RateCaption(int group) {
  return std::string("група ") + kGroupLetters[group] + ":";
}

std::array<RateControls, kGroups> RateControlsFromRead(const TaxRates& rates) {
  std::array<RateControls, kGroups> out{};
  for (int g = 0; g < kGroups; ++g) {
    RateControls& c = out[static_cast<size_t>(g)];
    const double rate = rates[static_cast<size_t>(g)];
    if (g < kGroupG) {
      c.value = rate;  // the field's range keeps a negative value out
      continue;
    }
    if (rate < 0) {
      c.fieldEnabled = false;
      c.checked = false;
      // A group the printer does not have cannot be switched on; a group
      // switched off can.
      c.checkEnabled = rate != kGroupMissing;
      continue;
    }
    c.value = rate;
  }
  return out;
}

RatesToSend RatesFromEntries(const std::array<RateEntry, kGroups>& entries) {
  RatesToSend out;
  for (int g = 0; g < kGroups; ++g) {
    const RateEntry& e = entries[static_cast<size_t>(g)];
    double& rate = out.rates[static_cast<size_t>(g)];
    if (IsSwitchable(g) && !e.checked) {
      rate = kGroupOff;
      continue;
    }
    if (!e.value) {
      out.badGroup = g;
      return out;
    }
    rate = *e.value;
  }
  return out;
}

DecimalChoice DecimalChoiceAtOpening(char mode) {
  if (mode == kModeWhole) return DecimalChoice::kWhole;
  if (mode == kModeFractional) return DecimalChoice::kFractional;
  return DecimalChoice::kNone;
}

DecimalChoice DecimalChoiceAfterGet(char mode) {
  return mode == kModeWhole ? DecimalChoice::kWhole : DecimalChoice::kFractional;
}

std::string PrinterNumberText(int number) {
  return Sprintf("NV%1.6d", number);
}

std::string MemoryNumberText(int number) {
  return Sprintf("50%1.6d", number);
}

std::string PrinterDateText(std::time_t time) {
  return FormatTime(time, "%d %B %Y  %H:%M");
}

bool ReadFiscalDisplay(FiscalPrinter& printer, FiscalDisplay& display) {
  FactoryNumbers numbers;
  if (!CallDone(printer.ReadFactoryNumbers(numbers), printer.LastOutcome())) return false;
  StatusFlags flags{};
  if (!CallDone(printer.ReadStatus(flags), printer.LastOutcome())) return false;
  display.printerNumber = PrinterNumberText(numbers.printerNumber);
  display.memoryNumber = MemoryNumberText(numbers.memoryNumber);
  display.dailyNotZeroed = flags[Flag::kDailyNotZeroed];
  display.operatorNotZeroed = flags[Flag::kOperatorNotZeroed];
  display.articleNotZeroed = flags[Flag::kArticleNotZeroed];
  return true;
}

bool ReadFiscalOpening(FiscalPrinter& printer, FiscalOpening& opening) {
  if (!CallDone(printer.ReadDateTime(opening.time), printer.LastOutcome())) return false;
  FiscalDisplay display;
  if (ReadFiscalDisplay(printer, display)) opening.display = display;
  if (!CallDone(printer.ReadTaxNumber(opening.taxNumber), printer.LastOutcome())) return false;
  if (!CallDone(printer.ReadTaxRates(opening.rates), printer.LastOutcome())) return false;
  return CallDone(printer.ReadDecimalPoint(opening.decimalMode), printer.LastOutcome());
}

bool ZeroReport(FiscalPrinter& printer, ZeroedReport report) {
  constexpr bool kZero = true;
  constexpr int kAllOperators = 0;
  std::string result;
  switch (report) {
    case ZeroedReport::kDaily:
      result = printer.PrintDailyReport(kZero);
      break;
    case ZeroedReport::kOperators:
      result = printer.PrintOperatorReport(kZero, kAllOperators);
      break;
    case ZeroedReport::kArticles:
      result = printer.PrintArticleReport(kZero);
      break;
  }
  // The dialog clears the report's mark: a refusal passed over zeroed nothing.
  return CallDone(result, printer.LastOutcome());
}

bool PrintOperatorsInReceipt(FiscalPrinter& printer) {
  std::vector<int> all;
  for (int n = 1; n <= kOperatorCount; ++n) all.push_back(n);
  return PrintOperatorLines(printer, all, kFeedsAfterOperators, nullptr);
}

FirstReceiptEnd RunFirstReceipt(FiscalPrinter& printer) {
  OperatorRecord op;
  if (!CallDone(printer.ReadOperator(kFirstOperator, op), printer.LastOutcome()))
    return FirstReceiptEnd::kStopped;
  op.number = kFirstOperator;
  constexpr bool kDetailed = true, kWithVat = true, kNoChange = false, kZero = true;
  if (!printer.Done(printer.OpenFiscalReceipt(op, kDetailed, kWithVat)))
    return FirstReceiptEnd::kStopped;
  if (!printer.Done(printer.SellItem(Utf8ToCp1251Lossy(kFirstReceiptItem), kFirstReceiptGroup,
                                     kFirstReceiptPrice, kFirstReceiptQuantity, 0)))
    return FirstReceiptEnd::kStopped;
  if (!printer.Done(printer.Payment(kCashPayment, kFirstReceiptPrice, kNoChange, kChangeType)))
    return FirstReceiptEnd::kStopped;
  if (!printer.Done(printer.CloseFiscalReceipt())) return FirstReceiptEnd::kStopped;
  if (!printer.Done(printer.PrintDailyReport(kZero))) return FirstReceiptEnd::kStopped;
  if (!printer.WaitUntilNotBusy()) return FirstReceiptEnd::kNotReady;
  FMRecordInfo last;
  if (!CallDone(printer.ReadLastFMRecord(last), printer.LastOutcome()))
    return FirstReceiptEnd::kStopped;
  if (!printer.Done(printer.PrintDetailedFMReportByDates(last.date, last.date)))
    return FirstReceiptEnd::kStopped;
  return printer.WaitUntilNotBusy() ? FirstReceiptEnd::kDone : FirstReceiptEnd::kNotReady;
}

}  // namespace fiscal
