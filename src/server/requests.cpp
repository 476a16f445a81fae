#include "server/requests.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>

#include "driver/cp1251.h"

using nlohmann::json;

namespace {

// mktime for a time in UTC: timegm, which Windows' C runtime names _mkgmtime.
std::time_t UtcTime(std::tm* tm) {
#ifdef _WIN32
  return _mkgmtime(tm);
#else
  return timegm(tm);
#endif
}

// The printer's decimal mode is not known here: amounts get the larger limit of
// the two modes, and the driver refuses, with a message, what its mode cannot take.
constexpr double kMaxAmount = Limit::kMaxAmountAnyMode;
constexpr double kMaxQuantity = Limit::kMaxQuantity;
constexpr double kMaxPercent = Limit::kMaxPercent;
constexpr size_t kMaxLines = 500;
constexpr size_t kMaxPayments = 10;
constexpr size_t kMaxSaleNumber = 64;
constexpr size_t kMaxRawData = 200;
constexpr double kMinMoney = 0.01;  // prices, payments, sums, subtotal changes
constexpr int kMaxOperator = Limit::kLastOperator;
// The printer keeps four characters; a longer password would be cut and
// opening the receipt would fail on another password than the one given.
constexpr size_t kMaxPassword = Limit::kOperatorPassword;
constexpr int kMaxDepartment = 99;
constexpr size_t kMaxOriginalField = 32;
constexpr int kMinRawCommand = 0x20;
constexpr int kDateTimeChars = 19;  // "YYYY-MM-DDTHH:MM:SS"
constexpr size_t kMaxDateText = 40;

// Refuses members other than `known`.
bool OnlyKnown(const json& object, std::initializer_list<const char*> known,
               const std::string& where, std::string& error) {
  if (!object.is_object()) {
    error = where + ": an object is expected";
    return false;
  }
  if (const auto key = FirstUnknownMember(object, known)) {
    error = where + ": unknown field \"" + *key + "\"";
    return false;
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

// The operator's number: "1".."9" (leading zeros allowed, as in the sale
// number's operator code) or a number.
bool OperatorNumber(const json& v, const std::string& where, int& out, std::string& error) {
  long long n = -1;
  if (v.is_number_integer()) {
    n = v.get<long long>();
  } else if (v.is_string()) {
    const std::string s = v.get<std::string>();
    n = s.empty() || s.size() > 4 ? -1 : 0;
    for (char c : s) n = c >= '0' && c <= '9' && n >= 0 ? n * 10 + (c - '0') : -1;
  }
  if (n < Limit::kFirstOperator || n > kMaxOperator) {
    error = where + ": an operator number 1..9 is expected";
    return false;
  }
  out = static_cast<int>(n);
  return true;
}

bool Password(const json& object, const char* key, const std::string& where,
              std::optional<std::string>& out, std::string& error) {
  std::string password;
  if (!Text(object, key, where, password, error)) return false;
  if (password.size() > kMaxPassword) {
    error = where + "." + key + ": at most " + std::to_string(kMaxPassword) + " characters";
    return false;
  }
  out = password;
  return true;
}

// "operator": "2" and "operatorPassword": "1234" (empty texts: not given), or
// this server's older "operator": {"id": 2, "password": "1234"}.
bool Operator(const json& body, OperatorChoice& out, std::string& error) {
  out = OperatorChoice{};
  if (body.contains("operator") && body.at("operator").is_object()) {
    const json& op = body.at("operator");
    if (!OnlyKnown(op, {"id", "number", "password"}, "operator", error)) return false;
    const char* idKey = op.contains("number") ? "number" : "id";
    if (!op.contains(idKey)) {
      error = "operator.id: missing";
      return false;
    }
    int number = 0;
    if (!OperatorNumber(op.at(idKey), "operator." + std::string(idKey), number, error))
      return false;
    out.number = number;
    if (op.contains("password") && !Password(op, "password", "operator", out.password, error))
      return false;
    if (body.contains("operatorPassword")) {
      error = "operatorPassword: the operator object already has a password";
      return false;
    }
    return true;
  }
  if (body.contains("operator") && body.at("operator") != "") {
    int number = 0;
    if (!OperatorNumber(body.at("operator"), "operator", number, error)) return false;
    out.number = number;
  }
  if (body.contains("operatorPassword") && body.at("operatorPassword") != "" &&
      !Password(body, "operatorPassword", "body", out.password, error))
    return false;
  return true;
}

bool PaymentType(const json& v, const PaymentTypeMap& map, const std::string& where, int& out,
                 std::string& error) {
  if (v.is_number_integer() && v.get<long long>() >= 0 &&
      v.get<long long>() < PaymentTypeMap::kPrinterTypes) {
    out = static_cast<int>(v.get<long long>());
    return true;
  }
  if (v.is_string()) {
    if (const auto type = map.Find(v.get<std::string>())) {
      out = *type;
      return true;
    }
  }
  error = where + ": this printer takes " + map.SupportedText() + " (or the printer's type 0..4)";
  return false;
}

bool Required(const json& item, std::initializer_list<const char*> keys, const std::string& where,
              std::string& error) {
  for (const char* key : keys) {
    if (!item.contains(key)) {
      error = where + "." + key + ": missing";
      return false;
    }
  }
  return true;
}

// A comment inside the receipt or after its payments.
bool TextItem(const json& item, LineKind kind, const std::string& where, ReceiptRequest& out,
              std::string& error) {
  RequestLine line;
  line.kind = kind;
  if (!OnlyKnown(item, {"type", "text"}, where, error) || !Required(item, {"text"}, where, error) ||
      !Text(item, "text", where, line.text, error))
    return false;
  FitWidth(line.text, kCommentTextWidth, where + ".text", out.warnings);
  out.lines.push_back(line);
  return true;
}

// A discount or surcharge by amount on the subtotal.
bool SubtotalItem(const json& item, bool discount, const std::string& where, ReceiptRequest& out,
                  std::string& error) {
  RequestLine line;
  line.kind = LineKind::kSubtotalAmount;
  if (!OnlyKnown(item, {"type", "amount"}, where, error) ||
      !Required(item, {"amount"}, where, error) ||
      !Number(item, "amount", where, kMinMoney, kMaxAmount, line.amount, error))
    return false;
  if (discount) line.amount = -line.amount;
  out.lines.push_back(line);
  return true;
}

bool SaleItem(const json& item, const std::string& where, ReceiptRequest& out, std::string& error) {
  RequestLine line;
  if (!OnlyKnown(item,
                 {"type", "text", "quantity", "unitPrice", "taxGroup", "department",
                  "priceModifierValue", "priceModifierType"},
                 where, error) ||
      !Required(item, {"text", "unitPrice", "taxGroup"}, where, error) ||
      !Text(item, "text", where, line.text, error))
    return false;
  if (line.text.empty()) {
    error = where + ".text: empty";
    return false;
  }
  FitWidth(line.text, kItemTextWidth, where + ".text", out.warnings);
  // A sale of nothing is refused by the printer half-way through the receipt.
  if (!Number(item, "unitPrice", where, kMinMoney, kMaxAmount, line.unitPrice, error)) return false;
  if (item.contains("quantity") &&
      !Number(item, "quantity", where, 0.001, kMaxQuantity, line.quantity, error))
    return false;
  int group = 0;
  // Numbered from 1 (А) here, from 0 in the driver.
  if (!Integer(item, "taxGroup", where, Limit::kFirstTaxGroup + 1, Limit::kLastTaxGroup + 1, group,
               error))
    return false;
  line.taxGroup = group - 1;
  if (item.contains("department") &&
      !Integer(item, "department", where, 1, kMaxDepartment, line.department, error))
    return false;
  if (item.contains("priceModifierValue") || item.contains("priceModifierType")) {
    if (!item.contains("priceModifierValue") || !item.contains("priceModifierType")) {
      error = where + ": priceModifierValue and priceModifierType go together";
      return false;
    }
    const json& type = item.at("priceModifierType");
    if (type == "discount-amount" || type == "surcharge-amount") {
      error = where + ".priceModifierType: " + type.get<std::string>() +
              " is refused: the printer changes a line by percent only, and a line's "
              "amount is never turned into a rounded percent; give discount-percent or "
              "surcharge-percent, or a discount-amount or surcharge-amount item on the subtotal";
      return false;
    }
    if (type != "discount-percent" && type != "surcharge-percent") {
      error =
          where + ".priceModifierType: \"discount-percent\" or \"surcharge-percent\" is expected";
      return false;
    }
    double value = 0;
    if (!Number(item, "priceModifierValue", where, 0, kMaxPercent, value, error)) return false;
    line.percent = type == "discount-percent" ? -value : value;
  }
  out.lines.push_back(line);
  return true;
}

bool Item(const json& item, size_t index, ReceiptRequest& out, std::string& error) {
  const std::string where = "items[" + std::to_string(index) + "]";
  if (!item.is_object()) {
    error = where + ": an object is expected";
    return false;
  }
  const json type = item.value("type", json("sale"));
  if (type == "sale") return SaleItem(item, where, out, error);
  if (type == "comment") return TextItem(item, LineKind::kComment, where, out, error);
  if (type == "footer-comment") return TextItem(item, LineKind::kFooterComment, where, out, error);
  if (type == "discount-amount") return SubtotalItem(item, true, where, out, error);
  if (type == "surcharge-amount") return SubtotalItem(item, false, where, out, error);
  error = where +
          ".type: \"sale\", \"comment\", \"footer-comment\", \"discount-amount\" or "
          "\"surcharge-amount\" is expected";
  return false;
}

bool Payments(const json& body, const PaymentTypeMap& map, ReceiptRequest& out,
              std::string& error) {
  if (!body.contains("payments")) return true;
  const json& payments = body.at("payments");
  if (!payments.is_array() || payments.size() > kMaxPayments) {
    error = "payments: a list of at most 10 payments is expected";
    return false;
  }
  bool rest = false;
  for (size_t i = 0; i < payments.size(); ++i) {
    const std::string where = "payments[" + std::to_string(i) + "]";
    const json& p = payments[i];
    if (!OnlyKnown(p, {"amount", "paymentType"}, where, error)) return false;
    ReceiptPaymentLine line;
    if (p.contains("amount")) {
      double amount = 0;
      if (!Number(p, "amount", where, kMinMoney, kMaxAmount, amount, error)) return false;
      line.amount = amount;
    } else if (rest) {
      error = where + ".amount: only one payment may take the rest of the total";
      return false;
    } else {
      rest = true;
    }
    if (p.contains("paymentType") &&
        !PaymentType(p.at("paymentType"), map, where + ".paymentType", line.type, error))
      return false;
    out.payments.push_back(line);
  }
  return true;
}

bool ReceiptFields(const json& body, const PaymentTypeMap& map, ReceiptRequest& out,
                   std::string& error) {
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
  for (const auto& l : out.lines) {
    sale = sale || l.kind == LineKind::kSale;
    if (l.kind == LineKind::kSubtotalAmount && !sale) {
      error = "items: a discount or surcharge on the subtotal needs a sale before it";
      return false;
    }
  }
  if (!sale) {
    error = "items: a receipt needs at least one sale";
    return false;
  }
  return Payments(body, map, out, error);
}

// A text field of the reversed receipt, required.
bool OriginalText(const json& body, const char* key, size_t maxSize, std::string& out,
                  std::string& error) {
  if (!body.contains(key) || !body.at(key).is_string() || body.at(key).get<std::string>().empty() ||
      body.at(key).get<std::string>().size() > maxSize) {
    error = std::string(key) + ": the original receipt's, a text of 1 to " +
            std::to_string(maxSize) + " characters, is expected";
    return false;
  }
  out = body.at(key).get<std::string>();
  return true;
}

}  // namespace

std::optional<std::string> FirstUnknownMember(const nlohmann::json& object,
                                              std::initializer_list<const char*> known) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool found = false;
    for (const char* k : known) found = found || it.key() == k;
    if (!found) return it.key();
  }
  return std::nullopt;
}

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

OperatorRecord OperatorChoice::Resolve(const OperatorRecord& configured) const {
  OperatorRecord out = configured;
  if (number && *number != configured.number) {
    out.number = *number;
    out.password.clear();
  }
  if (password) out.password = *password;
  return out;
}

bool ParseReceiptRequest(const json& body, const PaymentTypeMap& payments, ReceiptRequest& out,
                         std::string& error) {
  out = ReceiptRequest{};
  if (!OnlyKnown(
          body,
          {"uniqueSaleNumber", "operator", "operatorPassword", "items", "payments", "corrections"},
          "body", error))
    return false;
  return ReceiptFields(body, payments, out, error);
}

bool ParseReversalRequest(const json& body, const PaymentTypeMap& payments, ReversalRequest& out,
                          std::string& error) {
  out = ReversalRequest{};
  if (!OnlyKnown(
          body,
          {"uniqueSaleNumber", "operator", "operatorPassword", "items", "payments", "receiptNumber",
           "receiptDateTime", "fiscalMemorySerialNumber", "reason", "corrections"},
          "body", error) ||
      !ReceiptFields(body, payments, out.receipt, error))
    return false;
  if (out.receipt.uniqueSaleNumber.empty()) {
    error = "uniqueSaleNumber: the original receipt's sale number is required";
    return false;
  }
  if (!OriginalText(body, "receiptNumber", kMaxOriginalField, out.receiptNumber, error) ||
      !OriginalText(body, "receiptDateTime", kMaxOriginalField, out.receiptDateTime, error) ||
      !OriginalText(body, "fiscalMemorySerialNumber", kMaxOriginalField,
                    out.fiscalMemorySerialNumber, error))
    return false;
  const json reason = body.value("reason", json());
  if (reason != "operator-error" && reason != "refund" && reason != "taxbase-reduction") {
    error = "reason: \"operator-error\", \"refund\" or \"taxbase-reduction\" is expected";
    return false;
  }
  out.reason = reason.get<std::string>();
  return true;
}

bool ParseSumRequest(const json& body, const PaymentTypeMap& payments, SumRequest& out,
                     std::string& error) {
  out = SumRequest{};
  if (!OnlyKnown(body, {"amount", "paymentType", "operator", "operatorPassword", "corrections"},
                 "body", error))
    return false;
  if (!body.contains("amount")) {
    error = "amount: missing";
    return false;
  }
  if (!Number(body, "amount", "body", kMinMoney, kMaxAmount, out.amount, error)) return false;
  if (body.contains("paymentType") &&
      !PaymentType(body.at("paymentType"), payments, "paymentType", out.paymentType, error))
    return false;
  return Operator(body, out.op, error);
}

bool ParseCashRequest(const json& body, OperatorChoice& out, std::string& error) {
  out = OperatorChoice{};
  if (body.is_null()) return true;
  return OnlyKnown(body, {"operator", "operatorPassword", "corrections"}, "body", error) &&
         Operator(body, out, error);
}

bool ParseDateTimeRequest(const json& body, std::time_t& out, std::string& error) {
  if (!OnlyKnown(body, {"deviceDateTime", "corrections"}, "body", error)) return false;
  if (!body.contains("deviceDateTime") || !body.at("deviceDateTime").is_string()) {
    error = "deviceDateTime: \"YYYY-MM-DDTHH:MM:SS\" is expected";
    return false;
  }
  const std::string text = body.at("deviceDateTime").get<std::string>();
  const std::string bad =
      "deviceDateTime: \"YYYY-MM-DDTHH:MM:SS\" is expected, got \"" + text + "\"";
  int y, mo, d, h, mi, s;
  char sep = 0;
  int used = 0;
  if (text.size() > kMaxDateText ||
      std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &s,
                  &used) != 7 ||
      used != kDateTimeChars || (sep != 'T' && sep != ' ') || y < 2000 || y > 2099 || mo < 1 ||
      mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0) {
    error = bad;
    return false;
  }
  // Optional fraction of a second, then an optional zone.
  size_t at = kDateTimeChars;
  if (at < text.size() && text[at] == '.') {
    ++at;
    const size_t digits = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    if (at == digits) {
      error = bad;
      return false;
    }
  }
  std::optional<long> offset;  // seconds east of UTC
  const std::string zone = text.substr(at);
  if (zone == "Z") {
    offset = 0;
  } else if (!zone.empty()) {
    int zh = 0, zm = 0;
    char sign = zone[0];
    const bool colon = zone.size() == 6 && zone[3] == ':';
    const bool plain = zone.size() == 5;
    if ((sign != '+' && sign != '-') || (!colon && !plain) ||
        std::sscanf(zone.c_str() + 1, colon ? "%2d:%2d" : "%2d%2d", &zh, &zm) != 2 || zh > 14 ||
        zm > 59 || zh < 0 || zm < 0) {
      error = bad;
      return false;
    }
    offset = (sign == '-' ? -1 : 1) * (zh * 3600L + zm * 60L);
  }
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  std::tm check = tm;
  out = offset ? UtcTime(&check) : std::mktime(&check);
  if (out == static_cast<std::time_t>(-1) || check.tm_mday != d || check.tm_mon != mo - 1) {
    error = "deviceDateTime: no such date: \"" + text + "\"";
    return false;
  }
  if (offset) out -= *offset;
  return true;
}

bool ParseRawRequest(const json& body, RawRequest& out, std::string& error) {
  out = RawRequest{};
  if (body.is_object() && body.contains("rawRequest")) {
    if (!OnlyKnown(body, {"rawRequest"}, "body", error)) return false;
    std::string request;
    if (!Text(body, "rawRequest", "body", request, error)) return false;
    if (request.empty() || static_cast<unsigned char>(request[0]) < kMinRawCommand) {
      error = "rawRequest: its first character is the command (from a space on)";
      return false;
    }
    out.command = static_cast<unsigned char>(request[0]);
    out.data = request.substr(1);
    if (out.data.size() > kMaxRawData) {
      error = "rawRequest: at most 200 bytes of data after the command";
      return false;
    }
    return true;
  }
  if (!OnlyKnown(body, {"command", "data"}, "body", error)) return false;
  if (!body.contains("command")) {
    error = "rawRequest: missing";
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
  if (command < kMinRawCommand || command > 0xFF) {
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
