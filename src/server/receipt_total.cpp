#include "server/receipt_total.h"

#include <cmath>
#include <cstdio>

namespace {

// Rounds half away from zero to the money unit, with a nudge against the
// binary error of amounts such as 1.005.
double RoundMoney(double value, bool twoDecimals) {
  const double scale = twoDecimals ? 100.0 : 1.0;
  const double scaled = value * scale;
  return std::round(scaled + (scaled >= 0 ? 1e-7 : -1e-7)) / scale;
}

double LineTotal(const RequestLine& line, bool twoDecimals) {
  const double amount = RoundMoney(line.unitPrice * line.quantity, twoDecimals);
  return amount + RoundMoney(amount * line.percent / 100.0, twoDecimals);
}

std::string Money(double value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", value);
  return buf;
}

}  // namespace

double ReceiptTotal(const ReceiptRequest& request, bool twoDecimals) {
  double total = 0;
  for (const auto& line : request.lines) {
    if (line.kind == LineKind::kSale) total += LineTotal(line, twoDecimals);
    if (line.kind == LineKind::kSubtotalAmount) total += RoundMoney(line.amount, twoDecimals);
  }
  return RoundMoney(total, twoDecimals);
}

bool AmountsDiffer(double a, double b, bool twoDecimals) {
  return std::fabs(a - b) >= (twoDecimals ? 0.005 : 0.5);
}

bool CheckReceiptSums(const ReceiptRequest& request, std::string& error) {
  double running = 0;
  for (size_t i = 0; i < request.lines.size(); ++i) {
    const RequestLine& line = request.lines[i];
    if (line.kind == LineKind::kSubtotalAmount) {
      // The printer refuses a discount that takes the subtotal below zero.
      running += RoundMoney(line.amount, true);
      if (running >= 0) continue;
      error = "items[" + std::to_string(i) + "]: the discount is more than the subtotal " +
              Money(running - RoundMoney(line.amount, true));
      return false;
    }
    if (line.kind != LineKind::kSale) continue;
    running += LineTotal(line, true);
    if (LineTotal(line, true) >= 0.005) continue;
    error = "items[" + std::to_string(i) + "]: the sale is worth 0.00 after rounding";
    return false;
  }
  if (request.payments.empty()) return true;
  const double total = ReceiptTotal(request);
  double paid = 0;
  for (const auto& p : request.payments) {
    if (!p.amount) return true;  // one payment takes the rest
    paid += *p.amount;
  }
  if (paid + 0.005 < total) {
    error = "payments: " + Money(paid) + " do not cover the receipt's total " + Money(total);
    return false;
  }
  return true;
}
