#pragma once

#include <array>
#include <optional>
#include <string>

#include "driver/fiscal_printer.h"

// Window-free half of "Програмиране на плащанията": the rows of payment types 1
// to 4 (payment 4 also carries the exchange rate of the foreign currency) and
// what each button does with the printer. Payment 0 is cash and fixed.

struct PaymentRow {
  int payment;  // 1..4
  int tickId;
  int nameId;
  int getId;
  int setId;
};

namespace payment_ids {
inline constexpr int kRate = 1186;
inline constexpr int kSelectAll = 1202;
inline constexpr int kUnselectAll = 1203;
inline constexpr int kGetSelected = 1204;
inline constexpr int kSetSelected = 1205;
}  // namespace payment_ids

inline constexpr std::array<PaymentRow, 4> kPaymentRows = {{
    {1, 1193, 1206, 1196, 1199},
    {2, 1194, 1183, 1197, 1200},
    {3, 1195, 1184, 1198, 1201},
    {4, 1209, 1185, 1207, 1208},
}};

// The names are fields of ten characters on the printer; the rate field holds
// 0..9999.99999 with five decimals in at most ten characters, and shows "1.0"
// when the dialog opens.
inline constexpr int kPaymentNameLength = 10;
inline constexpr double kRateMaximum = 9999.99999;
inline constexpr int kRateDecimals = 5;
inline constexpr int kRateLength = 10;
inline constexpr const char* kInitialRateText = "1.0";
// What the user is told when the rate field holds no usable rate.
inline constexpr const char* kRateRefusedText = "Моля въведете валиден курс на валутата!";

// The controls as the button logic sees them; names are Windows-1251 bytes.
class PaymentForm {
 public:
  virtual ~PaymentForm() = default;
  // None when the name holds a character the printer cannot print; the user
  // has then been told which.
  virtual std::optional<std::string> Name(int payment) = 0;
  // Writing a name is a change of the field, so it ticks the row.
  virtual void SetName(int payment, const std::string& name) = 0;
  // The rate field as a number: 0.0 when empty, -1.0 when it is not a number.
  virtual double Rate() = 0;
  // Puts a text into the rate field as it is, without the range check.
  virtual void SetRateText(const std::string& text) = 0;
  virtual bool Ticked(int payment) = 0;
  // The rate field holds no usable rate: tell the user (nothing is sent).
  virtual void RateRefused() = 0;
};

// The row with this Get or Set button, or null.
const PaymentRow* PaymentRowOfButton(int id);

// The exchange rate as the printer sent it, ready for the rate field: every
// blank removed.
std::string RateTextFromPrinter(const std::string& rate);

// Whether a button needs the printer at all: Select/Unselect All never do, and
// Get/Set Selected only when a row is ticked.
bool PaymentButtonNeedsPrinter(int id, PaymentForm& form);

// Runs a printer button (a row's Get or Set, Get or Set Selected) on an open
// printer. A Set button first takes the names it programs from the form: when
// one cannot be printed nothing at all is sent. Then the payment names are
// read, for Set buttons too; when that fails nothing else happens. Set
// Selected stops at the first row whose programming failed.
void RunPaymentButton(FiscalPrinter& printer, PaymentForm& form, int id);
