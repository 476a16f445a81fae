#include "server/receipt_rules.h"

#include "driver/fiscal_printer.h"
#include "server/printer_service.h"

namespace {
constexpr char kTwoDecimalsMode = '2';
}  // namespace

std::optional<ReceiptRules> ReceiptRulesCache::Known() const {
  std::lock_guard<std::mutex> lock(lock_);
  return rules_;
}

std::optional<ReceiptRules> ReceiptRulesCache::Get(FiscalPrinter& printer, PolicyHost& host) {
  if (auto known = Known()) return known;
  char mode = 0;
  if (!CallSucceeded(printer, host, printer.ReadDecimalPoint(mode))) return std::nullopt;
  TaxRates rates{};
  if (!CallSucceeded(printer, host, printer.ReadTaxRates(rates))) return std::nullopt;
  ReceiptRules rules;
  rules.twoDecimals = mode == kTwoDecimalsMode;
  // -1: switched off; -2: the printer has no such group.
  for (int g = 0; g < ReceiptRules::kGroups; ++g) rules.groupOn[g] = rates[g] >= 0;
  std::lock_guard<std::mutex> lock(lock_);
  rules_ = rules;
  return rules;
}

void ReceiptRulesCache::Forget() {
  std::lock_guard<std::mutex> lock(lock_);
  rules_.reset();
}
