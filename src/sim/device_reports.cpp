// Reports and report data: daily, operator, article and extended reports in X
// and Z mode, the electronic journal, the fiscal-memory reports and download,
// and the reads of the counters.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "sim/money.h"
#include "sim/sim_device.h"
#include "sim/sim_text.h"

using namespace simtext;

namespace {
std::string Count(int n) {
  return Sprintf("%05d", std::min(n, 99999));
}

// A date field "DD-MM-YYYY HH:MM" of a report time; before the first report
// it reads kNoReportYet.
std::string ReportTime(std::time_t t) {
  return t ? LocalTime(t, "%d-%m-%Y %H:%M") : kNoReportYet;
}
}  // namespace

SimDevice::Reply SimDevice::DailyTaxTotals(const std::string&) {
  std::string out;
  for (int g = 0; g < kGroups; ++g) {
    if (g) out += ';';
    out += Field(s_.dailyTotals[g]);
  }
  return Data(out);
}

namespace {
std::string CountersText(const ReceiptCountersState& c,
                         const std::function<std::string(Money)>& f) {
  return Count(c.customers) + ";" + Count(c.discounts) + ";" + f(c.discountSum) + ";" +
         Count(c.surcharges) + ";" + f(c.surchargeSum) + ";" + Count(c.voids) + ";" + f(c.voidSum);
}

// ";sum" for each payment type.
std::string SumsText(const std::array<Money, kPayments>& a,
                     const std::function<std::string(Money)>& f) {
  std::string out;
  for (Money m : a) out += ";" + f(m);
  return out;
}

// The number of the last daily Z report in the fiscal memory, 0 when none.
int LastZNumber(const std::vector<FmRecord>& fm) {
  int last = 0;
  for (const auto& r : fm)
    if (r.type == FmRecord::kZReport) last = r.number;
  return last;
}
}  // namespace

// "0" payments, "1" counters, "2" deposits, "3" withdrawals, "5" report numbers.
SimDevice::Reply SimDevice::DailyData(const std::string& data) {
  auto f = [this](Money m) { return Field(m); };
  auto sums = [&](const std::array<Money, kPayments>& a) { return SumsText(a, f); };
  if (data == "0") return Data("0" + sums(s_.dailyPayments));
  if (data == "1") return Data("1;" + CountersText(s_.daily, f));
  if (data == "2") return Data("2" + sums(s_.serviceIn.sums) + ";" + Count(s_.serviceIn.count));
  if (data == "3") return Data("3" + sums(s_.serviceOut.sums) + ";" + Count(s_.serviceOut.count));
  if (data == "5")
    return Data("5;" + Count(s_.reportNumber) + ";" + Count(LastZNumber(s_.fm)) + ";" +
                Count(s_.journalNumber) + ";" + ReportTime(s_.lastReport));
  return Ack("04");
}

// "k;n": option k of operator n.
SimDevice::Reply SimDevice::OperatorData(const std::string& data) {
  const auto parts = Split(data, ';');
  int op = 0;
  if (parts.size() != 2 || parts[0].size() != 1 || !ParseInt(parts[1], op) || op < 1 ||
      op > kOperators)
    return Ack("04");
  const OperatorState& o = s_.operators[op - 1];
  auto f = [this](Money m) { return Field(m); };
  auto sums = [&](const std::array<Money, kPayments>& a) { return SumsText(a, f); };
  const std::string head = parts[0] + ";" + Sprintf("%d", op);
  switch (parts[0][0]) {
    case '1':
      return Data(head + ";" + CountersText(o.counters, f));
    case '2':
      return Data(head + sums(o.in.sums) + ";" + Count(o.in.count));
    case '3':
      return Data(head + sums(o.out.sums) + ";" + Count(o.out.count));
    case '4':
      return Data(head + sums(o.payments));
    case '5':
      return Data(head + ";" + Count(o.reportNumber) + ";" + ReportTime(o.lastReport));
    case '6':
      return Data(head + sums(o.returned));
    default:
      return Ack("04");
  }
}

// "DD-MM-YYYY;first;second": the date of the last record, the number of the
// last daily Z report and the number of records written.
SimDevice::Reply SimDevice::LastFmRecord(const std::string&) {
  if (s_.fmMissing || s_.fmFaulty) return Ack("82");
  const int lastZ = LastZNumber(s_.fm);
  const std::string date =
      s_.fm.empty() ? std::string(kNoReportYet, 10) : LocalTime(s_.fm.back().time, "%d-%m-%Y");
  return Data(date + ";" + Sprintf("%04d", lastZ % 10000) + ";" +
              Sprintf("%04d", static_cast<int>(s_.fm.size()) % 10000));
}

SimDevice::Reply SimDevice::FreeFm(const std::string&) {
  if (s_.fmMissing || s_.fmFaulty) return Ack("82");
  return Data(Sprintf("%d", FreeFmRecords()));
}

std::string SimDevice::FmText() const {
  std::string t;
  auto line = [&](const std::string& cp1251) { t += cp1251 + "\r\n"; };
  line(Cp("ФИСКАЛНА ПАМЕТ"));
  line(Sprintf("%s NV%06d  %s 50%06d", Cp("ФУ №").c_str(), s_.printerNumber, Cp("ФП №").c_str(),
               s_.memoryNumber));
  line(Cp("ЕИК: ") + s_.taxNumber);
  for (const auto& r : s_.fm) {
    const std::string when = LocalTime(r.time, "%d-%m-%Y %H:%M");
    switch (r.type) {
      case FmRecord::kFiscalization:
        line(when + Cp(" ФИСКАЛИЗАЦИЯ ЕИК ") + r.text);
        break;
      case FmRecord::kTaxRates: {
        std::string rates;
        for (int g = 0; g < kGroups; ++g) {
          rates += ' ';
          rates += GroupLetter(g) + "=" + (r.rates[g] < 0 ? "-" : PercentText(r.rates[g]));
        }
        line(when + Cp(" ДАНЪЧНИ СТАВКИ") + rates);
        break;
      }
      case FmRecord::kDecimalPoint:
        line(when + Cp(" ДЕСЕТИЧНА ТОЧКА ") + std::string(1, r.decimals));
        break;
      default: {
        Money total = 0;
        std::string groups;
        for (int g = 0; g < kGroups; ++g) {
          total += RoundToMode(r.totals[g], r.decimals);
          groups += ' ';
          groups += GroupLetter(g) + "=" + MoneyText(r.totals[g], r.decimals);
        }
        line(when + Sprintf(" Z %04d", r.number) + groups + Cp(" ОБЩО=") +
             MoneyText(total, r.decimals));
      }
    }
  }
  line(Sprintf("%s %d", Cp("СВОБОДНИ ЗАПИСИ:").c_str(), FreeFmRecords()));
  // The terminator ends the stream; it must not appear before.
  std::replace(t.begin(), t.end(), '@', ' ');
  return t;
}

// Streams the fiscal memory as text. It prints nothing, so an open receipt
// does not stand in its way.
SimDevice::Reply SimDevice::Download(const std::string&) {
  if (auto r = Refusal(kFm); !r.empty()) return Ack(r);
  Reply rep = Ack("00");
  rep.stream = FmText() + "@";
  return rep;
}

SimDevice::Reply SimDevice::FmReport(const std::vector<const FmRecord*>& records, bool detailed,
                                     const std::string& title) {
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  doc.Center(title);
  doc.Center(Cp(detailed ? "ПОДРОБЕН" : "СЪКРАТЕН"));
  doc.Rule('-');
  // Each record counts as printed, in the mode it was made in; the totals
  // then take two decimals when any record has them (whole numbers are exact
  // in two decimals), and the paper says which.
  std::array<Money, kGroups> sum{};
  char mode = records.empty() ? s_.decimals : '0';
  for (const FmRecord* r : records) {
    if (r->decimals == '2') mode = '2';
    Money total = 0;
    for (int g = 0; g < kGroups; ++g) {
      const Money v = RoundToMode(r->totals[g], r->decimals);
      total += v;
      sum[g] += v;
    }
    doc.LeftRight(Sprintf("Z %04d  ", r->number) + LocalTime(r->time, "%d-%m-%Y"),
                  MoneyText(total, r->decimals));
    if (detailed)
      for (int g = 0; g < kGroups; ++g)
        if (r->totals[g] != 0)
          doc.LeftRight("   " + GroupLetter(g), MoneyText(r->totals[g], r->decimals));
  }
  if (records.empty()) doc.Center(Cp("НЯМА ЗАПИСИ В ПЕРИОДА"));
  doc.Rule('-');
  doc.LeftRight(Cp("ДЕСЕТИЧНА ТОЧКА"), std::string(1, mode));
  Money all = 0;
  for (int g = 0; g < kGroups; ++g) {
    all += sum[g];
    if (sum[g] != 0) doc.LeftRight(Cp("ОБЩО ") + GroupLetter(g), MoneyText(sum[g], mode));
  }
  doc.LeftRight(Cp("ОБЩО"), MoneyText(all, mode));
  doc.LeftRight(Cp("ОТЧЕТИ"), Sprintf("%d", static_cast<int>(records.size())));
  FooterBlock(doc, Cp("ФИСКАЛЕН БОН"));
  Print(doc);
  return Printing();
}

namespace {
bool ParseBlocks(const std::string& data, int& first, int& last) {
  const auto f = Split(data, ';');
  return f.size() == 2 && f[0].size() == 4 && f[1].size() == 4 && ParseInt(f[0], first) &&
         ParseInt(f[1], last) && first >= 1 && last >= first;
}

// "DDMMYY" at 00:00 local time.
bool ParseDay(const std::string& s, std::time_t& out) {
  int v = 0;
  if (s.size() != 6 || !ParseInt(s, v)) return false;
  std::tm tm{};
  tm.tm_mday = v / 10000;
  tm.tm_mon = (v / 100) % 100 - 1;
  tm.tm_year = 100 + v % 100;
  tm.tm_isdst = -1;
  if (tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_mon < 0 || tm.tm_mon > 11) return false;
  out = std::mktime(&tm);
  return out != static_cast<std::time_t>(-1);
}
}  // namespace

SimDevice::Reply SimDevice::FmReportByBlocks(const std::string& data, bool detailed) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  int first = 0, last = 0;
  if (!ParseBlocks(data, first, last)) return Ack("04");
  std::vector<const FmRecord*> list;
  for (const auto& r : s_.fm)
    if (r.type == FmRecord::kZReport && r.number >= first && r.number <= last) list.push_back(&r);
  return FmReport(list, detailed,
                  Cp("ОТЧЕТ НА ФП ПО БЛОКОВЕ ") + Sprintf("%04d-%04d", first, last));
}

SimDevice::Reply SimDevice::FmReportDetailedBlocks(const std::string& data) {
  return FmReportByBlocks(data, true);
}

SimDevice::Reply SimDevice::FmReportShortBlocks(const std::string& data) {
  return FmReportByBlocks(data, false);
}

namespace {
bool ParseDates(const std::string& data, std::time_t& from, std::time_t& to) {
  const auto f = Split(data, ';');
  return f.size() == 2 && ParseDay(f[0], from) && ParseDay(f[1], to) && from <= to;
}
}  // namespace

SimDevice::Reply SimDevice::FmReportByDates(const std::string& data, bool detailed) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  std::time_t from = 0, to = 0;
  if (!ParseDates(data, from, to)) return Ack("04");
  std::vector<const FmRecord*> list;
  for (const auto& r : s_.fm)
    if (r.type == FmRecord::kZReport && r.time >= from && r.time < to + 86400) list.push_back(&r);
  return FmReport(
      list, detailed,
      Cp("ОТЧЕТ НА ФП ") + LocalTime(from, "%d-%m-%Y") + " - " + LocalTime(to, "%d-%m-%Y"));
}

SimDevice::Reply SimDevice::FmReportDetailedDates(const std::string& data) {
  return FmReportByDates(data, true);
}

SimDevice::Reply SimDevice::FmReportShortDates(const std::string& data) {
  return FmReportByDates(data, false);
}

// Fiscalization, tax-rate and decimal-point records.
SimDevice::Reply SimDevice::SpecialFmReport(const std::string&) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  doc.Center(Cp("СПЕЦИАЛЕН ОТЧЕТ НА ФП"));
  doc.Rule('-');
  int n = 0;
  for (const auto& r : s_.fm) {
    const std::string when = LocalTime(r.time, "%d-%m-%Y %H:%M");
    if (r.type == FmRecord::kFiscalization) {
      doc.Line(when + Cp(" ФИСКАЛИЗАЦИЯ"));
      doc.LeftRight(Cp("  ЕИК"), r.text);
    } else if (r.type == FmRecord::kTaxRates) {
      doc.Line(when + Cp(" ДАНЪЧНИ СТАВКИ"));
      for (int g = 0; g < s_.groupCount; ++g)
        doc.LeftRight("  " + GroupLetter(g),
                      r.rates[g] < 0 ? Cp("ЗАБРАНЕНА") : PercentText(r.rates[g]) + "%");
    } else if (r.type == FmRecord::kDecimalPoint) {
      doc.LeftRight(when + Cp(" ДЕСЕТИЧНА ТОЧКА"), std::string(1, r.decimals));
    } else {
      continue;
    }
    ++n;
  }
  if (n == 0) doc.Center(Cp("НЯМА ЗАПИСИ"));
  FooterBlock(doc, Cp("ФИСКАЛЕН БОН"));
  Print(doc);
  return Printing();
}

void SimDevice::DailyReportBody(Document& doc, bool zero) {
  doc.Center(Cp("ДНЕВЕН ФИНАНСОВ ОТЧЕТ"));
  doc.Center(zero ? Cp("Z ОТЧЕТ № ") + Sprintf("%04d", s_.reportNumber) : Cp("X ОТЧЕТ"));
  doc.Rule('-');
  Money total = 0, vatTotal = 0;
  for (int g = 0; g < s_.groupCount; ++g) {
    const Money t = s_.dailyTotals[g];
    total += t;
    const int rate = s_.rates[g];
    doc.LeftRight(Cp("ГРУПА ") + GroupLetter(g) + " " + (rate < 0 ? "--" : PercentText(rate) + "%"),
                  Amount(t));
    if (rate > 0 && t != 0) {
      const Money vat = VatIn(t, rate, s_.decimals);
      vatTotal += vat;
      doc.LeftRight(Cp("   ДДС ") + GroupLetter(g), Amount(vat));
    }
  }
  doc.LeftRight(Cp("ОБЩ ОБОРОТ"), Amount(total));
  doc.LeftRight(Cp("ОБЩО ДДС"), Amount(vatTotal));
  doc.Rule('-');
  for (int t = 0; t < kPayments; ++t)
    doc.LeftRight(s_.paymentNames[t], Amount(s_.dailyPayments[t]));
  doc.Rule('-');
  doc.LeftRight(Cp("КЛИЕНТИ"), Sprintf("%d", s_.daily.customers));
  doc.LeftRight(Cp("ОТСТЪПКИ ") + Sprintf("%d", s_.daily.discounts), Amount(s_.daily.discountSum));
  doc.LeftRight(Cp("НАДБАВКИ ") + Sprintf("%d", s_.daily.surcharges),
                Amount(s_.daily.surchargeSum));
  doc.LeftRight(Cp("ВОЙДИРАНИЯ ") + Sprintf("%d", s_.daily.voids), Amount(s_.daily.voidSum));
  Money in = 0, out = 0;
  for (int t = 0; t < kPayments; ++t) {
    in += s_.serviceIn.sums[t];
    out += s_.serviceOut.sums[t];
  }
  doc.LeftRight(Cp("СЛУЖЕБНО ВНЕСЕНИ ") + Sprintf("%d", s_.serviceIn.count), Amount(in));
  doc.LeftRight(Cp("СЛУЖЕБНО ИЗВЕДЕНИ ") + Sprintf("%d", s_.serviceOut.count), Amount(out));
  doc.LeftRight(Cp("В КАСАТА"),
                Amount(s_.dailyPayments[0] + s_.serviceIn.sums[0] - s_.serviceOut.sums[0]));
}

void SimDevice::ArticleReportBody(Document& doc) {
  doc.Center(Cp("ОТЧЕТ ПО АРТИКУЛИ"));
  doc.Rule('-');
  Money total = 0;
  int n = 0;
  for (const auto& [number, a] : s_.articles) {
    if (a.quantity == 0 && a.turnover == 0) continue;
    ++n;
    total += a.turnover;
    doc.Line(Sprintf("%05d ", number) + a.name);
    doc.LeftRight("  " + QuantityText(a.quantity) + " " + GroupLetter(a.group), Amount(a.turnover));
  }
  if (n == 0) doc.Center(Cp("НЯМА ПРОДАЖБИ"));
  doc.LeftRight(Cp("ОБЩО"), Amount(total));
}

void SimDevice::ZeroDaily() {
  s_.dailyTotals = {};
  s_.dailyPayments = {};
  s_.daily = {};
  s_.serviceIn = {};
  s_.serviceOut = {};
  for (auto& [n, d] : s_.departments) d.turnover = d.quantity = 0;
  s_.dailyUnzeroed = false;
  s_.reportOverflow = false;
  s_.lastReport = Now();
  // The Z reports are numbered by the fiscal memory: before fiscalization a Z
  // report is not recorded there and leaves the number alone.
  if (s_.fiscalized) ++s_.reportNumber;
  s_.journal.clear();
  ++s_.journalNumber;
}

void SimDevice::ZeroArticles() {
  for (auto& [n, a] : s_.articles) a.turnover = a.quantity = 0;
  s_.articlesUnzeroed = false;
  s_.lastArticleReport = Now();
  ++s_.articleReportNumber;
}

void SimDevice::ZeroOperator(int op) {
  OperatorState& o = s_.operators[op - 1];
  o.counters = {};
  o.in = o.out = {};
  o.payments = {};
  o.returned = {};
  o.unzeroed = false;
  o.lastReport = Now();
  ++o.reportNumber;
}

SimDevice::Reply SimDevice::JournalReport() {
  Document doc(s_.headerWidth);
  doc.Center(Cp("ЕЛЕКТРОНЕН ЖУРНАЛ № ") + Sprintf("%04d", s_.journalNumber));
  doc.Rule('=');
  for (const auto& d : s_.journal) doc.RawUtf8(d);
  if (s_.journal.empty()) doc.Center(Cp("НЯМА ДОКУМЕНТИ"));
  doc.Rule('=');
  doc.Center(Cp("КРАЙ НА ЖУРНАЛА"));
  doc.Blank();
  Print(doc, false);
  return Printing();
}

std::string SimDevice::DailyZRefusal() const {
  if (auto r = Refusal(kClock); !r.empty()) return r;
  if (s_.fiscalized && FreeFmRecords() == 0) return "82";
  return "";
}

void SimDevice::CloseDay() {
  if (s_.fiscalized) {
    AddFmRecord(FmRecord::kZReport);
    s_.fm.back().number = s_.reportNumber;
    s_.fm.back().totals = s_.dailyTotals;
  }
  ZeroDaily();
}

// "X", "Z", or "E" (the electronic journal).
SimDevice::Reply SimDevice::DailyReport(const std::string& data) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  if (data == "E") return JournalReport();
  if (data != "X" && data != "Z") return Ack("04");
  const bool zero = data == "Z";
  if (zero)
    if (auto r = DailyZRefusal(); !r.empty()) return Ack(r);
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  DailyReportBody(doc, zero);
  FooterBlock(doc, Cp(zero && s_.fiscalized ? "ФИСКАЛЕН БОН" : "СЛУЖЕБЕН БОН"));
  Print(doc);
  if (zero) CloseDay();
  return Printing();
}

// "X;n" (n = 0 all, 1..9 one operator) or "Z;0".
SimDevice::Reply SimDevice::OperatorReport(const std::string& data) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  int op = 0;
  if (f.size() != 2 || (f[0] != "X" && f[0] != "Z") || !ParseInt(f[1], op) || op > kOperators)
    return Ack("04");
  const bool zero = f[0] == "Z";
  if (zero) op = 0;
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  doc.Center(Cp("ОПЕРАТОРСКИ ОТЧЕТ"));
  doc.Center(zero ? Cp("Z ОТЧЕТ") : Cp("X ОТЧЕТ"));
  for (int i = 1; i <= kOperators; ++i) {
    if (op != 0 && i != op) continue;
    const OperatorState& o = s_.operators[i - 1];
    doc.Rule('-');
    doc.Line(Sprintf("%d ", i) + o.name);
    doc.LeftRight(Cp("  КЛИЕНТИ"), Sprintf("%d", o.counters.customers));
    for (int t = 0; t < kPayments; ++t)
      if (o.payments[t] != 0) doc.LeftRight("  " + s_.paymentNames[t], Amount(o.payments[t]));
    doc.LeftRight(Cp("  ОТСТЪПКИ"), Amount(o.counters.discountSum));
    doc.LeftRight(Cp("  НАДБАВКИ"), Amount(o.counters.surchargeSum));
    doc.LeftRight(Cp("  ВОЙДИРАНИЯ"), Amount(o.counters.voidSum));
  }
  FooterBlock(doc, Cp("СЛУЖЕБЕН БОН"));
  Print(doc);
  if (zero)
    for (int i = 1; i <= kOperators; ++i) ZeroOperator(i);
  return Printing();
}

SimDevice::Reply SimDevice::ArticleReport(const std::string& data) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  if (data != "X" && data != "Z") return Ack("04");
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  ArticleReportBody(doc);
  doc.Center(data == "Z" ? Cp("Z ОТЧЕТ") : Cp("X ОТЧЕТ"));
  FooterBlock(doc, Cp("СЛУЖЕБЕН БОН"));
  Print(doc);
  if (data == "Z") ZeroArticles();
  return Printing();
}

// The daily report followed by the article report.
SimDevice::Reply SimDevice::ExtendedDailyReport(const std::string& data) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  if (data != "X" && data != "Z") return Ack("04");
  const bool zero = data == "Z";
  if (zero)
    if (auto r = DailyZRefusal(); !r.empty()) return Ack(r);
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  doc.Center(Cp("РАЗШИРЕН ДНЕВЕН ОТЧЕТ"));
  DailyReportBody(doc, zero);
  doc.Rule('-');
  ArticleReportBody(doc);
  FooterBlock(doc, Cp(zero && s_.fiscalized ? "ФИСКАЛЕН БОН" : "СЛУЖЕБЕН БОН"));
  Print(doc);
  if (zero) {
    CloseDay();
    ZeroArticles();
  }
  return Printing();
}
