#include "server/printer_pin.h"

#include "server/netfp_device.h"

PrinterPin::Check PrinterPin::Confirm(FiscalPrinter& printer, std::string& onLine) {
  std::string memory;
  if (!ReadSerialNumbers(printer, onLine, memory)) return Check::kUnread;
  return Compare(onLine);
}

PrinterPin::Check PrinterPin::Confirm(FiscalPrinter& printer, uint64_t link, std::string& onLine) {
  return ConfirmOn(link, onLine, [&](std::string& serial, std::string& memory) {
    return ReadSerialNumbers(printer, serial, memory);
  });
}

PrinterPin::Check PrinterPin::ConfirmAfterStatus(FiscalPrinter& printer, uint64_t link,
                                                 const StatusFlags& flags, std::string& onLine) {
  return ConfirmOn(link, onLine, [&](std::string& serial, std::string& memory) {
    return ReadSerialNumbersAfterStatus(printer, flags, serial, memory);
  });
}

PrinterPin::Check PrinterPin::ConfirmOn(
    uint64_t link, std::string& onLine,
    const std::function<bool(std::string& serial, std::string& memory)>& read) {
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (link != 0 && confirmedLink_ == link) {
      onLine = serial_;
      return Check::kSame;
    }
  }
  std::string memory;
  if (!read(onLine, memory)) return Check::kUnread;
  const Check check = Compare(onLine);
  if (check == Check::kSame) {
    std::lock_guard<std::mutex> lock(lock_);
    confirmedLink_ = link;
    memory_ = memory;
  }
  return check;
}

PrinterPin::Check PrinterPin::Compare(const std::string& onLine) {
  if (onLine.empty()) return Check::kUnread;
  std::lock_guard<std::mutex> lock(lock_);
  if (serial_.empty()) serial_ = onLine;
  if (serial_ == onLine) return Check::kSame;
  confirmedLink_ = 0;
  return Check::kOther;
}

std::string PrinterPin::SerialNumber() const {
  std::lock_guard<std::mutex> lock(lock_);
  return serial_;
}

std::string PrinterPin::MemorySerialNumberOn(uint64_t link) const {
  std::lock_guard<std::mutex> lock(lock_);
  return link != 0 && confirmedLink_ == link ? memory_ : std::string();
}

std::string OtherPrinterText(const std::string& onLine, const std::string& pinned) {
  return "На този порт отговаря друг принтер (" + onLine + "), а не " + pinned;
}
