#include "cli/methods.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "driver/fiscal_printer.h"
#include "driver/text.h"
#include "link/utf8_file.h"

namespace {

// --- Out-parameters -------------------------------------------------------

OutValue ToOut(int v) {
  return OutValue::Integer(v);
}
OutValue ToOut(double v) {
  return OutValue::Number(v);
}
OutValue ToOut(const std::string& cp1251) {
  return OutValue::Text(cp1251);
}
OutValue ToOut(char c) {
  return OutValue::Text(std::string(1, c));
}

OutValue ToOut(const StatusFlags& flags) {
  std::vector<OutValue> v;
  for (const bool f : flags) v.push_back(OutValue::Flag(f));
  return OutValue::List(std::move(v));
}

template <size_t N>
OutValue ToOut(const std::array<double, N>& values) {
  return OutValue::Numbers(values);
}

OutValue ToOut(const PaymentNames& names) {
  std::vector<OutValue> v;
  for (const auto& n : names) v.push_back(OutValue::Text(n));
  return OutValue::List(std::move(v));
}

OutValue ToOut(const ReceiptState& s) {
  return OutValue::Record({
      {"groupSubtotals", OutValue::Numbers(s.groupSubtotals)},
      {"purchases", OutValue::Integer(s.purchases)},
      {"open", OutValue::Flag(s.open)},
      {"voidForbidden", OutValue::Flag(s.voidForbidden)},
      {"withVat", OutValue::Flag(s.withVat)},
      {"detailed", OutValue::Flag(s.detailed)},
      {"paymentStarted", OutValue::Flag(s.paymentStarted)},
      {"paymentFinished", OutValue::Flag(s.paymentFinished)},
      {"invoice", OutValue::Flag(s.invoice)},
      {"lastChangeType", OutValue::Integer(s.lastChangeType)},
      {"lastChange", OutValue::Number(s.lastChange)},
  });
}

OutValue ToOut(const TaxGroupTotals& t) {
  return OutValue::Record({{"groups", OutValue::Numbers(t.groups)}});
}

OutValue ToOut(const PaymentTotals& t) {
  return OutValue::Record({{"payments", OutValue::Numbers(t.payments)},
                           {"operatorNumber", OutValue::Integer(t.operatorNumber)}});
}

OutValue ToOut(const ServiceTotals& t) {
  return OutValue::Record({{"amounts", OutValue::Numbers(t.amounts)},
                           {"count", OutValue::Integer(t.count)},
                           {"operatorNumber", OutValue::Integer(t.operatorNumber)}});
}

OutValue ToOut(const ReceiptCounters& c) {
  return OutValue::Record({
      {"customers", OutValue::Integer(c.customers)},
      {"discounts", OutValue::Integer(c.discounts)},
      {"discountSum", OutValue::Number(c.discountSum)},
      {"surcharges", OutValue::Integer(c.surcharges)},
      {"surchargeSum", OutValue::Number(c.surchargeSum)},
      {"voids", OutValue::Integer(c.voids)},
      {"voidSum", OutValue::Number(c.voidSum)},
      {"operatorNumber", OutValue::Integer(c.operatorNumber)},
  });
}

OutValue ToOut(const DailyReportInfo& i) {
  return OutValue::Record({{"reportNumber", OutValue::Integer(i.reportNumber)},
                           {"lastFMReport", OutValue::Integer(i.lastFMReport)},
                           {"journalNumber", OutValue::Integer(i.journalNumber)},
                           {"lastReportTime", OutValue::Time(i.lastReportTime)}});
}

OutValue ToOut(const OperatorReportInfo& i) {
  return OutValue::Record({{"reportNumber", OutValue::Integer(i.reportNumber)},
                           {"lastReportTime", OutValue::Time(i.lastReportTime)},
                           {"operatorNumber", OutValue::Integer(i.operatorNumber)}});
}

OutValue ToOut(const FMRecordInfo& i) {
  return OutValue::Record({{"date", OutValue::Time(i.date)},
                           {"first", OutValue::Integer(i.first)},
                           {"second", OutValue::Integer(i.second)}});
}

OutValue ToOut(const HeaderLine& h) {
  return OutValue::Record({{"line", OutValue::Integer(h.line)},
                           {"text", OutValue::Text(h.text)},
                           {"alignment", OutValue::Integer(h.alignment)},
                           {"width", OutValue::Integer(h.width)}});
}

OutValue ToOut(const OperatorRecord& r) {
  return OutValue::Record({{"number", OutValue::Integer(r.number)},
                           {"name", OutValue::Text(r.name)},
                           {"password", OutValue::Text(r.password)}});
}

OutValue ToOut(const ArticleRecord& a) {
  return OutValue::Record({
      {"number", OutValue::Integer(a.number)},
      {"name", OutValue::Text(a.name)},
      {"price", OutValue::Number(a.price)},
      {"taxGroup", OutValue::Integer(a.taxGroup)},
      {"turnover", OutValue::Number(a.turnover)},
      {"soldQuantity", OutValue::Number(a.soldQuantity)},
      {"reportNumber", OutValue::Integer(a.reportNumber)},
      {"department", OutValue::Integer(a.department)},
      {"lastReportTime", OutValue::Time(a.lastReportTime)},
  });
}

OutValue ToOut(const PrintParameters& p) {
  return OutValue::Record({
      {"deviceNumber", OutValue::Integer(p.deviceNumber)},
      {"logo", OutValue::Flag(p.logo)},
      {"drawer", OutValue::Flag(p.drawer)},
      {"autoCut", OutValue::Flag(p.autoCut)},
      {"transparentDisplay", OutValue::Flag(p.transparentDisplay)},
      {"shortJournal", OutValue::Flag(p.shortJournal)},
      {"currency", OutValue::Flag(p.currency)},
  });
}

OutValue ToOut(const FactoryNumbers& n) {
  return OutValue::Record({{"printerNumber", OutValue::Integer(n.printerNumber)},
                           {"memoryNumber", OutValue::Integer(n.memoryNumber)},
                           {"checkDigits", OutValue::Integer(n.checkDigits)}});
}

OutValue ToOut(const Department& d) {
  return OutValue::Record({{"number", OutValue::Integer(d.number)},
                           {"name", OutValue::Text(d.name)},
                           {"taxGroup", OutValue::Integer(d.taxGroup)},
                           {"turnover", OutValue::Number(d.turnover)},
                           {"quantity", OutValue::Number(d.quantity)}});
}

OutValue ToOut(const InvoiceRange& r) {
  return OutValue::Record({{"first", OutValue::Text(r.first)}, {"last", OutValue::Text(r.last)}});
}

OutValue ToOut(const OperatorReturnedSums& s) {
  return OutValue::Record({{"operatorNumber", OutValue::Integer(s.operatorNumber)},
                           {"sums", OutValue::Numbers(s.sums)}});
}

// Runs `call` on a fresh out-parameter and decodes it after a non-empty result.
template <typename T, typename Call>
std::string Read(Invocation& c, const char* name, Call call, T value = T{}) {
  std::string r = call(value);
  if (!r.empty()) c.out.emplace_back(name, ToOut(value));
  return r;
}

OperatorRecord Operator(const Invocation& c, size_t numberArg) {
  OperatorRecord op;
  op.number = c.Int(numberArg);
  op.password = c.Text(numberArg + 1);
  return op;
}

std::string DownloadToFile(Invocation& c) {
  std::FILE* file = OpenFileUtf8(c.Text(0), "wb");
  if (!file) {
    c.error = "cannot open \"" + c.Text(0) + "\" for writing: " + std::strerror(errno);
    return "";
  }
  std::string r = c.printer->DownloadFMToFile(file);
  if (std::fclose(file) != 0 && !r.empty()) {
    c.error = "writing \"" + c.Text(0) + "\" failed: " + std::strerror(errno);
    return "";
  }
  return r;
}

constexpr ArgKind I = ArgKind::kInteger;
constexpr ArgKind D = ArgKind::kDecimal;
constexpr ArgKind F = ArgKind::kFlag;
constexpr ArgKind G = ArgKind::kTaxGroup;
constexpr ArgKind T = ArgKind::kText;

ArgSpec Byte(const char* name) {
  return {name, I, 0, 255};
}

std::vector<MethodSpec> BuildTable() {
  using C = Invocation;
  std::vector<MethodSpec> m = {
      // Status and command errors.
      {"ReadStatus",
       {},
       [](C& c) {
         return Read<StatusFlags>(c, "flags", [&](auto& f) { return c.printer->ReadStatus(f); });
       },
       true,
       {"flags"}},
      {"CheckStatus",
       {{"requirement", I, 0, 0xFFFFFFFFll}},
       [](C& c) {
         const auto word = static_cast<uint32_t>(c.args[0].integer);
         return Read<StatusFlags>(c, "flags",
                                  [&](auto& f) { return c.printer->CheckStatus(f, word); });
       },
       true,
       {"flags"}},
      {"ReadVersion", {}, [](C& c) { return c.printer->ReadVersion(); }},
      {"PrintEmptyServiceReceipt", {}, [](C& c) { return c.printer->PrintEmptyServiceReceipt(); }},
      {"ReportCommandError",
       {{"code", T}},
       [](C& c) { return std::to_string(c.printer->ReportCommandError(c.Text(0))); }},
      {"Transact",
       {Byte("command"), {"data", T}},
       [](C& c) { return c.printer->Transact(static_cast<uint8_t>(c.Int(0)), c.Text(1)); }},

      // Receipts and sales.
      {"OpenServiceReceipt",
       {{"operator", I}, {"password", T}},
       [](C& c) { return c.printer->OpenServiceReceipt(Operator(c, 0)); }},
      {"CloseServiceReceipt", {}, [](C& c) { return c.printer->CloseServiceReceipt(); }},
      {"OpenFiscalReceipt",
       {{"operator", I}, {"password", T}, {"detailed", F}, {"withVat", F}},
       [](C& c) { return c.printer->OpenFiscalReceipt(Operator(c, 0), c.Flag(2), c.Flag(3)); }},
      {"OpenInvoiceReceipt",
       {{"operator", I},
        {"password", T},
        {"recipient", T},
        {"buyer", T},
        {"vatNumber", T},
        {"idNumber", T},
        {"address", T}},
       [](C& c) {
         return c.printer->OpenInvoiceReceipt(Operator(c, 0), c.Text(2), c.Text(3), c.Text(4),
                                              c.Text(5), c.Text(6));
       }},
      {"SellItem",
       {{"text", T}, {"taxGroup", G}, {"price", D}, {"quantity", D}, {"percent", D}},
       [](C& c) { return c.printer->SellItem(c.Text(0), c.Int(1), c.Dec(2), c.Dec(3), c.Dec(4)); }},
      {"SellArticle",
       {{"article", I}, {"quantity", D}, {"percent", D}, {"isVoid", F}},
       [](C& c) { return c.printer->SellArticle(c.Int(0), c.Dec(1), c.Dec(2), c.Flag(3)); }},
      {"Subtotal",
       {{"value", D}, {"isAmount", F}, {"print", F}, {"display", F}},
       [](C& c) {
         return Read<double>(c, "subtotal", [&](auto& s) {
           return c.printer->Subtotal(s, c.Dec(0), c.Flag(1), c.Flag(2), c.Flag(3));
         });
       },
       true,
       {"subtotal"}},
      {"SellInDepartment",
       {{"text", T}, {"department", I}, {"price", D}, {"quantity", D}, {"percent", D}},
       [](C& c) {
         return c.printer->SellInDepartment(c.Text(0), c.Int(1), c.Dec(2), c.Dec(3), c.Dec(4));
       }},
      {"Payment",
       {{"type", I}, {"amount", D}, {"noChange", F}, {"changeType", I}},
       [](C& c) { return c.printer->Payment(c.Int(0), c.Dec(1), c.Flag(2), c.Int(3)); }},
      {"PrintReceiptText",
       {{"text", T}, {"alignment", I}},
       [](C& c) { return c.printer->PrintReceiptText(c.Text(0), c.Int(1)); }},
      {"CloseFiscalReceipt", {}, [](C& c) { return c.printer->CloseFiscalReceipt(); }},
      {"PrintDuplicate", {}, [](C& c) { return c.printer->PrintDuplicate(); }},
      {"ServiceSumInOut",
       {{"operator", I}, {"password", T}, {"paymentType", I}, {"amount", D}},
       [](C& c) { return c.printer->ServiceSumInOut(Operator(c, 0), c.Int(2), c.Dec(3)); }},
      {"ReadLastReceiptNumber",
       {},
       [](C& c) {
         return Read<int>(c, "number",
                          [&](auto& n) { return c.printer->ReadLastReceiptNumber(n); });
       },
       true,
       {"number"}},
      {"ReadReceiptState",
       {},
       [](C& c) {
         return Read<ReceiptState>(c, "state",
                                   [&](auto& s) { return c.printer->ReadReceiptState(s); });
       },
       true,
       {"state"}},

      // Report data.
      {"ReadDailyTaxTotals",
       {},
       [](C& c) {
         return Read<TaxGroupTotals>(c, "totals",
                                     [&](auto& t) { return c.printer->ReadDailyTaxTotals(t); });
       },
       true,
       {"totals"}},
      {"ReadDailyPaymentTotals",
       {},
       [](C& c) {
         return Read<PaymentTotals>(c, "totals",
                                    [&](auto& t) { return c.printer->ReadDailyPaymentTotals(t); });
       },
       true,
       {"totals"}},
      {"ReadDailyCounters",
       {},
       [](C& c) {
         return Read<ReceiptCounters>(c, "counters",
                                      [&](auto& t) { return c.printer->ReadDailyCounters(t); });
       },
       true,
       {"counters"}},
      {"ReadDailyServiceIn",
       {},
       [](C& c) {
         return Read<ServiceTotals>(c, "totals",
                                    [&](auto& t) { return c.printer->ReadDailyServiceIn(t); });
       },
       true,
       {"totals"}},
      {"ReadDailyServiceOut",
       {},
       [](C& c) {
         return Read<ServiceTotals>(c, "totals",
                                    [&](auto& t) { return c.printer->ReadDailyServiceOut(t); });
       },
       true,
       {"totals"}},
      {"ReadDailyReportInfo",
       {},
       [](C& c) {
         return Read<DailyReportInfo>(c, "info",
                                      [&](auto& t) { return c.printer->ReadDailyReportInfo(t); });
       },
       true,
       {"info"}},
      {"ReadOperatorTotals",
       {{"operator", I}},
       [](C& c) {
         return Read<ReceiptCounters>(
             c, "counters", [&](auto& t) { return c.printer->ReadOperatorTotals(c.Int(0), t); });
       },
       true,
       {"counters"}},
      {"ReadOperatorServiceIn",
       {{"operator", I}},
       [](C& c) {
         return Read<ServiceTotals>(
             c, "totals", [&](auto& t) { return c.printer->ReadOperatorServiceIn(c.Int(0), t); });
       },
       true,
       {"totals"}},
      {"ReadOperatorServiceOut",
       {{"operator", I}},
       [](C& c) {
         return Read<ServiceTotals>(
             c, "totals", [&](auto& t) { return c.printer->ReadOperatorServiceOut(c.Int(0), t); });
       },
       true,
       {"totals"}},
      {"ReadOperatorPayments",
       {{"operator", I}},
       [](C& c) {
         return Read<PaymentTotals>(
             c, "totals", [&](auto& t) { return c.printer->ReadOperatorPayments(c.Int(0), t); });
       },
       true,
       {"totals"}},
      {"ReadOperatorReportInfo",
       {{"operator", I}},
       [](C& c) {
         return Read<OperatorReportInfo>(
             c, "info", [&](auto& t) { return c.printer->ReadOperatorReportInfo(c.Int(0), t); });
       },
       true,
       {"info"}},
      {"ReadLastFMRecord",
       {},
       [](C& c) {
         return Read<FMRecordInfo>(c, "info",
                                   [&](auto& t) { return c.printer->ReadLastFMRecord(t); });
       },
       true,
       {"info"}},
      {"ReadFreeFMRecords",
       {},
       [](C& c) {
         return Read<int>(c, "count", [&](auto& n) { return c.printer->ReadFreeFMRecords(n); });
       },
       true,
       {"count"}},

      // Printed reports.
      {"PrintDailyReport",
       {{"zero", F}},
       [](C& c) { return c.printer->PrintDailyReport(c.Flag(0)); }},
      {"PrintArticleReport",
       {{"zero", F}},
       [](C& c) { return c.printer->PrintArticleReport(c.Flag(0)); }},
      {"PrintExtendedDailyReport",
       {{"zero", F}},
       [](C& c) { return c.printer->PrintExtendedDailyReport(c.Flag(0)); }},
      {"PrintOperatorReport",
       {{"zero", F}, {"operator", I}},
       [](C& c) { return c.printer->PrintOperatorReport(c.Flag(0), c.Int(1)); }},
      {"PrintSpecialFMReport", {}, [](C& c) { return c.printer->PrintSpecialFMReport(); }},
      {"PrintDetailedFMReportByBlocks",
       {{"first", I}, {"last", I}},
       [](C& c) { return c.printer->PrintDetailedFMReportByBlocks(c.Int(0), c.Int(1)); }},
      {"PrintShortFMReportByBlocks",
       {{"first", I}, {"last", I}},
       [](C& c) { return c.printer->PrintShortFMReportByBlocks(c.Int(0), c.Int(1)); }},
      {"PrintDetailedFMReportByDates",
       {{"from", ArgKind::kDate}, {"to", ArgKind::kDate}},
       [](C& c) { return c.printer->PrintDetailedFMReportByDates(c.Time(0), c.Time(1)); }},
      {"PrintShortFMReportByDates",
       {{"from", ArgKind::kDate}, {"to", ArgKind::kDate}},
       [](C& c) { return c.printer->PrintShortFMReportByDates(c.Time(0), c.Time(1)); }},
      {"DownloadFMToFile", {{"file", ArgKind::kPath}}, DownloadToFile},

      // Fiscalization, clock, decimal point, tax rates.
      {"SetTaxNumber",
       {{"password", T}, {"taxNumber", T}},
       [](C& c) { return c.printer->SetTaxNumber(c.Text(0), c.Text(1)); }},
      {"Fiscalize", {{"password", T}}, [](C& c) { return c.printer->Fiscalize(c.Text(0)); }},
      {"ReadTaxNumber",
       {},
       [](C& c) {
         return Read<std::string>(c, "taxNumber",
                                  [&](auto& t) { return c.printer->ReadTaxNumber(t); });
       },
       true,
       {"taxNumber"}},
      {"ReadHeaderTaxNumber",
       {},
       [](C& c) {
         return Read<std::string>(c, "taxNumber",
                                  [&](auto& t) { return c.printer->ReadHeaderTaxNumber(t); });
       },
       true,
       {"taxNumber"}},
      {"SetDateTime",
       {{"time", ArgKind::kTime}},
       [](C& c) { return c.printer->SetDateTime(c.Time(0)); }},
      {"SetDecimalPoint",
       {{"password", T}, {"mode", ArgKind::kChar}},
       [](C& c) { return c.printer->SetDecimalPoint(c.Text(0), c.Text(1)[0]); }},
      {"ReadTaxRates",
       {},
       [](C& c) {
         return Read<TaxRates>(c, "rates", [&](auto& r) { return c.printer->ReadTaxRates(r); });
       },
       true,
       {"rates"}},
      {"SetTaxRates",
       {{"password", T},
        {"rate0", D},
        {"rate1", D},
        {"rate2", D},
        {"rate3", D},
        {"rate4", D},
        {"rate5", D},
        {"rate6", D},
        {"rate7", D}},
       [](C& c) {
         TaxRates rates{};
         for (size_t i = 0; i < rates.size(); ++i) rates[i] = c.Dec(i + 1);
         return c.printer->SetTaxRates(c.Text(0), rates);
       }},
      {"SetFactoryNumbers",
       {{"password", T}, {"printerNumber", I}, {"memoryNumber", I}, {"checkDigits", I}},
       [](C& c) { return c.printer->SetFactoryNumbers(c.Text(0), c.Int(1), c.Int(2), c.Int(3)); }},
      {"ReadFactoryNumbers",
       {},
       [](C& c) {
         return Read<FactoryNumbers>(c, "numbers",
                                     [&](auto& n) { return c.printer->ReadFactoryNumbers(n); });
       },
       true,
       {"numbers"}},
      {"EraseEeprom", {{"password", T}}, [](C& c) { return c.printer->EraseEeprom(c.Text(0)); }},

      // Header, operators, articles, parameters, logo.
      {"SetHeaderLine",
       {{"line", I}, {"text", T}, {"alignment", I}, {"width", I}},
       [](C& c) { return c.printer->SetHeaderLine(c.Int(0), c.Text(1), c.Int(2), c.Int(3)); }},
      {"ReadHeaderLine",
       {{"line", I}},
       [](C& c) {
         return Read<HeaderLine>(c, "header",
                                 [&](auto& h) { return c.printer->ReadHeaderLine(c.Int(0), h); });
       },
       true,
       {"header"}},
      {"SetOperator",
       {{"operator", I}, {"name", T}, {"password", T}},
       [](C& c) { return c.printer->SetOperator(c.Int(0), c.Text(1), c.Text(2)); }},
      {"ReadOperator",
       {{"operator", I}},
       [](C& c) {
         return Read<OperatorRecord>(c, "record",
                                     [&](auto& r) { return c.printer->ReadOperator(c.Int(0), r); });
       },
       true,
       {"record"}},
      {"SetArticle",
       {{"number", I}, {"name", T}, {"price", D}, {"taxGroup", G}, Byte("department")},
       [](C& c) {
         return c.printer->SetArticle(c.Int(0), c.Text(1), c.Dec(2), c.Int(3),
                                      static_cast<uint8_t>(c.Int(4)));
       }},
      {"ReadArticle",
       {{"number", I}},
       [](C& c) {
         return Read<ArticleRecord>(c, "article",
                                    [&](auto& a) { return c.printer->ReadArticle(c.Int(0), a); });
       },
       true,
       {"article"}},
      {"SetParameters",
       {{"deviceNumber", I},
        {"logo", F},
        {"drawer", F},
        {"autoCut", F},
        {"transparentDisplay", F},
        {"shortJournal", F},
        {"currency", F}},
       [](C& c) {
         PrintParameters p;
         p.deviceNumber = c.Int(0);
         p.logo = c.Flag(1);
         p.drawer = c.Flag(2);
         p.autoCut = c.Flag(3);
         p.transparentDisplay = c.Flag(4);
         p.shortJournal = c.Flag(5);
         p.currency = c.Flag(6);
         return c.printer->SetParameters(p);
       }},
      {"ReadParameters",
       {},
       [](C& c) {
         return Read<PrintParameters>(c, "params",
                                      [&](auto& p) { return c.printer->ReadParameters(p); });
       },
       true,
       {"params"}},
      {"LoadLogo", {{"file", ArgKind::kPath}}, [](C& c) { return c.printer->LoadLogo(c.Text(0)); }},
      {"PrintLogo", {}, [](C& c) { return c.printer->PrintLogo(); }},

      // Display, paper, payments, departments, invoices.
      {"ClearDisplay", {}, [](C& c) { return c.printer->ClearDisplay(); }},
      {"DisplayLine",
       {{"line", I}, {"text", T}, {"alignment", I}},
       [](C& c) { return c.printer->DisplayLine(c.Int(0), c.Text(1), c.Int(2)); }},
      {"DisplayBothLines",
       {{"text", T}, {"alignment", I}},
       [](C& c) { return c.printer->DisplayBothLines(c.Text(0), c.Int(1)); }},
      {"DisplayDateTime", {}, [](C& c) { return c.printer->DisplayDateTime(); }},
      {"FeedPaper", {}, [](C& c) { return c.printer->FeedPaper(); }},
      {"FeedPaperNoCheck", {}, [](C& c) { return c.printer->FeedPaperNoCheck(); }},
      {"FinishPrintout", {}, [](C& c) { return c.printer->FinishPrintout(); }},
      {"PrintDiagnostics", {}, [](C& c) { return c.printer->PrintDiagnostics(); }},
      {"PrintJournalReport", {}, [](C& c) { return c.printer->PrintJournalReport(); }},
      {"SetPaymentName",
       {{"type", I}, {"name", T}, {"rate", D}},
       [](C& c) { return c.printer->SetPaymentName(c.Int(0), c.Text(1), c.Dec(2)); }},
      {"ReadPaymentNames",
       {},
       [](C& c) {
         return Read<PaymentNames>(c, "names",
                                   [&](auto& n) { return c.printer->ReadPaymentNames(n); });
       },
       true,
       {"names"}},
      {"ReadDepartment",
       {Byte("number")},
       [](C& c) {
         Department d;
         d.number = static_cast<uint8_t>(c.Int(0));
         return Read<Department>(
             c, "department", [&](auto& v) { return c.printer->ReadDepartment(v); }, d);
       },
       true,
       {"department"}},
      {"SetDepartment",
       {Byte("number"), {"name", T}, {"taxGroup", G}},
       [](C& c) {
         Department d;
         d.number = static_cast<uint8_t>(c.Int(0));
         d.name = c.Text(1);
         d.taxGroup = static_cast<uint8_t>(c.Int(2));
         return c.printer->SetDepartment(d);
       }},
      {"ReadInvoiceRange",
       {},
       [](C& c) {
         return Read<InvoiceRange>(c, "range",
                                   [&](auto& r) { return c.printer->ReadInvoiceRange(r); });
       },
       true,
       {"range"}},
      {"SetInvoiceRange",
       {{"first", T}, {"last", T}},
       [](C& c) {
         InvoiceRange r;
         r.first = c.Text(0);
         r.last = c.Text(1);
         return c.printer->SetInvoiceRange(r);
       }},
      {"ReadOperatorReturnedSums",
       {{"operator", I}},
       [](C& c) {
         OperatorReturnedSums s;
         s.operatorNumber = c.Int(0);
         return Read<OperatorReturnedSums>(
             c, "sums", [&](auto& v) { return c.printer->ReadOperatorReturnedSums(v); }, s);
       },
       true,
       {"sums"}},

      // Decimal mode and clock.
      {"ReadDecimalPoint",
       {},
       [](C& c) {
         return Read<char>(c, "mode", [&](auto& m) { return c.printer->ReadDecimalPoint(m); });
       },
       true,
       {"mode"}},
      {"ReadDateTime",
       {},
       [](C& c) {
         std::time_t t = 0;
         std::string r = c.printer->ReadDateTime(t);
         if (!r.empty()) c.out.emplace_back("time", OutValue::Time(t));
         return r;
       },
       true,
       {"time"}},

      // Text helpers: no printer needed.
      {"FitText",
       {{"text", T}, {"width", I}, {"alignment", I}, {"fill", ArgKind::kChar}},
       [](C& c) { return FitText(c.Text(0), c.Int(1), c.Int(2), c.Text(3)[0]); },
       false},
      {"PadWithChar",
       {{"text", T}, {"before", I}, {"after", I}, {"fill", ArgKind::kChar}},
       [](C& c) { return PadWithChar(c.Text(0), c.Int(1), c.Int(2), c.Text(3)[0]); },
       false},
      {"RemoveChar",
       {{"text", T}, {"char", ArgKind::kChar}, {"mode", I}},
       [](C& c) { return RemoveChar(c.Text(0), c.Text(1)[0], c.Int(2)); },
       false},
      {"ParseDateTime",
       {{"text", T}},
       [](C& c) {
         c.out.emplace_back("time", OutValue::Time(ParseDateTime(c.Text(0))));
         return std::string("OK");
       },
       false,
       {"time"}},
  };
  for (auto& row : m) row.kebab = KebabCase(row.name);
  return m;
}

}  // namespace

const std::vector<MethodSpec>& Methods() {
  static const std::vector<MethodSpec> table = BuildTable();
  return table;
}

const MethodSpec* FindMethod(const std::string& name) {
  for (const auto& m : Methods()) {
    if (m.name == name || m.kebab == name) return &m;
  }
  return nullptr;
}

std::string KebabCase(const std::string& name) {
  std::string s;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool upper = std::isupper(static_cast<unsigned char>(c));
    if (upper && i > 0) {
      const char prev = name[i - 1];
      const bool prevLower = std::islower(static_cast<unsigned char>(prev)) ||
                             std::isdigit(static_cast<unsigned char>(prev));
      const bool nextLower =
          i + 1 < name.size() && std::islower(static_cast<unsigned char>(name[i + 1]));
      // A new word starts after a lower-case letter, or where an acronym ends
      // (the F and M of "FMTo" stay together, the T starts "to").
      if (prevLower || (std::isupper(static_cast<unsigned char>(prev)) && nextLower)) s += '-';
    }
    s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return s;
}

const char* ArgKindName(ArgKind kind) {
  switch (kind) {
    case ArgKind::kInteger:
      return "integer";
    case ArgKind::kDecimal:
      return "number";
    case ArgKind::kFlag:
      return "0/1";
    case ArgKind::kTaxGroup:
      return "tax-group";
    case ArgKind::kTime:
      return "time";
    case ArgKind::kDate:
      return "date";
    case ArgKind::kText:
      return "text";
    case ArgKind::kChar:
      return "character";
    case ArgKind::kPath:
      return "file";
  }
  return "?";
}

std::string ListMethods() {
  std::string s;
  for (const auto& m : Methods()) {
    s += m.kebab;
    for (const auto& a : m.args) s += Sprintf(" %s:%s", a.name, ArgKindName(a.kind));
    if (!m.outputs.empty()) {
      s += "  ->";
      for (const auto& o : m.outputs) s += ' ' + o;
    }
    s += "  (" + m.name + ")\n";
  }
  return s;
}
