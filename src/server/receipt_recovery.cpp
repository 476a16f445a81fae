#include "server/receipt_recovery.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "server/netfp_device.h"
#include "server/printer_service.h"
#include "server/receipt_rules.h"
#include "server/receipt_total.h"

using nlohmann::json;

namespace {

constexpr char kTwoDecimalsMode = '2';
// Document numbers as the printer tells them wrap after four digits.
constexpr int kNumberWrap = 10000;

long long Cents(double amount) {
  return std::llround(amount * 100);
}

std::string Money(double amount) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", amount);
  return buf;
}

// "card (type 1)": the protocol's name the server takes for the type.
std::string TypeName(const PaymentTypeMap& names, int type) {
  for (const auto& name : PaymentTypeMap::Names())
    if (names.Find(name) == type) return name + " (type " + std::to_string(type) + ")";
  return "payment type " + std::to_string(type);
}

std::string Sell(FiscalPrinter& printer, const RequestLine& line, double price) {
  if (line.department > 0)
    return printer.SellInDepartment(line.text, line.department, price, line.quantity, line.percent);
  return printer.SellItem(line.text, line.taxGroup, price, line.quantity, line.percent);
}

// The printer stopped answering, or its status check stopped the command (no
// paper): the step may succeed later. A refusal of the command itself will not.
bool ForNow(const FiscalPrinter& printer) {
  const CallEnd end = printer.LastOutcome().end;
  return end == CallEnd::kLinkFailed || end == CallEnd::kStatusRefused;
}

SettleResult NotNow(const FiscalPrinter& printer, const std::string& step) {
  SettleResult r;
  r.how = Settled::kNotNow;
  const std::string why = printer.LastOutcome().message;
  r.words = step + ": " + (why.empty() ? "the printer did not answer" : why);
  return r;
}

double Sum(const std::array<double, 8>& groups) {
  double total = 0;
  for (double g : groups) total += g;
  return total;
}

// Reads what a closed receipt shows the host: its number, the clock, the
// fiscal memory's serial number.
void ReadClosed(FiscalPrinter& printer, SettleResult& r) {
  int number = 0;
  if (CallDone(printer.ReadLastReceiptNumber(number), printer.LastOutcome()))
    r.receiptNumber = number;
  std::time_t t = 0;
  if (CallDone(printer.ReadDateTime(t), printer.LastOutcome())) r.time = FormatDeviceTime(t);
  std::string serial;
  ReadSerialNumbers(printer, serial, r.fiscalMemorySerialNumber);
}

using Groups = std::array<int64_t, ReceiptRules::kGroups>;

// A surcharge of the smallest part of its group's share can still round to a
// unit less than asked: bounded rounds of surcharges bring the last short
// groups up to their sales.
constexpr int kShortRounds = 3;

Groups GroupUnits(const ReceiptState& state, const ReceiptRules& rules) {
  Groups g{};
  for (size_t i = 0; i < g.size(); ++i) g[i] = AmountToUnits(state.groupSubtotals[i], rules);
  return g;
}

int64_t SumOf(const Groups& g) {
  int64_t total = 0;
  for (int64_t v : g) total += v;
  return total;
}

// The most the plan's discounts on the subtotal can have taken off once
// `sold` sales were registered (a change after the last of them may or may
// not have been sent). A plan of an older version does not tell: no bound.
int64_t DiscountBound(const SettlePlan& plan, size_t sold, const ReceiptRules& rules) {
  if (!plan.changesKnown) return std::numeric_limits<int64_t>::max();
  int64_t bound = 0;
  for (const auto& c : plan.changes)
    if (static_cast<size_t>(c.afterSales) <= sold && c.amount < 0)
      bound += AmountToUnits(-c.amount, rules);
  return bound;
}

// The plan's surcharges on the subtotal once `sold` sales were registered (0
// for a plan of an older version).
int64_t SurchargeBound(const SettlePlan& plan, size_t sold, const ReceiptRules& rules) {
  int64_t bound = 0;
  for (const auto& c : plan.changes)
    if (static_cast<size_t>(c.afterSales) <= sold && c.amount > 0)
      bound += AmountToUnits(c.amount, rules);
  return bound;
}

// Before any payment: every sale the printer registered is voided, then the
// receipt is closed with nothing in it.
//
// The printer voids no sale that would take its tax group below zero. A
// discount on the subtotal took its share off every group, so a group holds
// less than its sales and the last void in it would be refused: a surcharge
// of the same amount is made first, which puts the groups back. Both are
// spread over the groups in proportion, each share rounded, so a group may
// still lack a unit for its last void; the void refused, a surcharge just
// large enough for that group's share to make it up follows, and the void is
// sent again. Once every sale is voided, what the surcharges (or a surcharge
// of the receipt) left over is no sale: a discount of exactly that takes every
// group to zero, and the receipt closes with the day's registers and the
// drawer as they were.
SettleResult VoidAndClose(FiscalPrinter& printer, PolicyHost& host, const SettlePlan& plan,
                          const ReceiptState& state) {
  SettleResult r;
  auto notNow = [&](const std::string& step) {
    const int voided = r.voided;
    const bool changed = r.subtotalChanged;
    r = NotNow(printer, step);
    r.voided = voided;
    r.subtotalChanged = changed;
    return r;
  };
  char mode = 0;
  if (!CallSucceeded(printer, host, printer.ReadDecimalPoint(mode)))
    return notNow("reading the decimal mode");
  ReceiptRules rules;
  rules.twoDecimals = mode == kTwoDecimalsMode;
  std::string changed;     // the subtotal changes made, in words
  int64_t surcharged = 0;  // by the surcharges made
  // A discount (negative units) or a surcharge on the subtotal.
  auto change = [&](int64_t units, const std::string& step) {
    double subtotal = 0;
    const double amount = UnitsToAmount(units, rules);
    if (CallSucceeded(printer, host, printer.Subtotal(subtotal, amount, true, true, false))) {
      r.subtotalChanged = true;
      if (units > 0) surcharged += units;
      changed += (changed.empty() ? "" : ", ") + std::string(units < 0 ? "" : "+") +
                 UnitsText(units, rules);
      return true;
    }
    if (ForNow(printer)) {
      notNow(step);
    } else {
      r.how = Settled::kCannot;
      r.words = "the printer refused the " + std::string(units < 0 ? "discount" : "surcharge") +
                " of " + UnitsText(units < 0 ? -units : units, rules) +
                " on the subtotal; close the receipt at the printer";
    }
    return false;
  };
  auto read = [&](Groups& groups) {
    ReceiptState now;
    if (!CallSucceeded(printer, host, printer.ReadReceiptState(now))) return false;
    groups = GroupUnits(now, rules);
    return true;
  };

  const size_t sold =
      std::min(static_cast<size_t>(std::max(state.purchases, plan.soldKnown)), plan.sales.size());
  std::vector<int64_t> amounts;
  int64_t sales = 0;
  for (size_t i = 0; i < sold; ++i) {
    amounts.push_back(SaleUnits(plan.sales[i], rules));
    sales += amounts.back();
  }
  Groups groups = GroupUnits(state, rules);
  const int64_t discounted = std::min(sales - SumOf(groups), DiscountBound(plan, sold, rules));
  // After an attempt that changed the subtotal in vain, only voids and the close.
  const bool changes = !plan.changesFailed;
  if (changes && discounted > 0 && SumOf(groups) > 0 &&
      !change(discounted, "taking back the discount"))
    return r;

  std::vector<size_t> pending;
  for (size_t i = 0; i < sold; ++i) pending.push_back(i);
  for (int round = 0;; ++round) {
    std::vector<size_t> refused;
    for (size_t i : pending) {
      const RequestLine& line = plan.sales[i];
      if (CallSucceeded(printer, host, Sell(printer, line, -line.unitPrice))) {
        ++r.voided;
        continue;
      }
      if (ForNow(printer)) return notNow("voiding the sales");
      refused.push_back(i);
    }
    if (refused.empty()) break;
    if (!read(groups)) return notNow("reading the receipt");
    // A group that holds what its refused sales come to refused them because
    // an earlier attempt voided them; one that holds less (but something) is
    // short by the rounding of a discount.
    Groups wanted{};
    for (size_t i : refused) wanted[static_cast<size_t>(plan.sales[i].taxGroup)] += amounts[i];
    const int64_t total = SumOf(groups);
    int64_t surcharge = 0;
    std::vector<size_t> shortOf;
    for (size_t i : refused) {
      const auto g = static_cast<size_t>(plan.sales[i].taxGroup);
      if (groups[g] <= 0 || wanted[g] <= groups[g]) continue;
      shortOf.push_back(i);
      // The printer gives the group about surcharge * group / total of it.
      surcharge =
          std::max(surcharge, ((wanted[g] - groups[g]) * total + groups[g] - 1) / groups[g]);
    }
    if (shortOf.empty()) break;
    if (round == kShortRounds || !changes) {
      r.how = Settled::kCannot;
      r.words = "the receipt stays open: the printer refused to void " +
                std::to_string(shortOf.size()) + " sale(s) after " + std::to_string(r.voided) +
                " were voided; close it at the printer";
      return r;
    }
    if (!change(surcharge, "making up a tax group for its voids")) return r;
    pending = shortOf;
  }
  if (!read(groups)) return notNow("reading the receipt");
  // What is left once every sale is voided can only come of surcharges: the
  // plan's, these, and an earlier attempt's (at most what it took back, and
  // as much again to make groups up). More is a sale this plan does not know
  // (another's receipt): it is never taken off.
  const int64_t bound = DiscountBound(plan, sold, rules);
  const bool boundKnown = bound != std::numeric_limits<int64_t>::max();
  if (changes && SumOf(groups) > 0 &&
      SumOf(groups) <=
          surcharged + SurchargeBound(plan, sold, rules) + (boundKnown ? 2 * bound : 0)) {
    if (!change(-SumOf(groups), "taking off what the voids left")) return r;
    if (!read(groups)) return notNow("reading the receipt");
  }
  for (int64_t g : groups) {
    if (g == 0) continue;
    r.how = Settled::kCannot;
    r.words = "the receipt stays open: after voiding " + std::to_string(r.voided) +
              " sale(s) its subtotal is still " + UnitsText(SumOf(groups), rules) +
              " (the printer refused a void); close it at the printer";
    return r;
  }
  if (!CallSucceeded(printer, host, printer.CloseFiscalReceipt())) {
    if (ForNow(printer)) return notNow("closing the voided receipt");
    r.how = Settled::kCannot;
    r.words = "the printer refused to close the voided receipt";
    return r;
  }
  r.how = Settled::kCancelled;
  r.words = "voided " + std::to_string(r.voided) + " sale(s)" +
            (changed.empty() ? ""
                             : " (the subtotal changed by " + changed +
                                   " to take back its discounts and surcharges)") +
            " and closed the receipt: nothing was sold";
  return r;
}

// After payment started: the rest, in the payments the client sent that the
// printer has not registered yet, each at most what is left; then the close.
SettleResult PayRestAndClose(FiscalPrinter& printer, PolicyHost& host, const SettlePlan& plan,
                             const ReceiptState& state, const PaymentTypeMap& names) {
  SettleResult r;
  double rest = 0;
  if (!CallSucceeded(printer, host, printer.Subtotal(rest, 0, false, false, false)))
    return NotNow(printer, "reading what is left to pay");
  const double total = Sum(state.groupSubtotals);
  std::vector<ReceiptPaymentLine> payments = plan.payments;
  if (payments.empty()) payments.push_back(ReceiptPaymentLine{0, std::nullopt});
  // The payments already registered are those whose amounts add up to what
  // was paid, in the order sent.
  const long long paid = Cents(total) - Cents(rest);
  size_t next = payments.size();
  long long prefix = 0;
  double given = 0;
  for (const auto& p : payments) given += p.amount.value_or(0);
  for (size_t i = 0; i <= payments.size(); ++i) {
    if (prefix == paid) {
      next = i;
      break;
    }
    if (i == payments.size()) break;
    prefix += payments[i].amount ? Cents(*payments[i].amount) : Cents(total - given);
  }
  if (next == payments.size() && Cents(rest) > 0) {
    // The payments do not tell where they stopped: the rest in the type of
    // the payment that takes the rest, or else the last one sent.
    ReceiptPaymentLine last = payments.back();
    for (const auto& p : payments)
      if (!p.amount) last = p;
    payments = {ReceiptPaymentLine{last.type, std::nullopt}};
    next = 0;
  }
  std::string how;
  for (size_t i = next; i < payments.size() && Cents(rest) > 0; ++i) {
    const double amount =
        payments[i].amount ? std::min(*payments[i].amount, rest) : std::round(rest * 100) / 100;
    if (!CallSucceeded(printer, host, printer.Payment(payments[i].type, amount, false, 0))) {
      if (ForNow(printer)) return NotNow(printer, "paying the rest");
      r.how = Settled::kCannot;
      r.words = "the printer refused the payment of " + Money(amount) + " in " +
                TypeName(names, payments[i].type);
      return r;
    }
    ++r.payments;
    r.paid += amount;
    rest -= amount;
    how += (how.empty() ? "" : ", ") + Money(amount) + " in " + TypeName(names, payments[i].type);
  }
  if (!CallSucceeded(printer, host, printer.CloseFiscalReceipt())) {
    if (ForNow(printer)) return NotNow(printer, "closing the paid receipt");
    r.how = Settled::kCannot;
    r.words = "the printer refused to close the paid receipt";
    return r;
  }
  r.how = Settled::kCompleted;
  r.amount = total;
  r.words = r.payments == 0 ? "the receipt was paid in full; closed it"
                            : "paid the rest " + Money(r.paid) + " (" + how +
                                  ") as the client's payments asked, and closed the receipt";
  ReadClosed(printer, r);
  return r;
}

// Nothing open: the document number and the day's turnover before the
// receipt was opened, against what the printer holds now.
SettleResult CompareFigures(FiscalPrinter& printer, PolicyHost& host, const SettlePlan& plan) {
  SettleResult r;
  if (!plan.receiptBefore || !plan.dayTotalBefore) {
    // Opened here without the figures (a request without a sale number whose
    // figures could not be read): it closed, but paid or not cannot be told.
    r.how = plan.opened ? Settled::kUnknown : Settled::kNothingPrinted;
    r.words = plan.opened ? "the receipt is no longer open; whether it was paid cannot be told"
                          : "no receipt was opened for it";
    return r;
  }
  int number = 0;
  TaxGroupTotals day;
  if (!CallSucceeded(printer, host, printer.ReadLastReceiptNumber(number)) ||
      !CallSucceeded(printer, host, printer.ReadDailyTaxTotals(day)))
    return NotNow(printer, "reading the last receipt");
  const int printed = ((number - *plan.receiptBefore) % kNumberWrap + kNumberWrap) % kNumberWrap;
  const double turnover = Sum(day.groups) - *plan.dayTotalBefore;
  if (printed == 0) {
    r.how = Settled::kNothingPrinted;
    r.words = "no receipt was printed for it (the last document is still " +
              ReceiptNumberText(number) + ")";
    return r;
  }
  if (printed == 1 && Cents(turnover) == 0) {
    r.how = Settled::kCancelled;
    r.words = "receipt " + ReceiptNumberText(number) + " was closed with nothing sold";
    return r;
  }
  if (printed == 1 && Cents(turnover) == Cents(plan.total)) {
    r.how = Settled::kCompleted;
    r.amount = turnover;
    r.words = "receipt " + ReceiptNumberText(number) + " of " + Money(turnover) +
              " was printed and closed";
    ReadClosed(printer, r);
    return r;
  }
  r.how = Settled::kUnknown;
  r.words = std::to_string(printed) + " document(s) printed since it started (last " +
            ReceiptNumberText(number) + ") and the day's turnover moved by " + Money(turnover) +
            " against the sale's " + Money(plan.total) +
            ": whether it printed cannot be told; check the printer's paper";
  return r;
}

json LineToJson(const RequestLine& l) {
  return {{"text", Cp1251ToUtf8(l.text)}, {"quantity", l.quantity},     {"unitPrice", l.unitPrice},
          {"taxGroup", l.taxGroup},       {"department", l.department}, {"percent", l.percent}};
}

}  // namespace

SettlePlan PlanOf(const ReceiptRequest& request) {
  SettlePlan plan;
  for (const auto& line : request.lines) {
    if (line.kind == LineKind::kSale) plan.sales.push_back(line);
    if (line.kind == LineKind::kSubtotalAmount)
      plan.changes.push_back({static_cast<int>(plan.sales.size()), line.amount});
  }
  plan.payments = request.payments;
  return plan;  // the total comes with the receipt's count on its printer (PlanReceipt)
}

json PlanToJson(const SettlePlan& plan) {
  json sales = json::array();
  for (const auto& l : plan.sales) sales.push_back(LineToJson(l));
  json payments = json::array();
  for (const auto& p : plan.payments) {
    json one = {{"type", p.type}};
    if (p.amount) one["amount"] = *p.amount;
    payments.push_back(one);
  }
  json changes = json::array();
  for (const auto& c : plan.changes)
    changes.push_back({{"afterSales", c.afterSales}, {"amount", c.amount}});
  json j = {{"sales", sales}, {"payments", payments}, {"total", plan.total}};
  if (plan.changesKnown) j["subtotalChanges"] = changes;
  if (plan.receiptBefore) j["receiptBefore"] = *plan.receiptBefore;
  if (plan.dayTotalBefore) j["dayTotalBefore"] = *plan.dayTotalBefore;
  return j;
}

std::optional<SettlePlan> PlanFromJson(const json& j) {
  if (!j.is_object() || !j.contains("sales") || !j["sales"].is_array() || !j.contains("payments") ||
      !j["payments"].is_array() || !j.value("total", json()).is_number())
    return std::nullopt;
  SettlePlan plan;
  try {
    for (const auto& s : j["sales"]) {
      RequestLine l;
      l.text = Utf8ToCp1251Lossy(s.at("text").get<std::string>());
      l.quantity = s.at("quantity").get<double>();
      l.unitPrice = s.at("unitPrice").get<double>();
      l.taxGroup = s.at("taxGroup").get<int>();
      if (l.taxGroup < 0 || l.taxGroup >= ReceiptRules::kGroups) return std::nullopt;
      l.department = s.at("department").get<int>();
      l.percent = s.at("percent").get<double>();
      plan.sales.push_back(l);
    }
    plan.changesKnown = j.contains("subtotalChanges");
    if (plan.changesKnown) {
      if (!j["subtotalChanges"].is_array()) return std::nullopt;
      for (const auto& c : j.at("subtotalChanges"))
        plan.changes.push_back({c.at("afterSales").get<int>(), c.at("amount").get<double>()});
    }
    for (const auto& p : j["payments"]) {
      ReceiptPaymentLine line{p.at("type").get<int>(), std::nullopt};
      if (p.contains("amount")) line.amount = p["amount"].get<double>();
      plan.payments.push_back(line);
    }
    plan.total = j["total"].get<double>();
    if (j.contains("receiptBefore")) plan.receiptBefore = j["receiptBefore"].get<int>();
    if (j.contains("dayTotalBefore")) plan.dayTotalBefore = j["dayTotalBefore"].get<double>();
    plan.opened = plan.receiptBefore.has_value();
  } catch (const json::exception&) {
    return std::nullopt;  // a member of the wrong type: not a plan this server wrote
  }
  return plan;
}

bool ReadFiguresBefore(FiscalPrinter& printer, PolicyHost& host, SettlePlan& plan) {
  int number = 0;
  TaxGroupTotals day;
  if (!CallSucceeded(printer, host, printer.ReadLastReceiptNumber(number)) ||
      !CallSucceeded(printer, host, printer.ReadDailyTaxTotals(day)))
    return false;
  plan.receiptBefore = number;
  plan.dayTotalBefore = Sum(day.groups);
  return true;
}

SettleResult SettleReceipt(FiscalPrinter& printer, PolicyHost& host, const SettlePlan& plan,
                           const PaymentTypeMap& names) {
  StatusFlags flags{};
  if (!CallSucceeded(printer, host, printer.ReadStatus(flags)))
    return NotNow(printer, "reading the status");
  if (!flags[Flag::kFiscalReceiptOpen]) return CompareFigures(printer, host, plan);
  if (!plan.opened) {
    SettleResult r;
    r.how = Settled::kNothingPrinted;
    r.words = "no receipt was opened for it (the receipt open on the printer is another's)";
    return r;
  }
  if (flags[Flag::kNoPaper]) {
    SettleResult r;
    r.how = Settled::kNotNow;
    r.words = "the printer is out of paper; the open receipt is settled once paper is loaded";
    return r;
  }
  ReceiptState state;
  if (!CallSucceeded(printer, host, printer.ReadReceiptState(state)))
    return NotNow(printer, "reading the receipt");
  return state.paymentStarted ? PayRestAndClose(printer, host, plan, state, names)
                              : VoidAndClose(printer, host, plan, state);
}

bool SettledFree(Settled how) {
  return how != Settled::kNotNow && how != Settled::kCannot;
}

const char* SettledName(Settled how) {
  switch (how) {
    case Settled::kNothingPrinted:
      return "nothingPrinted";
    case Settled::kCancelled:
      return "cancelled";
    case Settled::kCompleted:
      return "completed";
    case Settled::kNotNow:
      return "notNow";
    case Settled::kCannot:
      return "cannot";
    case Settled::kUnknown:
      return "unknown";
  }
  return "unknown";
}
