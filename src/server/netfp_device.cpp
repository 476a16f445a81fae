#include "server/netfp_device.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "driver/commands.h"
#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "server/requests.h"

namespace {

constexpr int kCashType = 0;
// The factory numbers reply: "NVpppppp;50mmmmmm", each number after the
// printer's own two-character prefix.
constexpr size_t kPrefixLength = 2;
constexpr size_t kMemoryPrefixAt = 9;
constexpr size_t kFactoryReplyLength = 17;
constexpr const char* kPrinterPrefix = "NV";
constexpr const char* kMemoryPrefix = "50";
// The clock reply: "DD-MM-YYYY HH:MM:SS"; the driver's parser reads the first
// 16 characters, the seconds follow a colon.
constexpr size_t kMinuteLength = 16;
constexpr size_t kSecondsAt = 17;
constexpr int kSecondsPerMinute = 60;
// The numbers in the factory numbers reply (first and last character).
constexpr size_t kPrinterNumberFrom = 2;
constexpr size_t kPrinterNumberTo = 7;
constexpr size_t kMemoryNumberFrom = 11;
constexpr size_t kMemoryNumberTo = 16;
// The flags that stop the driver's status check before a factory numbers read.
constexpr int kMemoryBlockers[] = {Flag::kFMMissing, Flag::kFMFaulty};
// The flags that stop the driver's status check before a clock read.
constexpr int kClockBlockers[] = {Flag::kFMMissing,   Flag::kFMFaulty, Flag::kClockHardware,
                                  Flag::kClockNotSet, Flag::kRamReset, Flag::kClockIncorrect};

std::string Serial(const std::string& prefix, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%06d", number);
  return prefix + digits;
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

// A read that ended done: a refusal passed over is a text too.
bool Done(const FiscalPrinter& printer, const std::string& result) {
  return CallDone(result, printer.LastOutcome());
}

double Cents(double amount) {
  return std::round(amount * 100) / 100;
}

void SerialNumbersOf(const std::string& reply, const FactoryNumbers& numbers, std::string& serial,
                     std::string& memory) {
  const bool prefixes = reply.size() >= kFactoryReplyLength;
  serial = Serial(prefixes ? Cp1251ToUtf8(reply.substr(0, kPrefixLength)) : kPrinterPrefix,
                  numbers.printerNumber);
  memory =
      Serial(prefixes ? Cp1251ToUtf8(reply.substr(kMemoryPrefixAt, kPrefixLength)) : kMemoryPrefix,
             numbers.memoryNumber);
}

}  // namespace

bool ReadSerialNumbers(FiscalPrinter& printer, std::string& serial, std::string& memory) {
  FactoryNumbers numbers;
  const std::string reply = printer.ReadFactoryNumbers(numbers);
  if (!Done(printer, reply)) return false;
  SerialNumbersOf(reply, numbers, serial, memory);
  return true;
}

bool ReadSerialNumbersAfterStatus(FiscalPrinter& printer, const StatusFlags& flags,
                                  std::string& serial, std::string& memory) {
  bool clear = flags[Flag::kFactoryNumbers];
  for (int f : kMemoryBlockers) clear = clear && !flags[f];
  if (!clear) return ReadSerialNumbers(printer, serial, memory);
  const std::string reply = printer.Transact(Cmd::kReadFactoryNumbers, "");
  if (!Done(printer, reply)) return false;
  FactoryNumbers numbers;
  numbers.printerNumber = FieldInt(reply, kPrinterNumberFrom, kPrinterNumberTo);
  numbers.memoryNumber = FieldInt(reply, kMemoryNumberFrom, kMemoryNumberTo);
  SerialNumbersOf(reply, numbers, serial, memory);
  return true;
}

std::optional<DeviceIdentity> ReadDeviceIdentity(FiscalPrinter& printer) {
  DeviceIdentity id;
  if (!ReadSerialNumbers(printer, id.serialNumber, id.fiscalMemorySerialNumber))
    return std::nullopt;
  const std::string version = Trim(Cp1251ToUtf8(printer.ReadVersion()));
  const size_t space = version.find(' ');
  id.model = Trim(version.substr(0, space));
  if (space != std::string::npos) id.firmwareVersion = Trim(version.substr(space + 1));
  id.firmwareVersion = id.firmwareVersion.substr(0, id.firmwareVersion.find(','));
  std::string tax;
  if (Done(printer, printer.ReadTaxNumber(tax)))
    id.taxIdentificationNumber = Trim(Cp1251ToUtf8(tax));
  return id;
}

std::string PrinterIdOf(const std::string& serialNumber) {
  std::string id = serialNumber;
  for (char& c : id) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return id;
}

nlohmann::json DeviceInfoJson(const DeviceIdentity& identity, const std::string& uri,
                              const PaymentTypeMap& payments) {
  return {{"uri", uri},
          {"serialNumber", identity.serialNumber},
          {"fiscalMemorySerialNumber", identity.fiscalMemorySerialNumber},
          {"model", identity.model},
          {"firmwareVersion", identity.firmwareVersion},
          {"itemTextMaxLength", kDeviceItemTextMaxLength},
          {"commentTextMaxLength", kDeviceCommentTextMaxLength},
          {"operatorPasswordMaxLength", kDeviceOperatorPasswordMaxLength},
          {"taxIdentificationNumber", identity.taxIdentificationNumber},
          {"supportedPaymentTypes", payments.Supported()},
          {"supportsSubTotalAmountModifiers", true}};
}

std::string DeviceTimeOf(const std::string& reply) {
  if (reply.size() < kMinuteLength) return "";
  for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9, 11, 12, 14, 15})
    if (!std::isdigit(static_cast<unsigned char>(reply[i]))) return "";
  const std::time_t minute = ParseDateTime(reply);
  if (minute == static_cast<std::time_t>(-1)) return "";
  int seconds = 0;
  if (reply.size() >= kSecondsAt + 2 && reply[kMinuteLength] == ':' &&
      std::isdigit(static_cast<unsigned char>(reply[kSecondsAt])) &&
      std::isdigit(static_cast<unsigned char>(reply[kSecondsAt + 1])))
    seconds = (reply[kSecondsAt] - '0') * 10 + (reply[kSecondsAt + 1] - '0');
  // A leap second or a garbled field: the minute, as the driver reads it.
  if (seconds >= kSecondsPerMinute) seconds = 0;
  return FormatDeviceTime(minute + seconds);
}

std::string ReadDeviceClock(FiscalPrinter& printer, const StatusFlags& flags) {
  bool clear = flags[Flag::kFactoryNumbers];
  for (int f : kClockBlockers) clear = clear && !flags[f];
  std::string reply;
  if (clear) {
    reply = printer.Transact(Cmd::kReadDateTime, "");
  } else {
    std::time_t ignored = 0;
    reply = printer.ReadDateTime(ignored);
  }
  return Done(printer, reply) ? DeviceTimeOf(reply) : "";
}

std::optional<double> ReadCashInDrawer(FiscalPrinter& printer) {
  PaymentTotals taken;
  ServiceTotals in, out;
  if (!Done(printer, printer.ReadDailyPaymentTotals(taken)) ||
      !Done(printer, printer.ReadDailyServiceIn(in)) ||
      !Done(printer, printer.ReadDailyServiceOut(out)))
    return std::nullopt;
  return Cents(taken.payments[kCashType] + in.amounts[kCashType] - out.amounts[kCashType]);
}
