#include "cli/out_value.h"

#include "driver/cp1251.h"

OutValue::OutValue() = default;
OutValue::OutValue(const OutValue&) = default;
OutValue::OutValue(OutValue&&) noexcept = default;
OutValue& OutValue::operator=(const OutValue&) = default;
OutValue& OutValue::operator=(OutValue&&) noexcept = default;
OutValue::~OutValue() = default;

OutValue OutValue::Integer(int64_t v) {
  OutValue o;
  o.kind = Kind::kInteger;
  o.integer = v;
  return o;
}

OutValue OutValue::Number(double v) {
  OutValue o;
  o.kind = Kind::kNumber;
  o.number = v;
  return o;
}

OutValue OutValue::Flag(bool v) {
  OutValue o;
  o.kind = Kind::kFlag;
  o.flag = v;
  return o;
}

OutValue OutValue::Text(const std::string& cp1251) {
  OutValue o;
  o.kind = Kind::kText;
  o.text = Cp1251ToUtf8(cp1251);
  return o;
}

OutValue OutValue::Time(std::time_t t) {
  OutValue o;
  o.kind = Kind::kTime;
  o.time = t;
  return o;
}

OutValue OutValue::List(std::vector<OutValue> items) {
  OutValue o;
  o.kind = Kind::kList;
  o.items = std::move(items);
  return o;
}

OutValue OutValue::Record(std::vector<std::pair<std::string, OutValue>> members) {
  OutValue o;
  o.kind = Kind::kRecord;
  o.members = std::move(members);
  return o;
}
