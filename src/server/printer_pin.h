#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "driver/records.h"

class FiscalPrinter;

// The printer a served id stands for: the serial number it was found with or,
// for a printer given by its port, the one read at the first contact that
// read it. Ports outlive printers (a printer swapped on the same cable, a USB
// adapter or pseudo-terminal given to another one), so before a job that
// prints or changes money or fiscal state the worker confirms that the printer
// on the line is still this one: a fiscal receipt must never land on another
// fiscal device.
//
// The confirmation holds for one opening of the port (HeldLink::Generation):
// a printer cannot change while its port stays open without the link failing
// (it has to be unplugged), and a link that failed or was reopened gets a new
// number, so the serial number is read once per opening, not before every
// job. Thread-safe.
class PrinterPin {
 public:
  explicit PrinterPin(std::string serialNumber = "", std::string memorySerialNumber = "")
      : serial_(std::move(serialNumber)), memory_(std::move(memorySerialNumber)) {}

  enum class Check {
    kSame,    // the pinned printer answers (or the first one read, now pinned)
    kOther,   // another printer answers: `onLine` is its serial number
    kUnread,  // its serial number could not be read (the host was told why)
  };
  // Reads the serial number of the printer on `printer`'s line (a status
  // check and the factory numbers: two transactions) and compares it with the
  // pinned one.
  Check Confirm(FiscalPrinter& printer, std::string& onLine);
  // The same on the port's opening number `link` (never 0): kSame without a
  // word sent when that opening has confirmed it already.
  Check Confirm(FiscalPrinter& printer, uint64_t link, std::string& onLine);
  // The same right after a status read that gave `flags` (a status request):
  // the factory numbers alone, one transaction, when the flags allow them.
  Check ConfirmAfterStatus(FiscalPrinter& printer, uint64_t link, const StatusFlags& flags,
                           std::string& onLine);
  // The same for a serial number read otherwise (the device info). Another
  // printer there takes back the confirmation of the open link.
  Check Compare(const std::string& onLine);

  std::string SerialNumber() const;
  // The pinned printer's fiscal-memory serial number ("50654321") when the
  // opening `link` has confirmed the printer; "" otherwise.
  std::string MemorySerialNumberOn(uint64_t link) const;

 private:
  // Reads the serial numbers with `read` unless the opening `link` has
  // confirmed them; pins the first one read; remembers the opening that
  // confirmed it.
  Check ConfirmOn(uint64_t link, std::string& onLine,
                  const std::function<bool(std::string& serial, std::string& memory)>& read);

  mutable std::mutex lock_;
  std::string serial_;          // "" until first read
  std::string memory_;          // its fiscal memory's, as last read
  uint64_t confirmedLink_ = 0;  // the opening that confirmed it; 0 none
};

// The error a refused job answers: names both printers, in the printer's
// language ("На този порт отговаря друг принтер (NV333333), а не NV222222").
std::string OtherPrinterText(const std::string& onLine, const std::string& pinned);
