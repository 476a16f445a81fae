#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

#include "driver/limits.h"

class FiscalPrinter;
class PolicyHost;

// What a printer does with a receipt's numbers, read from the printer itself:
// whether it counts money in hundredths or in whole units (its decimal mode)
// and which tax groups take sales. The check before a receipt opens computes
// every figure by these (receipt_total.h).
struct ReceiptRules {
  static constexpr int kGroups = Limit::kLastTaxGroup + 1;
  static constexpr int64_t kMaxAmountUnits = 99999999;

  bool twoDecimals = true;
  std::array<bool, kGroups> groupOn{};  // А..З: has a rate (not switched off, present)

  // Minor units of one money unit of the mode: 100 (hundredths) or 1.
  int64_t Scale() const { return twoDecimals ? 100 : 1; }
  int Decimals() const { return twoDecimals ? 2 : 0; }
  // The largest price, payment or subtotal change, in the mode's units
  // (999999.99 or 99999999: the same eight digits either way).
  int64_t MaxAmount() const { return kMaxAmountUnits; }
  // The largest total one receipt may reach, in the mode's units: the
  // printer's receipt register (9999999.99, or 99999999 whole units).
  int64_t MaxReceiptTotal() const { return twoDecimals ? 999999999 : 99999999; }
};

// One printer's receipt rules, read once and kept until the link to the
// printer is lost (a job in which it did not answer), another printer answers
// on the line, or a raw command may have changed them: reading them costs two
// commands, and they change only with a Z report behind them. Thread-safe: the
// request check reads what is known on a handler thread, the worker reads the
// printer.
class ReceiptRulesCache {
 public:
  // The rules as last read, or nothing.
  std::optional<ReceiptRules> Known() const;
  // The rules, read from `printer` (decimal point and tax rates) when not
  // known. Nothing when a read failed (the host has the driver's messages).
  std::optional<ReceiptRules> Get(FiscalPrinter& printer, PolicyHost& host);
  void Forget();

 private:
  mutable std::mutex lock_;
  std::optional<ReceiptRules> rules_;
};
