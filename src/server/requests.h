#pragma once

#include <ctime>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "driver/limits.h"
#include "driver/records.h"
#include "server/policy_host.h"

// Request bodies, checked whole before anything is sent to a printer. Texts are
// converted to Windows-1251 here; a text that has no Windows-1251 form, a field
// of the wrong type, an unknown field or a number out of range is refused with
// a message naming the field (HTTP 400).

struct RequestLine {
  bool comment = false;
  std::string text;  // Windows-1251, at most the printer's width (cut with a warning)
  double quantity = 1;
  double unitPrice = 0;
  int taxGroup = 0;    // 0..7 (А..З); the request says 1..8
  double percent = 0;  // negative: discount, positive: surcharge
};

struct ReceiptPaymentLine {
  int type = 0;  // 0 cash, 1 card, 2 check, 3 voucher, 4 currency
  double amount = 0;
};

struct ReceiptRequest {
  std::string uniqueSaleNumber;      // empty: none given
  std::optional<OperatorRecord> op;  // none: the server's default operator
  std::vector<RequestLine> lines;    // at least one sale
  std::vector<ReceiptPaymentLine> payments;
  std::vector<std::string> warnings;  // texts cut to the printer's width
};

struct SumRequest {   // deposit and withdraw
  double amount = 0;  // positive
  int paymentType = 0;
  std::optional<OperatorRecord> op;
};

struct RawRequest {
  int command = 0;   // 0x20..0xFF
  std::string data;  // Windows-1251
};

// Widths the driver fits texts to.
constexpr size_t kItemTextWidth = Limit::kItemText;
constexpr size_t kCommentTextWidth = Limit::kCommentText;

// Each returns false and sets `error` (UTF-8) when the body is refused.
bool ParseReceiptRequest(const nlohmann::json& body, ReceiptRequest& out, std::string& error);
bool ParseSumRequest(const nlohmann::json& body, SumRequest& out, std::string& error);
// "deviceDateTime": "YYYY-MM-DDTHH:MM:SS" (local time of the printer).
bool ParseDateTimeRequest(const nlohmann::json& body, std::time_t& out, std::string& error);
bool ParseRawRequest(const nlohmann::json& body, RawRequest& out, std::string& error);
// The optional "corrections" member every POST body may carry:
//   {"zeroReports":bool,"closeReceipt":bool,"setClock":bool}
bool ParseCorrections(const nlohmann::json& body, Corrections& out, std::string& error);

// A body with only "corrections" (reports, duplicate) or nothing.
bool ParseEmptyRequest(const nlohmann::json& body, std::string& error);

// "YYYY-MM-DDTHH:MM:SS" of a local time.
std::string FormatDeviceTime(std::time_t t);
