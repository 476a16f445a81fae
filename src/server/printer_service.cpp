#include "server/printer_service.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "server/netfp_device.h"
#include "server/receipt_total.h"

using nlohmann::json;

namespace {

constexpr unsigned char kFirstGroupLetter = 0xC0;  // "А" in Windows-1251

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

// "А".."З" in UTF-8.
std::string GroupLetter(int group) {
  return Cp1251ToUtf8(std::string(1, static_cast<char>(kFirstGroupLetter + group)));
}

std::string Digits6(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06d", n);
  return buf;
}

// A sale (negative price: its void) of a free item or in its department.
std::string Sell(FiscalPrinter& printer, const RequestLine& line, double price) {
  if (line.department > 0)
    return printer.SellInDepartment(line.text, line.department, price, line.quantity, line.percent);
  return printer.SellItem(line.text, line.taxGroup, price, line.quantity, line.percent);
}

// A department sells in its own tax group: a line whose group differs would
// be taxed otherwise than the till asked, so the receipt is not opened.
bool DepartmentsMatch(FiscalPrinter& printer, PolicyHost& host, const ReceiptRequest& request) {
  std::map<int, int> groups;  // department -> its tax group
  for (const auto& line : request.lines) {
    if (line.kind != LineKind::kSale || line.department == 0) continue;
    if (!groups.count(line.department)) {
      Department d;
      d.number = static_cast<uint8_t>(line.department);
      if (!CallSucceeded(printer, host, printer.ReadDepartment(d))) return false;
      groups[line.department] = d.taxGroup;
    }
    if (groups[line.department] != line.taxGroup) {
      host.Add(MessageType::kError, "request",
               "Отдел " + std::to_string(line.department) + " е в данъчна група " +
                   GroupLetter(groups[line.department]) + ", а артикулът \"" +
                   Cp1251ToUtf8(line.text) + "\" е в група " + GroupLetter(line.taxGroup));
      return false;
    }
  }
  return true;
}

// Puts right the receipt of a request that failed after opening it.
void SettleFailed(FiscalPrinter& printer, PolicyHost& host, const SettlePlan& plan,
                  const PaymentTypeMap& names, SaleOutcome& out) {
  const SettleResult r = SettleReceipt(printer, host, plan, names);
  out.voided += r.voided;
  out.payments += r.payments;
  switch (r.how) {
    case Settled::kNothingPrinted:
      out.opened = false;
      out.state = "none";
      return;
    case Settled::kCancelled:
      out.opened = true;
      out.state = "cancelled";
      host.Add(MessageType::kWarning, "receipt", "Продажбите са сторнирани и бонът е приключен");
      return;
    case Settled::kCompleted:
      out.opened = true;
      out.ok = true;
      out.state = "closed";
      out.amount = r.amount;
      out.receiptNumber = r.receiptNumber;
      out.time = r.time;
      out.fiscalMemorySerialNumber = r.fiscalMemorySerialNumber;
      host.Add(MessageType::kWarning, "receipt",
               "The receipt was interrupted after its payment started: " + r.words);
      return;
    case Settled::kUnknown:
      out.state = "unknown";
      host.Add(MessageType::kError, "receipt", "The receipt was interrupted: " + r.words);
      return;
    case Settled::kNotNow:
    case Settled::kCannot:
      out.state = "open";
      out.interrupted = true;
      host.Add(MessageType::kError, "receipt",
               "The receipt was interrupted and stays open for now (" + r.words +
                   "); the server settles it as soon as the printer can (voided and "
                   "cancelled before payment, the rest paid after): send the same sale "
                   "number again for its outcome");
      return;
  }
}

}  // namespace

std::string ReceiptNumberText(int number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d", number);
  return buf;
}

json ReadPrinterInfo(FiscalPrinter& printer) {
  json info = json::object();
  const std::string version = printer.ReadVersion();
  if (CallDone(version, printer.LastOutcome())) info["version"] = Cp1251ToUtf8(version);
  FactoryNumbers numbers;
  if (CallDone(printer.ReadFactoryNumbers(numbers), printer.LastOutcome())) {
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

bool CallEndedDone(const FiscalPrinter& printer, PolicyHost& host) {
  const CallOutcome& o = printer.LastOutcome();
  // The driver refused the call itself (an argument outside the printer's limits ...).
  if (!o.Done() && !o.userTold && !o.message.empty())
    host.Add(MessageType::kError, "rejected", o.message);
  return o.Done();
}

bool CallSucceeded(const FiscalPrinter& printer, PolicyHost& host, const std::string& result) {
  return CallEndedDone(printer, host) && CallDone(result, printer.LastOutcome());
}

SaleOutcome RunReceipt(FiscalPrinter& printer, PolicyHost& host, const ReceiptRequest& request,
                       const OperatorRecord& op, const ReceiptPlan& money, SettlePlan plan,
                       const PaymentTypeMap& names, const std::string& memorySerialNumber) {
  SaleOutcome out;
  if (!DepartmentsMatch(printer, host, request)) return out;
  plan.opened = true;
  auto fail = [&]() {
    plan.soldKnown = out.sold;
    SettleFailed(printer, host, plan, names, out);
    return out;
  };
  if (!CallSucceeded(printer, host, printer.OpenFiscalReceipt(op, false, false))) {
    // The command may have reached the printer when its answer was lost.
    if (printer.LastOutcome().end == CallEnd::kLinkFailed) return fail();
    return out;
  }
  out.opened = true;
  out.state = "open";
  double total = 0;
  for (const auto& line : request.lines) {
    switch (line.kind) {
      case LineKind::kComment:
        if (!CallSucceeded(printer, host, printer.PrintReceiptText(line.text, 0))) return fail();
        break;
      case LineKind::kSale:
        if (!CallSucceeded(printer, host, Sell(printer, line, line.unitPrice))) return fail();
        ++out.sold;
        break;
      case LineKind::kSubtotalAmount:
        if (!CallSucceeded(printer, host, printer.Subtotal(total, line.amount, true, true, false)))
          return fail();
        break;
      case LineKind::kFooterComment:
        break;
    }
  }
  if (!CallSucceeded(printer, host, printer.Subtotal(total, 0, false, false, false))) return fail();
  out.amount = total;
  // The payments were planned from the total the request adds up to on this
  // printer; a printer that counts another total would take payments that do
  // not match.
  const ReceiptRules& rules = money.rules;
  if (AmountToUnits(total, rules) != money.total) {
    host.Add(MessageType::kError, "total",
             "The printer's subtotal " + UnitsText(AmountToUnits(total, rules), rules) +
                 " differs from the receipt's total " + UnitsText(money.total, rules) +
                 "; the sales are voided and the receipt cancelled");
    return fail();
  }
  for (const auto& p : money.payments) {
    if (!CallSucceeded(printer, host,
                       printer.Payment(p.type, UnitsToAmount(p.amount, rules), false, 0)))
      return fail();
    ++out.payments;
  }
  for (const auto& line : request.lines) {
    if (line.kind == LineKind::kFooterComment &&
        !CallSucceeded(printer, host, printer.PrintReceiptText(line.text, 0)))
      return fail();
  }
  if (!CallSucceeded(printer, host, printer.CloseFiscalReceipt())) return fail();
  out.ok = true;
  out.state = "closed";
  int number = 0;
  if (CallDone(printer.ReadLastReceiptNumber(number), printer.LastOutcome()))
    out.receiptNumber = number;
  std::time_t t = 0;
  const std::string clock = printer.ReadDateTime(t);
  if (CallDone(clock, printer.LastOutcome())) out.time = DeviceTimeOf(clock);
  out.fiscalMemorySerialNumber = memorySerialNumber;
  std::string serial;
  if (memorySerialNumber.empty()) ReadSerialNumbers(printer, serial, out.fiscalMemorySerialNumber);
  return out;
}

json OutcomeToJson(const SaleOutcome& o) {
  json j;
  j["receiptState"] = o.state;
  j["printed"] = {
      {"opened", o.opened}, {"sold", o.sold}, {"voided", o.voided}, {"payments", o.payments}};
  if (o.ok) {
    j["receiptNumber"] = ReceiptNumberText(o.receiptNumber);
    j["receiptAmount"] = std::round(o.amount * 100) / 100;
    j["receiptDateTime"] = o.time;
    j["fiscalMemorySerialNumber"] = o.fiscalMemorySerialNumber;
  }
  return j;
}
