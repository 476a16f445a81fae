#pragma once

#include <ctime>
#include <initializer_list>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "driver/limits.h"
#include "driver/records.h"
#include "server/netfp_payments.h"
#include "server/policy_host.h"

// Request bodies, checked whole before anything is sent to a printer. Texts are
// converted to Windows-1251 here; a text that has no Windows-1251 form, a field
// of the wrong type, an unknown field or a number out of range is refused with
// a message naming the field (HTTP 400).

// What a receipt line asks of the printer, in the order given.
enum class LineKind {
  kSale,            // a sale of a free item (or in a department)
  kComment,         // a text line inside the receipt
  kFooterComment,   // a text line after the payments, before the receipt closes
  kSubtotalAmount,  // a discount or surcharge by amount on the subtotal so far
};

struct RequestLine {
  LineKind kind = LineKind::kSale;
  std::string text;  // Windows-1251, at most the printer's width (cut with a warning)
  double quantity = 1;
  double unitPrice = 0;
  int taxGroup = 0;    // 0..7 (А..З); the request says 1..8
  int department = 0;  // 1..99: sold in that department, whose tax group must be taxGroup
  double percent = 0;  // negative: discount, positive: surcharge
  double amount = 0;   // kSubtotalAmount: negative discount, positive surcharge
};

struct ReceiptPaymentLine {
  int type = 0;                  // the printer's payment type 0..4
  std::optional<double> amount;  // none: the rest of the total
};

// The operator a request names: a number and a password, each optional.
struct OperatorChoice {
  std::optional<int> number;  // 1..9
  std::optional<std::string> password;
  bool Given() const { return number || password; }
  // The configured operator where the request names none; the configured
  // password where the request names the configured operator without one.
  OperatorRecord Resolve(const OperatorRecord& configured) const;
};

struct ReceiptRequest {
  std::string uniqueSaleNumber;  // empty: none given
  OperatorChoice op;
  std::vector<RequestLine> lines;  // at least one sale
  std::vector<ReceiptPaymentLine> payments;
  std::vector<std::string> warnings;  // texts cut to the printer's width
};

// A reversal receipt: the receipt it reverses and why. The printer has no
// command for one, so a valid request is answered with a refusal.
struct ReversalRequest {
  ReceiptRequest receipt;
  std::string receiptNumber;             // of the original
  std::string receiptDateTime;           // of the original
  std::string fiscalMemorySerialNumber;  // of the original
  std::string reason;                    // "operator-error", "refund" or "taxbase-reduction"
};

struct SumRequest {   // deposit and withdraw
  double amount = 0;  // positive
  int paymentType = 0;
  OperatorChoice op;
};

struct RawRequest {
  int command = 0;   // 0x20..0xFF
  std::string data;  // Windows-1251
};

// Widths the driver fits texts to.
constexpr size_t kItemTextWidth = Limit::kItemText;
constexpr size_t kCommentTextWidth = Limit::kCommentText;

// Each returns false and sets `error` (UTF-8) when the body is refused.
// Payment types are named as `payments` maps them (or given as 0..4).
bool ParseReceiptRequest(const nlohmann::json& body, const PaymentTypeMap& payments,
                         ReceiptRequest& out, std::string& error);
bool ParseReversalRequest(const nlohmann::json& body, const PaymentTypeMap& payments,
                          ReversalRequest& out, std::string& error);
bool ParseSumRequest(const nlohmann::json& body, const PaymentTypeMap& payments, SumRequest& out,
                     std::string& error);
// GET or POST /cash: nothing, or the operator's credentials.
bool ParseCashRequest(const nlohmann::json& body, OperatorChoice& out, std::string& error);
// "deviceDateTime": "YYYY-MM-DDTHH:MM:SS" (local time of the printer), with
// optional milliseconds (ignored) and an optional zone ("Z", "+02:00", "+0200"):
// a time with a zone is that instant, set on the printer in local time (what
// JavaScript's Date.toJSON sends is UTC).
bool ParseDateTimeRequest(const nlohmann::json& body, std::time_t& out, std::string& error);
// {"rawRequest": "..."}: its first character the command, the rest the data;
// or {"command": 0x20..0xFF, "data": "..."}.
bool ParseRawRequest(const nlohmann::json& body, RawRequest& out, std::string& error);
// The optional "corrections" member every POST body may carry:
//   {"zeroReports":bool,"closeReceipt":bool,"setClock":bool}
bool ParseCorrections(const nlohmann::json& body, Corrections& out, std::string& error);

// A body with only "corrections" (reports, duplicate) or nothing.
bool ParseEmptyRequest(const nlohmann::json& body, std::string& error);

// "YYYY-MM-DDTHH:MM:SS" of a local time.
std::string FormatDeviceTime(std::time_t t);

// The first member of the JSON object `object` whose name is not in `known`,
// or nothing: requests and the configuration file refuse what they do not know.
std::optional<std::string> FirstUnknownMember(const nlohmann::json& object,
                                              std::initializer_list<const char*> known);
