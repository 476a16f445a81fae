// Receipts: fiscal, invoice and service receipts, sales, voids, subtotal,
// payments, closing, the duplicate, service deposits and withdrawals.
#include <cmath>
#include <cstdlib>
#include <optional>

#include "sim/money.h"
#include "sim/sim_device.h"
#include "sim/sim_text.h"

using namespace simtext;

namespace {
// An item text keeps at most this many characters (the host sends 36).
constexpr size_t kItemTextWidth = 36;

bool FiscalOpen(const DeviceState& s) {
  return s.receipt.kind == OpenReceipt::kFiscal || s.receipt.kind == OpenReceipt::kInvoice;
}
}  // namespace

// An amount in the currency of payment type 4, two decimals.
std::string SimDevice::ForeignAmount(Money m) const {
  const double units = static_cast<double>(m) / 100.0 * 100000.0 / s_.exchangeRate;
  return Sprintf("%.2f", units);
}

Money SimDevice::ReceiptTotal() const {
  Money t = 0;
  for (Money g : s_.receipt.groups) t += g;
  return t;
}

void SimDevice::ReceiptPrint(const Document& doc) {
  roll_.Print(doc.Utf8());
  s_.receipt.printed += doc.Utf8();
}

void SimDevice::HeaderBlock(Document& doc) const {
  if (s_.logo && s_.logoBytes.size() == 3902) doc.RawUtf8(LogoBlock());
  bool taxNumberShown = s_.taxNumber.empty();
  for (int i = 1; i <= 7; ++i) {
    if (Trim(s_.header[i]).empty()) continue;
    doc.Line(s_.header[i]);
    taxNumberShown = taxNumberShown || s_.header[i].find(s_.taxNumber) != std::string::npos;
  }
  // The label line and the tax number, unless a header line already shows it.
  if (!taxNumberShown) doc.Center(Trim(s_.header[9]) + " " + s_.taxNumber);
}

void SimDevice::FooterBlock(Document& doc, const std::string& mark) {
  ++s_.receiptNumber;
  doc.Rule('-');
  doc.LeftRight(Cp("№ ") + Sprintf("%07d", s_.receiptNumber), DateTimeText(Now()));
  if (!Trim(s_.header[8]).empty()) doc.Line(s_.header[8]);
  if (!Trim(s_.header[0]).empty()) doc.Center(s_.header[0]);
  doc.Center(mark);
  doc.LeftRight(Sprintf("%s NV%06d", Cp("ФУ №").c_str(), s_.printerNumber),
                Sprintf("%s 50%06d", Cp("ФП №").c_str(), s_.memoryNumber));
  doc.Blank();
}

// "n;password" opens a service receipt.
SimDevice::Reply SimDevice::OpenService(const std::string& data) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  int op = 0;
  if (f.size() < 2 || !ParseInt(f[0], op) || op < 1 || op > kOperators) return Ack("04");
  if (!OperatorOk(op, f[1])) return Ack("92");
  s_.receipt = OpenReceipt{};
  s_.receipt.kind = OpenReceipt::kService;
  s_.receipt.op = op;
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  doc.Line(Cp("ОПЕРАТОР: ") + Sprintf("%d ", op) + s_.operators[op - 1].name);
  doc.Rule('-');
  ReceiptPrint(doc);
  return Ack("00");
}

SimDevice::Reply SimDevice::CloseService(const std::string&) {
  if (s_.receipt.kind != OpenReceipt::kService) return Ack("02");
  if (s_.paperOut) return Ack("12");
  Document doc(s_.headerWidth);
  FooterBlock(doc, Cp("СЛУЖЕБЕН БОН"));
  ReceiptPrint(doc);
  s_.journal.push_back(s_.receipt.printed);
  s_.receipt = OpenReceipt{};
  return Ack("00");
}

// "n;password;detailed;withVat" or, for an invoice,
// "n;password;0;0;1;recipient;buyer;vat number;id number;address;".
SimDevice::Reply SimDevice::OpenFiscal(const std::string& data) {
  if (auto r = Refusal(kFm | kClock | kPaper | kNoReceipt | kNoOverflow | kFmSpace); !r.empty())
    return Ack(r);
  const auto f = Split(data, ';');
  int op = 0;
  if (f.size() < 4 || !ParseInt(f[0], op) || op < 1 || op > kOperators) return Ack("04");
  if (!OperatorOk(op, f[1])) return Ack("92");
  const bool invoice = f.size() >= 5 && f[4] == "1";
  if (invoice) {
    if (f.size() < 10) return Ack("04");
    if (s_.invoiceLast == 0 || s_.invoiceNext < s_.invoiceFirst || s_.invoiceNext > s_.invoiceLast)
      return Ack("F2");
  }
  s_.receipt = OpenReceipt{};
  OpenReceipt& r = s_.receipt;
  r.kind = invoice ? OpenReceipt::kInvoice : OpenReceipt::kFiscal;
  r.op = op;
  r.detailed = f[2] == "1";
  r.withVat = f[3] == "1" || invoice;
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  if (invoice) {
    r.invoiceNumber = s_.invoiceNext;
    doc.Center(Cp("ФАКТУРА № ") + Sprintf("%010lld", static_cast<long long>(r.invoiceNumber)));
    doc.Line(Cp("Получател: ") + Trim(f[5]));
    doc.Line(Cp("МОЛ: ") + Trim(f[6]));
    doc.Line(Cp("ДДС №: ") + Trim(f[7]));
    doc.Line(Cp("ЕИК: ") + Trim(f[8]));
    doc.Line(Cp("Адрес: ") + Trim(f[9]));
  }
  doc.Line(Cp("ОПЕРАТОР: ") + Sprintf("%d ", op) + s_.operators[op - 1].name);
  doc.Rule('-');
  ReceiptPrint(doc);
  return Ack("00");
}

// Splits "price*quantity,percent%" style tails. The price is everything before
// the first '*' or ','.
namespace {
struct Amounts {
  std::string price;
  int64_t quantity = 1000;
  int percent = 0;
  bool ok = true;
  bool zeroQuantity = false;
};

Amounts ParseTail(const std::string& text) {
  Amounts a;
  const size_t star = text.find('*');
  const size_t comma = text.find(',');
  const size_t priceEnd = std::min(star, comma);
  a.price = text.substr(0, priceEnd);
  if (star != std::string::npos) {
    if (comma != std::string::npos && comma < star) {
      a.ok = false;
      return a;
    }
    const auto q = ParseNumber(
        text.substr(star + 1, comma == std::string::npos ? std::string::npos : comma - star - 1));
    if (!q || *q < 0 || *q > 999999.999) {
      a.ok = false;
      return a;
    }
    a.quantity = std::llround(*q * 1000.0);
    if (a.quantity == 0) a.zeroQuantity = true;
  }
  if (comma != std::string::npos) {
    std::string p = text.substr(comma + 1);
    if (p.empty() || p.back() != '%') {
      a.ok = false;
      return a;
    }
    p.pop_back();
    const auto v = ParseNumber(p);
    if (!v || std::fabs(*v) > 99.99) {
      a.ok = false;
      return a;
    }
    a.percent = static_cast<int>(std::lround(*v * 100.0));
  }
  return a;
}
}  // namespace

SimDevice::Reply SimDevice::Sell(const std::string& text, int group, Money price,
                                 const std::string& rest, int article, int department) {
  OpenReceipt& r = s_.receipt;
  const Amounts a = ParseTail(rest);
  if (!a.ok) return Ack("04");
  if (a.zeroQuantity || price == 0) return Ack("06");
  if (group < 0 || group >= s_.groupCount || s_.rates[group] < 0) return Ack("09");
  ReceiptLine line;
  line.text = TrimRight(text.substr(0, kItemTextWidth));
  line.group = group;
  line.price = price;
  line.quantity = a.quantity;
  line.value = Scale(price, a.quantity, s_.decimals);
  line.adjustment = Percent(line.value, a.percent, s_.decimals);
  line.article = article;
  line.department = department;
  const Money amount = line.value + line.adjustment;
  if (price < 0) {
    // A void takes back (part of) an earlier sale of the same item, never more
    // than was sold of it nor more than its group holds: no register may turn
    // negative.
    int64_t sold = 0;
    Money soldValue = 0;
    for (const auto& l : r.lines)
      if (l.text == line.text && l.group == group && l.article == article &&
          l.department == department && std::llabs(l.price) == -price) {
        sold += l.price > 0 ? l.quantity : -l.quantity;
        soldValue += l.value + l.adjustment;
      }
    if (sold < a.quantity || soldValue + amount < 0 || r.groups[group] + amount < 0)
      return Ack("07");
  }
  OpenReceipt next = r;
  next.groups[group] += amount;
  next.lines.push_back(line);
  if (price < 0) {
    // A void takes its adjustment back with it: only sales count discounts
    // and surcharges.
    ++next.counters.voids;
    next.counters.voidSum += -amount;
  } else {
    ++next.purchases;
    if (line.adjustment < 0) {
      ++next.counters.discounts;
      next.counters.discountSum += -line.adjustment;
    } else if (line.adjustment > 0) {
      ++next.counters.surcharges;
      next.counters.surchargeSum += line.adjustment;
    }
  }
  if (auto refusal = RegisterRefusal(next); !refusal.empty()) return Ack(refusal);
  r = std::move(next);
  Document doc(s_.headerWidth);
  if (price < 0) doc.Line(Cp("ВОЙД"));
  if (a.quantity != 1000)
    doc.Line("  " + QuantityText(a.quantity) + " x " + Amount(std::llabs(price)));
  // A text too long to stand beside its amount takes lines of its own.
  const std::string amountText = Amount(line.value) + " " + GroupLetter(group);
  if (line.text.size() + 1 + amountText.size() > static_cast<size_t>(doc.Width())) {
    for (size_t at = 0; at < line.text.size(); at += static_cast<size_t>(doc.Width()))
      doc.Line(line.text.substr(at, static_cast<size_t>(doc.Width())));
    doc.Right(amountText);
  } else {
    doc.LeftRight(line.text, amountText);
  }
  if (line.adjustment != 0)
    doc.LeftRight(Cp(a.percent < 0 ? "  ОТСТЪПКА " : "  НАДБАВКА ") + PercentText(a.percent) + "%",
                  Amount(line.adjustment));
  ReceiptPrint(doc);
  return Ack("00");
}

namespace {
// The refusal of a sale or void in the present state, "" when one may be made.
std::string SaleRefusal(const DeviceState& s) {
  if (!FiscalOpen(s)) return "02";
  if (s.paperOut) return "12";
  if (s.receipt.paymentStarted) return "02";
  return "";
}

// "text;X;price[*quantity][,percent%]" with a one-byte field X.
struct SaleFields {
  std::string text;
  unsigned char code = 0;  // X
  std::string tail;        // from the price on
};

std::optional<SaleFields> SplitSale(const std::string& data) {
  const size_t second = data.rfind(';');
  if (second == std::string::npos || second == 0) return std::nullopt;
  const size_t first = data.rfind(';', second - 1);
  if (first == std::string::npos || second - first != 2) return std::nullopt;
  return SaleFields{data.substr(0, first), static_cast<unsigned char>(data[first + 1]),
                    data.substr(second + 1)};
}

// The price at the head of a sale's tail; `rest` receives the quantity and
// percentage part after it.
std::optional<Money> TailPrice(const std::string& tail, char decimals, std::string& rest) {
  const std::string price = ParseTail(tail).price;
  rest = tail.substr(price.size());
  return ParseMoney(price, decimals);
}
}  // namespace

// "text;G;price[*quantity][,percent%]": a free sale; a negative price voids.
SimDevice::Reply SimDevice::SellFree(const std::string& data) {
  if (auto r = SaleRefusal(s_); !r.empty()) return Ack(r);
  const auto f = SplitSale(data);
  if (!f || f->code < 0xC0 || f->code > 0xC7) return Ack("04");
  std::string rest;
  const auto price = TailPrice(f->tail, s_.decimals, rest);
  if (!price) return Ack("04");
  return Sell(f->text, f->code - 0xC0, *price, rest, 0, 0);
}

// " nnnnn[*quantity][,percent%]" sells a programmed article; '-' first voids.
SimDevice::Reply SimDevice::SellArticle(const std::string& data) {
  if (auto r = SaleRefusal(s_); !r.empty()) return Ack(r);
  if (data.size() < 6 || (data[0] != ' ' && data[0] != '-')) return Ack("04");
  int number = 0;
  if (!ParseInt(data.substr(1, 5), number) || number < 1 || number > kArticles) return Ack("04");
  const auto it = s_.articles.find(number);
  if (it == s_.articles.end() || it->second.name.empty()) return Ack("F2");
  const ArticleState& art = it->second;
  const Money price = data[0] == '-' ? -art.price : art.price;
  return Sell(art.name, art.group, price, data.substr(6), number, art.department);
}

// "text;<0x80+department>;price[*quantity][,percent%]".
SimDevice::Reply SimDevice::SellDepartment(const std::string& data) {
  if (auto r = SaleRefusal(s_); !r.empty()) return Ack(r);
  const auto f = SplitSale(data);
  if (!f) return Ack("04");
  const int number = f->code - 0x80;
  if (number < 1 || number > kDepartments) return Ack("04");
  const auto it = s_.departments.find(number);
  if (it == s_.departments.end() || it->second.name.empty()) return Ack("F2");
  std::string rest;
  const auto price = TailPrice(f->tail, s_.decimals, rest);
  if (!price) return Ack("04");
  std::string text = TrimRight(f->text);
  if (text.empty()) text = it->second.name;
  return Sell(text, it->second.group, *price, rest, 0, number);
}

// "print;display[:amount|,percent%]": answers the subtotal.
SimDevice::Reply SimDevice::Subtotal(const std::string& data) {
  if (!FiscalOpen(s_)) return Ack("02");
  if (data.size() < 3 || data[1] != ';') return Ack("04");
  const bool print = data[0] == '1';
  const bool display = data[2] == '1';
  const std::string rest = data.substr(3);
  OpenReceipt& r = s_.receipt;
  const Money total = ReceiptTotal();
  Money adj = 0;
  int percent = 0;
  if (!rest.empty()) {
    if (r.paymentStarted) return Ack("02");
    if (rest[0] == ':') {
      const auto v = ParseMoney(rest.substr(1), s_.decimals);
      if (!v) return Ack("04");
      adj = *v;
    } else if (rest[0] == ',' && rest.back() == '%') {
      const auto v = ParseNumber(rest.substr(1, rest.size() - 2));
      if (!v || std::fabs(*v) > 99.99) return Ack("04");
      percent = static_cast<int>(std::lround(*v * 100.0));
      adj = Percent(total, percent, s_.decimals);
    } else {
      return Ack("04");
    }
    if (adj != 0 && total <= 0) return Ack("02");
    if (total + adj < 0) return Ack("08");
  }
  if (print && s_.paperOut) return Ack("12");
  if (adj != 0) {
    OpenReceipt next = r;
    SpreadAdjustment(next, adj);
    if (adj < 0) {
      ++next.counters.discounts;
      next.counters.discountSum += -adj;
    } else {
      ++next.counters.surcharges;
      next.counters.surchargeSum += adj;
    }
    if (auto refusal = RegisterRefusal(next); !refusal.empty()) return Ack(refusal);
    r = std::move(next);
  }
  // Once payments have begun the subtotal is what is left to pay; a host reads
  // it to learn whether the receipt can be closed.
  const Money now = std::max<Money>(0, ReceiptTotal() - r.paidTotal);
  if (print || adj != 0) {
    Document doc(s_.headerWidth);
    doc.LeftRight(Cp("МЕЖДИННА СУМА"), Amount(total));
    if (adj != 0) {
      const std::string what = Cp(adj < 0 ? "ОТСТЪПКА" : "НАДБАВКА");
      doc.LeftRight(percent != 0 ? what + " " + PercentText(percent) + "%" : what, Amount(adj));
    }
    ReceiptPrint(doc);
  }
  if (display) {
    s_.display[0] = Fit(Cp("МЕЖДИННА СУМА"), 20, Align::kLeft);
    s_.display[1] = Fit(Amount(now), 20, Align::kRight);
    ShowDisplay();
  }
  return Data(Field(now, s_.decimals == '2' ? 10 : 9));
}

void SimDevice::PrintTotals() {
  OpenReceipt& r = s_.receipt;
  if (r.totalsPrinted) return;
  r.totalsPrinted = true;
  Document doc(s_.headerWidth);
  doc.Rule('-');
  if (r.withVat || r.detailed) {
    for (int g = 0; g < kGroups; ++g) {
      if (r.groups[g] == 0 || s_.rates[g] < 0) continue;
      const Money vat = VatIn(r.groups[g], s_.rates[g], s_.decimals);
      doc.LeftRight(Cp("ДДС ") + GroupLetter(g) + " = " + PercentText(s_.rates[g]) + "%",
                    Amount(vat));
    }
  }
  for (int g = 0; g < kGroups; ++g)
    if (r.groups[g] != 0)
      doc.LeftRight(Cp("ОБЛАГАЕМА СУМА ") + GroupLetter(g), Amount(r.groups[g]));
  doc.LeftRight(Cp("ОБЩА СУМА"), Amount(ReceiptTotal()));
  // With currency printing on, the total also in the currency of payment type 4.
  if (s_.currency && s_.exchangeRate > 0)
    doc.LeftRight(s_.paymentNames[4], ForeignAmount(ReceiptTotal()));
  ReceiptPrint(doc);
}

// "type;noChange;amount;changeType;".
SimDevice::Reply SimDevice::Pay(const std::string& data) {
  if (!FiscalOpen(s_)) return Ack("02");
  if (s_.paperOut) return Ack("12");
  const auto f = Split(data, ';');
  int type = 0, changeType = 0;
  if (f.size() < 4 || !ParseInt(f[0], type) || type < 0 || type >= kPayments ||
      (f[1] != "0" && f[1] != "1") || !ParseInt(f[3], changeType) || changeType > 2)
    return Ack("04");
  const auto amount = ParseMoney(f[2], s_.decimals);
  if (!amount || *amount < 0) return Ack("04");
  if (*amount == 0) return Ack("06");
  OpenReceipt& r = s_.receipt;
  const Money total = ReceiptTotal();
  if (total <= 0 || r.paymentFinished) return Ack("02");
  // The payment as it would stand, checked against the registers before
  // anything is printed.
  OpenReceipt next = r;
  next.paid[type] += *amount;
  next.paidTotal += *amount;
  next.paymentStarted = true;
  Money change = 0;
  int changeIn = 0;
  if (next.paidTotal >= total) {
    next.paymentFinished = true;
    // Without change ("no change" set) the surplus stays with the shop.
    change = f[1] == "1" ? 0 : next.paidTotal - total;
    changeIn = changeType == 0 ? 0 : changeType == 1 ? type : 4;
    next.paid[changeIn] -= change;
  }
  if (auto refusal = RegisterRefusal(next); !refusal.empty()) return Ack(refusal);
  if (change > 0 &&
      std::llabs(s_.operators[r.op - 1].returned[changeIn] + change) > kRegisterLimit) {
    s_.reportOverflow = true;
    return Ack("25");
  }
  r = std::move(next);
  PrintTotals();
  Document doc(s_.headerWidth);
  doc.LeftRight(s_.paymentNames[type], Amount(*amount));
  if (type == 4 && s_.exchangeRate > 0)
    doc.Line("  " + ForeignAmount(*amount) + " x " +
             Sprintf("%.5f", static_cast<double>(s_.exchangeRate) / 100000.0));
  if (r.paymentFinished) {
    s_.lastChange = change;
    s_.lastChangeType = changeIn;
    if (change > 0)
      doc.LeftRight(changeIn == 0 ? Cp("РЕСТО") : Cp("РЕСТО ") + s_.paymentNames[changeIn],
                    Amount(change));
  } else {
    doc.LeftRight(Cp("ОСТАТЪК"), Amount(total - r.paidTotal));
  }
  ReceiptPrint(doc);
  return Ack("00");
}

// A free text line: in an open receipt, or on its own as a line of a listing
// (operator lists are printed this way and ended with paper feed and 0x29).
SimDevice::Reply SimDevice::Text(const std::string& data) {
  if (auto r = Refusal(kFm | kPaper); !r.empty()) return Ack(r);
  Document doc(s_.headerWidth);
  doc.Line(data.substr(0, 34));
  if (s_.receipt.kind == OpenReceipt::kNone)
    Print(doc);
  else
    ReceiptPrint(doc);
  return Ack("00");
}

SimDevice::Reply SimDevice::CloseFiscal(const std::string&) {
  if (!FiscalOpen(s_)) return Ack("02");
  if (s_.paperOut) return Ack("12");
  OpenReceipt& r = s_.receipt;
  const Money total = ReceiptTotal();
  if (total > 0 && !r.paymentFinished) return Ack("52");
  if (r.lines.empty()) return CancelEmptyReceipt();
  PrintTotals();
  Document doc(s_.headerWidth);
  doc.LeftRight(Cp("ОПЕРАТОР ") + Sprintf("%d", r.op),
                Sprintf("%d ", r.purchases) + Cp("АРТИКУЛА"));
  FooterBlock(doc, Cp(s_.fiscalized ? "ФИСКАЛЕН БОН" : "НЕФИСКАЛЕН БОН"));
  ReceiptPrint(doc);

  // The day's registers take the receipt only now that it is complete.
  bool overflow = false;
  for (int g = 0; g < kGroups; ++g) {
    s_.dailyTotals[g] += r.groups[g];
    overflow = overflow || std::llabs(s_.dailyTotals[g]) > kRegisterLimit;
  }
  OperatorState& op = s_.operators[r.op - 1];
  for (int t = 0; t < kPayments; ++t) {
    s_.dailyPayments[t] += r.paid[t];
    op.payments[t] += r.paid[t];
  }
  if (s_.lastChange > 0 && r.paymentFinished) op.returned[s_.lastChangeType] += s_.lastChange;
  for (ReceiptCountersState* c : {&s_.daily, &op.counters}) {
    c->customers += 1;
    c->discounts += r.counters.discounts;
    c->discountSum += r.counters.discountSum;
    c->surcharges += r.counters.surcharges;
    c->surchargeSum += r.counters.surchargeSum;
    c->voids += r.counters.voids;
    c->voidSum += r.counters.voidSum;
  }
  for (const auto& l : r.lines) {
    const int64_t q = l.price > 0 ? l.quantity : -l.quantity;
    const Money v = l.value + l.adjustment;
    if (l.article > 0) {
      auto& a = s_.articles[l.article];
      a.turnover += v;
      a.quantity += q;
      s_.articlesUnzeroed = true;
    }
    if (l.department > 0) {
      auto& d = s_.departments[l.department];
      d.turnover += v;
      d.quantity += q;
    }
  }
  if (overflow) s_.reportOverflow = true;
  s_.dailyUnzeroed = true;
  op.unzeroed = true;
  if (r.kind == OpenReceipt::kInvoice) ++s_.invoiceNext;
  s_.lastReceipt = r.printed;
  s_.duplicatePending = true;
  s_.journal.push_back(r.printed);
  s_.receipt = OpenReceipt{};
  return Ack("00");
}

// A fiscal receipt with nothing sold is no fiscal receipt: closing it cancels
// it. Its paper is numbered and kept in the journal, but no register, counter
// or invoice number takes it, and it leaves nothing to duplicate. (Refusing to
// close it would leave the printer stuck with it: the host's status check puts
// an open receipt right with this very command.)
SimDevice::Reply SimDevice::CancelEmptyReceipt() {
  Document doc(s_.headerWidth);
  FooterBlock(doc, Cp("АНУЛИРАН БОН"));
  ReceiptPrint(doc);
  s_.journal.push_back(s_.receipt.printed);
  s_.receipt = OpenReceipt{};
  return Ack("00");
}

SimDevice::Reply SimDevice::Duplicate(const std::string&) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  if (!s_.duplicatePending || s_.lastReceipt.empty()) return Ack("02");
  Document doc(s_.headerWidth);
  doc.Center(Cp("ДУБЛИКАТ"));
  doc.RawUtf8(s_.lastReceipt);
  doc.Center(Cp("ДУБЛИКАТ"));
  doc.Blank();
  Print(doc);
  s_.duplicatePending = false;
  return Ack("00");
}

// "n;password;type;amount": a deposit (amount > 0) or a withdrawal.
SimDevice::Reply SimDevice::ServiceSum(const std::string& data) {
  if (auto r = Refusal(kFm | kClock | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  const auto f = Split(data, ';');
  int op = 0, type = 0;
  if (f.size() < 4 || !ParseInt(f[0], op) || op < 1 || op > kOperators || !ParseInt(f[2], type) ||
      type < 0 || type >= kPayments)
    return Ack("04");
  if (!OperatorOk(op, f[1])) return Ack("92");
  const auto amount = ParseMoney(f[3], s_.decimals);
  if (!amount) return Ack("04");
  if (*amount == 0) return Ack("06");
  const bool deposit = *amount > 0;
  const Money sum = std::llabs(*amount);
  if (!deposit) {
    const Money available =
        s_.dailyPayments[type] + s_.serviceIn.sums[type] - s_.serviceOut.sums[type];
    if (sum > available) return Ack("08");
  }
  OperatorState& o = s_.operators[op - 1];
  ServiceSumsState& day = deposit ? s_.serviceIn : s_.serviceOut;
  ServiceSumsState& mine = deposit ? o.in : o.out;
  if (auto r = ServiceSumRefusal(day, mine, type, sum); !r.empty()) return Ack(r);
  day.sums[type] += sum;
  ++day.count;
  mine.sums[type] += sum;
  ++mine.count;
  s_.dailyUnzeroed = true;
  o.unzeroed = true;
  Document doc(s_.headerWidth);
  HeaderBlock(doc);
  doc.Line(Cp("ОПЕРАТОР: ") + Sprintf("%d ", op) + o.name);
  doc.Rule('-');
  doc.LeftRight(Cp(deposit ? "СЛУЖЕБНО ВНЕСЕНИ" : "СЛУЖЕБНО ИЗВЕДЕНИ"), "");
  doc.LeftRight(s_.paymentNames[type], Amount(deposit ? sum : -sum));
  FooterBlock(doc, Cp("СЛУЖЕБЕН БОН"));
  Print(doc);
  return Ack("00");
}

SimDevice::Reply SimDevice::LastReceiptNumber(const std::string&) {
  return Data(Sprintf("%04d", s_.receiptNumber % 10000));
}

// open;purchases;А;Б;В;voidForbidden;withVat;detailed;paymentStarted;
// paymentFinished;0;invoice;lastChange;lastChangeType;Г;Д;Е;Ж;З
SimDevice::Reply SimDevice::ReceiptStatus(const std::string&) {
  const OpenReceipt& r = s_.receipt;
  const bool open = FiscalOpen(s_);
  auto b = [](bool v) { return v ? "1" : "0"; };
  std::string out = b(open);
  auto add = [&out](const std::string& field) {
    out += ';';
    out += field;
  };
  add(Sprintf("%03d", std::min(r.purchases, 999)));
  for (int g = 0; g < 3; ++g) add(Field(r.groups[g]));
  for (bool v : {r.paymentStarted, r.withVat, r.detailed, r.paymentStarted, r.paymentFinished,
                 false, r.kind == OpenReceipt::kInvoice})
    add(b(v));
  add(Field(s_.lastChange));
  add(Sprintf("%d", s_.lastChangeType));
  for (int g = 3; g < kGroups; ++g) add(Field(r.groups[g]));
  return Data(out);
}
