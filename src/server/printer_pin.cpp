#include "server/printer_pin.h"

#include "server/netfp_device.h"

PrinterPin::Check PrinterPin::Confirm(FiscalPrinter& printer, std::string& onLine) {
  std::string memory;
  if (!ReadSerialNumbers(printer, onLine, memory)) return Check::kUnread;
  return Compare(onLine);
}

PrinterPin::Check PrinterPin::Compare(const std::string& onLine) {
  if (onLine.empty()) return Check::kUnread;
  std::lock_guard<std::mutex> lock(lock_);
  if (serial_.empty()) serial_ = onLine;
  return serial_ == onLine ? Check::kSame : Check::kOther;
}

std::string PrinterPin::SerialNumber() const {
  std::lock_guard<std::mutex> lock(lock_);
  return serial_;
}

std::string OtherPrinterText(const std::string& onLine, const std::string& pinned) {
  return "На този порт отговаря друг принтер (" + onLine + "), а не " + pinned;
}
