#pragma once

#include <string>

#include "driver/records.h"
#include "driver/status_flags.h"

// Number-field configurations of the receipt operations dialog and the reading
// of its department number: plain values, no window.

// The leading integer of a text as the department number field holds it
// ("7abc" gives 7, "abc" gives 0). Leading spaces and a sign are allowed; the
// value saturates at the limits of int.
int LeadingInteger(const std::string& text);

// Configuration of a number field: an integer or a decimal field with its range,
// decimals, maximum length and default.
struct NumericFieldConfig {
  bool decimal = false;
  double minimum = 0;
  double maximum = 0;
  int decimals = 0;
  int length = 0;
  double fallback = 0;  // the default value

  bool operator==(const NumericFieldConfig&) const = default;
};

// Field configurations by the printer's decimal mode ('2' two decimals, any
// other character whole numbers).
NumericFieldConfig PriceFieldConfig(char mode);          // free-item and department prices
NumericFieldConfig PaymentFieldConfig(char mode);        // payment amount
NumericFieldConfig AmountDisplayFieldConfig(char mode);  // "Сума:", group subtotals, last change
// The subtotal adjustment: an amount (by mode) or a percentage; `current` is
// the value the field holds when the kind changes.
NumericFieldConfig SubtotalValueConfig(bool isAmount, char mode, double current);
// The percentages of the sale groups, and the subtotal value as a percentage.
NumericFieldConfig PercentFieldConfig();
NumericFieldConfig QuantityFieldConfig();

// Decimal mode from the status flag "Дробни числа".
inline char DecimalModeFromStatus(const StatusFlags& flags) {
  return flags[Flag::kDecimals] ? '2' : '0';
}
