#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "driver/limits.h"
#include "driver/records.h"
#include "server/netfp_payments.h"

class FiscalPrinter;

// What POS software learns about a printer before it prints: its identity
// (serial numbers, model, firmware, tax number), the limits of its fields and
// the payment types it takes, in the protocol's field names.
struct DeviceIdentity {
  std::string serialNumber;              // "NV123456", as the printer shows it
  std::string fiscalMemorySerialNumber;  // "50123456"
  std::string model;                     // the version text's first word
  std::string firmwareVersion;           // the version text after it, to its first comma
  std::string taxIdentificationNumber;   // "" when not set
};

// The printer's widths and limits, as the driver fits texts and checks fields.
constexpr int kDeviceItemTextMaxLength = Limit::kItemText;
constexpr int kDeviceCommentTextMaxLength = Limit::kCommentText;
constexpr int kDeviceOperatorPasswordMaxLength = Limit::kOperatorPassword;

// The printer's and its fiscal memory's serial numbers ("NV123456", "50123456").
// False when the printer does not answer.
bool ReadSerialNumbers(FiscalPrinter& printer, std::string& serial, std::string& memory);

// The same read after a status read that gave `flags`: when they allow it
// (factory numbers set, fiscal memory present and sound) the factory numbers
// are asked for at once, one transaction, since the flags just read are what
// the driver's status check would read again; otherwise through the driver.
bool ReadSerialNumbersAfterStatus(FiscalPrinter& printer, const StatusFlags& flags,
                                  std::string& serial, std::string& memory);

// Reads the identity: version, factory numbers, tax number. Nothing when the
// printer does not answer the factory numbers (the host's messages say why);
// a version or tax number it does not give is left empty.
std::optional<DeviceIdentity> ReadDeviceIdentity(FiscalPrinter& printer);

// The printer id a serial number gives: lower case ("NV123456" -> "nv123456").
std::string PrinterIdOf(const std::string& serialNumber);

// The device info object; `uri` is how the server reaches the printer. It has
// no `manufacturer`: the printer does not tell its maker, and an empty text
// would read as a maker without a name.
nlohmann::json DeviceInfoJson(const DeviceIdentity& identity, const std::string& uri,
                              const PaymentTypeMap& payments);

// The printer's clock reply ("DD-MM-YYYY HH:MM:SS") as the protocol writes a
// time ("YYYY-MM-DDTHH:MM:SS", the printer's local time). The driver's parser
// reads day to minute; the seconds are taken from the reply itself (00 when
// the reply has none). "" when the reply is not a date.
std::string DeviceTimeOf(const std::string& clockReply);

// The printer's clock for a status answer, read after the status read that
// gave `flags`: when those flags allow the clock read (factory numbers set,
// fiscal memory present and sound, clock set and working) it is sent at once,
// one transaction, since the flags just read are what the driver's status
// check would read again; otherwise through the driver's ReadDateTime, whose
// status check handles (and reports) the clock's state. "" when it cannot be
// read.
std::string ReadDeviceClock(FiscalPrinter& printer, const StatusFlags& flags);

// The cash in the drawer by the printer's own day counters: cash taken in
// receipts (payment type 0, change given already taken off) plus the cash
// deposited, minus the cash withdrawn, since the last Z report. The X report
// prints the same figure as "В КАСАТА". Nothing when a read fails.
std::optional<double> ReadCashInDrawer(FiscalPrinter& printer);
