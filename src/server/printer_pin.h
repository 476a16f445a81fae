#pragma once

#include <mutex>
#include <string>

class FiscalPrinter;

// The printer a served id stands for: the serial number it was found with or,
// for a printer given by its port, the one read at the first contact that
// read it. Ports outlive printers (a printer swapped on the same cable, a USB
// adapter or pseudo-terminal given to another one), so before a job that
// prints or changes money or fiscal state the worker confirms that the printer
// on the line is still this one: a fiscal receipt must never land on another
// fiscal device. Thread-safe.
class PrinterPin {
 public:
  explicit PrinterPin(std::string serialNumber = "") : serial_(std::move(serialNumber)) {}

  enum class Check {
    kSame,    // the pinned printer answers (or the first one read, now pinned)
    kOther,   // another printer answers: `onLine` is its serial number
    kUnread,  // its serial number could not be read (the host was told why)
  };
  // Reads the serial number of the printer on `printer`'s line (one command,
  // the factory numbers) and compares it with the pinned one.
  Check Confirm(FiscalPrinter& printer, std::string& onLine);
  // The same for a serial number read otherwise (the device info).
  Check Compare(const std::string& onLine);

  std::string SerialNumber() const;

 private:
  mutable std::mutex lock_;
  std::string serial_;  // "" until first read
};

// The error a refused job answers: names both printers, in the printer's
// language ("На този порт отговаря друг принтер (NV333333), а не NV222222").
std::string OtherPrinterText(const std::string& onLine, const std::string& pinned);
