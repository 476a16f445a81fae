#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

// A decoded out-parameter of a driver method, ready for either output form.
// Texts are UTF-8 (converted from the printer's Windows-1251 when built).
struct OutValue {
  enum class Kind { kInteger, kNumber, kFlag, kText, kTime, kList, kRecord };

  Kind kind = Kind::kInteger;
  int64_t integer = 0;
  double number = 0;
  bool flag = false;
  std::string text;  // UTF-8
  std::time_t time = 0;
  std::vector<OutValue> items;                            // List
  std::vector<std::pair<std::string, OutValue>> members;  // Record, in order

  // Defined where OutValue is complete: a member vector of pairs holding
  // OutValue cannot be built or destroyed inside the class (clang refuses).
  OutValue();
  OutValue(const OutValue&);
  OutValue(OutValue&&) noexcept;
  OutValue& operator=(const OutValue&);
  OutValue& operator=(OutValue&&) noexcept;
  ~OutValue();

  static OutValue Integer(int64_t v);
  static OutValue Number(double v);
  static OutValue Flag(bool v);
  // From Windows-1251 bytes.
  static OutValue Text(const std::string& cp1251);
  static OutValue Time(std::time_t t);
  static OutValue List(std::vector<OutValue> items);
  static OutValue Record(std::vector<std::pair<std::string, OutValue>> members);

  template <typename Array>
  static OutValue Numbers(const Array& values);
};

template <typename Array>
OutValue OutValue::Numbers(const Array& values) {
  std::vector<OutValue> v;
  for (const auto x : values) v.push_back(Number(x));
  return List(std::move(v));
}

// A named out-parameter, as the driver method calls it.
using OutField = std::pair<std::string, OutValue>;
