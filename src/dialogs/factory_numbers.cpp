#include "dialogs/factory_numbers.h"

#include <cstdlib>

namespace factory_numbers {

bool IsSixDigitNumber(const std::string& text) {
  if (text.size() != static_cast<size_t>(kDigits)) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

Field FirstBadField(const Entry& entry) {
  if (!IsSixDigitNumber(entry.printerNumber)) return Field::kPrinterNumber;
  if (!IsSixDigitNumber(entry.memoryNumber)) return Field::kMemoryNumber;
  return Field::kNone;
}

std::string Write(FiscalPrinter& printer, const Entry& entry) {
  return printer.SetFactoryNumbers(entry.password, std::atoi(entry.printerNumber.c_str()),
                                   std::atoi(entry.memoryNumber.c_str()), entry.checkDigits);
}

}  // namespace factory_numbers
