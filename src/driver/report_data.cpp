// Report counters read without printing: the day's and each operator's totals,
// the last fiscal-memory record and the number of free fiscal-memory records.
// Fields are read by position; a reply shorter than a field reads what exists
// (an empty field is 0).
#include <cstdint>

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/text.h"

namespace {

constexpr uint32_t kDataWord =
    Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kClock | Require::kFiscalMemory;

// An 11-character amount starting at `from`.
double Amount(const std::string& r, size_t from) {
  return FieldDouble(r, from, from + 10);
}

// A date field; a reply that does not reach it reads as time 0.
std::time_t DateField(const std::string& r, size_t from, size_t to) {
  const std::string text = Field(r, from, to);
  return text.empty() ? 0 : ParseDateTime(text);
}

void ReadPayments(const std::string& r, size_t first, std::array<double, 5>& out) {
  for (size_t i = 0; i < 5; ++i) out[i] = Amount(r, first + 12 * i);
}

// Counters of a daily ("1") or operator ("1;n") reply; `o` is the offset of the
// operator layout (2) against the daily one.
void ReadCounters(const std::string& r, size_t o, ReceiptCounters& c) {
  c.customers = FieldInt(r, 2 + o, 6 + o);
  c.discounts = FieldInt(r, 8 + o, 12 + o);
  c.discountSum = Amount(r, 14 + o);
  c.surcharges = FieldInt(r, 26 + o, 30 + o);
  c.surchargeSum = Amount(r, 32 + o);
  c.voids = FieldInt(r, 44 + o, 48 + o);
  c.voidSum = Amount(r, 50 + o);
}

void ReadService(const std::string& r, size_t o, ServiceTotals& t) {
  ReadPayments(r, 2 + o, t.amounts);
  t.count = FieldInt(r, 62 + o, 66 + o);
}

}  // namespace

std::string FiscalPrinter::ReadDailyTaxTotals(TaxGroupTotals& totals) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kClock | Require::kFiscalMemory)
          .empty())
    return std::string();
  const std::string r = Transact(Cmd::kDailyTaxTotals, "");
  if (r.empty()) return r;
  for (size_t g = 0; g < 8; ++g) totals.groups[g] = Amount(r, 12 * g);
  return "OK";
}

std::string FiscalPrinter::ReadDailyPaymentTotals(PaymentTotals& totals) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kDailyData, "0");
  if (r.empty()) return r;
  ReadPayments(r, 2, totals.payments);
  return "OK";
}

std::string FiscalPrinter::ReadDailyCounters(ReceiptCounters& counters) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kDailyData, "1");
  if (r.empty()) return r;
  ReadCounters(r, 0, counters);
  return "OK";
}

std::string FiscalPrinter::ReadDailyServiceIn(ServiceTotals& totals) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kDailyData, "2");
  if (r.empty()) return r;
  ReadService(r, 0, totals);
  return "OK";
}

std::string FiscalPrinter::ReadDailyServiceOut(ServiceTotals& totals) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kDailyData, "3");
  if (r.empty()) return r;
  ReadService(r, 0, totals);
  return "OK";
}

std::string FiscalPrinter::ReadDailyReportInfo(DailyReportInfo& info) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kDailyData, "5");
  if (r.empty()) return r;
  info.reportNumber = FieldInt(r, 2, 6);
  info.lastFMReport = FieldInt(r, 8, 12);
  info.journalNumber = FieldInt(r, 14, 18);
  info.lastReportTime = DateField(r, 20, 35);
  return "OK";
}

std::string FiscalPrinter::ReadOperatorTotals(int op, ReceiptCounters& counters) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kOperatorData, Sprintf("1;%.1d", op));
  if (r.empty()) return r;
  counters.operatorNumber = FieldInt(r, 2, 2);
  ReadCounters(r, 2, counters);
  return "OK";
}

std::string FiscalPrinter::ReadOperatorServiceIn(int op, ServiceTotals& totals) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kOperatorData, Sprintf("2;%.1d", op));
  if (r.empty()) return r;
  totals.operatorNumber = FieldInt(r, 2, 2);
  ReadService(r, 2, totals);
  return "OK";
}

std::string FiscalPrinter::ReadOperatorServiceOut(int op, ServiceTotals& totals) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kOperatorData, Sprintf("3;%.1d", op));
  if (r.empty()) return r;
  totals.operatorNumber = FieldInt(r, 2, 2);
  ReadService(r, 2, totals);
  return "OK";
}

std::string FiscalPrinter::ReadOperatorPayments(int op, PaymentTotals& totals) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kOperatorData, Sprintf("4;%.1d", op));
  if (r.empty()) return r;
  totals.operatorNumber = FieldInt(r, 2, 2);
  ReadPayments(r, 4, totals.payments);
  return "OK";
}

std::string FiscalPrinter::ReadOperatorReportInfo(int op, OperatorReportInfo& info) {
  StatusFlags flags{};
  if (CheckStatus(flags, kDataWord).empty()) return std::string();
  const std::string r = Transact(Cmd::kOperatorData, Sprintf("5;%.1d", op));
  if (r.empty()) return r;
  info.operatorNumber = FieldInt(r, 2, 2);
  info.reportNumber = FieldInt(r, 4, 8);
  info.lastReportTime = DateField(r, 10, 25);
  return "OK";
}

std::string FiscalPrinter::ReadLastFMRecord(FMRecordInfo& info) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kFiscalMemory).empty())
    return std::string();
  const std::string r = Transact(Cmd::kLastFMRecord, "");
  if (r.empty()) return r;
  info.date = DateField(r, 0, 9);
  info.first = FieldInt(r, 11, 14);
  info.second = FieldInt(r, 16, 19);
  return "OK";
}

std::string FiscalPrinter::ReadFreeFMRecords(int& count) {
  StatusFlags flags{};
  if (CheckStatus(flags, Require::kFactoryNumbers | Require::kClock | Require::kFiscalMemory)
          .empty())
    return std::string();
  const std::string r = Transact(Cmd::kFreeFMRecords, "");
  if (r.empty()) return r;
  count = FieldInt(r, 0, r.size());
  return "OK";
}
