#include "server/printer_service.h"

#include <cmath>
#include <cstdio>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "server/receipt_total.h"

using nlohmann::json;

namespace {

struct FlagName {
  int index;
  const char* name;
  int severity;  // 2 error, 1 warning, 0 plain information
};

constexpr FlagName kFlags[] = {
    {Flag::kFMReadOnly, "fiscalMemoryReadOnly", 2},
    {Flag::kVoltageDrop, "voltageDrop", 2},
    {Flag::kOverheated, "printHeadOverheated", 2},
    {Flag::kClockNotSet, "clockNotSet", 1},
    {Flag::kClockHardware, "clockHardwareError", 2},
    {Flag::kRamReset, "ramReset", 1},
    {Flag::kClockIncorrect, "clockIncorrect", 1},
    {Flag::kNoPaper, "noPaper", 2},
    {Flag::kReportOverflow, "reportOverflow", 1},
    {Flag::kDailyNotZeroed, "dailyReportNotZeroed", 0},
    {Flag::kArticleNotZeroed, "articleReportNotZeroed", 0},
    {Flag::kOperatorNotZeroed, "operatorReportNotZeroed", 0},
    {Flag::kDuplicatePending, "duplicateNotPrinted", 0},
    {Flag::kServiceReceiptOpen, "serviceReceiptOpen", 1},
    {Flag::kFiscalReceiptOpen, "fiscalReceiptOpen", 1},
    {Flag::kExtendedReceipt, "extendedReceipt", 0},
    {Flag::kVatInReceipt, "vatInReceipt", 0},
    {Flag::kInvoice, "invoice", 0},
    {Flag::kFMMissing, "fiscalMemoryMissing", 2},
    {Flag::kFMFaulty, "fiscalMemoryFaulty", 2},
    {Flag::kFMFull, "fiscalMemoryFull", 2},
    {Flag::kFMFewRecords, "fiscalMemoryNearlyFull", 1},
    {Flag::kDecimals, "decimals", 0},
    {Flag::kFiscalized, "fiscalized", 0},
    {Flag::kFactoryNumbers, "factoryNumbersSet", 0},
    {Flag::kAutoCut, "autoCut", 0},
    {Flag::kTransparentDisplay, "transparentDisplay", 0},
    {Flag::kBaudRate, "baudRate", 0},
    {Flag::kAutoDrawer, "autoDrawer", 0},
    {Flag::kLogo, "logo", 0},
    {Flag::kJournalBit, "journalBit", 0},
    {Flag::kCurrency, "currency", 0},
};

constexpr char kTwoDecimalsMode = '2';

std::string Digits6(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06d", n);
  return buf;
}

// Voids every sale registered so far and closes the then empty receipt.
void CancelReceipt(FiscalPrinter& printer, PolicyHost& host, const ReceiptRequest& request,
                   SaleOutcome& out) {
  ReceiptState state;
  if (!CallSucceeded(printer, host, printer.ReadReceiptState(state))) {
    out.state = "open";
    return;
  }
  if (!state.open) {
    out.state = "closed";
    return;
  }
  if (state.paymentStarted) {
    out.state = "open";
    host.Add("error", "receipt",
             "Бонът остава отворен: плащането е започнато; доплатете и го приключете");
    return;
  }
  int left = out.sold;
  for (const auto& line : request.lines) {
    if (line.comment || left == 0) continue;
    --left;
    if (!CallSucceeded(printer, host,
                       printer.SellItem(line.text, line.taxGroup, -line.unitPrice, line.quantity,
                                        line.percent)))
      break;
    ++out.voided;
  }
  if (out.voided == out.sold && CallSucceeded(printer, host, printer.CloseFiscalReceipt())) {
    out.state = "cancelled";
    host.Add("warning", "receipt", "Продажбите са сторнирани и бонът е приключен");
    return;
  }
  out.state = "open";
  host.Add("error", "receipt", "Бонът остава отворен на принтера");
}

}  // namespace

json ReadPrinterInfo(FiscalPrinter& printer) {
  json info = json::object();
  const std::string version = printer.ReadVersion();
  if (!version.empty()) info["version"] = Cp1251ToUtf8(version);
  FactoryNumbers numbers;
  if (!printer.ReadFactoryNumbers(numbers).empty()) {
    info["factoryNumbers"] = {{"printer", Digits6(numbers.printerNumber)},
                              {"memory", Digits6(numbers.memoryNumber)}};
  }
  return info;
}

json StatusToJson(const StatusFlags& flags) {
  json out;
  json byName = json::object();
  json errors = json::array();
  json warnings = json::array();
  for (const auto& f : kFlags) {
    byName[f.name] = flags[f.index];
    if (!flags[f.index]) continue;
    if (f.severity == 2) errors.push_back(f.name);
    if (f.severity == 1) warnings.push_back(f.name);
  }
  out["flags"] = byName;
  out["errors"] = errors;
  out["warnings"] = warnings;
  out["ok"] = errors.empty();
  return out;
}

bool CallSucceeded(const FiscalPrinter& printer, PolicyHost& host, const std::string& result) {
  const CallOutcome& o = printer.LastOutcome();
  // The driver refused the call itself (an argument outside the printer's limits ...).
  if (!o.Done() && !o.userTold && !o.message.empty()) host.Add("error", "rejected", o.message);
  return !result.empty() && o.Done();
}

SaleOutcome RunReceipt(FiscalPrinter& printer, PolicyHost& host, const ReceiptRequest& request,
                       const OperatorRecord& op) {
  SaleOutcome out;
  if (!CallSucceeded(printer, host, printer.OpenFiscalReceipt(op, false, false))) return out;
  out.opened = true;
  out.state = "open";
  auto fail = [&]() {
    CancelReceipt(printer, host, request, out);
    return out;
  };
  for (const auto& line : request.lines) {
    if (line.comment) {
      if (!CallSucceeded(printer, host, printer.PrintReceiptText(line.text, 0))) return fail();
      continue;
    }
    if (!CallSucceeded(printer, host,
                       printer.SellItem(line.text, line.taxGroup, line.unitPrice, line.quantity,
                                        line.percent)))
      return fail();
    ++out.sold;
  }
  double total = 0;
  if (!CallSucceeded(printer, host, printer.Subtotal(total, 0, false, false, false))) return fail();
  out.amount = total;
  // The payments were checked against the total the request adds up to; a
  // printer that counts another total would take payments that do not match.
  char mode = kTwoDecimalsMode;
  printer.ReadDecimalPoint(mode);
  const bool twoDecimals = mode == kTwoDecimalsMode;
  const double expected = ReceiptTotal(request, twoDecimals);
  if (AmountsDiffer(total, expected, twoDecimals)) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "The printer's subtotal %.2f differs from the receipt's total %.2f; the sales "
                  "are voided and the receipt cancelled",
                  total, expected);
    host.Add("error", "total", text);
    return fail();
  }
  if (request.payments.empty()) {
    if (!CallSucceeded(printer, host, printer.Payment(0, total, false, 0))) return fail();
    ++out.payments;
  }
  for (const auto& p : request.payments) {
    if (!CallSucceeded(printer, host, printer.Payment(p.type, p.amount, false, 0))) return fail();
    ++out.payments;
  }
  if (!CallSucceeded(printer, host, printer.CloseFiscalReceipt())) return fail();
  out.ok = true;
  out.state = "closed";
  int number = 0;
  if (!printer.ReadLastReceiptNumber(number).empty()) out.receiptNumber = number;
  std::time_t t = 0;
  if (!printer.ReadDateTime(t).empty()) out.time = FormatDeviceTime(t);
  return out;
}

json OutcomeToJson(const SaleOutcome& o) {
  json j;
  j["receiptState"] = o.state;
  j["printed"] = {
      {"opened", o.opened}, {"sold", o.sold}, {"voided", o.voided}, {"payments", o.payments}};
  if (o.ok) {
    j["receiptNumber"] = o.receiptNumber;
    j["receiptAmount"] = std::round(o.amount * 100) / 100;
    j["receiptDateTime"] = o.time;
  }
  return j;
}
