#include "server/receipt_total.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int64_t kQuantityScale = 1000;  // thousandths: "*%010.3f"
constexpr int64_t kPercentScale = 100;    // hundredths of a per cent: ",%06.2f%%"
constexpr int kCashType = 0;              // the drawer's own type: the only one that gives change
// How far a number given in the request may be from a value of its field for
// the difference to be only the binary form of a decimal (0.1 is not exact).
constexpr double kBinaryNoise = 1e-9;

// `value` in units of 1/scale when it has no more decimals than that; the
// field the driver writes then holds exactly these digits.
bool ExactUnits(double value, int64_t scale, int64_t& out) {
  const double scaled = value * static_cast<double>(scale);
  const double nearest = std::round(scaled);
  if (std::fabs(scaled - nearest) > kBinaryNoise * std::max(1.0, std::fabs(scaled))) return false;
  out = static_cast<int64_t>(nearest);
  return true;
}

// num / den rounded half away from zero (den > 0), as the printer rounds.
int64_t DivRound(int64_t num, int64_t den) {
  const int64_t q = (std::llabs(num) + den / 2) / den;
  return num < 0 ? -q : q;
}

std::string Given(double value) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.10g", value);
  return buf;
}

std::string Decimals(int n) {
  return n == 0 ? "whole units" : std::to_string(n) + " decimals";
}

struct Checker {
  const ReceiptRules& rules;
  std::string& error;

  bool Amount(double value, const std::string& where, int64_t& units) {
    if (!ExactUnits(value, rules.Scale(), units)) {
      error = where + ": " + Given(value) + " has more decimals than this printer counts (" +
              Decimals(rules.Decimals()) + "); it would print another amount";
      return false;
    }
    if (units > rules.MaxAmount()) {
      error = where + ": " + Given(value) + " is above this printer's maximum " +
              UnitsText(rules.MaxAmount(), rules);
      return false;
    }
    return true;
  }

  bool Fixed(double value, int64_t scale, int decimals, const std::string& where, int64_t& out) {
    if (ExactUnits(value, scale, out)) return true;
    error = where + ": " + Given(value) + " has more than " + std::to_string(decimals) +
            " decimals; the printer would take another value";
    return false;
  }
};

// A sale's value (`price` in units, `quantity` in thousandths) with its
// percentage (hundredths of a per cent) added.
int64_t LineUnits(int64_t price, int64_t quantity, int64_t percent) {
  const int64_t value = DivRound(price * quantity, kQuantityScale);
  return value + DivRound(value * percent, kPercentScale * 100);
}

}  // namespace

int64_t SaleUnits(const RequestLine& line, const ReceiptRules& rules) {
  return LineUnits(std::llround(line.unitPrice * static_cast<double>(rules.Scale())),
                   std::llround(line.quantity * static_cast<double>(kQuantityScale)),
                   std::llround(line.percent * static_cast<double>(kPercentScale)));
}

double UnitsToAmount(int64_t units, const ReceiptRules& rules) {
  return static_cast<double>(units) / static_cast<double>(rules.Scale());
}

std::string UnitsText(int64_t units, const ReceiptRules& rules) {
  char buf[40];
  if (!rules.twoDecimals) {
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(units));
  } else {
    const long long a = std::llabs(units);
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", units < 0 ? "-" : "", a / 100, a % 100);
  }
  return buf;
}

int64_t AmountToUnits(double amount, const ReceiptRules& rules) {
  return std::llround(amount * static_cast<double>(rules.Scale()));
}

bool PlanReceipt(const ReceiptRequest& request, const ReceiptRules& rules, ReceiptPlan& plan,
                 std::string& error) {
  Checker check{rules, error};
  plan = ReceiptPlan{};
  plan.rules = rules;
  int64_t running = 0;
  for (size_t i = 0; i < request.lines.size(); ++i) {
    const RequestLine& line = request.lines[i];
    const std::string where = "items[" + std::to_string(i) + "]";
    if (line.kind == LineKind::kSubtotalAmount) {
      int64_t amount = 0;
      if (!check.Amount(std::fabs(line.amount), where + ".amount", amount)) return false;
      if (line.amount < 0) amount = -amount;
      if (running <= 0) {
        error = where + ": the printer takes no discount or surcharge on a subtotal of " +
                UnitsText(running, rules);
        return false;
      }
      if (running + amount < 0) {
        error = where + ": the discount is more than the subtotal " + UnitsText(running, rules);
        return false;
      }
      running += amount;
      continue;
    }
    if (line.kind != LineKind::kSale) continue;
    int64_t price = 0, quantity = 0, percent = 0;
    if (!check.Amount(line.unitPrice, where + ".unitPrice", price) ||
        !check.Fixed(line.quantity, kQuantityScale, 3, where + ".quantity", quantity) ||
        !check.Fixed(std::fabs(line.percent), kPercentScale, 2, where + ".priceModifierValue",
                     percent))
      return false;
    if (line.percent < 0) percent = -percent;
    if (line.taxGroup < 0 || line.taxGroup >= ReceiptRules::kGroups ||
        !rules.groupOn[static_cast<size_t>(line.taxGroup)]) {
      error = where + ".taxGroup: group " + std::to_string(line.taxGroup + 1) +
              " is switched off on this printer";
      return false;
    }
    const int64_t amount = LineUnits(price, quantity, percent);
    if (amount <= 0) {
      error = where + ": the sale is worth " + UnitsText(0, rules) + " after rounding";
      return false;
    }
    running += amount;
    if (running > rules.MaxReceiptTotal()) {
      error = where + ": the receipt's total would pass this printer's limit " +
              UnitsText(rules.MaxReceiptTotal(), rules);
      return false;
    }
  }
  if (running <= 0) {
    error = "items: the receipt's total is " + UnitsText(running, rules) +
            "; the printer would close a receipt of nothing";
    return false;
  }
  plan.total = running;

  // The amounts as they will be sent, then each against what is left.
  int64_t given = 0;
  std::vector<int64_t> amounts;
  for (size_t i = 0; i < request.payments.size(); ++i) {
    int64_t amount = -1;  // the rest
    if (const auto& a = request.payments[i].amount) {
      if (!check.Amount(*a, "payments[" + std::to_string(i) + "].amount", amount)) return false;
      given += amount;
    }
    amounts.push_back(amount);
  }
  if (request.payments.empty()) {
    plan.payments.push_back({kCashType, plan.total});
    return true;
  }
  int64_t left = plan.total;
  for (size_t i = 0; i < request.payments.size(); ++i) {
    const int type = request.payments[i].type;
    const int64_t amount = amounts[i] < 0 ? plan.total - given : amounts[i];
    if (amounts[i] < 0 && amount <= 0) continue;  // the others pay it all
    const std::string where = "payments[" + std::to_string(i) + "]";
    if (left <= 0) {
      error = where + ": the payments before it pay the whole " + UnitsText(plan.total, rules) +
              "; the printer takes no more";
      return false;
    }
    if (type != kCashType && amount > left) {
      error = where + ": " + UnitsText(amount, rules) + " is more than the " +
              UnitsText(left, rules) + " left to pay; only cash gives change";
      return false;
    }
    plan.payments.push_back({type, amount});
    left -= amount;
  }
  if (left > 0) {
    error = "payments: " + UnitsText(plan.total - left, rules) +
            " do not cover the receipt's total " + UnitsText(plan.total, rules);
    return false;
  }
  return true;
}

bool CheckReceiptSums(const ReceiptRequest& request, const ReceiptRules& rules,
                      std::string& error) {
  ReceiptPlan plan;
  return PlanReceipt(request, rules, plan, error);
}
