#include "dialogs/receipt_fields.h"
#include "driver/limits.h"

#include <cctype>
#include <climits>

int LeadingInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

NumericRule DepartmentNumberRule(int minimum) {
  NumericRule rule;
  rule.ConfigureInteger(minimum, kDepartmentNumberMax, 10, minimum);
  return rule;
}

std::optional<int> DepartmentNumber(const std::string& text, int minimum) {
  // Bytes widened one by one: only ASCII digits, signs and spaces matter.
  std::wstring wide;
  for (unsigned char c : text) wide.push_back(static_cast<wchar_t>(c));
  const auto value = DepartmentNumberRule(minimum).Reading(wide);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

NumericFieldConfig PriceFieldConfig(char mode) {
  if (mode == '2') return {true, 0.01, Limit::kMaxAmountTwoDecimals, 2, 9, 0.01};
  return {false, 1, Limit::kMaxAmountWhole, 0, 8, 1};
}

NumericFieldConfig PaymentFieldConfig(char mode) {
  if (mode == '2') return {true, 0, Limit::kMaxAmountTwoDecimals, 2, 9, 0.01};
  return {false, 1, Limit::kMaxAmountWhole, 0, 8, 1};
}

NumericFieldConfig AmountDisplayFieldConfig(char mode) {
  return {true, 0, 99999999, mode == '2' ? 2 : 0, 9, 0};
}

NumericFieldConfig PercentFieldConfig() {
  return {true, -Limit::kMaxPercent, Limit::kMaxPercent, 2, 6, 0};
}

NumericFieldConfig QuantityFieldConfig() {
  return {true, 0.001, Limit::kMaxQuantity, 3, 10, 1.0};
}

NumericFieldConfig SubtotalValueConfig(bool isAmount, char mode, double current) {
  if (!isAmount) {
    NumericFieldConfig c = PercentFieldConfig();
    c.fallback = (current >= -Limit::kMaxPercent && current <= Limit::kMaxPercent) ? current : 0;
    return c;
  }
  if (mode == '2')
    return {true, -Limit::kMaxAmountTwoDecimals, Limit::kMaxAmountTwoDecimals, 2, 10, current};
  return {false, -Limit::kMaxAmountWhole, Limit::kMaxAmountWhole, 0, 8, 0};
}
