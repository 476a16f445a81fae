#include "server/netfp_payments.h"

#include <nlohmann/json.hpp>

namespace {

constexpr int kUnmapped = -1;

struct DefaultType {
  const char* name;
  int type;
};

// Type 4 is foreign currency on the printer: no protocol name means that, so
// nothing is mapped to it unless the shop says so.
constexpr DefaultType kDefaults[] = {{"cash", 0}, {"card", 1}, {"check", 2}, {"coupons", 3}};

int IndexOf(const std::string& name) {
  const auto& names = PaymentTypeMap::Names();
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<int>(i);
  return -1;
}

}  // namespace

const std::vector<std::string>& PaymentTypeMap::Names() {
  static const std::vector<std::string> names = {
      "cash",           "check",  "card", "coupons",   "ext-coupons", "packaging",
      "internal-usage", "damage", "bank", "reserved1", "reserved2"};
  return names;
}

PaymentTypeMap::PaymentTypeMap() : types_(Names().size(), kUnmapped) {
  for (const auto& d : kDefaults) types_[IndexOf(d.name)] = d.type;
}

bool PaymentTypeMap::Set(const std::string& name, int type, std::string& error) {
  const int index = IndexOf(name);
  if (index < 0) {
    error = "payment type \"" + name + "\" is not one of the protocol's";
    return false;
  }
  if (type < kUnmapped || type >= kPrinterTypes) {
    error = "payment type \"" + name + "\": the printer's types are 0..4";
    return false;
  }
  types_[index] = type;
  return true;
}

std::optional<int> PaymentTypeMap::Find(const std::string& name) const {
  const int index = IndexOf(name);
  if (index < 0 || types_[index] == kUnmapped) return std::nullopt;
  return types_[index];
}

std::vector<std::string> PaymentTypeMap::Supported() const {
  std::vector<std::string> out;
  for (size_t i = 0; i < types_.size(); ++i)
    if (types_[i] != kUnmapped) out.push_back(Names()[i]);
  return out;
}

std::string PaymentTypeMap::SupportedText() const {
  std::string out;
  for (const auto& name : Supported()) out += (out.empty() ? "" : ", ") + name;
  return out;
}

bool LoadPaymentTypes(const nlohmann::json& object, PaymentTypeMap& map, std::string& error) {
  if (!object.is_object()) {
    error = "paymentTypes: an object of name: 0..4 (or null) is expected";
    return false;
  }
  for (auto it = object.begin(); it != object.end(); ++it) {
    int type = kUnmapped;
    if (it.value().is_number_integer()) {
      const long long v = it.value().get<long long>();
      type = v < 0 || v >= PaymentTypeMap::kPrinterTypes ? kUnmapped - 1 : static_cast<int>(v);
    } else if (!it.value().is_null()) {
      type = kUnmapped - 1;
    }
    if (!map.Set(it.key(), type, error)) return false;
  }
  return true;
}
