#include "server/netfp_device.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"

namespace {

constexpr int kCashType = 0;
// The factory numbers reply: "NVpppppp;50mmmmmm", each number after the
// printer's own two-character prefix.
constexpr size_t kPrefixLength = 2;
constexpr size_t kMemoryPrefixAt = 9;
constexpr size_t kFactoryReplyLength = 17;
constexpr const char* kPrinterPrefix = "NV";
constexpr const char* kMemoryPrefix = "50";

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

}  // namespace

bool ReadSerialNumbers(FiscalPrinter& printer, std::string& serial, std::string& memory) {
  FactoryNumbers numbers;
  const std::string reply = printer.ReadFactoryNumbers(numbers);
  if (!Done(printer, reply)) return false;
  const bool prefixes = reply.size() >= kFactoryReplyLength;
  serial = Serial(prefixes ? Cp1251ToUtf8(reply.substr(0, kPrefixLength)) : kPrinterPrefix,
                  numbers.printerNumber);
  memory =
      Serial(prefixes ? Cp1251ToUtf8(reply.substr(kMemoryPrefixAt, kPrefixLength)) : kMemoryPrefix,
             numbers.memoryNumber);
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
          {"manufacturer", ""},
          {"model", identity.model},
          {"firmwareVersion", identity.firmwareVersion},
          {"itemTextMaxLength", kDeviceItemTextMaxLength},
          {"commentTextMaxLength", kDeviceCommentTextMaxLength},
          {"operatorPasswordMaxLength", kDeviceOperatorPasswordMaxLength},
          {"taxIdentificationNumber", identity.taxIdentificationNumber},
          {"supportedPaymentTypes", payments.Supported()},
          {"supportsSubTotalAmountModifiers", true}};
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
