#pragma once

#include <optional>

#include "dialogs/receipt_fields.h"
#include "driver/fiscal_printer.h"

// Window-free half of "Във./Изв.на Служебни суми": a service deposit into, or
// a withdrawal from, the cash register in one of the payment types 0 to 4, on
// behalf of an operator whose password is read from the printer.

namespace service_sum_ids {
inline constexpr int kOperator = 1330;
inline constexpr int kOperatorSpin = 1445;
inline constexpr int kAmount = 1335;
inline constexpr int kPaymentType = 1452;
inline constexpr int kDeposit = 1328;
inline constexpr int kWithdrawal = 1329;
}  // namespace service_sum_ids

namespace service_sums {
// The operators a sum can be booked to.
inline constexpr int kFirstOperator = 1;
inline constexpr int kLastOperator = 9;
}  // namespace service_sums

enum class ServiceSumKind { kDeposit, kWithdrawal };

// The operator number field.
NumericFieldConfig ServiceOperatorConfig();
// The amount field for the printer's decimal mode ('2' two decimals, any other
// character whole numbers): 0.01..999999.99 or 1..99999999.
NumericFieldConfig ServiceAmountConfig(char mode);

// The controls as the button logic sees them.
class ServiceSumForm {
 public:
  virtual ~ServiceSumForm() = default;
  // The operator number; none when the field holds none (the form has told
  // the user).
  virtual std::optional<int> Operator() = 0;
  // The amount, always positive; none when the field holds no amount (the
  // form has told the user).
  virtual std::optional<double> Amount() = 0;
  // The payment type chosen, 0..4.
  virtual int PaymentType() = 0;
};

// "Въвеждане" and "Извеждане": reads the operator (for the password), then
// sends the amount, negated for a withdrawal. Nothing is sent when a field
// holds no number or the operator cannot be read. Returns the driver's result
// ("" when nothing was sent or it failed).
std::string RunServiceSum(FiscalPrinter& printer, ServiceSumForm& form, ServiceSumKind kind);
