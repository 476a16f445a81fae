#pragma once

#include <string>

#include "driver/fiscal_printer.h"

// Window-free half of "Номера на фактури": reading and programming the range
// of invoice numbers.

namespace invoice_ids {
inline constexpr int kFirst = 1182;
inline constexpr int kLast = 1183;
inline constexpr int kNext = 1184;
inline constexpr int kSet = 1455;
inline constexpr int kGet = 1456;
}  // namespace invoice_ids

// Invoice numbers are up to ten decimal digits.
inline constexpr int kInvoiceNumberLength = 10;
// Set with the first or the last number missing (stop icon).
inline constexpr const char* kInvoiceMoreInfoText = "Моля въведете повече информация!";

// The three fields as the button logic sees them; texts are digits.
class InvoiceRangeForm {
 public:
  virtual ~InvoiceRangeForm() = default;
  virtual std::string First() = 0;
  virtual std::string Last() = 0;
  virtual void SetFirst(const std::string& text) = 0;
  virtual void SetLast(const std::string& text) = 0;
  virtual void SetNext(const std::string& text) = 0;
  // A number is missing: tell the user (nothing is sent).
  virtual void AskForMore() = 0;
};

// `text` with everything but the digits 0-9 removed: what a digits-only field
// keeps of what was typed or pasted into it.
std::string DigitsOnly(const std::string& text);

// "Get": empties the three fields, then reads the range. The printer answers
// with two numbers; the first is shown as the first and as the next number of
// the range, the second as the last. False when the read failed or was
// refused (the fields stay empty; the driver has told the user).
bool GetInvoiceRange(FiscalPrinter& printer, InvoiceRangeForm& form);

// Whether "Set" may talk to the printer: both numbers are there. When one is
// missing the form is told and the printer is not needed.
bool InvoiceRangeComplete(InvoiceRangeForm& form);

// "Set": programs the range the form holds. True when the printer answered,
// whether it took the range or refused it, "Продължи" or not (the dialog then
// reads the range back with "Get", so the fields never keep refused numbers);
// false when nothing was sent or no answer came.
bool SetInvoiceRange(FiscalPrinter& printer, InvoiceRangeForm& form);
