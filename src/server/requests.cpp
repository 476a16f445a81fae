#include "server/requests.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>

#include "driver/cp1251.h"

using nlohmann::json;

namespace {

// The printer's decimal mode is not known here: amounts get the larger limit of
// the two modes, and the driver refuses, with a message, what its mode cannot take.
constexpr double kMaxAmount = Limit::kMaxAmountAnyMode;
constexpr double kMaxQuantity = Limit::kMaxQuantity;
constexpr double kMaxPercent = Limit::kMaxPercent;
constexpr double kMinAmount = 0.01;  // prices and payments
constexpr size_t kMaxLines = 500;
constexpr size_t kMaxPayments = 10;
constexpr size_t kMaxSaleNumber = 64;
constexpr size_t kMaxRawData = 200;

// Refuses members other than `known`.
bool OnlyKnown(const json& object, std::initializer_list<const char*> known,
               const std::string& where, std::string& error) {
  if (!object.is_object()) {
    error = where + ": an object is expected";
    return false;
  }
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool found = false;
    for (const char* k : known) found = found || it.key() == k;
    if (!found) {
      error = where + ": unknown field \"" + it.key() + "\"";
      return false;
    }
  }
  return true;
}

bool Number(const json& object, const char* key, const std::string& where, double lo, double hi,
            double& out, std::string& error) {
  const json& v = object.at(key);
  if (!v.is_number()) {
    error = where + "." + key + ": a number is expected";
    return false;
  }
  const double d = v.get<double>();
  if (!std::isfinite(d) || d < lo || d > hi) {
    char buf[160];
    std::snprintf(buf, sizeof buf, ": must be from %.3f to %.3f", lo, hi);
    error = where + "." + key + buf;
    return false;
  }
  out = d;
  return true;
}

bool Integer(const json& object, const char* key, const std::string& where, int lo, int hi,
             int& out, std::string& error) {
  const json& v = object.at(key);
  if (!v.is_number_integer() || v.get<long long>() < lo || v.get<long long>() > hi) {
    error = where + "." + key + ": a whole number from " + std::to_string(lo) + " to " +
            std::to_string(hi) + " is expected";
    return false;
  }
  out = static_cast<int>(v.get<long long>());
  return true;
}

bool Text(const json& object, const char* key, const std::string& where, std::string& out,
          std::string& error) {
  const json& v = object.at(key);
  if (!v.is_string()) {
    error = where + "." + key + ": a text is expected";
    return false;
  }
  const auto cp = Utf8ToCp1251(v.get<std::string>());
  if (!cp) {
    error = where + "." + key + ": has characters the printer cannot print (Windows-1251)";
    return false;
  }
  // Control characters would end the printer's field or frame early.
  for (const char c : *cp) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      error = where + "." + key + ": has a control character (tab, line break, ...)";
      return false;
    }
  }
  out = *cp;
  return true;
}

// A text cut to `width` bytes, with a warning when that loses characters.
void FitWidth(std::string& text, size_t width, const std::string& where,
              std::vector<std::string>& warnings) {
  if (text.size() <= width) return;
  warnings.push_back(where + ": cut to " + std::to_string(width) + " characters: \"" +
                     Cp1251ToUtf8(text.substr(0, width)) + "\"");
  text.resize(width);
}

bool Operator(const json& body, std::optional<OperatorRecord>& out, std::string& error) {
  if (!body.contains("operator")) return true;
  const json& op = body.at("operator");
  if (!OnlyKnown(op, {"id", "number", "password"}, "operator", error)) return false;
  OperatorRecord record;
  const char* idKey = op.contains("number") ? "number" : "id";
  if (!op.contains(idKey)) {
    error = "operator.id: missing";
    return false;
  }
  // POS software sends the id as a number or as a text of digits.
  if (op.at(idKey).is_string()) {
    const std::string s = op.at(idKey).get<std::string>();
    if (s.size() != 1 || s[0] < '0' + Limit::kFirstOperator || s[0] > '0' + Limit::kLastOperator) {
      error = "operator.id: 1..9 is expected";
      return false;
    }
    record.number = s[0] - '0';
  } else if (!Integer(op, idKey, "operator", Limit::kFirstOperator, Limit::kLastOperator,
                      record.number, error)) {
    return false;
  }
  if (op.contains("password")) {
    if (!Text(op, "password", "operator", record.password, error)) return false;
    // The printer keeps four characters; a longer password would be cut and
    // opening the receipt would fail on another password than the one given.
    if (record.password.size() > static_cast<size_t>(Limit::kOperatorPassword)) {
      error =
          "operator.password: at most " + std::to_string(Limit::kOperatorPassword) + " characters";
      return false;
    }
  }
  out = record;
  return true;
}

bool PaymentType(const json& v, const std::string& where, int& out, std::string& error) {
  static const char* const kNames[] = {"cash", "card", "check", "voucher", "currency"};
  if (v.is_number_integer() && v.get<long long>() >= Limit::kFirstPaymentType &&
      v.get<long long>() <= Limit::kLastPaymentType) {
    out = static_cast<int>(v.get<long long>());
    return true;
  }
  if (v.is_string()) {
    for (int i = 0; i < Limit::kPaymentTypeCount; ++i) {
      if (v.get<std::string>() == kNames[i]) {
        out = i;
        return true;
      }
    }
  }
  error = where + ": \"cash\", \"card\", \"check\", \"voucher\", \"currency\" or 0..4 is expected";
  return false;
}

bool Item(const json& item, size_t index, ReceiptRequest& out, std::string& error) {
  const std::string where = "items[" + std::to_string(index) + "]";
  if (!item.is_object()) {
    error = where + ": an object is expected";
    return false;
  }
  RequestLine line;
  if (item.contains("type")) {
    if (item.at("type") != "comment" && item.at("type") != "sale") {
      error = where + ".type: \"sale\" or \"comment\" is expected";
      return false;
    }
    line.comment = item.at("type") == "comment";
  }
  if (line.comment) {
    if (!OnlyKnown(item, {"type", "text"}, where, error)) return false;
    if (!item.contains("text")) {
      error = where + ".text: missing";
      return false;
    }
    if (!Text(item, "text", where, line.text, error)) return false;
    FitWidth(line.text, kCommentTextWidth, where + ".text", out.warnings);
    out.lines.push_back(line);
    return true;
  }
  if (!OnlyKnown(item,
                 {"type", "text", "quantity", "unitPrice", "taxGroup", "priceModifierValue",
                  "priceModifierType"},
                 where, error))
    return false;
  for (const char* key : {"text", "unitPrice", "taxGroup"}) {
    if (!item.contains(key)) {
      error = where + "." + key + ": missing";
      return false;
    }
  }
  if (!Text(item, "text", where, line.text, error)) return false;
  if (line.text.empty()) {
    error = where + ".text: empty";
    return false;
  }
  FitWidth(line.text, kItemTextWidth, where + ".text", out.warnings);
  // A sale of nothing is refused by the printer half-way through the receipt.
  if (!Number(item, "unitPrice", where, kMinAmount, kMaxAmount, line.unitPrice, error))
    return false;
  if (item.contains("quantity") &&
      !Number(item, "quantity", where, 0.001, kMaxQuantity, line.quantity, error))
    return false;
  int group = 0;
  // Numbered from 1 (А) here, from 0 in the driver.
  if (!Integer(item, "taxGroup", where, Limit::kFirstTaxGroup + 1, Limit::kLastTaxGroup + 1, group,
               error))
    return false;
  line.taxGroup = group - 1;
  if (item.contains("priceModifierValue") || item.contains("priceModifierType")) {
    if (!item.contains("priceModifierValue") || !item.contains("priceModifierType")) {
      error = where + ": priceModifierValue and priceModifierType go together";
      return false;
    }
    double value = 0;
    if (!Number(item, "priceModifierValue", where, 0, kMaxPercent, value, error)) return false;
    const json& type = item.at("priceModifierType");
    if (type == "discount-percent") {
      line.percent = -value;
    } else if (type == "surcharge-percent") {
      line.percent = value;
    } else {
      error = where + ".priceModifierType: \"discount-percent\" or \"surcharge-percent\"";
      return false;
    }
  }
  out.lines.push_back(line);
  return true;
}

}  // namespace

bool ParseCorrections(const json& body, Corrections& out, std::string& error) {
  out = Corrections{};
  if (!body.is_object() || !body.contains("corrections")) return true;
  const json& c = body.at("corrections");
  if (!OnlyKnown(c, {"zeroReports", "closeReceipt", "setClock"}, "corrections", error))
    return false;
  for (auto it = c.begin(); it != c.end(); ++it) {
    if (!it.value().is_boolean()) {
      error = "corrections." + it.key() + ": true or false is expected";
      return false;
    }
  }
  out.zeroReports = c.value("zeroReports", false);
  out.closeReceipt = c.value("closeReceipt", false);
  out.setClock = c.value("setClock", false);
  return true;
}

bool ParseEmptyRequest(const json& body, std::string& error) {
  if (body.is_null()) return true;
  return OnlyKnown(body, {"corrections"}, "body", error);
}

bool ParseReceiptRequest(const json& body, ReceiptRequest& out, std::string& error) {
  out = ReceiptRequest{};
  if (!OnlyKnown(body, {"uniqueSaleNumber", "operator", "items", "payments", "corrections"}, "body",
                 error))
    return false;
  if (body.contains("uniqueSaleNumber")) {
    const json& usn = body.at("uniqueSaleNumber");
    if (!usn.is_string() || usn.get<std::string>().empty() ||
        usn.get<std::string>().size() > kMaxSaleNumber) {
      error = "uniqueSaleNumber: a text of 1 to 64 characters is expected";
      return false;
    }
    out.uniqueSaleNumber = usn.get<std::string>();
  }
  if (!Operator(body, out.op, error)) return false;
  if (!body.contains("items") || !body.at("items").is_array() || body.at("items").empty() ||
      body.at("items").size() > kMaxLines) {
    error = "items: a list of 1 to 500 items is expected";
    return false;
  }
  for (size_t i = 0; i < body.at("items").size(); ++i)
    if (!Item(body.at("items")[i], i, out, error)) return false;
  bool sale = false;
  for (const auto& l : out.lines) sale = sale || !l.comment;
  if (!sale) {
    error = "items: a receipt needs at least one sale";
    return false;
  }
  if (body.contains("payments")) {
    const json& payments = body.at("payments");
    if (!payments.is_array() || payments.size() > kMaxPayments) {
      error = "payments: a list of at most 10 payments is expected";
      return false;
    }
    for (size_t i = 0; i < payments.size(); ++i) {
      const std::string where = "payments[" + std::to_string(i) + "]";
      const json& p = payments[i];
      if (!OnlyKnown(p, {"amount", "paymentType"}, where, error)) return false;
      ReceiptPaymentLine line;
      if (!p.contains("amount")) {
        error = where + ".amount: missing";
        return false;
      }
      if (!Number(p, "amount", where, kMinAmount, kMaxAmount, line.amount, error)) return false;
      if (p.contains("paymentType") &&
          !PaymentType(p.at("paymentType"), where + ".paymentType", line.type, error))
        return false;
      out.payments.push_back(line);
    }
  }
  return true;
}

bool ParseSumRequest(const json& body, SumRequest& out, std::string& error) {
  out = SumRequest{};
  if (!OnlyKnown(body, {"amount", "paymentType", "operator", "corrections"}, "body", error))
    return false;
  if (!body.contains("amount")) {
    error = "amount: missing";
    return false;
  }
  if (!Number(body, "amount", "body", 0.01, kMaxAmount, out.amount, error)) return false;
  if (body.contains("paymentType") &&
      !PaymentType(body.at("paymentType"), "paymentType", out.paymentType, error))
    return false;
  return Operator(body, out.op, error);
}

bool ParseDateTimeRequest(const json& body, std::time_t& out, std::string& error) {
  if (!OnlyKnown(body, {"deviceDateTime", "corrections"}, "body", error)) return false;
  if (!body.contains("deviceDateTime") || !body.at("deviceDateTime").is_string()) {
    error = "deviceDateTime: \"YYYY-MM-DDTHH:MM:SS\" is expected";
    return false;
  }
  const std::string text = body.at("deviceDateTime").get<std::string>();
  std::tm tm{};
  int y, mo, d, h, mi, s;
  char sep = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &y, &mo, &d, &sep, &h, &mi, &s,
                  &tail) != 7 ||
      (sep != 'T' && sep != ' ') || y < 2000 || y > 2099 || mo < 1 || mo > 12 || d < 1 || d > 31 ||
      h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0) {
    error = "deviceDateTime: \"YYYY-MM-DDTHH:MM:SS\" is expected, got \"" + text + "\"";
    return false;
  }
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  std::tm check = tm;
  out = std::mktime(&check);
  if (out == static_cast<std::time_t>(-1) || check.tm_mday != d || check.tm_mon != mo - 1) {
    error = "deviceDateTime: no such date: \"" + text + "\"";
    return false;
  }
  return true;
}

bool ParseRawRequest(const json& body, RawRequest& out, std::string& error) {
  out = RawRequest{};
  if (!OnlyKnown(body, {"command", "data"}, "body", error)) return false;
  if (!body.contains("command")) {
    error = "command: missing";
    return false;
  }
  const json& c = body.at("command");
  long long command = -1;
  if (c.is_number_integer()) {
    command = c.get<long long>();
  } else if (c.is_string()) {
    const std::string s = c.get<std::string>();
    char* end = nullptr;
    // Hexadecimal always, with or without "0x": "041" is 0x41, never octal.
    command = std::strtoll(s.c_str(), &end, 16);
    if (s.empty() || !std::isxdigit(static_cast<unsigned char>(s[0])) || *end != '\0') command = -1;
  }
  if (command < 0x20 || command > 0xFF) {
    error = "command: a command byte from 0x20 to 0xFF is expected";
    return false;
  }
  out.command = static_cast<int>(command);
  if (body.contains("data")) {
    if (!Text(body, "data", "body", out.data, error)) return false;
    if (out.data.size() > kMaxRawData) {
      error = "data: at most 200 bytes";
      return false;
    }
  }
  return true;
}

std::string FormatDeviceTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  return buf;
}
