#pragma once

#include <string>

#include "driver/fiscal_printer.h"

// Window-free half of "Запис на Фабрични N": writing the factory numbers of
// the printer and of its fiscal memory, once in the printer's life.

namespace factory_numbers {

// Both numbers are typed as exactly six digits (leading zeros included); the
// check digits are a number of up to six digits.
constexpr int kDigits = 6;
constexpr int kMaximum = 999999;
constexpr const char* kSixDigitsText = "Моля въведете 6 цифрено число!";

// What the user typed. The password goes to the printer as typed
// (Windows-1251); the check digits are not checked here.
struct Entry {
  std::string password;
  std::string printerNumber;  // the field's text
  std::string memoryNumber;   // the field's text
  int checkDigits = 0;
};

// True when `text` is exactly six decimal digits. A shorter number, a sign or
// anything that is not a digit would otherwise go out as another number.
bool IsSixDigitNumber(const std::string& text);

enum class Field { kNone, kPrinterNumber, kMemoryNumber };
// The first number field that does not hold six digits, or kNone.
Field FirstBadField(const Entry& entry);

// Sends the numbers (after FirstBadField said kNone). Returns the printer's
// ACK code, or "" when it was refused or failed (the user has been told).
std::string Write(FiscalPrinter& printer, const Entry& entry);

}  // namespace factory_numbers
