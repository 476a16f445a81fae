#pragma once

#include <string>

#include "driver/limits.h"

// How amounts, quantities and percentages are written into command data. The
// printer counts money either with two decimals or in whole units; the mode is
// the first character of the decimal-point reply ('2' = two decimals).

// True when lo <= v <= hi; false for NaN, so a NaN never passes a range check.
bool InRange(double v, double lo, double hi);

class MoneyFormat {
 public:
  explicit MoneyFormat(char mode) : twoDecimals_(mode == '2'), max_(Limit::MaxAmount(mode)) {}

  bool TwoDecimals() const { return twoDecimals_; }
  // Largest amount of the mode: 999999.99 or 99999999. Prices and sums accept
  // -Max()..Max().
  double Max() const { return max_; }
  bool InPriceRange(double v) const { return InRange(v, -Max(), Max()); }
  // The amount field: "%010.2f" or "%09.f" (a minus sign stays inside the width).
  std::string Amount(double v) const;
  // An amount inside a message: "%1.2f" or "%1.f".
  std::string InMessage(double v) const;
  // "<what> трябва да е от -Max() до Max()", for an amount outside the range.
  std::string RangeMessage(const char* what) const;

 private:
  bool twoDecimals_;
  double max_;
};

// Quantity part of a sale: "*%010.3f". Accepted quantities are 0..999999.999.
std::string QuantityField(double quantity);
bool InQuantityRange(double quantity);
// Percentage part (surcharge positive, discount negative): ",%06.2f%%"; the
// department sale uses the five-character form ",%05.2f%%". -99.99..99.99.
std::string PercentField(double percent);
std::string PercentField5(double percent);
bool InPercentRange(double percent);
// The message of a quantity or percentage outside its range; "" when both fit.
std::string QuantityPercentProblem(double quantity, double percent);
std::string PercentRangeMessage();
