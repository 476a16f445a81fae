#include "driver/amounts.h"

#include "driver/limits.h"
#include "driver/text.h"

bool InRange(double v, double lo, double hi) {
  return v >= lo && v <= hi;
}

std::string MoneyFormat::Amount(double v) const {
  return twoDecimals_ ? Sprintf("%010.2f", v) : Sprintf("%09.f", v);
}

std::string MoneyFormat::InMessage(double v) const {
  return twoDecimals_ ? Sprintf("%1.2f", v) : Sprintf("%1.f", v);
}

std::string MoneyFormat::RangeMessage(const char* what) const {
  return std::string(what) + " трябва да е от " + InMessage(-Max()) + " до " + InMessage(Max());
}

std::string QuantityField(double quantity) {
  return Sprintf("*%010.3f", quantity);
}

bool InQuantityRange(double quantity) {
  return InRange(quantity, 0.0, Limit::kMaxQuantity);
}

std::string PercentField(double percent) {
  return Sprintf(",%06.2f%%", percent);
}

std::string PercentField5(double percent) {
  return Sprintf(",%05.2f%%", percent);
}

bool InPercentRange(double percent) {
  return InRange(percent, -Limit::kMaxPercent, Limit::kMaxPercent);
}

std::string PercentRangeMessage() {
  return Sprintf("Процентът трябва да е от %.2f до %.2f", -Limit::kMaxPercent, Limit::kMaxPercent);
}

std::string QuantityPercentProblem(double quantity, double percent) {
  if (!InQuantityRange(quantity))
    return Sprintf("Количеството трябва да е от 0 до %.3f", Limit::kMaxQuantity);
  if (!InPercentRange(percent)) return PercentRangeMessage();
  return std::string();
}
