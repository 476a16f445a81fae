#pragma once

#include <array>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "driver/limits.h"

// The payment type names POS software sends ("cash", "card", ...) and the
// printer's payment types 0..4 they are registered as. The printer has five:
// 0 cash, 1 card, 2 check, 3 voucher, 4 foreign currency (its names can be
// reprogrammed, its meaning cannot: type 4 converts at the printer's rate).
//
// Default: cash 0, card 1, check 2, coupons 3. Every other name is unmapped
// until the configuration maps it; a request naming an unmapped type is
// refused with the list of supported names.
class PaymentTypeMap {
 public:
  static constexpr int kPrinterTypes = Limit::kPaymentTypeCount;

  // Every name the protocol knows, in its order.
  static const std::vector<std::string>& Names();

  PaymentTypeMap();

  // Maps `name` to the printer's `type` (0..4), or unmaps it (type -1).
  // False with `error` for an unknown name or a type out of range.
  bool Set(const std::string& name, int type, std::string& error);
  std::optional<int> Find(const std::string& name) const;
  // The mapped names in the protocol's order.
  std::vector<std::string> Supported() const;
  // "cash, card, check, coupons"
  std::string SupportedText() const;

 private:
  std::vector<int> types_;  // per Names(), -1 unmapped
};

// {"bank": 4, "coupons": null, ...}: null unmaps. False with `error`.
bool LoadPaymentTypes(const nlohmann::json& object, PaymentTypeMap& map, std::string& error);
