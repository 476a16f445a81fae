// Every reply decoder of the driver: one reading method, chosen by the input,
// against a printer whose replies (and the user's answers) come from the input.
//
// Invariants: nothing read past a reply (the sanitizers), no frame sent again
// without a REPEAT or "Повтори" (one method is one user action: after "Отказ"
// it sends nothing more), and decoded fields inside the ranges their records
// document.
#include <cstdint>
#include <functional>

#include "driver/fiscal_printer.h"
#include "fuzz/fuzz_device.h"

namespace {

LinkTimeouts Tiny() {
  LinkTimeouts t;
  t.checkLink = 1;
  t.linkSeries = 1;
  t.reply = 1;
  t.probeEcho = 1;
  t.drain = 1;
  t.readyEcho = 1;
  return t;
}

// A fiscalized printer in working order: decimals, fiscalized, factory numbers.
const std::string kGoodStatus("\x80\x80\x80\x80\xC0\x81", 6);

bool Digit(int v) {
  return v >= 0 && v <= 9;
}

using Method = std::function<void(FiscalPrinter&, FuzzInput&)>;

const Method kMethods[] = {
    [](FiscalPrinter& p, FuzzInput&) {
      StatusFlags f{};
      p.ReadStatus(f);
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      StatusFlags f{};
      p.CheckStatus(f, in.Byte() | in.Byte() << 8 | in.Byte() << 16);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      ReceiptState s;
      if (!p.ReadReceiptState(s).empty()) Require(s.lastChangeType <= 15, "change type");
    },
    [](FiscalPrinter& p, FuzzInput&) {
      int n = -7;
      if (!p.ReadLastReceiptNumber(n).empty()) Require(n > -1000 && n < 10000, "receipt number");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      double sub = 0;
      p.Subtotal(sub, 0, in.Byte() & 1, false, false);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      TaxGroupTotals t;
      p.ReadDailyTaxTotals(t);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      PaymentTotals t;
      p.ReadDailyPaymentTotals(t);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      ReceiptCounters c;
      p.ReadDailyCounters(c);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      ServiceTotals t;
      p.ReadDailyServiceIn(t);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      ServiceTotals t;
      p.ReadDailyServiceOut(t);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      DailyReportInfo i;
      p.ReadDailyReportInfo(i);
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      ReceiptCounters c;
      if (!p.ReadOperatorTotals(1 + in.Byte() % 9, c).empty())
        Require(Digit(c.operatorNumber), "operator number");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      ServiceTotals t;
      if (!p.ReadOperatorServiceIn(1 + in.Byte() % 9, t).empty())
        Require(Digit(t.operatorNumber), "operator number");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      PaymentTotals t;
      if (!p.ReadOperatorPayments(1 + in.Byte() % 9, t).empty())
        Require(Digit(t.operatorNumber), "operator number");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      OperatorReportInfo i;
      if (!p.ReadOperatorReportInfo(1 + in.Byte() % 9, i).empty())
        Require(Digit(i.operatorNumber), "operator number");
    },
    [](FiscalPrinter& p, FuzzInput&) {
      FMRecordInfo i;
      p.ReadLastFMRecord(i);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      int n = 0;
      p.ReadFreeFMRecords(n);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      std::string t;
      p.ReadTaxNumber(t);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      std::string t;
      p.ReadHeaderTaxNumber(t);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      TaxRates r{};
      p.ReadTaxRates(r);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      FactoryNumbers n;
      if (!p.ReadFactoryNumbers(n).empty()) Require(n.checkDigits == 0, "check digits");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      HeaderLine h;
      const int line = in.Byte() % 10;
      const std::string r = p.ReadHeaderLine(line, h);
      if (r.empty()) return;
      Require(Digit(h.line), "header line number");
      Require(h.alignment >= 0 && h.alignment <= 2, "header alignment");
      Require(h.width >= 0 && h.text.size() <= static_cast<size_t>(h.width), "header width");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      OperatorRecord o;
      if (p.ReadOperator(1 + in.Byte() % 9, o).empty()) return;
      Require(Digit(o.number), "operator number");
      Require(o.name.size() <= 20 && o.password.size() <= 4, "operator name or password width");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      ArticleRecord a;
      if (p.ReadArticle(1 + in.Byte() * 4 % 1000, a).empty()) return;
      Require(a.taxGroup >= 0 && a.taxGroup <= 7, "article tax group");
      Require(a.department <= 0x7F, "article department");
      Require(a.name.size() <= 20, "article name width");
    },
    [](FiscalPrinter& p, FuzzInput&) {
      PrintParameters pp;
      if (!p.ReadParameters(pp).empty())
        Require(pp.deviceNumber > -1000 && pp.deviceNumber <= 9999, "device number");
    },
    [](FiscalPrinter& p, FuzzInput&) {
      PaymentNames n;
      if (p.ReadPaymentNames(n).empty()) return;
      for (const auto& s : n) Require(s.size() <= 10, "payment name width");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      Department d;
      d.number = in.Byte() % 100;
      if (p.ReadDepartment(d).empty()) return;
      Require(d.name.size() <= 20 && d.taxGroup <= 15, "department fields");
    },
    [](FiscalPrinter& p, FuzzInput&) {
      InvoiceRange r;
      if (!p.ReadInvoiceRange(r).empty())
        Require(r.first.size() <= 10 && r.last.size() <= 10, "invoice number width");
    },
    [](FiscalPrinter& p, FuzzInput& in) {
      OperatorReturnedSums s;
      s.operatorNumber = 1 + in.Byte() % 9;
      if (!p.ReadOperatorReturnedSums(s).empty()) Require(Digit(s.operatorNumber), "operator");
    },
    [](FiscalPrinter& p, FuzzInput&) {
      char mode = 0;
      p.ReadDecimalPoint(mode);
    },
    [](FiscalPrinter& p, FuzzInput&) {
      std::time_t t = 0;
      p.ReadDateTime(t);
    },
    [](FiscalPrinter& p, FuzzInput&) { p.ReadVersion(); },
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const size_t method = in.Byte() % (sizeof kMethods / sizeof kMethods[0]);
  const bool fuzzStatus = in.Byte() & 1;
  FuzzDevice device(in, kGoodStatus, fuzzStatus);
  FuzzUi ui(in, device);
  FiscalPrinter printer(&ui, 1);
  printer.SetTimeouts(Tiny());
  kMethods[method](printer, in);
  Require(device.resends <= device.repeats + ui.retries,
          "frame sent again without REPEAT or Повтори");
  Require(printer.Sequence() >= 0x20, "block number below 0x20");
  return 0;
}
