#pragma once

#include <optional>
#include <string>

#include "dialogs/controls/numeric_rule.h"
#include "driver/records.h"
#include "driver/status_flags.h"

// Number-field configurations of the receipt operations dialog and the reading
// of its department number: plain values, no window.

// The leading integer of a text as the department number field holds it
// ("7abc" gives 7, "abc" gives 0). Leading spaces and a sign are allowed; the
// value saturates at the limits of int.
int LeadingInteger(const std::string& text);

// Department numbers: the printer's table holds departments 1..99 (two digits
// when they are programmed); an article's department 0 means none.
constexpr int kDepartmentNumberMax = 99;
// The rule a typed department number must pass before anything is sent: its
// leading integer ("7abc" is 7), minimum..99. A text with no digits ("",
// "abc", "-"), a negative number or one past 99 holds no department.
NumericRule DepartmentNumberRule(int minimum = 1);
// The department `text` (Windows-1251 or ASCII) names under that rule; none
// when it names no department.
std::optional<int> DepartmentNumber(const std::string& text, int minimum = 1);

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
