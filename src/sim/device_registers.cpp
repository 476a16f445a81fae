// The registers' limits and the spreading of a subtotal adjustment: a fiscal
// printer's registers never pass their fields and never turn negative.
#include <cstdlib>
#include <map>

#include "sim/money.h"
#include "sim/sim_device.h"

namespace {
bool FitsSum(Money m) {
  return std::llabs(m) <= kRegisterLimit;
}
bool FitsQuantity(int64_t q) {
  return std::llabs(q) <= kQuantityLimit;
}

// The day's or an operator's counters with a receipt's added.
bool CountersFit(const ReceiptCountersState& reg, const ReceiptCountersState& add) {
  return FitsSum(reg.discountSum + add.discountSum) &&
         FitsSum(reg.surchargeSum + add.surchargeSum) && FitsSum(reg.voidSum + add.voidSum);
}
}  // namespace

Money SimDevice::ReceiptLimit() const {
  return s_.decimals == '2' ? 999999999LL : kRegisterLimit;
}

std::string SimDevice::RegisterRefusal(const OpenReceipt& r) {
  Money total = 0;
  for (Money g : r.groups) {
    if (!FitsSum(g)) return "05";
    total += g;
  }
  if (total > ReceiptLimit() || !FitsSum(r.paidTotal)) return "05";

  bool fits = true;
  const OperatorState& op = s_.operators[(r.op >= 1 && r.op <= kOperators ? r.op : 1) - 1];
  for (int g = 0; g < kGroups; ++g) fits = fits && FitsSum(s_.dailyTotals[g] + r.groups[g]);
  for (int t = 0; t < kPayments; ++t)
    fits = fits && FitsSum(s_.dailyPayments[t] + r.paid[t]) && FitsSum(op.payments[t] + r.paid[t]);
  fits = fits && CountersFit(s_.daily, r.counters) && CountersFit(op.counters, r.counters);

  // Articles and departments take each line's value and quantity.
  std::map<int, std::pair<Money, int64_t>> articles, departments;
  for (const auto& l : r.lines) {
    const int64_t q = l.price > 0 ? l.quantity : -l.quantity;
    const Money v = l.value + l.adjustment;
    if (l.article > 0) {
      articles[l.article].first += v;
      articles[l.article].second += q;
    }
    if (l.department > 0) {
      departments[l.department].first += v;
      departments[l.department].second += q;
    }
  }
  for (const auto& [n, add] : articles) {
    const auto it = s_.articles.find(n);
    const Money turnover = it == s_.articles.end() ? 0 : it->second.turnover;
    const int64_t quantity = it == s_.articles.end() ? 0 : it->second.quantity;
    fits = fits && FitsSum(turnover + add.first) && FitsQuantity(quantity + add.second);
  }
  for (const auto& [n, add] : departments) {
    const auto it = s_.departments.find(n);
    const Money turnover = it == s_.departments.end() ? 0 : it->second.turnover;
    const int64_t quantity = it == s_.departments.end() ? 0 : it->second.quantity;
    fits = fits && FitsSum(turnover + add.first) && FitsQuantity(quantity + add.second);
  }
  if (fits) return "";
  s_.reportOverflow = true;
  return "25";
}

std::string SimDevice::ServiceSumRefusal(const ServiceSumsState& day, const ServiceSumsState& mine,
                                         int type, Money sum) {
  if (FitsSum(day.sums[type] + sum) && FitsSum(mine.sums[type] + sum)) return "";
  s_.reportOverflow = true;
  return "25";
}

void SimDevice::SpreadAdjustment(OpenReceipt& r, Money adj) const {
  Money total = 0;
  int largest = -1;
  for (int g = 0; g < kGroups; ++g) {
    total += r.groups[g];
    if (r.groups[g] > 0 && (largest < 0 || r.groups[g] > r.groups[largest])) largest = g;
  }
  if (largest < 0 || total <= 0) return;
  Money left = adj;
  for (int g = 0; g < kGroups; ++g) {
    if (r.groups[g] <= 0) continue;
    const Money share = ShareOf(adj, r.groups[g], total, s_.decimals);
    r.groups[g] += share;
    left -= share;
  }
  r.groups[largest] += left;
  // A discount of nearly the whole receipt can leave a rounding unit owed by
  // a group already at zero: another group carries it.
  for (int g = 0; g < kGroups; ++g) {
    while (r.groups[g] < 0) {
      int from = -1;
      for (int h = 0; h < kGroups; ++h)
        if (h != g && r.groups[h] > 0 && (from < 0 || r.groups[h] > r.groups[from])) from = h;
      if (from < 0) break;
      const Money move = std::min(-r.groups[g], r.groups[from]);
      r.groups[g] += move;
      r.groups[from] -= move;
    }
  }
}
